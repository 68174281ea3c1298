#pragma once

#include "control/session/LinkState.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace strovix {

// The texts a view cell shows over its picture and the pane-5 frame-rate text.
// Pure functions, any thread; names of months and days are English whatever
// the process locale.

constexpr int kDateFormatCount = 10; // DateFormat 0..9
constexpr int kTimeFormatCount = 4;  // TimeFormat 0..3

// The date part of a broken-down time for DateFormat 0..9 ("2004-7-20",
// "20 Jul  2004", ...); an out-of-range format gives the shape of 0.
std::string formatDate(const std::tm& t, int dateFormat);

// The time part for TimeFormat 0..3 ("8:05:09", "8:05 PM", ...); an
// out-of-range format gives the shape of 0.
std::string formatTime(const std::tm& t, int timeFormat);

// The date/time text of the overlay: `epochSeconds` broken down in the
// computer's local time zone, date part, two spaces, time part. Empty when
// the breakdown fails.
std::string dateTimeText(int64_t epochSeconds, int dateFormat, int timeFormat);

// The overlay of one cell for ShowText -1..4: -1 nothing, 1 the camera name,
// 2 and 4 the date/time text, 0 and 3 the name, two spaces, the date/time.
std::string overlayText(int showText, std::string_view cameraName, std::string_view dateTime);

// The camera clock from a GetTime reply ("key = value" lines): the value of
// Sec1970 seen so far, at the line TimeZone: Sec1970 + (zoneWestMinutes -
// TimeZone) * 60. Nothing when the reply has no TimeZone line or the result
// is 0. `zoneWestMinutes` is the computer's offset in minutes west of UTC.
std::optional<int64_t> cameraClockFromReply(std::string_view reply, int zoneWestMinutes);

// The computer's current offset from UTC in minutes west (UTC+8 gives -480),
// the one the local breakdown of `epochSeconds` uses.
int localZoneWestMinutes(int64_t epochSeconds);

// The pane-5 text for a frame rate held as rate x 100: 1205 -> "12.05fps",
// 7 -> "0.07fps".
std::string frameRateText(uint32_t rateTimes100);

// The words over a view whose camera sends no pictures, for the state its
// connection reported: "Connecting...", "Retry 3", "Login needed", "Host not
// found", "Disconnected"; empty for Idle (nothing to say).
std::string linkNotice(LinkState state, int attempt);

// The words over a view whose pictures stopped: "No picture since 14:03:22",
// the last picture's time in the computer's local time zone, 24 hours, two
// digits each. Without the time when the breakdown fails.
std::string noPictureSinceText(int64_t epochSeconds);

// The overlay font height a cell of `cellHeight` pixels gets on resize:
// 12 below 110, 20 from 190, else 11 % of the height; `current` when that
// would be 0.
int cellFontHeight(int cellHeight, int current);

// The overlay font height of a zoomed cell over a picture area `areaHeight`
// pixels high: 20 above 233, else 9 % of it; `current` when that is not positive.
int zoomedFontHeight(int areaHeight, int current);

} // namespace strovix
