#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "control/session/ThreadCheck.h"

class QObject;

namespace strovix {

// One message as the window thread sees it. `text` carries a string payload
// for the messages that need one (the pane text); empty otherwise.
struct VidMessageArgs {
    unsigned msg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::string text;
    // Who posted it, when that matters (the session marks its connection's
    // messages); 0 otherwise.
    uint64_t tag = 0;
};

// The control's message target: the stand-in for the control window's private
// messages, and the one road by which anything running on another thread
// hands work to the window thread (messages, sent messages, queued calls).
// Created on the GUI thread (the control's window thread); held by shared
// ownership so that worker threads, even detached ones, can always post to
// it safely. After close() every post, send and call is dropped. The owner
// closes it on the window thread before the last reference goes (checked in
// debug and sanitizer builds).
class MessageTarget {
public:
    using Handler = std::function<long(const VidMessageArgs&)>;

    // GUI thread. Needs a running Qt application object.
    MessageTarget();
    ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // GUI thread. The handler of one message number; replaces an earlier one.
    // An empty function removes it.
    void setHandler(unsigned msg, Handler handler);
    // GUI thread. Handles every message that has no handler of its own.
    void setFallbackHandler(Handler handler);

    // Any thread. Queues the message for the GUI thread and returns at once.
    // False when the target is closed.
    bool post(unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0, std::string text = {}, uint64_t tag = 0);

    // Any thread. Queues the message and waits until the GUI thread has
    // handled it, or until `stop` reads nonzero (checked every 50 ms), or
    // until the target is closed. Returns the handler's result, or nothing
    // when the wait gave up (the message is then dropped unhandled). Called on
    // the GUI thread itself, the handler runs at once.
    // `text` travels as the message's text.
    std::optional<long> send(unsigned msg, uintptr_t wParam, intptr_t lParam, const std::atomic<int>& stop,
                             std::string text = {});

    // Any thread. Queues `call` to run on the GUI thread, in order with the
    // messages. False (and `call` is dropped) when the target is closed.
    bool invoke(std::function<void()> call);

    // GUI thread. An object destroyed when the target closes: GUI-thread code
    // ties to it what must end with the target (a dialog a worker opened).
    // Null once closed.
    QObject* lifetime() const;

    // GUI thread. Handles the messages already queued for this target now
    // (used while the window thread waits for workers).
    void processPending();

    // GUI thread. Drops pending messages and calls and refuses new ones;
    // a sender waiting meanwhile is released without a result.
    void close();

    // GUI thread: runs the handler of one message (used by the queue).
    long dispatch(const VidMessageArgs& args);

private:
    OwnerThread m_owner;
    mutable std::mutex m_lock;
    // Guarded by m_lock (pointer only; the object lives on the GUI thread):
    QObject* m_receiver = nullptr;
    // GUI thread only:
    std::map<unsigned, Handler> m_handlers;
    Handler m_fallback;
};

using MessageTargetPtr = std::shared_ptr<MessageTarget>;

} // namespace strovix
