#pragma once

#include "app/appconfig/AppCfgHost.h"
#include "app/emap/PicGO.h"
#include "app/emap/eMapGO.h"
#include "app/emapwindow/EMapHost.h"

#include <QPoint>
#include <QPointer>

#include <memory>

class AppCfgForm;
class ButtonConsole;
class CameraGO;
class Form4;
class ImageGO;
class RecListForm;
class VolumeInfo;
class eMapForm;

// Ties the windows beside the main window to it: makes them when the console
// first opens them (the recording list's alert lines go to the main window's
// alert list), carries out the e-map icons' commands on the main
// window's cameras and layouts, keeps the icons in step with the record
// buttons, and lends the configuration window a wait window and the viewer
// layout switch. The e-map store lives here, so it outlasts a closed e-map
// window. GUI thread only.
class WindowLinks final : public EMapHost, public AppCfgHost {
public:
    // Everything given must outlive the links.
    WindowLinks(CameraGO& cameras, ButtonConsole& console, ImageGO& images,
                std::shared_ptr<const VolumeInfo> volumes);
    ~WindowLinks() override;

    WindowLinks(const WindowLinks&) = delete;
    WindowLinks& operator=(const WindowLinks&) = delete;

    // Opens the e-map's pop-up "Go to eLayout" at `global` (the main
    // window's right click), making the e-map window first if need be.
    void popupELayoutMenu(const QPoint& global);

    // EMapHost
    bool isRecording(int16_t uid) override;
    void toggleRecording(int16_t uid) override;
    void showSingleVideo(int16_t uid) override;
    void showRecordList(int16_t uid) override;
    void showCameraConfiguration(int16_t uid) override;

    // AppCfgHost
    void showWaitWindow(const std::string& text) override;
    void hideWaitWindow() override;
    void applyViewerLayout(int16_t views) override;

private:
    CameraGO& m_cameras;
    ButtonConsole& m_console;
    ImageGO& m_images;
    std::shared_ptr<const VolumeInfo> m_volumes;
    eMapGO m_maps;
    PicGO m_icons;
    QPointer<eMapForm> m_emap;
    QPointer<AppCfgForm> m_appCfg;
    QPointer<RecListForm> m_recList;
    std::unique_ptr<Form4> m_wait;
};
