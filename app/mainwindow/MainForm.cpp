#include "app/mainwindow/MainForm.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/ViewerGO.h"
#include "app/mainwindow/ButtonConsole.h"
#include "app/mainwindow/ImageGO.h"
#include "app/mainwindow/ViewerGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

using platform::component::HResult;

MainForm::MainForm(CameraGO& cameras, ViewerGO& viewers, std::string controlLibrary, QWidget* parent)
    : QMainWindow(parent)
    , m_cameras(cameras)
    , m_viewers(viewers)
    , m_host(std::move(controlLibrary))
{
    setObjectName("MainForm");
    // The title names the program in the task bar.
    setWindowTitle("oculon");
    resize(1024, 768);

    auto* central = new QWidget(this);
    central->setObjectName("MainPanel");
    central->setStyleSheet("#MainPanel { background: #15181d; }");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    m_grid = new ViewerGrid(central);
    // The buttons: right of the views and below them.
    m_images = std::make_unique<ImageGO>(cameras.config().getApplicationFolder() + "/image");
    m_console = new ButtonConsole(cameras, *this, *m_images, central);
    auto* row = new QHBoxLayout;
    row->addWidget(m_grid, 1);
    row->addWidget(m_console->column());
    column->addLayout(row, 1);
    column->addWidget(m_console->strip());
    setCentralWidget(central);
    connect(m_console, &ButtonConsole::exitRequested, this, &MainForm::exitRequested);
    m_host.setStatusHandler([this](int16_t index, int32_t) { m_cameras.onViewerStatus(index); });
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
        m_grid->adopt(index, m_host.window(index));
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
