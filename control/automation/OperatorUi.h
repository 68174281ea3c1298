#pragma once

#include "control/automation/CameraInfo.h"
#include "control/automation/ControlParts.h"
#include "control/display/ControlUiOwner.h"
#include "control/stream/Frame.h"

#include <memory>

class QMenu;

namespace platform::component {
class Dispatch;
}

namespace strovix {

class ContextMenu;

// The control's own user interface wired to its members: the context menu
// (removals, texts, login level, the camera's Resolution and Quality
// submenus), the status-bar panes, the recording command with its sheet,
// the picture save and the recording warning. The display's user interface
// reports to it. Window thread only.
class OperatorUi : public ControlUiOwner {
public:
    // `control` is the control's dispatch interface: the recording sheet
    // writes its values through it, so they pass the checks a host's do.
    OperatorUi(ControlParts& parts, platform::component::Dispatch& control);
    ~OperatorUi() override;
    OperatorUi(const OperatorUi&) = delete;
    OperatorUi& operator=(const OperatorUi&) = delete;

    // Becomes the owner of the display's context menu, keys and status bar.
    void wire();

    // ControlUiOwner: the removals, texts, login level and the camera's
    // submenus go into the menu.
    void menuOpening(ContextMenu& menu) override;
    // F11, "Image Recording(F11)..." and RecordDialog: stop the image
    // recording, or open the recording sheet and start what it chose.
    void recordCommand() override;
    // The picture save through the file dialog, with `picture` as save buffer
    // (also SaveCurrentJpg).
    void savePicture(Frame picture) override;
    // The recorder's last warning, as a box that does not wait for the operator.
    void showRecordingWarning();
    // "Log in again...": the camera may ask for its login again and tries
    // at once; a connection that gave up meanwhile is made anew.
    void loginAgain() override;
    int statusBarCtrl() override { return m_parts.settings.statusBarCtrl; }
    int openState() override { return m_parts.camera.openState; }

    // Builds the Resolution and Quality submenus of a capability reply,
    // checked at the camera's current choices.
    void buildSubmenus(const CapabilityMenus& menus);
    // Checks the entry `index` of a submenu (no submenu yet: nothing).
    void checkResolution(int32_t index) { check(m_resolutionMenu.get(), index); }
    void checkQuality(int32_t index) { check(m_qualityMenu.get(), index); }
    // The submenus of the previous camera go.
    void dropSubmenus();

    const CapabilityMenus& capabilityMenus() const { return m_menus; }
    QMenu* resolutionMenu() const { return m_resolutionMenu.get(); }
    QMenu* qualityMenu() const { return m_qualityMenu.get(); }

private:
    static void check(QMenu* menu, int32_t index);

    ControlParts& m_parts;
    platform::component::Dispatch& m_control;
    bool m_recordSheetOpen = false;
    CapabilityMenus m_menus;
    std::unique_ptr<QMenu> m_resolutionMenu;
    std::unique_ptr<QMenu> m_qualityMenu;
};

} // namespace strovix
