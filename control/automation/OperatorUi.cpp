#include "control/automation/OperatorUi.h"

#include "control/automation/MemberTable.h"
#include "control/automation/RecordingBridge.h"
#include "control/display/ControlDialogs.h"
#include "control/display/ControlUi.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/recording/RecordingDialog.h"
#include "platform/component/Dispatch.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

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

// Item identifiers of the context menu: the first index of each submenu.
constexpr int kResolutionItem = 57644;
constexpr int kQualityItem = 57544;

} // namespace

OperatorUi::OperatorUi(ControlParts& parts, Dispatch& control) : m_parts(parts), m_control(control) { }

OperatorUi::~OperatorUi() = default;

void OperatorUi::wire()
{
    m_parts.display->ui().setOwner(this);
}

void OperatorUi::menuOpening(ContextMenu& menu)
{
    menu.setCapabilityMenus(m_qualityMenu.get(), m_resolutionMenu.get());
    menu.applyRemovals(m_parts.settings.menuRemoved, m_parts.settings.submenuRemoved);
    menu.setLoginLevel(m_parts.loginLevel());
    menu.setRecordText(m_parts.recordingHost->recordMenuText());
    menu.setWelcomeText(m_parts.welcomeText);
}

void OperatorUi::recordCommand()
{
    recording::Recorder& recorder = *m_parts.recorder;
    if (recorder.imageRecordingActive()) {
        recorder.stopImageRecording();
        m_parts.updateRecordSound();
        return;
    }
    // One sheet at a time (RecordDialog may be called while it is open).
    if (m_recordSheetOpen)
        return;
    m_recordSheetOpen = true;
    // The host may release the control while the sheet runs its own loop.
    m_control.addRef();
    DispatchRecordingProperties properties(m_control);
    int selection = 0;
    if (recording::OpenRecordingDialog(properties, recording::RecordingDialog::Both, m_parts.display->window(),
                                       selection) == 1) {
        recorder.startImageRecording((selection & recording::RecordingDialog::kJpegChosen) != 0,
                                     (selection & recording::RecordingDialog::kAviChosen) != 0);
        m_parts.updateRecordSound();
    }
    m_recordSheetOpen = false;
    m_control.release();
}

void OperatorUi::savePicture(Frame picture)
{
    recording::saveCurrentPictureAs(picture, m_parts.display->window());
}

void OperatorUi::showRecordingWarning()
{
    const recording::RecordingWarning& w = m_parts.recorder->warning();
    // Not modal: a host without an operator must not stop here.
    ControlDialogs::current().notify(m_parts.display->window(), w.caption, w.text, ControlDialogs::Icon::Warning);
}

void OperatorUi::loginAgain()
{
    Session& session = *m_parts.session;
    if (!session.loginAgain() && !session.url().empty())
        m_parts.connect(session.url());
}

void OperatorUi::buildSubmenus(const CapabilityMenus& menus)
{
    m_menus = menus;
    auto build = [this](const char* title, const std::vector<MenuItem>& items, int32_t current, int firstId,
                        Dispid member) {
        auto menu = std::make_unique<QMenu>(QString::fromUtf8(title));
        auto* group = new QActionGroup(menu.get());
        for (const MenuItem& item : items) {
            QAction* a = menu->addAction(QString::fromStdString(item.text));
            a->setObjectName(QString::number(firstId + item.index));
            a->setCheckable(true);
            a->setData(item.index);
            a->setChecked(item.index == current);
            group->addAction(a);
            // A choice asks the camera, as a write of the property does;
            // below administrator level it does nothing.
            const int32_t index = item.index;
            QObject::connect(a, &QAction::triggered, menu.get(), [this, member, index] {
                if (m_parts.isAdmin())
                    MemberTable::put(m_parts, member, Variant(index));
                if (member == Dispid::Resolution)
                    checkResolution(m_parts.camera.resolution);
                else
                    checkQuality(m_parts.camera.quality);
            });
        }
        return menu;
    };
    const CameraMirror& camera = m_parts.camera;
    m_resolutionMenu = build("Resolution", m_menus.resolution, camera.resolution, kResolutionItem, Dispid::Resolution);
    m_qualityMenu = build("Quality", m_menus.quality, camera.quality, kQualityItem, Dispid::Quality);
    // Into the context menu at position 1, greyed below administrator level.
    ContextMenu& context = m_parts.display->ui().contextMenu();
    context.setCapabilityMenus(m_qualityMenu.get(), m_resolutionMenu.get());
    context.setLoginLevel(m_parts.loginLevel());
}

void OperatorUi::dropSubmenus()
{
    m_menus = CapabilityMenus{};
    m_resolutionMenu.reset();
    m_qualityMenu.reset();
}

void OperatorUi::check(QMenu* menu, int32_t index)
{
    if (!menu)
        return;
    for (QAction* a : menu->actions())
        a->setChecked(a->data().toInt() == index);
}

} // namespace strovix
