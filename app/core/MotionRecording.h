#pragma once

#include "app/core/HoldTimer.h"

#include <memory>

class Camera;
class CameraGO;

// Recording on the motion a camera reports, for one camera slot. While the
// camera records on motion and is connected, the camera's motion detection
// switch is turned on once per connection, as soon as the viewer has logged
// in (its first Status event); only an administrator login may do that, and
// any other gets a line in the alert list instead, and its motion events are
// ignored. Each motion event then starts a recording when none runs and
// (re)starts the hold: when the hold runs out, the recording stops. The
// recording is the motion's only while it started it: a recording started by
// hand, at start or by a schedule is never stopped by the hold, and when one
// of those starts while a motion recording runs, the motion's file is closed
// under its own name and the recording goes on as theirs. Recordings the
// motion owns carry the motion bit in their prefix (Camera::getRecPrefix).
//
// The main window's record buttons (CameraWindow::updateRecBtn) are
// refreshed when a motion recording starts and when its hold ends it, so
// they show it at once: nobody presses a button for it, and the periodic
// watch refreshes only the focused camera's.
//
// Owned by its Camera, which tells it about connections, other starts and
// stops; timers, alert lines and the window come from CameraGO. GUI thread only.
class MotionRecording {
public:
    MotionRecording(Camera& camera, CameraGO& owner);
    ~MotionRecording();
    MotionRecording(const MotionRecording&) = delete;
    MotionRecording& operator=(const MotionRecording&) = delete;

    // True while the running recording is the motion's.
    bool ownsRecording() const { return m_owns; }
    // True once the motion switch was turned on in this connection.
    bool isArmed() const { return m_armed; }
    bool isHolding() const { return m_timer && m_timer->isActive(); }

    // The camera opened a new connection: nothing is known about its login yet.
    void connected();
    // The viewer reported the camera's state, so its login is done.
    void viewerReported();
    // The record-on-motion setting changed.
    void settingChanged();
    // The camera reported motion.
    void motionDetected();
    // Another trigger is starting a recording: a motion recording becomes theirs.
    void handOver();
    // The recording was stopped by someone else, or the connection ended.
    void recordingStopped();
    void disconnected();
    // The camera lets go of its viewer: everything is forgotten, and the
    // viewer is not touched any more.
    void released();

private:
    void arm();
    void holdEnded();
    void alert(const std::string& reason);
    void showRecording();
    HoldTimer& timer();

    Camera& m_camera;
    CameraGO& m_owner;
    std::unique_ptr<HoldTimer> m_timer;
    bool m_loggedIn = false; // the viewer reported since the connection opened
    bool m_tried = false;    // the switch was written (or refused) in this connection
    bool m_armed = false;
    bool m_owns = false;
};
