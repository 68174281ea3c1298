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

// Waits until `done` holds, at most a bound no loaded machine reaches.
template <class Condition>
bool waitFor(Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

// Written data is flushed by the next pass, once per write burst, and only
// while the file is registered. (How soon a pass comes is a figure for
// bench/, not a test: a loaded machine may delay it.)
TEST(DiskFlusher, FlushesWrittenFilesOncePerBurstWhileRegistered)
{
    TempDir dir;
    auto target = std::make_shared<FlushTarget>(::open(dir.file("f").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_GE(target->fd(), 0);
    auto flusher = DiskFlusher::instance();
    EXPECT_EQ(flusher, DiskFlusher::instance());
    flusher->add(target);
    const auto twoMorePasses = [&] {
        const uint64_t from = flusher->passes();
        return waitFor([&] { return flusher->passes() >= from + 2; });
    };

    ASSERT_EQ(::write(target->fd(), "abc", 3), 3);
    target->markDirty();
    ASSERT_TRUE(waitFor([&] { return target->flushes() >= 1; }));
    EXPECT_EQ(target->flushes(), 1u);
    // Nothing written: whole passes go by without a flush.
    ASSERT_TRUE(twoMorePasses());
    EXPECT_EQ(target->flushes(), 1u);

    // Removed: once a pass that may have begun before has ended, the file is
    // never flushed again.
    flusher->remove(target.get());
    const uint64_t atRemove = flusher->passes();
    ASSERT_TRUE(waitFor([&] { return flusher->passes() > atRemove; }));
    target->markDirty();
    ASSERT_TRUE(twoMorePasses());
    EXPECT_EQ(target->flushes(), 1u);
}

} // namespace
