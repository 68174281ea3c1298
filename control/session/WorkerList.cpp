#include "control/session/WorkerList.h"

#include "control/session/ThreadStart.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>

namespace strovix {

struct WorkerList::DoneFlag {
    mutable std::mutex lock;
    mutable std::condition_variable cv;
    bool done = false;
};

WorkerList::~WorkerList()
{
    stopAll(std::chrono::milliseconds(3000));
}

WorkerList::Id WorkerList::start(std::function<void(Id)> body)
{
    auto done = std::make_shared<DoneFlag>();
    std::lock_guard g(m_lock);
    const Id id = m_nextId++;
    std::thread t = startControlThread([body = std::move(body), done, id]() mutable {
        try {
            body(id);
        } catch (...) {
            // Ended all the same: the window thread must not wait for it.
        }
        // What the body held (a connection and its requests, say) goes
        // before the worker counts as ended.
        body = nullptr;
        {
            std::lock_guard d(done->lock);
            done->done = true;
        }
        done->cv.notify_all();
    });
    if (!t.joinable())
        return kNotStarted;
    m_records.push_back({id, std::move(t), std::move(done)});
    return id;
}

bool WorkerList::waitDone(const DoneFlag& done, std::chrono::steady_clock::time_point deadline, const Pump& pump)
{
    // With a pump, wake every 20 ms to let the window thread handle its
    // messages (a worker may be waiting for one of them).
    const auto slice = std::chrono::milliseconds(pump ? 20 : 100);
    std::unique_lock g(done.lock);
    while (!done.done) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        if (pump) {
            g.unlock();
            pump();
            g.lock();
            if (done.done)
                break;
        }
        done.cv.wait_until(g, std::min(deadline, now + slice));
    }
    if (pump) {
        // What the worker posted on its way out is shown before going on.
        g.unlock();
        pump();
    }
    return true;
}

void WorkerList::finish(Record& r, bool ended)
{
    if (!r.thread.joinable())
        return;
    if (ended) {
        r.thread.join();
    } else {
        r.thread.detach();
        std::lock_guard g(m_lock);
        ++m_detached;
    }
}

bool WorkerList::stop(Id id, std::chrono::milliseconds timeout, const Pump& pump)
{
    Record r;
    {
        std::lock_guard g(m_lock);
        auto it = std::find_if(m_records.begin(), m_records.end(), [&](const Record& x) { return x.id == id; });
        if (it == m_records.end())
            return true;
        r = std::move(*it);
        m_records.erase(it);
    }
    if (r.thread.get_id() == std::this_thread::get_id()) {
        r.thread.detach(); // a worker removing itself
        return true;
    }
    const bool ended = waitDone(*r.done, std::chrono::steady_clock::now() + timeout, pump);
    finish(r, ended);
    return ended;
}

int WorkerList::stopAll(std::chrono::milliseconds timeout, const Pump& pump)
{
    return stopAll(std::chrono::steady_clock::now() + timeout, pump);
}

int WorkerList::stopAll(std::chrono::steady_clock::time_point deadline, const Pump& pump)
{
    std::vector<Record> records;
    {
        std::lock_guard g(m_lock);
        records.swap(m_records);
    }
    int detached = 0;
    for (auto& r : records) {
        if (r.thread.get_id() == std::this_thread::get_id()) {
            r.thread.detach();
            continue;
        }
        const bool ended = waitDone(*r.done, deadline, pump);
        finish(r, ended);
        detached += ended ? 0 : 1;
    }
    return detached;
}

size_t WorkerList::size() const
{
    std::lock_guard g(m_lock);
    return m_records.size();
}

int WorkerList::detachedCount() const
{
    std::lock_guard g(m_lock);
    return m_detached;
}

} // namespace strovix
