#pragma once

#include <cstdint>
#include <string_view>

namespace camsim {

// A 5 x 7 pixel font for the picture overlay: digits, capitals and a little
// punctuation. Small letters are drawn as capitals; anything else as "?".
namespace font {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = 6; // glyph plus one column of space

// The seven rows of the glyph for c, bit 4 the leftmost column.
const uint8_t* glyph(char c);

// Width in font pixels of text drawn with kAdvance per character.
inline int textWidth(std::string_view text) { return static_cast<int>(text.size()) * kAdvance; }

} // namespace font
} // namespace camsim
