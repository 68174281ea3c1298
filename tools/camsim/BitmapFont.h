#pragma once

#include <cstdint>

namespace camsim {

// A 5 x 7 pixel font for the picture overlay: digits, capitals and a little
// punctuation. Small letters are drawn as capitals; anything else as "?".
namespace font {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = 6; // glyph plus one column of space

// The seven rows of the glyph for c, bit 4 the leftmost column.
const uint8_t* glyph(char c);

} // namespace font
} // namespace camsim
