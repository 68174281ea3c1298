#include "app/core/AppCfgGO.h"
#include "app/core/CameraDAO.h"
#include "app/core/CameraSettingsSlot.h"
#include "platform/ini/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using platform::ini::readString;

// A configuration rooted in a fresh temporary application folder.
struct Config {
    TempDir dir;
    AppCfgGO cfg;
    Config() { cfg.initConfig(dir.path()); }
    void writeConfig(const std::string& text)
    {
        dir.write("etc/config.ini", text);
        cfg.loadAppCfg();
    }
    CameraSettings loadCamera(int16_t uid)
    {
        CameraSettingsSlot slot(uid, cfg);
        CameraDAO::loadCameraSection(slot, cfg);
        return slot.settings();
    }
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(AppCfgGO, ApplicationFolderFollowsTheEnvironment)
{
    {
        ScopedEnv home("OCULON_HOME", "/srv/oculon/");
        EXPECT_EQ(AppCfgGO::defaultApplicationFolder(), "/srv/oculon");
    }
    ScopedEnv noHome("OCULON_HOME", nullptr);
    {
        ScopedEnv data("XDG_DATA_HOME", "/data");
        EXPECT_EQ(AppCfgGO::defaultApplicationFolder(), "/data/oculon");
    }
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    ScopedEnv user("HOME", "/home/op");
    EXPECT_EQ(AppCfgGO::defaultApplicationFolder(), "/home/op/.local/share/oculon");
}

TEST(AppCfgGO, InitConfigCreatesTheFolderChainAndPaths)
{
    TempDir dir;
    AppCfgGO cfg;
    const std::string app = dir.path() + "/not/yet/oculon";
    ASSERT_TRUE(cfg.initConfig(app + "/"));
    EXPECT_TRUE(std::filesystem::is_directory(app + "/etc"));
    EXPECT_EQ(cfg.getConfigFile(), app + "/etc/config.ini");
    EXPECT_EQ(cfg.getEMapFile(), app + "/etc/eLayout.ini");
    EXPECT_EQ(cfg.getDefaultRecPath(0), app + "/video_rec/cam1");
    EXPECT_EQ(cfg.getDefaultSnapshotPath(15), app + "/snapshot/cam16");
}

TEST(AppCfgGO, EmptyFileGivesEveryDefault)
{
    Config c;
    c.writeConfig("");
    EXPECT_EQ(c.cfg.getViewerLayout(), 16);
    EXPECT_EQ(c.cfg.getPanelLayout(), "default");
    EXPECT_EQ(c.cfg.getAppCfgFormLayout(), "default");
    EXPECT_EQ(c.cfg.getAlertPercent(), 5);
    EXPECT_EQ(c.cfg.getAlertSpace(), "60");
    EXPECT_EQ(c.cfg.getCircularMode(), 0);
    EXPECT_EQ(c.cfg.getAlertLineNum(), 30);
    for (int16_t uid = 0; uid < 16; ++uid) {
        SCOPED_TRACE(uid);
        const CameraSettings s = c.loadCamera(uid);
        EXPECT_EQ(s.ip, "");
        EXPECT_EQ(s.port, 80);
        EXPECT_EQ(s.displayLocation, "");
        EXPECT_EQ(s.recFrameRate, 30);
        EXPECT_EQ(s.recNumFrame, 2000);
        EXPECT_FALSE(s.recAtStart);
        const std::string n = std::to_string(uid + 1);
        EXPECT_EQ(s.recPath, c.dir.path() + "/video_rec/cam" + n);
        EXPECT_EQ(s.snapshotPath, c.dir.path() + "/snapshot/cam" + n);
    }
}

TEST(AppCfgGO, OddValuesLoadByTheirRules)
{
    Config c;
    c.writeConfig("[App]\nVIEWER_LAYOUT=2\nSET_PERCENT=70000\nSET_LINE_NUM=abc\n"
                  "[Camera2]\nREC_AT_START=2\nDISPLAY_LOCATION=" + std::string(300, 'x') + "\nREC_PATH=\n"
                  "[Camera3]\nREC_AT_START=1\nPORT=8080x\nREC_FRAME_RATE=99999\n");
    EXPECT_EQ(c.cfg.getViewerLayout(), 16);
    EXPECT_EQ(c.cfg.getAlertPercent(), 32767); // kept in 16 bits without wrapping
    EXPECT_EQ(c.cfg.getAlertLineNum(), 0);     // present but not a number

    const CameraSettings second = c.loadCamera(1);
    EXPECT_FALSE(second.recAtStart);
    EXPECT_EQ(second.displayLocation, std::string(254, 'x'));
    EXPECT_EQ(second.recPath, ""); // an empty REC_PATH leaves a fresh slot's path empty

    const CameraSettings third = c.loadCamera(2);
    EXPECT_TRUE(third.recAtStart);
    EXPECT_EQ(third.port, 8080);
    EXPECT_EQ(third.recFrameRate, 32767);

    for (int layout : {1, 4, 9, 16}) {
        c.writeConfig("[App]\nVIEWER_LAYOUT=" + std::to_string(layout) + "\n");
        EXPECT_EQ(c.cfg.getViewerLayout(), layout);
    }
}

TEST(AppCfgGO, SaveWritesAppKeysInOrderAndAllSixteenSections)
{
    Config c;
    c.writeConfig("[App]\nVIEWER_LAYOUT=2\n[Camera2]\nREC_AT_START=2\nIP=10.0.0.2\n"
                  "SCHEDULE=*,8,*,*,*,60\n");
    c.cfg.setAlertSpace("120");
    int yields = 0;
    c.cfg.setPendingEvents([&] { ++yields; });
    ASSERT_TRUE(c.cfg.saveAppCfg());
    EXPECT_EQ(yields, 16);

    const std::string file = c.cfg.getConfigFile();
    EXPECT_EQ(platform::ini::keys(file, "App"),
              (std::vector<std::string>{"VIEWER_LAYOUT", "PANEL_LAYOUT", "APP_CFG_FORM_LAYOUT", "SET_PERCENT",
                                        "SET_ALERT_SPACE", "SET_CIRCULAR_MODE", "SET_LINE_NUM"}));
    EXPECT_EQ(readString(file, "App", "VIEWER_LAYOUT", "?"), "16");
    EXPECT_EQ(readString(file, "App", "APP_CFG_FORM_LAYOUT", "?"), "default");
    EXPECT_EQ(readString(file, "App", "SET_ALERT_SPACE", "?"), "120");

    for (int n = 1; n <= 16; ++n) {
        SCOPED_TRACE(n);
        const std::string section = "Camera" + std::to_string(n);
        EXPECT_EQ(readString(file, section, "PORT", "?"), "80");
        EXPECT_EQ(readString(file, section, "REC_FRAME_RATE", "?"), "30");
        EXPECT_EQ(readString(file, section, "REC_NUMBER_OF_FRAME", "?"), "2000");
        EXPECT_EQ(readString(file, section, "REC_AT_START", "?"), "0");
        EXPECT_EQ(readString(file, section, "REC_PATH", "?"), c.dir.path() + "/video_rec/cam" + std::to_string(n));
        EXPECT_EQ(readString(file, section, "SNAPSHOT_PATH", "?"),
                  c.dir.path() + "/snapshot/cam" + std::to_string(n));
    }
    EXPECT_EQ(readString(file, "Camera1", "IP", "?"), "");
    EXPECT_EQ(readString(file, "Camera2", "IP", "?"), "10.0.0.2");
    EXPECT_EQ(platform::ini::keys(file, "Camera16"),
              (std::vector<std::string>{"IP", "PORT", "DISPLAY_LOCATION", "REC_PATH", "REC_FRAME_RATE",
                                        "REC_NUMBER_OF_FRAME", "SNAPSHOT_PATH", "REC_AT_START", "SCHEDULE"}));
    // The schedule goes back in its written form.
    EXPECT_EQ(readString(file, "Camera2", "SCHEDULE", "?"), "-1,8,-1,-1,-1,60");
    EXPECT_EQ(readString(file, "Camera1", "SCHEDULE", "?"), "");
}

TEST(AppCfgGO, SaveTakesCamerasFromTheSourceAndRoundTrips)
{
    Config c;
    CameraSettingsSlot camera(4, c.cfg);
    camera.setIP("cam.local");
    camera.setPort(8081);
    camera.setDisplayLocation("Gate");
    camera.setRecPath(c.dir.path() + "/rec");
    camera.setSnapshotPath(c.dir.path() + "/snap");
    camera.setRecFrameRate(15);
    camera.setRecNumFrame(100);
    camera.setRecAtStart(true);
    std::vector<int> asked;
    c.cfg.setCameraSource([&](int16_t uid) -> CameraSlot* {
        asked.push_back(uid);
        return uid == 4 ? &camera : nullptr;
    });
    ASSERT_TRUE(c.cfg.saveAppCfg());
    EXPECT_EQ(asked.size(), 16u);
    EXPECT_EQ(readString(c.cfg.getConfigFile(), "Camera1", "PORT", "absent"), "absent");

    const CameraSettings back = c.loadCamera(4);
    EXPECT_EQ(back.ip, "cam.local");
    EXPECT_EQ(back.port, 8081);
    EXPECT_EQ(back.displayLocation, "Gate");
    EXPECT_EQ(back.recPath, c.dir.path() + "/rec");
    EXPECT_EQ(back.snapshotPath, c.dir.path() + "/snap");
    EXPECT_EQ(back.recFrameRate, 15);
    EXPECT_EQ(back.recNumFrame, 100);
    EXPECT_TRUE(back.recAtStart);
    EXPECT_EQ(readString(c.cfg.getConfigFile(), "Camera5", "REC_AT_START", "?"), "1");
}

TEST(AppCfgGO, MotionKeysAreOptionalAndWrittenOnlyWhenSet)
{
    Config c;
    const std::string file = c.cfg.getConfigFile();
    const std::string old = "[Camera1]\nIP=10.0.0.5\nPORT=80\nDISPLAY_LOCATION=Gate\n";
    c.writeConfig(old);
    CameraSettingsSlot camera(0, c.cfg);
    CameraDAO::loadCameraSection(camera, c.cfg);
    EXPECT_FALSE(camera.isRecOnMotion());
    EXPECT_EQ(camera.getMotionHold(), 30);
    ASSERT_TRUE(CameraDAO::saveCameraSection(camera, c.cfg));
    EXPECT_EQ(platform::ini::keys(file, "Camera1"),
              (std::vector<std::string>{"IP", "PORT", "DISPLAY_LOCATION", "REC_PATH", "REC_FRAME_RATE",
                                        "REC_NUMBER_OF_FRAME", "SNAPSHOT_PATH", "REC_AT_START", "SCHEDULE"}))
        << "a file without the keys is saved as before";

    camera.setRecOnMotion(true);
    camera.setMotionHold(12);
    ASSERT_TRUE(CameraDAO::saveCameraSection(camera, c.cfg));
    EXPECT_EQ(readString(file, "Camera1", "REC_ON_MOTION", "?"), "1");
    EXPECT_EQ(readString(file, "Camera1", "MOTION_HOLD", "?"), "12");
    const CameraSettings back = c.loadCamera(0);
    EXPECT_TRUE(back.recOnMotion);
    EXPECT_EQ(back.motionHold, 12);

    // Switched back to the defaults: the keys in the file follow.
    camera.setRecOnMotion(false);
    camera.setMotionHold(30);
    ASSERT_TRUE(CameraDAO::saveCameraSection(camera, c.cfg));
    EXPECT_EQ(readString(file, "Camera1", "REC_ON_MOTION", "?"), "0");
    EXPECT_EQ(readString(file, "Camera1", "MOTION_HOLD", "?"), "30");
    EXPECT_FALSE(c.loadCamera(0).recOnMotion);

    // Odd values: only 1 switches it on; the hold is held in 1..3600.
    for (const auto& [onText, holdText, on, hold] :
         {std::tuple{"2", "0", false, 1}, std::tuple{"1", "5000", true, 3600}, std::tuple{"yes", "x", false, 1},
          std::tuple{"1", "-7", true, 1}}) {
        c.writeConfig(old + "REC_ON_MOTION=" + onText + "\nMOTION_HOLD=" + holdText + "\n");
        const CameraSettings odd = c.loadCamera(0);
        EXPECT_EQ(odd.recOnMotion, on) << onText;
        EXPECT_EQ(odd.motionHold, hold) << holdText;
    }
}

TEST(AppCfgGO, ValueWithLineBreakIsRefusedNotInjected)
{
    Config c;
    CameraSettingsSlot camera(0, c.cfg);
    CameraDAO::loadCameraSection(camera, c.cfg);
    camera.setDisplayLocation("Gate\n[App]\nVIEWER_LAYOUT=1");
    EXPECT_FALSE(CameraDAO::saveCameraSection(camera, c.cfg));
    c.cfg.loadAppCfg();
    EXPECT_EQ(c.cfg.getViewerLayout(), 16);
    EXPECT_EQ(readString(c.cfg.getConfigFile(), "Camera1", "PORT", "?"), "80"); // the other keys went in
}
