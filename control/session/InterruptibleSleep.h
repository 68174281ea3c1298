#pragma once

#include <atomic>

namespace strovix {

// Sleeps `totalMs` in slices of `sliceMs`: before each of the totalMs / sliceMs
// slices, returns 1 at once when flag `a` or flag `b` reads 1; then sleeps the
// remainder totalMs mod sliceMs and returns 0. Any thread.
int InterruptibleSleep(unsigned totalMs, const std::atomic<int>& a, const std::atomic<int>& b, unsigned sliceMs);

} // namespace strovix
