#pragma once

#include "platform/component/Dispatch.h"
#include "platform/component/Unknown.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform::component {

// Stream persistence of a control's persisted properties.
class PersistStream : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{7A08EC92-39AC-44DE-8875-18A3E9A0059C}");
    // S_OK when changed since the last save or load, S_FALSE otherwise.
    virtual HResult isDirty() = 0;
    // Applies a saved stream. A stream that is damaged or of another version
    // changes nothing and gives STG_E_READFAULT or STG_E_OLDFORMAT.
    virtual HResult load(std::span<const uint8_t> stream) = 0;
    // Appends the stream to `out`; clears the dirty state when asked.
    virtual HResult save(std::vector<uint8_t>& out, bool clearDirty) = 0;
};

// The property stream: a 32-bit little-endian version number, then for each
// persisted property, in the order of the property map, its value read
// through the dispatch interface as a typed value: a 16-bit type code, then
// the value (integers and colours 4 bytes little-endian; strings a 32-bit
// byte count and the UTF-8 bytes).
inline constexpr uint32_t kPropertyStreamVersion = 0x00000300;

HResult savePropertyStream(Dispatch& object, std::span<const int32_t> propertyMap, std::vector<uint8_t>& out);
// Reads every value first and writes them only when the whole stream is
// sound, so a damaged stream changes nothing.
HResult loadPropertyStream(Dispatch& object, std::span<const int32_t> propertyMap, std::span<const uint8_t> in);

} // namespace platform::component
