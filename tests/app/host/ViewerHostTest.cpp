// The camera slots driving real viewer controls, created through the
// component layer as the application creates them, against camsim.
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/FocusedCamera.h"
#include "app/core/ViewerGO.h"
#include "app/host/ViewerCreation.h"
#include "app/host/ViewerHost.h"
#include "app/host/ViewerStatisticsReport.h"
#include "platform/component/Creation.h"
#include "platform/component/Hosting.h"
#include "platform/registry/Registry.h"
#include "support/CamsimProcess.h"
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

// Runs the event loop until `done` holds or `timeoutMs` passed (a bound for
// a stuck test, not a speed target).
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 30000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

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
    for (int16_t i = 0; i < 16; ++i)
        ASSERT_EQ(viewers.createWindow(i, &parent, 160, 120), S_OK);
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

} // namespace
