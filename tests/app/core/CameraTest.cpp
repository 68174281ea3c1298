#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraWindow.h"
#include "app/core/FocusedCamera.h"
#include "app/core/ViewerGO.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"
#include "app/core/FakeViewer.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// The main window as the cameras see it: records what they ask for. Its
// record command starts the camera's recording, as the real one does once
// the disk checks pass.
class FakeWindow final : public CameraWindow {
public:
    CameraGO* cameras = nullptr;
    std::vector<int16_t> startRecs;
    int audioToggles = 0;
    int pendingEventRuns = 0;
    std::vector<std::pair<int16_t, std::string>> recButtons;

    void startRec(int16_t uid) override
    {
        startRecs.push_back(uid);
        cameras->getCamera(uid)->startRec();
    }
    void updateRecBtn(int16_t) override {}
    void showAudioToggle() override { ++audioToggles; }
    void setRecBtnPicture(int16_t index, const std::string& picture) override
    {
        recButtons.emplace_back(index, picture);
    }
    void processPendingEvents() override { ++pendingEventRuns; }
};

class Cameras : public ::testing::Test {
protected:
    void SetUp() override { writeConfig(""); }

    // Starts over with `ini` as config.ini and fresh viewers.
    void writeConfig(const std::string& ini)
    {
        cameras.reset();
        home.write("etc/config.ini", "");
        std::filesystem::create_directories(home.file("etc"));
        home.write("etc/config.ini", ini);
        config.initConfig(home.path());
        ViewerGO::Viewers handles;
        for (size_t i = 0; i < handles.size(); ++i)
            handles[i] = ViewerHandle(FakeViewer::make(&fakes[i]));
        viewers.setViewers(handles);
        cameras = std::make_unique<CameraGO>(config, viewers);
        window.cameras = cameras.get();
        window.startRecs.clear();
        cameras->setWindow(&window);
    }

    std::string section(int n, const std::string& keys) const
    {
        return "[Camera" + std::to_string(n) + "]\n" + keys;
    }

    TempDir home;
    AppCfgGO config;
    ViewerGO viewers;
    FakeWindow window;
    std::array<FakeViewer*, 16> fakes{};
    std::unique_ptr<CameraGO> cameras;
};

TEST_F(Cameras, OnlyAConfiguredAddressConnectsAndOnlyOnce)
{
    Camera& cam = *cameras->getCamera(0); // empty section: IP "", port 80
    FakeViewer& viewer = *fakes[0];
    viewer.log.clear();

    cam.connect();
    EXPECT_EQ(cam.getConnStatus(), 0) << "no address";
    cam.setIP("10.0.0.5");
    for (int32_t port : {0, 65536, -1}) {
        EXPECT_EQ(cam.setPort(port), port);
        cam.connect();
        EXPECT_FALSE(cam.isConnecting()) << port;
    }
    EXPECT_TRUE(viewer.log.empty());

    cam.setPort(65535);
    cam.connect();
    EXPECT_TRUE(cam.isConnecting());
    EXPECT_EQ(viewer.log, (std::vector<std::string>{"URL=http://10.0.0.5:65535", "Audio=0"}));
    EXPECT_EQ(window.audioToggles, 1);

    // Connecting again, or changing the address through the setters, does nothing.
    cam.connect();
    EXPECT_EQ(cam.setIP("10.0.0.6"), "10.0.0.5");
    EXPECT_EQ(cam.setPort(81), 65535);
    EXPECT_EQ(viewer.log.size(), 2u);
    EXPECT_TRUE(window.startRecs.empty()) << "no record at start";
}

TEST_F(Cameras, ANewAddressReconnectsAndTheSameOneDoesNothing)
{
    writeConfig(section(2, "IP=10.0.0.5\nPORT=8080\n"));
    Camera& cam = *cameras->getCamera(1);
    FakeViewer& viewer = *fakes[1];
    cam.connect();
    ASSERT_TRUE(cam.isConnecting());
    cam.startRec();
    cam.snapshot();
    EXPECT_TRUE(cam.isRecording());
    viewer.log.clear();

    cam.connect("10.0.0.5", 8080);
    cam.connect("10.0.0.9", 0);
    cam.connect("10.0.0.9", 65536);
    EXPECT_TRUE(viewer.log.empty());

    const int pendingBefore = window.pendingEventRuns;
    cam.connect("10.0.0.5", 8081);
    EXPECT_EQ(viewer.log, (std::vector<std::string>{"Download=0", "Avi=0", "URL=", "URL=http://10.0.0.5:8081",
                                                    "Audio=0"}));
    EXPECT_EQ(window.pendingEventRuns - pendingBefore, 3) << "after each step of the disconnect";
    EXPECT_EQ(cam.getURL(), "http://10.0.0.5:8081");
    EXPECT_TRUE(cam.isConnecting());
    EXPECT_FALSE(cam.isRecording());

    // An idle viewer is disconnected without touching its switches; an
    // address cleared in the form leaves the camera disconnected.
    viewer.log.clear();
    cam.connect("", 8081);
    EXPECT_EQ(viewer.log, (std::vector<std::string>{"URL="}));
    EXPECT_FALSE(cam.isConnecting());
    EXPECT_EQ(cam.getIP(), "");
}

TEST_F(Cameras, SetViewerPushesEverySettingInItsOrder)
{
    writeConfig(section(3, "IP=10.0.0.7\nPORT=80\nDISPLAY_LOCATION=Gate\nREC_PATH=" + home.file("rec3") +
                               "\nREC_FRAME_RATE=12\nREC_NUMBER_OF_FRAME=900\nSNAPSHOT_PATH=" + home.file("snap3") +
                               "\n"));
    Camera& cam = *cameras->getCamera(2);
    FakeViewer* fresh = nullptr;
    ViewerHandle handle(FakeViewer::make(&fresh));
    cam.setViewer(handle);
    EXPECT_EQ(fresh->log, (std::vector<std::string>{
                              "ReconnectTryNum=2000000000",
                              "DelMenu(0,0)",
                              "FontColor=0xFFFFFF",
                              "ShowText=1",
                              "StatusBarCtrl=3",
                              "DownloadPath=" + home.file("snap3"),
                              "DownloadPrefix=s-Gate_!0",
                              "DownloadNum=1",
                              "DownType=1",
                              "DownAviType=0",
                              "AviPath=" + home.file("rec3"),
                              "AviPre=r-Gate_!0_",
                              "AviFrame=12",
                              "JpgNumInAvi=900",
                          }));
    EXPECT_FALSE(cam.isConnecting()) << "record at start is off";
    EXPECT_TRUE(cam.getViewer() == handle);

    // The slot's own viewer got the loaded values, on a black background;
    // the folders exist.
    FakeViewer& own = *fakes[2];
    EXPECT_EQ(own.text("AviPre"), "r-Gate_!0_");
    EXPECT_EQ(own.text("DownloadPrefix"), "s-Gate_!0");
    EXPECT_EQ(own.i4("AviFrame"), 12);
    EXPECT_EQ(own.i4("JpgNumInAvi"), 900);
    EXPECT_EQ(own.values["BackColor"], platform::component::Variant::color(0));
    EXPECT_TRUE(std::filesystem::is_directory(home.file("rec3")));
    EXPECT_TRUE(std::filesystem::is_directory(home.file("snap3")));
    EXPECT_EQ(cam.getFormattedCaption("Gate"), "3. Gate");
}

TEST_F(Cameras, SettersReachTheViewerAndReturnWhatIsHeld)
{
    Camera& cam = *cameras->getCamera(0);
    FakeViewer& viewer = *fakes[0];
    EXPECT_EQ(cam.getRecPath(), home.path() + "/video_rec/cam1") << "the default folder";
    EXPECT_EQ(cam.getSnapshotPath(), home.path() + "/snapshot/cam1");
    EXPECT_EQ(cam.getRecFrameRate(), 30);
    EXPECT_EQ(cam.getRecNumFrame(), 2000);

    viewer.log.clear();
    EXPECT_EQ(cam.setDisplayLocation("Yard"), "Yard");
    EXPECT_EQ(cam.setRecPath(""), home.path() + "/video_rec/cam1");
    EXPECT_EQ(cam.setSnapshotPath(home.path() + "/snapshot/cam1"), home.path() + "/snapshot/cam1");
    EXPECT_EQ(cam.setRecFrameRate(5), 5);
    EXPECT_EQ(cam.setRecNumFrame(100), 100);
    EXPECT_EQ(viewer.log, (std::vector<std::string>{"DownloadPrefix=s-Yard_!0", "AviPre=r-Yard_!0_", "AviFrame=5",
                                                    "JpgNumInAvi=100"}))
        << "an empty recording folder and an unchanged snapshot folder are not pushed";

    // A snapshot needs a connection; recording is read from the viewer.
    EXPECT_FALSE(cam.snapshot());
    viewer.values["Avi"] = platform::component::Variant(1);
    EXPECT_FALSE(cam.isRecording()) << "not connecting";
    cam.setConnStatus(1);
    EXPECT_TRUE(cam.isRecording());
    EXPECT_TRUE(cam.snapshot());
    EXPECT_EQ(viewer.log.back(), "Download=-1");
}

TEST_F(Cameras, RecordAtStartConnectsAndRecordsOnce)
{
    const std::string recAtStart = "IP=127.0.0.1\nPORT=9000\nREC_AT_START=1\n";
    writeConfig(section(1, recAtStart) + section(2, recAtStart) + section(3, "IP=127.0.0.1\nPORT=9002\n"));

    // Start-up: the focused camera first, then connect-all.
    FocusedCamera focused(*cameras);
    EXPECT_EQ(focused.getFocusedCamera()->getUID(), 0);
    cameras->connectAll();
    cameras->connectAll();
    EXPECT_EQ(window.startRecs, (std::vector<int16_t>{0, 1}));
    for (int i : {0, 1}) {
        EXPECT_EQ(fakes[i]->count("Avi=-1"), 1) << i;
        EXPECT_EQ(fakes[i]->count("URL=http://127.0.0.1:9000"), 1) << i;
        EXPECT_TRUE(cameras->getCamera(int16_t(i))->isRecording());
    }
    EXPECT_TRUE(cameras->getCamera(2)->isConnecting());
    EXPECT_EQ(fakes[2]->count("Avi=-1"), 0);
    EXPECT_FALSE(cameras->getCamera(3)->isConnecting()) << "unconfigured";

    // Rebinding the viewer of a connected camera does not record again; a
    // camera that was disconnected records again when connect-all reconnects it.
    Camera& cam = *cameras->getCamera(0);
    cam.setViewer(cam.getViewer());
    cam.disconnect();
    cameras->connectAll();
    EXPECT_EQ(window.startRecs, (std::vector<int16_t>{0, 1, 0}));
}

TEST_F(Cameras, RecordAtStartWaitsForTheViewerWhenConnectAllComesFirst)
{
    writeConfig(section(1, "IP=127.0.0.1\nPORT=9000\nREC_AT_START=1\n"));
    // No window and no viewers yet: the camera records by itself once it can.
    cameras->setWindow(nullptr);
    ViewerGO empty;
    CameraGO early(config, empty);
    early.connectAll();
    Camera& cam = *early.getCamera(0);
    EXPECT_FALSE(cam.isConnecting()) << "nothing to connect without a viewer";

    cam.setViewer(ViewerHandle(FakeViewer::make()));
    early.connectAll();
    EXPECT_TRUE(cam.isRecording());
    auto* viewer = static_cast<FakeViewer*>(cam.getViewer().dispatch());
    EXPECT_EQ(viewer->count("Avi=-1"), 1);
    EXPECT_EQ(viewer->count("URL=http://127.0.0.1:9000"), 1);
}

TEST_F(Cameras, StopAllRecResetsEveryViewerAndRecordButton)
{
    writeConfig(section(1, "IP=127.0.0.1\nPORT=9000\n"));
    Camera& cam = *cameras->getCamera(0);
    cam.connect();
    cam.startRec();
    ASSERT_TRUE(cam.isRecording());

    cameras->stopAllRec();
    EXPECT_FALSE(cam.isRecording());
    ASSERT_EQ(window.recButtons.size(), 16u);
    for (int16_t i = 0; i < 16; ++i) {
        EXPECT_EQ(window.recButtons[size_t(i)], std::make_pair(i, std::string("index_88.gif")));
        EXPECT_EQ(fakes[size_t(i)]->log.back(), "Avi=0") << i;
    }
    EXPECT_EQ(cameras->existingCamera(5), nullptr) << "stopping all creates no camera";
}

TEST_F(Cameras, StatusEventsAndSlotsOutOfRange)
{
    EXPECT_EQ(cameras->getCamera(-1), nullptr);
    EXPECT_EQ(cameras->getCamera(16), nullptr);
    cameras->onViewerStatus(4);
    EXPECT_EQ(cameras->getCamera(4)->getConnStatus(), 1) << "whatever the reported value";

    FocusedCamera focused(*cameras);
    focused.setFocusedCamera(nullptr);
    EXPECT_EQ(focused.getFocusedCamera(), cameras->getCamera(0));
    focused.setFocusedCamera(cameras->getCamera(7));
    EXPECT_EQ(focused.getFocusedCamera()->getUID(), 7);
}

TEST_F(Cameras, TheScheduleIsLoadedOnceAndSwitchesTheViewer)
{
    writeConfig(section(1, "IP=127.0.0.1\nPORT=9000\nSCHEDULE=-1,-1,-1,-1,-1,3600\n"));
    Camera& cam = *cameras->getCamera(0);
    FakeViewer& viewer = *fakes[0];
    ASSERT_EQ(cam.getSchedule()->getItems().size(), 1u) << "loaded when created, not again";
    EXPECT_EQ(cam.getSchedule()->getCamera(), &cam);

    viewer.log.clear();
    cam.startScheduledRec();
    EXPECT_EQ(viewer.log, (std::vector<std::string>{"Avi=-1"}));
    const auto item = cam.getSchedule()->getItems().front();
    ASSERT_TRUE(item->isRunning());
    cam.stopScheduledRec();
    EXPECT_EQ(viewer.log.size(), 1u) << "the hour has not passed";
    item->startRunning(QDateTime::currentDateTime().addSecs(-3601));
    cam.stopScheduledRec();
    EXPECT_EQ(viewer.log.back(), "Avi=0");
}

TEST(ViewerHandleTest, LooksMembersUpByNameAndAnEmptyHandleDoesNothing)
{
    FakeViewer* fake = nullptr;
    ViewerHandle viewer(FakeViewer::make(&fake));
    EXPECT_TRUE(viewer.missingMembers().empty());
    viewer.setRotate(2);
    EXPECT_EQ(viewer.rotate(), 2);
    EXPECT_EQ(viewer.getTime(), platform::component::S_OK);
    EXPECT_EQ(fake->log, (std::vector<std::string>{"Rotate=2", "GetTime()"}));

    ViewerHandle none;
    EXPECT_EQ(none.setAvi(-1), platform::component::S_FALSE);
    EXPECT_EQ(none.avi(), 0);
    EXPECT_EQ(none.url(), "");
}

} // namespace
