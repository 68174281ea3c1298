#include "app/schedule/ScheduleItemGO.h"

#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"

namespace ScheduleItemGO {

std::shared_ptr<ScheduleItem> newScheduleItem(Schedule* schedule)
{
    if (!schedule)
        return nullptr;
    auto item = std::make_shared<ScheduleItem>();
    schedule->addItem(item);
    return item;
}

} // namespace ScheduleItemGO
