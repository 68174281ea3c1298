#pragma once

class Camera;
class CameraGO;

// The camera the main window's commands act on. GUI thread only.
class FocusedCamera {
public:
    explicit FocusedCamera(CameraGO& cameras);

    // The focused camera; the first call without one focuses slot 0
    // (creating and loading it).
    Camera* getFocusedCamera();
    // Replaces the focused camera; null is ignored. Returns the focused one.
    Camera* setFocusedCamera(Camera* camera);

private:
    CameraGO& m_cameras;
    Camera* m_focused = nullptr;
};
