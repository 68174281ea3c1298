#pragma once

#include "control/automation/Commands.h"
#include "control/session/MessageTarget.h"
#include "control/session/ThreadCheck.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace strovix {

// One command's HTTP request object: a plain GET of a whole reply.
// `fetch` returns the request layer's result (0 = reply read, 16 = aborted,
// 32 = busy with an earlier request, others = failures) and fills `body`.
// `abort` may be called from any thread and ends a running fetch within 1 s.
class CommandRequest {
public:
    virtual ~CommandRequest() = default;
    virtual int fetch(const std::string& url, std::string& body) = 0;
    virtual void abort() = 0;
};
using RequestFactory = std::function<std::unique_ptr<CommandRequest>()>;

// What the command threads need of their control. `target` is the
// control's message target: the replies go to the window thread as its
// messages (the ReplyMessage numbers, and WM_VID_CAMVER sent with the
// version as its text), and each worker's last act is WM_VID_THREADDONE with
// its identity, after which the window thread joins it and drops its
// record. `startWorker` (window thread) starts a thread through the
// control's worker list and returns its identity (0 when no thread could be
// started: the command then fails as a refused request does).
struct MessagePort {
    MessageTargetPtr target;
    std::function<uint64_t(std::function<void(uint64_t id)> body)> startWorker;
};

// The command threads of one control: one worker thread per call (kept in
// the control's worker list), each command with its own request object and
// reply text. The window thread launches and stops; workers only fetch,
// store their reply under its lock and post. Everything a worker touches is
// held by shared ownership, so a worker left running after a stop never
// reaches freed memory.
class CommandRunner {
public:
    CommandRunner(RequestFactory factory, MessagePort port);
    ~CommandRunner(); // stops the commands (see stop())
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // Window thread. Stores `path` as the command's field and starts its
    // worker, which waits `delayMs` (interruptibly) and then fetches
    // baseUrl + path. The worker of SetCamName then reads the name back as
    // GetCamName does (after kCamNameDelayMs). Returns the worker's
    // identity in the worker list.
    uint64_t launch(Command c, const std::string& baseUrl, std::string path, int delayMs = 0);

    // Window thread: asks every running command to end (a delayed one never
    // hands a reply over) and aborts every command request; the worker list's stop waits
    // for them. Launching works again after.
    void stop();
    // Aborts every command request.
    void abortAll();
    // Commands whose worker has not ended yet.
    size_t running() const;

    // The reply text of a command (copied under its lock).
    std::string replyOf(Command c) const;

    // The generic requests that a caller waits for. ExCmd: reply bytes when
    // the request succeeded, nothing on failure or when the wait ran out.
    std::optional<std::shared_ptr<const std::vector<uint8_t>>> runExCmd(const std::string& baseUrl,
                                                                        const std::string& request, int waitMs);
    // JspExCmd: true when this request succeeded within the wait; `text`
    // receives the held generic text reply (the previous one on failure).
    bool runJspExCmd(const std::string& baseUrl, const std::string& request, int waitMs, std::string& text);
    // The bytes of the last successful ExCmd reply (for the ExCmd event).
    std::shared_ptr<const std::vector<uint8_t>> lastExReply() const;

private:
    struct Slot;
    struct Shared;
    // One request of command `c` on the calling worker: waits `delayMs`,
    // fetches baseUrl + the command's path and hands the reply over.
    static std::string replyOf(const Shared& shared, Command c);
    static void fetchAndHandOver(Shared& shared, const std::atomic<int>& stop, Command c, std::string baseUrl,
                                 int delayMs);
    static void failedStart(Shared& shared, Command c, const std::shared_ptr<std::atomic<int>>& finished);
    static void work(std::shared_ptr<Shared> shared, std::shared_ptr<std::atomic<int>> stop, Command c,
                     std::string url, int delayMs, uint64_t id, std::shared_ptr<std::atomic<int>> finished);
    std::shared_ptr<std::atomic<int>> start(Command c, const std::string& baseUrl, std::string path, int delayMs,
                                             uint64_t* id);
    bool waitFor(const std::shared_ptr<std::atomic<int>>& finished, int waitMs);

    OwnerThread m_windowThread;
    std::shared_ptr<Shared> m_shared;
    // The stop flag of the workers started since the last stop; a stop
    // sets it and starts a fresh one, so an overstaying worker stays stopped.
    std::shared_ptr<std::atomic<int>> m_stop;
};

} // namespace strovix
