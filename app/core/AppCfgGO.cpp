#include "app/core/AppCfgGO.h"

#include "app/core/CameraDAO.h"
#include "app/core/CameraSettingsSlot.h"
#include "app/core/NumberText.h"
#include "app/core/SectionWriter.h"
#include "platform/ini/IniFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr char kApp[] = "App";
constexpr int16_t kCameraSlots = 16;

std::string envValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

AppCfgGO::AppCfgGO() = default;
AppCfgGO::~AppCfgGO() = default;

std::string AppCfgGO::defaultApplicationFolder()
{
    if (std::string home = envValue("OCULON_HOME"); !home.empty())
        return withoutTrailingSlash(home);
    if (std::string data = envValue("XDG_DATA_HOME"); !data.empty())
        return withoutTrailingSlash(data) + "/oculon";
    return withoutTrailingSlash(envValue("HOME")) + "/.local/share/oculon";
}

bool AppCfgGO::initConfig(const std::string& applicationFolder)
{
    m_applicationFolder = withoutTrailingSlash(applicationFolder);
    m_configFolder = m_applicationFolder + "/etc";
    // Unlike a program folder, the data folder may not exist on a first run, so
    // the whole chain is created.
    std::error_code ec;
    std::filesystem::create_directories(m_configFolder, ec);
    const bool folderReady = std::filesystem::is_directory(m_configFolder, ec);
    m_configFile = m_configFolder + "/config.ini";
    m_eMapFile = m_applicationFolder + "/etc/eLayout.ini";
    loadAppCfg();
    return folderReady;
}

void AppCfgGO::loadAppCfg()
{
    const int32_t layout = platform::ini::readInt(m_configFile, kApp, "VIEWER_LAYOUT", 16);
    m_settings.viewerLayout = (layout == 1 || layout == 4 || layout == 9) ? static_cast<int16_t>(layout) : 16;
    m_settings.panelLayout = platform::ini::readString(m_configFile, kApp, "PANEL_LAYOUT", "default");
    m_settings.appCfgFormLayout = platform::ini::readString(m_configFile, kApp, "APP_CFG_FORM_LAYOUT", "default");
    m_settings.alertPercent = numtext::clamp16(platform::ini::readInt(m_configFile, kApp, "SET_PERCENT", 5));
    m_settings.alertSpace = platform::ini::readString(m_configFile, kApp, "SET_ALERT_SPACE", "60");
    m_settings.circularMode = numtext::clamp16(platform::ini::readInt(m_configFile, kApp, "SET_CIRCULAR_MODE", 0));
    m_settings.alertLineNum = numtext::clamp16(platform::ini::readInt(m_configFile, kApp, "SET_LINE_NUM", 30));
}

bool AppCfgGO::saveAppCfg()
{
    using numtext::decimal;
    bool ok = SectionWriter(m_configFile, kApp)
                  .set("VIEWER_LAYOUT", decimal(m_settings.viewerLayout))
                  .set("PANEL_LAYOUT", m_settings.panelLayout)
                  .set("APP_CFG_FORM_LAYOUT", m_settings.appCfgFormLayout)
                  .set("SET_PERCENT", decimal(m_settings.alertPercent))
                  .set("SET_ALERT_SPACE", m_settings.alertSpace)
                  .set("SET_CIRCULAR_MODE", decimal(m_settings.circularMode))
                  .set("SET_LINE_NUM", decimal(m_settings.alertLineNum))
                  .commit();

    for (int16_t uid = 0; uid < kCameraSlots; ++uid) {
        CameraSlot* camera = m_cameraSource ? m_cameraSource(uid) : ownSlot(uid);
        if (camera)
            ok &= CameraDAO::saveCameraSection(*camera, *this);
        if (m_pendingEvents)
            m_pendingEvents();
    }
    return ok;
}

CameraSlot* AppCfgGO::ownSlot(int16_t uid)
{
    auto& slot = m_ownSlots[static_cast<size_t>(uid)];
    if (!slot) {
        slot = std::make_unique<CameraSettingsSlot>(uid, *this);
        CameraDAO::loadCameraSection(*slot, *this);
    }
    return slot.get();
}

void AppCfgGO::setCameraSource(CameraSource source)
{
    m_cameraSource = std::move(source);
}

void AppCfgGO::setPendingEvents(std::function<void()> pendingEvents)
{
    m_pendingEvents = std::move(pendingEvents);
}

const std::string& AppCfgGO::setConfigFile(const std::string& path)
{
    m_configFile = path;
    return m_configFile;
}

const std::string& AppCfgGO::setEMapFile(const std::string& path)
{
    m_eMapFile = path;
    return m_eMapFile;
}

std::string AppCfgGO::getDefaultRecPath(int16_t uid) const
{
    return m_applicationFolder + "/video_rec/cam" + numtext::decimal(uid + 1);
}

std::string AppCfgGO::getDefaultSnapshotPath(int16_t uid) const
{
    return m_applicationFolder + "/snapshot/cam" + numtext::decimal(uid + 1);
}

int16_t AppCfgGO::setViewerLayout(int16_t views)
{
    return m_settings.viewerLayout = views;
}

const std::string& AppCfgGO::setPanelLayout(const std::string& name)
{
    return m_settings.panelLayout = name;
}

const std::string& AppCfgGO::setAppCfgFormLayout(const std::string& name)
{
    return m_settings.appCfgFormLayout = name;
}

int16_t AppCfgGO::setAlertPercent(int16_t percent)
{
    return m_settings.alertPercent = percent;
}

const std::string& AppCfgGO::setAlertSpace(const std::string& megabytes)
{
    return m_settings.alertSpace = megabytes;
}

int16_t AppCfgGO::setCircularMode(int16_t mode)
{
    return m_settings.circularMode = mode;
}

int16_t AppCfgGO::setAlertLineNum(int16_t lines)
{
    return m_settings.alertLineNum = lines;
}

AppCfgGO& appCfg()
{
    static AppCfgGO instance;
    return instance;
}
