// The session against the camera simulator: login roles, pictures at the
// camera's rate, recovery after the camera went away.
#include "SessionTestSupport.h"

#include "control/session/LoginQuestions.h"
#include "support/CamsimProcess.h"
#include "support/LoginOperator.h"
#include "support/TempDir.h"

#include <QByteArray>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <future>
#include <tuple>

using namespace strovix;
using namespace sessiontest;

namespace {

class FixedProvider : public CredentialsProvider {
public:
    explicit FixedProvider(Credentials c) : m_c(std::move(c)) {}
    std::optional<Credentials> ask(const std::string&, const std::string&, const std::atomic<int>&) override
    {
        ++asked;
        return m_c;
    }
    std::atomic<int> asked{0};

private:
    Credentials m_c;
};

// Programs land in <build>/bin and tests in <build>/tests; used when the
// environment does not name the folder.
bool camsimBuilt()
{
    const auto here = std::filesystem::canonical("/proc/self/exe").parent_path();
    ::setenv("OCULON_BUILD_BIN", (here.parent_path() / "bin").c_str(), 0);
    return CamsimProcess::available();
}

#define REQUIRE_CAMSIM()                                                                                              \
    if (!camsimBuilt())                                                                                               \
    GTEST_SKIP() << "camsim is not built"

std::unique_ptr<Session> sessionFor(const TempDir& dir, const std::string& user, const std::string& password)
{
    auto s = std::make_unique<Session>(Session::Options{dir.file("url-settings"), std::make_shared<CredentialStore>("")});
    s->setCredentialsProvider(std::make_shared<FixedProvider>(Credentials{user, password, false}));
    return s;
}

// Every message of the process while it lives, from any thread.
class MessageCapture {
public:
    MessageCapture() { s_current = this, m_previous = qInstallMessageHandler(&MessageCapture::handle); }
    ~MessageCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    std::vector<std::string> lines() const
    {
        std::lock_guard g(m_lock);
        return m_lines;
    }
    size_t count(const std::string& part) const
    {
        size_t n = 0;
        for (const auto& line : lines())
            n += line.find(part) != std::string::npos ? 1 : 0;
        return n;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& text)
    {
        if (MessageCapture* c = s_current) {
            std::lock_guard g(c->m_lock);
            c->m_lines.push_back(std::string(context.category ? context.category : "") + ": " + text.toStdString());
        }
    }
    static inline std::atomic<MessageCapture*> s_current{nullptr};
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
};

} // namespace

// The log follows the camera through its changes, once each, and never
// holds a password or what would give it away.
TEST(SessionWithCamsim, TheLogTellsWhatBecameOfTheCameraAndNoPassword)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    const std::string password = "Pw-s3cret";
    const std::vector<std::string> args = {"--port", "21060", "--fps", "15", "--quiet", "--user",
                                           "boss:" + password + ":admin"};
    MessageCapture log;
    {
        auto cam = std::make_unique<CamsimProcess>(args);
        ASSERT_TRUE(cam->started());
        auto session = sessionFor(dir, "boss", password);
        session->setWindowReady(true);
        session->setShowIntervalTime(0);
        session->setReconnectTryTime(1);
        ASSERT_EQ(session->setUrl(cam->url()), 0);
        ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= 3; }, 5000));
        EXPECT_EQ(log.count("strovix.session: " + cam->url() + ": connected, pictures coming"), 1u);

        cam.reset();
        ASSERT_TRUE(pumpUntil([&] { return log.count("attempt 2 failed") == 1; }, 8000));
        EXPECT_EQ(log.count(": lost: "), 1u);
        EXPECT_EQ(log.count("attempt 1 failed; trying again in 1 s"), 1u);
    }
    {
        CamsimProcess cam(args);
        ASSERT_TRUE(cam.started());
        auto session = sessionFor(dir, "boss", "Wr0ng-pw");
        session->setWindowReady(true);
        session->setReconnectTryTime(1);
        session->setUrl(cam.url());
        ASSERT_TRUE(pumpUntil([&] { return log.count("refused the login") >= 1; }, 5000));
    }
    const std::string basic = QByteArray("boss:" + QByteArray::fromStdString(password)).toBase64().toStdString();
    for (const std::string& line : log.lines()) {
        for (const std::string& secret : {password, std::string("Wr0ng-pw"), basic, std::string("Authorization")})
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
    }
}

TEST(SessionWithCamsim, AdministratorAndOrdinaryUser)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    CamsimProcess cam({"--fps", "10"});
    ASSERT_TRUE(cam.started());
    for (const auto& [user, password, level] :
         {std::tuple{"administrator", "admin", 2}, std::tuple{"guest", "guest", 1}}) {
        auto session = sessionFor(dir, user, password);
        ASSERT_EQ(session->setUrl(cam.url()), 0) << user;
        ASSERT_TRUE(pumpUntil([&] { return session->loginLevel() != 0; }, 5000)) << user;
        EXPECT_EQ(session->loginLevel(), level) << user;
        EXPECT_EQ(session->userName(), user);
        ASSERT_TRUE(pumpUntil([&] { return !session->capabilityText().empty(); }, 5000));
        EXPECT_EQ(session->cameraVersion(), "510");
    }
    // Wrong credentials: refused three times, then tried again by the
    // reconnection rules (the operator may answer right the next time).
    auto session = sessionFor(dir, "guest", "wrong");
    PaneLog panes(*session);
    session->setReconnectTryTime(1);
    ASSERT_EQ(session->setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return !panes.of(5).empty(); }, 5000));
    EXPECT_EQ(panes.of(5)[0], "Retry 1");
    EXPECT_EQ(session->lastThreadResult(), -1);
    EXPECT_EQ(session->loginLevel(), 0);
}

TEST(SessionWithCamsim, PicturesAtTheCameraRate)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    CamsimProcess cam({"--fps", "20", "--quiet"});
    ASSERT_TRUE(cam.started());
    auto session = sessionFor(dir, "administrator", "admin");
    session->setWindowReady(true);
    session->setShowIntervalTime(0);
    int decodedStart = 0;
    session->setMessageHandler(0x501, [&](const VidMessageArgs&) {
        const Frame f = session->frame()->copy();
        decodedStart += f.size() > 1000 && f[0] == 0xFF && f[1] == 0xD8;
        return 0L;
    });
    ASSERT_EQ(session->setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= 2; }, 5000));
    const uint32_t before = session->framesAnnounced();
    const auto t = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= before + 30; }, 30000));
    // Never more pictures than the camera sends (20 a second); a loaded
    // machine only shows fewer.
    EXPECT_GE(msSince(t), 1300);
    EXPECT_GT(session->frameRateX100(), 0u);
    EXPECT_GE(decodedStart, 30);
}

TEST(SessionWithCamsim, RecoversAfterTheCameraRestarts)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    const std::vector<std::string> args = {"--port", "21040", "--fps", "15", "--quiet"};
    auto cam = std::make_unique<CamsimProcess>(args);
    ASSERT_TRUE(cam->started());
    auto session = sessionFor(dir, "administrator", "admin");
    PaneLog panes(*session);
    session->setWindowReady(true);
    session->setShowIntervalTime(0);
    session->setReconnectTryTime(1);
    ASSERT_EQ(session->setUrl(cam->url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= 3; }, 5000));

    // Gone: the stream ends, the login is refused, attempts follow a second apart.
    cam.reset();
    ASSERT_TRUE(pumpUntil([&] { return panes.of(5).size() >= 2; }, 6000));
    EXPECT_EQ(panes.of(5)[0], "Retry 1");
    EXPECT_EQ(panes.of(5)[1], "Retry 2");

    // The port of the camera that went can stay taken for a moment (its
    // connections are still closing): start again until it listens.
    ASSERT_TRUE(pumpUntil(
        [&] {
            cam = std::make_unique<CamsimProcess>(args);
            return cam->started();
        },
        30000));
    const uint32_t before = session->framesAnnounced();
    ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= before + 3; }, 10000))
        << "pane 5: " << (panes.of(5).empty() ? "" : panes.of(5).back()) << ", thread " << session->lastThreadResult()
        << ", login " << session->loginLevel();
    EXPECT_EQ(session->loginLevel(), 2);
}

// A camera that is not there yet when its address is set is found once it
// comes online: the put says it could not be reached, the reconnection rules
// keep trying, and pictures come without another put.
TEST(SessionWithCamsim, CameraThatComesOnlineLaterIsShown)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    const int port = freeLoopbackPort();
    ASSERT_GT(port, 0);
    auto session = sessionFor(dir, "administrator", "admin");
    PaneLog panes(*session);
    session->setWindowReady(true);
    session->setShowIntervalTime(0);
    session->setReconnectTryTime(1);
    const auto t = std::chrono::steady_clock::now();
    const int result = session->setUrl("http://127.0.0.1:" + std::to_string(port));
    EXPECT_TRUE(refusedPut(result, msSince(t)));
    std::printf("put of URL, nobody listening: %ld ms\n", msSince(t));
    ASSERT_TRUE(pumpUntil([&] { return !panes.of(5).empty(); }, 10000));
    EXPECT_EQ(panes.of(5)[0], "Retry 1");

    pumpFor(3000);
    CamsimProcess cam({"--port", std::to_string(port), "--fps", "15", "--quiet"});
    ASSERT_TRUE(cam.started());
    ASSERT_TRUE(pumpUntil([&] { return session->framesAnnounced() >= 3; }, 20000))
        << "pane 5: " << panes.of(5).back() << ", thread " << session->lastThreadResult();
    EXPECT_EQ(session->loginLevel(), 2);
    EXPECT_EQ(session->lastThreadResult(), -1);
}

namespace {

const Credentials kAdministrator{"administrator", "admin", false};

// Requests of the same control beside the connection thread (the clock, a
// command), each on its own thread.
std::future<HttpResult> fetchBeside(std::shared_ptr<CredentialsProvider> provider,
                                    std::shared_ptr<CredentialStore> store, std::string url)
{
    return std::async(std::launch::async, [provider, store, url] {
        HttpRequest r;
        r.setCredentials(provider, store);
        std::string body;
        return r.FetchReply(url, body);
    });
}

int anonymousRequests(const CamsimProcess& cam, const std::string& target)
{
    int n = 0;
    for (const auto& line : cam.requestLog())
        n += line.find(" user=- GET " + target) != std::string::npos;
    return n;
}

} // namespace

TEST(SessionLogin, OneQuestionForEveryRequestThatMeetsTheLoginMeanwhile)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    CamsimProcess cam({"--fps", "10"});
    ASSERT_TRUE(cam.started());
    auto store = std::make_shared<CredentialStore>("");
    auto op = std::make_shared<LoginOperator>();
    Session session(Session::Options{dir.file("url-settings"), store});
    session.setCredentialsProvider(op);
    session.setWindowReady(true);
    session.setShowIntervalTime(0);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return op->asked() == 1; }, 5000));

    // The clock and two commands meet the login while the question is open.
    std::vector<std::future<HttpResult>> beside;
    for (const char* path : {"/GetTime.cgi", "/GetName.cgi", "/GetVer.cgi?VName=Camera"})
        beside.push_back(fetchBeside(op, store, cam.url() + path));
    // Whatever fails below, the requests are not left waiting for ever.
    struct AnswerAtLast {
        LoginOperator& op;
        ~AnswerAtLast() { op.answer(kAdministrator); }
    } answerAtLast{*op};
    ASSERT_TRUE(pumpUntil(
        [&] {
            return anonymousRequests(cam, "/GetTime.cgi") == 1 && anonymousRequests(cam, "/GetName.cgi") == 1 &&
                anonymousRequests(cam, "/GetVer.cgi") == 1;
        },
        5000));
    pumpFor(300);
    EXPECT_EQ(op->asked(), 1);
    EXPECT_TRUE(store->questions().asking("127.0.0.1:" + std::to_string(cam.port())));

    // One answer serves them all.
    op->answer(kAdministrator);
    for (auto& f : beside) {
        ASSERT_EQ(f.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(f.get(), HttpResult::Ok);
    }
    ASSERT_TRUE(pumpUntil([&] { return session.framesAnnounced() >= 2; }, 5000));
    EXPECT_EQ(session.loginLevel(), 2);
    EXPECT_EQ(op->asked(), 1);
}

TEST(SessionLogin, CancelAsksNothingMoreUntilTheOperatorActsAndARightAnswerConnects)
{
    REQUIRE_CAMSIM();
    app();
    TempDir dir;
    CamsimProcess cam({"--fps", "10"});
    ASSERT_TRUE(cam.started());
    auto store = std::make_shared<CredentialStore>("");
    auto op = std::make_shared<LoginOperator>();
    Session session(Session::Options{dir.file("url-settings"), store});
    PaneLog panes(session);
    session.setCredentialsProvider(op);
    session.setWindowReady(true);
    session.setShowIntervalTime(0);
    session.setReconnectTryTime(1);
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return op->asked() == 1; }, 5000));
    op->answer(std::nullopt);

    // The connection goes on trying a second apart, and other requests meet
    // the login as well; nobody asks.
    ASSERT_TRUE(pumpUntil([&] { return panes.of(5).size() >= 2; }, 6000));
    const auto t = std::chrono::steady_clock::now();
    EXPECT_EQ(fetchBeside(op, store, cam.url() + "/GetTime.cgi").get(), HttpResult::AuthFailed);
    EXPECT_LT(msSince(t), 2000);
    EXPECT_EQ(op->asked(), 1);
    EXPECT_TRUE(session.loginDeclined());
    EXPECT_EQ(session.lastThreadResult(), -1);
    EXPECT_GE(anonymousRequests(cam, "/GetMyself.cgi"), 2);

    // The address put anew asks again.
    ASSERT_EQ(session.setUrl(cam.url()), 0);
    ASSERT_TRUE(pumpUntil([&] { return op->asked() == 2; }, 5000));
    op->answer(std::nullopt);
    ASSERT_TRUE(pumpUntil([&] { return session.loginDeclined(); }, 5000));

    // "Log in again" asks at once, even in the middle of a long retry wait.
    session.setReconnectTryTime(30);
    const size_t retries = panes.of(5).size();
    ASSERT_TRUE(pumpUntil([&] { return panes.of(5).size() > retries; }, 5000));
    pumpFor(300);
    EXPECT_EQ(op->asked(), 2);
    const auto again = std::chrono::steady_clock::now();
    ASSERT_TRUE(session.loginAgain());
    ASSERT_TRUE(pumpUntil([&] { return op->asked() == 3; }, 5000));
    EXPECT_LT(msSince(again), 3000);

    // The right answer: pictures, without a new put.
    op->answer(kAdministrator);
    ASSERT_TRUE(pumpUntil([&] { return session.framesAnnounced() >= 2; }, 8000));
    EXPECT_EQ(session.loginLevel(), 2);
    EXPECT_FALSE(session.loginDeclined());
    EXPECT_EQ(op->asked(), 3);
}
