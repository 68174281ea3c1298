#include "app/core/HoldTimer.h"

#include <QTimer>

EventLoopHoldTimer::EventLoopHoldTimer()
    : m_timer(std::make_unique<QTimer>())
{
    m_timer->setSingleShot(true);
    // The handler runs from a copy, as it may start the timer again with another.
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] {
        if (auto onTimeout = m_onTimeout)
            onTimeout();
    });
}

EventLoopHoldTimer::~EventLoopHoldTimer() = default;

void EventLoopHoldTimer::start(std::chrono::milliseconds after, std::function<void()> onTimeout)
{
    m_onTimeout = std::move(onTimeout);
    m_timer->start(after);
}

void EventLoopHoldTimer::stop()
{
    m_timer->stop();
}

bool EventLoopHoldTimer::isActive() const
{
    return m_timer->isActive();
}
