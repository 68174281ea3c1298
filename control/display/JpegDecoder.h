#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace strovix {

// Decodes one camera picture (baseline JPEG) into a cell's bitmap.
//
// The library delivers colour rows as blue, green, red triples; they are
// held as QImage::Format_RGB32 (bytes blue, green, red, 0xFF), the form the
// painter stretches without converting the picture at every paint. Grey
// pictures are one byte per pixel, QImage::Format_Indexed8 with the grey
// palette i -> (i, i, i).
//
// Returns true when a picture was decoded. On failure `bitmap` holds:
// - the previous picture, untouched, when the header could not be read
//   (empty, damaged or missing data);
// - nothing (a null image) when decompression could not start (an unsupported
//   colour space) or the pixel buffer could not be made (a picture larger
//   than kMaxPixels);
// - the new picture with the rows decoded so far, the rest black, when the
//   library failed while reading the picture data.
// The library's fatal errors come back here; it prints nothing. GUI thread
// (or any single thread: no shared state).
bool decodeJpeg(const uint8_t* data, size_t size, QImage& bitmap);

// Larger pictures are refused rather than allocated (cameras send at most
// 1280 x 1024).
constexpr int64_t kMaxPixels = int64_t(8192) * 8192;

} // namespace strovix
