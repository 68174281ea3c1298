#include "app/core/MotionRecording.h"
#include "app/core/DateFO.h"

#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraWindow.h"
#include "platform/component/Dispatch.h"

#include <QDateTime>
#include <QLocale>

namespace {
constexpr int32_t kSwitchOn = 1;
// Recording switches as the viewer reads them: any non-zero value is on.
constexpr int32_t kOn = -1;
constexpr int32_t kOff = 0;
} // namespace

MotionRecording::MotionRecording(Camera& camera, CameraGO& owner)
    : m_camera(camera), m_owner(owner)
{
}

MotionRecording::~MotionRecording() = default;

HoldTimer& MotionRecording::timer()
{
    if (!m_timer)
        m_timer = m_owner.makeHoldTimer();
    return *m_timer;
}

void MotionRecording::connected()
{
    m_loggedIn = false;
    m_tried = false;
    m_armed = false;
}

void MotionRecording::viewerReported()
{
    m_loggedIn = true;
    if (m_camera.isRecOnMotion() && !m_tried)
        arm();
}

void MotionRecording::settingChanged()
{
    if (!m_camera.isRecOnMotion()) {
        // A running motion recording still ends with its hold; the camera's
        // switch stays as it is, it may serve the camera's own alarms.
        m_armed = false;
        m_tried = false;
        return;
    }
    if (m_loggedIn && m_camera.isConnecting() && !m_tried)
        arm();
}

void MotionRecording::arm()
{
    m_tried = true;
    const platform::component::HResult result = m_camera.getViewer().setMotionDetect(kSwitchOn);
    if (result == platform::component::S_OK) {
        m_armed = true;
        return;
    }
    if (result == platform::component::S_FALSE)
        alert("the camera login is not an administrator");
    else
        alert("the viewer cannot switch the camera's motion detection");
}

void MotionRecording::alert(const std::string& reason)
{
    const QString when = DateFO::dateTimeText(QDateTime::currentDateTime());
    m_owner.alert(when.toStdString() + " Recording on motion cannot start for " +
                  m_camera.getFormattedCaption(m_camera.getDisplayLocation()) + ": " + reason);
}

void MotionRecording::motionDetected()
{
    if (!m_armed || !m_camera.isConnecting())
        return;
    ViewerHandle viewer = m_camera.getViewer();
    const bool recording = viewer.avi() != 0;
    // Someone else's recording is theirs to stop: the motion neither holds nor ends it.
    if (recording && !m_owns)
        return;
    if (!recording) {
        // Also when a motion recording ended behind our back (a failed disk
        // write): a new one starts under the motion prefix.
        m_owns = true;
        m_camera.applyRecPrefix();
        viewer.setAvi(kOn);
        showRecording();
    }
    timer().start(std::chrono::seconds(m_camera.getMotionHold()), [this] { holdEnded(); });
}

void MotionRecording::holdEnded()
{
    if (!m_owns)
        return;
    m_owns = false;
    // Stopped first, so that the last file is named with the motion bit.
    m_camera.getViewer().setAvi(kOff);
    m_camera.applyRecPrefix();
    showRecording();
}

void MotionRecording::showRecording()
{
    if (CameraWindow* window = m_owner.window())
        window->updateRecBtn(m_camera.getUID());
}

void MotionRecording::handOver()
{
    if (!m_owns)
        return;
    timer().stop();
    m_owns = false;
    // The file so far holds the motion: it is closed under the motion name,
    // and the recording goes on in files of the new owner.
    ViewerHandle viewer = m_camera.getViewer();
    if (viewer.avi() != 0)
        viewer.setAvi(kOff);
    m_camera.applyRecPrefix();
}

void MotionRecording::recordingStopped()
{
    if (!m_owns)
        return;
    timer().stop();
    m_owns = false;
    m_camera.applyRecPrefix();
}

void MotionRecording::disconnected()
{
    recordingStopped();
    connected();
}

void MotionRecording::released()
{
    if (m_timer)
        m_timer->stop();
    m_owns = false;
    connected();
}
