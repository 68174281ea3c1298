// Recording on motion over a fake viewer, with hold timers the test runs out.
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraWindow.h"
#include "app/core/MotionRecording.h"
#include "app/core/ViewerGO.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"
#include "app/core/FakeHoldTimer.h"
#include "app/core/FakeViewer.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Log = std::vector<std::string>;

class MotionRecordingTest : public ::testing::Test {
protected:
    void SetUp() override { start("REC_ON_MOTION=1\nMOTION_HOLD=20\n"); }

    // Camera 1 ("Gate") with the given extra keys, connected.
    void start(const std::string& keys)
    {
        cameras.reset();
        std::filesystem::create_directories(home.file("etc"));
        home.write("etc/config.ini", "[Camera1]\nIP=127.0.0.1\nPORT=9000\nDISPLAY_LOCATION=Gate\n" + keys);
        config.initConfig(home.path());
        ViewerGO::Viewers handles;
        for (size_t i = 0; i < handles.size(); ++i)
            handles[i] = ViewerHandle(FakeViewer::make(i == 0 ? &viewer : nullptr));
        viewers.setViewers(handles);
        cameras = std::make_unique<CameraGO>(config, viewers);
        cameras->setHoldTimerFactory(timers.factory());
        cameras->setAlertSink([this](const std::string& line) { alerts.push_back(line); });
        cam = cameras->getCamera(0);
        cam->connect();
        ASSERT_TRUE(cam->isConnecting());
        viewer->log.clear();
    }

    // The viewer logged in and reported, then the camera saw motion.
    void armed()
    {
        cameras->onViewerStatus(0);
        ASSERT_TRUE(cam->motion().isArmed());
        viewer->log.clear();
    }
    FakeHoldTimer& hold() { return *timers.made.at(0); }

    TempDir home;
    AppCfgGO config;
    ViewerGO viewers;
    FakeHoldTimers timers;
    std::vector<std::string> alerts;
    FakeViewer* viewer = nullptr;
    std::unique_ptr<CameraGO> cameras;
    Camera* cam = nullptr;
};

TEST_F(MotionRecordingTest, MotionStartsARecordingThatTheHoldExtendsAndEnds)
{
    // Nothing before the viewer has logged in: a write now would be refused.
    cameras->onViewerMotion(0);
    EXPECT_TRUE(viewer->log.empty());
    cameras->onViewerStatus(0);
    cameras->onViewerStatus(0);
    EXPECT_EQ(viewer->log, (Log{"MotionDetect=1"})) << "once per connection";
    viewer->log.clear();

    cameras->onViewerMotion(0);
    EXPECT_EQ(viewer->log, (Log{"AviPre=r-Gate_!1_", "Avi=-1"})) << "prefix first, for the file's name";
    EXPECT_TRUE(cam->isRecording());
    EXPECT_TRUE(cam->motion().ownsRecording());
    ASSERT_EQ(timers.made.size(), 1u);
    EXPECT_EQ(hold().after(), std::chrono::seconds(20));

    // Further motion within the hold starts it again and nothing else.
    cameras->onViewerMotion(0);
    cameras->onViewerMotion(0);
    EXPECT_EQ(hold().starts, 3);
    EXPECT_EQ(viewer->log.size(), 2u);
    // A new location keeps the motion bit while the motion holds the recording.
    cam->setDisplayLocation("Yard");
    EXPECT_EQ(viewer->text("AviPre"), "r-Yard_!1_");

    viewer->log.clear();
    hold().runOut();
    EXPECT_EQ(viewer->log, (Log{"Avi=0", "AviPre=r-Yard_!0_"})) << "the last file keeps the motion bit";
    EXPECT_FALSE(cam->isRecording());
    EXPECT_FALSE(cam->motion().ownsRecording());

    // The next motion starts a new recording.
    viewer->log.clear();
    cameras->onViewerMotion(0);
    EXPECT_EQ(viewer->log, (Log{"AviPre=r-Yard_!1_", "Avi=-1"}));
    EXPECT_TRUE(alerts.empty());
}

// A main window that notes, for each record-button refresh, the camera and
// whether it was recording at that moment.
class ButtonWatch final : public CameraWindow {
public:
    explicit ButtonWatch(CameraGO& cameras) : m_cameras(cameras) { }
    std::vector<std::pair<int16_t, bool>> shown;
    void startRec(int16_t) override { }
    void updateRecBtn(int16_t uid) override { shown.emplace_back(uid, m_cameras.getCamera(uid)->isRecording()); }
    void showAudioToggle() override { }
    void setRecBtnPicture(int16_t, const std::string&) override { }
    void processPendingEvents() override { }

private:
    CameraGO& m_cameras;
};

TEST_F(MotionRecordingTest, TheRecordButtonsShowAMotionRecordingWhenItStartsAndWhenTheHoldEndsIt)
{
    ButtonWatch window(*cameras);
    cameras->setWindow(&window);
    armed();
    using Shown = std::vector<std::pair<int16_t, bool>>;
    cameras->onViewerMotion(0);
    EXPECT_EQ(window.shown, (Shown{{0, true}}));
    cameras->onViewerMotion(0); // the hold is extended: nothing to show
    EXPECT_EQ(window.shown.size(), 1u);
    hold().runOut();
    EXPECT_EQ(window.shown, (Shown{{0, true}, {0, false}}));

    // A recording of another trigger: the motion changes nothing the buttons show.
    window.shown.clear();
    cam->startRec();
    cameras->onViewerMotion(0);
    hold().runOut();
    EXPECT_TRUE(window.shown.empty());
    cam->stopRec();
    cameras->setWindow(nullptr);
}

TEST_F(MotionRecordingTest, RecordingsOfOtherTriggersAreNeverStoppedByTheHold)
{
    armed();
    // By hand first: motion neither takes it nor holds it.
    cam->startRec();
    cameras->onViewerMotion(0);
    EXPECT_EQ(viewer->log, (Log{"Avi=-1"}));
    EXPECT_FALSE(cam->motion().isHolding());
    cam->stopRec();

    // A motion recording taken over by hand: the motion's file is closed
    // under its name, the recording goes on without the bit and is no
    // longer held.
    cameras->onViewerMotion(0);
    viewer->log.clear();
    cam->startRec();
    EXPECT_EQ(viewer->log, (Log{"Avi=0", "AviPre=r-Gate_!0_", "Avi=-1"}));
    EXPECT_FALSE(cam->motion().isHolding());
    hold().runOut();
    cameras->onViewerMotion(0);
    EXPECT_TRUE(cam->isRecording());
    EXPECT_EQ(viewer->log.size(), 3u);
    cam->stopRec();

    // Taken over by a schedule item with no end: the schedule's stop pass
    // and the hold both leave it running.
    cameras->onViewerMotion(0);
    ASSERT_TRUE(cam->motion().ownsRecording());
    auto item = std::make_shared<ScheduleItem>();
    for (auto set : {&ScheduleItem::setMinute, &ScheduleItem::setHour, &ScheduleItem::setDay,
                     &ScheduleItem::setMonth, &ScheduleItem::setWeekDay})
        ((*item).*set)(-1);
    cam->getSchedule()->addItem(item);
    cam->startScheduledRec();
    ASSERT_TRUE(item->isRunning());
    EXPECT_FALSE(cam->motion().ownsRecording());
    EXPECT_EQ(viewer->text("AviPre"), "r-Gate_!0_");
    hold().runOut();
    cameras->onViewerMotion(0);
    cam->stopScheduledRec();
    EXPECT_TRUE(cam->isRecording());
}

TEST_F(MotionRecordingTest, StopsByOthersEndTheMotionRecordingAndTheScheduleLeavesIt)
{
    armed();
    // The operator's stop ends a motion recording, and its hold with it.
    cameras->onViewerMotion(0);
    cam->stopRec();
    EXPECT_FALSE(cam->isRecording());
    EXPECT_FALSE(cam->motion().isHolding());
    EXPECT_EQ(viewer->text("AviPre"), "r-Gate_!0_");

    // Stop all likewise.
    cameras->onViewerMotion(0);
    cameras->stopAllRec();
    EXPECT_FALSE(cam->motion().ownsRecording());
    EXPECT_EQ(viewer->text("AviPre"), "r-Gate_!0_");

    // A schedule item whose time is up stops what it started, not a
    // recording the motion started after the operator stopped the item's.
    auto item = std::make_shared<ScheduleItem>();
    for (auto set : {&ScheduleItem::setMinute, &ScheduleItem::setHour, &ScheduleItem::setDay,
                     &ScheduleItem::setMonth, &ScheduleItem::setWeekDay})
        ((*item).*set)(-1);
    item->setDuration(10);
    cam->getSchedule()->addItem(item);
    cam->startScheduledRec();
    cam->stopRec();
    cameras->onViewerMotion(0);
    item->startRunning(QDateTime::currentDateTime().addSecs(-60));
    cam->stopScheduledRec();
    EXPECT_FALSE(item->isRunning());
    EXPECT_TRUE(cam->isRecording());
    EXPECT_TRUE(cam->motion().ownsRecording());

    // Disconnecting ends it with the motion bit on the last file.
    viewer->log.clear();
    cam->disconnect();
    EXPECT_EQ(viewer->log, (Log{"Avi=0", "AviPre=r-Gate_!0_", "URL="}));
    EXPECT_FALSE(cam->motion().isHolding());
}

TEST_F(MotionRecordingTest, OnlyAnAdministratorLoginSwitchesDetectionOn)
{
    viewer->refusals["MotionDetect"] = platform::component::S_FALSE;
    cameras->onViewerStatus(0);
    cameras->onViewerStatus(0);
    ASSERT_EQ(alerts.size(), 1u) << "one line per connection";
    EXPECT_NE(alerts[0].find(" Recording on motion cannot start for 1. Gate: the camera login is not an administrator"),
              std::string::npos)
        << alerts[0];
    // Motion reported anyway (the switch was on already) records nothing.
    cameras->onViewerMotion(0);
    EXPECT_FALSE(cam->isRecording());
    EXPECT_TRUE(timers.made.empty());

    // A new connection tries again.
    viewer->refusals.clear();
    cam->disconnect();
    cam->connect();
    cameras->onViewerStatus(0);
    EXPECT_TRUE(cam->motion().isArmed());
    EXPECT_EQ(alerts.size(), 1u);
}

TEST_F(MotionRecordingTest, TheSettingDecidesAndTakesEffectWhileConnected)
{
    start("");
    cameras->onViewerStatus(0);
    cameras->onViewerMotion(0);
    EXPECT_TRUE(viewer->log.empty()) << "off by default: neither switch nor recording";

    // Switched on after the login: at once.
    cam->setRecOnMotion(true);
    EXPECT_EQ(viewer->log, (Log{"MotionDetect=1"}));
    cameras->onViewerMotion(0);
    EXPECT_TRUE(cam->isRecording());
    EXPECT_EQ(hold().after(), std::chrono::seconds(30));

    // Switched off: the running recording ends with its hold, later motion
    // records nothing, the camera's switch is left alone.
    viewer->log.clear();
    cam->setRecOnMotion(false);
    cameras->onViewerMotion(0);
    EXPECT_EQ(hold().starts, 1);
    hold().runOut();
    cameras->onViewerMotion(0);
    EXPECT_EQ(viewer->log, (Log{"Avi=0", "AviPre=r-Gate_!0_"}));

    // The hold is held in 1..3600 seconds.
    EXPECT_EQ(cam->setMotionHold(0), 1);
    EXPECT_EQ(cam->setMotionHold(7200), 3600);
}

} // namespace
