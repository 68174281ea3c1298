// The camera slots driving real viewer controls, created through the
// component layer as the application creates them, against camsim.
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/FocusedCamera.h"
#include "app/core/MotionRecording.h"
#include "app/core/RecFileName.h"
#include "app/core/ViewerGO.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"
#include "app/host/ViewerCreation.h"
#include "app/host/ViewerHost.h"
#include "app/host/ViewerStatisticsReport.h"
#include "platform/component/Creation.h"
#include "platform/component/Hosting.h"
#include "platform/registry/Registry.h"
#include "app/core/FakeHoldTimer.h"
#include "support/CamsimProcess.h"
#include "support/EventWait.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace platform::component;

namespace {

std::string builtLibrary()
{
    return std::string(std::getenv("OCULON_BUILD_BIN")) + "/libstrovix.so";
}

// Reads a property of the real control by name, as any host can.
Variant property(const ViewerHandle& viewer, const char* name)
{
    std::vector<Variant> args;
    Variant value;
    viewer.dispatch()->invoke(viewer.dispatch()->idOfName(name), InvokeKind::PropertyGet, args, &value, nullptr);
    return value;
}

// Each test registers into a registry of its own.
class PrivateRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        ::setenv("STROVIX_REGISTRY", registry.path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("STROVIX_REGISTRY"); }

    TempDir registry;
};

using ViewerCreationTest = PrivateRegistry;

TEST_F(ViewerCreationTest, RegistersTheLibraryWhenTheClassIsMissingOrStale)
{
    platform::registry::Registry reg;
    ASSERT_FALSE(clsidFromProgId(reg, host::kViewerProgId));
    {
        host::ViewerHost missing("/nonexistent/libstrovix.so");
        EXPECT_EQ(missing.create(1), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(missing.count(), 0);
    }
    {
        host::ViewerHost viewers(builtLibrary());
        ASSERT_EQ(viewers.create(2), S_OK);
        EXPECT_EQ(viewers.count(), 2);
        EXPECT_TRUE(viewers.viewer(0).missingMembers().empty());
        EXPECT_FALSE(viewers.viewer(0) == viewers.viewer(1));
        EXPECT_FALSE(viewers.viewer(2).isBound());
    }
    const auto clsid = clsidFromProgId(reg, host::kViewerProgId);
    ASSERT_TRUE(clsid);

    // A registration left pointing at a library that is gone is renewed.
    const std::string key = "CLSID\\" + clsid->toString() + "\\InprocServer32";
    ASSERT_TRUE(reg.setString(platform::registry::Root::ClassesRoot, key, "", "/gone/libstrovix.so"));
    host::ViewerHost again(builtLibrary());
    EXPECT_EQ(again.create(1), S_OK);
    EXPECT_NE(inprocServerOf(reg, *clsid).value_or(""), "/gone/libstrovix.so");
}

// Another installation registered its own library last: the program still
// creates its controls from the library it was given (the one beside it),
// and leaves that one registered. A program with no library beside it uses
// what is registered.
TEST_F(ViewerCreationTest, TheLibraryBesideTheProgramWinsOverAnotherRegisteredOne)
{
    TempDir elsewhere;
    const std::string other = elsewhere.file("libstrovix.so.1");
    std::filesystem::copy_file(std::filesystem::canonical(builtLibrary()), other);
    platform::registry::Registry reg;
    {
        host::ViewerHost viewers(builtLibrary());
        ASSERT_EQ(viewers.create(1), S_OK);
    }
    const auto clsid = clsidFromProgId(reg, host::kViewerProgId);
    ASSERT_TRUE(clsid);
    const std::string key = "CLSID\\" + clsid->toString() + "\\InprocServer32";
    ASSERT_TRUE(reg.setString(platform::registry::Root::ClassesRoot, key, "", other));

    host::ViewerHost viewers(builtLibrary());
    ASSERT_EQ(viewers.create(2), S_OK);
    const auto registered = inprocServerOf(reg, *clsid);
    ASSERT_TRUE(registered);
    EXPECT_TRUE(std::filesystem::equivalent(*registered, builtLibrary())) << *registered;

    host::ViewerHost without("/nonexistent/libstrovix.so.1");
    EXPECT_EQ(without.create(1), S_OK);
    EXPECT_TRUE(std::filesystem::equivalent(inprocServerOf(reg, *clsid).value_or("/"), builtLibrary()));
}

class AgainstCamsim : public PrivateRegistry {
protected:
    void SetUp() override
    {
        PrivateRegistry::SetUp();
        if (!CamsimProcess::available())
            GTEST_SKIP() << "camsim is not built";
        cams = std::make_unique<CamsimProcess>(std::vector<std::string>{"--cameras", "2", "--audio-off", "--no-auth"});
        ASSERT_TRUE(cams->started());
    }

    std::unique_ptr<CamsimProcess> cams;
};

TEST_F(AgainstCamsim, CamerasDriveTheirViewersAndRecordingsEndWithTheViewers)
{
    TempDir home;
    const std::string recFolder = home.file("rec/gate");
    std::filesystem::create_directories(home.file("etc"));
    home.write("etc/config.ini",
               "[Camera1]\nIP=127.0.0.1\nPORT=" + std::to_string(cams->port(0)) +
                   "\nDISPLAY_LOCATION=Gate\nREC_PATH=" + recFolder +
                   "\nREC_FRAME_RATE=10\nREC_NUMBER_OF_FRAME=40\nREC_AT_START=1\n"
                   "[Camera2]\nIP=127.0.0.1\nPORT=" + std::to_string(cams->port(1)) + "\n");
    AppCfgGO config;
    config.initConfig(home.path());

    QWidget parent;
    parent.resize(640, 480);
    host::ViewerHost viewers(builtLibrary());
    ASSERT_EQ(viewers.create(16), S_OK);
    for (int16_t i = 0; i < 16; ++i) {
        ASSERT_EQ(viewers.createWindow(i, &parent, 160, 120), S_OK);
        viewers.window(i)->move(i % 4 * 160, i / 4 * 120); // a 4x4 grid: every view is seen
    }
    parent.show();
    ViewerGO viewerGO;
    viewerGO.setViewers(viewers.viewers());
    auto cameras = std::make_unique<CameraGO>(config, viewerGO);
    viewers.setStatusHandler([&](int16_t index, int32_t) { cameras->onViewerStatus(index); });

    // Start-up: the focused camera records at start; its viewer holds what
    // the camera pushed, read back through the control's own properties.
    FocusedCamera focused(*cameras);
    Camera& gate = *focused.getFocusedCamera();
    cameras->connectAll();
    ViewerHandle viewer = gate.getViewer();
    EXPECT_EQ(viewer.url(), cams->url(0));
    EXPECT_NE(viewer.avi(), 0);
    EXPECT_TRUE(gate.isRecording());
    EXPECT_EQ(property(viewer, "AviPre").text(), "r-Gate_!0_");
    EXPECT_EQ(property(viewer, "DownloadPrefix").text(), "s-Gate_!0");
    EXPECT_EQ(property(viewer, "AviPath").text(), recFolder);
    EXPECT_EQ(property(viewer, "AviFrame").i4(), 10);
    EXPECT_EQ(property(viewer, "JpgNumInAvi").i4(), 40);
    EXPECT_EQ(property(viewer, "ReconnectTryNum").i4(), 2000000000);
    EXPECT_EQ(property(viewer, "FontColor").colorValue(), 0x00FFFFFFu);
    EXPECT_EQ(property(viewer, "ShowText").i4(), 1);
    EXPECT_EQ(property(viewer, "StatusBarCtrl").i4(), 3);
    EXPECT_EQ(property(viewer, "DownloadNum").i4(), 1);
    EXPECT_EQ(property(viewer, "DownType").i4(), 1);
    EXPECT_EQ(property(viewer, "DownAviType").i4(), 0);
    EXPECT_EQ(property(viewer, "Audio").i4(), 0);
    EXPECT_EQ(property(viewer, "BackColor").colorValue(), 0u);
    EXPECT_EQ(property(cameras->getCamera(5)->getViewer(), "URL").text(), "") << "unconfigured";

    // A viewer connected behind the camera's back reports its state; the
    // Status event marks the camera connecting.
    Camera& second = *cameras->getCamera(1);
    second.disconnect();
    ASSERT_FALSE(second.isConnecting());
    second.getViewer().setUrl(cams->url(1));
    EXPECT_TRUE(pumpUntil([&] { return second.isConnecting(); })) << "no Status event";

    // Let the recording take pictures, then take everything down as the
    // application does: windows first, then the controls.
    ComPtr<ViewStatistics> stats;
    viewer.dispatch()->queryInterface(ViewStatistics::iid, stats.put());
    ASSERT_TRUE(stats);
    EXPECT_TRUE(pumpUntil([&] { return stats->picturesShown() >= 15; })) << "no pictures";
    // The program's statistics add up every viewer's own counter.
    EXPECT_GE(ViewerStatisticsReport::picturesShown(viewerGO.getViewers()), stats->picturesShown());
    // And their latencies to the screen, once each.
    std::vector<float> latencies = ViewerStatisticsReport::takeLatencies(viewerGO.getViewers());
    EXPECT_FALSE(latencies.empty());
    EXPECT_NE(ViewerStatisticsReport::latencyText(latencies).find("latency median "), std::string::npos);
    stats.reset();
    viewer = ViewerHandle();
    viewers.shutdown();
    viewerGO.clear();
    cameras->releaseViewers();
    QApplication::processEvents();

    int finished = 0;
    for (const auto& entry : std::filesystem::directory_iterator(recFolder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name[0], '.') << "an unfinished file was left: " << name;
        if (name.rfind("r-Gate_!0_", 0) == 0 && entry.path().extension() == ".avi" && entry.file_size() > 0)
            ++finished;
    }
    EXPECT_GE(finished, 1);
    EXPECT_FALSE(gate.isConnecting());
    EXPECT_FALSE(gate.getViewer().isBound());
}

// Recording on motion through real viewers: camsim moves its motion counter
// only on request, the hold timers run out when the test says so.
class MotionAgainstCamsim : public PrivateRegistry {
protected:
    // camsim with `login` ("--no-auth" or "--no-auth-as", "guest") and the
    // application folder's camera 1 ("Gate", recording on motion) connected.
    void start(std::vector<std::string> login)
    {
        if (!CamsimProcess::available())
            GTEST_SKIP() << "camsim is not built";
        std::vector<std::string> args{"--cameras", "1", "--audio-off", "--fps", "10", "--motion-interval", "0"};
        args.insert(args.end(), login.begin(), login.end());
        cams = std::make_unique<CamsimProcess>(args);
        ASSERT_TRUE(cams->started());
        std::filesystem::create_directories(home.file("etc"));
        home.write("etc/config.ini", "[Camera1]\nIP=127.0.0.1\nPORT=" + std::to_string(cams->port(0)) +
                                         "\nDISPLAY_LOCATION=Gate\nREC_PATH=" + recFolder() +
                                         "\nREC_FRAME_RATE=10\nREC_ON_MOTION=1\nMOTION_HOLD=5\n");
        config.initConfig(home.path());
        parent = std::make_unique<QWidget>();
        parent->resize(320, 240);
        host = std::make_unique<host::ViewerHost>(builtLibrary());
        ASSERT_EQ(host->create(1), S_OK);
        ASSERT_EQ(host->createWindow(0, parent.get(), 160, 120), S_OK);
        parent->show();
        viewerGO.setViewers(host->viewers());
        cameras = std::make_unique<CameraGO>(config, viewerGO);
        cameras->setHoldTimerFactory(timers.factory());
        cameras->setAlertSink([this](const std::string& line) { alerts.push_back(line); });
        host->setStatusHandler([this](int16_t index, int32_t) { cameras->onViewerStatus(index); });
        host->setMotionHandler([this](int16_t index) {
            ++motionEvents;
            cameras->onViewerMotion(index);
        });
        gate = cameras->getCamera(0);
        gate->connect();
    }

    void TearDown() override
    {
        if (host)
            host->shutdown();
        viewerGO.clear();
        if (cameras)
            cameras->releaseViewers();
        QApplication::processEvents();
        PrivateRegistry::TearDown();
    }

    std::string recFolder() const { return home.file("rec"); }
    // The camera sees motion until the viewer has reported it.
    bool motionReported()
    {
        const int before = motionEvents;
        for (int i = 0; i < 30; ++i) {
            if (cams->get(0, "/SimulateMotion.cgi") != 200)
                return false;
            // The viewer compares counters from the first status block that
            // shows the switch on, so an early step may pass unreported.
            if (pumpUntil([&] { return motionEvents > before; }, 1000))
                return true;
        }
        return false;
    }
    int picturesShown() const
    {
        ComPtr<ViewStatistics> stats;
        gate->getViewer().dispatch()->queryInterface(ViewStatistics::iid, stats.put());
        return stats ? stats->picturesShown() : 0;
    }
    // The finished recordings of the folder whose name carries `bits` after "!".
    int recordingsWith(int32_t bits) const
    {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(recFolder())) {
            const auto parsed = parseRecFileName(entry.path().filename().string(), "r-");
            n += parsed && parsed->location == "Gate" && parsed->number == bits && entry.file_size() > 0;
        }
        return n;
    }

    TempDir home;
    AppCfgGO config;
    std::unique_ptr<QWidget> parent; // made once the application object exists
    std::unique_ptr<CamsimProcess> cams;
    std::unique_ptr<host::ViewerHost> host;
    ViewerGO viewerGO;
    FakeHoldTimers timers;
    std::vector<std::string> alerts;
    int motionEvents = 0;
    std::unique_ptr<CameraGO> cameras;
    Camera* gate = nullptr;
};

TEST_F(MotionAgainstCamsim, MotionRecordsUnderTheMotionBitAndOtherTriggersKeepTheirs)
{
    start({"--no-auth"});
    ASSERT_TRUE(pumpUntil([&] { return gate->motion().isArmed(); })) << "no Status event";
    ASSERT_TRUE(pumpUntil([&] { return cams->countRequests("/SetMotionDetect.cgi?Enable=true", 0) == 1; }));

    // Motion starts a recording named with the motion bit.
    ASSERT_TRUE(motionReported());
    ASSERT_TRUE(gate->isRecording());
    EXPECT_EQ(property(gate->getViewer(), "AviPre").text(), "r-Gate_!1_");
    FakeHoldTimer& hold = *timers.made.at(0);
    EXPECT_EQ(hold.after(), std::chrono::seconds(5));
    // Further motion extends the hold.
    const int starts = hold.starts;
    ASSERT_TRUE(motionReported());
    EXPECT_EQ(hold.starts, starts + 1);
    EXPECT_TRUE(gate->isRecording());
    const int shown = picturesShown();
    ASSERT_TRUE(pumpUntil([&] { return picturesShown() >= shown + 5; })) << "no pictures";
    // The hold's end stops it; the file carries the bit.
    hold.runOut();
    EXPECT_FALSE(gate->isRecording());
    EXPECT_EQ(recordingsWith(1), 1);
    EXPECT_EQ(property(gate->getViewer(), "AviPre").text(), "r-Gate_!0_");

    // A recording by hand: motion neither holds it nor stops it.
    gate->startRec();
    ASSERT_TRUE(motionReported());
    EXPECT_FALSE(gate->motion().isHolding());
    hold.runOut();
    EXPECT_TRUE(gate->isRecording());
    const int byHand = picturesShown();
    ASSERT_TRUE(pumpUntil([&] { return picturesShown() >= byHand + 3; }));
    gate->stopRec();
    EXPECT_EQ(recordingsWith(0), 1);

    // A motion recording taken over by a schedule: the motion's part is
    // closed with the bit, the rest is the schedule's and outlives the hold.
    ASSERT_TRUE(motionReported());
    ASSERT_TRUE(gate->motion().ownsRecording());
    const int before = picturesShown();
    ASSERT_TRUE(pumpUntil([&] { return picturesShown() >= before + 3; }));
    auto item = std::make_shared<ScheduleItem>();
    for (auto set : {&ScheduleItem::setMinute, &ScheduleItem::setHour, &ScheduleItem::setDay,
                     &ScheduleItem::setMonth, &ScheduleItem::setWeekDay})
        ((*item).*set)(-1);
    gate->getSchedule()->addItem(item);
    gate->startScheduledRec();
    ASSERT_TRUE(item->isRunning());
    EXPECT_EQ(recordingsWith(1), 2);
    hold.runOut();
    ASSERT_TRUE(motionReported());
    gate->stopScheduledRec();
    EXPECT_TRUE(gate->isRecording());
    EXPECT_EQ(property(gate->getViewer(), "AviPre").text(), "r-Gate_!0_");
    EXPECT_TRUE(alerts.empty());
}

TEST_F(MotionAgainstCamsim, AGuestLoginGetsTheAlertLineAndNoRecording)
{
    start({"--no-auth-as", "guest"});
    ASSERT_TRUE(pumpUntil([&] { return !alerts.empty(); })) << "no alert line";
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].find("Recording on motion cannot start for 1. Gate: the camera login is not an administrator"),
              std::string::npos)
        << alerts[0];
    EXPECT_FALSE(gate->motion().isArmed());
    // The viewer refused before asking the camera; a motion step records nothing.
    EXPECT_EQ(cams->get(0, "/SimulateMotion.cgi"), 200);
    const int shown = picturesShown();
    ASSERT_TRUE(pumpUntil([&] { return picturesShown() >= shown + 5; })) << "no pictures";
    EXPECT_EQ(cams->countRequests("/SetMotionDetect.cgi"), 0);
    EXPECT_FALSE(gate->isRecording());
    EXPECT_TRUE(timers.made.empty());
    EXPECT_EQ(alerts.size(), 1u);
}

} // namespace

TEST(ViewerStatistics, LatencyMedianAndPercentile)
{
    std::vector<float> none;
    EXPECT_EQ(ViewerStatisticsReport::latencyText(none), "latency median - ms p95 - ms");
    std::vector<float> one{7.25f};
    EXPECT_EQ(ViewerStatisticsReport::latencyText(one), "latency median 7.2 ms p95 7.2 ms");
    // 1..100 shuffled: the 50th and the 95th value.
    std::vector<float> hundred;
    for (int i = 0; i < 100; ++i)
        hundred.push_back(float((i * 37) % 100 + 1));
    EXPECT_EQ(ViewerStatisticsReport::latencyText(hundred), "latency median 50.0 ms p95 95.0 ms");
}

