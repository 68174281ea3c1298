#pragma once

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

// A single-shot timer that can be started again before it runs out (each
// start replaces the pending time-out). The motion recording holds its
// recording with one; tests give a timer they run out by hand. GUI thread only.
class HoldTimer {
public:
    virtual ~HoldTimer() = default;
    // Calls `onTimeout` once, `after` from now, unless started again or stopped first.
    virtual void start(std::chrono::milliseconds after, std::function<void()> onTimeout) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The hold timer of the running program, on the event loop of the GUI thread.
class EventLoopHoldTimer final : public HoldTimer {
public:
    EventLoopHoldTimer();
    ~EventLoopHoldTimer() override;

    void start(std::chrono::milliseconds after, std::function<void()> onTimeout) override;
    void stop() override;
    bool isActive() const override;

private:
    std::unique_ptr<QTimer> m_timer;
    std::function<void()> m_onTimeout;
};
