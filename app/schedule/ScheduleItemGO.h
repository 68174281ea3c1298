#pragma once

#include <memory>

class Schedule;
class ScheduleItem;

namespace ScheduleItemGO {

// A fresh item appended to `schedule`; null (and nothing created) for a null
// schedule.
std::shared_ptr<ScheduleItem> newScheduleItem(Schedule* schedule);

} // namespace ScheduleItemGO
