#pragma once

#include "app/core/FocusedCamera.h"
#include "app/mainwindow/ImageGO.h"
#include "app/ptz/PanTiltChannel.h"

#include <QObject>
#include <QWidget>

#include <array>
#include <cstdint>

class CameraGO;
class CameraWindow;
class PictureButton;
class QComboBox;

// The main window's buttons: the command column (layouts, record, stop-all,
// snapshot, playback, rotate, configuration, e-map, zoom, pan/tilt), and along
// the bottom one select and one record button per camera, the sound toggle
// and the exit button; and the camera selector and the alert list. Every
// button is built from one row of a table (object name, picture number,
// tooltip, command) and shows its pictures through ImageGO; where each control
// sits is the window skin's business (MainSkin). The console keeps the
// focused camera and carries out the commands that act on it, the pan/tilt
// moves included. GUI thread only.
class ButtonConsole : public QObject {
    Q_OBJECT
public:
    enum class Command {
        None, // shows its picture and tooltip only (its window comes later)
        Record,
        StopAllRec,
        Rotate,
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

    // `cameras`, `window` (the record command's owner) and `images` must
    // outlive the console. Its controls are children of `area`, the main
    // window's client area.
    ButtonConsole(CameraGO& cameras, CameraWindow& window, ImageGO& images, QWidget* area);

    // `CamSlctr` and `alertCmb`.
    QComboBox* cameraSelector() const { return m_camSlctr; }
    QComboBox* alertList() const { return m_alertCmb; }

    FocusedCamera& focused() { return m_focused; }

    // Makes camera `uid` the focused one: its select button drawn selected
    // (the previous one normal), the record and sound buttons following it.
    // The camera already focused changes nothing.
    void focusCamera(int16_t uid);
    // Record button of `uid` and, for the focused camera, StartRecBtn show
    // whether the camera records; StartRecBtn shows idle for any other uid.
    void updateRecBtn(int16_t uid);
    // Shows `picture` on the record button of slot `index`.
    void setRecBtnPicture(int16_t index, const std::string& picture);
    // The sound toggle shows the focused viewer's sound state.
    void showAudioToggle();
    // The sound toggle drawn on or off.
    void showAudioToggle(bool on);

    // The camera whose select button is drawn selected.
    int16_t selectedUid() const { return m_selected; }

signals:
    // ExitBtn: the operator asked to end the program.
    void exitRequested();

private:
    PictureButton* addButton(const Row& row, QWidget* parent, bool followsMouse);
    void run(Command command);

    CameraGO& m_cameras;
    CameraWindow& m_window;
    ImageGO& m_images;
    FocusedCamera m_focused;
    // The move buttons' connection to the focused camera.
    PanTiltChannel m_panTilt;
    int16_t m_selected = 0;
    std::array<PictureButton*, 16> m_select{};
    std::array<PictureButton*, 16> m_record{};
    QWidget* m_area;
    QComboBox* m_camSlctr;
    QComboBox* m_alertCmb;
    PictureButton* m_startRec = nullptr;
    PictureButton* m_audio = nullptr;
};
