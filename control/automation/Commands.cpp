#include "control/automation/Commands.h"

#include <array>

namespace strovix {
namespace {

struct CommandRow {
    Command command;
    std::string_view name;
    std::string_view fixedPath; // for commands without arguments
    std::optional<ReplyRoute> reply;
};

constexpr ReplyRoute route(ReplyMessage m, int w = 0) { return {m, w}; }

constexpr std::array<CommandRow, size_t(Command::Count)> kRows{{
    {Command::OpenClose, "OpenClose", "", std::nullopt},
    {Command::Resolution, "Resolution", "", std::nullopt},
    {Command::Quality, "Quality", "", std::nullopt},
    {Command::Brightness, "Brightness", "", std::nullopt},
    {Command::Contrast, "Contrast", "", std::nullopt},
    {Command::Saturation, "Saturation", "", std::nullopt},
    {Command::Hue, "Hue", "", std::nullopt},
    {Command::Sharpness, "Sharpness", "", std::nullopt},
    {Command::GetAllUser, "GetAllUser", "/GetUser.cgi", route(ReplyMessage::UserList, int(UserListKind::List))},
    {Command::SetUser, "SetUser", "", route(ReplyMessage::UserList, int(UserListKind::Set))},
    {Command::DelUser, "DelUser", "", route(ReplyMessage::UserList, int(UserListKind::Delete))},
    {Command::GetMail, "GetMail", "/GetMail.cgi", route(ReplyMessage::MailSet)},
    {Command::SendMail, "SendMail", "", std::nullopt},
    {Command::SetMail, "SetMail", "", route(ReplyMessage::MailSaved)},
    {Command::SetPPPoE, "SetPPPoE", "", std::nullopt},
    {Command::OpenPPPoE, "OpenPPPoE", "", std::nullopt},
    {Command::ClosePPPoE, "ClosePPPoE", "/PPPoE.cgi?Action=Disconnect", std::nullopt},
    {Command::GetPPPoE, "GetPPPoE", "/PPPoE.cgi?Action=GetSetting", route(ReplyMessage::PppoeSet)},
    {Command::SetModem, "SetModem", "", std::nullopt},
    {Command::OpenModem, "OpenModem", "", std::nullopt},
    {Command::CloseModem, "CloseModem", "/Modem.cgi?Action=Disconnect", std::nullopt},
    {Command::GetModem, "GetModem", "/Modem.cgi?Action=GetInfo", route(ReplyMessage::ModemSet)},
    {Command::SetFtp, "SetFtp", "", std::nullopt},
    {Command::GetFtp, "GetFtp", "/GetFtp.cgi", route(ReplyMessage::FtpSet)},
    {Command::GetLog, "GetLog", "/GetLog.cgi", route(ReplyMessage::Log)},
    {Command::UserCheck, "UserCheck", "", std::nullopt},
    {Command::MotionDetect, "MotionDetect", "", std::nullopt},
    {Command::SetTime, "SetTime", "", std::nullopt},
    {Command::GetTime, "GetTime", "/GetTime.cgi", route(ReplyMessage::Time)},
    {Command::SetIP, "SetIP", "", std::nullopt},
    {Command::GetIP, "GetIP", "/GetIP.cgi", route(ReplyMessage::IpSet)},
    {Command::SetCamName, "SetCamName", "", std::nullopt},
    {Command::GetCamName, "GetCamName", "/GetName.cgi", route(ReplyMessage::CamName)},
    {Command::GetCamVersion, "GetCamVersion", "/GetVer.cgi?VName=Camera", route(ReplyMessage::CamVer)},
    {Command::Frequency, "Frequency", "", std::nullopt},
    {Command::ServerAudio, "ServerAudio", "", std::nullopt},
    {Command::ExCmd, "ExCmd", "", route(ReplyMessage::ExCmdDone)},
    {Command::JspExCmd, "JspExCmd", "", std::nullopt},
}};

constexpr bool rowsInOrder()
{
    for (size_t i = 0; i < kRows.size(); ++i)
        if (size_t(kRows[i].command) != i)
            return false;
    return true;
}
static_assert(rowsInOrder(), "command rows follow the Command enumeration");

std::string cat(std::initializer_list<std::string_view> pieces)
{
    std::string s;
    for (auto p : pieces)
        s += p;
    return s;
}

} // namespace

std::optional<ReplyRoute> replyRouteOf(Command c) { return kRows[size_t(c)].reply; }
std::string_view commandName(Command c) { return kRows[size_t(c)].name; }

namespace paths {

std::string switchText(int32_t v) { return v != 0 ? "true" : "false"; }

std::string openClose(int32_t openStateBefore, int32_t wanted)
{
    // With the state unknown the written value decides; a camera of unknown
    // state is never closed by a request to open it.
    const bool open = openStateBefore == 0 || (openStateBefore == -1 && wanted != 0);
    return open ? "/OpenCamera.cgi" : "/CloseCamera.cgi";
}

std::string imageSetting(Command c, int32_t value)
{
    const std::string v = std::to_string(value);
    switch (c) {
    case Command::Resolution:
        return "/ChangeResolution.cgi?ResType=" + v;
    case Command::Quality:
        return "/ChangeCompressRatio.cgi?Ratio=" + v;
    case Command::Brightness:
        return "/ChangeBrightness.cgi?Brightness=" + v;
    case Command::Contrast:
        return "/ChangeContrast.cgi?Contrast=" + v;
    case Command::Saturation:
        return "/ChangeSaturation.cgi?Saturation=" + v;
    case Command::Hue:
        return "/ChangeHue.cgi?Hue=" + v;
    case Command::Sharpness:
        return "/ChangeSharpness.cgi?Sharpness=" + v;
    default:
        return {};
    }
}

std::string setUser(std::string_view user, std::string_view password)
{
    return cat({"/SetUser.cgi?User=", user, "&Pass=", password});
}

std::string delUser(std::string_view user) { return cat({"/DelUser.cgi?User=", user}); }

std::string sendMail(std::string_view server, std::string_view sender, std::string_view receiver,
                     std::string_view subject, std::string_view content, std::string_view attachFile,
                     std::string_view password, int32_t check)
{
    std::string s = cat({"/SendMail.cgi?MailServer=", server, "&Sender=", sender, "&Receiver=", receiver,
                         "&Subject=", subject, "&AttachFile=", attachFile, "&Content=", content});
    if (check != 0)
        s += cat({"&PassWord=", password, "&CheckFlag=CHECK"});
    return s;
}

std::string setMail(std::string_view server, std::string_view sender, std::string_view receiver,
                    std::string_view password, int32_t checkFlag, int32_t enable)
{
    std::string s = cat({"/SetMail.cgi?MailServer=", server, "&Sender=", sender, "&Receiver=", receiver});
    if (checkFlag != 0)
        s += cat({"&PassWord=", password, "&CheckFlag=CHECK"});
    return s + "&Enable=" + switchText(enable);
}

std::string pppoe(bool connect, std::string_view user, std::string_view password, int32_t enableMail,
                  std::string_view server, std::string_view sender, std::string_view receiver,
                  std::string_view mailPass, int32_t checkFlag)
{
    std::string s = cat({connect ? "/PPPoE.cgi?Action=Connect&User=" : "/PPPoE.cgi?Action=Set&User=", user,
                         "&Pass=", password, "&Mail=", switchText(enableMail), "&MailServer=", server,
                         "&Sender=", sender, "&Receiver=", receiver, "&PassWord=", mailPass});
    if (checkFlag != 0)
        s += "&CheckFlag=CHECK";
    return s;
}

std::string setModem(std::string_view user, std::string_view password, std::string_view phone)
{
    return cat({"/Modem.cgi?Action=Set&User=", user, "&Pass=", password, "&Phone=", phone});
}

std::string openModem(std::string_view user, std::string_view password, std::string_view phone)
{
    return cat({"/PPPoE.cgi?Action=Connect&User=", user, "&Pass=", password, "&Phone=", phone});
}

std::string setFtp(std::string_view server, std::string_view user, std::string_view password,
                   std::string_view account, std::string_view uploadPath, int32_t enable)
{
    return cat({"/SetFtp.cgi?FtpServer=", server, "&User=", user, "&Pass=", password, "&Account=", account,
                "&UploadPath=", uploadPath, "&Enable=", switchText(enable)});
}

std::string userCheck(int32_t v) { return "/SetUserCheck.cgi?Check=" + switchText(v); }
std::string motionDetect(int32_t v) { return "/SetMotionDetect.cgi?Enable=" + switchText(v); }

std::string setTime(int32_t timeOffset, int32_t timeZone)
{
    return "/SetTime.cgi?Sec1970=" + std::to_string(timeOffset) + "&TimeZone=" + std::to_string(timeZone);
}

std::string setIp(int32_t dhcp, std::string_view ip, std::string_view netmask, std::string_view gateway,
                  std::string_view dns0, std::string_view dns1, std::string_view dns2)
{
    return cat({"/SetIP.cgi?IPWay=", dhcp != 0 ? "dhcp" : "manually", "&IP=", ip, "&Netmask=", netmask,
                "&Gateway=", gateway, "&DNS0=", dns0, "&DNS1=", dns1, "&DNS2=", dns2});
}

std::string setCamName(std::string_view name) { return cat({"/SetIP.cgi?CameraName=", name}); }

std::string frequency(int32_t v)
{
    static constexpr std::string_view kValues[] = {"Outdoor", "50", "60"};
    return cat({"/ChangeAECFrequency.cgi?Frequency=", v >= 0 && v <= 2 ? kValues[v] : std::string_view{}});
}

std::string serverAudio(int32_t v) { return "/SetAudio.cgi?Enable=" + switchText(v); }

std::string generic(std::string_view request) { return cat({"/", request}); }

std::string_view fixed(Command c) { return kRows[size_t(c)].fixedPath; }

} // namespace paths

} // namespace strovix
