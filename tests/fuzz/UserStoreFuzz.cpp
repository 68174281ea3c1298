// Arbitrary bytes as a per-user store file (remembered logins, camera sound
// settings): reading never fails, no record comes from a line without its
// fields, and every record read is written as one line that reads back the same.
#include "control/session/FieldCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto records = strovix::readRecords(text);
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (records.size() > lines)
        std::abort();

    std::string written;
    for (const auto& [a, b, c] : records) {
        const std::string line = strovix::recordLine(a, b, c);
        // One line: encoded fields hold no line feed and no tab of their own.
        if (std::count(line.begin(), line.end(), '\n') != 1 || std::count(line.begin(), line.end(), '\t') != 2)
            std::abort();
        written += line;
    }
    if (strovix::readRecords(written) != records)
        std::abort();

    if (strovix::decodeField(strovix::encodeField(text)) != text)
        std::abort();
    return 0;
}
