#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class AppCfgGO;
class AppCfgHost;
class ApplicationPage;
class Camera;
class CameraGO;
class CameraPage;
class SchedulePage;
class QKeyEvent;
class QComboBox;
class QLayout;
class QListWidget;
class QPushButton;
class QTabWidget;
class VolumeInfo;

// The "Application Configuration" window, AppCfgForm: the viewer layout,
// each camera's address and folders, each camera's schedule, the disk alert
// settings, and the export and import of the configuration files. The camera
// list on the left (fCamList, index = camera slot) selects the camera the
// Camera and Scheduling tabs act on; it is disabled on the Initial Setup tab.
// Nothing typed here reaches config.ini before OK, or a tab's Save button.
// Created on first use and hidden by OK; its fields keep their contents
// between showings. GUI thread only.
class AppCfgForm : public QWidget {
    Q_OBJECT
public:
    enum Tab { kInitialSetupTab, kCameraTab, kSchedulingTab, kApplicationTab };

    // `cameras` (with its configuration) must outlive the window. `volumes`
    // tells the mount points of folders; null: the machine's own.
    explicit AppCfgForm(CameraGO& cameras, QWidget* parent = nullptr,
                        std::shared_ptr<const VolumeInfo> volumes = nullptr);
    ~AppCfgForm() override;

    // The main window's part: wait window and viewer layout. Not owned; may
    // be null.
    void setHost(AppCfgHost* host) { m_host = host; }

    // Shows the window (raised) on the Camera tab with slot `uid` selected.
    void showCamera(int16_t uid);
    // Shows the window (raised) as it was left.
    void showWindow();

    // Kept for the window's owner; the window has nothing to put away.
    void setLayoutBeforeUnload() { }
    // Refills the camera list with "1 Camera" ... "16 Camera", keeping the
    // selected slot.
    void refreshCamList();
    // Refills the viewer layout choice and the export and import choices,
    // keeping the chosen viewer layout.
    void refreshViewerLayoutList();
    // A folder chosen by the operator (starting at `start`); empty when
    // cancelled.
    std::string selectTreeView(const std::string& start = {});
    // Asks for a file to import and copies it over `target` (config.ini or
    // eLayout.ini). A missing target takes the file as it is; an existing
    // one only after "Are you sure?" and when the file passes the check of
    // its kind. The copy replaces the target atomically; a failure names the
    // file and the reason. The running program goes on with what it loaded.
    void ImportCfgFile(const std::string& target);
    // Asks for a file name and copies `source` there, after "Are you sure?"
    // when that file exists.
    void ExportCfgFile(const std::string& source);

    // OK: with the wait window up, applies the fields to the camera they show,
    // then checks and sets the alert settings (stopping at the first refused
    // one) and stores the application settings; the main window then takes
    // the viewer layout and this window is hidden.
    void pressOk();
    // Apply: with the wait window up, applies the fields to the camera they show.
    // Nothing is stored and the window stays.
    void pressApply();

    // The camera selected in the list, or null; with `tellWhenNone` the
    // operator is told "Please select a camera." when there is none.
    Camera* selectedCamera(bool tellWhenNone = true);

    CameraGO& cameras() const { return m_cameras; }
    AppCfgGO& config() const;

    QTabWidget* tabs() const { return m_tabs; }
    QListWidget* camList() const { return m_camList; }
    QComboBox* viewerLayoutChoice() const { return m_viewerLayout; }
    CameraPage* cameraPage() const { return m_cameraPage; }
    SchedulePage* schedulePage() const { return m_schedulePage; }
    ApplicationPage* applicationPage() const { return m_applicationPage; }

protected:
    // Escape closes the window like its close button: nothing is stored.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeInitialSetupTab();
    QLayout* makeMainButtons();
    void tabShown(int index);
    void cameraClicked();
    void viewerLayoutChosen(int index);
    // An entry of the export or import choice: the file it stands for, or
    // nothing after telling the operator to choose one.
    std::optional<std::string> fileOfChoice(QComboBox* choice, int index);
    void exportChosen(int index);
    void importChosen(int index);
    // saveAppCfg; a failed write is reported with the file's name.
    bool storeSettings();

    CameraGO& m_cameras;
    AppCfgHost* m_host = nullptr;
    QListWidget* m_camList;
    QTabWidget* m_tabs;
    QComboBox* m_viewerLayout;
    CameraPage* m_cameraPage;
    SchedulePage* m_schedulePage;
    ApplicationPage* m_applicationPage;
};
