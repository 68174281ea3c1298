#include "app/schedule/ScheduleItem.h"

#include <QLocale>

ScheduleItem::ScheduleItem()
    : m_startTime(QDate(1970, 1, 1), QTime(0, 0, 0))
{
}

void ScheduleItem::startRunning(const QDateTime& now)
{
    m_startTime = now;
    m_running = true;
}

void ScheduleItem::stopRunning()
{
    m_running = false;
}

bool ScheduleItem::chkRunned(const QDateTime& now) const
{
    return timeKey(m_startTime) == timeKey(now);
}

Schedule* ScheduleItem::setSchedule(Schedule* schedule)
{
    return m_schedule = schedule;
}

QString ScheduleItem::timeKey(const QDateTime& when)
{
    // The C locale keeps the key the same whatever the user's language.
    return QLocale::c().toString(when, QStringLiteral("hhmmddMMddd"));
}

int ScheduleItem::weekDayOf(const QDateTime& when)
{
    // Qt counts Monday = 1 ... Sunday = 7.
    return when.date().dayOfWeek() % 7 + 1;
}
