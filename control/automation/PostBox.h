#pragma once

#include "control/automation/ReplyMessages.h"

#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

class QObject;

namespace strovix {

// The control's message target: worker threads post (message, wParam) pairs
// that the window thread hands to the handler, in order. Created and closed
// on the window thread; post and send are safe from any thread, also after
// close (the message is then dropped).
class PostBox {
public:
    using Handler = std::function<void(ReplyMessage, intptr_t)>;
    explicit PostBox(Handler handler);
    ~PostBox();

    void post(ReplyMessage message, intptr_t wParam);
    // Posts and waits until the handler ran, the box was closed or `stop`
    // reads true (polled every 10 ms).
    void send(ReplyMessage message, intptr_t wParam, const std::atomic<bool>& stop);
    // Runs `call` on the window thread (dropped after close).
    void invoke(std::function<void()> call) { postCall(std::move(call)); }
    // Window thread: no handler runs after this returns.
    void close();

private:
    void postCall(std::function<void()> call);

    std::mutex m_lock;
    // Guarded by m_lock:
    QObject* m_target = nullptr;
    Handler m_handler; // window thread only
};

} // namespace strovix
