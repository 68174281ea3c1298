#include "media/audio/ImaAdpcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using media::ImaAdpcmDecoder;

TEST(ImaAdpcm, HighNibbleFirstWithTheStepInForceBeforeEachCode)
{
    ImaAdpcmDecoder d;
    const uint8_t byte = 0x7F;
    int16_t out[2];
    d.decode(&byte, 1, out);
    // Code 7 at step 7: 7/8 + 7 + 7/2 + 7/4 = 0 + 7 + 3 + 1 = 11; index 0 + 8 = 8.
    EXPECT_EQ(out[0], 11);
    // Code 15 at step table[8] = 16: -(2 + 16 + 8 + 4) = -30 from 11; index 16.
    EXPECT_EQ(out[1], -19);
    EXPECT_EQ(d.index(), 16);
}

TEST(ImaAdpcm, IndexAndSampleAreClamped)
{
    ImaAdpcmDecoder d;
    // Codes 0..3 lower the index; it never goes below 0.
    const uint8_t low = 0x00;
    int16_t out[2];
    d.decode(&low, 1, out);
    EXPECT_EQ(d.index(), 0);
    // A long run of the largest positive code saturates at 32767 and index 88.
    std::vector<uint8_t> up(200, 0x77);
    std::vector<int16_t> samples(up.size() * 2);
    d.decode(up.data(), up.size(), samples.data());
    EXPECT_EQ(d.index(), 88);
    EXPECT_EQ(samples.back(), 32767);
    std::vector<uint8_t> down(200, 0xFF);
    d.decode(down.data(), down.size(), samples.data());
    EXPECT_EQ(samples.back(), -32768);
}

TEST(ImaAdpcm, StateCarriesAcrossBlocksAndFollowsTheSignal)
{
    // A 440 Hz tone at 8 kHz, encoded, then decoded in 64-byte blocks.
    std::vector<int16_t> signal(4096);
    for (size_t i = 0; i < signal.size(); ++i)
        signal[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 8000));
    std::vector<uint8_t> coded;
    media::ImaAdpcmEncoder().encode(signal.data(), signal.size(), coded);
    ASSERT_EQ(coded.size(), signal.size() / 2);

    ImaAdpcmDecoder inBlocks, whole;
    std::vector<int16_t> a(signal.size()), b(signal.size());
    for (size_t off = 0; off < coded.size(); off += 64)
        inBlocks.decode(coded.data() + off, 64, a.data() + 2 * off);
    whole.decode(coded.data(), coded.size(), b.data());
    EXPECT_EQ(a, b);

    // After the first few milliseconds of adaptation the decoded tone tracks the input.
    double err = 0;
    for (size_t i = 400; i < signal.size(); ++i)
        err = std::max(err, std::abs(static_cast<double>(a[i]) - signal[i]));
    EXPECT_LT(err, 800.0);

    // A decoder that starts afresh in the middle loses the track: the state matters.
    ImaAdpcmDecoder fresh;
    std::vector<int16_t> c(signal.size() - 2048);
    fresh.decode(coded.data() + 1024, coded.size() - 1024, c.data());
    EXPECT_NE(std::vector<int16_t>(a.begin() + 2048, a.end()), c);
}
