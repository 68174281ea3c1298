#include "app/core/NumberText.h"

#include <charconv>
#include <limits>

namespace numtext {

int16_t clamp16(int64_t value)
{
    if (value > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (value < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(value);
}

std::string decimal(int64_t value)
{
    return std::to_string(value);
}

std::string_view trimBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<int32_t> parseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

uint64_t divideRoundHalfEven(uint64_t numerator, uint64_t denominator)
{
    const uint64_t quotient = numerator / denominator;
    const uint64_t rest = numerator % denominator;
    const uint64_t other = denominator - rest; // distance to the next integer, in the same scale
    if (rest > other || (rest == other && (quotient & 1)))
        return quotient + 1;
    return quotient;
}

} // namespace numtext
