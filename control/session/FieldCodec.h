#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace strovix {

// "%" and two upper-case hex digits for every byte that `mustEncode` picks.
template <typename Pred>
std::string percentEncode(std::string_view s, Pred mustEncode)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        if (mustEncode(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Percent-encoding for the fields of the control's per-user store files: one
// record a line, fields separated by tabs, so tabs, line feeds, "%" and any
// byte outside printable ASCII are encoded.
inline std::string encodeField(std::string_view s)
{
    return percentEncode(s, [](unsigned char c) { return c <= 0x20 || c == '%' || c >= 0x7F; });
}

inline std::string decodeField(std::string_view s)
{
    auto hexValue = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The records of a store file whose lines hold three fields, decoded; lines
// with fewer fields are skipped.
inline std::vector<std::array<std::string, 3>> readRecords(std::string_view text)
{
    std::vector<std::array<std::string, 3>> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos)
            lf = text.size();
        const std::string_view line = text.substr(pos, lf - pos);
        pos = lf + 1;
        const size_t t1 = line.find('\t');
        const size_t t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 == std::string_view::npos)
            continue;
        out.push_back({decodeField(line.substr(0, t1)), decodeField(line.substr(t1 + 1, t2 - t1 - 1)),
                       decodeField(line.substr(t2 + 1))});
    }
    return out;
}

// One record line of such a file.
inline std::string recordLine(std::string_view a, std::string_view b, std::string_view c)
{
    return encodeField(a) + '\t' + encodeField(b) + '\t' + encodeField(c) + '\n';
}

// The per-user folder of the control's stores: $XDG_CONFIG_HOME/strovix, else
// ~/.config/strovix; empty when neither is known.
std::string userStoreFolder();

} // namespace strovix
