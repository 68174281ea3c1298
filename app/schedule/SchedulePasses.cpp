#include "app/schedule/SchedulePasses.h"

#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"

namespace {

void yieldTo(const SchedulePassHooks& hooks)
{
    if (hooks.pendingEvents)
        hooks.pendingEvents();
}

bool fieldPasses(int16_t value, int current, const ScheduleItem& item, const SchedulePassHooks& hooks)
{
    if (value == current)
        return true;
    return value < 0 && !item.chkRunned(hooks.now());
}

} // namespace

void startScheduledPass(Schedule& schedule, const SchedulePassHooks& hooks)
{
    const QDateTime now = hooks.now();
    const QDate date = now.date();
    const QTime time = now.time();
    const Schedule::Items items = schedule.getItems();
    for (const auto& item : items) {
        // An item removed while the pass yielded is no longer the schedule's.
        if (item->getSchedule() == &schedule && !item->isRunning()) {
            const bool due = fieldPasses(item->getMinute(), time.minute(), *item, hooks)
                && fieldPasses(item->getHour(), time.hour(), *item, hooks)
                && fieldPasses(item->getDay(), date.day(), *item, hooks)
                && fieldPasses(item->getMonth(), date.month(), *item, hooks)
                && fieldPasses(item->getWeekDay(), ScheduleItem::weekDayOf(now), *item, hooks);
            if (due) {
                item->startRunning(hooks.now());
                hooks.startRec();
            }
        }
        yieldTo(hooks);
    }
}

void stopScheduledPass(Schedule& schedule, const SchedulePassHooks& hooks)
{
    bool allFinished = true;
    const Schedule::Items items = schedule.getItems();
    for (const auto& item : items) {
        if (item->getSchedule() == &schedule && item->isRunning()) {
            const qint64 elapsed = item->getStartTime().secsTo(hooks.now());
            if (item->getDuration() >= 1 && elapsed >= item->getDuration())
                item->stopRunning();
            else
                allFinished = false;
            if (allFinished)
                hooks.stopRec();
        }
        yieldTo(hooks);
    }
}
