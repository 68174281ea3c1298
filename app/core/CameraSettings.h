#pragma once

#include <cstdint>
#include <string>

// The persistent record of one camera slot, one [CameraN] section of
// config.ini. The values here are those of a camera freshly created and not
// yet loaded; the defaults for absent keys are applied by CameraDAO.
struct CameraSettings {
    std::string ip;
    int32_t port = 0;
    std::string displayLocation;
    std::string recPath;
    int16_t recFrameRate = 10;
    int32_t recNumFrame = 600;
    std::string snapshotPath;
    bool recAtStart = false;
    bool recOnMotion = false;
    int32_t motionHold = 30;
};

// Key defaults of a camera section.
inline constexpr int32_t kDefaultCameraPort = 80;
inline constexpr int16_t kDefaultRecFrameRate = 30;
inline constexpr int32_t kDefaultRecNumFrame = 2000;
// Seconds a motion recording goes on after the last motion the camera
// reported, and the range the setting is held in.
inline constexpr int32_t kDefaultMotionHold = 30;
inline constexpr int32_t kMinMotionHold = 1;
inline constexpr int32_t kMaxMotionHold = 3600;

// A slot is configured, and may ever be connected, when it has an address and
// a port in 1..65535.
inline bool isConfigured(const std::string& ip, int32_t port)
{
    return !ip.empty() && port >= 1 && port <= 65535;
}
