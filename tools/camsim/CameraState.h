#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "tools/camsim/Config.h"

namespace camsim {

using Settings = std::vector<std::pair<std::string, std::string>>;

// Everything one simulated camera remembers. Plain data: the owner (Camera)
// guards it with its mutex.
struct CameraState {
    std::string name;
    bool open = true;
    int resolution = 3; // index into the resolution table
    int quality = 2;
    int brightness = 128;
    int contrast = 128;
    int saturation = 128;
    int hue = 128;
    int sharpness = 128;
    bool userCheck = false;
    bool motionOn = false;
    std::string motionSetting = "000000"; // six characters, columns 24-29
    uint64_t motionBase = 0;              // counter value when detection last changed
    int64_t motionSinceMs = 0;            // when detection was last switched on
    int motionIntervalMs = 5000;
    int frequency = 1; // 0 outdoor, 1 50 Hz, 2 60 Hz
    bool audioOn = true;
    int64_t clockOffsetSec = 0; // camera clock minus the host's
    int timeZoneMin = 0;        // minutes west of UTC, as the camera reports it
    int clockChanges = 0;
    int nameChanges = 0;
    std::string version;
    int resolutionMask = 60;
    int qualityMask = 31;
    bool omitResolutionCap = false;
    bool omitQualityCap = false;
    std::vector<UserEntry> users;
    Settings mail, pppoe, modem, ftp, ip;
    bool pppoeConnected = false;
    bool modemConnected = false;
    int lastMove = 0;
    uint64_t moves = 0;
    std::string exStatus;
    std::deque<std::string> log; // the newest kLogLines request log lines

    static constexpr size_t kLogLines = 500;

    uint64_t motionCounterAt(int64_t nowMs) const;
};

// The status block: 86 bytes of fixed columns, or with an extended status
// text 100 bytes followed by the text, padded with blanks to at least 106.
// Columns (0-based): 0-1 open state "01"/"00", 15-17 Brightness, 18-20
// Contrast, 21 resolution index, 22 quality index, 23 login level code (0
// administrator, 1 user), 24-29 motion setting, 31 user check, 57-59
// Saturation, 60-65 motion counter, 66-68 Hue, 69-71 Sharpness, 72 motion
// detection switch, 73 light frequency, 81 audio switch, 82-83 clock change
// counter, 84-85 name change counter; every other column is "0".
std::string statusBlock(const CameraState& state, bool admin, int64_t nowMs);

// Picture size of a resolution index; index 6 is 704x576, or 1280x960 for a
// camera whose version sorts before "506".
std::pair<int, int> resolutionSize(int index, const std::string& version);

// The JPEG quality used for a quality index 0-4.
int jpegQualityFor(int qualityIndex);

} // namespace camsim
