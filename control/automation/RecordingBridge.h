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
    // The status bar has no icon pane, and the context menu only the one
    // recording command: these reports have nowhere to show.
    void showRecordingIcon(int) override { }
    void setIndicator(int slot, int iconId) override
    {
        if (indicator)
            indicator(slot, iconId);
    }
    void setRecordMenuText(const std::string& t) override { m_recordMenuText = t; }
    void setSaveJpegMenuText(const std::string&) override { }
    void setSaveAviMenuText(const std::string&) override { }
    void postRecordingError() override
    {
        if (error)
            error();
    }

    // Kept for the context menu.
    const std::string& recordMenuText() const { return m_recordMenuText; }

private:
    std::string m_recordMenuText = "Image Recording(F11)...";
};

} // namespace strovix
