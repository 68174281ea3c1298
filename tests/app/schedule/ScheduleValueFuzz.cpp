#include "app/schedule/ScheduleDAO.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    const auto entries = ScheduleDAO::parseValue(value);
    if (entries.size() > ScheduleDAO::kMaxEntries)
        __builtin_trap();
    // What was read is written so that it reads back the same.
    if (ScheduleDAO::parseValue(ScheduleDAO::formatValue(entries)) != entries)
        __builtin_trap();
    return 0;
}
