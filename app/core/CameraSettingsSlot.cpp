#include "app/core/CameraSettingsSlot.h"

#include "app/core/AppCfgGO.h"
#include "app/schedule/Schedule.h"

#include <algorithm>

CameraSettingsSlot::CameraSettingsSlot(int16_t uid, const AppCfgGO& cfg)
    : m_uid(uid), m_cfg(cfg)
{
}

CameraSettingsSlot::~CameraSettingsSlot()
{
    // The schedule may be shared with a caller; it must not point back here.
    if (m_schedule)
        m_schedule->unbindCamera(this);
}

std::string CameraSettingsSlot::setIP(const std::string& ip)
{
    return m_settings.ip = ip;
}

int32_t CameraSettingsSlot::setPort(int32_t port)
{
    return m_settings.port = port;
}

std::string CameraSettingsSlot::setDisplayLocation(const std::string& text)
{
    return m_settings.displayLocation = text;
}

std::string CameraSettingsSlot::setRecPath(const std::string& path)
{
    if (!path.empty())
        m_settings.recPath = path;
    return m_settings.recPath;
}

int16_t CameraSettingsSlot::setRecFrameRate(int16_t rate)
{
    return m_settings.recFrameRate = rate;
}

int32_t CameraSettingsSlot::setRecNumFrame(int32_t frames)
{
    return m_settings.recNumFrame = frames;
}

std::string CameraSettingsSlot::setSnapshotPath(const std::string& path)
{
    return m_settings.snapshotPath = path;
}

bool CameraSettingsSlot::setRecAtStart(bool flag)
{
    return m_settings.recAtStart = flag;
}

bool CameraSettingsSlot::setRecOnMotion(bool flag)
{
    return m_settings.recOnMotion = flag;
}

int32_t CameraSettingsSlot::setMotionHold(int32_t seconds)
{
    return m_settings.motionHold = std::clamp(seconds, kMinMotionHold, kMaxMotionHold);
}

std::shared_ptr<Schedule> CameraSettingsSlot::getSchedule()
{
    if (!m_schedule) {
        auto schedule = std::make_shared<Schedule>();
        schedule->setCamera(this);
        schedule->load(m_cfg.getConfigFile());
    }
    return m_schedule;
}

std::shared_ptr<Schedule> CameraSettingsSlot::setSchedule(std::shared_ptr<Schedule> schedule)
{
    return Schedule::replaceHeld(m_schedule, std::move(schedule), this);
}
