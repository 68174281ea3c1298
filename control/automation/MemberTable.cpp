#include "control/automation/MemberTable.h"

#include "control/audio/AudioPlayer.h"
#include "control/automation/VidorraIdentity.h"
#include "control/automation/OperatorUi.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "platform/component/ErrorInfo.h"

#include <algorithm>
#include <type_traits>

namespace strovix {

using namespace platform::component;

namespace {

using P = ControlParts;
using Args = std::vector<Variant>;

constexpr std::string_view kNotAdmin = "You are not an administrator";
constexpr std::string_view kNoAuthority = "You are no authority";
constexpr std::string_view kTuningRange = "0-255";

// DISP_E_EXCEPTION with the control's error object.
HResult refuse(std::string_view text) { return raiseError(text, kProgId, Guid{}); }

HResult answer(const recording::PutResult& r)
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

HResult okOrQuiet(bool done) { return done ? S_OK : S_FALSE; }
HResult refuseUnless(std::optional<std::string> refusal) { return refusal ? refuse(*refusal) : S_OK; }

recording::RecordingSettings& rec(P& p) { return p.recorder->settings(); }

HResult adminCommand(P& p, Command c, std::string path)
{
    if (!p.isAdmin())
        return refuse(kNotAdmin);
    p.launch(c, std::move(path));
    return S_OK;
}
HResult adminFixed(P& p, Command c) { return adminCommand(p, c, std::string(paths::fixed(c))); }

// The five picture tunings: read from the camera's last report; a write
// asks the camera and is refused below administrator level or out of range.
template <Tuning T, Command C> Variant getTuning(P& p) { return p.camera.tuning[size_t(T)].value_or(-1); }
template <Tuning T, Command C> HResult putTuning(P& p, const Variant& value)
{
    const int32_t v = value.i4();
    if (!p.isAdmin())
        return refuse(kNotAdmin);
    if (v < -1 || v > 255)
        return refuse(kTuningRange);
    if (p.camera.tuning[size_t(T)] == v)
        return S_OK;
    p.launch(C, paths::imageSetting(C, v));
    return S_OK;
}

// Resolution and Quality: a quiet refusal below administrator level or when
// the camera already has the value.
template <Command C> HResult putImageChoice(P& p, const Variant& value)
{
    const int32_t v = value.i4();
    const int32_t held = C == Command::Quality ? p.camera.quality : p.camera.resolution;
    if (!p.isAdmin() || v == held)
        return S_FALSE;
    p.launch(C, paths::imageSetting(C, v));
    return S_OK;
}

HResult putBackColor(P& p, const Variant& value)
{
    if (p.site && !p.site->requestEdit(id(Dispid::BackColor)))
        return S_FALSE;
    p.display->setBackColor(value.colorValue());
    p.dirty = true;
    if (p.site)
        p.site->onChanged(id(Dispid::BackColor));
    return S_OK;
}

HResult putOpen(P& p, const Variant& value)
{
    const int32_t v = value.i4();
    if (!p.isAdmin())
        return refuse(kNotAdmin);
    if (v == p.camera.openState)
        return S_FALSE;
    p.launch(Command::OpenClose, paths::openClose(p.camera.openState, v));
    return S_OK;
}

HResult setUser(P& p, Args& a)
{
    // Anyone may change their own account; exact, case-sensitive name.
    if (!p.isAdmin() && !(p.loginLevel() != 0 && a[0].text() == p.camera.userName))
        return refuse(kNoAuthority);
    p.launch(Command::SetUser, paths::setUser(a[0].text(), a[1].text()));
    return S_OK;
}

HResult pppoe(P& p, Args& a, bool open)
{
    return adminCommand(p, open ? Command::OpenPPPoE : Command::SetPPPoE,
                        paths::pppoe(open, a[0].text(), a[1].text(), a[2].i4(), a[3].text(), a[4].text(),
                                     a[5].text(), a[6].text(), a[7].i4()));
}

HResult exCmd(P& p, Args& a)
{
    auto reply = p.commands->runExCmd(p.session->url(), a[0].text(), MemberTable::kExCmdWaitMs);
    const bool given = !a[1].isNull();
    a[2] = Variant(reply && given ? int32_t((*reply)->size()) : -1);
    if (reply && given)
        a[1] = Variant::bytes(*reply);
    return given ? S_OK : S_FALSE;
}

HResult jspExCmd(P& p, Args& a)
{
    std::string reply;
    const bool ok = p.commands->runJspExCmd(p.session->url(), a[0].text(), MemberTable::kJspExCmdWaitMs, reply);
    a[1] = Variant(reply);
    return okOrQuiet(ok);
}

HResult setExStatus(P& p, Args& a)
{
    const int32_t start = a[0].i4(), end = a[1].i4();
    if (!((start > 0 && start <= end && end <= 50) || (start == 0 && end == 0)))
        return S_FALSE;
    p.settings.exStatusStart = start;
    p.settings.exStatusEnd = end;
    p.statusShared->exStart.store(start);
    p.statusShared->exEnd.store(end);
    p.session->setExStatusWindow(start, end);
    return S_OK;
}

HResult getExStatus(P& p, Args& a)
{
    if (a[0].i4() == 0)
        a[1] = Variant(p.settings.exStatusStart);
    else if (a[0].i4() == 1)
        a[1] = Variant(p.settings.exStatusEnd);
    else
        return S_FALSE;
    return S_OK;
}

HResult delMenu(P& p, Args& a)
{
    const int32_t menu = a[0].i4(), sub = a[1].i4();
    if (menu < 0 || menu > 9)
        return S_FALSE;
    VidorraSettings& s = p.settings;
    if (menu == 0) {
        s.menuRemoved.fill(false);
        for (auto& subs : s.submenuRemoved)
            subs.fill(false);
        return S_OK;
    }
    s.menuRemoved[size_t(menu)] = true;
    // Submenu entry 0 stands for the whole submenu.
    const int32_t maxSub = menu == 1 ? 3 : (menu <= 3 ? 4 : -1);
    if (sub >= 0 && sub <= maxSub)
        s.submenuRemoved[size_t(menu)][size_t(sub)] = true;
    return S_OK;
}

using D = Dispid;
using C = Command;
using T = Tuning;

// A recording setting: kept and checked by the recorder.
template <auto Getter, auto Putter> constexpr MemberTable::Entry recordingSetting(Dispid d)
{
    using Settings = recording::RecordingSettings;
    return {d, [](P& p) -> Variant { return (rec(p).*Getter)(); },
            [](P& p, const Variant& v) {
                if constexpr (std::is_invocable_v<decltype(Putter), Settings&, int32_t>)
                    return answer((rec(p).*Putter)(v.i4()));
                else
                    return answer((rec(p).*Putter)(v.text()));
            }};
}
using R = recording::RecordingSettings;

const MemberTable::Entry kEntries[] = {
    {D::BackColor, [](P& p) { return Variant::color(p.display->backColor()); }, putBackColor},
    {D::CamWidth, [](P& p) -> Variant { return int32_t(p.display->camWidth()); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setCamWidth(v.i4())); }},
    {D::CamHeight, nullptr, [](P& p, const Variant& v) { return okOrQuiet(p.display->setCamHeight(v.i4())); }},
    {D::URL, [](P& p) -> Variant { return p.session->url(); }, [](P& p, const Variant& v) { return p.connect(v.text()); }},
    // The display fires Layout through its callback.
    {D::Layout, [](P& p) -> Variant { return int32_t(p.display->layout()); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setLayout(v.i4())); }},
    {D::ShowIntervalTime, [](P& p) -> Variant { return int32_t(p.session->showIntervalTime()); },
     [](P& p, const Variant& v) { return refuseUnless(p.session->setShowIntervalTime(v.i4())); }},
    {D::ReconnectTryNum, [](P& p) -> Variant { return int32_t(p.session->reconnectTryNum()); },
     [](P& p, const Variant& v) { return refuseUnless(p.session->setReconnectTryNum(v.i4())); }},
    {D::ReconnectTryTime, [](P& p) -> Variant { return int32_t(p.session->reconnectTryTime()); },
     [](P& p, const Variant& v) { return refuseUnless(p.session->setReconnectTryTime(v.i4())); }},
    recordingSetting<&R::DownloadNum, &R::putDownloadNum>(D::DownloadNum),
    {D::Rotate, [](P& p) -> Variant { return int32_t(p.display->rotate()); },
     [](P& p, const Variant& v) {
         p.display->setRotate(v.i4());
         return S_OK;
     }},
    recordingSetting<&R::DownloadPath, &R::putDownloadPath>(D::DownloadPath),
    recordingSetting<&R::DownloadPrefix, &R::putDownloadPrefix>(D::DownloadPrefix),
    recordingSetting<&R::AviFrame, &R::putAviFrame>(D::AviFrame),
    recordingSetting<&R::AviPath, &R::putAviPath>(D::AviPath),
    {D::GetAllUser, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::GetAllUser); }},
    {D::SetUser, nullptr, nullptr, setUser},
    {D::DelUser, nullptr, nullptr, [](P& p, Args& a) { return adminCommand(p, C::DelUser, paths::delUser(a[0].text())); }},
    {D::GetMyself, nullptr, nullptr,
     [](P& p, Args& a) {
         if (p.loginLevel() == 0)
             return S_FALSE;
         a[0] = p.camera.userName;
         return S_OK;
     }},
    {D::GetMail, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::GetMail); }},
    {D::SendMail, nullptr, nullptr,
     [](P& p, Args& a) {
         p.launch(C::SendMail, paths::sendMail(a[0].text(), a[1].text(), a[2].text(), a[3].text(), a[4].text(),
                                               a[5].text(), a[6].text(), a[7].i4()));
         return S_OK;
     }},
    {D::SetMail, nullptr, nullptr,
     [](P& p, Args& a) {
         return adminCommand(p, C::SetMail,
                             paths::setMail(a[0].text(), a[1].text(), a[2].text(), a[3].text(), a[4].i4(), a[5].i4()));
     }},
    {D::Open, [](P& p) -> Variant { return p.camera.openState; }, putOpen},
    {D::Quality, [](P& p) -> Variant { return p.camera.quality; }, putImageChoice<C::Quality>},
    {D::Resolution, [](P& p) -> Variant { return p.camera.resolution; }, putImageChoice<C::Resolution>},
    {D::SetPPPoE, nullptr, nullptr, [](P& p, Args& a) { return pppoe(p, a, false); }},
    {D::OpenPPPoE, nullptr, nullptr, [](P& p, Args& a) { return pppoe(p, a, true); }},
    {D::ClosePPPoE, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::ClosePPPoE); }},
    {D::GetPPPoE, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::GetPPPoE); }},
    {D::SetModem, nullptr, nullptr,
     [](P& p, Args& a) { return adminCommand(p, C::SetModem, paths::setModem(a[0].text(), a[1].text(), a[2].text())); }},
    {D::OpenModem, nullptr, nullptr,
     [](P& p, Args& a) { return adminCommand(p, C::OpenModem, paths::openModem(a[0].text(), a[1].text(), a[2].text())); }},
    {D::CloseModem, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::CloseModem); }},
    {D::GetModem, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::GetModem); }},
    {D::SetFtp, nullptr, nullptr,
     [](P& p, Args& a) {
         return adminCommand(p, C::SetFtp,
                             paths::setFtp(a[0].text(), a[1].text(), a[2].text(), a[3].text(), a[4].text(), a[5].i4()));
     }},
    {D::GetFtp, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::GetFtp); }},
    {D::Brightness, getTuning<T::Brightness, C::Brightness>, putTuning<T::Brightness, C::Brightness>},
    {D::Contrast, getTuning<T::Contrast, C::Contrast>, putTuning<T::Contrast, C::Contrast>},
    {D::Saturation, getTuning<T::Saturation, C::Saturation>, putTuning<T::Saturation, C::Saturation>},
    {D::Hue, getTuning<T::Hue, C::Hue>, putTuning<T::Hue, C::Hue>},
    {D::Sharpness, getTuning<T::Sharpness, C::Sharpness>, putTuning<T::Sharpness, C::Sharpness>},
    {D::Download, [](P& p) -> Variant { return p.recorder->Download(); },
     [](P& p, const Variant& v) { return answer(p.recorder->putDownload(v.i4())); }},
    {D::GetLog, nullptr, nullptr,
     [](P& p, Args&) {
         p.launchFixed(C::GetLog);
         return S_OK;
     }},
    {D::UserCheck, [](P& p) -> Variant { return p.camera.userCheck; },
     [](P& p, const Variant& v) { return adminCommand(p, C::UserCheck, paths::userCheck(v.i4())); }},
    {D::MotionDetect, [](P& p) -> Variant { return p.camera.motionSwitch; },
     [](P& p, const Variant& v) {
         if (!p.isAdmin())
             return S_FALSE;
         p.launch(C::MotionDetect, paths::motionDetect(v.i4()));
         return S_OK;
     }},
    recordingSetting<&R::JpgNumInAvi, &R::putJpgNumInAvi>(D::JpgNumInAvi),
    recordingSetting<&R::AviPre, &R::putAviPre>(D::AviPre),
    {D::SetTime, nullptr, nullptr,
     [](P& p, Args& a) {
         if (!p.isAdmin())
             return S_FALSE;
         p.launch(C::SetTime, paths::setTime(a[0].i4(), a[1].i4()));
         return S_OK;
     }},
    {D::GetTime, nullptr, nullptr,
     [](P& p, Args&) {
         p.launchFixed(C::GetTime);
         return S_OK;
     }},
    {D::SetIP, nullptr, nullptr,
     [](P& p, Args& a) {
         return adminCommand(p, C::SetIP, paths::setIp(a[0].i4(), a[1].text(), a[2].text(), a[3].text(), a[4].text(),
                                                       a[5].text(), a[6].text()));
     }},
    {D::GetIP, nullptr, nullptr, [](P& p, Args&) { return adminFixed(p, C::GetIP); }},
    {D::Avi, [](P& p) -> Variant { return p.recorder->Avi(); },
     [](P& p, const Variant& v) {
         const HResult hr = answer(p.recorder->putAvi(v.i4()));
         p.updateRecordSound();
         return hr;
     }},
    {D::ExCmd, nullptr, nullptr, exCmd},
    // A rename's thread then reads the name back, whatever its result.
    {D::CamName, [](P& p) -> Variant { return p.camera.camName; },
     [](P& p, const Variant& v) { return adminCommand(p, C::SetCamName, paths::setCamName(v.text())); }},
    // 3 and 4 request the camera clock first (through the display's callback).
    {D::ShowText, [](P& p) -> Variant { return int32_t(p.display->showText()); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setShowText(v.i4())); }},
    {D::JspExCmd, nullptr, nullptr, jspExCmd},
    recordingSetting<&R::DownloadTime, &R::putDownloadTime>(D::DownloadTime),
    recordingSetting<&R::DownloadSize, &R::putDownloadSize>(D::DownloadSize),
    recordingSetting<&R::AviTotalSize, &R::putAviTotalSize>(D::AviTotalSize),
    recordingSetting<&R::AviTotalTime, &R::putAviTotalTime>(D::AviTotalTime),
    recordingSetting<&R::DownType, &R::putDownType>(D::DownType),
    recordingSetting<&R::DownAviType, &R::putDownAviType>(D::DownAviType),
    recordingSetting<&R::SaveIntervalNum, &R::putSaveIntervalNum>(D::SaveIntervalNum),
    recordingSetting<&R::AviDownNum, &R::putAviDownNum>(D::AviDownNum),
    {D::AutoFrame, [](P& p) -> Variant { return rec(p).AutoFrame(); },
     [](P& p, const Variant& v) {
         const HResult hr = answer(rec(p).putAutoFrame(v.i4()));
         p.updateRecordSound();
         return hr;
     }},
    recordingSetting<&R::AviSaveIntervalNum, &R::putAviSaveIntervalNum>(D::AviSaveIntervalNum),
    {D::Frequency, [](P& p) -> Variant { return p.camera.frequency; },
     [](P& p, const Variant& value) {
         const int32_t v = value.i4();
         if (!p.isAdmin() || v == p.camera.frequency || v < 0 || v > 2)
             return S_FALSE;
         p.launch(C::Frequency, paths::frequency(v));
         return S_OK;
     }},
    {D::Audio, [](P& p) -> Variant { return int32_t(p.audio->audio()); },
     [](P& p, const Variant& v) {
         p.audio->putAudio(v.i4());
         return S_OK;
     }},
    // Anything but "pcm" and "adpcm" (any case) is ignored.
    {D::AudioFormat, [](P& p) -> Variant { return p.audio->audioFormatText(); },
     [](P& p, const Variant& v) {
         p.audio->putAudioFormat(v.text());
         return S_OK;
     }},
    {D::SaveCurrentJpg, nullptr, nullptr,
     [](P& p, Args& a) { return okOrQuiet(p.recorder->SaveCurrentJpg(a[0].text(), p.currentPicture())); }},
    {D::SetExStatus, nullptr, nullptr, setExStatus},
    {D::GetExStatus, nullptr, nullptr, getExStatus},
    {D::GetCamVersion, nullptr, nullptr,
     [](P& p, Args&) {
         p.launchFixed(C::GetCamVersion);
         return S_OK;
     }},
    {D::DelMenu, nullptr, nullptr, delMenu},
    {D::RecordDialog, nullptr, nullptr,
     [](P& p, Args&) {
         p.ui->recordCommand();
         return S_OK;
     }},
    {D::SaveCurJpgDlg, nullptr, nullptr,
     [](P& p, Args&) {
         p.ui->savePicture(p.currentPicture());
         return S_OK;
     }},
    {D::FontColor, [](P& p) { return Variant::color(p.display->fontColor()); },
     [](P& p, const Variant& v) {
         p.display->setFontColor(v.colorValue());
         return S_OK;
     }},
    {D::StatusBarCtrl, [](P& p) -> Variant { return p.settings.statusBarCtrl; },
     [](P& p, const Variant& v) {
         p.settings.statusBarCtrl = v.i4();
         return S_OK;
     }},
    {D::DateFormat, [](P& p) -> Variant { return int32_t(p.display->dateFormat()); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setDateFormat(v.i4())); }},
    {D::TimeFormat, [](P& p) -> Variant { return int32_t(p.display->timeFormat()); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setTimeFormat(v.i4())); }},
    {D::ServerAudio, [](P& p) -> Variant { return p.camera.serverAudio; },
     [](P& p, const Variant& value) {
         const int32_t v = value.i4();
         if (!p.isAdmin() || v == p.camera.serverAudio || v < 0 || v > 1)
             return S_FALSE;
         p.launch(C::ServerAudio, paths::serverAudio(v));
         return S_OK;
     }},
    // Percent, 100..800; the zoom of a split view is refused.
    {D::Zoom, [](P& p) -> Variant { return int32_t(p.display->zoomPercent()); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setZoomPercent(v.i4())); }},
    {D::ZoomMode, [](P& p) -> Variant { return int32_t(p.display->zoomMode() ? 1 : 0); },
     [](P& p, const Variant& v) { return okOrQuiet(p.display->setZoomMode(v.i4() != 0)); }},
    {D::ZoomIn, nullptr, nullptr, [](P& p, Args&) { return okOrQuiet(p.display->zoomIn()); }},
    {D::ZoomOut, nullptr, nullptr, [](P& p, Args&) { return okOrQuiet(p.display->zoomOut()); }},
    {D::ZoomOff, nullptr, nullptr, [](P& p, Args&) { return okOrQuiet(p.display->zoomOff()); }},
};

const MemberTable::Entry* find(int32_t dispid)
{
    const auto* it = std::find_if(std::begin(kEntries), std::end(kEntries),
                                  [dispid](const MemberTable::Entry& e) { return id(e.dispid) == dispid; });
    return it == std::end(kEntries) ? nullptr : it;
}

} // namespace

std::span<const MemberTable::Entry> MemberTable::entries() { return kEntries; }

HResult MemberTable::invoke(ControlParts& parts, int32_t dispid, InvokeKind kind, std::vector<Variant>& args,
                            Variant& result)
{
    const Entry* e = find(dispid);
    if (!e)
        return DISP_E_MEMBERNOTFOUND;
    switch (kind) {
    case InvokeKind::PropertyGet:
        if (!e->get)
            break;
        result = e->get(parts);
        return S_OK;
    case InvokeKind::PropertyPut:
        if (!e->put)
            break;
        return e->put(parts, args[0]);
    case InvokeKind::Method:
        if (!e->call)
            break;
        return e->call(parts, args);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HResult MemberTable::put(ControlParts& parts, Dispid dispid, const Variant& value)
{
    std::vector<Variant> args{value};
    Variant unused;
    return invoke(parts, id(dispid), InvokeKind::PropertyPut, args, unused);
}

} // namespace strovix
