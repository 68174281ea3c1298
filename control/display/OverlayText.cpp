#include "control/display/OverlayText.h"

#include "control/stream/KeyValueReader.h"

#include <charconv>

namespace strovix {
namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};

std::string num(int v) { return std::to_string(v); }

std::string twoDigits(int v)
{
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

const char* monthName(int mon) { return (mon >= 0 && mon < 12) ? kMonths[mon] : ""; }
const char* weekdayName(int wday) { return (wday >= 0 && wday < 7) ? kWeekdays[wday] : ""; }

// A decimal number at the start of `s` (sign allowed), as the camera writes it.
std::optional<int64_t> leadingNumber(std::string_view s)
{
    int64_t v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr == s.data())
        return std::nullopt;
    return v;
}

} // namespace

std::string formatDate(const std::tm& t, int dateFormat)
{
    const std::string y = num(t.tm_year + 1900);
    const std::string m = num(t.tm_mon + 1);
    const std::string d = num(t.tm_mday);
    const std::string mon = monthName(t.tm_mon);
    switch (dateFormat) {
    case 1: return m + "/" + d + "/" + y;
    case 2: return m + "." + d + "." + y;
    case 3: return mon + " " + d + ", " + y;
    case 4: return std::string(weekdayName(t.tm_wday)) + " " + mon + " " + d + " " + y;
    case 5: return mon + " " + d;
    case 6: return m + "-" + d;
    case 7: return y + "/" + m + "/" + d;
    case 8: return d + " " + mon + "  " + y;
    case 9: return m + "-" + d + "-" + y;
    default: return y + "-" + m + "-" + d;
    }
}

std::string formatTime(const std::tm& t, int timeFormat)
{
    const int h = t.tm_hour;
    const std::string mm = twoDigits(t.tm_min);
    const std::string ss = twoDigits(t.tm_sec);
    const int h12 = h == 0 ? 12 : (h > 12 ? h - 12 : h);
    const char* suffix = h < 12 ? " AM" : " PM";
    switch (timeFormat) {
    case 1: return num(h) + ":" + mm;
    case 2: return num(h12) + ":" + mm + ":" + ss + suffix;
    case 3: return num(h12) + ":" + mm + suffix;
    default: return num(h) + ":" + mm + ":" + ss;
    }
}

std::string dateTimeText(int64_t epochSeconds, int dateFormat, int timeFormat)
{
    const std::time_t t = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return {};
    return formatDate(local, dateFormat) + "  " + formatTime(local, timeFormat);
}

std::string overlayText(int showText, std::string_view cameraName, std::string_view dateTime)
{
    switch (showText) {
    case -1: return {};
    case 1: return std::string(cameraName);
    case 2:
    case 4: return std::string(dateTime);
    default: return std::string(cameraName) + "  " + std::string(dateTime);
    }
}

std::optional<int64_t> cameraClockFromReply(std::string_view reply, int zoneWestMinutes)
{
    int64_t sec1970 = 0;
    for (const auto& [key, value] : readKeyValues(reply)) {
        if (key == "Sec1970") {
            sec1970 = leadingNumber(value).value_or(0);
        } else if (key == "TimeZone") {
            const int64_t zone = leadingNumber(value).value_or(0);
            const int64_t cameraTime = sec1970 + (zoneWestMinutes - zone) * 60;
            if (cameraTime == 0)
                return std::nullopt;
            return cameraTime;
        }
    }
    return std::nullopt;
}

int localZoneWestMinutes(int64_t epochSeconds)
{
    const std::time_t t = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return static_cast<int>(-local.tm_gmtoff / 60);
}

std::string frameRateText(uint32_t rateTimes100)
{
    std::string s = rateTimes100 >= 100 ? std::to_string(rateTimes100 / 100) + "." : std::string("0.");
    s += twoDigits(static_cast<int>(rateTimes100 % 100));
    return s + "fps";
}

std::string linkNotice(LinkState state, int attempt)
{
    switch (state) {
    case LinkState::Connecting: return "Connecting...";
    case LinkState::Retrying: return "Retry " + std::to_string(attempt);
    case LinkState::LoginNeeded: return "Login needed";
    case LinkState::HostNotFound: return "Host not found";
    case LinkState::Disconnected: return "Disconnected";
    case LinkState::Idle: break;
    }
    return {};
}

std::string noPictureSinceText(int64_t epochSeconds)
{
    const std::time_t t = static_cast<std::time_t>(epochSeconds);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return "No picture";
    return "No picture since " + twoDigits(local.tm_hour) + ":" + twoDigits(local.tm_min) + ":"
        + twoDigits(local.tm_sec);
}

int cellFontHeight(int cellHeight, int current)
{
    if (cellHeight < 110)
        return 12;
    if (cellHeight >= 190)
        return 20;
    const int h = static_cast<int>(cellHeight * 0.11);
    return h == 0 ? current : h;
}

int zoomedFontHeight(int areaHeight, int current)
{
    if (areaHeight > 233)
        return 20;
    const int h = static_cast<int>(areaHeight * 0.09);
    return h > 0 ? h : current;
}

} // namespace strovix
