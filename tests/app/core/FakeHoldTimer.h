#pragma once

// Hold timers that run out only when a test says so. The factory keeps a
// pointer to every timer it made (in order) for the test to inspect and run out.

#include "app/core/HoldTimer.h"

#include <memory>
#include <vector>

class FakeHoldTimer final : public HoldTimer {
public:
    void start(std::chrono::milliseconds after, std::function<void()> onTimeout) override
    {
        m_after = after;
        m_onTimeout = std::move(onTimeout);
        m_active = true;
        ++starts;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    // Runs the timer out as the event loop would: only an active timer fires.
    void runOut()
    {
        if (!m_active)
            return;
        m_active = false;
        if (auto onTimeout = m_onTimeout)
            onTimeout();
    }
    std::chrono::milliseconds after() const { return m_after; }

    int starts = 0;

private:
    std::function<void()> m_onTimeout;
    std::chrono::milliseconds m_after{0};
    bool m_active = false;
};

// Set as CameraGO's hold timer factory.
struct FakeHoldTimers {
    std::vector<FakeHoldTimer*> made;

    std::function<std::unique_ptr<HoldTimer>()> factory()
    {
        return [this] {
            auto timer = std::make_unique<FakeHoldTimer>();
            made.push_back(timer.get());
            return timer;
        };
    }
};
