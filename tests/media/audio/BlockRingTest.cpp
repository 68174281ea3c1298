#include "media/audio/AudioOutput.h"

#include <gtest/gtest.h>

#include <thread>

using namespace media;

TEST(BlockRing, BlocksPlayInQueueOrderAndFreeOncePlayed)
{
    BlockRing ring;
    std::atomic<int> stop{0};
    int16_t block[kBlockSamples];
    for (int i = 0; i < kRingBlocks; ++i) {
        std::fill(std::begin(block), std::end(block), static_cast<int16_t>(i));
        ASSERT_TRUE(ring.queue((i + 5) % kRingBlocks, block));
    }
    // Every block is queued: none can be queued again until it was played.
    EXPECT_FALSE(ring.queue(5, block));

    int16_t out[kBlockSamples];
    ASSERT_TRUE(ring.take(out));
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[kBlockSamples - 1], 0);
    EXPECT_TRUE(ring.waitFree(5, stop)); // block 5 was played first
    ASSERT_TRUE(ring.take(out));
    EXPECT_EQ(out[0], 1);

    // Waiting for a queued block ends when it is played by the device thread...
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        while (ring.take(out)) {
        }
    });
    EXPECT_TRUE(ring.waitFree(20, stop));
    device.join();
    // ...and an empty ring plays silence.
    EXPECT_FALSE(ring.take(out));
    EXPECT_EQ(out[3], 0);
}

TEST(BlockRing, AStopRequestEndsTheWait)
{
    BlockRing ring;
    std::atomic<int> stop{0};
    int16_t block[kBlockSamples] = {};
    ASSERT_TRUE(ring.queue(0, block));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        stop = 1;
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(ring.waitFree(0, stop));
    // Without the stop the wait would last for ever.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(3000));
    stopper.join();
    ring.reset();
    stop = 0;
    EXPECT_TRUE(ring.waitFree(0, stop));
}
