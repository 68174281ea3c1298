#include "control/session/MessageTarget.h"

#include "control/session/SanitizerHandOff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <utility>

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

// One message, sent message or queued call on its way to the GUI thread.
class VidEvent : public QEvent {
public:
    VidEvent(VidMessageArgs args, std::shared_ptr<SendState> wait)
        : QEvent(vidEventType()), m_args(std::move(args)), m_wait(std::move(wait))
    {
    }
    explicit VidEvent(std::function<void()> call) : QEvent(vidEventType()), m_call(std::move(call)) { }
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
    std::function<void()> m_call;
};

class Receiver : public QObject {
public:
    explicit Receiver(MessageTarget* target) : m_target(target) {}
    // Any thread: no event reaches the target after this.
    void detach() { m_target.store(nullptr); }
    bool event(QEvent* e) override
    {
        takeOver(e);
        if (e->type() != vidEventType())
            return QObject::event(e);
        auto* ev = static_cast<VidEvent*>(e);
        MessageTarget* target = m_target.load();
        if (!target)
            return true; // the event is destroyed unhandled, releasing its sender
        // A handler that throws must not unwind through the event loop into
        // the host: its message counts as unhandled (a sender gets no result).
        try {
            deliver(*target, *ev);
        } catch (...) {
        }
        return true;
    }

private:
    static void deliver(MessageTarget& target, VidEvent& ev)
    {
        if (ev.m_call) {
            ev.m_call();
        } else if (ev.m_wait) {
            {
                std::lock_guard g(ev.m_wait->lock);
                if (ev.m_wait->abandoned)
                    return;
            }
            const long r = target.dispatch(ev.m_args);
            ev.m_wait->finish(r);
        } else {
            target.dispatch(ev.m_args);
        }
    }


private:
    std::atomic<MessageTarget*> m_target;
};

} // namespace

MessageTarget::MessageTarget() : m_receiver(new Receiver(this)) {}

MessageTarget::~MessageTarget()
{
    QObject* r = nullptr;
    {
        std::lock_guard g(m_lock);
        r = std::exchange(m_receiver, nullptr);
    }
    STROVIX_CHECK(!r, "message target destroyed before it was closed");
    if (!r)
        return;
    // An owner that did not close the target (a release build; the check
    // above stops debug and sanitizer builds): the receiver is cut off from
    // this object first, so no event still queued for it reaches the target
    // being destroyed, and its pending events are destroyed here unhandled,
    // releasing their senders. The receiver goes at once on the GUI thread;
    // from another thread it is left to the GUI thread's deferred deletion,
    // where it handles nothing any more. An event the GUI thread is handling
    // at this very moment is the one case this cannot cover, which is why
    // closing on the window thread first is the rule.
    static_cast<Receiver*>(r)->detach();
    QCoreApplication::removePostedEvents(r);
    if (QThread::currentThread() == r->thread())
        delete r;
    else
        r->deleteLater();
}

void MessageTarget::setHandler(unsigned msg, Handler handler)
{
    STROVIX_CHECK_OWNER_THREAD(m_owner);
    if (handler)
        m_handlers[msg] = std::move(handler);
    else
        m_handlers.erase(msg);
}

void MessageTarget::setFallbackHandler(Handler handler)
{
    STROVIX_CHECK_OWNER_THREAD(m_owner);
    m_fallback = std::move(handler);
}

long MessageTarget::dispatch(const VidMessageArgs& args)
{
    STROVIX_CHECK_OWNER_THREAD(m_owner);
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

bool MessageTarget::invoke(std::function<void()> call)
{
    std::lock_guard g(m_lock);
    if (!m_receiver)
        return false;
    auto* event = new VidEvent(std::move(call));
    handOver(event);
    QCoreApplication::postEvent(m_receiver, event);
    return true;
}

QObject* MessageTarget::lifetime() const
{
    STROVIX_CHECK_OWNER_THREAD(m_owner);
    std::lock_guard g(m_lock);
    return m_receiver;
}

std::optional<long> MessageTarget::send(unsigned msg, uintptr_t wParam, intptr_t lParam, const std::atomic<int>& stop,
                                        std::string text)
{
    auto wait = std::make_shared<SendState>();
    bool here = false;
    {
        std::lock_guard g(m_lock);
        if (!m_receiver)
            return std::nullopt;
        here = QThread::currentThread() == m_receiver->thread();
        if (!here) {
            auto* event = new VidEvent({msg, wParam, lParam, text, 0}, wait);
            handOver(event);
            QCoreApplication::postEvent(m_receiver, event);
        }
    }
    // The handler runs without the lock: it may post, and workers posting
    // meanwhile are not held up.
    if (here)
        return dispatch({msg, wParam, lParam, std::move(text), 0});
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
    STROVIX_CHECK_OWNER_THREAD(m_owner);
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
    STROVIX_CHECK_OWNER_THREAD(m_owner);
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
