#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace strovix {

// The fields of the camera's fixed-column status block, as last parsed.
// A block is at least 86 bytes; the columns from 57 on are taken only from a
// block longer than 72 bytes (the motion counter from one of at least 70),
// the extended text from one longer than 100. A digit is its character minus
// '0', with no check that it is a digit (a damaged block gives odd values).
struct CameraStatus {
    int openState = -1;     // columns 0-1: 1 open, anything else closed
    int brightness = 0;     // 15-17
    int contrast = 0;       // 18-20
    int resolution = 0;     // 21
    int quality = 0;        // 22
    int loginCode = -1;     // 23: 0 administrator, other user
    std::string motionSetting = "1000000"; // 24-29, leading "0"s removed
    int userCheck = -1;     // 31
    int saturation = 0;     // 57-59
    std::string motionCounter = "1000000"; // 60-65, leading "0"s removed
    int hue = 0;            // 66-68
    int sharpness = 0;      // 69-71
    int motionSwitch = -1;  // 72
    int frequency = -1;     // 73
    int serverAudio = -1;   // 81
    int clockCounter = 0;   // 82-83
    int nameCounter = -1;   // 84-85
    std::string extendedText; // 100 onward

    // Takes the columns the block is long enough for; the others keep their
    // values.
    void update(std::string_view block);

    // The two values of WM_VID_IMAGEINFO: resolution, quality and Brightness in
    // wParam; Contrast, Saturation, Hue and Sharpness in lParam; each value
    // as its low 8 bits.
    uintptr_t imageInfoWParam() const;
    intptr_t imageInfoLParam() const;
};

} // namespace strovix
