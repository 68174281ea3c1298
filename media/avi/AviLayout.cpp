#include "media/avi/AviLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace media {
namespace {

class HeadWriter {
public:
    explicit HeadWriter(AviHeadImage& image) : m_image(image) {}
    void u32(size_t offset, uint32_t v) { putU32(m_image.data() + offset, v); }
    void u16(size_t offset, uint32_t v)
    {
        m_image[offset] = static_cast<uint8_t>(v);
        m_image[offset + 1] = static_cast<uint8_t>(v >> 8);
    }
    void id(size_t offset, const char (&fourcc)[5]) { std::memcpy(m_image.data() + offset, fourcc, 4); }

private:
    AviHeadImage& m_image;
};

uint32_t saturate(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<uint32_t>(v);
}

} // namespace

uint32_t microsecondsPerFrame(float rate)
{
    return rate > 0.0f ? saturate(std::trunc(1000000.0 / static_cast<double>(rate))) : 0;
}

uint32_t videoRateField(float rate)
{
    return saturate(std::trunc(static_cast<double>(rate) * 1000000.0));
}

AviHeadImage buildAviHead(const AviHeadFields& f)
{
    AviHeadImage image{};
    HeadWriter h(image);
    const uint32_t w = f.width;
    const uint32_t ht = f.height;
    const uint32_t area = static_cast<uint32_t>(static_cast<uint64_t>(w) * ht);
    const uint32_t imageSize = static_cast<uint32_t>(static_cast<uint64_t>(w) * ht * 3 / 2);

    h.id(0, "RIFF");
    h.u32(4, f.fileLength - 8);
    h.id(8, "AVI ");
    h.id(12, "LIST");
    h.u32(16, 358);
    h.id(20, "hdrl");

    // Main header.
    h.id(24, "avih");
    h.u32(28, 56);
    h.u32(32, microsecondsPerFrame(f.rate));
    if (f.frames > 0) {
        // M: all stream chunks with their headers and pad bytes, plus 8.
        const double m = static_cast<double>(f.moviEnd - kAviHeadSize) + 8.0;
        h.u32(36, saturate(std::trunc(m * static_cast<double>(f.rate) / f.frames)));
    }
    h.u32(40, 0);
    h.u32(44, 0x810);
    h.u32(48, f.frames);
    h.u32(52, 0);
    h.u32(56, 2);
    h.u32(60, area);
    h.u32(64, w);
    h.u32(68, ht);

    // Video stream list.
    h.id(88, "LIST");
    h.u32(92, 142);
    h.id(96, "strl");
    h.id(100, "strh");
    h.u32(104, 56);
    h.id(108, "vids");
    h.id(112, "MJPG");
    h.u32(128, 1000000);
    h.u32(132, videoRateField(f.rate));
    h.u32(140, f.frames);
    h.u32(144, 153600);
    h.u16(160, w);
    h.u16(162, ht);
    h.id(164, "strf");
    h.u32(168, 40);
    h.u32(172, 40);
    h.u32(176, w);
    h.u32(180, ht);
    h.u16(184, 1);
    h.u16(186, 24);
    h.id(188, "MJPG");
    h.u32(192, imageSize);
    h.id(212, "strn");
    h.u32(216, 18);

    // Audio stream list: always present, length 0 without sound.
    h.id(238, "LIST");
    h.u32(242, 132);
    h.id(246, "strl");
    h.id(250, "strh");
    h.u32(254, 56);
    h.id(258, "auds");
    h.u32(278, 1);
    h.u32(282, 8000);
    h.u32(290, f.audioBytes);
    h.u32(294, kAudioChunkBytes);
    h.u32(302, 1);
    h.id(314, "strf");
    h.u32(318, 16);
    h.u16(322, 1);     // PCM
    h.u16(324, 1);     // mono
    h.u32(326, 8000);  // samples per second
    h.u32(330, 16000); // bytes per second
    h.u16(334, 2);     // block align
    h.u16(336, 16);    // bits per sample
    h.id(338, "strn");
    h.u32(342, 32);

    h.id(378, "JUNK");
    h.u32(382, 1650);
    h.id(2036, "LIST");
    h.u32(2040, f.moviEnd - kMoviIdOffset);
    h.id(2044, "movi");
    return image;
}

uint64_t audioBytesThatFit(uint64_t moviEnd, uint32_t frames, uint64_t available)
{
    const uint64_t indexRoom = static_cast<uint64_t>(frames) * kIndexEntryBytes + kChunkHeaderBytes;
    if (moviEnd + indexRoom >= 0xFFFFFFF0ull)
        return 0;
    const uint64_t room = 0xFFFFFFF0ull - moviEnd - indexRoom;
    // Every chunk costs its header and its index entry besides its data.
    const uint64_t perChunk = kChunkHeaderBytes + kIndexEntryBytes;
    const uint64_t wholeChunks = room / (kAudioChunkBytes + perChunk);
    const uint64_t rest = room - wholeChunks * (kAudioChunkBytes + perChunk);
    const uint64_t most = wholeChunks * kAudioChunkBytes + (rest > perChunk ? rest - perChunk : 0);
    return std::min(available, most) & ~uint64_t{1};
}

int writeSoundChunks(uint64_t& pos, uint64_t bytes, const SoundReader& read, const ChunkWriter& write,
                     std::vector<IndexEntry>& index)
{
    std::vector<uint8_t> chunk(kChunkHeaderBytes + kAudioChunkBytes);
    std::memcpy(chunk.data(), "01wb", 4);
    for (uint64_t start = 0; start < bytes; start += kAudioChunkBytes) {
        const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(kAudioChunkBytes, bytes - start));
        putU32(chunk.data() + 4, size);
        int error = read(start, std::span(chunk).subspan(kChunkHeaderBytes, size));
        if (error == 0)
            error = write(pos, std::span(chunk).first(kChunkHeaderBytes + size));
        if (error != 0)
            return error;
        index.emplace_back(static_cast<uint32_t>(pos - kMoviIdOffset), size);
        pos += kChunkHeaderBytes + size;
    }
    return 0;
}

std::vector<uint8_t> buildIndexChunk(std::span<const IndexEntry> video, std::span<const IndexEntry> audio)
{
    const size_t entries = video.size() + audio.size();
    std::vector<uint8_t> chunk(kChunkHeaderBytes + entries * kIndexEntryBytes);
    std::memcpy(chunk.data(), "idx1", 4);
    putU32(chunk.data() + 4, static_cast<uint32_t>(entries * kIndexEntryBytes));
    uint8_t* at = chunk.data() + kChunkHeaderBytes;
    for (const auto* list : {&video, &audio}) {
        const char* id = list == &video ? "00db" : "01wb";
        for (const auto& [offset, size] : *list) {
            std::memcpy(at, id, 4);
            putU32(at + 4, 0x10);
            putU32(at + 8, offset);
            putU32(at + 12, size);
            at += kIndexEntryBytes;
        }
    }
    return chunk;
}

} // namespace media
