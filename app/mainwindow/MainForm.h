#pragma once

#include "app/core/CameraWindow.h"
#include "app/host/ViewerHost.h"
#include "app/mainwindow/ScreenMetrics.h"
#include "platform/component/Dispatch.h"

#include <QMainWindow>

#include <memory>

class ButtonConsole;
class CameraGO;
class ImageGO;
class MainSkin;
class ViewerGO;
class ViewerGrid;

// The operator's main window: a skinned, screen-filling window designed for
// 1024 x 768 pixels, with the 16 viewer controls in their grid and the button
// console, every control at the place the skin gives it (the panel layout
// then fits the skin to the screen). It hosts the controls (index = camera
// slot), hands them to ViewerGO and passes each viewer's Status event to its
// camera. Closing the window by any means asks for the program's shut-down
// instead. GUI thread only.
class MainForm : public QMainWindow, public CameraWindow {
    Q_OBJECT
public:
    // `cameras` and `viewers` must outlive the window.
    MainForm(CameraGO& cameras, ViewerGO& viewers, std::string controlLibrary, QWidget* parent = nullptr);
    ~MainForm() override;

    // Creates the 16 viewers in the grid and hands them to ViewerGO. Returns
    // the result of the first control that could not be created (the viewers
    // are then not handed over).
    platform::component::HResult createViewers();
    // Takes the viewers down: their windows all go first, then the controls
    // are released, ViewerGO forgets them and the cameras let go of theirs,
    // which frees each control and ends its connection and recording.
    void takeDownViewers();

    // Brings the window to the front (another start asked for it).
    void raiseAndActivate();
    // From now on a close request closes the window.
    void allowClose() { m_closeAllowed = true; }

    ViewerGrid* grid() const { return m_grid; }
    ButtonConsole* console() const { return m_console; }
    // The button and icon pictures (the operator's image folder first).
    ImageGO& images() { return *m_images; }
    // The skin, which is the surface of the panel layout.
    MainSkin& skin() { return *m_skin; }
    // Lays the window out for a screen of this size instead of the primary
    // screen's (tests); call before the layouts run.
    void setScreenSize(QSize pixels) { m_screen.setPixels(pixels); }
    host::ViewerHost& host() { return m_host; }

    // CameraWindow
    void startRec(int16_t uid) override;
    void updateRecBtn(int16_t uid) override;
    void showAudioToggle() override;
    void setRecBtnPicture(int16_t index, const std::string& picture) override;
    void processPendingEvents() override;

signals:
    // The operator asked to end the program (ExitBtn or closing the window).
    void exitRequested();
    // A right click on the window outside the viewers, at `global`.
    void eLayoutMenuRequested(QPoint global);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CameraGO& m_cameras;
    ViewerGO& m_viewers;
    host::ViewerHost m_host;
    ScreenMetrics m_screen;
    std::unique_ptr<ImageGO> m_images;
    std::unique_ptr<MainSkin> m_skin;
    ViewerGrid* m_grid;
    ButtonConsole* m_console;
    bool m_closeAllowed = false;
};
