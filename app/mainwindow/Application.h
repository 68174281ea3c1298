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
class WindowLinks;
class ViewerStatisticsReport;
class CameraWatch;
class DesktopNotifier;
class QTimer;

// The program's start-up and shut-down. Start-up: the configuration, the
// single-instance test, the main window with its viewers, the focused camera,
// the window shown, every camera connected. Shut-down (the exit button, a
// closed window, --quit-after, or SIGTERM, SIGINT or SIGHUP): the wait window,
// the recording list, configuration and e-map windows hidden with the main
// window, then closed, the viewers taken down (all windows first, then the
// controls, so every recording is finished), the main window closed, the
// event loop ended. GUI thread only.
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
    // Connects camera `uid`, then the next one at the event loop's next turn,
    // in slot order: a camera that does not answer holds its connect for a
    // moment, and the window paints, the clock ticks and the buttons work in
    // between. A shut-down ends the round.
    // Tells the operator of settings files that are there but cannot be read.
    void reportUnreadableSettings();
    void connectFrom(int16_t uid);
    void armQuitTimer();
    // The program is ending without the operator (timer, signal): boxes still
    // open are answered with their default button, then the shut-down runs.
    void endUnattended();
    // The current viewer layout from the settings, applied around the focused camera.
    // The focused camera of the main window's console.
    FocusedCamera& focused();
    void applyViewerLayout();
    // The disk space checks of the commands and of the periodic watch; their
    // messages are boxes that do not hold up the caller and do not pile up.
    void createDiskChecks();
    // The clock and the periodic watch of the main window.
    void startTimers();
    // Once a second: what the views say, to the log and the desktop.
    void watchCameras();

    CommandLine m_options;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<TerminationSignals> m_signals;
    ViewerGO m_viewers;
    std::unique_ptr<CameraGO> m_cameras;
    std::unique_ptr<MainForm> m_form;
    LayoutGO m_layouts;
    std::shared_ptr<SystemVolumes> m_volumes;
    std::unique_ptr<DiskFO> m_disk;
    std::unique_ptr<FileExtGO> m_files;
    std::unique_ptr<DiskWatch> m_diskWatch;
    RepeatedBoxes m_diskBoxes;
    std::unique_ptr<MainTimers> m_timers;
    // Before the main window goes: its windows refer to the console.
    std::unique_ptr<WindowLinks> m_links;
    std::unique_ptr<ViewerStatisticsReport> m_statistics; // --statistics
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<CameraWatch> m_cameraWatch;
    std::unique_ptr<QTimer> m_cameraWatchTimer;
    bool m_shuttingDown = false;
};
