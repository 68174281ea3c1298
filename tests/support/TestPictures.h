#pragma once

// Camera-like test pictures made with libjpeg: an asymmetric colour picture
// whose four quadrants differ, grey pictures, and damaged variants.

#include <cstdint>

#include <QColor>

#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace strovix::test {

// Quadrant colours of quadrantPicture(): the orientation tests tell the four
// corners apart by them.
inline const QColor kTopLeft(230, 30, 30);
inline const QColor kTopRight(30, 200, 30);
inline const QColor kBottomLeft(30, 30, 230);
inline const QColor kBottomRight(240, 240, 240);

// Encodes a picture; `pixel(x, y)` gives the colour (grey pictures use its red).
inline std::vector<uint8_t> encodeJpeg(int width, int height, bool grey, const std::function<QColor(int, int)>& pixel,
                        int quality = 85)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(size_t(width) * (grey ? 1 : 3));
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < width; ++x) {
            const QColor px = pixel(x, y);
            if (grey) {
                row[size_t(x)] = static_cast<unsigned char>(px.red());
            } else {
                row[size_t(x) * 3] = static_cast<unsigned char>(px.red());
                row[size_t(x) * 3 + 1] = static_cast<unsigned char>(px.green());
                row[size_t(x) * 3 + 2] = static_cast<unsigned char>(px.blue());
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> frame(out, out + outSize);
    jpeg_destroy_compress(&c);
    std::free(out);
    return frame;
}

inline std::vector<uint8_t> quadrantPicture(int width = 64, int height = 48)
{
    return encodeJpeg(width, height, false, [=](int x, int y) {
        const bool right = x >= width / 2;
        const bool bottom = y >= height / 2;
        return bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
    });
}

inline std::vector<uint8_t> solidPicture(int width, int height, QColor colour)
{
    return encodeJpeg(width, height, false, [=](int, int) { return colour; });
}

// A grey gradient from left (black) to right (white).
inline std::vector<uint8_t> greyPicture(int width = 64, int height = 48)
{
    return encodeJpeg(width, height, true, [=](int x, int) {
        const int v = x * 255 / (width - 1);
        return QColor(v, v, v);
    });
}

// A camera-like 640 x 480 picture: smooth shading with some detail, which at
// quality 45 comes to roughly the size of a camera picture.
inline std::vector<uint8_t> cameraLikePicture(int width = 640, int height = 480)
{
    return encodeJpeg(
        width, height, false,
        [=](int x, int y) {
            const int r = (x * 255 / width + ((x / 7 + y / 5) % 3) * 20) & 0xFF;
            const int g = (y * 255 / height + ((x * y / 97) % 5) * 9) & 0xFF;
            const int b = ((x + y) * 127 / (width + height) + ((x ^ y) & 15) * 4) & 0xFF;
            return QColor(r, g, b);
        },
        45);
}

inline bool near(QColor a, QColor b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace strovix::test
