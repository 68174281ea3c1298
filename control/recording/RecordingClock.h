#pragma once

#include <cstdint>
#include <string>

namespace strovix::recording {

// Local wall-clock time to the millisecond, as the file names carry it.
struct LocalTime {
    int year = 1970;
    int month = 1; // 1-12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0; // 0-999
};

// The recording timestamp T: year_month_day_hour_minute_second_millisecond,
// each in decimal without leading zeros ("2004_3_7_9_5_2_15").
std::string formatTimestamp(const LocalTime& time);

// Local time of a point in time given as seconds and nanoseconds since the epoch.
LocalTime localTimeOf(int64_t seconds, long nanoseconds);

// The two clocks the recorder reads. Window thread only; tests give their own.
class RecordingClock {
public:
    virtual ~RecordingClock() = default;
    // Millisecond tick counter; differences are taken modulo 2^32.
    virtual uint32_t tickMs() const = 0;
    // Local time now, for file names.
    virtual LocalTime localNow() const = 0;
};

// The system's monotonic tick and local time.
class SystemRecordingClock final : public RecordingClock {
public:
    uint32_t tickMs() const override;
    LocalTime localNow() const override;
    static const SystemRecordingClock& instance();
};

} // namespace strovix::recording
