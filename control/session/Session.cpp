#include "control/session/Session.h"

#include "control/session/InterruptibleSleep.h"
#include "control/session/LoginQuestions.h"
#include "control/session/SessionLog.h"
#include "control/session/VidMessages.h"
#include "control/stream/KeyValueReader.h"
#include "control/stream/StreamParser.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace strovix {

Q_LOGGING_CATEGORY(sessionLog, "strovix.session", QtInfoMsg)

// What the window thread shares with every worker of the control.
struct Session::Shared {
    MessageTargetPtr target;
    std::atomic<int> windowNotReady{1};
    std::atomic<int> showIntervalTime{60};
    std::atomic<int> intervalChanged{0};
    std::atomic<int> reconnectTryNum{100};
    std::atomic<int> reconnectTryTime{3};
    std::atomic<int> retryChanged{0};
    std::atomic<int> exStatusStart{0};
    std::atomic<int> exStatusEnd{0};
    std::atomic<uint32_t> framesAnnounced{0};
    std::atomic<uint32_t> frameRateX100{0};
    std::atomic<uint32_t> frameRateWindow{10};
    SharedFramePtr frame = std::make_shared<SharedFrame>();
    // 1 from a post of WM_VID_NEWFRAME (or WM_VID_IMAGEINFO) until the window
    // thread takes it: a picture announced meanwhile needs no message of its
    // own, the window thread shows the newest picture when it gets there.
    std::atomic<int> newFramePending{0};
    std::atomic<int> imageInfoPending{0};

    mutable std::mutex versionLock;
    // Guarded by versionLock:
    std::string cameraVersion;

    mutable std::mutex capabilityLock;
    // Guarded by capabilityLock:
    std::string capability;

    std::mutex hookLock;
    // Guarded by hookLock (copied by each connection thread as it starts):
    StatusInterpreterFactory statusFactory;

    std::mutex ownerLock;
    // Guarded by ownerLock, and held while it is called: the session's owner
    // as the connection threads reach it. Cleared once the destruction has
    // waited for the workers, so that one that overstays tells nobody.
    SessionOwner* owner = nullptr;

    // Connection thread: the owner's loggedIn and statusBlock.
    void reportLoggedIn()
    {
        std::lock_guard g(ownerLock);
        if (owner)
            owner->loggedIn();
    }
    void reportStatusBlock(std::string_view block)
    {
        std::lock_guard g(ownerLock);
        if (owner)
            owner->statusBlock(block);
    }

    // Any thread: pane `pane` shows `text`. The text travels with the
    // message, so two quick changes both show.
    void showStatus(int pane, const std::string& text)
    {
        target->post(WM_VID_PANETEXT, static_cast<uintptr_t>(pane), 0, text);
    }
    // Any thread: connection `generation` reports why its camera sends no
    // pictures. A report of an earlier connection is dropped on arrival.
    void showLink(uint64_t generation, LinkState state, int attempt = 0)
    {
        target->post(WM_VID_LINKSTATE, static_cast<uintptr_t>(state), attempt, {}, generation);
    }
};

// The camera's first answer of a connection: whether it could be reached.
// The connection thread gives it; the put of `URL` waits a short while for it.
struct ProbeAnswer {
    std::mutex lock;
    std::condition_variable cv;
    // Guarded by lock:
    std::optional<bool> reachable;

    void give(bool ok)
    {
        {
            std::lock_guard g(lock);
            reachable = ok;
        }
        cv.notify_all();
    }
    std::optional<bool> waitUntil(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock g(lock);
        cv.wait_until(g, deadline, [&] { return reachable.has_value(); });
        return reachable;
    }
};

// One connection: the address, the stop flags and the request objects of one
// connect. A new one is made at every connect, so a worker that overstayed
// the previous one keeps its own flags (still set) and its own requests.
struct Session::Connection {
    uint64_t generation = 0; // marks this connection's messages
    std::string url;
    std::atomic<int> streamStop{0};
    std::atomic<int> loginLevel{0};
    std::atomic<int> threadResult{-1};

    mutable std::mutex userLock;
    // Guarded by userLock:
    std::string userName;

    HttpRequestPtr login = std::make_shared<HttpRequest>();
    HttpRequestPtr version = std::make_shared<HttpRequest>();
    HttpRequestPtr capability = std::make_shared<HttpRequest>();
    HttpRequestPtr probe = std::make_shared<HttpRequest>();
    HttpRequestPtr stream = std::make_shared<HttpRequest>();
    ProbeAnswer probeAnswer;

    void abortAll()
    {
        for (auto* r : {&login, &version, &capability, &probe, &stream})
            (*r)->Abort();
    }
};

namespace {

using Clock = std::chrono::steady_clock;

// How often unchanged image information is posted again.
constexpr uint32_t kImageInfoRefreshMs = 1000;

uint32_t tickMs()
{
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// The record alone, with every block also told to the session's owner.
class PlainStatusInterpreter : public StatusInterpreter {
public:
    explicit PlainStatusInterpreter(Session::Shared& shared) : m_shared(shared) {}
    void interpret(std::string_view block) override
    {
        m_record.update(block);
        m_shared.reportStatusBlock(block);
    }
    const CameraStatus& record() const override { return m_record; }

private:
    CameraStatus m_record;
    Session::Shared& m_shared; // held by the connection thread meanwhile
};

// The credentials provider of a connection's requests: while the question
// is open the view says that the camera needs a login, and once it is
// answered that the connection goes on. Asked on the connection thread.
class LoginWatch : public CredentialsProvider {
public:
    LoginWatch(std::shared_ptr<CredentialsProvider> inner, std::shared_ptr<Session::Shared> shared, uint64_t generation)
        : m_inner(std::move(inner)), m_shared(std::move(shared)), m_generation(generation)
    {
    }
    std::optional<Credentials> ask(const std::string& hostPort, const std::string& realm,
                                   const std::atomic<int>& cancel) override
    {
        m_shared->showLink(m_generation, LinkState::LoginNeeded);
        std::optional<Credentials> answer = m_inner->ask(hostPort, realm, cancel);
        if (answer)
            m_shared->showLink(m_generation, LinkState::Connecting);
        return answer;
    }

private:
    const std::shared_ptr<CredentialsProvider> m_inner;
    const std::shared_ptr<Session::Shared> m_shared;
    const uint64_t m_generation;
};

bool isAdministrator(const std::string& name)
{
    return name == "administrator" || name == "Administrator";
}

// Whether the camera answers at all ("/GetStatus.cgi"; the reply itself is
// not used). A camera that asks for credentials has answered. The answer
// goes to the put that waits for it.
HttpResult probeCamera(Session::Connection& conn)
{
    if (!conn.probe->busy())
        conn.probe->setReadGranularity(85);
    std::string body;
    const HttpResult r = conn.probe->FetchReply(conn.url + "/GetStatus.cgi", body);
    conn.probeAnswer.give(r == HttpResult::Ok || r == HttpResult::AuthFailed);
    return r;
}

// How long the stream may still go without a complete picture before it
// counts as failed: kStallMs, or three display intervals when they are
// longer (single-frame cameras), counted from the last picture or the
// stream's start.
class PictureWatch {
public:
    void restart(uint32_t nowMs) { m_lastMs = nowMs; }
    long msLeft(uint32_t nowMs, int intervalMs) const
    {
        const long bound = std::max<long>(Session::kStallMs, 3L * std::max(0, intervalMs));
        return bound - static_cast<long>(nowMs - m_lastMs);
    }

private:
    uint32_t m_lastMs = 0;
};

// A camera that closes the picture stream right after opening it (after
// each picture, say) would otherwise be logged in again at once, hundreds of
// times a second, each time with its follow-up requests. Such a stream is
// followed by a wait before the next login: ReconnectTryTime, or when that
// is 0 a wait that doubles from kFirstMs up to kLongestMs. A stream that
// lived longer than kQuickMs ends the back-off, so a camera that behaves
// again gets its normal rhythm. The wait ends early at a stop or a new
// ReconnectTryTime, like the retry wait. Connection thread only.
class QuickEndBackOff {
public:
    static constexpr uint32_t kQuickMs = 1000;
    static constexpr unsigned kFirstMs = 500;
    static constexpr unsigned kLongestMs = 10000;

    QuickEndBackOff(const std::atomic<int>& stop, std::atomic<int>& retryChanged, const std::atomic<int>& tryTimeS)
        : m_stop(stop), m_retryChanged(retryChanged), m_tryTimeS(tryTimeS)
    {
    }

    // A stream ended `livedMs` after it was opened; waits when it was quick.
    void streamEnded(uint32_t livedMs)
    {
        if (livedMs >= kQuickMs) {
            m_nextMs = kFirstMs;
            return;
        }
        const int seconds = std::max(0, m_tryTimeS.load());
        unsigned waitMs = static_cast<unsigned>(std::min(seconds, 24 * 3600)) * 1000u;
        if (waitMs == 0) {
            waitMs = m_nextMs;
            m_nextMs = std::min(m_nextMs * 2, kLongestMs);
        }
        InterruptibleSleep(waitMs, m_stop, m_retryChanged, 100);
        m_retryChanged.store(0);
    }

private:
    const std::atomic<int>& m_stop;
    std::atomic<int>& m_retryChanged;
    const std::atomic<int>& m_tryTimeS;
    unsigned m_nextMs = kFirstMs;
};

std::string maskPassword(const std::string& url);

// What the connection thread tells the log: each change of its camera's
// state once, named by the camera's address without its password.
class LinkLog {
public:
    explicit LinkLog(const std::string& url) : m_camera(maskPassword(url)) {}

    void state(LinkState state, int attempt, int retrySeconds)
    {
        if (state == m_state && attempt == m_attempt)
            return;
        const bool wasStreaming = m_streaming;
        m_state = state;
        m_attempt = attempt;
        m_streaming = false;
        const char* camera = m_camera.c_str();
        switch (state) {
        case LinkState::Idle: break;
        case LinkState::Connecting: qCDebug(sessionLog, "%s: connecting", camera); break;
        case LinkState::Retrying:
            qCInfo(sessionLog, "%s: attempt %d failed; trying again in %d s", camera, attempt, retrySeconds);
            break;
        case LinkState::LoginNeeded: qCWarning(sessionLog, "%s: the camera wants a login it was not given", camera); break;
        case LinkState::HostNotFound: qCWarning(sessionLog, "%s: the host name does not resolve", camera); break;
        case LinkState::Disconnected:
            qCInfo(sessionLog, "%s: disconnected%s", camera, wasStreaming ? "" : " (no stream)");
            break;
        }
    }
    void refused() { qCWarning(sessionLog, "%s: the camera refused the login", m_camera.c_str()); }
    void streaming()
    {
        if (m_streaming)
            return;
        m_streaming = true;
        m_state = LinkState::Idle;
        qCInfo(sessionLog, "%s: connected, pictures coming", m_camera.c_str());
    }
    void lost(bool stalled)
    {
        if (!m_streaming)
            return;
        m_streaming = false;
        if (stalled)
            qCWarning(sessionLog, "%s: lost: no picture came in time", m_camera.c_str());
        else
            qCWarning(sessionLog, "%s: lost: the camera ended the stream", m_camera.c_str());
    }

private:
    const std::string m_camera;
    LinkState m_state = LinkState::Idle;
    int m_attempt = -1;
    bool m_streaming = false;
};

// The connection thread: whether the camera answers, login, camera
// information, the picture stream and the reconnection rules.
void runConnection(std::shared_ptr<Session::Shared> sh, std::shared_ptr<Session::Connection> conn)
{
    StatusInterpreterFactory factory;
    {
        std::lock_guard g(sh->hookLock);
        factory = sh->statusFactory;
    }
    std::unique_ptr<StatusInterpreter> status = factory ? factory() : nullptr;
    if (!status)
        status = std::make_unique<PlainStatusInterpreter>(*sh);

    const std::atomic<int>& stop = conn->streamStop;
    int attempts = 0;
    // Writes of ReconnectTryTime or ShowIntervalTime before this connection
    // started do not cut its first retry or single-frame wait short.
    sh->retryChanged.store(0);
    sh->intervalChanged.store(0);

    LinkLog log(conn->url);
    auto link = [&](LinkState state, int attempt = 0) {
        log.state(state, attempt, std::max(0, sh->reconnectTryTime.load()));
        sh->showLink(conn->generation, state, attempt);
    };
    // `why` is what the view says once the thread has ended.
    auto end = [&](int pane, int result, LinkState why) {
        conn->loginLevel.store(0);
        sh->showStatus(pane, "Disconnect");
        link(why);
        conn->threadResult.store(result);
    };
    // A fatal request result: a refused or unanswered login still needs one.
    auto endFatal = [&](HttpResult r) {
        if (r == HttpResult::AuthFailed)
            log.refused();
        end(pane::kMisc, 1, r == HttpResult::AuthFailed ? LinkState::LoginNeeded : LinkState::Disconnected);
    };
    // A failed attempt: wait ReconnectTryTime (cut short by a new
    // ReconnectTryTime or a stop), show the attempt number, and give up once
    // more attempts failed than ReconnectTryNum allows. The count runs over
    // the thread's whole life, successful connections in between included.
    // A host name that does not resolve is told at once and stays the view's
    // word through the attempts that fail the same way: the attempt number
    // would say less; so does a login still wanted (refused or cancelled).
    // True when the thread must end.
    auto retry = [&](bool unknownHost, bool loginWanted = false) -> bool {
        ++attempts;
        if (unknownHost)
            link(LinkState::HostNotFound);
        else if (loginWanted)
            link(LinkState::LoginNeeded);
        const int seconds = std::max(0, sh->reconnectTryTime.load());
        InterruptibleSleep(static_cast<unsigned>(std::min(seconds, 24 * 3600)) * 1000u, stop, sh->retryChanged, 300);
        sh->retryChanged.store(0);
        sh->showStatus(pane::kRate, "Retry " + std::to_string(attempts));
        if (!unknownHost && !loginWanted)
            link(LinkState::Retrying, attempts);
        if (attempts > sh->reconnectTryNum.load()) {
            end(pane::kRate, 2,
                unknownHost ? LinkState::HostNotFound : loginWanted ? LinkState::LoginNeeded : LinkState::Disconnected);
            return true;
        }
        return false;
    };

    QuickEndBackOff quickEnds(stop, sh->retryChanged, sh->reconnectTryTime);

    StreamParser::Shared parserShared;
    parserShared.streamStop = &conn->streamStop;
    parserShared.windowNotReady = &sh->windowNotReady;
    parserShared.showIntervalTime = &sh->showIntervalTime;
    parserShared.intervalChanged = &sh->intervalChanged;
    parserShared.exStatusEnd = &sh->exStatusEnd;
    parserShared.framesAnnounced = &sh->framesAnnounced;
    parserShared.frameRateX100 = &sh->frameRateX100;
    parserShared.frameRateWindow = &sh->frameRateWindow;
    parserShared.frame = sh->frame;
    // A camera that trickles bytes without ever finishing a picture would
    // otherwise keep a frozen picture on screen for ever. A closed camera
    // sends no pictures: it is not watched.
    PictureWatch watch;
    bool stalled = false;
    StreamParser::Hooks hooks;
    hooks.read = [&](uint8_t* buffer, size_t n) -> long {
        // Whatever has arrived, so that a picture is shown as soon as its
        // last byte is here.
        if (status->record().openState == 0) {
            watch.restart(tickMs());
            return conn->stream->ReadSome(buffer, n);
        }
        const long left = watch.msLeft(tickMs(), sh->showIntervalTime.load());
        const long got =
            left > 0 ? conn->stream->ReadSome(buffer, n, static_cast<int>(left)) : HttpRequest::kReadWaitOver;
        if (got == HttpRequest::kReadWaitOver) {
            stalled = true;
            return -1;
        }
        return got;
    };
    hooks.statusBlock = [&](std::string_view block) { status->interpret(block); };
    // The image information goes to the window thread when it changed, and
    // again once a second (when the last one was taken) so that the panes
    // built from it follow the camera version; not with every picture.
    std::optional<std::pair<uintptr_t, intptr_t>> imageInfoPosted;
    uint32_t imageInfoPostedMs = 0;
    hooks.pictureStored = [&] {
        const uint32_t now = tickMs();
        watch.restart(now);
        const std::pair<uintptr_t, intptr_t> info{status->record().imageInfoWParam(),
                                                  status->record().imageInfoLParam()};
        const bool refresh = now - imageInfoPostedMs >= kImageInfoRefreshMs && sh->imageInfoPending.load() == 0;
        if (imageInfoPosted == info && !refresh)
            return;
        imageInfoPosted = info;
        imageInfoPostedMs = now;
        sh->imageInfoPending.store(1);
        sh->target->post(WM_VID_IMAGEINFO, info.first, info.second);
    };
    // The picture is shared and immutable: the window thread takes the
    // newest when it gets to the message, and no one waits for it.
    hooks.announce = [&] {
        if (sh->newFramePending.exchange(1) == 0)
            sh->target->post(WM_VID_NEWFRAME);
    };
    hooks.stopSeen = [&] {
        sh->showStatus(pane::kMisc, "Disconnect");
        link(LinkState::Disconnected);
    };
    hooks.nowMs = tickMs;
    hooks.sleepMs = [](unsigned ms) {
        if (ms == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    StreamParser parser(parserShared, hooks);

    // The put of `URL` waits a short while for this answer; when it comes
    // later the thread goes on alone. An unreachable camera is a failed
    // attempt like any other, so a camera that comes online later is found.
    const HttpResult probed = probeCamera(*conn);
    if (stop.load() == 1) {
        conn->threadResult.store(0);
        return;
    }
    // An address that is no address never will be.
    if (probed == HttpResult::BadUrl) {
        end(pane::kMisc, 1, LinkState::Disconnected);
        return;
    }
    const bool reachable = probed == HttpResult::Ok || probed == HttpResult::AuthFailed;
    // The window thread starts the sound once the camera has answered.
    bool reachedAnnounced = reachable;
    if (reachable)
        sh->target->post(WM_VID_REACHED, 0, 0, {}, conn->generation);
    else if (retry(conn->probe->hostNotFound()))
        return;

    while (stop.load() != 1) {
        // Log in while the login level is cleared (first pass, and after the
        // stream ended).
        if (conn->loginLevel.load() == 0) {
            std::string body;
            conn->login->setReadGranularity(75);
            const HttpResult r = conn->login->FetchReply(conn->url + "/GetMyself.cgi", body);
            if (r == HttpResult::Ok) {
                {
                    std::lock_guard g(conn->userLock);
                    conn->userName = body;
                }
                sh->target->post(WM_VID_LOGIN, isAdministrator(body) ? 0 : 1, 0, {}, conn->generation);
                if (!reachedAnnounced) {
                    reachedAnnounced = true;
                    sh->target->post(WM_VID_REACHED, 0, 0, {}, conn->generation);
                }
                // A closed camera: ask again after a second, for as long as
                // the window thread has not recorded the login level.
                if (status->record().openState == 0) {
                    InterruptibleSleep(1000, stop, stop, 100);
                    continue;
                }
            } else if (isFatal(r)) {
                endFatal(r);
                return;
            } else {
                if (r == HttpResult::AuthFailed)
                    log.refused();
                if (retry(conn->login->hostNotFound(), r == HttpResult::AuthFailed))
                    return;
                continue;
            }
        }
        // Once logged in (again): the control's text and camera clock, the
        // camera version and its capability. Failures here are silent; the
        // stream is opened anyway.
        sh->reportLoggedIn();
        {
            std::string body;
            conn->version->setReadGranularity(75);
            if (conn->version->FetchReply(conn->url + "/GetVer.cgi?VName=Camera", body) == HttpResult::Ok) {
                std::string version = lastValueOf(body, "CamVer");
                {
                    std::lock_guard g(sh->versionLock);
                    sh->cameraVersion = version;
                }
                sh->target->send(WM_VID_CAMVER, 0, 0, stop, std::move(version));
            }
        }
        {
            std::string body;
            conn->capability->setReadGranularity(75);
            if (conn->capability->FetchReply(conn->url + "/GetCapability.cgi", body) == HttpResult::Ok) {
                {
                    std::lock_guard g(sh->capabilityLock);
                    sh->capability = std::move(body);
                }
                sh->target->send(WM_VID_CAPABILITY, 0, 0, stop);
            }
        }
        // The picture stream, reopened after every single-frame cycle. A
        // failed open keeps the login level, so the next pass skips the
        // login but reads version and capability again.
        for (;;) {
            if (stop.load() == 1)
                break;
            const uint32_t requestStart = tickMs();
            watch.restart(requestStart);
            stalled = false;
            const HttpResult r = conn->stream->OpenStream(conn->url + "/GetData.cgi?Status=1");
            if (r == HttpResult::Ok) {
                log.streaming();
                const StreamParser::Outcome outcome = parser.run(requestStart);
                conn->stream->CloseRequest();
                if (outcome == StreamParser::Outcome::SingleFrameDone)
                    continue;
                if (outcome == StreamParser::Outcome::StopSeen) {
                    conn->loginLevel.store(0);
                    conn->threadResult.store(0);
                    return;
                }
                conn->loginLevel.store(0); // stream ended: log in again
                if (stop.load() != 1)
                    log.lost(stalled);
                // A stalled stream is a failed attempt; one that ended or
                // broke is simply opened again after a new login, at once
                // unless it ended right after it was opened.
                if (stalled && stop.load() != 1 && retry(false))
                    return;
                if (!stalled)
                    quickEnds.streamEnded(tickMs() - requestStart);
                break;
            }
            conn->stream->CloseRequest();
            if (isFatal(r)) {
                endFatal(r);
                return;
            }
            if (retry(conn->stream->hostNotFound()))
                return;
            break;
        }
    }
    // Asked to stop between two steps.
    sh->showStatus(pane::kMisc, "Disconnect");
    link(LinkState::Disconnected);
    conn->threadResult.store(0);
}

// "user:password@" in the authority of `url` becomes "user:***@".
std::string maskPassword(const std::string& url)
{
    const size_t scheme = url.find("://");
    const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t end = std::min(url.find_first_of("/?#", start), url.size());
    const size_t at = url.rfind('@', end == 0 ? 0 : end - 1);
    if (at == std::string::npos || at < start)
        return url;
    const size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}

} // namespace

Session::Session() : Session(Options{}) {}

Session::Session(Options options)
    : m_shared(std::make_shared<Shared>()),
      m_connection(std::make_shared<Connection>()),
      m_urlSettings(options.urlSettingsFile),
      m_credentialStore(options.credentialStore ? options.credentialStore : CredentialStore::shared())
{
    m_shared->target = std::make_shared<MessageTarget>();
    m_shared->target->setFallbackHandler([this](const VidMessageArgs& a) { return dispatchBuiltIn(a); });
    // No connection runs yet.
    m_connection->streamStop.store(1);
}

Session::~Session()
{
    // The window is gone (or never was): the workers are asked to stop, if
    // the window's destruction did not do so already, and waited for with
    // plain waits until the deadline of that first request.
    m_shared->windowNotReady.store(1);
    const auto deadline = stopDeadline();
    m_workers.stopAll(deadline);
    {
        std::lock_guard g(m_shared->ownerLock);
        m_shared->owner = nullptr;
    }
    if (m_owner)
        m_owner->stopAudio();
    // The sound settings of this camera are kept for the next run.
    if (!m_url.empty()) {
        m_urlSettings.write(m_url, "Audio", std::to_string(audio()));
        m_urlSettings.write(m_url, "AudioFormat", std::to_string(audioFormat()));
    }
    // Whatever a detached worker still posts is dropped.
    m_shared->target->close();
}

void Session::setMessageHandler(unsigned msg, MessageTarget::Handler handler)
{
    if (handler)
        m_handlers[msg] = std::move(handler);
    else
        m_handlers.erase(msg);
}

void Session::setFallbackMessageHandler(MessageTarget::Handler handler)
{
    m_fallbackHandler = std::move(handler);
}

void Session::setOwner(SessionOwner* owner)
{
    m_owner = owner;
    std::lock_guard g(m_shared->ownerLock);
    m_shared->owner = owner;
}

void Session::setLinkState(LinkState state, int attempt)
{
    m_linkState = state;
    m_linkAttempt = attempt;
    if (m_owner)
        m_owner->linkStateChanged(state, attempt);
}

void Session::setStatusInterpreterFactory(StatusInterpreterFactory factory)
{
    std::lock_guard g(m_shared->hookLock);
    m_shared->statusFactory = std::move(factory);
}

void Session::setCredentialsProvider(std::shared_ptr<CredentialsProvider> provider)
{
    m_provider = std::move(provider);
}

long Session::dispatchBuiltIn(const VidMessageArgs& a)
{
    switch (a.msg) {
    case WM_VID_PANETEXT:
        if (a.wParam < kPaneCount)
            setPaneText(static_cast<int>(a.wParam), a.text);
        break;
    case WM_VID_LOGIN:
        // A login answer of an earlier connection does not log this one in.
        if (a.tag == 0 || a.tag == m_connection->generation)
            m_connection->loginLevel.store(a.wParam == 0 ? 2 : 1);
        break;
    case WM_VID_THREADDONE:
        // The worker posted this as its last act: a plain wait is short.
        m_workers.stop(static_cast<WorkerList::Id>(a.wParam), std::chrono::milliseconds(kStopWaitMs));
        break;
    case WM_VID_LINKSTATE:
        if (a.tag == m_connection->generation)
            setLinkState(linkStateFrom(static_cast<int>(a.wParam)), static_cast<int>(a.lParam));
        break;
    case WM_VID_NEWFRAME:
        m_shared->newFramePending.store(0);
        break;
    case WM_VID_IMAGEINFO:
        m_shared->imageInfoPending.store(0);
        break;
    case WM_VID_REACHED:
        // The camera of this connection answered after the put returned.
        if (a.tag == m_connection->generation)
            startAudioOnce();
        break;
    default:
        break;
    }
    if (auto it = m_handlers.find(a.msg); it != m_handlers.end())
        return it->second(a);
    if (m_fallbackHandler)
        return m_fallbackHandler(a);
    return 0;
}

void Session::setWindowReady(bool ready)
{
    if (ready) {
        m_shared->windowNotReady.store(0);
        // Workers started from now on get their full time at destruction.
        m_stopDeadline.reset();
        return;
    }
    m_shared->windowNotReady.store(1);
    requestStop();
}

void Session::requestStop()
{
    m_connection->streamStop.store(1);
    abortRequests();
    if (!m_stopDeadline)
        m_stopDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs);
}

std::chrono::steady_clock::time_point Session::stopDeadline()
{
    requestStop();
    return *m_stopDeadline;
}

bool Session::windowReady() const
{
    return m_shared->windowNotReady.load() == 0;
}

void Session::abortRequests()
{
    m_connection->abortAll();
    std::vector<std::weak_ptr<HttpRequest>> commands;
    {
        std::lock_guard g(m_commandLock);
        // Forget the requests that are gone.
        std::erase_if(m_commandRequests, [](const std::weak_ptr<HttpRequest>& w) { return w.expired(); });
        commands = m_commandRequests;
    }
    for (auto& w : commands)
        if (auto r = w.lock())
            r->Abort();
}

void Session::stopWorkers()
{
    if (windowReady())
        m_workers.stopAll(std::chrono::milliseconds(kStopWaitMs), [t = m_shared->target] { t->processPending(); });
    else
        m_workers.stopAll(std::chrono::milliseconds(kStopWaitMs));
}

void Session::stopConnection()
{
    // Requests first: the audio thread's status check shares the probe's
    // request object and would otherwise hold up its own stop.
    m_connection->streamStop.store(1);
    abortRequests();
    if (m_owner)
        m_owner->stopAudio();
    stopWorkers();
}

void Session::startAudioOnce()
{
    if (m_audioGeneration == m_connection->generation)
        return;
    m_audioGeneration = m_connection->generation;
    if (audio() == 1 && m_owner)
        m_owner->startAudio();
}

int Session::setUrl(const std::string& url)
{
    const auto putStarted = std::chrono::steady_clock::now();
    const bool window = windowReady();
    if (window)
        setPaneText(pane::kMisc, "Disconnecting " + displayUrl());
    stopConnection();
    if (window)
        setPaneText(pane::kMisc, "Disconnected.");

    // A fresh connection with its own flags and requests. An address put
    // anew is the operator's (or the host's) act: its camera may ask for a
    // login again, even if that question was cancelled before.
    m_url = url;
    if (const auto parts = splitUrl(url))
        m_credentialStore->questions().allowAgain(hostPortOf(*parts));
    m_stopDeadline.reset();
    m_connection = std::make_shared<Connection>();
    m_connection->generation = ++m_generation;
    m_connection->url = url;
    // A question for a login shows in the view while it is open.
    const std::shared_ptr<CredentialsProvider> asking =
        m_provider ? std::make_shared<LoginWatch>(m_provider, m_shared, m_connection->generation) : nullptr;
    for (auto* r : {&m_connection->login, &m_connection->version, &m_connection->capability, &m_connection->probe,
                    &m_connection->stream})
        (*r)->setCredentials(asking, m_credentialStore);
    // The reachability check only asks whether the camera answers: it never
    // prompts.
    m_connection->probe->setCredentials(nullptr, m_credentialStore);

    // The sound settings kept for this address.
    if (auto stored = m_urlSettings.read(url)) {
        int audio = this->audio(), format = audioFormat();
        applyAudioSettings(*stored, audio, format);
        setAudio(audio);
        setAudioFormat(format);
    }

    // Nothing of the previous camera stays.
    m_shared->framesAnnounced.store(0);
    m_shared->frameRateX100.store(0);
    m_shared->frameRateWindow.store(10);
    {
        std::lock_guard g(m_shared->versionLock);
        m_shared->cameraVersion.clear();
    }
    {
        std::lock_guard g(m_shared->capabilityLock);
        m_shared->capability.clear();
    }
    if (m_owner)
        m_owner->connectReset();

    if (window)
        setPaneText(pane::kMisc, "Connecting " + displayUrl());
    // An address that cannot be split (the empty one the application
    // disconnects with) is not on its way anywhere.
    const bool splittable = splitUrl(url).has_value();
    setLinkState(splittable ? LinkState::Connecting : LinkState::Disconnected, 0);
    auto shared = m_shared;
    auto conn = m_connection;
    if (m_workers.start([shared, conn](WorkerList::Id) { runConnection(shared, conn); }) == WorkerList::kNotStarted) {
        // No thread to connect with: a failed connect.
        m_connection->streamStop.store(1);
        if (window)
            setPaneText(pane::kMisc, "Disconnect");
        setLinkState(LinkState::Disconnected, 0);
        return 1;
    }
    // An address that cannot be split is known to fail without asking.
    if (!splittable)
        return 1;
    // The window thread is held only briefly, whatever the camera does.
    const std::optional<bool> reachable =
        m_connection->probeAnswer.waitUntil(putStarted + std::chrono::milliseconds(kProbeWaitMs));
    if (!reachable)
        return 0; // the thread goes on asking, and reports WM_VID_REACHED
    if (!*reachable)
        return 1; // the thread tries again by the reconnection rules
    startAudioOnce();
    return 0;
}

std::string Session::displayUrl() const
{
    return maskPassword(m_url);
}

bool Session::loginAgain()
{
    if (const auto parts = splitUrl(m_url))
        m_credentialStore->questions().allowAgain(hostPortOf(*parts));
    if (m_connection->streamStop.load() == 1 || m_connection->threadResult.load() != -1)
        return false;
    // Cuts a running retry wait short, as a new ReconnectTryTime does.
    m_shared->retryChanged.store(1);
    return true;
}

bool Session::loginDeclined() const
{
    const auto parts = splitUrl(m_url);
    return parts && m_credentialStore->questions().declined(hostPortOf(*parts));
}

Refusal Session::setShowIntervalTime(int ms)
{
    if (ms < 0)
        return "IntervalTime is greater than 0";
    m_shared->showIntervalTime.store(ms);
    m_shared->intervalChanged.store(1);
    return std::nullopt;
}

int Session::showIntervalTime() const
{
    return m_shared->showIntervalTime.load();
}

Refusal Session::setReconnectTryNum(int count)
{
    if (count < 0)
        return "ReconnectTryNum is no less than 0";
    m_shared->reconnectTryNum.store(count);
    return std::nullopt;
}

int Session::reconnectTryNum() const
{
    return m_shared->reconnectTryNum.load();
}

Refusal Session::setReconnectTryTime(int seconds)
{
    if (seconds < 0)
        return "ReconnectTryTime is no less than 0";
    m_shared->reconnectTryTime.store(seconds);
    m_shared->retryChanged.store(1);
    return std::nullopt;
}

int Session::reconnectTryTime() const
{
    return m_shared->reconnectTryTime.load();
}

int Session::loginLevel() const
{
    return m_connection->loginLevel.load();
}

std::string Session::userName() const
{
    std::lock_guard g(m_connection->userLock);
    return m_connection->userName;
}

std::string Session::cameraVersion() const
{
    std::lock_guard g(m_shared->versionLock);
    return m_shared->cameraVersion;
}

std::string Session::capabilityText() const
{
    std::lock_guard g(m_shared->capabilityLock);
    return m_shared->capability;
}

void Session::setExStatusWindow(int start, int end)
{
    m_shared->exStatusStart.store(start);
    m_shared->exStatusEnd.store(end);
}

SharedFramePtr Session::frame() const
{
    return m_shared->frame;
}

uint32_t Session::framesAnnounced() const
{
    return m_shared->framesAnnounced.load();
}

uint32_t Session::frameRateX100() const
{
    return m_shared->frameRateX100.load();
}

uint32_t Session::frameRateWindow() const
{
    return m_shared->frameRateWindow.load();
}

std::string Session::paneText(int pane) const
{
    return pane >= 0 && pane < kPaneCount ? m_panes[static_cast<size_t>(pane)] : std::string();
}

void Session::setPaneText(int pane, const std::string& text)
{
    if (pane < 0 || pane >= kPaneCount)
        return;
    std::string shown = text;
    if (const std::string masked = displayUrl(); masked != m_url)
        for (size_t at = shown.find(m_url); at != std::string::npos; at = shown.find(m_url, at + masked.size()))
            shown.replace(at, m_url.size(), masked);
    m_panes[static_cast<size_t>(pane)] = shown;
    if (m_owner)
        m_owner->paneTextChanged(pane, shown);
}

Session::AudioConnection Session::audioConnection() const
{
    AudioConnection a;
    if (m_url.empty())
        return a;
    a.url = m_connection->url;
    a.probeRequest = m_connection->probe;
    // Aliasing pointers: each flag keeps its owner alive.
    a.streamStop = std::shared_ptr<const std::atomic<int>>(m_connection, &m_connection->streamStop);
    a.retryChanged = std::shared_ptr<std::atomic<int>>(m_shared, &m_shared->retryChanged);
    a.reconnectTryNum = std::shared_ptr<const std::atomic<int>>(m_shared, &m_shared->reconnectTryNum);
    a.reconnectTryTime = std::shared_ptr<const std::atomic<int>>(m_shared, &m_shared->reconnectTryTime);
    a.credentials = m_provider;
    a.credentialStore = m_credentialStore;
    return a;
}

void Session::addCommandRequest(const HttpRequestPtr& request)
{
    std::lock_guard g(m_commandLock);
    m_commandRequests.push_back(request);
}

int Session::lastThreadResult() const
{
    return m_connection->threadResult.load();
}

const MessageTargetPtr& Session::messageTarget() const
{
    return m_shared->target;
}

} // namespace strovix
