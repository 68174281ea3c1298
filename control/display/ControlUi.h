#pragma once

#include "control/display/ContextMenu.h"
#include "control/display/ControlUiOwner.h"
#include "control/display/ControlWindow.h"
#include "control/display/StatusBar.h"
#include "control/stream/Frame.h"

#include <QPoint>
#include <QPointer>
#include <QSize>

#include <memory>
#include <string>

class QMenu;

namespace strovix {

class Display;

// The control's own user interface on its window: the context menu and its
// commands, the status bar (pinned or shown while the pointer is near the
// bottom), the pane pop-up menus and the F11 and F12 keys. The display owns
// it; the control object is its ControlUiOwner. GUI thread only.
class ControlUi {
public:
    explicit ControlUi(Display& display);
    ~ControlUi();
    ControlUi(const ControlUi&) = delete;
    ControlUi& operator=(const ControlUi&) = delete;

    // The owner sets itself once; null: the commands it carries out do nothing.
    void setOwner(ControlUiOwner* owner) { m_owner = owner; }

    // Made at first use: a control can exist before the application object
    // that widgets need (registration, automation without a window).
    ContextMenu& contextMenu();
    StatusBar* statusBar() const { return m_bar.data(); }
    bool statusBarPinned() const { return m_pinned; }

    // The control window was created: the status bar is made with its
    // initial texts (shown only when pinned).
    void windowCreated(ControlWindow* window);
    // Writes a pane; nothing happens while the status bar does not exist.
    void setPaneText(int pane, const std::string& text);

    // A right press in cell `cell`: the cell and its last picture are
    // remembered, the removals applied and the menu shown at `globalPos`.
    void openContextMenu(int cell, QPoint globalPos);
    int clickedCell() const { return m_clickedCell; }
    const Frame& snapshot() const { return m_snapshot; }
    // A menu choice (WM_COMMAND).
    void command(int id);
    // A key from a cell (Qt::Key).
    void key(int key);
    // A click on a pane (WM_VID_POPUPMENU); returns the menu that opened.
    QMenu* paneClicked(int pane, QPoint globalPos);
    // The pointer rests at `globalPos` over a cell.
    void hover(QPoint globalPos);
    // The status bar lost the focus (WM_VID_HIDESTATUSBAR).
    void statusBarFocusLost();
    // The control window has a new size.
    void windowResized(QSize size);

    // The About text with the build date and time.
    static std::string aboutText();

private:
    void prepareMenu();
    void togglePinned();
    void placeBar();

    Display& m_display;
    ControlUiOwner* m_owner = nullptr;
    std::unique_ptr<ContextMenu> m_menu;
    QPointer<StatusBar> m_bar;
    QPointer<ControlWindow> m_window;
    bool m_pinned = false;
    int m_clickedCell = -1;
    Frame m_snapshot;
};

} // namespace strovix
