#pragma once

#include <functional>
#include <thread>

namespace strovix {

// Starts `body` on a new thread of the control. While the thread runs the
// library counts as in use, so it is not unloaded under a worker that was
// detached. A system that cannot start one more thread (std::system_error,
// out of memory) does not throw out of here: the result is then an empty
// (not joinable) thread and `body` never runs; every caller turns that into
// its own failure result (a failed connect, a failed command). Any thread.
std::thread startControlThread(std::function<void()> body);

// Test seam: the next `count` starts fail as if the system had refused them.
void failNextThreadStarts(int count);

} // namespace strovix
