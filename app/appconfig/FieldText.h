#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The numbers typed into the configuration window's fields.
namespace fieldtext {

// Inclusive bounds of a number field.
struct Range {
    int32_t minimum;
    int32_t maximum;
    bool contains(int64_t value) const { return value >= minimum && value <= maximum; }
};

// The whole number a field holds: blanks at both ends are ignored, an
// optional sign and decimal digits, nothing else. Nothing for any other text
// (empty, "12a", "1.5") and for values beyond 32 bits.
std::optional<int32_t> number(const QString& text);

// The number when it lies within `range`; nothing otherwise.
std::optional<int32_t> numberIn(const QString& text, Range range);

// A schedule time field: "" and "*" stand for the wildcard -1; any other text
// must be a number. The value must then be -1 or lie within `range`.
std::optional<int16_t> wildcardIn(const QString& text, Range range);

} // namespace fieldtext
