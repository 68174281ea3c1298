#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a recording or snapshot file name tells: the camera's display
// location, the number after "!" (its alert bits, below) and the seven
// timestamp fields (year, month, day, hour, minute, second, millisecond).
struct RecFileName {
    std::string location;
    int32_t number = 0;
    std::array<int16_t, 7> fields{};
    bool operator==(const RecFileName&) const = default;
};

// The alert bits of the number after "!".
inline constexpr int32_t kMotionAlert = 1;
inline constexpr int32_t kSoundAlert = 2;
inline constexpr int32_t kDidoAlert = 4;

// Reads a name written with the application's prefixes, such as
// "r-Gate_!0__2010_1_2_3_4_5_6.avi", "r-Gate_!0_End2010_1_2_3_4_5_6.avi",
// "r-Gate_!0_ResChange2010_..." or "s-Gate_!0_2004_3_7_9_5_2_15.jpg".
// `prefix` is "r-" or "s-". After the number one empty field is skipped (an
// ordinary recording has the application's "_" and the control's "_" there).
// The first field may start with "End", then "ChangeRes" or "ResChange". The
// seventh field ends at "."; the extension is not examined. Nothing for a name
// that does not follow the pattern or whose numbers do not fit their fields.
std::optional<RecFileName> parseRecFileName(std::string_view fileName, std::string_view prefix);

// A display location as it may stand in a file name: "/" and control
// characters as "%" and two hex digits (the location is shown as typed
// elsewhere), cut at a whole character or escape so that the encoded text
// takes at most kMaxFileLocationBytes, each "%" counted three times (the
// control's hidden name of an unfinished recording encodes "%" once more).
// With the prefix, the timestamp and the longest marker the name stays well
// inside the file system's 255-byte limit.
inline constexpr size_t kMaxFileLocationBytes = 160;
std::string fileNameLocation(std::string_view location);

// Whether a sub-folder named `name` is one the recorder made after its file
// limit: the recording prefix ("r-" location "_!" number "_") or the
// snapshot prefix ("s-" location "_!" number), then the folder's number.
// `kind` is "r-" or "s-". Any other sub-folder is not the recorder's.
bool isNumberedFolder(std::string_view name, std::string_view kind);
