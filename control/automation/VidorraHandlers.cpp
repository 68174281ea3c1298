// The window-thread handlers of what the camera reports: login level, open
// state, picture information, motion, sound switch, light frequency,
// extended status, version, capability and name. Each stores the control's
// copy, updates the pane texts and fires the matching event.
#include "control/automation/CameraInfo.h"
#include "control/automation/VidorraControl.h"
#include "control/display/ControlUi.h"
#include "control/display/ControlWindow.h"
#include "control/stream/KeyValueReader.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace strovix {

using platform::component::Variant;

namespace {
// Status-bar panes.
constexpr int kPaneStatus = 0;
constexpr int kPaneResolution = 1;
constexpr int kPaneQuality = 2;
constexpr int kPaneMisc = 6;
} // namespace

void VidorraControl::onLogin(int)
{
    // The connection records the level itself (code 0: administrator).
    if (std::string name = m_session->userName(); !name.empty())
        m_camera.userName = name;
    m_welcomeText = "Welcome! " + m_camera.userName;
    // Resolution and Quality choices are for administrators.
    m_display.ui().contextMenu().setLoginLevel(loginLevel());
    m_display.ui().contextMenu().setWelcomeText(m_welcomeText);
    m_session->setPaneText(kPaneMisc, m_session->url());
}

void VidorraControl::onOpenState(int state, int userCheck)
{
    if (state != 2) {
        const int32_t now = state == 1 ? 1 : 0;
        m_session->setPaneText(kPaneStatus, now == 1 ? "Open" : "Close");
        const bool changed = m_camera.openState != now;
        m_camera.openState = now;
        m_statusShared->controlOpenState.store(now);
        if (changed)
            fire(EventId::Status, {Variant(now)});
    }
    if (userCheck != 2) {
        m_camera.userCheck = userCheck;
        fire(EventId::UserCheck, {Variant(int32_t(userCheck))});
    }
}

void VidorraControl::onImageInfo(uint32_t wParam, uint32_t lParam)
{
    const int32_t r = int32_t(wParam >> 16 & 0xFF);
    if (r != m_camera.resolution) {
        m_camera.resolution = r;
        m_display.setResolutionIndex(r);
        checkSubmenu(m_resolutionMenu.get(), r);
        fire(EventId::Resolution, {Variant(r)});
    }
    m_session->setPaneText(kPaneResolution, resolutionName(r, m_camera.camVersionFlag));
    const int32_t q = int32_t(wParam >> 8 & 0xFF);
    if (q != m_camera.quality) {
        m_camera.quality = q;
        checkSubmenu(m_qualityMenu.get(), q);
        fire(EventId::Quality, {Variant(q)});
    }
    m_session->setPaneText(kPaneQuality, qualityName(q, m_camera.qualityTwoLevels));
    const std::pair<Tuning, uint32_t> reported[] = {
        {Tuning::Brightness, wParam & 0xFF},
        {Tuning::Contrast, lParam >> 24 & 0xFF},
        {Tuning::Saturation, lParam >> 16 & 0xFF},
        {Tuning::Hue, lParam >> 8 & 0xFF},
        {Tuning::Sharpness, lParam & 0xFF},
    };
    for (auto [choice, value] : reported) {
        auto& held = m_camera.tuning[size_t(choice)];
        if (held == int32_t(value))
            continue;
        held = int32_t(value);
        fire(EventId::ImageTuning, {Variant(int32_t(choice)), Variant(int32_t(value))});
    }
}

void VidorraControl::onMotion(int kind, int value)
{
    if (kind == 1) {
        if (value != m_camera.motionSwitch) {
            m_camera.motionSwitch = value;
            fire(EventId::SetMotionDetect, {Variant(int32_t(value))});
        }
    } else {
        fire(EventId::MotionDetect, {});
    }
}

void VidorraControl::onServerAudio(int value)
{
    if (value == 0) {
        // Playback of the camera's sound ends with the camera's switch.
        m_audio->stop();
        m_session->setAudio(0);
        m_camera.serverAudio = 0;
    } else if (value == 1) {
        m_camera.serverAudio = 1;
    }
    fire(EventId::ServerAudio, {Variant(m_camera.serverAudio)});
}

void VidorraControl::onFrequency(int value)
{
    if (value == m_camera.frequency)
        return;
    m_camera.frequency = value;
    fire(EventId::Frequency, {Variant(int32_t(value))});
}

void VidorraControl::onExStatus(const std::string& text)
{
    m_camera.exStatusText = text;
    fire(EventId::ExStatus, {Variant(text)});
}

void VidorraControl::onCamVer(const std::string& version)
{
    m_camera.camVersion = version;
    m_camera.camVersionFlag = cameraVersionFlag(version);
    m_display.setCameraVersionFlag(m_camera.camVersionFlag);
    fire(EventId::CamVer, {Variant(version)});
}

void VidorraControl::onCapability(const std::string& capability)
{
    m_camera.capability = capability;
    m_menus = strovix::capabilityMenus(capability, m_camera.camVersionFlag);
    if (m_menus.qualityTwoLevels)
        m_camera.qualityTwoLevels = true;
    buildSubmenus();
}

void VidorraControl::buildSubmenus()
{
    // Item identifiers of the context menu: the first index of each submenu.
    constexpr int kResolutionItem = 57644;
    constexpr int kQualityItem = 57544;
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
                if (isAdmin())
                    putCameraMirrored(member, index);
                checkSubmenu(member == Dispid::Resolution ? m_resolutionMenu.get() : m_qualityMenu.get(),
                             member == Dispid::Resolution ? m_camera.resolution : m_camera.quality);
            });
        }
        return menu;
    };
    m_resolutionMenu = build("Resolution", m_menus.resolution, m_camera.resolution, kResolutionItem, Dispid::Resolution);
    m_qualityMenu = build("Quality", m_menus.quality, m_camera.quality, kQualityItem, Dispid::Quality);
    // Into the context menu at position 1, greyed below administrator level.
    ContextMenu& context = m_display.ui().contextMenu();
    context.setCapabilityMenus(m_qualityMenu.get(), m_resolutionMenu.get());
    context.setLoginLevel(loginLevel());
}

void VidorraControl::checkSubmenu(QMenu* menu, int32_t index)
{
    if (!menu)
        return;
    for (QAction* a : menu->actions())
        a->setChecked(a->data().toInt() == index);
}

void VidorraControl::onCamName(const std::string& reply)
{
    for (auto& [key, value] : readKeyValues(reply))
        if (key == "CameraName")
            m_camera.camName = value;
    m_display.setCameraName(m_camera.camName);
    fire(EventId::GetCamName, {Variant(m_camera.camName)});
}

} // namespace strovix
