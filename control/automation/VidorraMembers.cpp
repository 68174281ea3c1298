#include "control/automation/VidorraMembers.h"

#include "control/automation/VidorraIdentity.h"

namespace strovix {
namespace {

using namespace platform::component;

constexpr ArgInfo i4(std::string_view name) { return {name, ArgType::I4}; }
constexpr ArgInfo bstr(std::string_view name) { return {name, ArgType::Bstr}; }
constexpr ArgInfo outI4(std::string_view name) { return {name, ArgType::OutI4}; }
constexpr ArgInfo outBstr(std::string_view name) { return {name, ArgType::OutBstr}; }

constexpr MemberInfo getPut(Dispid d, std::string_view name, ArgType t) { return property(id(d), name, t, true, true); }
constexpr MemberInfo i4Property(Dispid d, std::string_view name) { return getPut(d, name, ArgType::I4); }
constexpr MemberInfo textProperty(Dispid d, std::string_view name) { return getPut(d, name, ArgType::Bstr); }
template <class... A> constexpr MemberInfo call(Dispid d, std::string_view name, A... args)
{
    return method(id(d), name, args...);
}

constexpr MemberInfo kMembers[] = {
    getPut(Dispid::BackColor, "BackColor", ArgType::Color),
    i4Property(Dispid::CamWidth, "CamWidth"),
    property(id(Dispid::CamHeight), "CamHeight", ArgType::I4, false, true),
    textProperty(Dispid::URL, "URL"),
    i4Property(Dispid::Layout, "Layout"),
    i4Property(Dispid::ShowIntervalTime, "ShowIntervalTime"),
    i4Property(Dispid::ReconnectTryNum, "ReconnectTryNum"),
    i4Property(Dispid::ReconnectTryTime, "ReconnectTryTime"),
    i4Property(Dispid::DownloadNum, "DownloadNum"),
    i4Property(Dispid::Rotate, "Rotate"),
    textProperty(Dispid::DownloadPath, "DownloadPath"),
    textProperty(Dispid::DownloadPrefix, "DownloadPrefix"),
    i4Property(Dispid::AviFrame, "AviFrame"),
    textProperty(Dispid::AviPath, "AviPath"),
    call(Dispid::GetAllUser, "GetAllUser"),
    call(Dispid::SetUser, "SetUser", bstr("User"), bstr("Password")),
    call(Dispid::DelUser, "DelUser", bstr("User")),
    call(Dispid::GetMyself, "GetMyself", outBstr("myself")),
    call(Dispid::GetMail, "GetMail"),
    call(Dispid::SendMail, "SendMail", bstr("MailServer"), bstr("Sender"), bstr("Receiver"), bstr("Subject"),
         bstr("Content"), bstr("AttachFile"), bstr("Password"), i4("check")),
    call(Dispid::SetMail, "SetMail", bstr("MailServer"), bstr("Sender"), bstr("Receiver"), bstr("Password"),
         i4("CheckFlag"), i4("Enable")),
    i4Property(Dispid::Open, "Open"),
    i4Property(Dispid::Quality, "Quality"),
    i4Property(Dispid::Resolution, "Resolution"),
    call(Dispid::SetPPPoE, "SetPPPoE", bstr("User"), bstr("Password"), i4("EnableMail"), bstr("MailServer"),
         bstr("Sender"), bstr("Receiver"), bstr("MailPass"), i4("CheckFlag")),
    call(Dispid::OpenPPPoE, "OpenPPPoE", bstr("User"), bstr("Password"), i4("EnableMail"), bstr("MailServer"),
         bstr("Sender"), bstr("Receiver"), bstr("MailPass"), i4("CheckFlag")),
    call(Dispid::ClosePPPoE, "ClosePPPoE"),
    call(Dispid::GetPPPoE, "GetPPPoE"),
    call(Dispid::SetModem, "SetModem", bstr("User"), bstr("Password"), bstr("PhoneNumber")),
    call(Dispid::OpenModem, "OpenModem", bstr("User"), bstr("Password"), bstr("PhoneNumber")),
    call(Dispid::CloseModem, "CloseModem"),
    call(Dispid::GetModem, "GetModem"),
    call(Dispid::SetFtp, "SetFtp", bstr("Server"), bstr("User"), bstr("Password"), bstr("Account"),
         bstr("UploadPath"), i4("Enable")),
    call(Dispid::GetFtp, "GetFtp"),
    i4Property(Dispid::Brightness, "Brightness"),
    i4Property(Dispid::Contrast, "Contrast"),
    i4Property(Dispid::Saturation, "Saturation"),
    i4Property(Dispid::Hue, "Hue"),
    i4Property(Dispid::Sharpness, "Sharpness"),
    i4Property(Dispid::Download, "Download"),
    call(Dispid::GetLog, "GetLog"),
    i4Property(Dispid::UserCheck, "UserCheck"),
    i4Property(Dispid::MotionDetect, "MotionDetect"),
    i4Property(Dispid::JpgNumInAvi, "JpgNumInAvi"),
    textProperty(Dispid::AviPre, "AviPre"),
    call(Dispid::SetTime, "SetTime", i4("TimeOffset"), i4("TimeZone")),
    call(Dispid::GetTime, "GetTime"),
    call(Dispid::SetIP, "SetIP", i4("DHCP"), bstr("IP"), bstr("Netmask"), bstr("Gateway"), bstr("DNS0"),
         bstr("DNS1"), bstr("DNS2")),
    call(Dispid::GetIP, "GetIP"),
    i4Property(Dispid::Avi, "Avi"),
    call(Dispid::ExCmd, "ExCmd", bstr("Request"), ArgInfo{"ReqBuf", ArgType::RefVariant}, outI4("BufSize")),
    textProperty(Dispid::CamName, "CamName"),
    i4Property(Dispid::ShowText, "ShowText"),
    call(Dispid::JspExCmd, "JspExCmd", bstr("Request"), outBstr("Reply")),
    i4Property(Dispid::DownloadTime, "DownloadTime"),
    i4Property(Dispid::DownloadSize, "DownloadSize"),
    i4Property(Dispid::AviTotalSize, "AviTotalSize"),
    i4Property(Dispid::AviTotalTime, "AviTotalTime"),
    i4Property(Dispid::DownType, "DownType"),
    i4Property(Dispid::DownAviType, "DownAviType"),
    i4Property(Dispid::SaveIntervalNum, "SaveIntervalNum"),
    i4Property(Dispid::AviDownNum, "AviDownNum"),
    i4Property(Dispid::AutoFrame, "AutoFrame"),
    i4Property(Dispid::AviSaveIntervalNum, "AviSaveIntervalNum"),
    i4Property(Dispid::Frequency, "Frequency"),
    i4Property(Dispid::Audio, "Audio"),
    textProperty(Dispid::AudioFormat, "AudioFormat"),
    call(Dispid::SaveCurrentJpg, "SaveCurrentJpg", bstr("FileName")),
    call(Dispid::SetExStatus, "SetExStatus", i4("Start"), i4("End")),
    call(Dispid::GetExStatus, "GetExStatus", i4("choice"), outI4("value")),
    call(Dispid::GetCamVersion, "GetCamVersion"),
    call(Dispid::DelMenu, "DelMenu", i4("menu"), i4("submenu")),
    call(Dispid::RecordDialog, "RecordDialog"),
    call(Dispid::SaveCurJpgDlg, "SaveCurJpgDlg"),
    getPut(Dispid::FontColor, "FontColor", ArgType::Color),
    i4Property(Dispid::StatusBarCtrl, "StatusBarCtrl"),
    i4Property(Dispid::DateFormat, "DateFormat"),
    i4Property(Dispid::TimeFormat, "TimeFormat"),
    i4Property(Dispid::ServerAudio, "ServerAudio"),
    i4Property(Dispid::Zoom, "Zoom"),
    i4Property(Dispid::ZoomMode, "ZoomMode"),
    call(Dispid::ZoomIn, "ZoomIn"),
    call(Dispid::ZoomOut, "ZoomOut"),
    call(Dispid::ZoomOff, "ZoomOff"),
};

template <class... A> constexpr MemberInfo event(EventId e, std::string_view name, A... args)
{
    return method(id(e), name, args...);
}

constexpr MemberInfo kEvents[] = {
    event(EventId::GetAllUser, "GetAllUser", bstr("alluser")),
    event(EventId::GetMyself, "GetMyself", bstr("myself")),
    event(EventId::GetMail, "GetMail", bstr("MailSet")),
    event(EventId::GetPPPoE, "GetPPPoE", bstr("PPPoESet")),
    event(EventId::GetModem, "GetModem", bstr("ModemSet")),
    event(EventId::GetFtp, "GetFtp", bstr("FtpSet")),
    event(EventId::MotionDetect, "MotionDetect"),
    event(EventId::Layout, "Layout", i4("Layout")),
    event(EventId::Resolution, "Resolution", i4("Resolution")),
    event(EventId::Status, "Status", i4("Status")),
    event(EventId::Quality, "Quality", i4("Quality")),
    event(EventId::ImageTuning, "ImageTuning", i4("choice"), i4("value")),
    event(EventId::UserCheck, "UserCheck", i4("UserCheck")),
    event(EventId::SetMotionDetect, "SetMotionDetect", i4("SetMotionDetect")),
    event(EventId::GetTime, "GetTime", bstr("GetTime")),
    event(EventId::GetIP, "GetIP", bstr("GetIP")),
    event(EventId::GetLog, "GetLog", bstr("GetLog")),
    event(EventId::ExCmd, "ExCmd", i4("size")),
    event(EventId::ClickImage, "ClickImage", i4("x"), i4("y")),
    event(EventId::Frequency, "Frequency", i4("Frequency")),
    event(EventId::ExStatus, "ExStatus", bstr("ExStatus")),
    event(EventId::CamVer, "CamVer", bstr("CamVer")),
    event(EventId::GetCamName, "GetCamName", bstr("CamName")),
    event(EventId::ServerAudio, "ServerAudio", i4("ServerAudio")),
};

constexpr InterfaceInfo kInterface{"IVidorra", kIidIVidorra, "IVidorra Interface", false, kMembers};
constexpr InterfaceInfo kEventInterface{"_IVidorraEvents", kIidIVidorraEvents, "_IVidorraEvents Interface", true,
                                        kEvents};
constexpr CoClassInfo kClass{"Vidorra", kClsidVidorra, kClassDescription, &kInterface, &kEventInterface};
constexpr TypeLibInfo kTypeLib{kTypeLibName, kLibidStrovix, 1, 0, kTypeLibHelp, &kClass};

} // namespace

const InterfaceInfo& vidorraInterface() { return kInterface; }
const InterfaceInfo& vidorraEventInterface() { return kEventInterface; }
const CoClassInfo& vidorraClass() { return kClass; }
const TypeLibInfo& strovixTypeLib() { return kTypeLib; }

} // namespace strovix
