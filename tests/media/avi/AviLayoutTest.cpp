// The parts of the AVI layout that the writer and the recovery share: how
// much sound still fits under the format's 32-bit sizes, and the sound chunks.
#include "media/avi/AviLayout.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

using namespace media;

namespace {

TEST(AviLayout, SoundIsCutToWholeSamplesThatFitUnder32Bits)
{
    // A small file takes all the sound, in whole samples.
    EXPECT_EQ(audioBytesThatFit(kAviHeadSize + 5000, 1, 70000), 70000u);
    EXPECT_EQ(audioBytesThatFit(kAviHeadSize + 5000, 1, 70001), 70000u);
    EXPECT_EQ(audioBytesThatFit(kAviHeadSize + 5000, 1, 0), 0u);

    // Near the limit: the sound with its chunk headers, its index entries and
    // the video index must end at or below 0xFFFFFFF0.
    const uint64_t moviEnd = kMaxMoviEnd;
    const uint32_t frames = kMaxVideoEntries;
    const uint64_t fit = audioBytesThatFit(moviEnd, frames, uint64_t{1} << 32);
    ASSERT_GT(fit, 0u);
    EXPECT_EQ(fit % 2, 0u);
    const auto total = [&](uint64_t bytes) {
        const uint64_t chunks = (bytes + kAudioChunkBytes - 1) / kAudioChunkBytes;
        return moviEnd + bytes + chunks * (kChunkHeaderBytes + kIndexEntryBytes) + kChunkHeaderBytes
            + uint64_t{frames} * kIndexEntryBytes;
    };
    EXPECT_LE(total(fit), 0xFFFFFFF0ull);
    // Not needlessly short: one more whole chunk would not fit.
    EXPECT_GT(total(fit + kAudioChunkBytes), 0xFFFFFFF0ull);
    // A file already at the limit takes none.
    EXPECT_EQ(audioBytesThatFit(0xFFFFFFF0ull, frames, 1000), 0u);
}

TEST(AviLayout, SoundChunksAreIndexedAndStopAtTheFirstError)
{
    std::vector<uint8_t> sound(70000);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<uint8_t>(i * 13);
    const SoundReader read = [&](uint64_t offset, std::span<uint8_t> into) {
        std::memcpy(into.data(), sound.data() + offset, into.size());
        return 0;
    };
    std::map<uint64_t, std::vector<uint8_t>> written;
    const ChunkWriter write = [&](uint64_t at, std::span<const uint8_t> chunk) {
        written[at].assign(chunk.begin(), chunk.end());
        return 0;
    };

    uint64_t pos = 10000;
    std::vector<IndexEntry> index;
    ASSERT_EQ(writeSoundChunks(pos, sound.size(), read, write, index), 0);
    const uint32_t sizes[3] = {32768, 32768, 4464};
    ASSERT_EQ(index.size(), 3u);
    uint64_t at = 10000;
    std::vector<uint8_t> back;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(index[i], IndexEntry(static_cast<uint32_t>(at - kMoviIdOffset), sizes[i]));
        const auto& chunk = written.at(at);
        ASSERT_EQ(chunk.size(), kChunkHeaderBytes + sizes[i]);
        EXPECT_EQ(std::memcmp(chunk.data(), "01wb", 4), 0);
        EXPECT_EQ(getU32(chunk.data() + 4), sizes[i]);
        back.insert(back.end(), chunk.begin() + kChunkHeaderBytes, chunk.end());
        at += chunk.size();
    }
    EXPECT_EQ(pos, at);
    EXPECT_EQ(back, sound);

    // A failed write of the second chunk: one entry, the position after it.
    int calls = 0;
    const ChunkWriter failing = [&](uint64_t, std::span<const uint8_t>) { return ++calls == 2 ? ENOSPC : 0; };
    pos = 10000;
    index.clear();
    EXPECT_EQ(writeSoundChunks(pos, sound.size(), read, failing, index), ENOSPC);
    EXPECT_EQ(index.size(), 1u);
    EXPECT_EQ(pos, 10000u + kChunkHeaderBytes + 32768);
}

} // namespace
