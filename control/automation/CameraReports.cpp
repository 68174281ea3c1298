#include "control/automation/CameraReports.h"

#include "control/audio/AudioPlayer.h"
#include "control/automation/CameraInfo.h"
#include "control/automation/OperatorUi.h"
#include "control/display/ControlUi.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/session/Panes.h"
#include "control/session/VidMessages.h"
#include "control/stream/KeyValueReader.h"

namespace strovix {

using platform::component::Variant;

void CameraReports::wire()
{
    Session& s = *m_parts.session;
    auto arg = [](uintptr_t v) { return int(intptr_t(v)); };
    s.setMessageHandler(WM_VID_LOGIN, [this, arg](const VidMessageArgs& a) -> long {
        onLogin(arg(a.wParam));
        return 0;
    });
    s.setMessageHandler(WM_VID_OPENSTATE, [this, arg](const VidMessageArgs& a) -> long {
        onOpenState(arg(a.wParam), int(a.lParam));
        return 0;
    });
    s.setMessageHandler(WM_VID_IMAGEINFO, [this](const VidMessageArgs& a) -> long {
        onImageInfo(uint32_t(a.wParam), uint32_t(a.lParam));
        return 0;
    });
    s.setMessageHandler(WM_VID_MOTION, [this, arg](const VidMessageArgs& a) -> long {
        onMotion(arg(a.wParam), int(a.lParam));
        return 0;
    });
    s.setMessageHandler(WM_VID_SERVERAUDIO, [this, arg](const VidMessageArgs& a) -> long {
        onServerAudio(arg(a.wParam));
        return 0;
    });
    s.setMessageHandler(WM_VID_FREQUENCY, [this, arg](const VidMessageArgs& a) -> long {
        onFrequency(arg(a.wParam));
        return 0;
    });
    s.setMessageHandler(WM_VID_EXSTATUS, [this](const VidMessageArgs& a) -> long {
        onExStatus(a.text);
        return 0;
    });
    // Sent by the connection thread after login and by the GetCamVersion
    // command, both with the version as the message's text.
    s.setMessageHandler(WM_VID_CAMVER, [this](const VidMessageArgs& a) -> long {
        onCamVer(a.text);
        return 0;
    });
    s.setMessageHandler(WM_VID_CAPABILITY, [this](const VidMessageArgs&) -> long {
        onCapability(m_parts.session->capabilityText());
        return 0;
    });
    // The administration replies the command threads post.
    constexpr ReplyMessage kPosted[] = {ReplyMessage::UserList, ReplyMessage::MailSet,  ReplyMessage::PppoeSet,
                                        ReplyMessage::ModemSet, ReplyMessage::FtpSet,   ReplyMessage::Log,
                                        ReplyMessage::Time,     ReplyMessage::IpSet,    ReplyMessage::ExCmdDone,
                                        ReplyMessage::CamName};
    for (ReplyMessage m : kPosted)
        s.setMessageHandler(unsigned(m), [this, m](const VidMessageArgs& a) -> long {
            onReply(m, intptr_t(a.wParam));
            return 0;
        });
}

void CameraReports::onLogin(int)
{
    // The connection records the level itself (code 0: administrator).
    CameraMirror& camera = m_parts.camera;
    if (std::string name = m_parts.session->userName(); !name.empty())
        camera.userName = name;
    m_parts.welcomeText = "Welcome! " + camera.userName;
    // Resolution and Quality choices are for administrators.
    ContextMenu& menu = m_parts.display->ui().contextMenu();
    menu.setLoginLevel(m_parts.loginLevel());
    menu.setWelcomeText(m_parts.welcomeText);
    m_parts.session->setPaneText(pane::kMisc, m_parts.session->url());
}

void CameraReports::onOpenState(int state, int userCheck)
{
    CameraMirror& camera = m_parts.camera;
    if (state != 2) {
        const int32_t now = state == 1 ? 1 : 0;
        m_parts.session->setPaneText(pane::kStatus, now == 1 ? "Open" : "Close");
        const bool changed = camera.openState != now;
        camera.openState = now;
        m_parts.statusShared->controlOpenState.store(now);
        if (changed)
            m_parts.fire(EventId::Status, {Variant(now)});
    }
    if (userCheck != 2) {
        camera.userCheck = userCheck;
        m_parts.fire(EventId::UserCheck, {Variant(int32_t(userCheck))});
    }
}

void CameraReports::onImageInfo(uint32_t wParam, uint32_t lParam)
{
    CameraMirror& camera = m_parts.camera;
    const int32_t r = int32_t(wParam >> 16 & 0xFF);
    if (r != camera.resolution) {
        camera.resolution = r;
        m_parts.display->setResolutionIndex(r);
        m_parts.ui->checkResolution(r);
        m_parts.fire(EventId::Resolution, {Variant(r)});
    }
    m_parts.session->setPaneText(pane::kResolution, resolutionName(r, camera.camVersionFlag));
    const int32_t q = int32_t(wParam >> 8 & 0xFF);
    if (q != camera.quality) {
        camera.quality = q;
        m_parts.ui->checkQuality(q);
        m_parts.fire(EventId::Quality, {Variant(q)});
    }
    m_parts.session->setPaneText(pane::kQuality, qualityName(q, camera.qualityTwoLevels));
    const std::pair<Tuning, uint32_t> reported[] = {
        {Tuning::Brightness, wParam & 0xFF},
        {Tuning::Contrast, lParam >> 24 & 0xFF},
        {Tuning::Saturation, lParam >> 16 & 0xFF},
        {Tuning::Hue, lParam >> 8 & 0xFF},
        {Tuning::Sharpness, lParam & 0xFF},
    };
    for (auto [choice, value] : reported) {
        auto& held = camera.tuning[size_t(choice)];
        if (held == int32_t(value))
            continue;
        held = int32_t(value);
        m_parts.fire(EventId::ImageTuning, {Variant(int32_t(choice)), Variant(int32_t(value))});
    }
}

void CameraReports::onMotion(int kind, int value)
{
    if (kind == 1) {
        if (value != m_parts.camera.motionSwitch) {
            m_parts.camera.motionSwitch = value;
            m_parts.fire(EventId::SetMotionDetect, {Variant(int32_t(value))});
        }
    } else {
        m_parts.fire(EventId::MotionDetect, {});
    }
}

void CameraReports::onServerAudio(int value)
{
    if (value == 0) {
        // Playback of the camera's sound ends with the camera's switch.
        m_parts.audio->stop();
        m_parts.session->setAudio(0);
        m_parts.camera.serverAudio = 0;
    } else if (value == 1) {
        m_parts.camera.serverAudio = 1;
    }
    m_parts.fire(EventId::ServerAudio, {Variant(m_parts.camera.serverAudio)});
}

void CameraReports::onFrequency(int value)
{
    if (value == m_parts.camera.frequency)
        return;
    m_parts.camera.frequency = value;
    m_parts.fire(EventId::Frequency, {Variant(int32_t(value))});
}

void CameraReports::onExStatus(const std::string& text)
{
    m_parts.fire(EventId::ExStatus, {Variant(text)});
}

void CameraReports::onCamVer(const std::string& version)
{
    CameraMirror& camera = m_parts.camera;
    camera.camVersionFlag = cameraVersionFlag(version);
    m_parts.display->setCameraVersionFlag(camera.camVersionFlag);
    m_parts.fire(EventId::CamVer, {Variant(version)});
}

void CameraReports::onCapability(const std::string& capability)
{
    CameraMirror& camera = m_parts.camera;
    const CapabilityMenus menus = capabilityMenus(capability, camera.camVersionFlag);
    if (menus.qualityTwoLevels)
        camera.qualityTwoLevels = true;
    m_parts.ui->buildSubmenus(menus);
}

void CameraReports::onCamName(const std::string& reply)
{
    CameraMirror& camera = m_parts.camera;
    for (auto& [key, value] : readKeyValues(reply))
        if (key == "CameraName")
            camera.camName = value;
    m_parts.display->setCameraName(camera.camName);
    m_parts.fire(EventId::GetCamName, {Variant(camera.camName)});
}

void CameraReports::onReply(ReplyMessage message, intptr_t wParam)
{
    CommandRunner& commands = *m_parts.commands;
    auto text = [&commands](Command c) { return Variant(commands.replyOf(c)); };
    switch (message) {
    case ReplyMessage::UserList: {
        const Command c = wParam == int(UserListKind::Set) ? Command::SetUser
            : wParam == int(UserListKind::Delete)         ? Command::DelUser
                                                          : Command::GetAllUser;
        m_parts.fire(EventId::GetAllUser, {text(c)});
        break;
    }
    case ReplyMessage::MailSet:
        m_parts.fire(EventId::GetMail, {text(Command::GetMail)});
        break;
    case ReplyMessage::MailSaved:
    case ReplyMessage::CamVer: // arrives as WM_VID_CAMVER with its text
        break;
    case ReplyMessage::PppoeSet:
        m_parts.fire(EventId::GetPPPoE, {text(Command::GetPPPoE)});
        break;
    case ReplyMessage::ModemSet:
        m_parts.fire(EventId::GetModem, {text(Command::GetModem)});
        break;
    case ReplyMessage::FtpSet:
        m_parts.fire(EventId::GetFtp, {text(Command::GetFtp)});
        break;
    case ReplyMessage::Log:
        m_parts.fire(EventId::GetLog, {text(Command::GetLog)});
        break;
    case ReplyMessage::Time: {
        const std::string reply = commands.replyOf(Command::GetTime);
        m_parts.display->applyTimeReply(reply);
        m_parts.fire(EventId::GetTime, {Variant(reply)});
        break;
    }
    case ReplyMessage::IpSet:
        m_parts.fire(EventId::GetIP, {text(Command::GetIP)});
        break;
    case ReplyMessage::ExCmdDone: {
        auto bytes = commands.lastExReply();
        m_parts.fire(EventId::ExCmd, {Variant(wParam == 0 && bytes ? int32_t(bytes->size()) : -1)});
        break;
    }
    case ReplyMessage::CamName:
        onCamName(commands.replyOf(Command::GetCamName));
        break;
    }
}

void CameraReports::requestCamName() { m_parts.launchFixed(Command::GetCamName, kCamNameDelayMs); }
void CameraReports::requestTime() { m_parts.launchFixed(Command::GetTime); }

void CameraReports::resetForConnect()
{
    m_parts.camera = CameraMirror{};
    m_parts.statusShared->controlOpenState.store(-1);
    Display& display = *m_parts.display;
    display.setClockOffset(0);
    display.setCameraName({});
    display.setCameraVersionFlag(0);
    // The Resolution and Quality submenus of the previous camera go.
    m_parts.ui->dropSubmenus();
}

} // namespace strovix
