#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace strovix::recording {

// An open file whose written data the flusher pushes to the disk. Owns the
// descriptor: it is closed when the last holder lets go, so a flush in progress
// never meets a closed or reused descriptor.
class FlushTarget {
public:
    // `folder`: a folder whose entry for this new file is flushed once, with
    // the first flush of the file (empty: none).
    explicit FlushTarget(int fd, std::string folder = {}) : m_fd(fd), m_folder(std::move(folder)) {}
    ~FlushTarget();
    FlushTarget(const FlushTarget&) = delete;
    FlushTarget& operator=(const FlushTarget&) = delete;

    int fd() const { return m_fd; }
    // Any thread: data was written since the last flush.
    void markDirty() { m_dirty.store(true, std::memory_order_release); }
    // Flushes when something was written since the last flush.
    void flushIfDirty();
    // Flushes done so far.
    uint64_t flushes() const { return m_flushes.load(std::memory_order_relaxed); }

private:
    const int m_fd;
    // Flusher thread only after construction:
    std::string m_folder;
    std::atomic<bool> m_dirty{false};
    std::atomic<uint64_t> m_flushes{0};
};

// One worker for the whole process that flushes every registered recording
// file once a second, so that written frames reach the disk within two seconds
// without the window thread ever waiting for the disk. Held by shared
// ownership: the worker runs while anybody holds the flusher and is joined
// when the last holder lets go.
class DiskFlusher {
public:
    static constexpr int kPeriodMs = 1000;

    static std::shared_ptr<DiskFlusher> instance();
    ~DiskFlusher();
    DiskFlusher(const DiskFlusher&) = delete;
    DiskFlusher& operator=(const DiskFlusher&) = delete;

    void add(const std::shared_ptr<FlushTarget>& target);
    void remove(const FlushTarget* target);
    // Passes over the registered files completed so far (a pass that began
    // before a remove() has ended once this has moved on by one).
    uint64_t passes() const { return m_passes.load(std::memory_order_acquire); }

private:
    DiskFlusher();
    void run();

    std::mutex m_lock;
    std::condition_variable m_wake;
    // Guarded by m_lock:
    std::vector<std::shared_ptr<FlushTarget>> m_targets;
    bool m_stop = false;
    std::atomic<uint64_t> m_passes{0};
    std::thread m_thread;
};

} // namespace strovix::recording
