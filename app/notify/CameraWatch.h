#pragma once

#include "app/notify/Notifier.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Watches what the cameras' views say and tells the log and the desktop: a
// camera lost for more than 30 s, the same camera back, a recording that
// failed. Main thread, checked about once a second.
class CameraWatch {
public:
    static constexpr int64_t kLostAfterMs = 30'000;

    // What one camera's view says now.
    struct Report {
        int number = 0;           // 1..16
        std::string location;     // the display location
        bool watched = false;     // configured and with a view
        std::string notice;       // the view's words while no pictures come; empty while they come
        uint64_t failures = 0;    // recordings stopped by an error so far
        std::string failureWords; // the last one's words
    };

    explicit CameraWatch(Notifier& notifier) : m_notifier(notifier) {}

    void check(const std::vector<Report>& reports, int64_t nowMs);

private:
    struct State {
        int64_t quietSinceMs = -1; // since when the view shows words; -1 while pictures come
        bool lostTold = false;
        bool failuresKnown = false;
        uint64_t failures = 0;
    };
    static std::string name(const Report& r);

    Notifier& m_notifier;
    std::array<State, 17> m_states{};
};
