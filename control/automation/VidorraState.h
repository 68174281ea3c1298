#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace strovix {

// The fields behind the automation members that no other layer keeps, with
// their initial values (the connection keeps URL, the intervals and the
// sound settings; the display keeps the view and overlay settings). The
// window thread owns all of them.
struct VidorraSettings {
    int32_t downloadNum = 100;
    std::string downloadPath; // the process's working folder at creation
    std::string downloadPrefix = "webcam";
    int32_t aviFrame = 6;
    std::string aviPath; // the process's working folder at creation
    int32_t download = 0;
    int32_t jpgNumInAvi = 500;
    std::string aviPre = "webcam";
    int32_t avi = 0;
    int64_t downloadTimeMs = 10 * 1000;
    int64_t downloadSizeBytes = 1000 * 1024;
    int64_t aviTotalSizeBytes = 100 * 1024;
    int64_t aviTotalTimeMs = 10 * 1000;
    int32_t downType = 0;
    int32_t downAviType = 0;
    int32_t saveIntervalNum = 1;
    int32_t aviDownNum = 500;
    int32_t autoFrame = 1;
    int32_t aviSaveIntervalNum = 1;
    int32_t exStatusStart = 0;
    int32_t exStatusEnd = 0;
    int32_t statusBarCtrl = 1;
    // Context-menu removals (DelMenu): main bits 1..9, and the entries of
    // the View (1..3), Splits (1..4) and Rotate (1..4) submenus.
    std::array<bool, 10> menuRemoved{};
    std::array<std::array<bool, 5>, 4> submenuRemoved{};
};

// Tuning choices as the ImageTuning event numbers them.
enum class Tuning : int { Sharpness = 0, Hue = 1, Saturation = 2, Contrast = 3, Brightness = 4 };

// What the camera last reported, as the window thread keeps it. Reset at
// every connect.
struct CameraMirror {
    std::string userName;
    int32_t openState = -1;
    int32_t resolution = -1;
    int32_t quality = -1;
    int32_t userCheck = -1;
    int32_t motionSwitch = -1;
    int32_t frequency = -1;
    int32_t serverAudio = 0;
    // Unknown until the first picture reports them.
    std::array<std::optional<int32_t>, 5> tuning{};
    std::string camName;
    std::string camVersion;
    int32_t camVersionFlag = 0;
    std::string capability;
    bool qualityTwoLevels = false;
    std::string exStatusText;
};

} // namespace strovix
