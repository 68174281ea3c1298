#include "control/session/HttpRequest.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <sys/stat.h>
#include <thread>

using namespace strovix;
using Script = ScriptedHttpServer::Script;
using Clock = std::chrono::steady_clock;

namespace {

std::string bytes(size_t n, unsigned seed = 0)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    return s;
}

long msSince(Clock::time_point t)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// Answers with fixed credentials, or refuses; counts the questions.
class FixedProvider : public CredentialsProvider {
public:
    explicit FixedProvider(std::optional<Credentials> c) : m_c(std::move(c)) {}
    std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                   const std::atomic<int>&) override
    {
        ++asked;
        lastHost = hostPort;
        lastRealm = realm;
        return m_c;
    }
    std::atomic<int> asked{0};
    std::string lastHost, lastRealm;

private:
    std::optional<Credentials> m_c;
};

const std::string kChallenge = "WWW-Authenticate: Basic realm=\"cam\"\r\n";

} // namespace

TEST(SplitUrl, HostPortAndTarget)
{
    auto p = splitUrl("http://cam.local/a");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host, "cam.local");
    EXPECT_EQ(p->port, 80);
    EXPECT_EQ(p->target, "/a");
    p = splitUrl("HTTP://10.0.0.2:8080");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->port, 8080);
    EXPECT_EQ(p->target, "/");
    p = splitUrl("http://[::1]:81/x?y=1");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host, "[::1]");
    EXPECT_EQ(p->target, "/x?y=1");
    for (const char* bad : {"", "ftp://h/", "http://", "http://:80/", "http://h:0/", "http://h:65536/", "http://h:8x/",
                            "cam.local/a"})
        EXPECT_FALSE(splitUrl(bad)) << bad;
}

TEST(HttpRequest, RequestLineAndHeaders)
{
    ScriptedHttpServer server;
    server.on("/", Script().send(ScriptedHttpServer::reply(200, "ok")));
    HttpRequest req;
    std::string body;
    // Space, "#", a control character and bytes above 0x7F are encoded;
    // everything else, "%" and "&" included, goes as given.
    ASSERT_EQ(req.FetchReply(server.url() + "/Set.cgi?Name=a b#c\x01\xC3\xA9&v=50%&x=~", body), HttpResult::Ok);
    EXPECT_EQ(body, "ok");
    ASSERT_EQ(req.OpenStream(server.url() + "/GetData.cgi?Status=1"), HttpResult::Ok);
    req.CloseRequest();
    const auto heads = server.requests();
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[0].substr(0, heads[0].find("\r\n")), "GET /Set.cgi?Name=a%20b%23c%01%C3%A9&v=50%&x=~ HTTP/1.0");
    EXPECT_NE(heads[0].find("\r\nUser-Agent: DevUdovud"), std::string::npos);
    EXPECT_EQ(heads[0].find("Accept:"), std::string::npos);
    EXPECT_EQ(heads[0].find("Authorization:"), std::string::npos);
    EXPECT_EQ(heads[1].substr(0, heads[1].find("\r\n")), "GET /GetData.cgi?Status=1 HTTP/1.0");
    EXPECT_NE(heads[1].find("\r\nPragma: no-cache"), std::string::npos);
}

TEST(HttpRequest, BodiesArriveWholeWhateverTheSplitAndGranularity)
{
    ScriptedHttpServer server;
    const std::string hundred = bytes(100, 1);
    const std::string big = bytes(60000, 2);
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                "5\r\nhello\r\n1a\r\n, chunked and split bodies\r\n0\r\n\r\n";
    server.on("/hundred", Script().send(ScriptedHttpServer::reply(200, hundred), 7, 1));
    server.on("/exact", Script().send(ScriptedHttpServer::reply(200, big), 4000));
    server.on("/over", Script().send(ScriptedHttpServer::reply(200, big + "x")));
    server.on("/nolength", Script().send(ScriptedHttpServer::reply(200, big, false), 999));
    server.on("/nolength-over", Script().send(ScriptedHttpServer::reply(200, big + "x", false)));
    server.on("/nolength-reset",
              Script().send(ScriptedHttpServer::reply(200, hundred + hundred.substr(0, 50), false)).pause(300).reset());
    server.on("/chunked", Script().send(chunked, 3, 1));
    server.on("/short", Script().send(ScriptedHttpServer::reply(200, hundred).substr(0, 60)));
    server.on("/empty", Script().send(ScriptedHttpServer::reply(200, "")));

    HttpRequest req;
    std::string body;
    for (int g : {75, 1, 0, -5, 1024}) {
        req.setReadGranularity(g);
        ASSERT_EQ(req.FetchReply(server.url() + "/hundred", body), HttpResult::Ok) << g;
        EXPECT_EQ(body, hundred) << g;
    }
    req.setReadGranularity(75);
    EXPECT_EQ(req.FetchReply(server.url() + "/exact", body), HttpResult::Ok);
    EXPECT_EQ(body, big);
    EXPECT_EQ(req.FetchReply(server.url() + "/over", body), HttpResult::TooLong);
    EXPECT_EQ(req.FetchReply(server.url() + "/nolength", body), HttpResult::Ok);
    EXPECT_EQ(body, big);
    EXPECT_EQ(req.FetchReply(server.url() + "/nolength-over", body), HttpResult::TooLong);
    // Without a length, a read that fails ends the body: what the earlier
    // reads returned is the reply.
    EXPECT_EQ(req.FetchReply(server.url() + "/nolength-reset", body), HttpResult::Ok);
    EXPECT_EQ(body, hundred + hundred.substr(0, 50));
    EXPECT_EQ(req.FetchReply(server.url() + "/chunked", body), HttpResult::Ok);
    EXPECT_EQ(body, "hello, chunked and split bodies");
    // A body that ends before its Content-Length is a failed read, not a
    // success padded with zeros.
    EXPECT_EQ(req.FetchReply(server.url() + "/short", body), HttpResult::TooLong);
    EXPECT_EQ(req.FetchReply(server.url() + "/empty", body), HttpResult::Ok);
    EXPECT_EQ(body, "");
}

TEST(HttpRequest, StatusCodesAndConnectionFailures)
{
    ScriptedHttpServer server;
    server.on("/missing", Script().send(ScriptedHttpServer::reply(404, "nope")));
    server.on("/busy", Script().send(ScriptedHttpServer::reply(503, "")));
    server.on("/moved", Script().send(ScriptedHttpServer::reply(302, "", true, "Location: /elsewhere\r\n")));
    server.on("/elsewhere", Script().send(ScriptedHttpServer::reply(200, "followed")));
    server.on("/garbage", Script().send("this is not HTTP\r\n\r\n"));
    HttpRequest req;
    std::string body;
    EXPECT_EQ(req.FetchReply(server.url() + "/missing", body), HttpResult::NotFound);
    EXPECT_EQ(req.FetchReply(server.url() + "/busy", body), HttpResult::ServerError);
    EXPECT_EQ(req.OpenStream(server.url() + "/busy"), HttpResult::ServerError);
    EXPECT_EQ(req.FetchReply(server.url() + "/moved", body), HttpResult::ServerError);
    EXPECT_EQ(req.FetchReply(server.url() + "/garbage", body), HttpResult::SendFailed);
    EXPECT_EQ(req.FetchReply("gopher://x/", body), HttpResult::BadUrl);
    EXPECT_EQ(server.requestTargets(),
              (std::vector<std::string>{"/missing", "/busy", "/busy", "/moved", "/garbage"}));

    // A port nobody listens on.
    uint16_t closedPort;
    {
        ScriptedHttpServer gone;
        closedPort = gone.port();
    }
    EXPECT_EQ(req.FetchReply("http://127.0.0.1:" + std::to_string(closedPort) + "/x", body),
              HttpResult::ConnectFailed);
    EXPECT_EQ(req.OpenStream("http://127.0.0.1:" + std::to_string(closedPort) + "/x"), HttpResult::ConnectFailed);
}

TEST(HttpRequest, BusyAndAbortFromAnotherThread)
{
    ScriptedHttpServer server;
    server.on("/slow", Script().hold());
    server.on("/quick", Script().send(ScriptedHttpServer::reply(200, "fine")));
    HttpRequest req;
    // Abort on an idle object changes nothing.
    req.Abort();
    std::string body;
    EXPECT_EQ(req.FetchReply(server.url() + "/quick", body), HttpResult::Ok);

    auto running = std::async(std::launch::async, [&] {
        std::string b;
        return req.FetchReply(server.url() + "/slow", b);
    });
    ASSERT_TRUE(server.waitForRequests(2, 3000));
    std::string other;
    EXPECT_EQ(req.FetchReply(server.url() + "/quick", other), HttpResult::Busy);
    EXPECT_EQ(req.OpenStream(server.url() + "/quick"), HttpResult::Busy);
    const auto t = Clock::now();
    req.Abort();
    EXPECT_EQ(running.get(), HttpResult::Aborted);
    EXPECT_LT(msSince(t), 4000); // long before the 5 s time-out
    EXPECT_FALSE(req.busy());

    // A stream read waiting for data ends as well.
    server.on("/stream", Script().send(ScriptedHttpServer::reply(200, "", false)).hold());
    ASSERT_EQ(req.OpenStream(server.url() + "/stream"), HttpResult::Ok);
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        req.Abort();
    });
    uint8_t block[2048];
    const auto r0 = Clock::now();
    const long got = req.Read(block, sizeof block);
    aborter.join();
    EXPECT_EQ(got, -1);
    EXPECT_LT(msSince(r0), 8000); // long before the 10 s time-out
    req.CloseRequest();
    // The abort does not outlive the stream.
    EXPECT_EQ(req.FetchReply(server.url() + "/quick", body), HttpResult::Ok);

    // A body that trickles in cannot hold a bounded read: the bound ends
    // it, and what came is kept for the next read.
    server.on("/trickle", Script().send(ScriptedHttpServer::reply(200, "", false)).send(std::string(100, 'a'), 10, 50).hold());
    ASSERT_EQ(req.OpenStream(server.url() + "/trickle"), HttpResult::Ok);
    EXPECT_EQ(req.Read(block, sizeof block, 300), HttpRequest::kReadWaitOver);
    ASSERT_EQ(req.Read(block, 60), 60);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 60), std::string(60, 'a'));
    req.CloseRequest();
}

// The probe's request is shared with the audio thread and a command's with
// a second call of the same command: each user sets the granularity when it
// finds the object idle and then fetches, so one may set it while the other's
// fetch is reading its body. Every fetch then either reads the whole body or
// finds the object busy.
TEST(HttpRequest, TwoThreadsSharingOneRequestEachGetAWholeBodyOrBusy)
{
    ScriptedHttpServer server;
    const std::string body = bytes(3000, 3);
    server.on("/GetStatus.cgi", Script().send(ScriptedHttpServer::reply(200, body), 500, 1));
    HttpRequest req;
    auto user = [&](int granularity) {
        int ok = 0;
        for (int i = 0; i < 40; ++i) {
            if (!req.busy())
                req.setReadGranularity(granularity);
            std::string got;
            const HttpResult r = req.FetchReply(server.url() + "/GetStatus.cgi", got);
            if (r == HttpResult::Ok) {
                EXPECT_EQ(got, body);
                ++ok;
            } else {
                EXPECT_EQ(r, HttpResult::Busy);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return ok;
    };
    auto other = std::async(std::launch::async, user, 85);
    const int mine = user(75);
    EXPECT_GT(mine + other.get(), 0);
}

// An abort that comes as a request ends must not outlive it: whatever the
// aborted request returned, the next request on the object runs.
TEST(HttpRequest, AnAbortAsTheRequestEndsDoesNotStopTheNextOne)
{
    ScriptedHttpServer server;
    server.on("/quick", Script().send(ScriptedHttpServer::reply(200, "fine")));
    HttpRequest req;
    int stale = 0;
    for (int i = 0; i < 2000; ++i) {
        std::atomic<bool> aborting{true};
        std::thread aborter([&] {
            while (aborting.load())
                req.Abort();
        });
        std::string body;
        req.FetchReply(server.url() + "/quick", body);
        aborting.store(false);
        aborter.join();
        if (req.FetchReply(server.url() + "/quick", body) != HttpResult::Ok)
            ++stale;
    }
    EXPECT_EQ(stale, 0);
}

TEST(HttpRequest, StreamReadsGiveWholeBlocks)
{
    ScriptedHttpServer server;
    const std::string body = bytes(2048 * 5 + 700, 9);
    server.on("/GetData.cgi", Script().send(ScriptedHttpServer::reply(200, body, false), 333, 1));
    HttpRequest req;
    ASSERT_EQ(req.OpenStream(server.url() + "/GetData.cgi?Status=1"), HttpResult::Ok);
    std::string got;
    std::vector<long> sizes;
    uint8_t block[2048];
    for (;;) {
        const long n = req.Read(block, sizeof block);
        sizes.push_back(n);
        if (n <= 0)
            break;
        got.append(reinterpret_cast<char*>(block), static_cast<size_t>(n));
    }
    req.CloseRequest();
    EXPECT_EQ(sizes, (std::vector<long>{2048, 2048, 2048, 2048, 2048, 700, 0}));
    EXPECT_EQ(got, body);
    EXPECT_EQ(req.Read(block, sizeof block), -1); // closed
}

// The picture stream's read hands out what has arrived: it neither waits for
// a whole block nor loses bytes, and keeps the bound, the abort and the
// failure of the fill-reading Read().
TEST(HttpRequest, StreamReadSomeGivesWhatHasArrived)
{
    ScriptedHttpServer server;
    const std::string first = bytes(3000, 5);
    server.on("/pause", Script().send(ScriptedHttpServer::reply(200, "", false)).send(first).hold());
    HttpRequest req;
    ASSERT_EQ(req.OpenStream(server.url() + "/pause"), HttpResult::Ok);
    uint8_t block[2048];
    std::string got;
    const auto t = Clock::now();
    while (got.size() < first.size()) {
        const long n = req.ReadSome(block, sizeof block);
        ASSERT_GT(n, 0);
        ASSERT_LE(n, 2048);
        got.append(reinterpret_cast<char*>(block), static_cast<size_t>(n));
    }
    EXPECT_LT(msSince(t), 2000); // Read() would wait for the 10 s time-out
    EXPECT_EQ(got, first);
    // Nothing more comes: the bound ends the wait for the first byte.
    const auto w = Clock::now();
    EXPECT_EQ(req.ReadSome(block, sizeof block, 200), HttpRequest::kReadWaitOver);
    EXPECT_GE(msSince(w), 190);
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        req.Abort();
    });
    EXPECT_EQ(req.ReadSome(block, sizeof block), -1);
    aborter.join();
    req.CloseRequest();

    // A body in pieces: every byte once, in order, then the end.
    const std::string body = bytes(2048 * 3 + 700, 9);
    server.on("/pieces", Script().send(ScriptedHttpServer::reply(200, body, false), 333, 1));
    ASSERT_EQ(req.OpenStream(server.url() + "/pieces"), HttpResult::Ok);
    got.clear();
    long n = 0;
    while ((n = req.ReadSome(block, sizeof block)) > 0)
        got.append(reinterpret_cast<char*>(block), static_cast<size_t>(n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(got == body);
    req.CloseRequest();

    // A body cut short of its length: the bytes that came, then the failure.
    server.on("/cut", Script().send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + bytes(500, 2)));
    ASSERT_EQ(req.OpenStream(server.url() + "/cut"), HttpResult::Ok);
    got.clear();
    while ((n = req.ReadSome(block, sizeof block)) > 0)
        got.append(reinterpret_cast<char*>(block), static_cast<size_t>(n));
    EXPECT_EQ(n, -1);
    EXPECT_EQ(got, bytes(500, 2));
    req.CloseRequest();
}

// A reader that lags far behind the socket still gets every byte in order,
// in whole blocks: the buffered bytes are received in large pieces and the
// read ones dropped from the front while the rest waits.
TEST(HttpRequest, StreamReadsLaggingBehindALargeBodyLoseNothing)
{
    ScriptedHttpServer server;
    const std::string body = bytes(2048 * 400 + 5, 11);
    server.on("/GetData.cgi", Script().send(ScriptedHttpServer::reply(200, body, false)));
    HttpRequest req;
    ASSERT_EQ(req.OpenStream(server.url() + "/GetData.cgi"), HttpResult::Ok);
    // Let the whole body reach the socket before the first read.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::string got;
    uint8_t block[2048];
    long n = 0;
    int whole = 0;
    while ((n = req.Read(block, sizeof block)) == 2048) {
        ++whole;
        got.append(reinterpret_cast<char*>(block), 2048);
    }
    ASSERT_EQ(n, 5);
    got.append(reinterpret_cast<char*>(block), 5);
    EXPECT_EQ(whole, 400);
    EXPECT_TRUE(got == body) << "the bytes differ from byte " << std::mismatch(got.begin(), got.end(), body.begin()).first - got.begin();
    EXPECT_EQ(req.Read(block, sizeof block), 0);
    req.CloseRequest();
}

TEST(HttpRequest, Authentication)
{
    TempDir dir;
    const Credentials good{"administrator", "admin", false};
    const std::string ok = ScriptedHttpServer::reply(200, "administrator");
    const std::string denied = ScriptedHttpServer::reply(401, "", true, kChallenge);

    // A provider that gives nothing: 8 after one request.
    {
        ScriptedHttpServer server;
        server.on("/", Script().send(denied));
        HttpRequest req;
        auto provider = std::make_shared<FixedProvider>(std::nullopt);
        req.setCredentials(provider, std::make_shared<CredentialStore>(""));
        std::string body;
        EXPECT_EQ(req.FetchReply(server.url() + "/GetMyself.cgi", body), HttpResult::AuthFailed);
        EXPECT_EQ(provider->asked.load(), 1);
        EXPECT_EQ(provider->lastRealm, "cam");
        EXPECT_EQ(provider->lastHost, "127.0.0.1:" + std::to_string(server.port()));
        // No provider at all: the same.
        req.setCredentials(nullptr, nullptr);
        EXPECT_EQ(req.OpenStream(server.url() + "/GetData.cgi"), HttpResult::AuthFailed);
    }
    // Three refused answers: 8, each try carrying the credentials.
    {
        ScriptedHttpServer server;
        server.on("/", Script().send(denied));
        HttpRequest req;
        auto provider = std::make_shared<FixedProvider>(Credentials{"guest", "wrong", false});
        req.setCredentials(provider, std::make_shared<CredentialStore>(""));
        std::string body;
        EXPECT_EQ(req.FetchReply(server.url() + "/GetMyself.cgi", body), HttpResult::AuthFailed);
        EXPECT_EQ(provider->asked.load(), 3);
        const auto heads = server.requests();
        ASSERT_EQ(heads.size(), 4u);
        EXPECT_EQ(heads[0].find("Authorization:"), std::string::npos);
        for (size_t i = 1; i < 4; ++i)
            EXPECT_NE(heads[i].find("Authorization: Basic Z3Vlc3Q6d3Jvbmc="), std::string::npos) << i;
    }
    // 401, then the answer: the credentials are kept for host:port and sent
    // at once next time; remembered ones go to a file only its owner reads.
    {
        ScriptedHttpServer server;
        server.once("/GetMyself.cgi", Script().send(denied));
        server.on("/GetMyself.cgi", Script().send(ok));
        auto store = std::make_shared<CredentialStore>(dir.file("cfg/credentials"));
        auto provider = std::make_shared<FixedProvider>(Credentials{"administrator", "admin", true});
        HttpRequest req;
        req.setCredentials(provider, store);
        std::string body;
        EXPECT_EQ(req.FetchReply(server.url() + "/GetMyself.cgi", body), HttpResult::Ok);
        EXPECT_EQ(body, "administrator");
        EXPECT_EQ(req.FetchReply(server.url() + "/GetMyself.cgi", body), HttpResult::Ok);
        EXPECT_EQ(provider->asked.load(), 1);
        EXPECT_EQ(server.requests().size(), 3u);
        struct stat st {};
        ASSERT_EQ(::stat(dir.file("cfg/credentials").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        // A new run reads them back.
        CredentialStore again(dir.file("cfg/credentials"));
        auto found = again.lookup("127.0.0.1:" + std::to_string(server.port()));
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, good);
        // A file found readable by others is narrowed when it is read.
        ASSERT_EQ(::chmod(dir.file("cfg/credentials").c_str(), 0644), 0);
        EXPECT_TRUE(CredentialStore(dir.file("cfg/credentials")).lookup("127.0.0.1:" + std::to_string(server.port())));
        ASSERT_EQ(::stat(dir.file("cfg/credentials").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        // Refused credentials are forgotten, also in the file.
        again.refused("127.0.0.1:" + std::to_string(server.port()), good);
        EXPECT_FALSE(CredentialStore(dir.file("cfg/credentials")).lookup("127.0.0.1:" + std::to_string(server.port())));
    }
    // After a prompt, a status other than 401 goes on to the body: 404 is
    // read with result 0.
    {
        ScriptedHttpServer server;
        server.once("/x", Script().send(denied));
        server.on("/x", Script().send(ScriptedHttpServer::reply(404, "error page")));
        HttpRequest req;
        req.setCredentials(std::make_shared<FixedProvider>(good), std::make_shared<CredentialStore>(""));
        std::string body;
        EXPECT_EQ(req.FetchReply(server.url() + "/x", body), HttpResult::Ok);
        EXPECT_EQ(body, "error page");
    }
}

TEST(HttpRequest, SilentServerTimesOut)
{
    ScriptedHttpServer server;
    server.setSilent(true);
    HttpRequest req;
    std::string body;
    const auto t = Clock::now();
    EXPECT_EQ(req.FetchReply(server.url() + "/GetStatus.cgi", body), HttpResult::SendFailed);
    EXPECT_GE(msSince(t), HttpRequest::kFetchTimeoutMs - 200);
    EXPECT_LT(msSince(t), HttpRequest::kFetchTimeoutMs + 5000);
}
