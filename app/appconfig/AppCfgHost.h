#pragma once

#include <cstdint>
#include <string>

// What the application configuration window asks of the main window. The
// main window implements it; a window without one simply skips these steps.
// GUI thread only.
class AppCfgHost {
public:
    virtual ~AppCfgHost() = default;

    // Shows the wait window with `text` and lets it paint.
    virtual void showWaitWindow(const std::string& text) = 0;
    virtual void hideWaitWindow() = 0;
    // The viewer layout setting was stored as `views` (1, 4, 9 or 16): the
    // main window arranges its viewers that way.
    virtual void applyViewerLayout(int16_t views) = 0;
};
