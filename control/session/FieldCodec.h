#pragma once

#include <string>
#include <string_view>

namespace strovix {

// Percent-encoding for the fields of the control's per-user store files: one
// record a line, fields separated by tabs, so tabs, line feeds, "%" and any
// byte outside printable ASCII are encoded.
inline std::string encodeField(std::string_view s)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c <= 0x20 || c == '%' || c >= 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
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

// The per-user folder of the control's stores: $XDG_CONFIG_HOME/strovix, else
// ~/.config/strovix; empty when neither is known.
std::string userStoreFolder();

} // namespace strovix
