#pragma once

#include <cstdint>
#include <memory>
#include <string>

class Schedule;

// What the configuration store and the schedule need of one of the 16 camera
// slots. The application's Camera object implements it (its setters also push
// the value into the viewer); CameraSettingsSlot implements it over a plain
// record. Every setter returns the value the slot holds afterwards, which is
// not always the value given (an empty recording path is ignored, a connected
// camera keeps its address). A slot that goes away while its schedule may live
// on calls the schedule's unbindCamera. GUI thread only.
class CameraSlot {
public:
    virtual ~CameraSlot() = default;

    // Slot index 0..15; the section is "Camera" & (UID + 1).
    virtual int16_t getUID() const = 0;

    virtual std::string getIP() const = 0;
    virtual std::string setIP(const std::string& ip) = 0;
    virtual int32_t getPort() const = 0;
    virtual int32_t setPort(int32_t port) = 0;
    virtual std::string getDisplayLocation() const = 0;
    virtual std::string setDisplayLocation(const std::string& text) = 0;
    virtual std::string getRecPath() const = 0;
    virtual std::string setRecPath(const std::string& path) = 0;
    virtual int16_t getRecFrameRate() const = 0;
    virtual int16_t setRecFrameRate(int16_t rate) = 0;
    virtual int32_t getRecNumFrame() const = 0;
    virtual int32_t setRecNumFrame(int32_t frames) = 0;
    virtual std::string getSnapshotPath() const = 0;
    virtual std::string setSnapshotPath(const std::string& path) = 0;
    virtual bool isRecAtStart() const = 0;
    virtual bool setRecAtStart(bool flag) = 0;
    // Recording on the motion the camera reports, and how many seconds such a
    // recording goes on after the last motion (held in 1..3600).
    virtual bool isRecOnMotion() const = 0;
    virtual bool setRecOnMotion(bool flag) = 0;
    virtual int32_t getMotionHold() const = 0;
    virtual int32_t setMotionHold(int32_t seconds) = 0;

    // The slot's schedule, created, bound to this slot and loaded on first use.
    virtual std::shared_ptr<Schedule> getSchedule() = 0;
    // Replaces the schedule and binds it back (Schedule::setCamera); an empty
    // pointer is ignored and returns empty. Returns the schedule held.
    virtual std::shared_ptr<Schedule> setSchedule(std::shared_ptr<Schedule> schedule) = 0;
};
