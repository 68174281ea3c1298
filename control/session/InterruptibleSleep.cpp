#include "control/session/InterruptibleSleep.h"

#include <chrono>
#include <thread>

namespace strovix {

int InterruptibleSleep(unsigned totalMs, const std::atomic<int>& a, const std::atomic<int>& b, unsigned sliceMs)
{
    if (sliceMs == 0)
        sliceMs = 1;
    for (unsigned i = 0; i < totalMs / sliceMs; ++i) {
        if (a.load() == 1 || b.load() == 1)
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(sliceMs));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(totalMs % sliceMs));
    return 0;
}

} // namespace strovix
