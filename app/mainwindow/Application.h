#pragma once

#include "app/core/LayoutGO.h"
#include "app/core/ViewerGO.h"
#include "app/dialogs/AppDialogs.h"
#include "app/storage/DiskWatch.h"
#include "app/startup/CommandLine.h"

#include <QObject>

#include <memory>

class CameraGO;
class FocusedCamera;
class DiskFO;
class FileExtGO;
class MainForm;
class MainTimers;
class SystemVolumes;
class SingleInstance;
class TerminationSignals;
class ViewerStatisticsReport;

// The program's start-up and shut-down. Start-up: the configuration, the
// single-instance test, the main window with its viewers, the focused camera,
// the window shown, every camera connected. Shut-down (the exit button, a
// closed window, --quit-after, or SIGTERM, SIGINT or SIGHUP): the wait window, the viewers taken down
// (all windows first, then the controls, so every recording is finished),
// the windows closed, the event loop ended. GUI thread only.
class Application : public QObject {
    Q_OBJECT
public:
    // Exit statuses besides 0.
    static constexpr int kAnotherInstance = 2;
    static constexpr int kNoViewer = 3;

    explicit Application(CommandLine options);
    ~Application() override;

    // Runs the start-up and then the event loop; returns the exit status.
    int run();
    // The shut-down; a second request while it runs does nothing.
    void shutDown();

private:
    void armQuitTimer();
    // The program is ending without the operator (timer, signal): boxes still
    // open are answered with their default button, then the shut-down runs.
    void endUnattended();
    // The current viewer layout from the settings, applied around the focused camera.
    // The focused camera of the main window's console.
    FocusedCamera& focused();
    void applyViewerLayout();
    // The clock and the periodic watch of the main window.
    void startTimers();
    void addAlertLine(const std::string& line);

    CommandLine m_options;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<TerminationSignals> m_signals;
    ViewerGO m_viewers;
    std::unique_ptr<CameraGO> m_cameras;
    std::unique_ptr<MainForm> m_form;
    LayoutGO m_layouts;
    std::unique_ptr<SystemVolumes> m_volumes;
    std::unique_ptr<DiskFO> m_disk;
    std::unique_ptr<FileExtGO> m_files;
    std::unique_ptr<DiskWatch> m_diskWatch;
    AlertList m_alerts;
    RepeatedBoxes m_timerBoxes;
    std::unique_ptr<MainTimers> m_timers;
    std::unique_ptr<ViewerStatisticsReport> m_statistics; // --statistics
    bool m_shuttingDown = false;
};
