#pragma once

#include <QDateTime>

#include <functional>
#include <memory>

class Schedule;

// The two passes the main window's timer runs over each camera's schedule,
// the start pass first. The caller supplies the clock, the camera's recording
// switch and the step that lets pending user-interface events run (which is
// run after every item; edits made there are tolerated: a pass works on a
// snapshot of the items and passes over an item removed meanwhile). The pass
// holds the schedule, so it stays valid even if the camera replaces it
// meanwhile. A null schedule does nothing.
struct SchedulePassHooks {
    // Any hook may be empty: the clock then is the system's, the others do nothing.
    std::function<QDateTime()> now;      // current local date-time
    std::function<void()> startRec;      // the camera's startRec
    std::function<void()> stopRec;       // the camera's stopRec
    std::function<void()> pendingEvents; // lets pending user-interface events run
};

// Fires every idle item whose five fields match: a field matches when it
// equals the current value, or when it is negative and the item has not
// started in this minute (asked afresh for each such field). The fields are
// tested in the order minute, hour, day, month, weekday, all against one
// reading of the clock. A fired item starts running, then startRec is called.
void startScheduledPass(std::shared_ptr<Schedule> schedule, const SchedulePassHooks& hooks);

// Ends running items whose time is up (duration >= 1 and elapsed whole
// seconds >= duration). stopRec is called for a running item while no running
// item before it in the pass is still unfinished.
void stopScheduledPass(std::shared_ptr<Schedule> schedule, const SchedulePassHooks& hooks);
