#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace strovix {

// The fields behind the automation members that no other layer keeps, with
// their initial values (the connection keeps URL, the intervals and the
// sound settings; the display keeps the view and overlay settings; the
// recorder keeps the recording settings). The window thread owns them.
struct VidorraSettings {
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
    int32_t camVersionFlag = 0;
    bool qualityTwoLevels = false;
};

} // namespace strovix
