#pragma once

#include "app/core/CameraSlot.h"
#include "app/host/ViewerHandle.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class CameraGO;
class MotionRecording;
struct SchedulePassHooks;

// One of the 16 camera slots, bound to the viewer control that shows and
// records it. Everything the application does to a camera goes through this
// object; the viewer does the network, display and file work, and this
// object only writes the viewer's properties. Every setter pushes its value
// into the viewer and returns the value held afterwards. Recording is the
// viewer's state (its Avi property); the camera keeps no flag of its own.
//
// Created and owned by CameraGO, which it asks for the main window and for
// the step that lets pending events run. GUI thread only.
class Camera : public CameraSlot {
public:
    explicit Camera(CameraGO& owner);
    ~Camera() override;
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // 0 = not connected; 1 = connecting or connected.
    int16_t getConnStatus() const { return m_connStatus; }
    int16_t setConnStatus(int16_t status);

    // The [CameraN] section of config.ini, through the setters. Return true.
    bool load();
    bool save();

    bool isConnecting() const { return m_connStatus == 1; }
    // Connects the configured address. Does nothing when the address is not
    // configured (empty IP, port outside 1..65535), when already connecting,
    // or when no viewer is bound yet (setViewer then connects a camera that
    // records at start).
    void connect();
    // Connects to a new address given by the configuration form: nothing when
    // the port is outside 1..65535 or the address is the current one;
    // otherwise disconnects first when connecting, stores the address and,
    // when it is a configured address, connects.
    void connect(const std::string& ip, int32_t port);
    // Ends the snapshot session, the recording and the connection, letting
    // pending events run between the steps. Only when connecting.
    void disconnect();

    bool isRecording() const;
    // Recording started and stopped by hand, at start or by the schedule. A
    // motion recording that runs when one of them starts becomes theirs; a
    // stop ends any recording.
    void startRec();
    void stopRec();
    // The schedule's start and stop passes over this camera. The stop pass
    // leaves a recording that the motion holds to its hold.
    void startScheduledRec();
    void stopScheduledRec();
    // The viewer raised its Status event: the camera counts as connecting,
    // and its login is done (a camera recording on motion switches the
    // camera's motion detection on now).
    void onViewerStatus();
    // The viewer raised its MotionDetect event.
    void onViewerMotion();
    // The recording was switched off at the viewer by someone else (stop all).
    void onRecordingStopped();
    const MotionRecording& motion() const { return *m_motion; }
    // Starts a one-picture snapshot; false (and nothing done) when not connecting.
    bool snapshot();

    int16_t getUID() const override { return m_uid; }
    int16_t setUID(int16_t uid);
    std::string getIP() const override { return m_ip; }
    std::string setIP(const std::string& ip) override;
    int32_t getPort() const override { return m_port; }
    int32_t setPort(int32_t port) override;
    std::string getDisplayLocation() const override { return m_displayLocation; }
    std::string setDisplayLocation(const std::string& text) override;
    std::string getRecPath() const override { return m_recPath; }
    std::string setRecPath(const std::string& path) override;
    int16_t getRecFrameRate() const override { return m_recFrameRate; }
    int16_t setRecFrameRate(int16_t rate) override;
    int32_t getRecNumFrame() const override { return m_recNumFrame; }
    int32_t setRecNumFrame(int32_t frames) override;
    std::string getSnapshotPath() const override { return m_snapshotPath; }
    std::string setSnapshotPath(const std::string& path) override;
    bool isRecAtStart() const override { return m_recAtStart; }
    bool setRecAtStart(bool flag) override;
    bool isRecOnMotion() const override { return m_recOnMotion; }
    bool setRecOnMotion(bool flag) override;
    int32_t getMotionHold() const override { return m_motionHold; }
    int32_t setMotionHold(int32_t seconds) override;

    std::shared_ptr<Schedule> getSchedule() override;
    std::shared_ptr<Schedule> setSchedule(std::shared_ptr<Schedule> schedule) override;

    // "3. Gate" for slot 2 and the text "Gate".
    std::string getFormattedCaption(const std::string& text) const;
    // "http://" & IP & ":" & port.
    std::string getURL() const;
    // "r-" & location & "_!" & alerts & "_" and "s-" & location & "_!0". The
    // alert bits of a recording are 1 (motion) while the motion holds it, else 0.
    std::string getRecPrefix() const;
    std::string getSnapshotPrefix() const;
    // Pushes the recording prefix into the viewer (the file being built gets
    // the prefix that holds when it is closed).
    void applyRecPrefix();

    ViewerHandle getViewer() const { return m_viewer; }
    // Binds the viewer and pushes every setting into it (reconnection budget,
    // menus, overlay, status bar, snapshot and recording settings); then a
    // camera that records at start and is not connecting connects.
    const ViewerHandle& setViewer(ViewerHandle viewer);
    // Drops the reference to the viewer without touching it (the main window
    // is taking its controls down); the camera counts as disconnected.
    void releaseViewer();

private:
    void open();
    void pendingEvents();
    SchedulePassHooks passHooks();

    CameraGO& m_owner;
    int16_t m_uid = 0;
    std::string m_ip;
    int32_t m_port = 0;
    std::string m_displayLocation;
    std::string m_recPath;
    int16_t m_recFrameRate = 10;
    int32_t m_recNumFrame = 600;
    std::string m_snapshotPath;
    bool m_recAtStart = false;
    bool m_recOnMotion = false;
    int32_t m_motionHold = 30;
    int16_t m_connStatus = 0;
    std::shared_ptr<Schedule> m_schedule;
    ViewerHandle m_viewer;
    std::unique_ptr<MotionRecording> m_motion;
};
