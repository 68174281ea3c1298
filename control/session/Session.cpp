#include "control/session/Session.h"

#include "control/session/InterruptibleSleep.h"
#include "control/session/VidMessages.h"
#include "control/stream/KeyValueReader.h"
#include "control/stream/StreamParser.h"
#include "platform/component/ClassFactory.h"

#include <chrono>
#include <condition_variable>
#include <thread>

namespace strovix {

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

    std::mutex statusTextLock;
    // Guarded by statusTextLock:
    std::string statusText;

    mutable std::mutex versionLock;
    // Guarded by versionLock:
    std::string cameraVersion;

    mutable std::mutex capabilityLock;
    // Guarded by capabilityLock:
    std::string capability;

    std::mutex hookLock;
    // Guarded by hookLock (copied by each connection thread as it starts):
    StatusInterpreterFactory statusFactory;
    std::function<void(std::string_view)> statusObserver;
    std::function<void()> afterLogin;

    // Any thread: the status text becomes `text` and pane `pane` shows it.
    // The text travels with the message, so two quick changes both show.
    void showStatus(int pane, const std::string& text)
    {
        {
            std::lock_guard g(statusTextLock);
            statusText = text;
        }
        target->post(WM_VID_PANETEXT, static_cast<uintptr_t>(pane), 0, text);
    }
};

// One connection: the address, the stop flags and the request objects of one
// connect. A new one is made at every connect, so a worker that overstayed
// the previous one keeps its own flags (still set) and its own requests.
struct Session::Connection {
    uint64_t generation = 0; // marks this connection's messages
    std::string url;
    std::atomic<int> streamStop{0};
    std::shared_ptr<std::atomic<int>> audioStop = std::make_shared<std::atomic<int>>(0);
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

    void abortAll()
    {
        for (auto* r : {&login, &version, &capability, &probe, &stream})
            (*r)->Abort();
    }
};

namespace {

using Clock = std::chrono::steady_clock;

uint32_t tickMs()
{
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// The record alone, with every block also shown to an observer.
class PlainStatusInterpreter : public StatusInterpreter {
public:
    explicit PlainStatusInterpreter(std::function<void(std::string_view)> observer) : m_observer(std::move(observer)) {}
    void interpret(std::string_view block) override
    {
        m_record.update(block);
        if (m_observer)
            m_observer(block);
    }
    const CameraStatus& record() const override { return m_record; }

private:
    CameraStatus m_record;
    std::function<void(std::string_view)> m_observer;
};

bool isAdministrator(const std::string& name)
{
    return name == "administrator" || name == "Administrator";
}

// The connection thread: login, camera information, the picture stream and
// the reconnection rules.
void runConnection(std::shared_ptr<Session::Shared> sh, std::shared_ptr<Session::Connection> conn)
{
    StatusInterpreterFactory factory;
    std::function<void(std::string_view)> observer;
    std::function<void()> afterLogin;
    {
        std::lock_guard g(sh->hookLock);
        factory = sh->statusFactory;
        observer = sh->statusObserver;
        afterLogin = sh->afterLogin;
    }
    std::unique_ptr<StatusInterpreter> status = factory ? factory() : nullptr;
    if (!status)
        status = std::make_unique<PlainStatusInterpreter>(observer);

    const std::atomic<int>& stop = conn->streamStop;
    int attempts = 0;
    // Writes of ReconnectTryTime or ShowIntervalTime before this connection
    // started do not cut its first retry or single-frame wait short.
    sh->retryChanged.store(0);
    sh->intervalChanged.store(0);

    auto end = [&](int pane, int result) {
        conn->loginLevel.store(0);
        sh->showStatus(pane, "Disconnect");
        conn->threadResult.store(result);
    };
    // R1-R3: true when the attempts are used up and the thread must end.
    auto retry = [&]() -> bool {
        ++attempts;
        const int seconds = std::max(0, sh->reconnectTryTime.load());
        InterruptibleSleep(static_cast<unsigned>(std::min(seconds, 24 * 3600)) * 1000u, stop, sh->retryChanged, 300);
        sh->retryChanged.store(0);
        sh->showStatus(5, "Retry " + std::to_string(attempts));
        if (attempts > sh->reconnectTryNum.load()) {
            end(5, 2);
            return true;
        }
        return false;
    };

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
    StreamParser::Hooks hooks;
    hooks.read = [&](uint8_t* buffer, size_t n) { return conn->stream->Read(buffer, n); };
    hooks.statusBlock = [&](std::string_view block) { status->interpret(block); };
    hooks.pictureStored = [&] {
        sh->target->post(WM_VID_IMAGEINFO, status->record().imageInfoWParam(), status->record().imageInfoLParam());
    };
    hooks.announce = [&] { sh->target->send(WM_VID_NEWFRAME, 0, 0, stop); };
    hooks.stopSeen = [&] { sh->showStatus(6, "Disconnect"); };
    hooks.nowMs = tickMs;
    hooks.sleepMs = [](unsigned ms) {
        if (ms == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
    StreamParser parser(parserShared, hooks);

    while (stop.load() != 1) {
        // T3: login.
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
                if (status->record().openState == 0) {
                    InterruptibleSleep(1000, stop, stop, 100);
                    continue;
                }
            } else if (isFatal(r)) {
                end(6, 1);
                return;
            } else {
                if (retry())
                    return;
                continue;
            }
        }
        // T4-T6: the control's text, camera version and capability.
        if (afterLogin)
            afterLogin();
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
        // T7: the stream, reopened after every single-frame cycle.
        for (;;) {
            if (stop.load() == 1)
                break;
            const uint32_t requestStart = tickMs();
            const HttpResult r = conn->stream->OpenStream(conn->url + "/GetData.cgi?Status=1");
            if (r == HttpResult::Ok) {
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
                break;
            }
            conn->stream->CloseRequest();
            if (isFatal(r)) {
                end(6, 1);
                return;
            }
            if (retry())
                return;
            break;
        }
    }
    // T8.
    sh->showStatus(6, "Disconnect");
    conn->threadResult.store(0);
}

// The probe's wait, shared with the probe thread.
struct ProbeState {
    std::mutex lock;
    std::condition_variable cv;
    bool done = false;
    bool ok = false;

    bool waitFor(int ms)
    {
        std::unique_lock g(lock);
        return cv.wait_for(g, std::chrono::milliseconds(ms), [&] { return done; });
    }
};

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
    // D1, D2: the window is gone; every worker is asked to stop.
    m_shared->windowNotReady.store(1);
    m_connection->streamStop.store(1);
    m_connection->audioStop->store(1);
    abortRequests();
    // D3: plain waits, one common deadline.
    m_workers.stopAll(std::chrono::milliseconds(kStopWaitMs));
    // D4.
    if (m_audioStop)
        m_audioStop();
    // D5: the sound settings of this camera are kept for the next run.
    if (!m_url.empty()) {
        m_urlSettings.write(m_url, "Audio", std::to_string(audio()));
        m_urlSettings.write(m_url, "AudioFormat", std::to_string(audioFormat()));
    }
    // D6.
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

void Session::addPaneObserver(std::function<void(int, const std::string&)> observer)
{
    m_paneObservers.push_back(std::move(observer));
}

void Session::setStatusInterpreterFactory(StatusInterpreterFactory factory)
{
    std::lock_guard g(m_shared->hookLock);
    m_shared->statusFactory = std::move(factory);
}

void Session::setStatusBlockObserver(std::function<void(std::string_view)> observer)
{
    std::lock_guard g(m_shared->hookLock);
    m_shared->statusObserver = std::move(observer);
}

void Session::setAfterLoginHook(std::function<void()> hook)
{
    std::lock_guard g(m_shared->hookLock);
    m_shared->afterLogin = std::move(hook);
}

void Session::setConnectResetHook(std::function<void()> hook)
{
    m_connectReset = std::move(hook);
}

void Session::setAudioHooks(std::function<void()> start, std::function<void()> stop)
{
    m_audioStart = std::move(start);
    m_audioStop = std::move(stop);
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
        return;
    }
    // D1.
    m_shared->windowNotReady.store(1);
    m_connection->streamStop.store(1);
    m_connection->audioStop->store(1);
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
    // C2-C5.
    m_connection->streamStop.store(1);
    m_connection->audioStop->store(1);
    if (m_audioStop)
        m_audioStop();
    abortRequests();
    stopWorkers();
}

int Session::setUrl(const std::string& url)
{
    const bool window = windowReady();
    if (window)
        setPaneText(6, "Disconnecting " + m_url);
    stopConnection();
    if (window)
        setPaneText(6, "Disconnected.");

    // C7: a fresh connection with its own flags and requests.
    m_url = url;
    m_connection = std::make_shared<Connection>();
    m_connection->generation = ++m_generation;
    m_connection->url = url;
    for (auto* r : {&m_connection->login, &m_connection->version, &m_connection->capability, &m_connection->probe,
                    &m_connection->stream})
        (*r)->setCredentials(m_provider, m_credentialStore);
    // The probe only asks whether the camera answers: it never prompts.
    m_connection->probe->setCredentials(nullptr, m_credentialStore);

    // C8.
    if (auto stored = m_urlSettings.read(url)) {
        int audio = this->audio(), format = audioFormat();
        applyAudioSettings(*stored, audio, format);
        setAudio(audio);
        setAudioFormat(format);
    }

    // C9, C10.
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
    if (m_connectReset)
        m_connectReset();

    // C11-C14.
    if (window)
        setPaneText(6, "Connecting " + url);
    if (!probe())
        return 1;
    auto shared = m_shared;
    auto conn = m_connection;
    m_workers.start([shared, conn](WorkerList::Id) { runConnection(shared, conn); });
    if (audio() == 1 && m_audioStart)
        m_audioStart();
    return 0;
}

bool Session::probe()
{
    auto conn = m_connection;
    auto state = std::make_shared<ProbeState>();
    if (!conn->probe->busy())
        conn->probe->setReadGranularity(85);
    // The library stays loaded until the probe has ended, detached or not.
    platform::component::ModuleCount::threadStarting();
    std::thread t([conn, state]() mutable {
        std::string body;
        const HttpResult r = conn->probe->FetchReply(conn->url + "/GetStatus.cgi", body);
        {
            std::lock_guard g(state->lock);
            // A camera that asks for credentials has answered.
            state->ok = r == HttpResult::Ok || r == HttpResult::AuthFailed;
            state->done = true;
        }
        state->cv.notify_all();
        conn.reset();
        state.reset();
        platform::component::ModuleCount::threadEnded();
    });
    bool done = state->waitFor(1000);
    if (!done && conn->probe->sending()) {
        for (int waited = 0; waited < 4000 && !done && conn->probe->sending(); waited += 100)
            done = state->waitFor(100);
        if (!done && conn->probe->sending()) {
            conn->probe->Abort();
            t.detach();
            return false;
        }
    }
    if (!done)
        done = state->waitFor(1000);
    if (!done) {
        conn->probe->Abort();
        t.detach();
        return false;
    }
    t.join();
    return state->ok;
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

std::shared_ptr<std::atomic<int>> Session::audioStopFlag() const
{
    return m_connection->audioStop;
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
    m_panes[static_cast<size_t>(pane)] = text;
    for (const auto& o : m_paneObservers)
        o(pane, text);
}

HttpRequestPtr Session::probeRequest() const
{
    return m_connection->probe;
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
