#include "app/schedule/SchedulePasses.h"

#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"

namespace {

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

QDateTime nowOf(const SchedulePassHooks& hooks)
{
    return hooks.now ? hooks.now() : QDateTime::currentDateTime();
}

bool fieldPasses(int16_t value, int current, const ScheduleItem& item, const SchedulePassHooks& hooks)
{
    if (value == current)
        return true;
    return value < 0 && !item.chkRunned(nowOf(hooks));
}

// A tick may come a little early or late; an item that is due within this
// much is stopped by the tick at hand rather than by the next one.
constexpr qint64 kTickJitterMs = 200;

} // namespace

void startScheduledPass(std::shared_ptr<Schedule> schedule, const SchedulePassHooks& hooks)
{
    if (!schedule)
        return;
    const QDateTime now = nowOf(hooks);
    const QDate date = now.date();
    const QTime time = now.time();
    const Schedule::Items items = schedule->getItems();
    for (const auto& item : items) {
        // An item removed while the pass yielded is no longer the schedule's.
        if (item->getSchedule() == schedule.get() && !item->isRunning()) {
            const bool due = fieldPasses(item->getMinute(), time.minute(), *item, hooks)
                && fieldPasses(item->getHour(), time.hour(), *item, hooks)
                && fieldPasses(item->getDay(), date.day(), *item, hooks)
                && fieldPasses(item->getMonth(), date.month(), *item, hooks)
                && fieldPasses(item->getWeekDay(), ScheduleItem::weekDayOf(now), *item, hooks);
            if (due) {
                item->startRunning(nowOf(hooks));
                call(hooks.startRec);
            }
        }
        call(hooks.pendingEvents);
    }
}

void stopScheduledPass(std::shared_ptr<Schedule> schedule, const SchedulePassHooks& hooks)
{
    if (!schedule)
        return;
    bool allFinished = true;
    const Schedule::Items items = schedule->getItems();
    for (const auto& item : items) {
        if (item->getSchedule() == schedule.get() && item->isRunning()) {
            // In milliseconds: whole seconds rounded down would let a few
            // milliseconds of timer jitter add a whole tick to the recording.
            const qint64 elapsedMs = item->getStartTime().msecsTo(nowOf(hooks));
            if (item->getDuration() >= 1 && elapsedMs + kTickJitterMs >= qint64{item->getDuration()} * 1000)
                item->stopRunning();
            else
                allFinished = false;
            if (allFinished)
                call(hooks.stopRec);
        }
        call(hooks.pendingEvents);
    }
}
