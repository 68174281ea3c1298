// The control against the camera simulator, as a host drives it.
#include "DispatchHost.h"
#include "FakeCamera.h"
#include "control/automation/VidorraControl.h"
#include "control/automation/VidorraIdentity.h"
#include "control/display/ContextMenu.h"
#include "control/display/ControlDialogs.h"
#include "control/display/ControlUi.h"
#include "support/CamsimProcess.h"
#include "support/LoginOperator.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <gtest/gtest.h>

using namespace platform::component;
using namespace strovix;

namespace {

struct Site : HostSite {
    bool credentials(const std::string&, std::string& user, std::string& password) override
    {
        user = "administrator";
        password = "admin";
        return true;
    }
};

class AgainstCamsim : public ::testing::Test {
protected:
    void start(std::vector<std::string> args = {}, bool cameraSound = false)
    {
        testApp();
        if (!CamsimProcess::available())
            GTEST_SKIP() << "camsim is not built";
        if (!cameraSound)
            args.push_back("--audio-off");
        cam = std::make_unique<CamsimProcess>(args);
        ASSERT_TRUE(cam->started());
        control = ComPtr<VidorraControl>::adopt(new VidorraControl());
        host.d = control.get();
        control->setSite(&site);
        control->advise(kIidIVidorraEvents, &events, &cookie);
        parent = std::make_unique<QWidget>();
        ASSERT_EQ(control->createWindow(parent.get(), 320, 240), S_OK);
        ASSERT_EQ(host.put("URL", cam->url()), S_OK);
        ASSERT_TRUE(pumpUntil([&] { return control->loginLevel() == 2; }, 5000));
    }
    void TearDown() override
    {
        if (control) {
            control->destroyWindow();
            control->setSite(nullptr);
            control.reset();
        }
    }
    bool waitFor(EventId e, size_t n = 1, int ms = 15000)
    {
        return pumpUntil([&] { return events.of(id(e)).size() >= n; }, ms);
    }
    // The targets camsim received with credentials.
    std::vector<std::string> targets()
    {
        std::vector<std::string> out;
        for (auto& line : cam->requestLog())
            if (line.find(" user=- ") == std::string::npos && line.find(" GET ") != std::string::npos)
                out.push_back(line.substr(line.find(" GET ") + 5));
        return out;
    }
    bool waitForTarget(const std::string& target)
    {
        return pumpUntil([&] {
            auto t = targets();
            return std::find(t.begin(), t.end(), target) != t.end();
        });
    }

    std::unique_ptr<CamsimProcess> cam;
    Site site;
    std::unique_ptr<QWidget> parent;
    EventLog events;
    uint32_t cookie = 0;
    ComPtr<VidorraControl> control;
    DispatchHost host;
};

} // namespace

TEST_F(AgainstCamsim, FirstStatusAndFirstPictureReportTheCamera)
{
    start();
    ASSERT_TRUE(waitFor(EventId::ImageTuning, 5));
    ASSERT_TRUE(waitFor(EventId::GetCamName));
    for (EventId e : {EventId::Status, EventId::UserCheck, EventId::Frequency, EventId::ServerAudio,
                      EventId::Resolution, EventId::Quality, EventId::CamVer})
        EXPECT_EQ(events.of(id(e)).size(), 1u) << id(e);
    EXPECT_EQ(events.of(id(EventId::Status))[0], std::vector<Variant>{Variant(1)});
    EXPECT_EQ(events.of(id(EventId::Resolution))[0], std::vector<Variant>{Variant(3)});
    std::vector<int32_t> choices;
    for (auto& args : events.of(id(EventId::ImageTuning)))
        choices.push_back(args[0].i4());
    EXPECT_EQ(choices, (std::vector<int32_t>{4, 3, 2, 1, 0}));
    EXPECT_EQ(host.get("CamName"), Variant("Camera 1"));
    EXPECT_EQ(control->paneText(0), "Open");
    EXPECT_EQ(control->paneText(1), "640 X 480");
    EXPECT_EQ(control->paneText(2), "Medium");
    EXPECT_EQ(control->welcomeText(), "Welcome! administrator");
    // The clock counter of the first block is 00: the only clock request is
    // the one after login.
    pumpFor(300);
    EXPECT_EQ(cam->countRequests("/GetTime.cgi"), 1);
    EXPECT_GE(cam->countRequests("/GetName.cgi"), 1);
    EXPECT_GT(control->picturesShown(), 0);
}

TEST_F(AgainstCamsim, CapabilityAndVersionShapeTheMenusAndNames)
{
    start({"--resolution-mask", "36", "--camera-version", "5.06", "--no-quality-cap"});
    ASSERT_TRUE(waitFor(EventId::CamVer));
    EXPECT_EQ(events.of(id(EventId::CamVer))[0], std::vector<Variant>{Variant("5.06")});
    EXPECT_EQ(control->camera().camVersionFlag, 0);
    ASSERT_TRUE(pumpUntil([&] { return !control->operatorUi().capabilityMenus().resolution.empty(); }));
    EXPECT_EQ(control->operatorUi().capabilityMenus().resolution,
              (std::vector<MenuItem>{{"640 X 480", 3}, {"176 X 144", 0}}));
    EXPECT_TRUE(control->operatorUi().capabilityMenus().qualityTwoLevels);
    ASSERT_TRUE(waitFor(EventId::Quality));
    EXPECT_EQ(control->paneText(2), ""); // quality index 2 has no two-level name
    // The submenus check the reported resolution.
    ASSERT_NE(control->operatorUi().resolutionMenu(), nullptr);
    const auto actions = control->operatorUi().resolutionMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "640 X 480");
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_FALSE(actions[1]->isChecked());
    EXPECT_EQ(control->operatorUi().qualityMenu()->actions().size(), 2);
    // Choosing 176 X 144 asks the camera; the check follows its report.
    actions[1]->trigger();
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_TRUE(waitForTarget("/ChangeResolution.cgi?ResType=0"));
    ASSERT_TRUE(waitFor(EventId::Resolution, 2));
    EXPECT_EQ(events.of(id(EventId::Resolution))[1], std::vector<Variant>{Variant(0)});
    EXPECT_TRUE(actions[1]->isChecked());
    EXPECT_EQ(control->paneText(1), "176 X 144");
}

TEST_F(AgainstCamsim, AdministrationRequestsGoOutAsTheCommandsSay)
{
    start({"--fault", "answer=503@/GetFtp.cgi"});
    ASSERT_TRUE(waitFor(EventId::Frequency));
    EXPECT_EQ(host.call("SetIP", {1, "", "", "", "", "", ""}), S_OK);
    EXPECT_TRUE(waitForTarget("/SetIP.cgi?IPWay=dhcp&IP=&Netmask=&Gateway=&DNS0=&DNS1=&DNS2="));
    EXPECT_EQ(host.call("SendMail", {"smtp", "a@b", "c@d", "s", "c", "f", "pw", 0}), S_OK);
    EXPECT_TRUE(waitForTarget("/SendMail.cgi?MailServer=smtp&Sender=a@b&Receiver=c@d&Subject=s&AttachFile=f&Content=c"));
    EXPECT_EQ(host.call("SetMail", {"smtp", "a@b", "c@d", "pw", 0, 1}), S_OK);
    EXPECT_TRUE(waitForTarget("/SetMail.cgi?MailServer=smtp&Sender=a@b&Receiver=c@d&Enable=true"));
    EXPECT_EQ(host.put("Frequency", 0), S_OK);
    EXPECT_TRUE(waitForTarget("/ChangeAECFrequency.cgi?Frequency=Outdoor"));

    // User names go as given, except the bytes that would break the request.
    EXPECT_EQ(host.call("SetUser", {"a&b", "pw"}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetAllUser));
    EXPECT_TRUE(waitForTarget("/SetUser.cgi?User=a&b&Pass=pw"));
    EXPECT_EQ(host.call("DelUser", {"x y"}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetAllUser, 2));
    EXPECT_TRUE(waitForTarget("/DelUser.cgi?User=x%20y"));
    EXPECT_FALSE(events.of(id(EventId::GetAllUser))[1][0].text().empty());

    // The camera refuses: no event.
    EXPECT_EQ(host.call("GetFtp", {}), S_OK);
    EXPECT_TRUE(waitForTarget("/GetFtp.cgi"));
    pumpFor(200);
    EXPECT_TRUE(events.of(id(EventId::GetFtp)).empty());

    // The camera reports the new frequency with its status.
    ASSERT_TRUE(waitFor(EventId::Frequency, 2));
    EXPECT_EQ(events.of(id(EventId::Frequency))[1], std::vector<Variant>{Variant(0)});
    EXPECT_EQ(host.get("Frequency"), Variant(0));
}

TEST_F(AgainstCamsim, RenamingTheCameraReadsTheNameBack)
{
    start();
    ASSERT_TRUE(waitFor(EventId::GetCamName));
    const size_t before = events.of(id(EventId::GetCamName)).size();
    EXPECT_EQ(host.put("CamName", "Gate"), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return host.get("CamName") == Variant("Gate"); }, 5000));
    EXPECT_GT(events.of(id(EventId::GetCamName)).size(), before);
    EXPECT_TRUE(waitForTarget("/SetIP.cgi?CameraName=Gate"));
}

TEST_F(AgainstCamsim, RecordingSwitchesWriteTheShownPictures)
{
    start();
    TempDir dir;
    EXPECT_EQ(host.put("DownloadPath", dir.path()), S_OK);
    EXPECT_EQ(host.put("AviPath", dir.path()), S_OK);
    EXPECT_EQ(host.put("Download", 1), S_OK);
    EXPECT_EQ(host.put("Avi", 1), S_OK);
    const int64_t shown = control->picturesShown();
    ASSERT_TRUE(pumpUntil([&] { return control->picturesShown() >= shown + 10; }, 5000));
    EXPECT_EQ(host.put("Download", 0), S_OK);
    EXPECT_EQ(host.get("Avi"), Variant(1));
    // RecordDialog while recording: stops it, as F11 does.
    EXPECT_EQ(host.call("RecordDialog", {}), S_OK);
    EXPECT_EQ(host.get("Avi"), Variant(0));
    EXPECT_EQ(control->paneText(6), "No Image Record.");
    int jpegs = 0, avis = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
        jpegs += e.path().extension() == ".jpg";
        avis += e.path().extension() == ".avi";
    }
    EXPECT_GE(jpegs, 5);
    EXPECT_EQ(avis, 1);
    // SaveCurrentJpg writes the newest picture.
    EXPECT_EQ(host.call("SaveCurrentJpg", {dir.file("one/now.jpg")}), S_OK);
    EXPECT_EQ(dir.read("one/now.jpg").substr(0, 2), "\xFF\xD8");
}

TEST_F(AgainstCamsim, AudioSwitchStartsAndStopsTheSoundThread)
{
    start({}, true);
    ASSERT_TRUE(waitFor(EventId::ServerAudio));
    EXPECT_EQ(events.of(id(EventId::ServerAudio))[0], std::vector<Variant>{Variant(1)});
    EXPECT_EQ(host.put("AudioFormat", "ADPCM"), S_OK);
    EXPECT_EQ(host.put("Audio", 1), S_OK);
    EXPECT_TRUE(control->audio().running());
    ASSERT_TRUE(pumpUntil([&] { return cam->countRequests("/GetAudioData.cgi?Format=Adpcm") > 0; }, 5000));
    EXPECT_EQ(host.put("Audio", 0), S_OK);
    EXPECT_FALSE(control->audio().running());
    EXPECT_EQ(host.get("Audio"), Variant(0));
    EXPECT_EQ(host.get("AudioFormat"), Variant("Adpcm"));
}

TEST_F(AgainstCamsim, ASecondCallWhileTheFirstRunsFindsItsRequestBusy)
{
    // The first reply takes long enough that the second call surely finds
    // it running, however slowly this machine gets there.
    start({"--fault", "delay=2000@/GetLog.cgi"});
    ASSERT_TRUE(waitFor(EventId::GetCamName));
    EXPECT_EQ(host.call("GetLog", {}), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return cam->countRequests("/GetLog.cgi") == 1; }));
    EXPECT_EQ(host.call("GetLog", {}), S_OK);
    ASSERT_TRUE(waitFor(EventId::GetLog));
    pumpFor(300);
    EXPECT_EQ(events.of(id(EventId::GetLog)).size(), 1u);
    EXPECT_EQ(cam->countRequests("/GetLog.cgi"), 1);
}

TEST_F(AgainstCamsim, GenericRequestsReturnTheCamerasReply)
{
    start();
    std::vector<Variant> args{"GetName.cgi", Variant(), Variant()};
    EXPECT_EQ(host.call("ExCmd", args), S_OK);
    ASSERT_EQ(args[1].type(), Variant::Type::BytesRef);
    const std::string bytes(args[1].buffer()->begin(), args[1].buffer()->end());
    EXPECT_NE(bytes.find("CameraName = Camera 1"), std::string::npos) << bytes;
    EXPECT_EQ(args[2], Variant(int32_t(bytes.size())));
    ASSERT_TRUE(waitFor(EventId::ExCmd));
    EXPECT_EQ(events.of(id(EventId::ExCmd))[0], std::vector<Variant>{Variant(int32_t(bytes.size()))});

    std::vector<Variant> text{"GetVer.cgi?VName=Camera", Variant()};
    EXPECT_EQ(host.call("JspExCmd", text), S_OK);
    EXPECT_EQ(text[1], Variant("CamVer = 510\n"));
    text = {"NoSuchPage.cgi", Variant()};
    EXPECT_EQ(host.call("JspExCmd", text), S_FALSE);
    EXPECT_EQ(text[1], Variant("CamVer = 510\n")); // the previous reply
}

namespace {

// What an independent reader makes of an AVI file: the video's playing time
// (ffprobe) and the seconds of 8 kHz 16-bit mono sound it decodes (ffmpeg).
struct Heard {
    double videoSeconds = -1;
    double soundSeconds = -1;
};

std::string run(const std::string& cmd)
{
    std::string out;
    if (FILE* pipe = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            out.append(buf, n);
        ::pclose(pipe);
    }
    return out;
}

Heard readBack(const std::string& path)
{
    Heard h;
    const std::string video = run("ffprobe -v error -select_streams v -show_entries stream=duration -of csv=p=0 '"
                                  + path + "' 2>/dev/null");
    if (!video.empty())
        h.videoSeconds = std::atof(video.c_str());
    const std::string bytes =
        run("ffmpeg -v error -i '" + path + "' -map 0:a? -f s16le -acodec pcm_s16le - 2>/dev/null | wc -c");
    if (!bytes.empty())
        h.soundSeconds = std::atof(bytes.c_str()) / 16000.0;
    return h;
}

std::vector<std::string> aviFiles(const std::string& folder)
{
    std::vector<std::string> out;
    for (auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.path().extension() == ".avi")
            out.push_back(e.path().string());
    return out;
}

} // namespace

TEST_F(AgainstCamsim, CameraSoundGoesIntoAviRecordingsOnlyWithAutoFrame)
{
    if (std::system("ffprobe -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffprobe is not installed";
    start({}, true);
    ASSERT_TRUE(waitFor(EventId::ServerAudio));
    EXPECT_EQ(host.put("Audio", 1), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return cam->countRequests("/GetAudioData.cgi?Format=Pcm") > 0; }, 5000));

    for (int autoFrame : {1, 0}) {
        SCOPED_TRACE(autoFrame ? "AutoFrame 1" : "AutoFrame 0");
        TempDir dir;
        EXPECT_EQ(host.put("AviPath", dir.path()), S_OK);
        EXPECT_EQ(host.put("AutoFrame", autoFrame), S_OK);
        EXPECT_EQ(host.put("AviFrame", 15), S_OK);
        EXPECT_EQ(host.put("Avi", 1), S_OK);
        // Three seconds' worth of pictures at the camera's 15 a second,
        // counted rather than timed, so a slow machine only takes longer.
        const int64_t shown = control->picturesShown();
        ASSERT_TRUE(pumpUntil([&] { return control->picturesShown() >= shown + 45; }, 60000));
        EXPECT_EQ(host.put("Avi", 0), S_OK);
        const auto files = aviFiles(dir.path());
        ASSERT_EQ(files.size(), 1u);
        const Heard h = readBack(files[0]);
        EXPECT_GT(h.videoSeconds, 2.0) << files[0];
        if (autoFrame) {
            // The sound covers the recording's time: the two agree within the
            // ring's worth of queued sound and a picture interval or two.
            EXPECT_NEAR(h.soundSeconds, h.videoSeconds, 1.0);
        } else {
            EXPECT_EQ(h.soundSeconds, 0.0) << "AutoFrame 0 records no sound";
        }
    }
}

TEST_F(AgainstCamsim, TheCamerasAudioSwitchGoingOffStopsPlayback)
{
    start({}, true);
    ASSERT_TRUE(waitFor(EventId::ServerAudio));
    EXPECT_EQ(host.put("Audio", 1), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return cam->countRequests("/GetAudioData.cgi?Format=Pcm") > 0; }, 5000));
    ASSERT_TRUE(control->audio().running());

    // Switched off at the camera: the next status block reports it.
    std::vector<Variant> args{"SetAudio.cgi?Enable=false", Variant(), Variant()};
    EXPECT_EQ(host.call("ExCmd", args), S_OK);
    ASSERT_TRUE(waitFor(EventId::ServerAudio, 2));
    EXPECT_EQ(events.of(id(EventId::ServerAudio))[1], std::vector<Variant>{Variant(0)});
    EXPECT_FALSE(control->audio().running());
    EXPECT_EQ(host.get("Audio"), Variant(0));
}

TEST_F(AgainstCamsim, WithoutASoundDeviceTheOperatorIsToldAndNothingHangs)
{
    struct Capture : ControlDialogs {
        std::vector<std::pair<std::string, std::string>> shown;
        void message(QWidget*, const std::string& c, const std::string& t, Icon) override { shown.emplace_back(c, t); }
        void notify(QWidget*, const std::string& c, const std::string& t, Icon) override { shown.emplace_back(c, t); }
        std::optional<std::string> saveFileName(QWidget*, const SaveFile&) override { return std::nullopt; }
    } dialogs;
    ControlDialogs::install(&dialogs);
    // An ordinary host: no fallback to silence. The test machines have no
    // sound device; where one exists this test has nothing to show.
    const std::string before = std::getenv("STROVIX_NULL_AUDIO") ? std::getenv("STROVIX_NULL_AUDIO") : "";
    ::setenv("STROVIX_NULL_AUDIO", "0", 1);
    start({}, true);
    ASSERT_TRUE(waitFor(EventId::ServerAudio));
    EXPECT_EQ(host.put("Audio", 1), S_OK);
    const bool told = pumpUntil([&] { return !dialogs.shown.empty(); }, 5000);
    ::setenv("STROVIX_NULL_AUDIO", before.c_str(), 1);
    ControlDialogs::install(nullptr);
    if (!told && control->audio().running())
        GTEST_SKIP() << "this machine has a sound device";
    ASSERT_TRUE(told);
    EXPECT_EQ(dialogs.shown[0], (std::pair<std::string, std::string>{"Audio", "Open Audio device failed"}));
    EXPECT_EQ(host.get("Audio"), Variant(0));
    EXPECT_TRUE(pumpUntil([&] { return !control->audio().running(); }, 3000));
    // The pictures go on.
    const int64_t shown = control->picturesShown();
    EXPECT_TRUE(pumpUntil([&] { return control->picturesShown() > shown + 3; }, 5000));
}

// A host of many controls: cameras that accept connections and never answer
// hold up neither the puts of their addresses nor the host's teardown, which
// destroys every window first and releases the controls afterwards, so that
// their bounded stop waits overlap instead of adding up.
TEST(ManyControls, SilentCamerasStallNeitherThePutsNorTheTeardown)
{
    testApp();
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim is not built";
    constexpr int kControls = 16;
    CamsimProcess cams({"--cameras", std::to_string(kControls), "--fault", "silent", "--audio-off", "--quiet"});
    ASSERT_TRUE(cams.started());
    Site site;
    std::vector<ComPtr<VidorraControl>> controls;
    std::vector<std::unique_ptr<QWidget>> parents;
    using Clock = std::chrono::steady_clock;
    auto msSince = [](Clock::time_point t) {
        return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
    };
    long slowestPut = 0;
    for (int i = 0; i < kControls; ++i) {
        auto control = ComPtr<VidorraControl>::adopt(new VidorraControl());
        control->setSite(&site);
        parents.push_back(std::make_unique<QWidget>());
        ASSERT_EQ(control->createWindow(parents.back().get(), 160, 120), S_OK);
        DispatchHost host(control.get());
        const auto t = Clock::now();
        // No answer yet: the put succeeds and the connection thread waits on.
        EXPECT_EQ(host.put("URL", cams.url(i)), S_OK);
        slowestPut = std::max(slowestPut, msSince(t));
        controls.push_back(std::move(control));
    }
    const auto t = Clock::now();
    for (auto& control : controls)
        control->destroyWindow();
    for (auto& control : controls) {
        control->setSite(nullptr);
        control.reset();
    }
    const long teardown = msSince(t);
    std::printf("%d silent cameras: slowest put of URL %ld ms, teardown %ld ms\n", kControls, slowestPut, teardown);
    // Bounds on a hang, not speed targets: the put waits 200 ms for an
    // answer, and the stops of all controls share one 3 s bound.
    EXPECT_LT(slowestPut, 2000);
    EXPECT_LT(teardown, 4000);
}

// After Cancel the view asks nothing more, even once its connection gave
// up; "Log in again..." asks at once, and the right answer brings pictures.
TEST(LoginAgain, TheMenuEntryAsksAgainAndARightAnswerShowsPictures)
{
    testApp();
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim is not built";
    CamsimProcess cam({"--fps", "10", "--audio-off", "--quiet"});
    ASSERT_TRUE(cam.started());
    auto control = ComPtr<VidorraControl>::adopt(new VidorraControl());
    DispatchHost host;
    host.d = control.get();
    auto op = std::make_shared<LoginOperator>();
    control->session().setCredentialsProvider(op);
    QWidget parent;
    ASSERT_EQ(control->createWindow(&parent, 320, 240), S_OK);
    ASSERT_EQ(host.put("ReconnectTryTime", 0), S_OK);
    ASSERT_EQ(host.put("ReconnectTryNum", 1), S_OK);
    op->answer(std::nullopt);
    ASSERT_EQ(host.put("URL", cam.url()), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return control->session().lastThreadResult() == 2; }, 5000));
    pumpFor(300);
    EXPECT_EQ(op->asked(), 1);

    op->answer(Credentials{"administrator", "admin", false});
    control->display().ui().command(menu_id::kLoginAgain);
    ASSERT_TRUE(pumpUntil([&] { return control->picturesShown() >= 2; }, 8000));
    EXPECT_EQ(op->asked(), 2);
    EXPECT_EQ(control->loginLevel(), 2);
    control->destroyWindow();
}
