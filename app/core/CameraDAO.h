#pragma once

class AppCfgGO;
class CameraSlot;

// Reads and writes one [CameraN] section of config.ini (N = UID + 1) through
// the slot's setters and getters. GUI thread only.
namespace CameraDAO {

// Hands every key of the section, or its default when absent, to the slot's
// setter in the fixed order IP, PORT, DISPLAY_LOCATION, REC_PATH,
// REC_FRAME_RATE, REC_NUMBER_OF_FRAME, REC_AT_START, SNAPSHOT_PATH,
// REC_ON_MOTION, MOTION_HOLD. Strings are cut to 254 characters; REC_AT_START
// and REC_ON_MOTION are true only for exactly 1; MOTION_HOLD (default 30) is
// held in 1..3600 by the slot. The schedule is not read here. Returns true.
bool loadCameraSection(CameraSlot& camera, const AppCfgGO& cfg);

// Writes IP, PORT, DISPLAY_LOCATION, REC_PATH, REC_FRAME_RATE,
// REC_NUMBER_OF_FRAME, SNAPSHOT_PATH and REC_AT_START ("1"/"0") in this order,
// then REC_ON_MOTION ("1"/"0") and MOTION_HOLD only when they differ from
// their defaults (off, 30) or the section has them already, as one atomic
// change of the file; then the slot's schedule. Returns false when a write
// failed (a value holding a line break cannot be stored and is refused).
bool saveCameraSection(CameraSlot& camera, const AppCfgGO& cfg);

} // namespace CameraDAO
