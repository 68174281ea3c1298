#pragma once

#include <cstdint>

// What the e-map window asks of the main window: the commands of an icon's
// pop-up act on that camera through it, and the icons show its recording
// state. `uid` is a camera slot 0..15. GUI thread only.
class EMapHost {
public:
    virtual ~EMapHost() = default;

    // Whether camera `uid` records now.
    virtual bool isRecording(int16_t uid) = 0;
    // The main window's record command for the camera: stops it when it
    // records, starts it otherwise, and refreshes its record buttons.
    virtual void toggleRecording(int16_t uid) = 0;
    // The main window switches to the single-camera layout showing `uid`.
    virtual void showSingleVideo(int16_t uid) = 0;
    // The recording list window opens with `uid` chosen in its camera chooser.
    virtual void showRecordList(int16_t uid) = 0;
    // The application configuration window opens on its Camera tab with
    // `uid` chosen.
    virtual void showCameraConfiguration(int16_t uid) = 0;
};
