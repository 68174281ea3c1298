#pragma once

#include <cstddef>
#include <cstdint>

namespace strovix {

// The picture size index of a JPEG picture, read from its first baseline
// start-of-frame marker (FF C0): 176x144 0, 352x288 1, 320x240 2, 640x480 3,
// 128x96 4, 160x120 5, 704x576 and 1280x960 6, 1280x1024 7; -1 for any other
// size. A broken marker chain, a missing FF C0 or a frame cut short gives 0.
int pictureSizeIndex(const uint8_t* data, size_t size);

// The index of a width and height, -1 when the size is not in the table.
int sizeIndexOf(unsigned width, unsigned height);

} // namespace strovix
