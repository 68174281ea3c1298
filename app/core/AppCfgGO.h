#pragma once

#include "app/core/AppSettings.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class CameraSlot;
class CameraSettingsSlot;

// Owns the location of the configuration files and the [App] settings.
//
// Paths: the application folder is $OCULON_HOME, else $XDG_DATA_HOME/oculon,
// else ~/.local/share/oculon; config.ini and eLayout.ini lie in its "etc"
// folder. The files are never held open: every read and write opens, changes
// and closes them. The setters change memory only; nothing reaches the file
// before saveAppCfg. GUI thread only.
class AppCfgGO {
public:
    // Gives the camera slot `uid` (0..15) that saveAppCfg saves, creating and
    // loading it when it does not exist yet; null skips the slot.
    using CameraSource = std::function<CameraSlot*(int16_t uid)>;

    AppCfgGO();
    ~AppCfgGO();
    AppCfgGO(const AppCfgGO&) = delete;
    AppCfgGO& operator=(const AppCfgGO&) = delete;

    // The application folder named by the environment, without a trailing "/".
    static std::string defaultApplicationFolder();

    // Establishes the paths below `applicationFolder` (creating the etc folder
    // and any missing folder above it) and loads [App]. Applying the layouts and
    // focusing camera 0 are the windows' part of the start-up. Returns false
    // when the etc folder could not be created; the defaults are loaded then.
    bool initConfig(const std::string& applicationFolder = defaultApplicationFolder());

    // Reads every [App] key into the settings; absent keys give the defaults.
    // A viewer layout other than 1, 4, 9 or 16 becomes 16.
    void loadAppCfg();
    // Writes the [App] keys in their fixed order, then saves the 16 camera
    // sections (with their schedules) from the camera source, letting pending
    // events run between cameras. Returns false when a write failed.
    bool saveAppCfg();

    // Replaces where saveAppCfg takes its cameras from. By default it uses
    // slots of its own that hold the stored record only (so a save writes all
    // 16 sections even before any Camera object exists).
    void setCameraSource(CameraSource source);
    // The step that lets the user interface process its pending events.
    void setPendingEvents(std::function<void()> pendingEvents);

    const std::string& getApplicationFolder() const { return m_applicationFolder; }
    const std::string& getConfigFolder() const { return m_configFolder; }
    const std::string& getConfigFile() const { return m_configFile; }
    const std::string& getEMapFile() const { return m_eMapFile; }
    // Overrides a path (the configuration form exports and imports through
    // other files); memory only.
    const std::string& setConfigFile(const std::string& path);
    const std::string& setEMapFile(const std::string& path);

    // The default folders of slot `uid`: <application folder>/video_rec/cam<uid+1>
    // and <application folder>/snapshot/cam<uid+1>.
    std::string getDefaultRecPath(int16_t uid) const;
    std::string getDefaultSnapshotPath(int16_t uid) const;

    const AppSettings& settings() const { return m_settings; }

    int16_t getViewerLayout() const { return m_settings.viewerLayout; }
    int16_t setViewerLayout(int16_t views);
    const std::string& getPanelLayout() const { return m_settings.panelLayout; }
    const std::string& setPanelLayout(const std::string& name);
    const std::string& getAppCfgFormLayout() const { return m_settings.appCfgFormLayout; }
    const std::string& setAppCfgFormLayout(const std::string& name);
    int16_t getAlertPercent() const { return m_settings.alertPercent; }
    int16_t setAlertPercent(int16_t percent);
    const std::string& getAlertSpace() const { return m_settings.alertSpace; }
    const std::string& setAlertSpace(const std::string& megabytes);
    int16_t getCircularMode() const { return m_settings.circularMode; }
    int16_t setCircularMode(int16_t mode);
    int16_t getAlertLineNum() const { return m_settings.alertLineNum; }
    int16_t setAlertLineNum(int16_t lines);

private:
    CameraSlot* ownSlot(int16_t uid);

    std::string m_applicationFolder;
    std::string m_configFolder;
    std::string m_configFile;
    std::string m_eMapFile;
    AppSettings m_settings;
    CameraSource m_cameraSource;
    std::function<void()> m_pendingEvents;
    std::array<std::unique_ptr<CameraSettingsSlot>, 16> m_ownSlots;
};

// The program's one configuration object.
AppCfgGO& appCfg();
