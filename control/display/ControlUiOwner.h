#pragma once

#include "control/stream/Frame.h"

namespace strovix {

class ContextMenu;

// What the control's own user interface asks of the control that owns it:
// the menu's state before it opens and the commands it cannot carry out
// itself. Set once with ControlUi::setOwner; without an owner the commands do
// nothing. All calls come on the window thread.
class ControlUiOwner {
public:
    virtual ~ControlUiOwner() = default;

    // Before the menu (or a pane's submenu) opens: apply the removal masks
    // and bring texts, login level and the camera's submenus up to date.
    virtual void menuOpening(ContextMenu& menu) = 0;
    // "Image Recording(F11)..." or F11.
    virtual void recordCommand() = 0;
    // "Save Current Picture As(F12)..." or F12, with the save buffer.
    virtual void savePicture(Frame picture) = 0;
    // "Log in again...".
    virtual void loginAgain() = 0;
    // StatusBarCtrl: 0 disables the pane pop-ups.
    virtual int statusBarCtrl() = 0;
    // The camera's open state (-1 unknown, 0 closed, 1 open).
    virtual int openState() = 0;
};

} // namespace strovix
