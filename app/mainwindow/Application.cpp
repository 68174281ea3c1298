#include "app/mainwindow/Application.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/FocusedCamera.h"
#include "app/core/PanelLayout.h"
#include "app/core/ViewerLayout.h"
#include "app/host/ViewerCreation.h"
#include "app/host/ViewerStatisticsReport.h"
#include "app/dialogs/AppDialogs.h"
#include "app/mainwindow/ButtonConsole.h"
#include "app/mainwindow/Form4.h"
#include "app/mainwindow/MainForm.h"
#include "app/mainwindow/MainSkin.h"
#include "app/mainwindow/MainTimers.h"
#include "app/mainwindow/SecondaryWindows.h"
#include "app/mainwindow/ViewerGrid.h"
#include "app/mainwindow/WindowLinks.h"
#include "app/startup/SingleInstance.h"
#include "app/startup/TerminationSignals.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/VolumeInfo.h"
#include "app/log/Logging.h"
#include "app/notify/CameraWatch.h"
#include "app/notify/DesktopNotifier.h"
#include "platform/component/Hosting.h"
#include "platform/ini/IniFile.h"

#include <QLabel>
#include <QStatusBar>

#include <QApplication>
#include <QTimer>

#include <chrono>

#include <cstdlib>
#include <iostream>


namespace {
constexpr char kAnotherInstanceText[] = "Another instance of the program is already running";
}

Application::Application(CommandLine options)
    : m_options(std::move(options))
{
}

Application::~Application()
{
    platform::ini::setRefusalReporter({});
    // The timers stop first; the window goes before the cameras it reports to.
    m_cameraWatchTimer.reset();
    m_statistics.reset();
    m_timers.reset();
    m_links.reset();
    m_form.reset();
    m_cameras.reset();
}

void Application::reportUnreadableSettings()
{
    // A settings file that is there but cannot be read is said at start; any
    // later write to it is refused with the same words, so that the
    // operator's file outlives this run.
    const AppCfgGO& config = appCfg();
    platform::ini::sections(config.getEMapFile());
    for (const std::string& file : {config.getConfigFile(), config.getEMapFile()}) {
        if (const auto message = platform::ini::refusal(file)) {
            qCWarning(configLog, "%s", message->c_str());
            AppDialogs::current().ask(nullptr, {"oculon", *message, AppDialogs::Icon::Critical, AppDialogs::Buttons::Ok});
        }
    }
    platform::ini::setRefusalReporter([this](const std::string&, const std::string& message) {
        qCWarning(configLog, "%s", message.c_str());
        m_diskBoxes.show(m_form.get(), {"oculon", message, AppDialogs::Icon::Warning, AppDialogs::Buttons::Ok});
    });
}

int Application::run()
{
    // Armed first, so that it also answers the box of a refused start.
    armQuitTimer();

    AppCfgGO& config = appCfg();
    logging::logSettingsFiles();
    if (!config.initConfig())
        qCWarning(configLog, "cannot create %s; running with default settings", config.getConfigFolder().c_str());
    reportUnreadableSettings();

    m_instance = std::make_unique<SingleInstance>(config.getApplicationFolder());
    if (!m_instance->acquire()) {
        qCWarning(configLog, "another instance is already running on %s; this one ends",
                  config.getApplicationFolder().c_str());
        AppDialogs::current().ask(nullptr, {"oculon", kAnotherInstanceText, AppDialogs::Icon::Critical,
                                            AppDialogs::Buttons::Ok});
        // The operator is sent to the window that is already there.
        m_instance->askPrimaryToRaise();
        return kAnotherInstance;
    }

    createDiskChecks();
    m_cameras = std::make_unique<CameraGO>(config, m_viewers);
    m_form = std::make_unique<MainForm>(*m_cameras, m_viewers, host::installedControlLibrary());
    m_cameras->setWindow(m_form.get());
    m_form->console()->setViewerLayouts(m_layouts, *m_form->grid());
    // Before any camera is made: one recording at start is checked like the others.
    m_form->console()->setDiskChecks(m_files.get());
    m_links = std::make_unique<WindowLinks>(*m_cameras, *m_form->console(), m_form->images(), m_volumes);
    connect(m_form.get(), &MainForm::eLayoutMenuRequested, this,
            [this](QPoint global) { m_links->popupELayoutMenu(global); });
    m_cameras->setAlertSink([this](const std::string& line) {
        qCWarning(recordingLog, "%s", line.c_str());
        m_form->console()->addAlertLine(line);
    });
    const auto created = m_form->createViewers();
    if (platform::component::failed(created)) {
        const std::string cause = host::viewerCreationCause(created);
        qCCritical(cameraLog, "the viewer control could not be created: %s", cause.c_str());
        AppDialogs::current().ask(nullptr, {"oculon", "The camera viewer could not be created.\n" + cause,
                                            AppDialogs::Icon::Critical, AppDialogs::Buttons::Ok});
        return kNoViewer;
    }
    connect(m_form.get(), &MainForm::exitRequested, this, &Application::shutDown, Qt::QueuedConnection);
    m_signals = std::make_unique<TerminationSignals>();
    connect(m_signals.get(), &TerminationSignals::terminationRequested, this, &Application::endUnattended);
    connect(m_instance.get(), &SingleInstance::raiseRequested, m_form.get(), [this] {
        qCInfo(configLog, "another start on this application folder was refused; showing this window");
        m_form->raiseAndActivate();
    });

    // The console's focused camera is the one every command and timer acts on.
    focused().getFocusedCamera();
    applyViewerLayout();
    // The skin fitted to the screen; the recording list's part comes with that window.
    m_layouts.setPanelLayout(std::make_shared<DefaultPanelLayout>())->layoutMainForm(m_form->skin());
    m_form->show();
    startTimers();
    connectFrom(0);
    if (m_options.statisticsSeconds) {
        const int ms = static_cast<int>(std::min(*m_options.statisticsSeconds * 1000.0, 2.0e9));
        m_statistics = std::make_unique<ViewerStatisticsReport>(m_viewers, std::max(ms, 1), std::cout);
    }
    return QApplication::exec();
}

void Application::connectFrom(int16_t uid)
{
    if (m_shuttingDown || uid >= CameraGO::kCount)
        return;
    m_cameras->getCamera(uid)->connect();
    QTimer::singleShot(0, this, [this, uid] { connectFrom(static_cast<int16_t>(uid + 1)); });
}

FocusedCamera& Application::focused() { return m_form->console()->focused(); }

void Application::applyViewerLayout()
{
    const Camera* focused = this->focused().getFocusedCamera();
    const int16_t uid = focused ? focused->getUID() : int16_t{0};
    m_layouts.setViewerLayout(makeViewerLayout(appCfg().getViewerLayout()))->layout(uid, *m_form->grid());
}

void Application::createDiskChecks()
{
    AppCfgGO& config = appCfg();
    m_notifier = std::make_unique<DesktopNotifier>();
    m_volumes = std::make_shared<SystemVolumes>();
    m_disk = std::make_unique<DiskFO>(config, *m_volumes, [this](const std::string& message) {
        qCWarning(diskLog, "%s", message.c_str());
        m_notifier->notify("disk", "Recording disk", message);
        m_diskBoxes.show(m_form.get(), {"oculon", message, AppDialogs::Icon::Warning, AppDialogs::Buttons::Ok});
    });
    m_files = std::make_unique<FileExtGO>(config, *m_disk);
}

void Application::startTimers()
{
    m_diskWatch = std::make_unique<DiskWatch>(*m_disk, *m_files, [this](const std::string& line) {
        qCWarning(diskLog, "%s", line.c_str());
        m_notifier->notify("disk", "Recording disk", line);
        m_form->console()->addAlertLine(line);
    });

    // The window's own clock label when it has one, else one in its status bar.
    auto* clockLbl = m_form->findChild<QLabel*>("ClockLbl");
    if (!clockLbl) {
        clockLbl = new QLabel(m_form.get());
        clockLbl->setObjectName("ClockLbl");
        m_form->statusBar()->addPermanentWidget(clockLbl);
    }
    auto duties = SlotDuties::of(*m_cameras, m_viewers, focused(), m_form.get());
    MainTimers::Pace pace;
    // OCULON_WATCH_MS shortens the watch timer for the end-to-end tests, which
    // cannot wait half a minute per tick; it is no setting an operator sees.
    if (const char* watchMs = std::getenv("OCULON_WATCH_MS"); watchMs && std::atoi(watchMs) > 0)
        pace.watchMs = std::atoi(watchMs);
    m_timers = std::make_unique<MainTimers>(clockLbl, std::move(duties), *m_diskWatch, std::move(pace));
    m_timers->clockTick();

    m_cameraWatch = std::make_unique<CameraWatch>(*m_notifier);
    m_cameraWatchTimer = std::make_unique<QTimer>();
    m_cameraWatchTimer->setInterval(1000);
    connect(m_cameraWatchTimer.get(), &QTimer::timeout, this, &Application::watchCameras);
    m_cameraWatchTimer->start();
}

void Application::watchCameras()
{
    using namespace platform::component;
    std::vector<CameraWatch::Report> reports;
    for (int16_t uid = 0; uid < CameraGO::kCount; ++uid) {
        const Camera* camera = m_cameras->getCamera(uid);
        CameraWatch::Report r;
        r.number = uid + 1;
        if (camera) {
            r.location = camera->getDisplayLocation();
            const ViewerHandle viewer = camera->getViewer();
            ComPtr<ViewStatistics> stats;
            if (!camera->getIP().empty() && viewer.isBound()
                && viewer.dispatch()->queryInterface(ViewStatistics::iid, stats.put()) == S_OK && stats) {
                r.watched = true;
                r.notice = stats->notice();
                r.failures = stats->recordingFailures(r.failureWords);
            }
        }
        reports.push_back(std::move(r));
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    m_cameraWatch->check(reports, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void Application::armQuitTimer()
{
    if (!m_options.quitAfterSeconds)
        return;
    const int ms = static_cast<int>(std::min(*m_options.quitAfterSeconds * 1000.0, 2.0e9));
    QTimer::singleShot(ms, this, &Application::endUnattended);
}

void Application::endUnattended()
{
    AppDialogs::current().closeAll();
    // Queued: a box that was just answered returns to its caller first.
    QTimer::singleShot(0, this, &Application::shutDown);
}

void Application::shutDown()
{
    if (m_shuttingDown || !m_form)
        return;
    m_shuttingDown = true;
    m_statistics.reset();

    if (!m_options.screenshotFile.empty()) {
        if (!m_form->grab().save(QString::fromStdString(m_options.screenshotFile)))
            qCWarning(configLog, "cannot save the screenshot %s", m_options.screenshotFile.c_str());
    }

    Form4 wait;
    wait.show();
    QApplication::processEvents();
    SecondaryWindows& windows = m_form->console()->secondaryWindows();
    windows.hideAll();
    m_form->hide();
    QApplication::processEvents();

    // No watch tick may touch the cameras once their viewers are gone, even
    // one that let this shut-down run from inside its slot loop.
    if (m_timers)
        m_timers->stop();
    windows.closeAll();
    m_form->takeDownViewers();

    wait.hide();
    m_form->allowClose();
    m_form->close();
    QApplication::exit(0);
}
