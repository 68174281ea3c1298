#pragma once

#include <QDateTime>

#include <cstdint>

class Schedule;

// One recording rule: at this minute of this hour, on this day of this month,
// on this weekday, record for so many seconds. A negative field is a wildcard
// (the stores write -1). The running state and the start time live in memory
// only. GUI thread only.
class ScheduleItem {
public:
    ScheduleItem();

    // start time := now; running := true.
    void startRunning(const QDateTime& now);
    void startRunning() { startRunning(QDateTime::currentDateTime()); }
    // running := false; the start time is kept.
    void stopRunning();
    bool isRunning() const { return m_running; }
    // True when the start time and `now` share hour, minute, day, month and
    // weekday: the item already started in this minute of this day.
    bool chkRunned(const QDateTime& now) const;
    bool chkRunned() const { return chkRunned(QDateTime::currentDateTime()); }

    // The owning schedule; null when detached. Not owning.
    Schedule* getSchedule() const { return m_schedule; }
    Schedule* setSchedule(Schedule* schedule);

    // Plain accessors: each setter stores its argument unchecked and returns it.
    int16_t getMinute() const { return m_minute; }
    int16_t setMinute(int16_t value) { return m_minute = value; }
    int16_t getHour() const { return m_hour; }
    int16_t setHour(int16_t value) { return m_hour = value; }
    int16_t getDay() const { return m_day; }
    int16_t setDay(int16_t value) { return m_day = value; }
    int16_t getMonth() const { return m_month; }
    int16_t setMonth(int16_t value) { return m_month = value; }
    // 1 = Sunday ... 7 = Saturday.
    int16_t getWeekDay() const { return m_weekDay; }
    int16_t setWeekDay(int16_t value) { return m_weekDay = value; }
    // Seconds; below 1 means no limit.
    int32_t getDuration() const { return m_duration; }
    int32_t setDuration(int32_t value) { return m_duration = value; }

    // Local time of the last start; 1970-01-01 00:00:00 before the first.
    const QDateTime& getStartTime() const { return m_startTime; }

    // The key compared by chkRunned: "hhmmddMMddd" (English weekday name).
    static QString timeKey(const QDateTime& when);
    // Weekday counted 1 = Sunday ... 7 = Saturday.
    static int weekDayOf(const QDateTime& when);

private:
    Schedule* m_schedule = nullptr;
    int16_t m_minute = 0;
    int16_t m_hour = 0;
    int16_t m_day = 0;
    int16_t m_month = 0;
    int16_t m_weekDay = 0;
    int32_t m_duration = 0;
    QDateTime m_startTime;
    bool m_running = false;
};
