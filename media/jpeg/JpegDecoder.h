#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>

namespace media {

// What a decode did besides its yes or no.
struct DecodeOutcome {
    QSize pictureSize;      // the picture's own size; empty when the header was not read
    int scaleEighths = 8;   // the bitmap is the picture scaled by this many eighths
    bool newBuffer = false; // the bitmap's pixel buffer was made by this decode
};

// The scale, in eighths, at which a picture of `pictureSize` is decoded when
// it is shown at `shownSize`. A picture shown at half its size or less in
// both directions is decoded with the library's DCT scaling at the smallest
// of 1/8, 2/8 and 4/8 whose output still covers `shownSize` (libjpeg's output
// size is the picture size times eighths / 8, rounded up; the other eighths
// decode slower than 4/8); anything else, and an empty
// `shownSize`, gives full size (8). The picture is then only ever stretched
// down to the shown size, never up.
int scaleEighthsFor(QSize pictureSize, QSize shownSize);

// Decodes one camera picture (baseline JPEG) into a cell's bitmap.
//
// Colour pictures come from the library as 32-bit rows, bytes blue, green,
// red, 0xFF: QImage::Format_RGB32, written straight into the bitmap's rows,
// the form the painter stretches without converting. Grey pictures are one
// byte per pixel, QImage::Format_Indexed8 with the grey palette i -> (i, i, i).
//
// `shownSize` is the size the bitmap will be drawn at (see scaleEighthsFor);
// empty decodes at full size. The bitmap's pixel buffer is reused when it
// already has the output's size and format and nothing else shares it, so a
// cell that keeps its size allocates nothing per picture.
//
// Returns true when a picture was decoded. On failure `bitmap` holds:
// - the previous picture, untouched, when the header could not be read
//   (empty, damaged or missing data);
// - nothing (a null image) when decompression could not start (an unsupported
//   colour space) or the pixel buffer could not be made (a picture larger
//   than kMaxPixels);
// - the new picture with the rows decoded so far, the rest black, when the
//   library failed while reading the picture data.
// The library's fatal errors come back here; it prints nothing. Any single
// thread (no shared state). `outcome`, when given, is filled in every case.
bool decodeJpeg(const uint8_t* data, size_t size, QImage& bitmap, QSize shownSize = {},
                DecodeOutcome* outcome = nullptr);

// Larger pictures are refused rather than allocated (cameras send at most
// 1280 x 1024).
constexpr int64_t kMaxPixels = int64_t(8192) * 8192;

} // namespace media
