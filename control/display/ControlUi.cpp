#include "control/display/ControlUi.h"

#include "control/display/ControlDialogs.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/display/StatusBar.h"
#include "control/session/Panes.h"

#include <QMenu>

namespace strovix {

namespace {

const char* const kRotatePaneTexts[] = {"0 Rotate", "180 Rotate", "Horizontal", "Vertical"};

} // namespace

ControlUi::ControlUi(Display& display) : m_display(display) { }

ContextMenu& ControlUi::contextMenu()
{
    if (!m_menu) {
        m_menu = std::make_unique<ContextMenu>();
        m_menu->command = [this](int id) { command(id); };
        m_menu->setRotateCheck(m_display.rotate());
    }
    return *m_menu;
}

ControlUi::~ControlUi()
{
    delete m_bar.data();
}

std::string ControlUi::aboutText()
{
    return std::string("\n   Vidorra Server Push \n          ( self-decoder )\n            Version v1.0\n \t") + "\n" +
        __DATE__ + " " + __TIME__;
}

void ControlUi::windowCreated(ControlWindow* window)
{
    delete m_bar.data();
    m_window = window;
    m_bar = new StatusBar(window);
    m_bar->paneClicked = [this](int pane, QPoint pos) { paneClicked(pane, pos); };
    m_bar->focusLost = [this] { statusBarFocusLost(); };
    const int open = m_owner ? m_owner->openState() : -1;
    m_bar->setPaneText(pane::kStatus, open != 0 ? "Open" : "Close");
    m_bar->setPaneText(pane::kRotate, m_display.rotate() != 0 ? "Rotate" : "Normal");
    contextMenu().setRotateCheck(m_display.rotate());
    m_display.setStatusBarArea(m_pinned, m_bar->barHeight());
    m_bar->setVisible(m_pinned);
    placeBar();
}

void ControlUi::setPaneText(int pane, const std::string& text)
{
    if (m_bar)
        m_bar->setPaneText(pane, text);
}

void ControlUi::placeBar()
{
    if (!m_bar || !m_window)
        return;
    const int h = m_bar->barHeight();
    m_bar->setGeometry(0, m_window->height() - h, m_window->width(), h);
    m_bar->fitToWidth(m_window->width());
    m_bar->raise();
}

void ControlUi::windowResized(QSize) { placeBar(); }

void ControlUi::prepareMenu()
{
    if (m_owner)
        m_owner->menuOpening(contextMenu());
    contextMenu().setViewState(m_display.resizable(), m_display.actualSize(), m_pinned);
    contextMenu().setRotateCheck(m_display.rotate());
}

void ControlUi::openContextMenu(int cell, QPoint globalPos)
{
    m_clickedCell = cell;
    m_snapshot = m_display.cellLastFrame(cell);
    prepareMenu();
    contextMenu().menu()->popup(globalPos);
}

void ControlUi::command(int id)
{
    using namespace menu_id;
    if (id >= kSplit1 && id <= kSplit1 + 3) {
        m_display.chooseSplit(id - kSplit1 + 1);
    } else if (id >= kRotate0 && id <= kRotate0 + 3) {
        const int value = id - kRotate0;
        m_display.setRotate(value);
        contextMenu().setRotateCheck(value);
        if (DisplayOwner* owner = m_display.owner())
            owner->paneText(pane::kRotate, kRotatePaneTexts[value]);
    } else if (id == kResizable) {
        m_display.setResizable(!m_display.resizable());
    } else if (id == kActualSize) {
        m_display.setActualSize(!m_display.actualSize());
    } else if (id == kStatusBar) {
        togglePinned();
    } else if (id == kRecording) {
        if (m_owner)
            m_owner->recordCommand();
    } else if (id == kSavePicture) {
        if (m_owner)
            m_owner->savePicture(m_snapshot);
    } else if (id == kLoginAgain) {
        if (m_owner)
            m_owner->loginAgain();
    } else if (id == kAbout) {
        ControlDialogs::current().message(m_window, "About Vidorra", aboutText(), ControlDialogs::Icon::Information);
    }
    contextMenu().setViewState(m_display.resizable(), m_display.actualSize(), m_pinned);
}

void ControlUi::togglePinned()
{
    if (m_bar && m_bar->isVisible() && m_pinned) {
        m_pinned = false;
        m_bar->hide();
    } else {
        m_pinned = true;
        if (m_bar) {
            m_bar->show();
            placeBar();
        }
    }
    m_display.setStatusBarArea(m_pinned, m_bar ? m_bar->barHeight() : 0);
    m_display.sizeToPicture();
}

void ControlUi::key(int key)
{
    if (key == Qt::Key_F11) {
        command(menu_id::kRecording);
    } else if (key == Qt::Key_F12) {
        if (!m_window || m_window->cells().size() != 1)
            return;
        m_snapshot = m_display.cellLastFrame(0);
        if (m_owner)
            m_owner->savePicture(m_snapshot);
    }
}

QMenu* ControlUi::paneClicked(int pane, QPoint globalPos)
{
    if (!m_bar || (m_owner && m_owner->statusBarCtrl() == 0))
        return nullptr;
    prepareMenu();
    QMenu* menu = nullptr;
    switch (pane) {
    case 1: menu = contextMenu().resolutionMenu(); break;
    case 2: menu = contextMenu().qualityMenu(); break;
    case 3: menu = contextMenu().splitsMenu(); break;
    case 4: menu = contextMenu().rotateMenu(); break;
    default: break;
    }
    if (!menu)
        return nullptr;
    const int top = m_bar->mapToGlobal(QPoint(0, 0)).y();
    menu->popup(QPoint(globalPos.x(), top - menu->sizeHint().height()));
    return menu;
}

void ControlUi::hover(QPoint globalPos)
{
    if (!m_bar || !m_window || m_bar->isVisible())
        return;
    const QPoint local = m_window->mapFromGlobal(globalPos);
    if (local.y() < m_window->height() - m_bar->barHeight() || local.y() >= m_window->height())
        return;
    // Shown over the bottom of the cells; only the pinned bar takes room.
    placeBar();
    m_bar->show();
    m_bar->setFocus(Qt::OtherFocusReason);
}

void ControlUi::statusBarFocusLost()
{
    if (m_bar && !m_pinned)
        m_bar->hide();
}

} // namespace strovix
