#include "app/core/CameraGO.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraWindow.h"
#include "app/core/HoldTimer.h"
#include "app/core/ViewerGO.h"

#include <QCoreApplication>

namespace {
constexpr uint32_t kBlack = 0x00000000;
}

CameraGO::CameraGO(AppCfgGO& config, ViewerGO& viewers)
    : m_config(config), m_viewers(viewers)
{
}

CameraGO::~CameraGO() = default;

void CameraGO::setWindow(CameraWindow* window)
{
    m_window = window;
}

void CameraGO::setPendingEvents(std::function<void()> pendingEvents)
{
    m_pendingEvents = std::move(pendingEvents);
}

void CameraGO::processPendingEvents()
{
    if (m_pendingEvents)
        m_pendingEvents();
    else if (m_window)
        m_window->processPendingEvents();
    else if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void CameraGO::setAlertSink(AlertSink sink)
{
    m_alertSink = std::move(sink);
}

void CameraGO::alert(const std::string& line) const
{
    if (m_alertSink)
        m_alertSink(line);
}

void CameraGO::setHoldTimerFactory(HoldTimerFactory factory)
{
    m_holdTimers = std::move(factory);
}

std::unique_ptr<HoldTimer> CameraGO::makeHoldTimer() const
{
    if (m_holdTimers)
        return m_holdTimers();
    return std::make_unique<EventLoopHoldTimer>();
}

Camera* CameraGO::getCamera(int16_t uid)
{
    if (uid < 0 || uid >= kCount)
        return nullptr;
    auto& slot = m_cameras[static_cast<size_t>(uid)];
    if (!slot) {
        slot = createCamera(uid);
        slot->load();
        slot->setViewer(m_viewers.getViewerAt(uid));
    }
    return slot.get();
}

Camera* CameraGO::existingCamera(int16_t uid) const
{
    if (uid < 0 || uid >= kCount)
        return nullptr;
    return m_cameras[static_cast<size_t>(uid)].get();
}

std::unique_ptr<Camera> CameraGO::createCamera(int16_t uid)
{
    auto camera = std::make_unique<Camera>(*this);
    camera->setUID(uid);
    camera->setViewer(m_viewers.getViewerAt(uid));
    camera->getViewer().setBackColor(kBlack);
    camera->getSchedule();
    return camera;
}

std::string CameraGO::getDefaultRecPath(const Camera& camera) const
{
    return m_config.getDefaultRecPath(camera.getUID());
}

std::string CameraGO::getDefaultSnapshotPath(const Camera& camera) const
{
    return m_config.getDefaultSnapshotPath(camera.getUID());
}

void CameraGO::stopAllRec()
{
    const ViewerGO::Viewers& viewers = m_viewers.getViewers();
    for (int16_t index = 0; index < kCount; ++index) {
        ViewerHandle viewer = viewers[static_cast<size_t>(index)];
        viewer.setAvi(0);
        if (Camera* camera = existingCamera(index))
            camera->onRecordingStopped();
        if (m_window)
            m_window->setRecBtnPicture(index, kIdleRecBtnPicture);
    }
}

void CameraGO::connectAll()
{
    for (int16_t uid = 0; uid < kCount; ++uid)
        getCamera(uid)->connect();
}

void CameraGO::onViewerStatus(int16_t index)
{
    if (Camera* camera = getCamera(index))
        camera->onViewerStatus();
}

void CameraGO::onViewerMotion(int16_t index)
{
    if (Camera* camera = existingCamera(index))
        camera->onViewerMotion();
}

void CameraGO::releaseViewers()
{
    for (auto& camera : m_cameras)
        if (camera)
            camera->releaseViewer();
}
