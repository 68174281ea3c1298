#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace media {

// What the first start-of-frame segment of a JPEG picture says.
struct StartOfFrame {
    uint8_t marker = 0;   // 0xC0 baseline, 0xC1 extended, 0xC2 progressive, 0xC3 lossless, ...
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;   // 1 grey, 3 colour
};

// Walks the marker segments from byte 2 (after the start-of-image marker),
// skipping each by its length, up to the first start-of-frame segment of any
// kind (0xC0-0xC3, 0xC5-0xC7, 0xC9-0xCB, 0xCD-0xCF). Nothing when the chain is broken, when
// the scan or the end of the picture comes first, when the picture is cut
// short inside the segment's size fields. A height of 0 (given later in the
// picture by a DNL marker) is returned as it stands.
std::optional<StartOfFrame> findStartOfFrame(const uint8_t* data, size_t size);

// The picture size index of a JPEG picture, read from its first start-of-frame
// segment when that is a baseline one (FF C0): 176x144 0, 352x288 1,
// 320x240 2, 640x480 3, 128x96 4, 160x120 5, 704x576 and 1280x960 6,
// 1280x1024 7; -1 for any other size. A broken marker chain, a first
// start-of-frame of another kind, none at all or a frame cut short gives 0.
int pictureSizeIndex(const uint8_t* data, size_t size);

// The index of a width and height, -1 when the size is not in the table.
int sizeIndexOf(unsigned width, unsigned height);

} // namespace media
