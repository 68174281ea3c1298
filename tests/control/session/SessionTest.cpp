#include "SessionTestSupport.h"

#include "control/session/ConnectionLimits.h"
#include "control/session/VidMessages.h"
#include "platform/registry/Registry.h"
#include "support/TempDir.h"

#include <algorithm>

using namespace strovix;
using namespace sessiontest;
using Clock = std::chrono::steady_clock;

namespace {

Session::Options options(const TempDir& dir)
{
    return {dir.file("url-settings"), std::make_shared<CredentialStore>("")};
}

} // namespace

TEST(Session, ConnectsLogsInAndAnnouncesPictures)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    auto session = std::make_unique<Session>(options(dir));
    PaneLog panes(*session);
    std::vector<std::string> statuses;
    std::mutex statusLock;
    session->setStatusBlockObserver([&](std::string_view b) {
        std::lock_guard g(statusLock);
        statuses.emplace_back(b);
    });
    int newFrames = 0;
    bool framesValid = true;
    std::string versionSeen, capabilitySeen;
    std::vector<std::pair<uintptr_t, intptr_t>> imageInfo;
    session->setMessageHandler(WM_VID_NEWFRAME, [&](const VidMessageArgs&) {
        const Frame f = session->frame()->copy();
        framesValid = framesValid && f.size() > 4 && f[0] == 0xFF && f[1] == 0xD8 && f[f.size() - 1] == 0xD9;
        ++newFrames;
        return 0L;
    });
    session->setMessageHandler(WM_VID_CAMVER, [&](const VidMessageArgs&) {
        versionSeen = session->cameraVersion();
        return 0L;
    });
    session->setMessageHandler(WM_VID_CAPABILITY, [&](const VidMessageArgs&) {
        capabilitySeen = session->capabilityText();
        return 0L;
    });
    session->setMessageHandler(WM_VID_IMAGEINFO, [&](const VidMessageArgs& a) {
        imageInfo.emplace_back(a.wParam, a.lParam);
        return 0L;
    });
    session->setWindowReady(true);
    ASSERT_FALSE(session->setShowIntervalTime(0));

    ASSERT_EQ(session->setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= 12; }, 10000));
    EXPECT_EQ(session->loginLevel(), 2);
    EXPECT_EQ(session->userName(), "administrator");
    EXPECT_EQ(versionSeen, "506");
    EXPECT_EQ(capabilitySeen, "Resolution = 36\nQuality = 3\n");
    EXPECT_TRUE(framesValid);
    EXPECT_GE(newFrames, 11);
    EXPECT_GT(session->frameRateX100(), 0u);
    EXPECT_EQ(session->frameRateWindow(), 10u);
    ASSERT_FALSE(imageInfo.empty());
    EXPECT_EQ(imageInfo[0].first, (3u << 16) | (2u << 8) | 120u);
    EXPECT_EQ(static_cast<uint32_t>(imageInfo[0].second), (130u << 24) | (140u << 16) | (150u << 8) | 160u);
    {
        std::lock_guard g(statusLock);
        ASSERT_FALSE(statuses.empty());
        EXPECT_EQ(statuses[0], streamtest::statusBlock());
    }
    const auto targets = cam.server.requestTargets();
    ASSERT_GE(targets.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(targets.begin(), targets.begin() + 5),
              (std::vector<std::string>{"/GetStatus.cgi", "/GetMyself.cgi", "/GetVer.cgi?VName=Camera",
                                        "/GetCapability.cgi", "/GetData.cgi?Status=1"}));
    EXPECT_EQ(panes.of(6), (std::vector<std::string>{"Disconnecting ", "Disconnected.", "Connecting " + cam.url()}));

    // Destruction while the stream runs returns quickly.
    const auto t = Clock::now();
    session.reset();
    EXPECT_LT(msSince(t), 1500);
}

TEST(Session, LoginLevelByExactSpelling)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    cam.server.on("/GetData.cgi", Script().send(kStreamHead).hold());
    Session session(options(dir));
    const std::pair<const char*, int> cases[] = {
        {"administrator", 2}, {"Administrator", 2}, {"ADMINISTRATOR", 1}, {" administrator", 1}, {"guest", 1}};
    for (const auto& [name, level] : cases) {
        cam.setUser(name);
        ASSERT_EQ(session.setUrl(cam.url()), 0);
        ASSERT_TRUE(pumpUntil([&] { return session.loginLevel() != 0; }, 5000)) << name;
        EXPECT_EQ(session.loginLevel(), level) << name;
        EXPECT_EQ(session.userName(), name);
    }
}

TEST(Session, RetriesThenGivesUp)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    cam.server.on("/GetData.cgi", Script().send(ScriptedHttpServer::reply(503, "")));
    Session session(options(dir));
    PaneLog panes(session);
    session.setReconnectTryTime(0);
    session.setReconnectTryNum(0);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return session.lastThreadResult() == 2; }, 5000));
    pumpFor(50);
    EXPECT_EQ(panes.of(5), (std::vector<std::string>{"Retry 1", "Disconnect"}));
    EXPECT_EQ(session.loginLevel(), 0);

    // With two attempts allowed the third failure ends it; a failure of the
    // stream keeps the login, so only version, capability and stream repeat.
    PaneLog more(session);
    session.setReconnectTryNum(2);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return session.lastThreadResult() == 2; }, 5000));
    pumpFor(50);
    EXPECT_EQ(more.of(5), (std::vector<std::string>{"Retry 1", "Retry 2", "Retry 3", "Disconnect"}));
    EXPECT_EQ(cam.count("/GetMyself.cgi"), 2u);
    EXPECT_EQ(cam.count("/GetData.cgi"), 1u + 3u);
}

TEST(Session, WritingReconnectTryTimeEndsTheRetryWait)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    cam.server.once("/GetData.cgi", Script().send(ScriptedHttpServer::reply(503, "")));
    Session session(options(dir));
    PaneLog panes(session);
    session.setWindowReady(true);
    session.setReconnectTryTime(30);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    // The window thread must keep handling messages: the connection thread
    // sends the camera version and capability and waits for them.
    ASSERT_TRUE(pumpUntil([&] { return cam.count("/GetData.cgi") == 1; }, 5000));
    pumpFor(150);
    EXPECT_TRUE(panes.of(5).empty());
    const auto t = Clock::now();
    session.setReconnectTryTime(30);
    ASSERT_TRUE(pumpUntil([&] { return !panes.of(5).empty(); }, 2000));
    EXPECT_LT(msSince(t), 700); // one 300 ms slice, plus the post
    EXPECT_EQ(panes.of(5), std::vector<std::string>{"Retry 1"});
    // The next attempt starts at once and pictures come.
    ASSERT_TRUE(pumpUntil([&] { return session.framesAnnounced() >= 1; }, 3000));
    EXPECT_LT(msSince(t), 2000);
}

TEST(Session, FatalResultsEndTheConnectionAtOnce)
{
    app();
    TempDir dir;
    // Credentials asked for and none given (8), at login and at the stream.
    for (const char* path : {"/GetMyself.cgi", "/GetData.cgi"}) {
        ScriptedCamera cam;
        cam.server.on(path, Script().send(ScriptedHttpServer::reply(401, "", true, "WWW-Authenticate: Basic realm=\"x\"\r\n")));
        Session session(options(dir));
        PaneLog panes(session);
        session.setReconnectTryTime(0);
        ASSERT_EQ(session.setUrl(cam.url()), 0) << path;
        ASSERT_TRUE(pumpUntil([&] { return session.lastThreadResult() == 1; }, 5000)) << path;
        pumpFor(50);
        EXPECT_TRUE(panes.of(5).empty()) << path;
        EXPECT_EQ(panes.of(6), std::vector<std::string>{"Disconnect"}) << path;
        EXPECT_EQ(cam.count(path), 1u) << path;
    }
    // A camera that asks everything for credentials has still answered the
    // probe; an address that cannot be split has not.
    Session session(options(dir));
    EXPECT_EQ(session.setUrl("http://"), 1);
    EXPECT_EQ(session.setUrl("camera-without-scheme"), 1);
    EXPECT_EQ(session.url(), "camera-without-scheme");
}

TEST(Session, SameUrlAgainReconnectsFully)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    Session session(options(dir));
    PaneLog panes(session);
    session.setWindowReady(true);
    session.setShowIntervalTime(0);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return session.framesAnnounced() >= 3; }, 5000));
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    EXPECT_EQ(session.framesAnnounced(), 0u);
    ASSERT_TRUE(pumpUntil([&] { return session.framesAnnounced() >= 3; }, 5000));
    EXPECT_EQ(cam.count("/GetStatus.cgi"), 2u);
    EXPECT_EQ(cam.count("/GetMyself.cgi"), 2u);
    EXPECT_EQ(cam.count("/GetData.cgi"), 2u);
    EXPECT_EQ(panes.of(6), (std::vector<std::string>{"Disconnecting ", "Disconnected.", "Connecting " + cam.url(),
                                                     "Disconnecting " + cam.url(), "Disconnect", "Disconnected.",
                                                     "Connecting " + cam.url()}));
}

TEST(Session, SilentCamerasHoldUpNothing)
{
    app();
    TempDir dir;
    // Accepts and never answers: the probe gives up, URL is kept, result 1.
    {
        ScriptedHttpServer silent;
        silent.setSilent(true);
        Session session(options(dir));
        PaneLog panes(session);
        session.setWindowReady(true);
        const auto t = Clock::now();
        EXPECT_EQ(session.setUrl(silent.url()), 1);
        EXPECT_GE(msSince(t), 4500);
        EXPECT_LT(msSince(t), 7000);
        EXPECT_EQ(session.url(), silent.url());
        EXPECT_EQ(panes.of(6).back(), "Connecting " + silent.url());
        const auto d = Clock::now();
        session.~Session();
        new (&session) Session(options(dir));
        EXPECT_LT(msSince(d), 1000);
    }
    // Stalls inside the login and inside the stream: destruction returns
    // well within its bound.
    for (const char* path : {"/GetMyself.cgi", "/GetData.cgi"}) {
        ScriptedCamera cam;
        cam.server.on(path, Script().hold());
        auto session = std::make_unique<Session>(options(dir));
        ASSERT_EQ(session->setUrl(cam.url()), 0);
        ASSERT_TRUE(pumpUntil([&] { return cam.count(path) == 1; }, 5000));
        pumpFor(100);
        const auto t = Clock::now();
        session.reset();
        EXPECT_LT(msSince(t), 1500) << path;
    }
}

TEST(Session, SettersRefuseNegativeValues)
{
    app();
    TempDir dir;
    Session session(options(dir));
    EXPECT_EQ(session.showIntervalTime(), 60);
    EXPECT_EQ(session.reconnectTryNum(), 100);
    EXPECT_EQ(session.reconnectTryTime(), 3);
    EXPECT_EQ(session.setShowIntervalTime(-1), Refusal("IntervalTime is greater than 0"));
    EXPECT_EQ(session.setReconnectTryNum(-1), Refusal("ReconnectTryNum is no less than 0"));
    EXPECT_EQ(session.setReconnectTryTime(-1), Refusal("ReconnectTryTime is no less than 0"));
    EXPECT_EQ(session.showIntervalTime(), 60);
    EXPECT_EQ(session.reconnectTryNum(), 100);
    EXPECT_EQ(session.reconnectTryTime(), 3);
    EXPECT_FALSE(session.setShowIntervalTime(0));
    EXPECT_FALSE(session.setReconnectTryNum(0));
    EXPECT_FALSE(session.setReconnectTryTime(0));
    EXPECT_EQ(session.showIntervalTime(), 0);
}

TEST(Session, AudioSettingsPerUrl)
{
    app();
    TempDir dir;
    const std::string url = "http://127.0.0.1:1"; // nobody answers: only the stored values matter
    {
        UrlSettingsStore store(dir.file("url-settings"));
        ASSERT_TRUE(store.write(url, "Audio", "7"));
        ASSERT_TRUE(store.write(url, "AudioFormat", "1"));
    }
    {
        Session session(options(dir));
        session.setAudio(1);
        session.setAudioFormat(0);
        session.setUrl(url);
        EXPECT_EQ(session.audio(), 0);
        EXPECT_EQ(session.audioFormat(), 1);
        // Nothing stored for another URL: both stay.
        session.setAudio(1);
        session.setUrl("http://127.0.0.1:2");
        EXPECT_EQ(session.audio(), 1);
        EXPECT_EQ(session.audioFormat(), 1);
        session.setAudioFormat(0);
    }
    // Destruction kept the values of the last URL.
    UrlSettingsStore store(dir.file("url-settings"));
    EXPECT_EQ(store.read("http://127.0.0.1:2"), std::optional<std::string>("Audio=1; AudioFormat=0"));

    int audio = 5, format = 5;
    applyAudioSettings("", audio, format);
    EXPECT_EQ(audio, 5);
    EXPECT_EQ(format, 5);
    applyAudioSettings("Audio=1", audio, format);
    EXPECT_EQ(audio, 1);
    EXPECT_EQ(format, 5);
    applyAudioSettings("Audio=x; AudioFormat=-1\n", audio, format);
    EXPECT_EQ(audio, 0);
    EXPECT_EQ(format, 0);
}

TEST(Session, ConnectionLimitsInTheRegistry)
{
    TempDir dir;
    platform::registry::Registry reg(dir.path());
    ASSERT_TRUE(writeConnectionLimits(reg));
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    for (const char* name : {"MaxConnectionsPer1_0Server", "MaxConnectionsPerServer"}) {
        auto v = reg.query(platform::registry::Root::CurrentUser, key, name);
        ASSERT_TRUE(v) << name;
        EXPECT_EQ(v->type, platform::registry::Value::Type::Dword);
        EXPECT_EQ(v->dword, 32u);
    }
}

TEST(Session, LoginAnswerOfAnEarlierConnectionIsIgnored)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    cam.server.on("/GetData.cgi", Script().send(kStreamHead).hold());
    Session session(options(dir));
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    // The login answer is posted but the window thread does not run yet.
    ASSERT_TRUE(cam.server.waitForRequests(3, 5000));
    cam.server.on("/GetMyself.cgi", Script().hold());
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    pumpFor(200);
    EXPECT_EQ(cam.count("/GetMyself.cgi"), 2u);
    EXPECT_EQ(session.loginLevel(), 0);
}

TEST(Session, SingleFrameModeReopensTheStreamPerPicture)
{
    app();
    TempDir dir;
    ScriptedCamera cam;
    Session session(options(dir));
    session.setWindowReady(true);
    session.setShowIntervalTime(1000);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return cam.count("/GetData.cgi") >= 1; }, 5000));
    const auto t = Clock::now();
    ASSERT_TRUE(pumpUntil([&] { return cam.count("/GetData.cgi") >= 3; }, 4000));
    // One picture per request, a request every second.
    EXPECT_GE(msSince(t), 1800);
    EXPECT_LE(msSince(t), 2600);
    EXPECT_GE(session.framesAnnounced(), 2u);
    EXPECT_LE(session.framesAnnounced(), 3u);
    EXPECT_EQ(cam.count("/GetMyself.cgi"), 1u);

    // A new interval cuts the wait short.
    const size_t before = cam.count("/GetData.cgi");
    pumpFor(100);
    session.setShowIntervalTime(0);
    ASSERT_TRUE(pumpUntil([&] { return session.framesAnnounced() >= 10; }, 3000));
    EXPECT_EQ(cam.count("/GetData.cgi"), before + 1);
}
