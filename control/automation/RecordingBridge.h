#pragma once

#include "control/recording/RecordingHost.h"

#include <string>

namespace strovix {

struct ControlParts;

// What the recorder shows, put where this control shows it: the pane-6
// text, the view's indicator slots, the F11 entry of the context menu and
// the warning box. Window thread only.
//
// The status bar has text panes only and the context menu no "Save JPEG" or
// "Save Avi" entries: the pane icon and those two entry texts are kept here
// (the latest of each) for a view that shows them.
class RecordingBridge : public recording::RecordingHost {
public:
    explicit RecordingBridge(ControlParts& parts) : m_parts(parts) { }

    void showRecordingText(const std::string& text) override;
    void showRecordingIcon(int iconId) override { m_paneIcon = iconId; }
    void setIndicator(int slot, int iconId) override;
    void setRecordMenuText(const std::string& text) override { m_recordMenuText = text; }
    void setSaveJpegMenuText(const std::string& text) override { m_saveJpegMenuText = text; }
    void setSaveAviMenuText(const std::string& text) override { m_saveAviMenuText = text; }
    void postRecordingError() override;

    const std::string& recordMenuText() const { return m_recordMenuText; }
    const std::string& saveJpegMenuText() const { return m_saveJpegMenuText; }
    const std::string& saveAviMenuText() const { return m_saveAviMenuText; }
    int paneIcon() const { return m_paneIcon; }

private:
    ControlParts& m_parts;
    std::string m_recordMenuText = "Image Recording(F11)...";
    std::string m_saveJpegMenuText = "Save JPEG";
    std::string m_saveAviMenuText = "Save Avi";
    int m_paneIcon = 0;
};

} // namespace strovix
