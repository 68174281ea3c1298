#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

// Runs the event loop until `done` holds or `timeoutMs` passed (a bound for a
// stuck test, not a speed target). True when `done` held.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 30000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
