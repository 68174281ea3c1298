#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading the camera's one-shot information replies and naming its reported
// values: pure functions, any thread.
namespace strovix {

// Pane texts of a resolution index (index 6 depends on the camera-version
// flag) and of a quality index (two names only for two-level cameras).
// Empty for an index outside the tables.
std::string resolutionName(int32_t index, int32_t camVersionFlag);
std::string qualityName(int32_t index, bool twoLevels);

// 0 when the version text sorts before "506" byte by byte, else 1.
int32_t cameraVersionFlag(std::string_view version);

// One item of a Resolution or Quality submenu: its text and the index it selects.
struct MenuItem {
    std::string text;
    int32_t index = 0;
    bool operator==(const MenuItem&) const = default;
};

// The submenus a capability reply asks for. Without a "Resolution" line the
// four classic sizes are offered; without a "Quality" line two levels.
struct CapabilityMenus {
    std::vector<MenuItem> resolution;
    std::vector<MenuItem> quality;
    bool qualityTwoLevels = false;
};
CapabilityMenus capabilityMenus(std::string_view capability, int32_t camVersionFlag);

// The camera clock offset (seconds to add to the local clock) from a
// "/GetTime.cgi" reply: Sec1970 plus the difference between the local zone
// (minutes west of UTC) and the camera's TimeZone, minus `now`. Nothing when
// the reply carries no TimeZone line or the camera time comes out as 0.
std::optional<int64_t> cameraClockOffset(std::string_view reply, std::time_t now);

} // namespace strovix
