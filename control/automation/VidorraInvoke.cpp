// The automation members of Vidorra: reading, checking and storing
// properties, and the methods. Refusals leave every field unchanged.
#include "control/automation/VidorraControl.h"
#include "control/automation/VidorraIdentity.h"
#include "control/display/ControlWindow.h"

#include <QWidget>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace strovix {

using namespace platform::component;

namespace {

constexpr std::string_view kNotAdmin = "You are not an administrator";
constexpr std::string_view kNoAuthority = "You are no authority";
constexpr std::string_view kTuningRange = "0-255";

Command commandOf(Dispid d)
{
    switch (d) {
    case Dispid::Resolution:
        return Command::Resolution;
    case Dispid::Quality:
        return Command::Quality;
    case Dispid::Brightness:
        return Command::Brightness;
    case Dispid::Contrast:
        return Command::Contrast;
    case Dispid::Saturation:
        return Command::Saturation;
    case Dispid::Hue:
        return Command::Hue;
    default:
        return Command::Sharpness;
    }
}

Tuning tuningOf(Dispid d)
{
    switch (d) {
    case Dispid::Brightness:
        return Tuning::Brightness;
    case Dispid::Contrast:
        return Tuning::Contrast;
    case Dispid::Saturation:
        return Tuning::Saturation;
    case Dispid::Hue:
        return Tuning::Hue;
    default:
        return Tuning::Sharpness;
    }
}

} // namespace

HResult VidorraControl::answer(const recording::PutResult& r)
{
    switch (r.kind) {
    case recording::PutResult::Kind::Ok:
        return S_OK;
    case recording::PutResult::Kind::Quiet:
        return S_FALSE;
    case recording::PutResult::Kind::Refused:
        return refuse(r.text);
    }
    return S_FALSE;
}

HResult VidorraControl::invokeMember(const MemberInfo& member, InvokeKind kind, std::vector<Variant>& args,
                                     Variant& result)
{
    const auto d = static_cast<Dispid>(member.dispid);
    switch (kind) {
    case InvokeKind::PropertyGet:
        return getProperty(d, result);
    case InvokeKind::PropertyPut:
        return putProperty(d, args[0]);
    case InvokeKind::Method:
        return callMethod(d, args);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HResult VidorraControl::getProperty(Dispid d, Variant& result)
{
    const recording::RecordingSettings& r = m_recorder->settings();
    const VidorraSettings& s = m_settings;
    const CameraMirror& c = m_camera;
    switch (d) {
    case Dispid::BackColor:
        result = Variant::color(m_display.backColor());
        break;
    case Dispid::CamWidth:
        result = int32_t(m_display.camWidth());
        break;
    case Dispid::URL:
        result = m_session->url();
        break;
    case Dispid::Layout:
        result = int32_t(m_display.layout());
        break;
    case Dispid::ShowIntervalTime:
        result = int32_t(m_session->showIntervalTime());
        break;
    case Dispid::ReconnectTryNum:
        result = int32_t(m_session->reconnectTryNum());
        break;
    case Dispid::ReconnectTryTime:
        result = int32_t(m_session->reconnectTryTime());
        break;
    case Dispid::DownloadNum:
        result = r.DownloadNum();
        break;
    case Dispid::Rotate:
        result = int32_t(m_display.rotate());
        break;
    case Dispid::DownloadPath:
        result = r.DownloadPath();
        break;
    case Dispid::DownloadPrefix:
        result = r.DownloadPrefix();
        break;
    case Dispid::AviFrame:
        result = r.AviFrame();
        break;
    case Dispid::AviPath:
        result = r.AviPath();
        break;
    case Dispid::Open:
        result = c.openState;
        break;
    case Dispid::Quality:
        result = c.quality;
        break;
    case Dispid::Resolution:
        result = c.resolution;
        break;
    case Dispid::Brightness:
    case Dispid::Contrast:
    case Dispid::Saturation:
    case Dispid::Hue:
    case Dispid::Sharpness:
        result = c.tuning[size_t(tuningOf(d))].value_or(-1);
        break;
    case Dispid::Download:
        result = m_recorder->Download();
        break;
    case Dispid::UserCheck:
        result = c.userCheck;
        break;
    case Dispid::MotionDetect:
        result = c.motionSwitch;
        break;
    case Dispid::JpgNumInAvi:
        result = r.JpgNumInAvi();
        break;
    case Dispid::AviPre:
        result = r.AviPre();
        break;
    case Dispid::Avi:
        result = m_recorder->Avi();
        break;
    case Dispid::CamName:
        result = c.camName;
        break;
    case Dispid::ShowText:
        result = int32_t(m_display.showText());
        break;
    case Dispid::DownloadTime:
        result = r.DownloadTime();
        break;
    case Dispid::DownloadSize:
        result = r.DownloadSize();
        break;
    case Dispid::AviTotalSize:
        result = r.AviTotalSize();
        break;
    case Dispid::AviTotalTime:
        result = r.AviTotalTime();
        break;
    case Dispid::DownType:
        result = r.DownType();
        break;
    case Dispid::DownAviType:
        result = r.DownAviType();
        break;
    case Dispid::SaveIntervalNum:
        result = r.SaveIntervalNum();
        break;
    case Dispid::AviDownNum:
        result = r.AviDownNum();
        break;
    case Dispid::AutoFrame:
        result = r.AutoFrame();
        break;
    case Dispid::AviSaveIntervalNum:
        result = r.AviSaveIntervalNum();
        break;
    case Dispid::Frequency:
        result = c.frequency;
        break;
    case Dispid::Audio:
        result = int32_t(m_audio->audio());
        break;
    case Dispid::AudioFormat:
        result = m_audio->audioFormatText();
        break;
    case Dispid::FontColor:
        result = Variant::color(m_display.fontColor());
        break;
    case Dispid::StatusBarCtrl:
        result = s.statusBarCtrl;
        break;
    case Dispid::DateFormat:
        result = int32_t(m_display.dateFormat());
        break;
    case Dispid::TimeFormat:
        result = int32_t(m_display.timeFormat());
        break;
    case Dispid::ServerAudio:
        result = c.serverAudio;
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
}

HResult VidorraControl::putBackColor(uint32_t color)
{
    if (m_site && !m_site->requestEdit(id(Dispid::BackColor)))
        return S_FALSE;
    m_display.setBackColor(color);
    m_dirty = true;
    if (m_site)
        m_site->onChanged(id(Dispid::BackColor));
    return S_OK;
}

HResult VidorraControl::putCameraMirrored(Dispid d, int32_t v)
{
    CameraMirror& c = m_camera;
    switch (d) {
    case Dispid::Open:
        if (!isAdmin())
            return refuse(kNotAdmin);
        if (v == c.openState)
            return S_FALSE;
        launch(Command::OpenClose, paths::openClose(c.openState, v));
        return S_OK;
    case Dispid::Quality:
    case Dispid::Resolution:
        if (!isAdmin() || v == (d == Dispid::Quality ? c.quality : c.resolution))
            return S_FALSE;
        launch(commandOf(d), paths::imageSetting(commandOf(d), v));
        return S_OK;
    case Dispid::Brightness:
    case Dispid::Contrast:
    case Dispid::Saturation:
    case Dispid::Hue:
    case Dispid::Sharpness:
        if (!isAdmin())
            return refuse(kNotAdmin);
        if (v < -1 || v > 255)
            return refuse(kTuningRange);
        if (c.tuning[size_t(tuningOf(d))] == v)
            return S_OK;
        launch(commandOf(d), paths::imageSetting(commandOf(d), v));
        return S_OK;
    case Dispid::UserCheck:
        if (!isAdmin())
            return refuse(kNotAdmin);
        launch(Command::UserCheck, paths::userCheck(v));
        return S_OK;
    case Dispid::MotionDetect:
        if (!isAdmin())
            return S_FALSE;
        launch(Command::MotionDetect, paths::motionDetect(v));
        return S_OK;
    case Dispid::Frequency:
        if (!isAdmin() || v == c.frequency || v < 0 || v > 2)
            return S_FALSE;
        launch(Command::Frequency, paths::frequency(v));
        return S_OK;
    case Dispid::ServerAudio:
        if (!isAdmin() || v == c.serverAudio || v < 0 || v > 1)
            return S_FALSE;
        launch(Command::ServerAudio, paths::serverAudio(v));
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HResult VidorraControl::putProperty(Dispid d, const Variant& value)
{
    VidorraSettings& s = m_settings;
    recording::RecordingSettings& r = m_recorder->settings();
    const int32_t v = value.i4();
    switch (d) {
    case Dispid::BackColor:
        return putBackColor(value.colorValue());
    case Dispid::CamWidth:
        return m_display.setCamWidth(v) ? S_OK : S_FALSE;
    case Dispid::CamHeight:
        return m_display.setCamHeight(v) ? S_OK : S_FALSE;
    case Dispid::URL:
        return connect(value.text());
    case Dispid::Layout:
        // The display fires Layout through its callback.
        return m_display.setLayout(v) ? S_OK : S_FALSE;
    case Dispid::ShowIntervalTime:
        if (auto refusal = m_session->setShowIntervalTime(v))
            return refuse(*refusal);
        return S_OK;
    case Dispid::ReconnectTryNum:
        if (auto refusal = m_session->setReconnectTryNum(v))
            return refuse(*refusal);
        return S_OK;
    case Dispid::ReconnectTryTime:
        if (auto refusal = m_session->setReconnectTryTime(v))
            return refuse(*refusal);
        return S_OK;
    case Dispid::DownloadNum:
        return answer(r.putDownloadNum(v));
    case Dispid::Rotate:
        m_display.setRotate(v);
        return S_OK;
    case Dispid::DownloadPath:
        return answer(r.putDownloadPath(value.text()));
    case Dispid::DownloadPrefix:
        return answer(r.putDownloadPrefix(value.text()));
    case Dispid::AviFrame:
        return answer(r.putAviFrame(v));
    case Dispid::AviPath:
        return answer(r.putAviPath(value.text()));
    case Dispid::Download:
        return answer(m_recorder->putDownload(v));
    case Dispid::JpgNumInAvi:
        return answer(r.putJpgNumInAvi(v));
    case Dispid::AviPre:
        return answer(r.putAviPre(value.text()));
    case Dispid::Avi: {
        const HResult hr = answer(m_recorder->putAvi(v));
        updateRecordSound();
        return hr;
    }
    case Dispid::CamName:
        if (!isAdmin())
            return refuse(kNotAdmin);
        // The rename's thread then reads the name back, whatever its result.
        launch(Command::SetCamName, paths::setCamName(value.text()));
        return S_OK;
    case Dispid::ShowText:
        // 3 and 4 request the camera clock first (through the display's callback).
        return m_display.setShowText(v) ? S_OK : S_FALSE;
    case Dispid::DownloadTime:
        return answer(r.putDownloadTime(v));
    case Dispid::DownloadSize:
        return answer(r.putDownloadSize(v));
    case Dispid::AviTotalSize:
        return answer(r.putAviTotalSize(v));
    case Dispid::AviTotalTime:
        return answer(r.putAviTotalTime(v));
    case Dispid::DownType:
        return answer(r.putDownType(v));
    case Dispid::DownAviType:
        return answer(r.putDownAviType(v));
    case Dispid::SaveIntervalNum:
        return answer(r.putSaveIntervalNum(v));
    case Dispid::AviDownNum:
        return answer(r.putAviDownNum(v));
    case Dispid::AutoFrame: {
        const HResult hr = answer(r.putAutoFrame(v));
        updateRecordSound();
        return hr;
    }
    case Dispid::AviSaveIntervalNum:
        return answer(r.putAviSaveIntervalNum(v));
    case Dispid::Audio:
        m_audio->putAudio(v);
        return S_OK;
    case Dispid::AudioFormat:
        // Anything but "pcm" and "adpcm" (any case) is ignored.
        m_audio->putAudioFormat(value.text());
        return S_OK;
    case Dispid::FontColor:
        m_display.setFontColor(value.colorValue());
        return S_OK;
    case Dispid::StatusBarCtrl:
        s.statusBarCtrl = v;
        return S_OK;
    case Dispid::DateFormat:
        return m_display.setDateFormat(v) ? S_OK : S_FALSE;
    case Dispid::TimeFormat:
        return m_display.setTimeFormat(v) ? S_OK : S_FALSE;
    default:
        return putCameraMirrored(d, v);
    }
}

HResult VidorraControl::callMethod(Dispid d, std::vector<Variant>& a)
{
    auto text = [&a](size_t i) -> const std::string& { return a[i].text(); };
    auto num = [&a](size_t i) { return a[i].i4(); };
    auto adminCommand = [this](Command c, std::string path) {
        if (!isAdmin())
            return refuse(kNotAdmin);
        launch(c, std::move(path));
        return S_OK;
    };
    auto fixedPath = [](Command c) { return std::string(paths::fixed(c)); };
    switch (d) {
    case Dispid::GetAllUser:
        return adminCommand(Command::GetAllUser, fixedPath(Command::GetAllUser));
    case Dispid::SetUser:
        // Anyone may change their own account; exact, case-sensitive name.
        if (!isAdmin() && !(loginLevel() != 0 && text(0) == m_camera.userName))
            return refuse(kNoAuthority);
        launch(Command::SetUser, paths::setUser(text(0), text(1)));
        return S_OK;
    case Dispid::DelUser:
        return adminCommand(Command::DelUser, paths::delUser(text(0)));
    case Dispid::GetMyself:
        if (loginLevel() == 0)
            return S_FALSE;
        a[0] = m_camera.userName;
        return S_OK;
    case Dispid::GetMail:
        return adminCommand(Command::GetMail, fixedPath(Command::GetMail));
    case Dispid::SendMail:
        launch(Command::SendMail,
               paths::sendMail(text(0), text(1), text(2), text(3), text(4), text(5), text(6), num(7)));
        return S_OK;
    case Dispid::SetMail:
        return adminCommand(Command::SetMail, paths::setMail(text(0), text(1), text(2), text(3), num(4), num(5)));
    case Dispid::SetPPPoE:
    case Dispid::OpenPPPoE:
        return adminCommand(d == Dispid::SetPPPoE ? Command::SetPPPoE : Command::OpenPPPoE,
                            paths::pppoe(d == Dispid::OpenPPPoE, text(0), text(1), num(2), text(3), text(4),
                                         text(5), text(6), num(7)));
    case Dispid::ClosePPPoE:
        return adminCommand(Command::ClosePPPoE, fixedPath(Command::ClosePPPoE));
    case Dispid::GetPPPoE:
        return adminCommand(Command::GetPPPoE, fixedPath(Command::GetPPPoE));
    case Dispid::SetModem:
        return adminCommand(Command::SetModem, paths::setModem(text(0), text(1), text(2)));
    case Dispid::OpenModem:
        return adminCommand(Command::OpenModem, paths::openModem(text(0), text(1), text(2)));
    case Dispid::CloseModem:
        return adminCommand(Command::CloseModem, fixedPath(Command::CloseModem));
    case Dispid::GetModem:
        return adminCommand(Command::GetModem, fixedPath(Command::GetModem));
    case Dispid::SetFtp:
        return adminCommand(Command::SetFtp, paths::setFtp(text(0), text(1), text(2), text(3), text(4), num(5)));
    case Dispid::GetFtp:
        return adminCommand(Command::GetFtp, fixedPath(Command::GetFtp));
    case Dispid::GetLog:
        launch(Command::GetLog, fixedPath(Command::GetLog));
        return S_OK;
    case Dispid::SetTime:
        if (!isAdmin())
            return S_FALSE;
        launch(Command::SetTime, paths::setTime(num(0), num(1)));
        return S_OK;
    case Dispid::GetTime:
        launch(Command::GetTime, fixedPath(Command::GetTime));
        return S_OK;
    case Dispid::SetIP:
        return adminCommand(Command::SetIP,
                            paths::setIp(num(0), text(1), text(2), text(3), text(4), text(5), text(6)));
    case Dispid::GetIP:
        return adminCommand(Command::GetIP, fixedPath(Command::GetIP));
    case Dispid::ExCmd: {
        auto reply = m_commands->runExCmd(m_session->url(), text(0), kExCmdWaitMs);
        const bool given = !a[1].isNull();
        a[2] = Variant(reply && given ? int32_t((*reply)->size()) : -1);
        if (reply && given)
            a[1] = Variant::bytes(*reply);
        return given ? S_OK : S_FALSE;
    }
    case Dispid::JspExCmd: {
        std::string reply;
        const bool ok = m_commands->runJspExCmd(m_session->url(), text(0), kJspExCmdWaitMs, reply);
        a[1] = Variant(reply);
        return ok ? S_OK : S_FALSE;
    }
    case Dispid::SaveCurrentJpg: {
        return m_recorder->SaveCurrentJpg(text(0), currentPicture()) ? S_OK : S_FALSE;
    }
    case Dispid::SetExStatus:
        if (!((num(0) > 0 && num(0) <= num(1) && num(1) <= 50) || (num(0) == 0 && num(1) == 0)))
            return S_FALSE;
        m_settings.exStatusStart = num(0);
        m_settings.exStatusEnd = num(1);
        m_statusShared->exStart.store(num(0));
        m_statusShared->exEnd.store(num(1));
        m_session->setExStatusWindow(num(0), num(1));
        return S_OK;
    case Dispid::GetExStatus:
        if (num(0) == 0)
            a[1] = Variant(m_settings.exStatusStart);
        else if (num(0) == 1)
            a[1] = Variant(m_settings.exStatusEnd);
        else
            return S_FALSE;
        return S_OK;
    case Dispid::GetCamVersion:
        launch(Command::GetCamVersion, fixedPath(Command::GetCamVersion));
        return S_OK;
    case Dispid::DelMenu: {
        const int32_t menu = num(0), sub = num(1);
        if (menu < 0 || menu > 9)
            return S_FALSE;
        if (menu == 0) {
            m_settings.menuRemoved.fill(false);
            for (auto& subs : m_settings.submenuRemoved)
                subs.fill(false);
            return S_OK;
        }
        m_settings.menuRemoved[size_t(menu)] = true;
        // Submenu entry 0 stands for the whole submenu.
        const int32_t maxSub = menu == 1 ? 3 : (menu <= 3 ? 4 : -1);
        if (sub >= 0 && sub <= maxSub)
            m_settings.submenuRemoved[size_t(menu)][size_t(sub)] = true;
        return S_OK;
    }
    case Dispid::RecordDialog:
        recordCommand();
        return S_OK;
    case Dispid::SaveCurJpgDlg:
        savePictureDialog(currentPicture());
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace strovix
