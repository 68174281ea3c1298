#include "control/recording/DiskFlusher.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <fcntl.h>
#include <unistd.h>

namespace strovix::recording {

FlushTarget::~FlushTarget()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void FlushTarget::flushIfDirty()
{
    if (m_dirty.exchange(false, std::memory_order_acq_rel)) {
        ::fdatasync(m_fd);
        if (!m_folder.empty()) {
            // A power cut must not lose the new file's name either.
            const int dir = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                ::fsync(dir);
                ::close(dir);
            }
            m_folder.clear();
        }
        m_flushes.fetch_add(1, std::memory_order_relaxed);
    }
}

std::shared_ptr<DiskFlusher> DiskFlusher::instance()
{
    static std::mutex lock;
    static std::weak_ptr<DiskFlusher> current;
    std::lock_guard guard(lock);
    auto flusher = current.lock();
    if (!flusher) {
        flusher.reset(new DiskFlusher());
        current = flusher;
    }
    return flusher;
}

DiskFlusher::DiskFlusher()
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // A system out of threads records all the same: files then reach the
        // disk when they are closed instead of once a second.
    }
}

DiskFlusher::~DiskFlusher()
{
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void DiskFlusher::add(const std::shared_ptr<FlushTarget>& target)
{
    std::lock_guard guard(m_lock);
    m_targets.push_back(target);
}

void DiskFlusher::remove(const FlushTarget* target)
{
    std::lock_guard guard(m_lock);
    std::erase_if(m_targets, [target](const auto& t) { return t.get() == target; });
}

void DiskFlusher::run()
{
    std::vector<std::shared_ptr<FlushTarget>> due;
    std::unique_lock guard(m_lock);
    while (!m_stop) {
        m_wake.wait_for(guard, std::chrono::milliseconds(kPeriodMs), [this] { return m_stop; });
        if (m_stop)
            break;
        due = m_targets;
        guard.unlock();
        // The disk is waited for without the lock, so adding and removing
        // files never waits for a flush.
        for (auto& target : due)
            target->flushIfDirty();
        due.clear();
        m_passes.fetch_add(1, std::memory_order_release);
        guard.lock();
    }
}

} // namespace strovix::recording
