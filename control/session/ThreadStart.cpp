#include "control/session/ThreadStart.h"

#include "platform/component/ClassFactory.h"

#include <atomic>
#include <system_error>

namespace strovix {
namespace {

std::atomic<int> g_failingStarts{0};

bool takeInjectedFailure()
{
    int left = g_failingStarts.load();
    while (left > 0)
        if (g_failingStarts.compare_exchange_weak(left, left - 1))
            return true;
    return false;
}

} // namespace

void failNextThreadStarts(int count)
{
    g_failingStarts.store(count);
}

std::thread startControlThread(std::function<void()> body)
{
    using platform::component::ModuleCount;
    ModuleCount::threadStarting();
    try {
        if (takeInjectedFailure())
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread([body = std::move(body)]() mutable {
            // A failure the body did not handle ends this thread, never the
            // host's process.
            try {
                body();
            } catch (...) {
            }
            // What the body held goes while the thread still counts.
            body = nullptr;
            ModuleCount::threadEnded();
        });
    } catch (...) {
        // std::system_error when the system has no thread to give, or
        // std::bad_alloc while copying the body: the thread does not exist.
        ModuleCount::threadEnded();
        return {};
    }
}

} // namespace strovix
