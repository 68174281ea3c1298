#include "app/core/RecFileName.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* prefix : {"r-", "s-"}) {
        const std::string fileName = prefix + std::string(text);
        if (const auto parsed = parseRecFileName(fileName, prefix)) {
            // The location is the text up to the first "_", so it never holds one.
            if (parsed->location.find('_') != std::string::npos)
                __builtin_trap();
        }
        parseRecFileName(text, prefix);
    }
    return 0;
}
