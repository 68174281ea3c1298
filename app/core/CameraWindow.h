#pragma once

#include <cstdint>
#include <string>

// What the camera slots ask of the main window. The main window implements
// it; without one (before the window exists, or in a program without
// windows) CameraGO does the plain thing itself. GUI thread only.
class CameraWindow {
public:
    virtual ~CameraWindow() = default;

    // The main window's record command for slot `uid`: it checks the disk
    // first and then switches the camera's recording.
    virtual void startRec(int16_t uid) = 0;
    // The record buttons show whether camera `uid` records: its own record
    // button, and StartRecBtn when `uid` is the focused camera (idle for any
    // other uid).
    virtual void updateRecBtn(int16_t uid) = 0;
    // The audio toggle button follows the focused viewer's sound state.
    virtual void showAudioToggle() = 0;
    // Shows `picture` (a file name below the image folder) on the record
    // button of slot `index` (0..15).
    virtual void setRecBtnPicture(int16_t index, const std::string& picture) = 0;
    // Lets the user interface process its pending events.
    virtual void processPendingEvents() = 0;
};

// The record button picture of a camera that is not recording.
inline constexpr char kIdleRecBtnPicture[] = "index_88.gif";
