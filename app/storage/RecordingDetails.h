#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The texts of the recording list's detail labels for one file.
struct RecordingDetails {
    std::string location; // "Location: Gate"
    std::string alerts;   // "Alerts: None", "Alerts: [Motion] [DIDO] "
    std::string time;     // "Start Time: 2010-01-02  03:04:05.006"
};

// Reads the file name with `prefix` ("r-" for recordings, "s-" for
// snapshots; see parseRecFileName) and gives the label texts, the time one
// beginning with `timeCaption`. Month, day, hour, minute and second have at
// least two digits, the millisecond at least three; the year is as written.
// Nothing when the name does not parse (the labels then stay as they are).
std::optional<RecordingDetails> recordingDetails(std::string_view fileName, std::string_view prefix,
                                                 std::string_view timeCaption);

// A playing time as the player shows it: "mm:ss", or "h:mm:ss" from one hour
// on. Negative times count as 0.
std::string durationText(int64_t seconds);
