#include "app/notify/CameraWatch.h"

#include "app/log/Logging.h"

std::string CameraWatch::name(const Report& r)
{
    const std::string number = "Camera " + std::to_string(r.number);
    return r.location.empty() ? number : number + " (" + r.location + ")";
}

void CameraWatch::check(const std::vector<Report>& reports, int64_t nowMs)
{
    for (const Report& r : reports) {
        if (r.number < 1 || r.number >= int(m_states.size()))
            continue;
        State& s = m_states[size_t(r.number)];
        if (!r.watched) {
            s = State{};
            continue;
        }
        const std::string who = name(r);
        const std::string key = std::to_string(r.number);
        if (!r.notice.empty()) {
            if (s.quietSinceMs < 0) {
                s.quietSinceMs = nowMs;
                qCDebug(cameraLog, "%s: %s", who.c_str(), r.notice.c_str());
            }
            if (!s.lostTold && nowMs - s.quietSinceMs >= kLostAfterMs) {
                s.lostTold = true;
                qCWarning(cameraLog, "%s lost: %s", who.c_str(), r.notice.c_str());
                m_notifier.notify("lost:" + key, who + " lost", r.notice);
            }
        } else {
            if (s.lostTold) {
                qCInfo(cameraLog, "%s is back", who.c_str());
                m_notifier.notify("back:" + key, who + " is back", "Pictures come again.");
            }
            s.quietSinceMs = -1;
            s.lostTold = false;
        }
        // The first look only learns the count: failures before the watch
        // began were told by the view itself.
        if (s.failuresKnown && r.failures > s.failures)
            m_notifier.notify("recording:" + key, "Recording failed on " + who, r.failureWords);
        s.failuresKnown = true;
        s.failures = r.failures;
    }
}
