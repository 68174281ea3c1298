#include "app/core/RecFileName.h"

#include "app/core/NumberText.h"

#include <limits>

namespace {

// Digits with an optional leading "-"; nothing else.
std::optional<int32_t> numeric(std::string_view text)
{
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    return numtext::parseInteger(text);
}

bool startsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

} // namespace

std::optional<RecFileName> parseRecFileName(std::string_view fileName, std::string_view prefix)
{
    if (!startsWith(fileName, prefix))
        return std::nullopt;
    std::string_view rest = fileName.substr(prefix.size());

    RecFileName name;
    const size_t locationEnd = rest.find('_');
    if (locationEnd == std::string_view::npos)
        return std::nullopt;
    name.location = std::string(rest.substr(0, locationEnd));
    rest.remove_prefix(locationEnd + 1);

    if (!startsWith(rest, "!"))
        return std::nullopt;
    const size_t numberEnd = rest.find('_');
    if (numberEnd == std::string_view::npos)
        return std::nullopt;
    const auto number = numeric(rest.substr(1, numberEnd - 1));
    if (!number)
        return std::nullopt;
    name.number = *number;
    rest.remove_prefix(numberEnd + 1);
    if (startsWith(rest, "_"))
        rest.remove_prefix(1);

    for (size_t i = 0; i < name.fields.size(); ++i) {
        const char terminator = i + 1 < name.fields.size() ? '_' : '.';
        const size_t end = rest.find(terminator);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view field = rest.substr(0, end);
        if (i == 0) {
            if (startsWith(field, "End"))
                field.remove_prefix(3);
            if (startsWith(field, "ChangeRes") || startsWith(field, "ResChange"))
                field.remove_prefix(9);
        }
        const auto value = numeric(field);
        if (!value || *value < std::numeric_limits<int16_t>::min() || *value > std::numeric_limits<int16_t>::max())
            return std::nullopt;
        name.fields[i] = static_cast<int16_t>(*value);
        rest.remove_prefix(end + 1);
    }
    return name;
}

std::string fileNameLocation(std::string_view location)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    size_t cost = 0;
    for (size_t i = 0; i < location.size();) {
        const auto c = static_cast<unsigned char>(location[i]);
        std::string piece;
        if (c == '/' || c < 0x20 || c == 0x7F) {
            piece = {'%', hex[c >> 4], hex[c & 15]};
        } else {
            // A whole UTF-8 sequence (or one stray byte) at a time.
            size_t n = 1;
            while (i + n < location.size() && (static_cast<unsigned char>(location[i + n]) & 0xC0) == 0x80)
                ++n;
            piece = std::string(location.substr(i, n));
        }
        size_t pieceCost = piece.size();
        for (char p : piece)
            if (p == '%')
                pieceCost += 2;
        if (cost + pieceCost > kMaxFileLocationBytes)
            break;
        cost += pieceCost;
        out += piece;
        i += c == '/' || c < 0x20 || c == 0x7F ? 1 : piece.size();
    }
    return out;
}

bool isNumberedFolder(std::string_view name, std::string_view kind)
{
    if (!startsWith(name, kind))
        return false;
    const auto dropDigits = [](std::string_view& text) {
        const size_t before = text.size();
        while (!text.empty() && text.back() >= '0' && text.back() <= '9')
            text.remove_suffix(1);
        return text.size() < before;
    };
    std::string_view rest = name.substr(kind.size());
    if (!dropDigits(rest))
        return false;
    if (kind == "r-") {
        // "..._!<alerts>_<folder number>"
        if (rest.empty() || rest.back() != '_')
            return false;
        rest.remove_suffix(1);
        if (!dropDigits(rest))
            return false;
    }
    // The snapshot prefix ends in its alert digits, run together with the
    // folder number.
    return rest.size() >= 2 && rest.substr(rest.size() - 2) == "_!";
}
