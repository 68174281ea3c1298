#include "control/automation/CameraInfo.h"

#include "control/stream/KeyValueReader.h"

#include <cstdlib>

namespace strovix {
namespace {

// The leading decimal number of a text, as the camera's numbers are read.
int64_t leadingNumber(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }

int64_t localZoneMinutesWest(std::time_t now)
{
    std::tm local{};
    if (!::localtime_r(&now, &local))
        return 0;
    return -int64_t(local.tm_gmtoff) / 60;
}

} // namespace

std::string resolutionName(int32_t index, int32_t camVersionFlag)
{
    static const char* const kNames[] = {"176 X 144", "352 X 288", "320 X 240", "640 X 480",
                                         "128 X 96",  "160 X 120", "704 X 576", "1280 X 1024"};
    if (index < 0 || index > 7)
        return {};
    if (index == 6 && camVersionFlag == 0)
        return "1280 X 960";
    return kNames[index];
}

std::string qualityName(int32_t index, bool twoLevels)
{
    if (twoLevels) {
        if (index == 0)
            return "Low";
        if (index == 1)
            return "High";
        return {};
    }
    static const char* const kNames[] = {"Lowest", "Low", "Medium", "High", "Highest"};
    return index >= 0 && index <= 4 ? kNames[index] : std::string();
}

int32_t cameraVersionFlag(std::string_view version) { return version < std::string_view("506") ? 0 : 1; }

CapabilityMenus capabilityMenus(std::string_view capability, int32_t camVersionFlag)
{
    CapabilityMenus menus;
    bool sawResolution = false, sawQuality = false;
    for (auto& [key, value] : readKeyValues(capability)) {
        if (key == "Resolution") {
            sawResolution = true;
            const int64_t m = leadingNumber(value);
            // Bits from 7 down to 0, with the index each size selects.
            static const int32_t kIndexOfBit[] = {4, 5, 0, 2, 1, 3, 6, 7};
            menus.resolution.clear();
            for (int bit = 7; bit >= 0; --bit)
                if (m & (int64_t(1) << bit))
                    menus.resolution.push_back({resolutionName(kIndexOfBit[bit], camVersionFlag), kIndexOfBit[bit]});
        } else if (key == "Quality") {
            sawQuality = true;
            const int64_t m = leadingNumber(value);
            menus.quality.clear();
            for (int bit = 4; bit >= 0; --bit)
                if (m & (int64_t(1) << bit))
                    menus.quality.push_back({qualityName(bit, false), bit});
        }
    }
    if (!sawResolution)
        menus.resolution = {{"640 X 480", 3}, {"320 X 240", 2}, {"352 X 288", 1}, {"176 X 144", 0}};
    if (!sawQuality) {
        menus.quality = {{"High", 1}, {"Low", 0}};
        menus.qualityTwoLevels = true;
    }
    return menus;
}

std::optional<int64_t> cameraClockOffset(std::string_view reply, std::time_t now)
{
    int64_t sec1970 = 0;
    for (auto& [key, value] : readKeyValues(reply)) {
        if (key == "Sec1970") {
            sec1970 = leadingNumber(value);
        } else if (key == "TimeZone") {
            const int64_t cameraTime = sec1970 + (localZoneMinutesWest(now) - leadingNumber(value)) * 60;
            if (cameraTime == 0)
                return std::nullopt;
            return cameraTime - int64_t(now);
        }
    }
    return std::nullopt;
}

} // namespace strovix
