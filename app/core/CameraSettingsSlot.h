#pragma once

#include "app/core/CameraSettings.h"
#include "app/core/CameraSlot.h"

class AppCfgGO;

// A camera slot that holds only its stored record: no viewer, never
// connecting. The configuration store saves slots through it before any Camera
// object exists; it follows the Camera object's rules for the stored fields
// (an empty recording path is ignored). GUI thread only.
class CameraSettingsSlot : public CameraSlot {
public:
    // `cfg` gives the configuration file the schedule loads from; it must
    // outlive this object.
    CameraSettingsSlot(int16_t uid, const AppCfgGO& cfg);
    ~CameraSettingsSlot() override;

    const CameraSettings& settings() const { return m_settings; }

    int16_t getUID() const override { return m_uid; }
    std::string getIP() const override { return m_settings.ip; }
    std::string setIP(const std::string& ip) override;
    int32_t getPort() const override { return m_settings.port; }
    int32_t setPort(int32_t port) override;
    std::string getDisplayLocation() const override { return m_settings.displayLocation; }
    std::string setDisplayLocation(const std::string& text) override;
    std::string getRecPath() const override { return m_settings.recPath; }
    std::string setRecPath(const std::string& path) override;
    int16_t getRecFrameRate() const override { return m_settings.recFrameRate; }
    int16_t setRecFrameRate(int16_t rate) override;
    int32_t getRecNumFrame() const override { return m_settings.recNumFrame; }
    int32_t setRecNumFrame(int32_t frames) override;
    std::string getSnapshotPath() const override { return m_settings.snapshotPath; }
    std::string setSnapshotPath(const std::string& path) override;
    bool isRecAtStart() const override { return m_settings.recAtStart; }
    bool setRecAtStart(bool flag) override;
    bool isRecOnMotion() const override { return m_settings.recOnMotion; }
    bool setRecOnMotion(bool flag) override;
    int32_t getMotionHold() const override { return m_settings.motionHold; }
    int32_t setMotionHold(int32_t seconds) override;

    std::shared_ptr<Schedule> getSchedule() override;
    std::shared_ptr<Schedule> setSchedule(std::shared_ptr<Schedule> schedule) override;

private:
    int16_t m_uid;
    const AppCfgGO& m_cfg;
    CameraSettings m_settings;
    std::shared_ptr<Schedule> m_schedule;
};
