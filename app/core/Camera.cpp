#include "app/core/Camera.h"

#include "app/core/AppCfgGO.h"
#include "app/core/CameraDAO.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraSettings.h"
#include "app/core/CameraWindow.h"
#include "app/core/MotionRecording.h"
#include "app/core/NumberText.h"
#include "app/core/RecFileName.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/SchedulePasses.h"
#include "app/storage/FileExtGO.h"

#include <algorithm>

namespace {

// Settings every viewer gets when it is bound to a camera.
constexpr int32_t kReconnectTries = 2000000000; // reconnect for as long as the program runs
constexpr uint32_t kOverlayWhite = 0x00FFFFFF;
constexpr int32_t kShowTextNameDateTime = 1;
constexpr int32_t kStatusBarMenus = 3;
constexpr int32_t kOnePicturePerSnapshot = 1;
constexpr int32_t kSnapshotLimitByCount = 1;
constexpr int32_t kAviLimitNone = 0;
// Recording switches as the viewer reads them: any non-zero value is on.
constexpr int32_t kOn = -1;
constexpr int32_t kOff = 0;

std::string urlOf(const std::string& ip, int32_t port)
{
    return "http://" + ip + ":" + numtext::decimal(port);
}

} // namespace

Camera::Camera(CameraGO& owner)
    : m_owner(owner), m_motion(std::make_unique<MotionRecording>(*this, owner))
{
}

Camera::~Camera()
{
    // The schedule may be held elsewhere; it must not point back here.
    if (m_schedule)
        m_schedule->unbindCamera(this);
}

int16_t Camera::setConnStatus(int16_t status)
{
    return m_connStatus = status;
}

bool Camera::load()
{
    CameraDAO::loadCameraSection(*this, m_owner.config());
    return true;
}

bool Camera::save()
{
    CameraDAO::saveCameraSection(*this, m_owner.config());
    return true;
}

void Camera::connect()
{
    if (!isConfigured(m_ip, m_port) || isConnecting() || !m_viewer.isBound())
        return;
    open();
}

void Camera::connect(const std::string& ip, int32_t port)
{
    if (port < 1 || port > 65535)
        return;
    if (urlOf(ip, port) == getURL())
        return;
    if (isConnecting())
        disconnect();
    setIP(ip);
    setPort(port);
    // Only a configured address is ever connected: an address cleared in the
    // configuration form leaves the camera disconnected.
    if (isConfigured(m_ip, m_port) && m_viewer.isBound())
        open();
}

void Camera::open()
{
    m_viewer.setUrl(getURL());
    m_connStatus = 1;
    m_motion->connected();
    m_viewer.setAudio(kOff);
    if (CameraWindow* window = m_owner.window())
        window->showAudioToggle();
    if (m_recAtStart) {
        if (CameraWindow* window = m_owner.window())
            window->startRec(m_uid);
        else if (!isRecording())
            startRec();
    }
}

void Camera::disconnect()
{
    if (!isConnecting())
        return;
    if (m_viewer.download() != 0) {
        m_viewer.setDownload(kOff);
        pendingEvents();
    }
    if (m_viewer.avi() != 0) {
        m_viewer.setAvi(kOff);
        pendingEvents();
    }
    m_motion->disconnected();
    m_viewer.setUrl("");
    m_connStatus = 0;
    pendingEvents();
}

void Camera::pendingEvents()
{
    m_owner.processPendingEvents();
}

bool Camera::isRecording() const
{
    return isConnecting() && m_viewer.avi() != 0;
}

void Camera::startRec()
{
    m_motion->handOver();
    m_viewer.setAvi(kOn);
}

void Camera::stopRec()
{
    m_viewer.setAvi(kOff);
    m_motion->recordingStopped();
}

void Camera::onViewerStatus()
{
    m_connStatus = 1;
    m_motion->viewerReported();
}

void Camera::onViewerMotion()
{
    m_motion->motionDetected();
}

void Camera::onRecordingStopped()
{
    m_motion->recordingStopped();
}

SchedulePassHooks Camera::passHooks()
{
    SchedulePassHooks hooks;
    hooks.startRec = [this] { startRec(); };
    // A schedule item ends the schedule's recording, not one the motion holds.
    hooks.stopRec = [this] {
        if (!m_motion->ownsRecording())
            stopRec();
    };
    hooks.pendingEvents = [this] { pendingEvents(); };
    return hooks;
}

void Camera::startScheduledRec()
{
    startScheduledPass(getSchedule(), passHooks());
}

void Camera::stopScheduledRec()
{
    stopScheduledPass(getSchedule(), passHooks());
}

bool Camera::snapshot()
{
    if (!isConnecting())
        return false;
    m_viewer.setDownload(kOn);
    return true;
}

int16_t Camera::setUID(int16_t uid)
{
    return m_uid = uid;
}

std::string Camera::setIP(const std::string& ip)
{
    if (!isConnecting() && ip != m_ip)
        m_ip = ip;
    return m_ip;
}

int32_t Camera::setPort(int32_t port)
{
    if (!isConnecting() && port != m_port)
        m_port = port;
    return m_port;
}

std::string Camera::setDisplayLocation(const std::string& text)
{
    m_displayLocation = text;
    m_viewer.setDownloadPrefix(getSnapshotPrefix());
    m_viewer.setAviPre(getRecPrefix());
    return m_displayLocation;
}

std::string Camera::setRecPath(const std::string& path)
{
    if (path.empty())
        return m_recPath;
    FileExtGO::createFolderPath(path);
    m_recPath = path;
    m_viewer.setAviPath(m_recPath);
    return m_recPath;
}

int16_t Camera::setRecFrameRate(int16_t rate)
{
    m_recFrameRate = rate;
    m_viewer.setAviFrame(rate);
    return m_recFrameRate;
}

int32_t Camera::setRecNumFrame(int32_t frames)
{
    m_recNumFrame = frames;
    m_viewer.setJpgNumInAvi(frames);
    return m_recNumFrame;
}

std::string Camera::setSnapshotPath(const std::string& path)
{
    if (path == m_snapshotPath)
        return m_snapshotPath;
    FileExtGO::createFolderPath(path);
    m_snapshotPath = path;
    m_viewer.setDownloadPath(m_snapshotPath);
    return m_snapshotPath;
}

bool Camera::setRecAtStart(bool flag)
{
    return m_recAtStart = flag;
}

bool Camera::setRecOnMotion(bool flag)
{
    if (flag != m_recOnMotion) {
        m_recOnMotion = flag;
        m_motion->settingChanged();
    }
    return m_recOnMotion;
}

int32_t Camera::setMotionHold(int32_t seconds)
{
    return m_motionHold = std::clamp(seconds, kMinMotionHold, kMaxMotionHold);
}

std::shared_ptr<Schedule> Camera::getSchedule()
{
    if (!m_schedule) {
        auto schedule = std::make_shared<Schedule>();
        // Binding calls back setSchedule, which stores it.
        schedule->setCamera(this);
        schedule->load(m_owner.config().getConfigFile());
    }
    return m_schedule;
}

std::shared_ptr<Schedule> Camera::setSchedule(std::shared_ptr<Schedule> schedule)
{
    return Schedule::replaceHeld(m_schedule, std::move(schedule), this);
}

std::string Camera::getFormattedCaption(const std::string& text) const
{
    return numtext::decimal(m_uid + 1) + ". " + text;
}

std::string Camera::getURL() const
{
    return urlOf(m_ip, m_port);
}

std::string Camera::getRecPrefix() const
{
    return "r-" + fileNameLocation(m_displayLocation) + "_!" + (m_motion->ownsRecording() ? "1" : "0") + "_";
}

void Camera::applyRecPrefix()
{
    m_viewer.setAviPre(getRecPrefix());
}

std::string Camera::getSnapshotPrefix() const
{
    return "s-" + fileNameLocation(m_displayLocation) + "_!" + "0";
}

const ViewerHandle& Camera::setViewer(ViewerHandle viewer)
{
    m_viewer = std::move(viewer);
    m_viewer.setReconnectTryNum(kReconnectTries);
    m_viewer.delMenu(0, 0);
    m_viewer.setFontColor(kOverlayWhite);
    m_viewer.setShowText(kShowTextNameDateTime);
    m_viewer.setStatusBarCtrl(kStatusBarMenus);
    m_viewer.setDownloadPath(m_snapshotPath);
    m_viewer.setDownloadPrefix(getSnapshotPrefix());
    m_viewer.setDownloadNum(kOnePicturePerSnapshot);
    m_viewer.setDownType(kSnapshotLimitByCount);
    m_viewer.setDownAviType(kAviLimitNone);
    m_viewer.setAviPath(m_recPath);
    m_viewer.setAviPre(getRecPrefix());
    m_viewer.setAviFrame(m_recFrameRate);
    m_viewer.setJpgNumInAvi(m_recNumFrame);
    if (m_recAtStart && !isConnecting())
        connect();
    return m_viewer;
}

void Camera::releaseViewer()
{
    // The viewer finishes a running recording under the prefix it holds.
    m_motion->released();
    m_viewer = ViewerHandle();
    m_connStatus = 0;
}
