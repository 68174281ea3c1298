#include "DispatchHost.h"
#include "FakeCamera.h"
#include "control/automation/VidorraControl.h"
#include "control/automation/VidorraIdentity.h"
#include "control/display/ControlWindow.h"
#include "platform/component/ErrorInfo.h"
#include "support/TempDir.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

using namespace platform::component;
using namespace strovix;

namespace {

class VidorraContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        control = ComPtr<VidorraControl>::adopt(new VidorraControl(camera.factory()));
        host.d = control.get();
        control->advise(kIidIVidorraEvents, &events, &cookie);
    }
    void TearDown() override
    {
        control->unadvise(kIidIVidorraEvents, cookie);
        control.reset();
    }
    // The login as the window thread records it from the camera's reply.
    void logIn(int level, const std::string& user = "administrator")
    {
        ASSERT_TRUE(::logIn(*control, level, user));
    }
    // The fake camera's address: the probe finds nobody (S_FALSE), the
    // address is kept and the commands go to the fake.
    void connect()
    {
        ASSERT_TRUE(connectToNobody(host, *control, camera.base));
        ASSERT_EQ(host.get("URL"), Variant(camera.base));
    }
    // Waits until `n` requests went out (and a little more for strays).
    std::vector<std::string> sent(size_t n)
    {
        pumpUntil([&] { return camera.paths().size() >= n; });
        pumpFor(20);
        return camera.paths();
    }

    FakeCamera camera;
    EventLog events;
    uint32_t cookie = 0;
    ComPtr<VidorraControl> control;
    DispatchHost host;
};

void expectRefusal(DispatchHost& host, HResult hr, const std::string& text)
{
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(host.lastError.description, text);
    EXPECT_EQ(host.lastError.source, "Strovix.Vidorra.1");
    EXPECT_TRUE(host.lastError.iid.isNull());
    // The same object is the calling thread's current error information.
    EXPECT_EQ(takeErrorInfo(), host.lastError);
}

} // namespace

TEST_F(VidorraContract, InitialValuesAreThoseOfTheContract)
{
    EXPECT_EQ(host.get("URL"), Variant(""));
    EXPECT_EQ(host.get("Layout"), Variant(1));
    EXPECT_EQ(host.get("ShowIntervalTime"), Variant(60));
    EXPECT_EQ(host.get("ReconnectTryNum"), Variant(100));
    EXPECT_EQ(host.get("ReconnectTryTime"), Variant(3));
    EXPECT_EQ(host.get("DownloadPrefix"), Variant("webcam"));
    EXPECT_EQ(host.get("AviFrame"), Variant(6));
    EXPECT_EQ(host.get("Open"), Variant(-1));
    EXPECT_EQ(host.get("Quality"), Variant(-1));
    EXPECT_EQ(host.get("JpgNumInAvi"), Variant(500));
    EXPECT_EQ(host.get("DownloadTime"), Variant(10));
    EXPECT_EQ(host.get("DownloadSize"), Variant(1000));
    EXPECT_EQ(host.get("AviTotalSize"), Variant(100));
    EXPECT_EQ(host.get("AviDownNum"), Variant(500));
    EXPECT_EQ(host.get("AutoFrame"), Variant(1));
    EXPECT_EQ(host.get("FontColor"), Variant::color(0x0000FF00));
    EXPECT_EQ(host.get("StatusBarCtrl"), Variant(1));
    EXPECT_EQ(host.get("ServerAudio"), Variant(0));
    EXPECT_EQ(host.get("AudioFormat"), Variant("Pcm"));
    EXPECT_FALSE(host.get("DownloadPath").text().empty());
}

TEST_F(VidorraContract, RangeRefusalsCarryTheirTextAndChangeNothing)
{
    EXPECT_EQ(host.put("ShowIntervalTime", 0), S_OK);
    expectRefusal(host, host.put("ShowIntervalTime", -1), "IntervalTime is greater than 0");
    EXPECT_EQ(host.get("ShowIntervalTime"), Variant(0));

    EXPECT_EQ(host.put("DownloadNum", -1), S_OK);
    expectRefusal(host, host.put("DownloadNum", -2), "DownloadNum is no less than 0 or -1");
    EXPECT_EQ(host.get("DownloadNum"), Variant(-1));

    expectRefusal(host, host.put("ReconnectTryNum", -1), "ReconnectTryNum is no less than 0");
    expectRefusal(host, host.put("ReconnectTryTime", -1), "ReconnectTryTime is no less than 0");
    expectRefusal(host, host.put("AviFrame", 0), "AviFrame is greater than 0");
    expectRefusal(host, host.put("AviTotalSize", 0), "Avi Total Size is greater than 0");
    expectRefusal(host, host.put("AviTotalTime", 0), "Avi Total Time is greater than 0");
    expectRefusal(host, host.put("DownType", 4), "Down Type error");
    expectRefusal(host, host.put("DownAviType", -1), "Avi Down Type error");
    expectRefusal(host, host.put("SaveIntervalNum", 0), "the value should not be less than 1");
    expectRefusal(host, host.put("AviSaveIntervalNum", 0), "the value should not be less than 1");

    // Quiet refusals leave no error information.
    EXPECT_EQ(host.put("JpgNumInAvi", 10000), S_FALSE);
    EXPECT_FALSE(takeErrorInfo());
    EXPECT_EQ(host.get("JpgNumInAvi"), Variant(500));
    EXPECT_EQ(host.put("DateFormat", 10), S_FALSE);
    EXPECT_EQ(host.put("TimeFormat", 3), S_OK);
    EXPECT_EQ(host.put("Layout", 5), S_FALSE);
    EXPECT_EQ(host.put("Layout", 0), S_FALSE);
    EXPECT_TRUE(events.events.empty());
}

TEST_F(VidorraContract, UnitsConvertAtTheInterface)
{
    EXPECT_EQ(host.put("DownloadSize", 3), S_OK);
    EXPECT_EQ(host.get("DownloadSize"), Variant(3));
    EXPECT_EQ(control->recorder().settings().downloadSizeBytes(), 3072);
    EXPECT_EQ(host.put("DownloadTime", 2000000), S_OK);
    EXPECT_EQ(control->recorder().settings().downloadTimeMs(), int64_t(2000000) * 1000);
    expectRefusal(host, host.put("DownloadTime", 2000001), "Download Total Time is greater than 0 and less 2000000");
    expectRefusal(host, host.put("DownloadSize", 0), "Download Total Size is greater than 0 and less 2000000");
    EXPECT_EQ(host.get("DownloadTime"), Variant(2000000));
    // Large sizes are held without overflow.
    EXPECT_EQ(host.put("AviTotalSize", 2147483647), S_OK);
    EXPECT_EQ(host.get("AviTotalSize"), Variant(2147483647));
}

TEST_F(VidorraContract, AudioFormatAndExtendedStatusRange)
{
    EXPECT_EQ(host.put("AudioFormat", "ADPCM"), S_OK);
    EXPECT_EQ(host.get("AudioFormat"), Variant("Adpcm"));
    EXPECT_EQ(host.put("AudioFormat", "mp3"), S_OK);
    EXPECT_EQ(host.get("AudioFormat"), Variant("Adpcm"));
    EXPECT_EQ(host.put("AudioFormat", "pcm"), S_OK);
    EXPECT_EQ(control->session().audioFormat(), 0);

    EXPECT_EQ(host.call("SetExStatus", {5, 9}), S_OK);
    EXPECT_EQ(host.call("SetExStatus", {5, 3}), S_FALSE);
    EXPECT_EQ(host.call("SetExStatus", {1, 51}), S_FALSE);
    std::vector<Variant> args{0, Variant()};
    EXPECT_EQ(host.call("GetExStatus", args), S_OK);
    EXPECT_EQ(args[1], Variant(5));
    EXPECT_EQ(host.call("SetExStatus", {0, 0}), S_OK);
    args = {1, Variant()};
    EXPECT_EQ(host.call("GetExStatus", args), S_OK);
    EXPECT_EQ(args[1], Variant(0));
    args = {2, Variant(77)};
    EXPECT_EQ(host.call("GetExStatus", args), S_FALSE);
    EXPECT_EQ(args[1], Variant(77));
}

TEST_F(VidorraContract, LoginLevelGatesAdministration)
{
    connect();
    std::vector<Variant> out{Variant("as passed")};
    EXPECT_EQ(host.call("GetMyself", out), S_FALSE);
    EXPECT_EQ(out[0], Variant("as passed"));
    EXPECT_FALSE(takeErrorInfo());

    logIn(1, "guest");
    EXPECT_EQ(host.put("Quality", 3), S_FALSE);
    EXPECT_FALSE(takeErrorInfo());
    expectRefusal(host, host.put("Open", 1), "You are not an administrator");
    expectRefusal(host, host.call("GetAllUser", {}), "You are not an administrator");
    expectRefusal(host, host.put("Brightness", 10), "You are not an administrator");
    EXPECT_EQ(host.put("MotionDetect", 1), S_FALSE);
    EXPECT_EQ(host.call("SetTime", {1000, -480}), S_FALSE);
    // An ordinary user may change only their own account, by exact name.
    expectRefusal(host, host.call("SetUser", {"Guest", "x"}), "You are no authority");
    EXPECT_EQ(host.call("SetUser", {"guest", "new"}), S_OK);
    out = {Variant("")};
    EXPECT_EQ(host.call("GetMyself", out), S_OK);
    EXPECT_EQ(out[0], Variant("guest"));
    // Commands without a check go out for anyone.
    EXPECT_EQ(host.call("GetLog", {}), S_OK);
    const auto paths = sent(2);
    EXPECT_EQ(paths.size(), 2u);
    EXPECT_NE(std::find(paths.begin(), paths.end(), "/SetUser.cgi?User=guest&Pass=new"), paths.end());
    EXPECT_NE(std::find(paths.begin(), paths.end(), "/GetLog.cgi"), paths.end());
}

TEST_F(VidorraContract, TuningWritesSendOnlyChangedValuesInRange)
{
    connect();
    logIn(2);
    EXPECT_EQ(host.put("Brightness", -1), S_OK);
    EXPECT_EQ(sent(1), std::vector<std::string>{"/ChangeBrightness.cgi?Brightness=-1"});
    expectRefusal(host, host.put("Brightness", 256), "0-255");
    // The first picture reports brightness 128 (and the rest).
    control->reports().onImageInfo(3u << 16 | 2u << 8 | 128u, 1u << 24 | 2u << 16 | 3u << 8 | 4u);
    EXPECT_EQ(host.get("Brightness"), Variant(128));
    EXPECT_EQ(host.get("Sharpness"), Variant(4));
    EXPECT_EQ(host.put("Brightness", 128), S_OK);
    EXPECT_EQ(host.put("Contrast", 7), S_OK);
    EXPECT_EQ(sent(2), (std::vector<std::string>{"/ChangeBrightness.cgi?Brightness=-1", "/ChangeContrast.cgi?Contrast=7"}));
    // The field itself waits for the camera's report.
    EXPECT_EQ(host.get("Contrast"), Variant(1));
}

TEST_F(VidorraContract, CameraMirroredWritesNeedAChange)
{
    connect();
    logIn(2);
    control->reports().onOpenState(1, 0);
    control->reports().onFrequency(1);
    EXPECT_EQ(host.put("Open", 1), S_FALSE);
    EXPECT_EQ(host.put("Frequency", 1), S_FALSE);
    EXPECT_EQ(host.put("Frequency", 3), S_FALSE);
    EXPECT_EQ(host.put("ServerAudio", 0), S_FALSE);
    EXPECT_EQ(host.put("Open", 0), S_OK);
    EXPECT_EQ(host.put("Frequency", 0), S_OK);
    EXPECT_EQ(host.put("ServerAudio", 1), S_OK);
    auto paths = sent(3);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"/ChangeAECFrequency.cgi?Frequency=Outdoor", "/CloseCamera.cgi",
                                               "/SetAudio.cgi?Enable=true"}));
}

TEST_F(VidorraContract, LayoutFiresTheCellCount)
{
    QWidget parent;
    ASSERT_EQ(control->createWindow(&parent, 300, 240), S_OK);
    events.events.clear(); // building the first cells counts as a layout too
    EXPECT_EQ(host.put("Layout", 3), S_OK);
    EXPECT_EQ(host.get("Layout"), Variant(9));
    ASSERT_EQ(events.of(id(EventId::Layout)).size(), 1u);
    EXPECT_EQ(events.of(id(EventId::Layout))[0], std::vector<Variant>{Variant(9)});
    EXPECT_EQ(control->destroyWindow(), S_OK);
    EXPECT_EQ(control->destroyWindow(), S_FALSE);
}

// The zoom members by their dispatch identifiers, as a host calls them: the
// window's cell follows; a split refuses them quietly.
TEST_F(VidorraContract, ZoomMembersStepClampAndRefuseInASplit)
{
    QWidget parent;
    ASSERT_EQ(control->createWindow(&parent, 320, 240), S_OK);
    const auto zoomIn = [&] { return host.call("ZoomIn", {}); };
    EXPECT_EQ(host.get("Zoom"), Variant(100));
    EXPECT_EQ(host.get("ZoomMode"), Variant(0));
    EXPECT_EQ(host.call("ZoomOut", {}), S_FALSE); // at the whole picture already
    EXPECT_EQ(host.call("ZoomOff", {}), S_FALSE);

    EXPECT_EQ(zoomIn(), S_OK);
    EXPECT_EQ(host.get("Zoom"), Variant(125));
    EXPECT_EQ(host.get("ZoomMode"), Variant(1));
    EXPECT_TRUE(control->display().window()->cells()[0]->zoomed());
    EXPECT_EQ(host.put("Zoom", 800), S_OK);
    EXPECT_EQ(zoomIn(), S_FALSE);
    EXPECT_EQ(host.put("Zoom", 801), S_FALSE);
    EXPECT_EQ(host.put("Zoom", 99), S_FALSE);
    EXPECT_EQ(host.put("Zoom", "250"), S_OK); // coerced as every I4 put is
    EXPECT_EQ(host.call("ZoomOut", {}), S_OK);
    EXPECT_EQ(host.get("Zoom"), Variant(200));
    EXPECT_EQ(host.call("ZoomOff", {}), S_OK);
    EXPECT_EQ(host.get("Zoom"), Variant(100));
    EXPECT_EQ(host.get("ZoomMode"), Variant(0));
    EXPECT_FALSE(control->display().window()->cells()[0]->zoomed());
    EXPECT_EQ(host.put("ZoomMode", 1), S_OK);
    EXPECT_EQ(host.get("ZoomMode"), Variant(1));
    EXPECT_EQ(host.get("Zoom"), Variant(100));

    EXPECT_EQ(host.put("Zoom", 300), S_OK);
    EXPECT_EQ(host.put("Layout", 2), S_OK);
    EXPECT_EQ(host.get("Zoom"), Variant(100));
    EXPECT_EQ(host.get("ZoomMode"), Variant(0));
    EXPECT_EQ(zoomIn(), S_FALSE);
    EXPECT_EQ(host.put("Zoom", 200), S_FALSE);
    EXPECT_EQ(host.put("ZoomMode", 1), S_FALSE);
    EXPECT_EQ(host.put("ZoomMode", 0), S_OK);
    EXPECT_EQ(host.put("Layout", 1), S_OK);
    EXPECT_EQ(zoomIn(), S_OK);
    EXPECT_EQ(control->destroyWindow(), S_OK);
}

TEST_F(VidorraContract, ShowTextModesResetOrRequestTheClock)
{
    connect();
    camera.answers["/GetTime.cgi"] = {0, "Sec1970 = 1000\nTimeZone = 0\n"};
    EXPECT_EQ(host.put("ShowText", 3), S_OK);
    EXPECT_EQ(sent(1), std::vector<std::string>{"/GetTime.cgi"});
    ASSERT_TRUE(pumpUntil([&] { return !events.of(id(EventId::GetTime)).empty(); }));
    EXPECT_NE(control->display().clockOffset(), 0);
    EXPECT_EQ(host.put("ShowText", 1), S_OK);
    EXPECT_EQ(control->display().clockOffset(), 0);
    EXPECT_EQ(host.put("ShowText", 5), S_FALSE);
    EXPECT_EQ(host.get("ShowText"), Variant(1));
}

TEST_F(VidorraContract, DelMenuMarksMenusAndEntries)
{
    EXPECT_EQ(host.call("DelMenu", {2, 3}), S_OK);
    EXPECT_EQ(host.call("DelMenu", {1, 4}), S_OK); // out of range: only the main bit
    EXPECT_EQ(host.call("DelMenu", {10, 0}), S_FALSE);
    EXPECT_TRUE(control->settings().menuRemoved[2]);
    EXPECT_TRUE(control->settings().submenuRemoved[2][3]);
    EXPECT_TRUE(control->settings().menuRemoved[1]);
    EXPECT_FALSE(control->settings().submenuRemoved[1][3]);
    EXPECT_EQ(host.call("DelMenu", {0, 0}), S_OK);
    EXPECT_FALSE(control->settings().menuRemoved[2]);
}

TEST_F(VidorraContract, SaveCurrentJpgCreatesFoldersAndRefusesWhatCannotBeWritten)
{
    TempDir dir;
    control->setCurrentPicture({0xFF, 0xD8, 0xFF, 0xD9});
    EXPECT_EQ(host.call("SaveCurrentJpg", {dir.file("a/b/pic.jpg")}), S_OK);
    EXPECT_EQ(dir.read("a/b/pic.jpg"), std::string("\xFF\xD8\xFF\xD9"));
    dir.write("file", "x");
    EXPECT_EQ(host.call("SaveCurrentJpg", {dir.file("file/pic.jpg")}), S_FALSE);
}

TEST_F(VidorraContract, ReportsBecomeStateAndEventsOnTheWindowThread)
{
    auto post = [&](unsigned msg, uintptr_t w, intptr_t l = 0) {
        control->session().messageTarget()->post(msg, w, l);
    };
    post(WM_VID_OPENSTATE, 1, 2);
    post(WM_VID_OPENSTATE, 1, 2);
    post(WM_VID_OPENSTATE, 2, 1);
    post(WM_VID_OPENSTATE, 2, 1);
    post(WM_VID_FREQUENCY, 2);
    post(WM_VID_FREQUENCY, 2);
    post(WM_VID_MOTION, 1, 1);
    post(WM_VID_MOTION, 0, 0);
    post(WM_VID_SERVERAUDIO, 1);
    post(WM_VID_SERVERAUDIO, 0);
    EXPECT_TRUE(events.events.empty()) << "nothing runs on the worker's side";
    ASSERT_TRUE(pumpUntil([&] { return events.of(id(EventId::ServerAudio)).size() == 2; }));
    EXPECT_EQ(events.of(id(EventId::Status)), (std::vector<std::vector<Variant>>{{Variant(1)}}));
    EXPECT_EQ(events.of(id(EventId::UserCheck)), (std::vector<std::vector<Variant>>{{Variant(1)}, {Variant(1)}}));
    EXPECT_EQ(events.of(id(EventId::Frequency)).size(), 1u);
    EXPECT_EQ(events.of(id(EventId::SetMotionDetect)), (std::vector<std::vector<Variant>>{{Variant(1)}}));
    EXPECT_EQ(events.of(id(EventId::MotionDetect)).size(), 1u);
    EXPECT_EQ(events.of(id(EventId::ServerAudio))[1], std::vector<Variant>{Variant(0)});
    EXPECT_EQ(host.get("Open"), Variant(1));
    EXPECT_EQ(host.get("UserCheck"), Variant(1));
    EXPECT_EQ(host.get("Frequency"), Variant(2));
    EXPECT_EQ(host.get("MotionDetect"), Variant(1));
    EXPECT_EQ(host.get("Audio"), Variant(0));
    EXPECT_EQ(control->paneText(0), "Open");

    // Closed: pane and event; a reconnect forgets what the camera said.
    post(WM_VID_OPENSTATE, 0, 2);
    ASSERT_TRUE(pumpUntil([&] { return events.of(id(EventId::Status)).size() == 2; }));
    EXPECT_EQ(control->paneText(0), "Close");
    connect();
    EXPECT_EQ(host.get("Open"), Variant(-1));
    EXPECT_EQ(host.get("Frequency"), Variant(-1));
}

namespace {

// A host that answers credentials prompts through its own window thread,
// with a short nested event loop there, as a host asking its operator does.
// The prompt reaches the window thread through a field under a lock that a
// timer of that thread looks at: a queued call would hand its captures over
// through Qt's queue, which the thread sanitizer cannot see.
class WindowThreadSite final : public HostSite {
public:
    WindowThreadSite()
    {
        m_poll.setInterval(1);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { answerPending(); });
        m_poll.start();
    }
    bool credentials(const std::string&, std::string& user, std::string& password) override
    {
        entered.fetch_add(1);
        auto done = std::make_shared<std::promise<void>>();
        auto answered = done->get_future();
        {
            std::lock_guard g(m_lock);
            m_pending = done;
        }
        answered.wait();
        user = "operator";
        password = "secret";
        finished.fetch_add(1);
        return true;
    }
    // Waits (without handling events) until `n` calls have come in.
    bool waitEntered(int n) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (entered.load() < n && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return entered.load() >= n;
    }
    std::atomic<int> entered{0};
    std::atomic<int> finished{0};

private:
    // Window thread.
    void answerPending()
    {
        std::shared_ptr<std::promise<void>> done;
        {
            std::lock_guard g(m_lock);
            done = std::move(m_pending);
        }
        if (!done)
            return;
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
        done->set_value();
    }

    QTimer m_poll;
    std::mutex m_lock;
    std::shared_ptr<std::promise<void>> m_pending; // guarded by m_lock
};

} // namespace

// The host's callback waits for the window thread while that thread detaches
// the site or destroys the control: neither may deadlock, and neither may
// return while the site is still being called.
TEST(VidorraHosting, CredentialsAnsweredOnTheWindowThreadDoNotDeadlock)
{
    testApp();
    FakeCamera camera;
    auto control = ComPtr<VidorraControl>::adopt(new VidorraControl(camera.factory()));
    WindowThreadSite site;
    control->setSite(&site);
    const auto provider = control->session().credentialsProvider();
    std::atomic<int> cancel{0};

    auto first = std::async(std::launch::async, [&] { return provider->ask("cam:80", "", cancel); });
    ASSERT_TRUE(site.waitEntered(1));
    control->setSite(nullptr);
    EXPECT_EQ(site.finished.load(), 1);
    const auto answer = first.get();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->user, "operator");
    EXPECT_EQ(answer->password, "secret");
    // Detached: the next prompt does not reach the site (and, cancelled,
    // does not wait for the operator either).
    cancel = 1;
    EXPECT_FALSE(std::async(std::launch::async, [&] { return provider->ask("cam:80", "", cancel); }).get());
    EXPECT_EQ(site.entered.load(), 1);

    cancel = 0;
    control->setSite(&site);
    auto second = std::async(std::launch::async, [&] { return provider->ask("cam:80", "", cancel); });
    ASSERT_TRUE(site.waitEntered(2));
    control.reset();
    EXPECT_EQ(site.finished.load(), 2);
    EXPECT_TRUE(second.get());
}
