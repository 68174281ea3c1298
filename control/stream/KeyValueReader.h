#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace strovix {

// Reads a camera reply of "key = value" lines (version, capability, camera
// name, clock). The body is split at line feeds; each complete line is split
// at its first " = ": the key is the text before it, the value everything
// after it up to the line feed. A carriage return before the line feed stays
// in the value; a last line without a line feed is ignored, and so is a line
// without " = ". Pure function, any thread.
inline std::vector<std::pair<std::string, std::string>> readKeyValues(std::string_view body)
{
    std::vector<std::pair<std::string, std::string>> out;
    size_t pos = 0;
    for (;;) {
        const size_t lf = body.find('\n', pos);
        if (lf == std::string_view::npos)
            break;
        const std::string_view line = body.substr(pos, lf - pos);
        pos = lf + 1;
        const size_t sep = line.find(" = ");
        if (sep == std::string_view::npos)
            continue;
        out.emplace_back(std::string(line.substr(0, sep)), std::string(line.substr(sep + 3)));
    }
    return out;
}

// The value of the last line whose key is `key` exactly, or `fallback`.
inline std::string lastValueOf(std::string_view body, std::string_view key, std::string fallback = {})
{
    for (auto& [k, v] : readKeyValues(body))
        if (k == key)
            fallback = v;
    return fallback;
}

} // namespace strovix
