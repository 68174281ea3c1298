#pragma once

#include "app/core/FocusedCamera.h"
#include "app/mainwindow/ImageGO.h"
#include "app/mainwindow/SecondaryWindows.h"
#include "app/ptz/PanTiltChannel.h"
#include "app/storage/DiskWatch.h"

#include <QObject>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>

class CameraGO;
class CameraWindow;
class FileExtGO;
class LayoutGO;
class PictureButton;
class QComboBox;
class QUrl;
class ViewerSurface;

// The main window's buttons: the command column (layouts, record, stop-all,
// snapshot, playback, rotate, configuration, e-map, zoom, pan/tilt), and along
// the bottom one select and one record button per camera, the sound toggle
// and the exit button; and the camera selector and the alert list. Every
// button is built from one row of a table (object name, picture number,
// tooltip, command) and shows its pictures through ImageGO; where each control
// sits is the window skin's business (MainSkin). The console keeps the
// focused camera and carries out the commands that act on it, the pan/tilt
// moves included.
//
// The camera selector `CamSlctr` decides the focus: a select button only moves
// the selector, and choosing an item focuses that camera. Its last item,
// "Select All", is the all-view mode: every select button drawn pressed and
// StartRecBtn toggling every camera, until a single camera is chosen again.
// GUI thread only.
class ButtonConsole : public QObject {
    Q_OBJECT
public:
    enum class Command {
        None, // shows its picture and tooltip only
        Layout1,
        Layout4,
        Layout9,
        Layout16,
        Record,
        StopAllRec,
        Snapshot,
        Playback,
        Rotate,
        ZoomIn,
        ZoomOut,
        ZoomOn,
        ZoomOff,
        CameraConfig,
        AppConfig,
        EMap,
        Audio,
        Exit,
    };

    // One button: its object name, the number of its pictures, its tooltip
    // (may be empty), the text it shows when its picture is missing (the
    // tooltip where it has one) and what a click does.
    struct Row {
        const char* name;
        int picture;
        const char* tooltip;
        const char* text;
        Command command;
    };

    // `cameras`, `window` and `images` must outlive the console. The record
    // buttons go through the window's record command (which comes back to
    // startRec), so that every start of a recording takes the same road. Its
    // controls are children of `area`, the main window's client area.
    ButtonConsole(CameraGO& cameras, CameraWindow& window, ImageGO& images, QWidget* area);

    // The camera selector `CamSlctr`: "Camera 1" .. "Camera 16" (index =
    // UID), then "Select All".
    QComboBox* cameraSelector() const { return m_selector; }

    // The disk alert list `alertCmb`, newest line first; hidden until its
    // first line.
    QComboBox* alertList() const { return m_alertCmb; }

    FocusedCamera& focused() { return m_focused; }

    // The recording list, configuration and e-map windows the buttons open.
    SecondaryWindows& secondaryWindows() { return m_secondary; }

    // Opens a web page in the system browser; true when it was handed over.
    using UrlOpener = std::function<bool(const QUrl& url)>;
    // CamCfgBtn shows the focused camera's own pages ("http://IP:port/")
    // through `opener` (by default the desktop's browser).
    void setUrlOpener(UrlOpener opener);

    // The viewer layouts the layout buttons switch and every focus change
    // re-applies, shown on `surface`. Both must outlive the console; until
    // they are given, the layout buttons do nothing and a focus change moves
    // no viewer.
    void setViewerLayouts(LayoutGO& layouts, ViewerSurface& surface);

    // The space checks made before a recording starts and before a snapshot
    // (they tell the operator when space is short, or recycle old files in
    // cyclic mode). Must outlive the console; until given, none is made.
    void setDiskChecks(FileExtGO* files) { m_files = files; }

    // A select button's click: the camera selector is moved to camera `uid`,
    // and choosing it there focuses the camera (ending the all-view mode).
    // When the selector shows that camera already nothing changes.
    void focusCamera(int16_t uid);
    // True after "Select All" was chosen, until a single camera is chosen.
    bool isAllView() const { return m_allView; }
    // The main window's record command for camera `uid`: a recording camera
    // stops; otherwise the disk is checked first and the recording starts
    // whatever the check found. Then the record buttons follow.
    void startRec(int16_t uid);
    // Arranges the viewers in the layout of `views` (1, 4, 9 or 16) around
    // the focused camera; the current layout is applied again.
    void switchLayout(int16_t views);
    // Called with a camera's recording state each time its record button is
    // refreshed (the e-map's icons follow it).
    void setRecordingShown(std::function<void(int16_t uid, bool recording)> shown)
    {
        m_recordingShown = std::move(shown);
    }
    // The record button of `uid` shows whether that camera records, and
    // StartRecBtn whether the focused camera does.
    void updateRecBtn(int16_t uid);
    // Shows `picture` on the record button of slot `index`.
    void setRecBtnPicture(int16_t index, const std::string& picture);
    // The sound toggle shows the focused viewer's sound state.
    void showAudioToggle();
    // The sound toggle drawn on or off.
    void showAudioToggle(bool on);

    // Puts `line` at the top of the alert list and shows the list with that
    // line; the oldest lines beyond the alert line number (SET_LINE_NUM) go.
    void addAlertLine(const std::string& line);

    // The camera whose select button is drawn selected.
    int16_t selectedUid() const { return m_selected; }

signals:
    // ExitBtn: the operator asked to end the program.
    void exitRequested();

private:
    PictureButton* addButton(const Row& row, QWidget* parent, bool followsMouse);
    void run(Command command);
    // The selector's item `index` was chosen (by the operator or by a select button).
    void onSelectorChosen(int index);
    // Focuses camera `uid` as the selector does: its select button drawn
    // selected (the previous one normal), the viewer layout applied around it,
    // then StartRecBtn and the sound toggle follow it.
    void showFocus(int16_t uid);
    // "Select All": every select button pressed, the focus unchanged.
    void beginAllView();
    // Every select button drawn normal; the all-view mode ends.
    void endAllView();
    // SnapshotBtn: the focused camera takes a picture if its snapshot folder
    // passes the checks.
    void snapshot();
    // CamCfgBtn: the focused camera's pages in the browser, if it has an address.
    void openCameraPages();
    // A layout button: the layout showing `views` viewers around the focused camera.
    int16_t focusedUid();

    CameraGO& m_cameras;
    CameraWindow& m_window;
    ImageGO& m_images;
    FocusedCamera m_focused;
    // The move buttons' connection to the focused camera.
    PanTiltChannel m_panTilt;
    SecondaryWindows m_secondary;
    UrlOpener m_openUrl;
    FileExtGO* m_files = nullptr;
    AlertList m_alerts;
    LayoutGO* m_layouts = nullptr;
    ViewerSurface* m_surface = nullptr;
    int16_t m_selected = 0;
    bool m_allView = false;
    QComboBox* m_selector = nullptr;
    QComboBox* m_alertCmb = nullptr;
    std::array<PictureButton*, 16> m_select{};
    std::array<PictureButton*, 16> m_record{};
    QWidget* m_area;
    std::function<void(int16_t, bool)> m_recordingShown;
    PictureButton* m_startRec = nullptr;
    PictureButton* m_audio = nullptr;
};
