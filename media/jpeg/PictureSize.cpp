#include "media/jpeg/PictureSize.h"

namespace media {
namespace {

bool isStartOfFrame(uint8_t marker)
{
    // Huffman tables (0xC4), a reserved code (0xC8) and arithmetic
    // conditioning (0xCC) share the range but are not frames.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

unsigned be16(const uint8_t* at)
{
    return static_cast<unsigned>(at[0]) << 8 | at[1];
}

} // namespace

std::optional<StartOfFrame> findStartOfFrame(const uint8_t* data, size_t size)
{
    size_t pos = 2;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF)
            return std::nullopt;
        // Any number of FF fill bytes may precede a marker.
        while (pos + 1 < size && data[pos + 1] == 0xFF)
            ++pos;
        if (pos + 1 >= size)
            return std::nullopt;
        const uint8_t marker = data[pos + 1];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2; // markers without a segment
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
            return std::nullopt; // picture data without a frame header before it
        if (pos + 3 >= size)
            return std::nullopt;
        const size_t length = be16(data + pos + 2);
        if (length < 2)
            return std::nullopt;
        if (isStartOfFrame(marker)) {
            // Length, precision, height, width, component count.
            if (length < 8 || pos + 10 > size)
                return std::nullopt;
            StartOfFrame sof;
            sof.marker = marker;
            sof.height = be16(data + pos + 5);
            sof.width = be16(data + pos + 7);
            sof.components = data[pos + 9];
            return sof;
        }
        pos += 2 + length;
    }
}

int sizeIndexOf(unsigned width, unsigned height)
{
    struct Entry {
        unsigned w, h;
        int index;
    };
    static constexpr Entry table[] = {{176, 144, 0}, {352, 288, 1}, {320, 240, 2},  {640, 480, 3},   {128, 96, 4},
                                      {160, 120, 5}, {704, 576, 6}, {1280, 960, 6}, {1280, 1024, 7}};
    for (const auto& e : table)
        if (e.w == width && e.h == height)
            return e.index;
    return -1;
}

int pictureSizeIndex(const uint8_t* data, size_t size)
{
    const auto sof = findStartOfFrame(data, size);
    if (!sof || sof->marker != 0xC0)
        return 0;
    return sizeIndexOf(sof->width, sof->height);
}

} // namespace media
