#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace strovix {

// The control's worker threads (the connection thread and the command
// threads). A worker is never killed: stopping one waits for it up to a
// deadline and, if it has not ended, detaches it. A worker must therefore
// hold everything it touches by shared ownership.
class WorkerList {
public:
    using Id = uint64_t;
    // Called between waiting slices (the window thread handles its pending
    // messages there); may be empty.
    using Pump = std::function<void()>;

    WorkerList() = default;
    ~WorkerList();
    WorkerList(const WorkerList&) = delete;
    WorkerList& operator=(const WorkerList&) = delete;

    // The identity start() gives back when no thread could be started.
    static constexpr Id kNotStarted = 0;

    // Any thread. Starts `body` on a new thread, gives it its identity and
    // keeps its record. kNotStarted when the system refused the thread:
    // `body` then never runs and nothing is kept.
    Id start(std::function<void(Id)> body);

    // Window thread. Waits for one worker up to `timeout`, then joins or
    // detaches it and removes its record. True when it ended in time (or was
    // not in the list).
    bool stop(Id id, std::chrono::milliseconds timeout, const Pump& pump = {});

    // Window thread. Waits for every worker with one common deadline, then
    // joins or detaches each and empties the list. Returns how many had to be
    // detached.
    int stopAll(std::chrono::milliseconds timeout, const Pump& pump = {});
    // The same against a deadline fixed earlier (when the stop was asked
    // for): workers that had their time already are detached at once.
    int stopAll(std::chrono::steady_clock::time_point deadline, const Pump& pump = {});

    size_t size() const;
    // The number of workers detached over the list's life.
    int detachedCount() const;

private:
    struct DoneFlag;
    struct Record {
        Id id;
        std::thread thread;
        std::shared_ptr<DoneFlag> done;
    };
    static bool waitDone(const DoneFlag& done, std::chrono::steady_clock::time_point deadline, const Pump& pump);
    void finish(Record& r, bool ended);

    mutable std::mutex m_lock;
    // Guarded by m_lock:
    std::vector<Record> m_records;
    Id m_nextId = 1;
    int m_detached = 0;
};

} // namespace strovix
