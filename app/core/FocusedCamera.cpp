#include "app/core/FocusedCamera.h"

#include "app/core/CameraGO.h"

FocusedCamera::FocusedCamera(CameraGO& cameras)
    : m_cameras(cameras)
{
}

Camera* FocusedCamera::getFocusedCamera()
{
    if (!m_focused)
        m_focused = m_cameras.getCamera(0);
    return m_focused;
}

Camera* FocusedCamera::setFocusedCamera(Camera* camera)
{
    if (camera)
        m_focused = camera;
    return m_focused;
}
