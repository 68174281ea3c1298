#include "control/automation/CommandRunner.h"

#include "control/session/HttpRequest.h"
#include "control/session/VidMessages.h"
#include "control/stream/KeyValueReader.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace strovix {

struct CommandRunner::Slot {
    std::unique_ptr<CommandRequest> request;
    // The command field: written by the window thread before the worker
    // starts, read by the worker.
    std::mutex fieldLock;
    std::string field;
    // The reply text, under its own lock.
    mutable std::mutex replyLock;
    std::string reply;
};

struct CommandRunner::Shared {
    MessagePort port;
    std::array<std::shared_ptr<Slot>, size_t(Command::Count)> slots;

    std::atomic<size_t> inFlight{0};
    // Worker ends, for callers that wait.
    std::mutex doneLock;
    std::condition_variable doneCv;

    // The generic replies and their success flags.
    mutable std::mutex genericLock;
    std::shared_ptr<const std::vector<uint8_t>> exReply;
    bool exOk = false;
    std::string jspText;
    bool jspOk = false;
};

namespace {

// Sleeps `ms` in slices, returning early when `stop` is set.
void interruptibleSleep(int ms, const std::atomic<int>& stop)
{
    using namespace std::chrono;
    const auto end = steady_clock::now() + milliseconds(ms);
    while (!stop.load() && steady_clock::now() < end)
        std::this_thread::sleep_for(std::min(milliseconds(10), duration_cast<milliseconds>(end - steady_clock::now())));
}

} // namespace

CommandRunner::CommandRunner(RequestFactory factory, MessagePort port)
    : m_shared(std::make_shared<Shared>()), m_stop(std::make_shared<std::atomic<int>>(0))
{
    m_shared->port = std::move(port);
    for (auto& slot : m_shared->slots) {
        slot = std::make_shared<Slot>();
        slot->request = factory ? factory() : nullptr;
    }
}

CommandRunner::~CommandRunner() { stop(); }

std::shared_ptr<std::atomic<int>> CommandRunner::start(Command c, const std::string& baseUrl, std::string path,
                                                        int delayMs, uint64_t* id)
{
    auto slot = m_shared->slots[size_t(c)];
    {
        std::lock_guard lock(slot->fieldLock);
        slot->field = std::move(path);
    }
    auto finished = std::make_shared<std::atomic<int>>(0);
    m_shared->inFlight.fetch_add(1);
    const uint64_t started = m_shared->port.startWorker(
        [shared = m_shared, stop = m_stop, c, baseUrl, delayMs, finished](uint64_t self) {
            work(shared, stop, c, baseUrl, delayMs, self, finished);
        });
    if (started == 0) {
        // No thread: the command failed as a refused request does.
        failedStart(*m_shared, c, finished);
    }
    if (id)
        *id = started;
    return finished;
}

uint64_t CommandRunner::launch(Command c, const std::string& baseUrl, std::string path, int delayMs)
{
    STROVIX_CHECK_OWNER_THREAD(m_windowThread);
    uint64_t id = 0;
    start(c, baseUrl, std::move(path), delayMs, &id);
    return id;
}

void CommandRunner::fetchAndHandOver(Shared& shared, const std::atomic<int>& stop, Command c, std::string url,
                                     int delayMs)
{
    auto& slot = *shared.slots[size_t(c)];
    if (delayMs > 0)
        interruptibleSleep(delayMs, stop);
    int result = toInt(HttpResult::Aborted);
    std::string body;
    if (!stop.load()) {
        if (const std::string_view fixedPath = paths::fixed(c); !fixedPath.empty()) {
            url += fixedPath;
        } else {
            std::lock_guard lock(slot.fieldLock);
            url += slot.field;
        }
        result = slot.request ? slot.request->fetch(url, body) : toInt(HttpResult::ConnectFailed);
    }
    const bool ok = result == toInt(HttpResult::Ok);
    const auto route = replyRouteOf(c);
    if (c == Command::ExCmd) {
        {
            std::lock_guard lock(shared.genericLock);
            shared.exOk = ok;
            if (ok)
                shared.exReply = std::make_shared<const std::vector<uint8_t>>(body.begin(), body.end());
        }
        shared.port.target->post(unsigned(ReplyMessage::ExCmdDone), uintptr_t(ok ? 0 : -1));
    } else if (c == Command::JspExCmd) {
        std::lock_guard lock(shared.genericLock);
        shared.jspOk = ok;
        if (ok)
            shared.jspText = body;
    } else if (ok && route) {
        {
            std::lock_guard lock(slot.replyLock);
            slot.reply = std::move(body);
        }
        // The version is sent, as the connection's is: the window thread
        // has the flag that sizes the view before this thread goes on.
        if (route->message == ReplyMessage::CamVer)
            shared.port.target->send(WM_VID_CAMVER, 0, 0, stop, lastValueOf(replyOf(shared, c), "CamVer"));
        else
            shared.port.target->post(unsigned(route->message), uintptr_t(route->wParam));
    }
}

void CommandRunner::failedStart(Shared& shared, Command c, const std::shared_ptr<std::atomic<int>>& finished)
{
    if (c == Command::ExCmd) {
        {
            std::lock_guard lock(shared.genericLock);
            shared.exOk = false;
        }
        shared.port.target->post(unsigned(ReplyMessage::ExCmdDone), uintptr_t(-1));
    } else if (c == Command::JspExCmd) {
        std::lock_guard lock(shared.genericLock);
        shared.jspOk = false;
    }
    {
        std::lock_guard lock(shared.doneLock);
        finished->store(1);
    }
    shared.doneCv.notify_all();
    shared.inFlight.fetch_sub(1);
}

void CommandRunner::work(std::shared_ptr<Shared> shared, std::shared_ptr<std::atomic<int>> stop, Command c,
                         std::string url, int delayMs, uint64_t id, std::shared_ptr<std::atomic<int>> finished)
{
    fetchAndHandOver(*shared, *stop, c, url, delayMs);
    // A rename is followed by reading the name back, whatever its result,
    // so the name read is the one the camera holds after the rename.
    if (c == Command::SetCamName)
        fetchAndHandOver(*shared, *stop, Command::GetCamName, url, kCamNameDelayMs);
    {
        std::lock_guard lock(shared->doneLock);
        finished->store(1);
    }
    shared->doneCv.notify_all();
    shared->inFlight.fetch_sub(1);
    shared->port.target->post(WM_VID_THREADDONE, uintptr_t(id));
}

bool CommandRunner::waitFor(const std::shared_ptr<std::atomic<int>>& finished, int waitMs)
{
    std::unique_lock lock(m_shared->doneLock);
    return m_shared->doneCv.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return finished->load(); });
}

void CommandRunner::abortAll()
{
    for (auto& slot : m_shared->slots)
        if (slot->request)
            slot->request->abort();
}

void CommandRunner::stop()
{
    STROVIX_CHECK_OWNER_THREAD(m_windowThread);
    m_stop->store(1);
    abortAll();
    m_stop = std::make_shared<std::atomic<int>>(0);
}

size_t CommandRunner::running() const { return m_shared->inFlight.load(); }

std::string CommandRunner::replyOf(Command c) const { return replyOf(*m_shared, c); }

std::string CommandRunner::replyOf(const Shared& shared, Command c)
{
    auto& slot = *shared.slots[size_t(c)];
    std::lock_guard lock(slot.replyLock);
    return slot.reply;
}

std::optional<std::shared_ptr<const std::vector<uint8_t>>> CommandRunner::runExCmd(const std::string& baseUrl,
                                                                                   const std::string& request,
                                                                                   int waitMs)
{
    const auto finished = start(Command::ExCmd, baseUrl, paths::generic(request), 0, nullptr);
    if (!waitFor(finished, waitMs)) {
        if (auto& r = m_shared->slots[size_t(Command::ExCmd)]->request)
            r->abort();
        return std::nullopt;
    }
    std::lock_guard lock(m_shared->genericLock);
    if (!m_shared->exOk)
        return std::nullopt;
    return m_shared->exReply;
}

bool CommandRunner::runJspExCmd(const std::string& baseUrl, const std::string& request, int waitMs, std::string& text)
{
    const auto finished = start(Command::JspExCmd, baseUrl, paths::generic(request), 0, nullptr);
    const bool ended = waitFor(finished, waitMs);
    if (!ended)
        if (auto& r = m_shared->slots[size_t(Command::JspExCmd)]->request)
            r->abort();
    std::lock_guard lock(m_shared->genericLock);
    text = m_shared->jspText;
    return ended && m_shared->jspOk;
}

std::shared_ptr<const std::vector<uint8_t>> CommandRunner::lastExReply() const
{
    std::lock_guard lock(m_shared->genericLock);
    return m_shared->exOk ? m_shared->exReply : nullptr;
}

} // namespace strovix
