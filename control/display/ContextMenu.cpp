#include "control/display/ContextMenu.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace strovix {

namespace {

// The small picture beside "Save Current Picture As(F12)...": a framed
// landscape.
QIcon pictureIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(170, 210, 250));
    p.drawRect(1, 2, 13, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPoint(10, 6), 2, 2);
    p.setBrush(QColor(40, 140, 60));
    const QPoint hill[] = {QPoint(2, 13), QPoint(6, 7), QPoint(10, 13)};
    p.drawPolygon(hill, 3);
    return QIcon(pm);
}

const char* const kSplitTexts[] = {"1 X 1", "2 X 2", "3 X 3", "4 X 4"};
const char* const kRotateTexts[] = {"Rotate 0", "Rotate 180", "Flip Horizontal", "Flip Vertical"};
const int kViewIds[] = {menu_id::kResizable, menu_id::kActualSize, menu_id::kStatusBar};

} // namespace

ContextMenu::ContextMenu()
{
    m_main = new QMenu();
    m_main->setObjectName(QStringLiteral("ContextMenu"));
    m_view = m_main->addMenu(QStringLiteral("View"));
    add(m_view, menu_id::kResizable, "Resizable", true);
    add(m_view, menu_id::kActualSize, "Actual size", true);
    add(m_view, menu_id::kStatusBar, "StatusBar", true);
    m_splits = m_main->addMenu(QStringLiteral("Splits"));
    for (int i = 0; i < 4; ++i)
        add(m_splits, menu_id::kSplit1 + i, kSplitTexts[i]);
    m_rotate = m_main->addMenu(QStringLiteral("Rotate"));
    for (int i = 0; i < 4; ++i)
        add(m_rotate, menu_id::kRotate0 + i, kRotateTexts[i], true);
    m_main->addSeparator();
    add(m_main, menu_id::kRecording, kRecordMenuIdle);
    add(m_main, menu_id::kSavePicture, "Save Current Picture As(F12)...")->setIcon(pictureIcon());
    m_main->addSeparator();
    add(m_main, menu_id::kIAm, "I am...");
    add(m_main, menu_id::kLoginAgain, kLoginAgainText);
    add(m_main, menu_id::kAbout, "About...");
    setRotateCheck(0);
}

ContextMenu::~ContextMenu()
{
    // The camera's submenus belong to their owner: take them out first.
    setCapabilityMenus(nullptr, nullptr);
    delete m_main;
}

QAction* ContextMenu::add(QMenu* menu, int id, const char* text, bool checkable)
{
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::number(id));
    a->setCheckable(checkable);
    connect(a, &QAction::triggered, this, [this, id] {
        if (command)
            command(id);
    });
    m_actions[id] = a;
    return a;
}

QAction* ContextMenu::action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second.data();
}

std::vector<std::string> ContextMenu::entries() const
{
    std::vector<std::string> out;
    for (QAction* a : m_main->actions())
        out.push_back(a->isSeparator() ? std::string() : a->text().toStdString());
    return out;
}

void ContextMenu::setCapabilityMenus(QMenu* quality, QMenu* resolution)
{
    if (m_quality == quality && m_resolution == resolution)
        return;
    for (QMenu* old : {m_quality.data(), m_resolution.data()})
        if (old)
            m_main->removeAction(old->menuAction());
    m_quality = m_qualityRemoved ? nullptr : quality;
    m_resolution = m_resolutionRemoved ? nullptr : resolution;
    // Resolution first, then Quality at the same place: Quality ends up above.
    for (QMenu* sub : {m_resolution.data(), m_quality.data()}) {
        if (!sub)
            continue;
        const auto actions = m_main->actions();
        QAction* before = actions.size() > 1 ? actions[1] : nullptr;
        m_main->insertAction(before, sub->menuAction());
    }
    setLoginLevel(m_loginLevel);
}

void ContextMenu::remove(int id)
{
    auto it = m_actions.find(id);
    if (it == m_actions.end())
        return;
    delete it->second.data();
    m_actions.erase(it);
}

void ContextMenu::removeSubmenu(QPointer<QMenu>& submenu)
{
    if (!submenu)
        return;
    for (QAction* a : submenu->actions())
        m_actions.erase(a->objectName().toInt());
    delete submenu.data();
}

void ContextMenu::applyRemovals(const MainMenuMask& main, SubmenuMasks& sub)
{
    QPointer<QMenu>* withItems[] = {nullptr, &m_view, &m_splits, &m_rotate};
    for (int menu = 1; menu <= 3; ++menu) {
        if (!main[size_t(menu)])
            continue;
        auto& mask = sub[size_t(menu)];
        if (mask[0])
            removeSubmenu(*withItems[menu]);
        const int count = menu == 1 ? 3 : 4;
        for (int i = 1; i <= count; ++i) {
            if (!mask[size_t(i)])
                continue;
            if (menu == 1)
                remove(kViewIds[i - 1]);
            else
                remove((menu == 2 ? menu_id::kSplit1 : menu_id::kRotate0) + i - 1);
        }
        mask.fill(false);
    }
    if (main[4]) {
        m_qualityRemoved = true;
        if (m_quality)
            m_main->removeAction(m_quality->menuAction());
        m_quality = nullptr;
    }
    if (main[5]) {
        m_resolutionRemoved = true;
        if (m_resolution)
            m_main->removeAction(m_resolution->menuAction());
        m_resolution = nullptr;
    }
    const int single[] = {menu_id::kRecording, menu_id::kSavePicture, menu_id::kIAm, menu_id::kAbout};
    for (int bit = 6; bit <= 9; ++bit)
        if (main[size_t(bit)])
            remove(single[bit - 6]);
}

void ContextMenu::setLoginLevel(int level)
{
    m_loginLevel = level;
    for (QMenu* sub : {m_quality.data(), m_resolution.data()}) {
        if (!sub)
            continue;
        sub->setEnabled(true);
        for (QAction* a : sub->actions())
            a->setEnabled(level == 2);
    }
}

void ContextMenu::setRecordText(const std::string& text)
{
    if (QAction* a = action(menu_id::kRecording))
        a->setText(QString::fromStdString(text));
}

void ContextMenu::setWelcomeText(const std::string& text)
{
    if (QAction* a = action(menu_id::kIAm))
        a->setText(QString::fromStdString(text));
}

void ContextMenu::setViewState(bool resizable, bool actualSize, bool statusBarPinned)
{
    if (QAction* a = action(menu_id::kResizable)) {
        a->setChecked(resizable);
        a->setEnabled(!actualSize);
    }
    if (QAction* a = action(menu_id::kActualSize))
        a->setChecked(actualSize);
    if (QAction* a = action(menu_id::kStatusBar))
        a->setChecked(statusBarPinned);
    for (int i = 0; i < 4; ++i)
        if (QAction* a = action(menu_id::kSplit1 + i))
            a->setEnabled(!actualSize);
}

// One check mark for the orientation in force: the view shows one of the
// four at a time.
void ContextMenu::setRotateCheck(int rotate)
{
    const int shown = (rotate >= 1 && rotate <= 3) ? rotate : 0;
    for (int i = 0; i < 4; ++i)
        if (QAction* a = action(menu_id::kRotate0 + i))
            a->setChecked(i == shown);
}

} // namespace strovix
