#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::component {

// A 128-bit class, interface or library identifier, laid out as the
// platform's GUID so that it crosses the C entry points unchanged.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    // Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, hex
    // digits of either case). Nothing for any other text.
    static constexpr std::optional<Guid> parse(std::string_view text);
    // For identifiers written in the source: a malformed literal does not compile.
    static consteval Guid fromString(std::string_view text)
    {
        auto g = parse(text);
        if (!g)
            throw "malformed GUID literal";
        return *g;
    }
    // Upper-case hex in braces, the form used in registry key names.
    std::string toString() const;
    constexpr bool isNull() const { return *this == Guid{}; }
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

constexpr std::optional<Guid> Guid::parse(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    uint8_t bytes[16] = {};
    int n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            continue;
        const char c = text[i];
        int v = 0;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            return std::nullopt;
        bytes[n / 2] = uint8_t(bytes[n / 2] * 16 + v);
        ++n;
    }
    Guid g;
    g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    g.data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.data4[i] = bytes[8 + i];
    return g;
}

} // namespace platform::component
