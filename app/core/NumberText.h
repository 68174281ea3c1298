#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number and text helpers shared by the stores of the application.
namespace numtext {

// `value` held in 16 bits: values outside the range stop at its ends instead of
// wrapping round (a stray 70000 in a file reads as 32767, not 4464).
int16_t clamp16(int64_t value);

// Decimal text of an integer: no padding, "-" for negatives only.
std::string decimal(int64_t value);

// `text` without blanks (spaces and tabs) at both ends.
std::string_view trimBlanks(std::string_view text);

// An integer written as optional "-" or "+" and decimal digits, nothing else
// (blanks already trimmed by the caller). Nothing for any other text and for
// values outside the 32-bit range.
std::optional<int32_t> parseInteger(std::string_view text);

// The rounding of the stores: to the nearest integer, halves to the even one.
// `numerator` >= 0, `denominator` > 0.
uint64_t divideRoundHalfEven(uint64_t numerator, uint64_t denominator);

} // namespace numtext
