#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace camsim {

// Pixel layout of a picture handed to the encoder: packed RGB (3 bytes a
// pixel) or grey (1 byte a pixel), rows top to bottom without padding.
struct RawPicture {
    int width = 0;
    int height = 0;
    bool grey = false;
    const uint8_t* pixels = nullptr;
};

// Baseline JPEG with the standard Huffman tables, 2x2 chroma subsampling for
// colour, and a restart marker after every row of MCUs. The restart markers
// make every MCU row an independent piece of entropy-coded data, which is
// what lets PictureMaker splice freshly encoded rows into a cached picture.
// Returns nothing if libjpeg reports an error. Any thread; no shared state.
std::optional<std::vector<uint8_t>> encodeJpeg(const RawPicture& picture, int quality);

// Height in pixels of one MCU row for the encoder's settings above.
inline int mcuRowHeight(bool grey) { return grey ? 8 : 16; }

// A JPEG written by encodeJpeg, cut into its header (everything up to and
// including the start-of-scan segment) and the entropy-coded data of each MCU
// row without the restart or end markers.
struct JpegRows {
    std::vector<uint8_t> header;
    std::vector<std::vector<uint8_t>> rows;
};

// Splits a picture of encodeJpeg; nothing if the data is not shaped like one.
std::optional<JpegRows> splitJpegRows(const std::vector<uint8_t>& jpeg);

} // namespace camsim
