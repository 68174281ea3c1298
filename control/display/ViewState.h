#pragma once

#include "control/display/ViewZoom.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace strovix {

// The display settings of one control. They belong to the control object and
// outlive its window: a window created again finds the cell count, the frame
// style and the overlay options as they were. Window thread only.
struct ViewState {
    int cellCount = 1;     // 1, 4, 9 or 16 (Layout n gives n x n)
    int64_t picturesShown = 0; // pictures handled since the split last changed (never wraps)
    int rotate = 0;        // Rotate: 0 normal, 1 turned 180, 2 mirrored left-right, 3 top-bottom; any value is kept
    int showText = 0;      // -1..4
    int dateFormat = 0;    // 0..9
    int timeFormat = 0;    // 0..3
    uint32_t fontColor = 0x0000FF00; // COLORREF 0x00BBGGRR: green
    uint32_t backColor = 0x00000000; // BackColor, COLORREF: the strip the cells leave uncovered
    std::string cameraName;
    int64_t clockOffsetSec = 0; // added to the local clock for the overlay time

    bool actualSize = false;
    bool resizable = false;
    bool statusBarShown = false;
    int statusBarHeight = 0; // pixels, counted only while the status bar is shown
    int resolutionIndex = -1;
    int cameraVersionFlag = 0;

    // The digital zoom of a one-cell view, and whether the wheel and a drag
    // with the left button act on it (zoom mode). A split of more than one
    // cell shows whole pictures: it drops both.
    ViewZoom zoom;
    bool zoomMode = false;
    void dropZoom()
    {
        zoom.reset();
        zoomMode = false;
    }

    // The words every cell shows over its dimmed picture while the camera
    // sends none ("Retry 3"); empty while pictures come.
    std::string notice;

    // Indicator icons (resource numbers, 0 = hidden) of slots 0 and 1 of the
    // grid's last cell; applied again to the new last cell after a split change.
    std::array<int, 2> indicators{0, 0};

    // Milliseconds from the arrival of a picture's last byte to its first
    // paint, gathered until the statistics take them (the oldest are
    // dropped past kMaxLatencySamples, when nobody asks).
    static constexpr size_t kMaxLatencySamples = 4096;
    std::vector<float> latencyMs;
    void addLatency(float ms)
    {
        if (latencyMs.size() >= kMaxLatencySamples)
            latencyMs.erase(latencyMs.begin(), latencyMs.begin() + kMaxLatencySamples / 2);
        latencyMs.push_back(ms);
    }

    int statusBarSpace() const { return statusBarShown ? statusBarHeight : 0; }
};

// Orientation of a cell for a Rotate value: 1, 2, 3 as they are, anything else 0.
inline int orientationForRotate(int rotate) { return (rotate >= 1 && rotate <= 3) ? rotate : 0; }

// The camera picture width for a resolution index (0 for an unknown index);
// index 6 is 1280 wide on cameras whose version flag is 0.
inline int widthForResolution(int index, int cameraVersionFlag)
{
    switch (index) {
    case 0: return 176;
    case 1: return 352;
    case 2: return 320;
    case 3: return 640;
    case 4: return 128;
    case 5: return 160;
    case 6: return cameraVersionFlag == 0 ? 1280 : 704;
    case 7: return 1280;
    default: return 0;
    }
}

} // namespace strovix
