#pragma once

#include <string>

namespace strovix::recording {

// Icon resources of the two recording indicators.
inline constexpr int kIconAviRecording = 450;
inline constexpr int kIconStopped = 451;
inline constexpr int kIconJpegRecording = 452;
// Indicator slots on the view.
inline constexpr int kSlotJpeg = 0;
inline constexpr int kSlotAvi = 1;

// Everything the recorder shows goes through this interface, implemented by
// the control that owns the recorder. All calls come on the control's window
// thread.
class RecordingHost {
public:
    virtual ~RecordingHost() = default;

    // Status-bar pane 6 ("Misc") shows this text.
    virtual void showRecordingText(const std::string& text) = 0;
    // Status-bar pane 6 shows this icon resource.
    virtual void showRecordingIcon(int iconId) = 0;
    // Indicator slot (kSlotJpeg, kSlotAvi) shows this icon resource.
    virtual void setIndicator(int slot, int iconId) = 0;
    // Text of the F11 menu entry ("Image Recording(F11)..." / "Stop Image Recording(F11)").
    virtual void setRecordMenuText(const std::string& text) = 0;
    // Texts of the context-menu entries "Save JPEG" and "Save Avi".
    virtual void setSaveJpegMenuText(const std::string& text) = 0;
    virtual void setSaveAviMenuText(const std::string& text) = 0;
    // The recorder has stored a warning (Recorder::warning()); the owner posts
    // WM_VID_RECERROR to its window thread, whose handler shows the caption and
    // text in a warning box owned by the control. Must not show it at once:
    // the recorder is in the middle of a frame.
    virtual void postRecordingError() = 0;
};

} // namespace strovix::recording
