#pragma once

#include "control/automation/Commands.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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

// Hands a message to the control's window thread. `post` returns at once;
// `send` waits until the handler ran or `stop` reads true (polled). Both are
// called from worker threads and are safe after the control went (the
// message is then dropped).
struct MessagePort {
    std::function<void(ReplyMessage, intptr_t wParam)> post;
    std::function<void(ReplyMessage, intptr_t wParam, const std::atomic<bool>& stop)> send;
};

// The command threads of one control: one worker thread per call, each
// command with its own request object and reply text. The window thread
// launches and stops; workers only fetch, store their reply under its lock
// and post. Everything a worker touches is held by shared ownership, so a
// worker left running after a stop never reaches freed memory.
class CommandRunner {
public:
    CommandRunner(RequestFactory factory, MessagePort port);
    ~CommandRunner(); // stops every worker (bounded)
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // Window thread. Stores `path` as the command's field and starts its
    // worker, which waits `delayMs` (interruptibly) and then fetches
    // baseUrl + path. Returns the worker's number (never 0).
    uint32_t launch(Command c, const std::string& baseUrl, std::string path, int delayMs = 0);

    // Window thread: the worker `number` announced its end; join it.
    void reap(uint32_t number);
    // Window thread: aborts every request and waits up to `timeoutMs` for
    // the workers (detaching any that overstay). Launching works again after.
    void stopAll(int timeoutMs);
    // Aborts every command request (the connect sequence does this first).
    void abortAll();
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
    struct Worker {
        uint32_t number = 0;
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    static void work(std::shared_ptr<Shared> shared, std::shared_ptr<std::atomic<bool>> stop, Command c,
                     std::string url, int delayMs, uint32_t number, std::shared_ptr<std::atomic<bool>> finished);
    bool waitFor(const std::shared_ptr<std::atomic<bool>>& finished, int waitMs);

    std::shared_ptr<Shared> m_shared;
    // The stop flag of the workers started since the last stop; a stop
    // sets it and starts a fresh one, so an overstaying worker stays stopped.
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::vector<Worker> m_workers; // window thread only
    uint32_t m_nextNumber = 1;
};

} // namespace strovix
