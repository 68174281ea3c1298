#include "app/core/CameraDAO.h"

#include "app/core/AppCfgGO.h"
#include "app/core/CameraSettings.h"
#include "app/core/CameraSlot.h"
#include "app/core/NumberText.h"
#include "app/core/SectionWriter.h"
#include "app/schedule/Schedule.h"
#include "platform/ini/IniFile.h"

namespace CameraDAO {

namespace {

std::string sectionOf(const CameraSlot& camera)
{
    return "Camera" + numtext::decimal(camera.getUID() + 1);
}

} // namespace

bool loadCameraSection(CameraSlot& camera, const AppCfgGO& cfg)
{
    using platform::ini::readInt;
    using platform::ini::readString;
    const std::string& file = cfg.getConfigFile();
    const std::string section = sectionOf(camera);
    const int16_t uid = camera.getUID();

    camera.setIP(readString(file, section, "IP", ""));
    camera.setPort(readInt(file, section, "PORT", kDefaultCameraPort));
    camera.setDisplayLocation(readString(file, section, "DISPLAY_LOCATION", ""));
    camera.setRecPath(readString(file, section, "REC_PATH", cfg.getDefaultRecPath(uid)));
    camera.setRecFrameRate(numtext::clamp16(readInt(file, section, "REC_FRAME_RATE", kDefaultRecFrameRate)));
    camera.setRecNumFrame(readInt(file, section, "REC_NUMBER_OF_FRAME", kDefaultRecNumFrame));
    camera.setRecAtStart(readInt(file, section, "REC_AT_START", 0) == 1);
    camera.setSnapshotPath(readString(file, section, "SNAPSHOT_PATH", cfg.getDefaultSnapshotPath(uid)));
    camera.setRecOnMotion(readInt(file, section, "REC_ON_MOTION", 0) == 1);
    camera.setMotionHold(readInt(file, section, "MOTION_HOLD", kDefaultMotionHold));
    return true;
}

bool saveCameraSection(CameraSlot& camera, const AppCfgGO& cfg)
{
    using numtext::decimal;
    bool ok = SectionWriter(cfg.getConfigFile(), sectionOf(camera))
                  .set("IP", camera.getIP())
                  .set("PORT", decimal(camera.getPort()))
                  .set("DISPLAY_LOCATION", camera.getDisplayLocation())
                  .set("REC_PATH", camera.getRecPath())
                  .set("REC_FRAME_RATE", decimal(camera.getRecFrameRate()))
                  .set("REC_NUMBER_OF_FRAME", decimal(camera.getRecNumFrame()))
                  .set("SNAPSHOT_PATH", camera.getSnapshotPath())
                  .set("REC_AT_START", camera.isRecAtStart() ? "1" : "0")
                  .setWhenWantedOrPresent("REC_ON_MOTION", camera.isRecOnMotion() ? "1" : "0", camera.isRecOnMotion())
                  .setWhenWantedOrPresent("MOTION_HOLD", decimal(camera.getMotionHold()),
                                          camera.getMotionHold() != kDefaultMotionHold)
                  .commit();
    if (auto schedule = camera.getSchedule())
        ok &= schedule->save(cfg.getConfigFile());
    return ok;
}

} // namespace CameraDAO
