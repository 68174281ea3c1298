#include "app/mainwindow/MainForm.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/PanelLayout.h"
#include "app/core/ViewerGO.h"
#include "app/mainwindow/ButtonConsole.h"
#include "app/mainwindow/ImageGO.h"
#include "app/mainwindow/MainSkin.h"
#include "app/mainwindow/ViewerGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>

using platform::component::HResult;

MainForm::MainForm(CameraGO& cameras, ViewerGO& viewers, std::string controlLibrary, QWidget* parent)
    : QMainWindow(parent)
    , m_cameras(cameras)
    , m_viewers(viewers)
    , m_host(std::move(controlLibrary))
{
    setObjectName("MainForm");
    // The skin is the frame: no title bar, but the title names the program in
    // the task bar.
    setWindowFlag(Qt::FramelessWindowHint);
    setWindowTitle("oculon");

    auto* area = new QWidget(this);
    area->setObjectName("MainPanel");
    m_images = std::make_unique<ImageGO>(cameras.config().getApplicationFolder() + "/image");
    m_skin = std::make_unique<MainSkin>(*area, *m_images, m_screen, QStringLiteral(OCULON_VERSION));
    // The grid covers the whole client area, so that the viewer layout's
    // places are the window's; every other control has its own place.
    m_grid = new ViewerGrid(m_screen, area);
    auto* fill = new QGridLayout(area);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_grid, 0, 0);
    m_console = new ButtonConsole(cameras, *this, *m_images, area);
    m_skin->setCameraSelector(m_console->cameraSelector());
    m_skin->setAudioToggle([this](bool on) { m_console->showAudioToggle(on); });
    m_skin->arrange(m_grid);
    setCentralWidget(area);
    // The designed size until the panel layout fits the window to the screen.
    resize(m_screen.toPixels({0, 0, PanelLayout::kReferenceWidth, PanelLayout::kReferenceHeight}).size());
    connect(m_console, &ButtonConsole::exitRequested, this, &MainForm::exitRequested);
    m_host.setStatusHandler([this](int16_t index, int32_t) { m_cameras.onViewerStatus(index); });
    m_host.setMotionHandler([this](int16_t index) { m_cameras.onViewerMotion(index); });
}

MainForm::~MainForm()
{
    takeDownViewers();
}

HResult MainForm::createViewers()
{
    const HResult created = m_host.create(ViewerGrid::kCells);
    if (platform::component::failed(created))
        return created;
    for (int16_t index = 0; index < ViewerGrid::kCells; ++index) {
        QWidget* cell = m_grid->cell(index);
        const HResult made = m_host.createWindow(index, cell, cell->width(), cell->height());
        if (platform::component::failed(made))
            return made;
        // The viewers form one control array: one name, told apart by index.
        QWidget* viewer = m_host.window(index);
        viewer->setObjectName("viewers");
        viewer->setProperty("index", index);
        m_grid->adopt(index, viewer);
    }
    m_viewers.setViewers(m_host.viewers());
    return created;
}

void MainForm::takeDownViewers()
{
    m_host.shutdown();
    m_viewers.clear();
    m_cameras.releaseViewers();
}

void MainForm::raiseAndActivate()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void MainForm::startRec(int16_t uid)
{
    m_console->startRec(uid);
}

void MainForm::updateRecBtn(int16_t uid)
{
    m_console->updateRecBtn(uid);
}

void MainForm::showAudioToggle()
{
    m_console->showAudioToggle();
}

void MainForm::setRecBtnPicture(int16_t index, const std::string& picture)
{
    m_console->setRecBtnPicture(index, picture);
}

void MainForm::processPendingEvents()
{
    QApplication::processEvents();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (m_closeAllowed) {
        event->accept();
        return;
    }
    // Closing the window is the exit command: the shut-down closes it.
    event->ignore();
    emit exitRequested();
}

void MainForm::contextMenuEvent(QContextMenuEvent* event)
{
    // The viewers have menus of their own, opened by the press: the event of
    // the release that reaches the window from a viewer opens nothing more.
    // The rest of the window offers the e-map.
    event->accept();
    if (m_grid->inViewer(childAt(event->pos())))
        return;
    emit eLayoutMenuRequested(event->globalPos());
}
