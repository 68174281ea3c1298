#include "control/recording/DiskFlusher.h"
#include "support/TempDir.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using strovix::recording::DiskFlusher;
using strovix::recording::FlushTarget;

namespace {

// Written data is flushed within two seconds, once per write burst, and only
// while the file is registered.
TEST(DiskFlusher, FlushesWrittenFilesWithinTwoSeconds)
{
    TempDir dir;
    auto target = std::make_shared<FlushTarget>(::open(dir.file("f").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_GE(target->fd(), 0);
    auto flusher = DiskFlusher::instance();
    EXPECT_EQ(flusher, DiskFlusher::instance());
    flusher->add(target);

    const auto waitForFlushes = [&](uint64_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2 * DiskFlusher::kPeriodMs);
        while (target->flushes() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return target->flushes();
    };

    ASSERT_EQ(::write(target->fd(), "abc", 3), 3);
    target->markDirty();
    EXPECT_EQ(waitForFlushes(1), 1u);
    // Nothing written: no flush.
    std::this_thread::sleep_for(std::chrono::milliseconds(DiskFlusher::kPeriodMs + 200));
    EXPECT_EQ(target->flushes(), 1u);

    flusher->remove(target.get());
    target->markDirty();
    std::this_thread::sleep_for(std::chrono::milliseconds(DiskFlusher::kPeriodMs + 200));
    EXPECT_EQ(target->flushes(), 1u);
}

} // namespace
