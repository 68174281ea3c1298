#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace strovix {

// Decodes one camera picture (baseline JPEG) into a cell's bitmap.
//
// Colour pictures become QImage::Format_BGR888 (blue, green, red bytes, rows
// padded to 4 bytes, as the library delivers them); grey pictures become
// QImage::Format_Indexed8 with the grey palette i -> (i, i, i). Both paint
// without a conversion pass of their own.
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
