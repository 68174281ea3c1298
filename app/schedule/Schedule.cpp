#include "app/schedule/Schedule.h"

#include "app/core/CameraSlot.h"
#include "app/schedule/ScheduleDAO.h"
#include "app/schedule/ScheduleItem.h"

Schedule::Schedule() = default;

Schedule::~Schedule()
{
    for (auto& item : m_items) {
        if (item->getSchedule() == this)
            item->setSchedule(nullptr);
    }
}

bool Schedule::load(const std::string& configFile)
{
    return ScheduleDAO::load(*this, configFile);
}

bool Schedule::save(const std::string& configFile) const
{
    return ScheduleDAO::save(*this, configFile);
}

std::shared_ptr<Schedule> Schedule::replaceHeld(std::shared_ptr<Schedule>& held, std::shared_ptr<Schedule> schedule,
                                                CameraSlot* camera)
{
    if (!schedule)
        return nullptr;
    if (schedule != held) {
        if (held)
            held->unbindCamera(camera);
        held = std::move(schedule);
        held->setCamera(camera);
    }
    return held;
}

CameraSlot* Schedule::setCamera(CameraSlot* camera)
{
    if (!camera)
        return nullptr;
    if (camera != m_camera) {
        m_camera = camera;
        camera->setSchedule(weak_from_this().lock());
    }
    return m_camera;
}

void Schedule::unbindCamera(const CameraSlot* camera)
{
    if (m_camera == camera)
        m_camera = nullptr;
}

const Schedule::Items& Schedule::addItem(std::shared_ptr<ScheduleItem> item)
{
    if (item) {
        item->setSchedule(this);
        m_items.push_back(std::move(item));
    }
    return m_items;
}

const Schedule::Items& Schedule::rmvItem(size_t position)
{
    if (position >= 1 && position <= m_items.size()) {
        const auto at = m_items.begin() + static_cast<std::ptrdiff_t>(position - 1);
        (*at)->setSchedule(nullptr);
        m_items.erase(at);
    }
    return m_items;
}
