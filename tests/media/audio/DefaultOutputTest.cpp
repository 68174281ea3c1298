#include "media/audio/AudioOutput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace media;

// Every control's audio thread makes and opens its own output, so several
// may do so at the same moment (a host showing many cameras with sound turns
// them on together). Neither the device check of the fallback nor the
// device's own set-up and tear-down may trip over each other; without a
// sound device both kinds of output still come out usable or fail cleanly.
TEST(DefaultAudioOutput, OutputsMadeOnManyThreadsAtOnce)
{
    std::atomic<int> nullOutputsPlaying{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < 10; ++i) {
                const auto policy = (t + i) % 2 ? NoDevicePolicy::UseNullOutput : NoDevicePolicy::Fail;
                std::unique_ptr<AudioOutput> out = makeDefaultAudioOutput(policy);
                ASSERT_NE(out, nullptr);
                const bool opened = out->open();
                if (opened && dynamic_cast<NullOutput*>(out.get()))
                    ++nullOutputsPlaying;
                out->close();
            }
        });
    }
    go.store(true);
    for (auto& t : threads)
        t.join();
    // With a sound device every output is a real one; without, the fallback
    // asked for half the time is the null output, which always opens.
    if (nullOutputsPlaying.load() > 0) {
        EXPECT_EQ(nullOutputsPlaying.load(), 30);
    }
}
