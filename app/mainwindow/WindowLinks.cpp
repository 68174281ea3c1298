#include "app/mainwindow/WindowLinks.h"

#include "app/appconfig/AppCfgForm.h"
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/emapwindow/eMapForm.h"
#include "app/mainwindow/ButtonConsole.h"
#include "app/mainwindow/Form4.h"
#include "app/mainwindow/ImageGO.h"
#include "app/mainwindow/SecondaryWindows.h"
#include "app/recordlist/RecListForm.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>

WindowLinks::WindowLinks(CameraGO& cameras, ButtonConsole& console, ImageGO& images,
                         std::shared_ptr<const VolumeInfo> volumes)
    : m_cameras(cameras)
    , m_console(console)
    , m_images(images)
    , m_volumes(std::move(volumes))
    , m_maps(cameras.config().getEMapFile())
    , m_icons(cameras.config().getEMapFile())
{
    SecondaryWindows& windows = m_console.secondaryWindows();
    windows.setFactory(SecondaryWindows::Kind::EMap, [this](QWidget* parent) -> QWidget* {
        // The window reads the icons' places afresh each time it opens.
        m_emap = new eMapForm(m_maps, m_icons, *this,
                              [this](const std::string& name) { return m_images.getImage(name); }, parent);
        return m_emap;
    });
    windows.setFactory(SecondaryWindows::Kind::AppConfig, [this](QWidget* parent) -> QWidget* {
        m_appCfg = new AppCfgForm(m_cameras, parent, m_volumes);
        m_appCfg->setHost(this);
        return m_appCfg;
    });
    windows.setFactory(SecondaryWindows::Kind::RecordList, [this](QWidget* parent) -> QWidget* {
        m_recList = m_volumes ? new RecListForm(m_cameras, *m_volumes, parent) : new RecListForm(m_cameras, parent);
        m_recList->setAlertSink([this](const std::string& line) { m_console.addAlertLine(line); });
        return m_recList;
    });
    m_console.setRecordingShown([this](int16_t uid, bool recording) {
        if (m_emap)
            m_emap->updateIcon(uid, recording);
    });
}

WindowLinks::~WindowLinks()
{
    m_console.setRecordingShown({});
    SecondaryWindows& windows = m_console.secondaryWindows();
    windows.setFactory(SecondaryWindows::Kind::EMap, {});
    windows.setFactory(SecondaryWindows::Kind::AppConfig, {});
    windows.setFactory(SecondaryWindows::Kind::RecordList, {});
    // The windows refer to this object: they go with it.
    delete m_emap.data();
    delete m_appCfg.data();
    delete m_recList.data();
}

void WindowLinks::popupELayoutMenu(const QPoint& global)
{
    m_console.secondaryWindows().make(SecondaryWindows::Kind::EMap);
    if (m_emap)
        m_emap->eLayoutMenu()->popup(global);
}

bool WindowLinks::isRecording(int16_t uid)
{
    const Camera* camera = m_cameras.existingCamera(uid);
    return camera && camera->isRecording();
}

void WindowLinks::toggleRecording(int16_t uid)
{
    m_console.startRec(uid);
}

void WindowLinks::showSingleVideo(int16_t uid)
{
    m_console.focusCamera(uid);
    m_console.switchLayout(1);
}

void WindowLinks::showRecordList(int16_t uid)
{
    m_console.secondaryWindows().show(SecondaryWindows::Kind::RecordList);
    if (m_recList)
        m_recList->changeCamera(uid);
}

void WindowLinks::showCameraConfiguration(int16_t uid)
{
    m_console.secondaryWindows().show(SecondaryWindows::Kind::AppConfig);
    if (m_appCfg)
        m_appCfg->showCamera(uid);
}

void WindowLinks::showWaitWindow(const std::string& text)
{
    // A window of its own: a child of the configuration window would go
    // with that window and then be deleted a second time here.
    if (!m_wait)
        m_wait = std::make_unique<Form4>();
    m_wait->label()->setText(QString::fromStdString(text));
    m_wait->show();
    m_wait->raise();
    // The window paints before the work it announces starts.
    QApplication::processEvents();
}

void WindowLinks::hideWaitWindow()
{
    if (m_wait)
        m_wait->hide();
}

void WindowLinks::applyViewerLayout(int16_t views)
{
    m_console.switchLayout(views);
}
