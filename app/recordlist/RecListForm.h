#pragma once

#include "app/core/PanelLayout.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class CameraGO;
class DiskFO;
class FileExtGO;
class QComboBox;
class QTabWidget;
class RecordFilesPage;
class RecordingSearch;
class TimelinePage;
class VideoSearchPage;
class VolumeInfo;

// The recording list window ("Record List"): the recordings and the
// snapshots of one camera with their details, and the search of recordings
// by time over one camera or all 16, and a day's recordings of all cameras on
// a timeline. Recordings play in the built-in player
// window, snapshots show in the picture viewer window. Closing hides the
// window; it is kept for the next use. GUI thread only.
class PlayerWindow;
class RecListForm : public QWidget, public RecListSurface {
    Q_OBJECT
public:
    // Each new alert line for the main window's alert list.
    using AlertSink = std::function<void(const std::string& line)>;
    // Opens a snapshot for the operator in the viewer.
    using Opener = std::function<void(const std::string& path)>;
    // Opens a recording in the player at `seconds` into it.
    using PlayerOpener = std::function<void(const std::string& path, double seconds)>;

    // `cameras` gives the folders; it must outlive the window. Shows the
    // first tab, fills the camera chooser through the panel layout and
    // points the lists at camera 1. `volumes` tells which folders are on a
    // usable disk (the machine's own volumes by default).
    explicit RecListForm(CameraGO& cameras, QWidget* parent = nullptr);
    RecListForm(CameraGO& cameras, const VolumeInfo& volumes, QWidget* parent = nullptr);
    ~RecListForm() override;

    // Points the two lists at the folders of camera `index` (0..15) and
    // shows that camera in the chooser; a folder on no usable disk is
    // replaced by the camera's default folder and an alert line asks the
    // operator to check the configuration.
    void changeCamera(int index);

    // RecListSurface: the camera chooser `Combo1`.
    void fillCameraSelector(const QString& text, const QStringList& items) override;

    // Whether a player of at least this version can play the recordings: the
    // built-in player always can.
    bool IsReqVerOfWMP(int major) const;

    void setAlertSink(AlertSink sink);
    void setPlayerOpener(PlayerOpener open);
    void setPictureOpener(Opener open);

    RecordFilesPage& videoPage() const { return *m_video; }
    RecordFilesPage& snapshotPage() const { return *m_snapshots; }
    VideoSearchPage& searchPage() const { return *m_search; }
    TimelinePage& timelinePage() const { return *m_timeline; }
    QTabWidget& tabs() const { return *m_tabs; }

    static constexpr char kCheckPathsAlert[] = "Please check Application configuration Camera%1 record and snapshot path";

protected:
    void changeEvent(QEvent* event) override;

private:
    void tabChanged(int index);
    void alert(int index);
    void openRecording(const std::string& path, double seconds = 0.0);
    void openPicture(const std::string& path);

    CameraGO& m_cameras;
    const VolumeInfo& m_volumes;
    std::unique_ptr<DiskFO> m_disk;
    std::unique_ptr<FileExtGO> m_files;
    std::unique_ptr<RecordingSearch> m_searcher;
    QComboBox* m_combo = nullptr;
    QTabWidget* m_tabs = nullptr;
    RecordFilesPage* m_video = nullptr;
    RecordFilesPage* m_snapshots = nullptr;
    VideoSearchPage* m_search = nullptr;
    TimelinePage* m_timeline = nullptr;
    AlertSink m_alertSink;
    PlayerOpener m_playerOpener;
    Opener m_pictureOpener;
    QPointer<PlayerWindow> m_player; // gone when its window was closed
};
