#include "control/session/MessageTarget.h"

#include "control/session/SanitizerHandOff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <chrono>
#include <utility>
#include <condition_variable>

namespace strovix {
namespace {

// The wait of one sent message, shared by the sender and the queued event.
struct SendState {
    std::mutex lock;
    std::condition_variable cv;
    bool finished = false;  // handled, or dropped without handling
    bool abandoned = false; // the sender stopped waiting: do not handle
    std::optional<long> result;

    void finish(std::optional<long> r)
    {
        {
            std::lock_guard g(lock);
            if (finished)
                return;
            finished = true;
            result = r;
        }
        cv.notify_all();
    }
};

QEvent::Type vidEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class VidEvent : public QEvent {
public:
    VidEvent(VidMessageArgs args, std::shared_ptr<SendState> wait)
        : QEvent(vidEventType()), m_args(std::move(args)), m_wait(std::move(wait))
    {
    }
    // An event destroyed without being handled (target closed) still releases
    // its sender.
    ~VidEvent() override
    {
        takeOver(this);
        if (m_wait)
            m_wait->finish(std::nullopt);
    }
    VidMessageArgs m_args;
    std::shared_ptr<SendState> m_wait;
};

class Receiver : public QObject {
public:
    explicit Receiver(MessageTarget* target) : m_target(target) {}
    bool event(QEvent* e) override
    {
        takeOver(e);
        if (e->type() != vidEventType())
            return QObject::event(e);
        auto* ev = static_cast<VidEvent*>(e);
        if (ev->m_wait) {
            {
                std::lock_guard g(ev->m_wait->lock);
                if (ev->m_wait->abandoned)
                    return true;
            }
            const long r = m_target->dispatch(ev->m_args);
            ev->m_wait->finish(r);
        } else {
            m_target->dispatch(ev->m_args);
        }
        return true;
    }

private:
    MessageTarget* m_target;
};

} // namespace

MessageTarget::MessageTarget() : m_receiver(new Receiver(this)) {}

MessageTarget::~MessageTarget()
{
    std::lock_guard g(m_lock);
    if (!m_receiver)
        return;
    // Normally close() ran on the GUI thread already; otherwise let the GUI
    // thread delete the receiver (its pending events go with it).
    QObject* r = std::exchange(m_receiver, nullptr);
    if (QThread::currentThread() == r->thread())
        delete r;
    else
        r->deleteLater();
}

void MessageTarget::setHandler(unsigned msg, Handler handler)
{
    if (handler)
        m_handlers[msg] = std::move(handler);
    else
        m_handlers.erase(msg);
}

void MessageTarget::setFallbackHandler(Handler handler)
{
    m_fallback = std::move(handler);
}

long MessageTarget::dispatch(const VidMessageArgs& args)
{
    if (auto it = m_handlers.find(args.msg); it != m_handlers.end())
        return it->second(args);
    if (m_fallback)
        return m_fallback(args);
    return 0;
}

bool MessageTarget::post(unsigned msg, uintptr_t wParam, intptr_t lParam, std::string text, uint64_t tag)
{
    std::lock_guard g(m_lock);
    if (!m_receiver)
        return false;
    auto* event = new VidEvent({msg, wParam, lParam, std::move(text), tag}, nullptr);
    handOver(event);
    QCoreApplication::postEvent(m_receiver, event);
    return true;
}

std::optional<long> MessageTarget::send(unsigned msg, uintptr_t wParam, intptr_t lParam, const std::atomic<int>& stop)
{
    auto wait = std::make_shared<SendState>();
    bool here = false;
    {
        std::lock_guard g(m_lock);
        if (!m_receiver)
            return std::nullopt;
        here = QThread::currentThread() == m_receiver->thread();
        if (!here) {
            auto* event = new VidEvent({msg, wParam, lParam, {}, 0}, wait);
            handOver(event);
            QCoreApplication::postEvent(m_receiver, event);
        }
    }
    // The handler runs without the lock: it may post, and workers posting
    // meanwhile are not held up.
    if (here)
        return dispatch({msg, wParam, lParam, {}, 0});
    std::unique_lock g(wait->lock);
    while (!wait->finished) {
        if (stop.load() != 0) {
            wait->abandoned = true;
            return std::nullopt;
        }
        wait->cv.wait_for(g, std::chrono::milliseconds(50));
    }
    return wait->result;
}

void MessageTarget::processPending()
{
    QObject* r = nullptr;
    {
        std::lock_guard g(m_lock);
        r = m_receiver;
    }
    if (r)
        QCoreApplication::sendPostedEvents(r, vidEventType());
}

void MessageTarget::close()
{
    QObject* r = nullptr;
    {
        std::lock_guard g(m_lock);
        r = std::exchange(m_receiver, nullptr);
    }
    delete r; // removes (and destroys) its pending events
    m_handlers.clear();
    m_fallback = nullptr;
}

} // namespace strovix
