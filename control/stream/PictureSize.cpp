#include "control/stream/PictureSize.h"

namespace strovix {

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
    size_t pos = 2;
    for (;;) {
        if (pos + 1 >= size || data[pos] != 0xFF)
            return 0;
        if (data[pos + 1] == 0xC0)
            break;
        if (pos + 3 >= size)
            return 0;
        pos += 2 + (static_cast<size_t>(data[pos + 2]) << 8 | data[pos + 3]);
    }
    // Counted from the C0 byte: height at +4, width at +6, big-endian.
    const size_t c0 = pos + 1;
    if (c0 + 7 >= size)
        return 0;
    const unsigned height = static_cast<unsigned>(data[c0 + 4]) << 8 | data[c0 + 5];
    const unsigned width = static_cast<unsigned>(data[c0 + 6]) << 8 | data[c0 + 7];
    return sizeIndexOf(width, height);
}

} // namespace strovix
