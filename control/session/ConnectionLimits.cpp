#include "control/session/ConnectionLimits.h"

#include "platform/registry/Registry.h"

namespace strovix {

bool writeConnectionLimits(platform::registry::Registry& registry)
{
    using platform::registry::Root;
    constexpr const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    constexpr uint32_t limit = 32;
    return registry.createKey(Root::CurrentUser, key) &&
           registry.setDword(Root::CurrentUser, key, "MaxConnectionsPer1_0Server", limit) &&
           registry.setDword(Root::CurrentUser, key, "MaxConnectionsPerServer", limit);
}

} // namespace strovix
