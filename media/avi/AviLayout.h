#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

namespace media {

// Fixed geometry of the files the writer produces.
inline constexpr uint32_t kAviHeadSize = 2048;       // head; the first chunk starts here
inline constexpr uint32_t kMoviIdOffset = 2044;      // index offsets are relative to "movi"
inline constexpr uint32_t kMaxFrameBytes = 614400;   // larger pictures are refused
inline constexpr uint32_t kMaxVideoEntries = 10000;  // video index entries per file
inline constexpr uint32_t kAudioChunkBytes = 32768;  // audio is cut into chunks of this size
inline constexpr uint32_t kIndexEntryBytes = 16;
inline constexpr uint32_t kChunkHeaderBytes = 8;
inline constexpr uint32_t kDefaultWidth = 640;
inline constexpr uint32_t kDefaultHeight = 480;
// Stream chunks end below this position, so that the audio and the index of a
// file of 10000 large frames still fit under the 32-bit sizes of the format.
inline constexpr uint64_t kMaxMoviEnd = 0xF0000000u;

using AviHeadImage = std::array<uint8_t, kAviHeadSize>;

// What the head says about one file.
struct AviHeadFields {
    uint32_t width = kDefaultWidth;
    uint32_t height = kDefaultHeight;
    uint32_t frames = 0;          // video chunks
    float rate = 0.0f;            // frames per second
    uint32_t audioBytes = 0;      // audio stream length
    uint32_t moviEnd = kAviHeadSize; // end of the last stream chunk
    uint32_t fileLength = kAviHeadSize; // whole file, index included
};

// The 2048-byte head: main header, video and audio stream lists, JUNK filler
// and the "movi" list header.
AviHeadImage buildAviHead(const AviHeadFields& fields);

// trunc(1000000 / rate) and trunc(rate * 1000000), held within 32 bits;
// a rate that is not above 0 gives 0.
uint32_t microsecondsPerFrame(float rate);
uint32_t videoRateField(float rate);

// How many of `available` sound bytes a file can take after its video chunks
// end at `moviEnd`: whole samples only, and no more than the chunks and the
// index of `frames` video and all sound chunks leave room for under the
// 32-bit sizes of the format.
uint64_t audioBytesThatFit(uint64_t moviEnd, uint32_t frames, uint64_t available);

// One index entry: chunk position relative to "movi" and data size.
using IndexEntry = std::pair<uint32_t, uint32_t>;

// The "idx1" chunk: video entries ("00db") in frame order, then audio entries
// ("01wb"), each with flags 0x10 (key frame).
std::vector<uint8_t> buildIndexChunk(std::span<const IndexEntry> video, std::span<const IndexEntry> audio);

// Writes `bytes` of sound as "01wb" chunks of kAudioChunkBytes (the last one
// shorter) from `pos` on, reading the sound with `read(offset, into)` and
// writing each chunk with `write(position, chunk)`; both return 0 or a system
// error code. Adds an index entry per chunk and moves `pos` past the chunks.
// Returns 0 or the first error.
using SoundReader = std::function<int(uint64_t offset, std::span<uint8_t> into)>;
using ChunkWriter = std::function<int(uint64_t position, std::span<const uint8_t> chunk)>;
int writeSoundChunks(uint64_t& pos, uint64_t bytes, const SoundReader& read, const ChunkWriter& write,
                     std::vector<IndexEntry>& index);

inline void putU32(uint8_t* at, uint32_t v)
{
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}
inline uint32_t getU32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16
        | static_cast<uint32_t>(at[3]) << 24;
}

} // namespace media
