#include "app/emapwindow/eMapForm.h"

#include "app/dialogs/AppDialogs.h"
#include "app/emap/MapCaption.h"
#include "app/emap/MapRemoval.h"
#include "app/emap/PicGO.h"
#include "app/emap/eMapGO.h"
#include "app/emapwindow/EMapHost.h"
#include "app/emapwindow/IconBoard.h"

#include <QCloseEvent>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

namespace {

// The desk, in pixels: the viewport with its scroll bars on the left, the
// home places in two columns of eight on the right, the fields below.
constexpr QRect kViewport(8, 8, 640, 480);
constexpr int kScrollThickness = 16;
constexpr int kHomeLeft = kViewport.right() + 1 + kScrollThickness + 14;
constexpr int kHomeTop = 30;
constexpr int kDeskHeight = 548;

constexpr const char* kCaption = "oculon";
constexpr const char* kNeedPicture = "Please Load Image file.";
constexpr const char* kNeedMap = "Please new layout.";

// "&" in a caption is shown, not taken as a shortcut mark.
QString menuText(const std::string& text)
{
    return QString::fromStdString(text).replace('&', "&&");
}

QIcon builtInPicture(const std::string& name)
{
    const QString file = ":/image/" + QString::fromStdString(name);
    QIcon icon;
    const QPixmap single(file);
    if (single.isNull())
        return icon;
    icon.addPixmap(single);
    QString doubled = file;
    doubled.insert(doubled.lastIndexOf('.'), "@2x");
    QPixmap twice(doubled);
    if (!twice.isNull()) {
        twice.setDevicePixelRatio(2.0);
        icon.addPixmap(twice);
    }
    return icon;
}

// Every picture format this program can read, for the file dialog.
std::string pictureFilter()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(format);
    return "Pictures (" + patterns.join(' ').toStdString() + ");;All files (*)";
}

} // namespace

eMapForm::eMapForm(eMapGO& maps, PicGO& icons, EMapHost& host, Pictures pictures, QWidget* parent)
    : QMainWindow(parent)
    , m_maps(maps)
    , m_icons(icons)
    , m_host(host)
    , m_pictures(pictures ? std::move(pictures) : Pictures(builtInPicture))
{
    setObjectName("eMapForm");
    setWindowTitle("eMap");
    // A window of its own even when the main window is its parent, as large
    // as its fixed desk.
    setWindowFlag(Qt::Window);
    buildDesk();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

eMapForm::~eMapForm() = default;

void eMapForm::buildDesk()
{
    m_desk = new QWidget(this);
    m_desk->setObjectName("eMapDesk");
    m_desk->setFixedSize(kHomeLeft + IconBoard::homeArea().width() + 4, kDeskHeight);
    setCentralWidget(m_desk);

    m_viewport = new QWidget(m_desk);
    m_viewport->setObjectName("Picture2");
    m_viewport->setGeometry(kViewport);
    m_viewport->setAutoFillBackground(true);
    QPalette dark = m_viewport->palette();
    dark.setColor(QPalette::Window, QColor(64, 68, 74));
    m_viewport->setPalette(dark);

    m_map = new QLabel(m_viewport);
    m_map->setObjectName("Picture1");
    m_map->hide();

    const struct {
        const char* name;
        Qt::Orientation orientation;
        QRect place;
        QScrollBar* eMapForm::*member;
    } scrollRows[] = {
        {"HScroll1", Qt::Horizontal, QRect(kViewport.left(), kViewport.bottom() + 1, kViewport.width(), kScrollThickness),
         &eMapForm::m_hScroll},
        {"VScroll1", Qt::Vertical, QRect(kViewport.right() + 1, kViewport.top(), kScrollThickness, kViewport.height()),
         &eMapForm::m_vScroll},
    };
    for (const auto& row : scrollRows) {
        auto* bar = new QScrollBar(row.orientation, m_desk);
        bar->setObjectName(row.name);
        bar->setGeometry(row.place);
        bar->setRange(0, 0);
        bar->setSingleStep(16);
        connect(bar, &QScrollBar::valueChanged, this, &eMapForm::scrolled);
        this->*row.member = bar;
    }

    // Label, field, and where they go on the row below the map.
    const int fieldTop = kViewport.bottom() + 1 + kScrollThickness + 10;
    const struct {
        const char* labelName;
        const char* caption;
        int labelLeft;
        int labelWidth;
        const char* name;
        int width;
        QLineEdit* eMapForm::*member;
    } fieldRows[] = {
        {"eMapNameLbl", "Name", kViewport.left(), 44, "eMapNameTxt", 270, &eMapForm::m_nameTxt},
        {"eMapPosLbl", "Position", kViewport.left() + 330, 60, "eMapPosTxt", 266, &eMapForm::m_posTxt},
    };
    for (const auto& row : fieldRows) {
        auto* label = new QLabel(row.caption, m_desk);
        label->setObjectName(row.labelName);
        label->setGeometry(row.labelLeft, fieldTop, row.labelWidth, 24);
        auto* field = new QLineEdit(m_desk);
        field->setObjectName(row.name);
        field->setGeometry(row.labelLeft + row.labelWidth, fieldTop, row.width, 24);
        label->setBuddy(field);
        this->*row.member = field;
    }

    auto* title = new QLabel("Cameras", m_desk);
    title->setObjectName("CamerasLbl");
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(kHomeLeft, kViewport.top(), IconBoard::homeArea().width(), 18);

    m_board = new IconBoard(m_desk, kViewport, QPoint(kHomeLeft, kHomeTop), picture("cam_pick.gif"), picture("cam.gif"));
    connect(m_board, &IconBoard::pressed, this, &eMapForm::iconPressed);
    connect(m_board, &IconBoard::dropped, this, &eMapForm::iconDropped);
}

void eMapForm::buildMenus()
{
    struct Row {
        const char* name;
        const char* caption;
        void (eMapForm::*command)();
    };
    const auto addRows = [this](QMenu* menu, std::initializer_list<Row> rows) {
        for (const Row& row : rows) {
            QAction* action = menu->addAction(QString::fromUtf8(row.caption));
            action->setObjectName(row.name);
            connect(action, &QAction::triggered, this, row.command);
        }
    };

    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("myFile");
    addRows(file, {
                      {"myNewOne", "New Layout", &eMapForm::newLayout},
                      {"myOpen", "Load Image", &eMapForm::loadImage},
                      {"mySave", "Save", &eMapForm::save},
                      {"myReset", "Reset", &eMapForm::reset},
                      {"myTrash", "Delete", &eMapForm::trash},
                      {"myClose", "Close", &eMapForm::closeAsked},
                  });

    QMenu* layout = menuBar()->addMenu("Layout");
    layout->setObjectName("myWindow");
    for (int n = kFirstMap; n <= kLastMap; ++n) {
        QAction* entry = layout->addAction("Layout");
        entry->setObjectName(QString("myMenu(%1)").arg(n));
        entry->setVisible(false);
        connect(entry, &QAction::triggered, this, [this, n] { goToMap(n); });
        m_entryAction[static_cast<size_t>(n - kFirstMap)] = entry;
    }
    layout->addSeparator();
    addRows(layout, {{"myabout", "About", &eMapForm::about}});

    m_cameraMenu = new QMenu(this);
    m_cameraMenu->setObjectName("CameraMenu");
    addRows(m_cameraMenu, {
                              {"cfgPop", "Application Configuration ", &eMapForm::configure},
                              {"RecListPop", "Record List", &eMapForm::recordList},
                              {"recordPop", "Record", &eMapForm::record},
                              {"playPop", "show video", &eMapForm::playVideo},
                              {"delCamPop", "Remove Camera", &eMapForm::removeCamera},
                          });

    m_eLayoutMenu = new QMenu(this);
    m_eLayoutMenu->setObjectName("eLayoutMenu");
    addRows(m_eLayoutMenu, {{"eLayoutPop", "Go to eLayout", &eMapForm::goToELayout}});
}

// ---- public operations ----

bool eMapForm::showPic(const std::string& file)
{
    QImageReader reader(QString::fromStdString(file));
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_map->setPixmap(QPixmap::fromImage(image));
    m_map->resize(image.size());
    m_map->show();
    m_hScroll->setRange(0, std::max(0, image.width() - kViewport.width()));
    m_hScroll->setPageStep(kViewport.width());
    m_vScroll->setRange(0, std::max(0, image.height() - kViewport.height()));
    m_vScroll->setPageStep(kViewport.height());
    m_hScroll->setValue(0);
    m_vScroll->setValue(0);
    scrolled();
    return true;
}

void eMapForm::setFocusedPic(int16_t slot)
{
    if (slot >= 0 && slot < kIcons)
        m_focusedPic = slot;
}

int eMapForm::createNewMenu()
{
    if (m_entries >= kLastMap)
        return 0;
    ++m_entries;
    QAction* entry = m_entryAction[static_cast<size_t>(m_entries - kFirstMap)];
    entry->setText(menuText(emap::layoutCaption(m_maps.getMap(m_entries))));
    entry->setVisible(true);
    return m_entries;
}

void eMapForm::showlastLayout()
{
    m_maps.loadAllMaps();
    for (QAction* entry : m_entryAction)
        entry->setVisible(false);
    m_entries = 0;
    int last = 0;
    for (int n = kFirstMap; n <= kLastMap; ++n)
        if (!m_maps.getMap(n)->getMapFileName().empty())
            last = n;
    for (int n = kFirstMap; n <= last; ++n)
        createNewMenu();
    showMap(last >= kFirstMap ? kFirstMap : 0);
}

void eMapForm::updateIcon(int16_t uid, bool recording)
{
    if (uid < 0 || uid >= kIcons)
        return;
    m_board->setPicture(uid, picture(recording ? "recording.gif" : "cam.gif"));
}

// ---- opening and closing ----

void eMapForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    m_map->move(0, 0);
    m_map->hide();
    // The stored icons with the stored maps: moves left unsaved at the last
    // Close are gone.
    m_icons.loadAllCameraPicPos();
    showlastLayout();
    for (int16_t uid = 0; uid < kIcons; ++uid)
        updateIcon(uid, m_host.isRecording(uid));
}

void eMapForm::closeEvent(QCloseEvent* event)
{
    m_board->cancelDrag();
    m_opened = false;
    QMainWindow::closeEvent(event);
}

// ---- File menu ----

void eMapForm::newLayout()
{
    if (m_entries >= kLastMap) {
        say("No more than 10 layouts can be made.");
        return;
    }
    storeTexts();
    // A slot past the listed ones is empty; whatever a stray record there
    // held is not part of the new layout.
    eMap* fresh = m_maps.getMap(m_entries + 1);
    fresh->setMapFileName("");
    fresh->setName("");
    fresh->setPos("");
    m_currentMap = createNewMenu();
    clearPicture();
    m_nameTxt->clear();
    m_posTxt->clear();
    arrangeIcons();
}

void eMapForm::loadImage()
{
    if (m_currentMap == 0) {
        say(kNeedMap);
        return;
    }
    const auto file = AppDialogs::current().openFileName(this, "Please select picture file", pictureFilter());
    if (!file || file->empty())
        return;
    if (!showPic(*file)) {
        say("The picture file " + *file + " cannot be read.");
        return;
    }
    currentRecord()->setMapFileName(*file);
    m_nameTxt->setText(QString::fromStdString(emap::pictureTitle(*file)));
    arrangeIcons();
}

void eMapForm::save()
{
    for (int i = 0; i < kIcons; ++i)
        m_icons.getCameraPicPos(i)->save();
    storeTexts();
    refreshCaptions();
    for (int n = kFirstMap; n <= m_entries; ++n)
        m_maps.getMap(n)->save();
}

void eMapForm::reset()
{
    if (m_currentMap == 0)
        return;
    for (int i = 0; i < kIcons; ++i)
        if (m_icons.getCameraPicPos(i)->getMapID() == m_currentMap)
            resetIcon(i);
}

CameraPicPos* eMapForm::resetIcon(int slot)
{
    m_board->sendHome(slot);
    CameraPicPos* icon = m_icons.getCameraPicPos(slot);
    const QPoint home = m_board->homeOf(slot);
    icon->setPicXPos(static_cast<float>(home.x()));
    icon->setPicYPos(static_cast<float>(home.y()));
    icon->setFlg(false);
    icon->setMapID(0);
    return icon;
}

void eMapForm::trash()
{
    if (m_currentMap == 0)
        return;
    const int removed = m_currentMap;
    clearPicture();
    for (int i = 0; i < kIcons; ++i)
        if (m_icons.getCameraPicPos(i)->getMapID() == removed)
            resetIcon(i)->save();
    emap::closeMapGap(m_maps, m_icons, removed, m_entries);
    m_entryAction[static_cast<size_t>(m_entries - kFirstMap)]->setVisible(false);
    --m_entries;
    refreshCaptions();
    // The map before the deleted one, else the one that took its place.
    m_currentMap = 0;
    showMap(removed > kFirstMap ? removed - 1 : (m_entries >= kFirstMap ? kFirstMap : 0));
}

void eMapForm::closeAsked()
{
    const AppDialogs::Box box{kCaption, "Are you sure?", AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo};
    if (AppDialogs::current().ask(this, box) == AppDialogs::Answer::Yes)
        close();
}

// ---- Layout menu ----

void eMapForm::goToMap(int slot)
{
    if (slot < kFirstMap || slot > m_entries)
        return;
    m_hScroll->setValue(0);
    m_vScroll->setValue(0);
    if (slot != m_currentMap) {
        storeTexts();
        m_currentMap = slot;
        m_nameTxt->setText(QString::fromStdString(currentRecord()->getName()));
        m_posTxt->setText(QString::fromStdString(currentRecord()->getPos()));
    }
    const bool hasFile = currentHasPicture();
    displayCurrentPicture();
    arrangeIcons();
    if (!hasFile)
        say(kNeedPicture);
}

void eMapForm::about()
{
    AppDialogs::current().ask(this, {"About", std::string("oculon\nVersion ") + OCULON_VERSION,
                                     AppDialogs::Icon::Information, AppDialogs::Buttons::Ok});
}

// ---- icon pop-up ----

void eMapForm::configure()
{
    m_host.showCameraConfiguration(m_focusedPic);
}

void eMapForm::recordList()
{
    m_host.showRecordList(m_focusedPic);
}

void eMapForm::record()
{
    m_host.toggleRecording(m_focusedPic);
    updateIcon(m_focusedPic, m_host.isRecording(m_focusedPic));
}

void eMapForm::playVideo()
{
    m_host.showSingleVideo(m_focusedPic);
}

void eMapForm::removeCamera()
{
    m_board->sendHome(m_focusedPic);
}

void eMapForm::goToELayout()
{
    show();
    raise();
    activateWindow();
}

// ---- dragging ----

void eMapForm::iconPressed(int slot, Qt::MouseButton button, QPoint global)
{
    if (button == Qt::RightButton) {
        setFocusedPic(static_cast<int16_t>(slot));
        m_cameraMenu->popup(global);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    setFocusedPic(static_cast<int16_t>(slot));
    if (!currentHasPicture()) {
        say(kNeedPicture);
        return;
    }
    m_board->startDrag(slot, global);
}

void eMapForm::iconDropped(int slot, QPoint corner)
{
    CameraPicPos* record = m_icons.getCameraPicPos(slot);
    // Only the top left corner decides: an icon hanging out of the viewport
    // stays as long as that corner is inside.
    if (!kViewport.contains(corner)) {
        m_board->sendHome(slot);
        record->setFlg(false);
        return;
    }
    const QPoint onMap = corner - mapOrigin();
    record->setPicXPos(static_cast<float>(onMap.x()));
    record->setPicYPos(static_cast<float>(onMap.y()));
    record->setFlg(true);
    record->setMapID(static_cast<int16_t>(m_currentMap));
    m_board->putAt(slot, corner);
}

// ---- maps ----

eMap* eMapForm::currentRecord() const
{
    return m_currentMap >= kFirstMap ? m_maps.getMap(m_currentMap) : nullptr;
}

bool eMapForm::currentHasPicture() const
{
    const eMap* map = currentRecord();
    return map && !map->getMapFileName().empty();
}

void eMapForm::showMap(int slot)
{
    m_currentMap = slot;
    const eMap* map = currentRecord();
    m_nameTxt->setText(map ? QString::fromStdString(map->getName()) : QString());
    m_posTxt->setText(map ? QString::fromStdString(map->getPos()) : QString());
    m_hScroll->setValue(0);
    m_vScroll->setValue(0);
    displayCurrentPicture();
    arrangeIcons();
}

bool eMapForm::displayCurrentPicture()
{
    if (!currentHasPicture()) {
        clearPicture();
        return false;
    }
    const std::string& file = currentRecord()->getMapFileName();
    if (showPic(file))
        return true;
    clearPicture();
    say("The picture file " + file + " cannot be read.");
    return false;
}

void eMapForm::clearPicture()
{
    m_map->clear();
    m_map->hide();
    m_map->move(0, 0);
    m_hScroll->setRange(0, 0);
    m_vScroll->setRange(0, 0);
}

void eMapForm::storeTexts()
{
    if (eMap* map = currentRecord()) {
        map->setName(m_nameTxt->text().toStdString());
        map->setPos(m_posTxt->text().toStdString());
    }
}

void eMapForm::refreshCaptions()
{
    for (int n = kFirstMap; n <= m_entries; ++n)
        m_entryAction[static_cast<size_t>(n - kFirstMap)]->setText(menuText(emap::layoutCaption(m_maps.getMap(n))));
}

void eMapForm::say(const std::string& text)
{
    AppDialogs::current().ask(this, {kCaption, text, AppDialogs::Icon::None, AppDialogs::Buttons::Ok});
}

// ---- icons ----

bool eMapForm::placedOnAListedMap(int slot) const
{
    const CameraPicPos* record = m_icons.getCameraPicPos(slot);
    return record->getFlg() && record->getMapID() >= kFirstMap && record->getMapID() <= m_entries;
}

// Icons on the current map (when its picture shows) sit at their places,
// icons on another listed map are hidden (their home place stays empty), the
// others sit at home.
void eMapForm::arrangeIcons()
{
    const bool pictureShown = currentHasPicture() && m_map->isVisible();
    for (int i = 0; i < kIcons; ++i) {
        if (i == m_board->dragging())
            continue;
        if (!placedOnAListedMap(i))
            m_board->sendHome(i);
        else if (pictureShown && m_icons.getCameraPicPos(i)->getMapID() == m_currentMap)
            putOnMap(i);
        else
            m_board->hide(i);
    }
}

void eMapForm::putOnMap(int slot)
{
    const CameraPicPos* record = m_icons.getCameraPicPos(slot);
    m_board->putAt(slot, mapOrigin() + QPoint(static_cast<int>(record->getPicXPos()),
                                              static_cast<int>(record->getPicYPos())));
}

void eMapForm::scrolled()
{
    m_map->move(-m_hScroll->value(), -m_vScroll->value());
    for (int i = 0; i < kIcons; ++i)
        if (m_board->isOnMap(i) && i != m_board->dragging())
            putOnMap(i);
}

QPoint eMapForm::mapOrigin() const
{
    return kViewport.topLeft() + m_map->pos();
}

QPixmap eMapForm::picture(const std::string& name) const
{
    const QIcon icon = m_pictures(name);
    if (icon.isNull())
        return {};
    QSize natural = icon.availableSizes().value(0);
    for (const QSize& size : icon.availableSizes())
        if (size.width() < natural.width())
            natural = size;
    return icon.pixmap(natural, devicePixelRatioF());
}
