#include "app/storage/RecordingDetails.h"

#include "app/core/RecFileName.h"

#include <cstdio>

namespace {

// At least `digits` digits, more when the number needs them; a negative
// number keeps its sign in front.
std::string padded(int value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", value < 0 ? digits + 1 : digits, value);
    return text;
}

} // namespace

std::optional<RecordingDetails> recordingDetails(std::string_view fileName, std::string_view prefix,
                                                 std::string_view timeCaption)
{
    const auto parsed = parseRecFileName(fileName, prefix);
    if (!parsed)
        return std::nullopt;
    RecordingDetails d;
    d.location = "Location: " + parsed->location;
    d.alerts = "Alerts: ";
    if (parsed->number == 0) {
        d.alerts += "None";
    } else {
        if (parsed->number & kMotionAlert)
            d.alerts += "[Motion] ";
        if (parsed->number & kSoundAlert)
            d.alerts += "[Sound] ";
        if (parsed->number & kDidoAlert)
            d.alerts += "[DIDO] ";
    }
    const auto& f = parsed->fields;
    d.time = std::string(timeCaption) + ": " + std::to_string(f[0]) + "-" + padded(f[1], 2) + "-" + padded(f[2], 2)
        + "  " + padded(f[3], 2) + ":" + padded(f[4], 2) + ":" + padded(f[5], 2) + "." + padded(f[6], 3);
    return d;
}

std::string durationText(int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    const int64_t hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    if (hours > 0)
        return std::to_string(hours) + ":" + padded(minutes, 2) + ":" + padded(rest, 2);
    return padded(minutes, 2) + ":" + padded(rest, 2);
}
