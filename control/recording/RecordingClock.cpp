#include "control/recording/RecordingClock.h"

#include <ctime>

namespace strovix::recording {

std::string formatTimestamp(const LocalTime& t)
{
    std::string s;
    s.reserve(32);
    for (int v : {t.year, t.month, t.day, t.hour, t.minute, t.second}) {
        s += std::to_string(v);
        s += '_';
    }
    s += std::to_string(t.millisecond);
    return s;
}

LocalTime localTimeOf(int64_t seconds, long nanoseconds)
{
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm tm{};
    ::localtime_r(&when, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(nanoseconds / 1000000) % 1000;
    return t;
}

uint32_t SystemRecordingClock::tickMs() const
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

LocalTime SystemRecordingClock::localNow() const
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return localTimeOf(ts.tv_sec, ts.tv_nsec);
}

const SystemRecordingClock& SystemRecordingClock::instance()
{
    static const SystemRecordingClock clock;
    return clock;
}

} // namespace strovix::recording
