#include "tools/camsim/HttpRequest.h"

#include <cctype>

namespace camsim {

namespace {

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

std::optional<std::string> Request::param(std::string_view key) const
{
    for (const auto& [k, v] : query)
        if (k == key)
            return v;
    return std::nullopt;
}

std::optional<std::string> Request::header(std::string_view lowerName) const
{
    for (const auto& [k, v] : headers)
        if (k == lowerName)
            return v;
    return std::nullopt;
}

size_t headEnd(std::string_view data)
{
    // Accept both "\r\n\r\n" and bare "\n\n" (and mixtures).
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] != '\n')
            continue;
        size_t j = i + 1;
        if (j < data.size() && data[j] == '\r')
            ++j;
        if (j < data.size() && data[j] == '\n')
            return j + 1;
    }
    return std::string_view::npos;
}

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::optional<Request> parseRequest(std::string_view head)
{
    const size_t lineEnd = head.find('\n');
    std::string_view line = trim(head.substr(0, lineEnd));
    const size_t sp = line.find(' ');
    if (sp == std::string_view::npos || sp == 0)
        return std::nullopt;
    Request r;
    r.method = std::string(line.substr(0, sp));
    std::string_view rest = trim(line.substr(sp + 1));
    const size_t http = rest.rfind(" HTTP/");
    if (http != std::string_view::npos) {
        r.version = std::string(trim(rest.substr(http + 1)));
        rest = trim(rest.substr(0, http));
    }
    if (rest.empty() || rest.front() != '/')
        return std::nullopt;
    r.target = std::string(rest);
    const size_t q = rest.find('?');
    r.path = std::string(rest.substr(0, q));
    if (q != std::string_view::npos) {
        std::string_view query = rest.substr(q + 1);
        while (!query.empty()) {
            const size_t amp = query.find('&');
            std::string_view item = query.substr(0, amp);
            if (!item.empty()) {
                const size_t eq = item.find('=');
                if (eq == std::string_view::npos)
                    r.query.emplace_back(percentDecode(item), std::string());
                else
                    r.query.emplace_back(percentDecode(item.substr(0, eq)), percentDecode(item.substr(eq + 1)));
            }
            if (amp == std::string_view::npos)
                break;
            query.remove_prefix(amp + 1);
        }
    }
    size_t pos = lineEnd == std::string_view::npos ? head.size() : lineEnd + 1;
    while (pos < head.size()) {
        size_t end = head.find('\n', pos);
        if (end == std::string_view::npos)
            end = head.size();
        std::string_view h = trim(head.substr(pos, end - pos));
        pos = end + 1;
        const size_t colon = h.find(':');
        if (colon == std::string_view::npos || colon == 0)
            continue;
        r.headers.emplace_back(lower(trim(h.substr(0, colon))), std::string(trim(h.substr(colon + 1))));
    }
    return r;
}

std::optional<std::string> base64Decode(std::string_view text)
{
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    size_t padding = 0;
    for (char c : text) {
        if (c == '=') {
            ++padding;
            continue;
        }
        if (padding > 0)
            return std::nullopt; // data after padding
        const char* p = nullptr;
        for (const char* a = kAlphabet; *a; ++a)
            if (*a == c)
                p = a;
        if (!p)
            return std::nullopt;
        acc = (acc << 6) | uint32_t(p - kAlphabet);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    if (padding > 2 || (text.size() % 4) != 0)
        return std::nullopt;
    return out;
}

std::string base64Encode(std::string_view data)
{
    std::string out;
    size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const uint32_t v = uint32_t(uint8_t(data[i])) << 16 | uint32_t(uint8_t(data[i + 1])) << 8 | uint8_t(data[i + 2]);
        for (int k = 3; k >= 0; --k)
            out.push_back(kAlphabet[(v >> (6 * k)) & 63]);
    }
    if (i < data.size()) {
        uint32_t v = uint32_t(uint8_t(data[i])) << 16;
        if (i + 1 < data.size())
            v |= uint32_t(uint8_t(data[i + 1])) << 8;
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

std::optional<std::pair<std::string, std::string>> basicCredentials(std::string_view value)
{
    value = trim(value);
    if (value.size() < 6 || lower(value.substr(0, 6)) != "basic ")
        return std::nullopt;
    auto decoded = base64Decode(trim(value.substr(6)));
    if (!decoded)
        return std::nullopt;
    const size_t colon = decoded->find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    return std::pair {decoded->substr(0, colon), decoded->substr(colon + 1)};
}

} // namespace camsim
