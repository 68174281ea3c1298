// The decoder against damaged pictures: the input itself, and a good camera
// picture with the input written over its bytes from a position the input
// chooses (so random inputs also reach the scan data and the markers).
#include "control/display/JpegDecoder.h"

#include "TestPictures.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const strovix::Frame good = strovix::test::quadrantPicture(40, 24);
    QImage bitmap;
    const bool ok = strovix::decodeJpeg(data, size, bitmap);
    if (ok && bitmap.isNull())
        std::abort();

    if (size >= 2) {
        strovix::Frame damaged = good;
        size_t at = (size_t(data[0]) << 8 | data[1]) % damaged.size();
        for (size_t i = 2; i < size && at < damaged.size(); ++i, ++at)
            damaged[at] ^= data[i];
        if (data[0] & 1)
            damaged.resize(at);
        if (strovix::decodeJpeg(damaged.data(), damaged.size(), bitmap) && bitmap.isNull())
            std::abort();
    }
    return 0;
}
