// The decoder against damaged pictures: the input itself, and a good camera
// picture with the input written over its bytes from a position the input
// chooses (so random inputs also reach the scan data and the markers).
#include "media/jpeg/JpegDecoder.h"

#include "tests/support/TestPictures.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<uint8_t> good = strovix::test::quadrantPicture(40, 24);
    QImage bitmap;
    const bool ok = media::decodeJpeg(data, size, bitmap);
    if (ok && bitmap.isNull())
        std::abort();

    if (size >= 2) {
        std::vector<uint8_t> damaged = good;
        size_t at = (size_t(data[0]) << 8 | data[1]) % damaged.size();
        for (size_t i = 2; i < size && at < damaged.size(); ++i, ++at)
            damaged[at] ^= data[i];
        if (data[0] & 1)
            damaged.resize(at);
        if (media::decodeJpeg(damaged.data(), damaged.size(), bitmap) && bitmap.isNull())
            std::abort();
    }
    return 0;
}
