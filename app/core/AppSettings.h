#pragma once

#include <cstdint>
#include <string>

// The application-wide settings, the [App] section of config.ini. The values
// here are those used when a key is absent.
struct AppSettings {
    int16_t viewerLayout = 16;           // VIEWER_LAYOUT: 1, 4, 9 or 16 views
    std::string panelLayout = "default"; // PANEL_LAYOUT
    std::string appCfgFormLayout = "default"; // APP_CFG_FORM_LAYOUT
    int16_t alertPercent = 5;            // SET_PERCENT: short below this free share, whole percent
    std::string alertSpace = "60";       // SET_ALERT_SPACE: short below the megabytes at its start
    int16_t circularMode = 0;            // SET_CIRCULAR_MODE: exactly 1 recycles old recordings
    int16_t alertLineNum = 30;           // SET_LINE_NUM: lines kept in the disk alert list
};
