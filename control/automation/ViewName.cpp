#include "control/automation/ViewName.h"

#include <string_view>

namespace strovix {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::string> locationOfRecordingPrefix(const std::string& prefix)
{
    // "r-" + location + "_!" + digit + "_"
    constexpr size_t kFrame = 6;
    if (prefix.size() <= kFrame || prefix.compare(0, 2, "r-") != 0)
        return std::nullopt;
    const std::string_view tail = std::string_view(prefix).substr(prefix.size() - 4);
    if (tail[0] != '_' || tail[1] != '!' || tail[2] < '0' || tail[2] > '9' || tail[3] != '_')
        return std::nullopt;
    const std::string_view encoded = std::string_view(prefix).substr(2, prefix.size() - kFrame);
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && hexDigit(encoded[i + 1]) >= 0 &&
            hexDigit(encoded[i + 2]) >= 0) {
            const int c = hexDigit(encoded[i + 1]) * 16 + hexDigit(encoded[i + 2]);
            // Only what the host writes this way; any other "%" is the name's own.
            if (c == '/' || c < 0x20 || c == 0x7F) {
                out += c == '/' ? '/' : ' ';
                i += 2;
                continue;
            }
        }
        out += encoded[i];
    }
    return out;
}

std::string viewName(std::optional<int> index, const std::string& recordingPrefix)
{
    const std::optional<std::string> location = locationOfRecordingPrefix(recordingPrefix);
    if (!index || *index < 0)
        return location.value_or(std::string());
    std::string name = "Camera " + std::to_string(*index + 1);
    if (location)
        name += " (" + *location + ")";
    return name;
}

} // namespace strovix
