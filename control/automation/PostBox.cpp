#include "control/automation/PostBox.h"

#include <QMetaObject>
#include <QObject>
#include <chrono>
#include <memory>
#include <thread>

namespace strovix {

PostBox::PostBox(Handler handler) : m_target(new QObject), m_handler(std::move(handler)) { }

PostBox::~PostBox() { close(); }

void PostBox::close()
{
    QObject* target = nullptr;
    {
        std::lock_guard lock(m_lock);
        target = std::exchange(m_target, nullptr);
    }
    // Deleting the target discards the calls still queued for it.
    delete target;
}

void PostBox::postCall(std::function<void()> call)
{
    std::lock_guard lock(m_lock);
    if (m_target)
        QMetaObject::invokeMethod(m_target, std::move(call), Qt::QueuedConnection);
}

void PostBox::post(ReplyMessage message, intptr_t wParam)
{
    postCall([this, message, wParam] { m_handler(message, wParam); });
}

void PostBox::send(ReplyMessage message, intptr_t wParam, const std::atomic<bool>& stop)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    postCall([this, message, wParam, done] {
        m_handler(message, wParam);
        done->store(true);
    });
    for (;;) {
        if (done->load() || stop.load())
            return;
        {
            std::lock_guard lock(m_lock);
            if (!m_target)
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace strovix
