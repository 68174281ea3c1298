// The control's own user interface wired to its members: the context menu
// (removals, texts, login level, the camera's submenus), the status-bar
// panes, the recording command with its sheet and the picture save.
#include "control/automation/VidorraControl.h"

#include "control/display/ControlUi.h"
#include "control/recording/RecordingDialog.h"

namespace strovix {

using namespace platform::component;

namespace {

// The sheet reaches the recording settings through the control's own
// dispatch interface, so every value passes the checks a host's does.
class DispatchRecordingProperties final : public recording::RecordingProperties {
public:
    explicit DispatchRecordingProperties(Dispatch& control) : m_control(control) { }

    int32_t getInt(const char* name) override { return get(name).i4(); }
    std::string getText(const char* name) override { return get(name).text(); }
    bool putInt(const char* name, int32_t value) override { return put(name, Variant(value)); }
    bool putText(const char* name, const std::string& value) override { return put(name, Variant(value)); }

private:
    Variant get(const char* name)
    {
        std::vector<Variant> none;
        Variant out;
        m_control.invoke(m_control.idOfName(name), InvokeKind::PropertyGet, none, &out, nullptr);
        return out;
    }
    bool put(const char* name, Variant value)
    {
        std::vector<Variant> args{std::move(value)};
        ErrorInfo error;
        return m_control.invoke(m_control.idOfName(name), InvokeKind::PropertyPut, args, nullptr, &error) == S_OK;
    }

    Dispatch& m_control;
};

} // namespace

void VidorraControl::wireUi()
{
    ControlUi::Hooks& h = m_display.ui().hooks();
    h.menuOpening = [this](ContextMenu& menu) { prepareContextMenu(menu); };
    h.recordCommand = [this] { recordCommand(); };
    h.savePicture = [this](Frame picture) { savePictureDialog(std::move(picture)); };
    h.statusBarCtrl = [this] { return m_settings.statusBarCtrl; };
    h.openState = [this] { return m_camera.openState; };
    // The pane texts kept for observers show in the status bar while it exists.
    m_session->addPaneObserver([this](int pane, const std::string& text) { m_display.ui().setPaneText(pane, text); });
}

void VidorraControl::prepareContextMenu(ContextMenu& menu)
{
    menu.setCapabilityMenus(m_qualityMenu.get(), m_resolutionMenu.get());
    menu.applyRemovals(m_settings.menuRemoved, m_settings.submenuRemoved);
    menu.setLoginLevel(loginLevel());
    menu.setRecordText(m_recordingHost.recordMenuText());
    menu.setWelcomeText(m_welcomeText);
}

void VidorraControl::recordCommand()
{
    if (m_recorder->imageRecordingActive()) {
        m_recorder->stopImageRecording();
        updateRecordSound();
        return;
    }
    // One sheet at a time (RecordDialog may be called while it is open).
    if (m_recordSheetOpen)
        return;
    m_recordSheetOpen = true;
    // The host may release the control while the sheet runs its own loop.
    addRef();
    DispatchRecordingProperties properties(*this);
    int selection = 0;
    if (recording::OpenRecordingDialog(properties, recording::RecordingDialog::Both, m_display.window(), selection) ==
        1) {
        m_recorder->startImageRecording((selection & recording::RecordingDialog::kJpegChosen) != 0,
                                        (selection & recording::RecordingDialog::kAviChosen) != 0);
        updateRecordSound();
    }
    m_recordSheetOpen = false;
    release();
}

void VidorraControl::savePictureDialog(Frame picture)
{
    recording::saveCurrentPictureAs(picture, m_display.window());
}

Frame VidorraControl::currentPicture() const
{
    return m_currentPicture.empty() ? m_session->frame()->copy() : m_currentPicture;
}

} // namespace strovix
