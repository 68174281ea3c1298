#pragma once

#include "control/session/Credentials.h"
#include "control/session/HttpRequest.h"
#include "control/session/LinkState.h"
#include "control/session/MessageTarget.h"
#include "control/session/SessionOwner.h"
#include "control/session/Panes.h"
#include "control/session/UrlSettingsStore.h"
#include "control/session/WorkerList.h"
#include "control/stream/CameraStatus.h"
#include "control/stream/Frame.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strovix {

// Turns the status blocks of one connection thread into a camera status
// record (and, in the full control, into window messages). Created at the
// start of every connection thread and used on that thread only.
class StatusInterpreter {
public:
    virtual ~StatusInterpreter() = default;
    virtual void interpret(std::string_view block) = 0;
    // The record WM_VID_IMAGEINFO is built from, and whose open state the
    // login step looks at.
    virtual const CameraStatus& record() const = 0;
};
using StatusInterpreterFactory = std::function<std::unique_ptr<StatusInterpreter>()>;

// A setter's answer: nothing when the value was taken, else the refusal text.
using Refusal = std::optional<std::string>;

// The camera connection of one control: the connect sequence behind `URL`,
// the connection thread with its reachability check, login, camera
// information, picture stream and reconnection rules, the pane texts, and
// the orderly stop on reconnection and destruction.
//
// Created, used and destroyed on the GUI thread (the control's window
// thread), which needs a Qt application object. Worker threads talk back only
// through the message target. Everything a worker touches is held by shared
// ownership, so a worker that overstays its stop (it is detached, never
// killed) cannot reach freed memory.
class Session {
public:
    static constexpr int kPaneCount = pane::kCount;
    // How long a stop waits for the workers (counted from the stop request).
    static constexpr int kStopWaitMs = 3000;
    // How long a put of `URL` waits for the camera's first answer, counted
    // from the start of the put; the put as a whole stays within 250 ms.
    static constexpr int kProbeWaitMs = 200;
    // A stream that brings no complete picture for this long (or three
    // ShowIntervalTime intervals, whichever is longer) while the camera is
    // open has failed.
    static constexpr int kStallMs = 10000;

    struct Options {
        // Where Audio and AudioFormat are kept per URL; empty: the per-user default.
        std::string urlSettingsFile;
        // Credentials of the run (and remembered ones); null: the process-wide store.
        std::shared_ptr<CredentialStore> credentialStore;
    };

    Session();
    explicit Session(Options options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- The owner's wiring (GUI thread; set before the first URL) ---

    // The handler of one WM_VID_* message on the window thread. The session
    // handles WM_VID_PANETEXT (pane texts), WM_VID_LOGIN (login level),
    // WM_VID_THREADDONE (worker list), WM_VID_REACHED (starts the sound) and
    // WM_VID_LINKSTATE (the owner's linkStateChanged) itself first, then
    // calls these.
    void setMessageHandler(unsigned msg, MessageTarget::Handler handler);
    void setFallbackMessageHandler(MessageTarget::Handler handler);
    // Who is told what happens (see SessionOwner); null: nobody. Replaces an
    // earlier owner; once this returns, no connection thread calls that one.
    // The owner stays until the session has gone or is replaced before.
    void setOwner(SessionOwner* owner);
    // Status handling of each connection thread; by default a plain record
    // whose blocks also go to the owner's statusBlock.
    void setStatusInterpreterFactory(StatusInterpreterFactory factory);
    // Asked on a 401 or 407; null: such requests end with result 8.
    void setCredentialsProvider(std::shared_ptr<CredentialsProvider> provider);
    std::shared_ptr<CredentialsProvider> credentialsProvider() const { return m_provider; }
    std::shared_ptr<CredentialStore> credentialStore() const { return m_credentialStore; }

    // --- Window lifetime ---

    // GUI thread. True once the control window exists; false when it is
    // destroyed, which asks every worker to stop (requestStop()).
    void setWindowReady(bool ready);
    bool windowReady() const;

    // GUI thread. Asks the connection thread and the command requests to end
    // without waiting for them: stop flags, aborted requests. The first such
    // request since the last connect fixes the deadline by which the
    // destruction gives up waiting for the workers (kStopWaitMs later), so
    // that a host that destroys many windows first and releases the controls
    // afterwards waits for them all together, not one after the other.
    void requestStop();
    // The deadline of the stop asked for (asking for one now if none was).
    std::chrono::steady_clock::time_point stopDeadline();

    // --- Properties ---

    // Disconnects whatever runs, keeps the new address and starts the
    // connection thread, whose first step asks whether the camera answers.
    // Waits for that answer at most kProbeWaitMs: returns 1 when the camera
    // could not be reached, 0 when it answered or has not answered yet.
    // Either way the thread goes on and keeps trying by the reconnection
    // rules, so a camera that comes online later is shown without another
    // put. Also 1, without waiting, for an address that cannot be split
    // (its connection then ends at once) and when no thread could be started.
    int setUrl(const std::string& url);
    const std::string& url() const { return m_url; }
    // The address as the operator may see it: a password written into it
    // shows as "***".
    std::string displayUrl() const;

    // GUI thread. The operator asks to log in to the camera again: a login
    // question cancelled earlier may be asked again, and a connection thread
    // that waits to retry tries at once (and asks, if the camera wants a
    // login). False when no connection thread runs any more (it gave up, or
    // no address was put): the caller then connects anew. A put of `URL`
    // clears a cancelled question of its camera as well.
    bool loginAgain();
    // Whether the operator cancelled the login question of the current camera.
    bool loginDeclined() const;

    Refusal setShowIntervalTime(int ms);
    int showIntervalTime() const;
    Refusal setReconnectTryNum(int count);
    int reconnectTryNum() const;
    Refusal setReconnectTryTime(int seconds);
    int reconnectTryTime() const;

    // 0 not logged in, 1 ordinary user, 2 administrator.
    int loginLevel() const;
    std::string userName() const;
    // Under their locks.
    std::string cameraVersion() const;
    std::string capabilityText() const;

    // Audio and AudioFormat of the current camera (kept per URL). Shared with
    // the audio thread, which writes 0 into Audio when it gives up.
    int audio() const { return m_audio->load(); }
    void setAudio(int value) { m_audio->store(value); }
    int audioFormat() const { return m_audioFormat->load(); }
    void setAudioFormat(int value) { m_audioFormat->store(value); }
    const std::shared_ptr<std::atomic<int>>& audioValue() const { return m_audio; }
    const std::shared_ptr<std::atomic<int>>& audioFormatValue() const { return m_audioFormat; }

    // What an audio thread of the current connection reads, by shared
    // ownership: the address, the probe's request object (the status check
    // shares it), the stream-stop and retry-changed flags and the two retry
    // settings, the credentials. Empty url when no connection was made.
    struct AudioConnection {
        std::string url;
        HttpRequestPtr probeRequest;
        std::shared_ptr<const std::atomic<int>> streamStop;
        std::shared_ptr<std::atomic<int>> retryChanged;
        std::shared_ptr<const std::atomic<int>> reconnectTryNum;
        std::shared_ptr<const std::atomic<int>> reconnectTryTime;
        std::shared_ptr<CredentialsProvider> credentials;
        std::shared_ptr<CredentialStore> credentialStore;
    };
    AudioConnection audioConnection() const;

    // The extended-status window (start and end column); end 0 switches it off.
    void setExStatusWindow(int start, int end);

    // --- The picture road ---

    SharedFramePtr frame() const;
    uint32_t framesAnnounced() const;
    uint32_t frameRateX100() const;
    uint32_t frameRateWindow() const;

    // The last state the current connection reported (Idle before the
    // first URL). Window thread.
    LinkState linkState() const { return m_linkState; }
    int linkAttempt() const { return m_linkAttempt; }

    // --- Pane texts (until the status bar exists) ---

    std::string paneText(int pane) const;
    // GUI thread: writes a pane directly. The current address's password,
    // wherever the text holds it, is shown as "***".
    void setPaneText(int pane, const std::string& text);

    // --- Requests and workers ---

    // Fetch requests of command threads: aborted with the others at
    // reconnect and destruction. Kept weakly.
    void addCommandRequest(const HttpRequestPtr& request);
    WorkerList& workers() { return m_workers; }
    // Stops the workers as the window thread does (message-aware while the
    // window exists), at most 3000 ms.
    void stopWorkers();

    // Test seam: the connection thread's last result (0 stop, 1 fatal, 2
    // attempts exhausted, -1 running or none).
    int lastThreadResult() const;
    // The message target (tests send and post through it).
    const MessageTargetPtr& messageTarget() const;

    struct Shared;
    struct Connection;

private:
    long dispatchBuiltIn(const VidMessageArgs& args);
    void abortRequests();
    void stopConnection();
    void startAudioOnce();
    void setLinkState(LinkState state, int attempt);

    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<Connection> m_connection;
    WorkerList m_workers;
    std::string m_url;
    uint64_t m_generation = 0;
    // The connection whose audio thread was started (0: none).
    uint64_t m_audioGeneration = 0;
    std::optional<std::chrono::steady_clock::time_point> m_stopDeadline;
    std::shared_ptr<std::atomic<int>> m_audio = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> m_audioFormat = std::make_shared<std::atomic<int>>(0);
    UrlSettingsStore m_urlSettings;
    std::shared_ptr<CredentialStore> m_credentialStore;
    std::shared_ptr<CredentialsProvider> m_provider;
    // The window thread's copy; the connection threads reach the owner
    // through m_shared, under its lock.
    SessionOwner* m_owner = nullptr;
    std::array<std::string, kPaneCount> m_panes;
    LinkState m_linkState = LinkState::Idle;
    int m_linkAttempt = 0;
    std::map<unsigned, MessageTarget::Handler> m_handlers;
    MessageTarget::Handler m_fallbackHandler;
    std::mutex m_commandLock;
    // Guarded by m_commandLock:
    std::vector<std::weak_ptr<HttpRequest>> m_commandRequests;
};

} // namespace strovix
