#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class AppCfgGO;
class Camera;
class CameraWindow;
class HoldTimer;
class ViewerGO;

// Owns the 16 camera slots and creates each on its first request, bound to
// the viewer of the same index. Also stops all recordings and connects all
// cameras. The configuration and the viewers must outlive it. GUI thread only.
class CameraGO {
public:
    static constexpr int16_t kCount = 16;

    CameraGO(AppCfgGO& config, ViewerGO& viewers);
    ~CameraGO();
    CameraGO(const CameraGO&) = delete;
    CameraGO& operator=(const CameraGO&) = delete;

    // The main window, or null while there is none.
    void setWindow(CameraWindow* window);
    CameraWindow* window() const { return m_window; }
    // The step that lets pending user-interface events run. Without one the
    // main window's is used, and without a window the application's event
    // loop processes its pending events.
    void setPendingEvents(std::function<void()> pendingEvents);
    void processPendingEvents();

    // Receives the alert lines of the cameras (the main window's alert list).
    using AlertSink = std::function<void(const std::string& line)>;
    void setAlertSink(AlertSink sink);
    void alert(const std::string& line) const;
    // Makes the timers that hold motion recordings; by default timers on the
    // event loop.
    using HoldTimerFactory = std::function<std::unique_ptr<HoldTimer>()>;
    void setHoldTimerFactory(HoldTimerFactory factory);
    std::unique_ptr<HoldTimer> makeHoldTimer() const;

    AppCfgGO& config() const { return m_config; }
    ViewerGO& viewers() const { return m_viewers; }

    // The camera of slot `uid`, created, loaded and bound to its viewer on
    // the first request (binding again after loading, so that the loaded
    // settings reach the viewer and a camera recording at start connects).
    // Null for a uid outside 0..15.
    Camera* getCamera(int16_t uid);
    // The camera of slot `uid` if it was created already; never creates.
    Camera* existingCamera(int16_t uid) const;

    // <application folder>/video_rec/cam<UID+1> and .../snapshot/cam<UID+1>.
    std::string getDefaultRecPath(const Camera& camera) const;
    std::string getDefaultSnapshotPath(const Camera& camera) const;

    // Every viewer in index order: recording off, and its record button shows
    // the idle picture (whether it was recording or not). A motion recording
    // ends with it.
    void stopAllRec();
    // Slots 0 to 15 in order: created if needed, then connected (unconfigured
    // slots are skipped by the camera itself).
    void connectAll();

    // Every camera lets go of its viewer, so that the controls are freed
    // when their host releases them (shut-down).
    void releaseViewers();

    // A viewer raised its Status event: its camera counts as connecting.
    void onViewerStatus(int16_t index);
    // A viewer raised its MotionDetect event (a camera not created yet
    // cannot record on motion and ignores it).
    void onViewerMotion(int16_t index);

private:
    std::unique_ptr<Camera> createCamera(int16_t uid);

    AppCfgGO& m_config;
    ViewerGO& m_viewers;
    CameraWindow* m_window = nullptr;
    std::function<void()> m_pendingEvents;
    AlertSink m_alertSink;
    HoldTimerFactory m_holdTimers;
    std::array<std::unique_ptr<Camera>, kCount> m_cameras;
};
