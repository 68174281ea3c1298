#pragma once

namespace platform::registry {
class Registry;
}

namespace strovix {

// Control creation: the per-user HTTP connection limits, "MaxConnectionsPer1_0Server"
// and "MaxConnectionsPerServer", both 32, under the current user's
// "Software\Microsoft\Windows\CurrentVersion\Internet Settings" key (created
// when missing). Our HTTP client has no such limit; the values are kept for
// whoever reads the registry. False when the registry cannot be written.
bool writeConnectionLimits(platform::registry::Registry& registry);

} // namespace strovix
