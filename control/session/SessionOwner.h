#pragma once

#include "control/session/LinkState.h"

#include <string>
#include <string_view>

namespace strovix {

// What the session tells the control that owns it. Set with
// Session::setOwner before the first URL; a session without an owner tells
// nobody.
class SessionOwner {
public:
    virtual ~SessionOwner() = default;

    // Window thread: pane `pane` (0..6) shows `text` now, the current
    // address's password masked.
    virtual void paneTextChanged(int pane, const std::string& text) = 0;
    // Window thread: the current connection reports why its camera sends no
    // pictures (the view shows it); `attempt` is the attempt number for
    // Retrying, else 0.
    virtual void linkStateChanged(LinkState state, int attempt) = 0;
    // Window thread, during the connect sequence after the connection state
    // was reset (the control clears its camera state and its menus here).
    virtual void connectReset() = 0;
    // Window thread: start the audio thread (Audio is 1 and the camera of a
    // new connection has answered).
    virtual void startAudio() = 0;
    // Window thread: stop the audio thread (at reconnect and destruction);
    // must return within 3000 ms.
    virtual void stopAudio() = 0;

    // The next two come on a connection thread, never after the session's
    // destruction has waited for its workers. They must not wait for the
    // window thread (it may be waiting for this thread).

    // Connection thread, after each login (the control shows its text and
    // asks for the camera clock here).
    virtual void loggedIn() = 0;
    // Connection thread: every whole status block, when no status
    // interpreter factory is set.
    virtual void statusBlock(std::string_view block) = 0;
};

} // namespace strovix
