#pragma once

#include "control/recording/RecordingHost.h"

#include <functional>
#include <string>

namespace strovix {

// What the recorder shows, routed to the control's view, panes and menus.
// Window thread only.
class RecordingBridge : public recording::RecordingHost {
public:
    std::function<void(const std::string&)> text;      // pane 6
    std::function<void(int slot, int icon)> indicator; // view indicator slots
    std::function<void()> error;                      // post the warning box

    void showRecordingText(const std::string& t) override
    {
        if (text)
            text(t);
    }
    void showRecordingIcon(int iconId) override { m_paneIcon = iconId; }
    void setIndicator(int slot, int iconId) override
    {
        if (indicator)
            indicator(slot, iconId);
    }
    void setRecordMenuText(const std::string& t) override { m_recordMenuText = t; }
    void setSaveJpegMenuText(const std::string& t) override { m_saveJpegMenuText = t; }
    void setSaveAviMenuText(const std::string& t) override { m_saveAviMenuText = t; }
    void postRecordingError() override
    {
        if (error)
            error();
    }

    // Kept for the context menu and the status bar.
    int paneIcon() const { return m_paneIcon; }
    const std::string& recordMenuText() const { return m_recordMenuText; }
    const std::string& saveJpegMenuText() const { return m_saveJpegMenuText; }
    const std::string& saveAviMenuText() const { return m_saveAviMenuText; }

private:
    int m_paneIcon = 0;
    std::string m_recordMenuText = "Image Recording(F11)...";
    std::string m_saveJpegMenuText;
    std::string m_saveAviMenuText;
};

} // namespace strovix
