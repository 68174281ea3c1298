#pragma once

#include "control/automation/ReplyMessages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The camera administration commands: what each sends (a CGI path appended
// to the camera's base address) and which message carries its reply.
// Values go into the path as given: strings unchanged (the request layer
// percent-encodes only bytes that would break the request), integers in
// decimal, switches as "true" or "false".
namespace strovix {

enum class Command : uint8_t {
    OpenClose,
    Resolution,
    Quality,
    Brightness,
    Contrast,
    Saturation,
    Hue,
    Sharpness,
    GetAllUser,
    SetUser,
    DelUser,
    GetMail,
    SendMail,
    SetMail,
    SetPPPoE,
    OpenPPPoE,
    ClosePPPoE,
    GetPPPoE,
    SetModem,
    OpenModem,
    CloseModem,
    GetModem,
    SetFtp,
    GetFtp,
    GetLog,
    UserCheck,
    MotionDetect,
    SetTime,
    GetTime,
    SetIP,
    GetIP,
    SetCamName,
    GetCamName,
    GetCamVersion,
    Frequency,
    ServerAudio,
    ExCmd,
    JspExCmd,
    Count
};

// The reply hand-over of a command: the message posted with its wParam, or
// nothing when the reply body is discarded.
struct ReplyRoute {
    ReplyMessage message;
    int wParam = 0;
};
std::optional<ReplyRoute> replyRouteOf(Command c);
std::string_view commandName(Command c);

// The camera-name request waits this long before asking for the name.
inline constexpr int kCamNameDelayMs = 50;

namespace paths {

std::string switchText(int32_t v); // "true" for nonzero, "false" for zero

// Open or close, from the camera's open state before the call.
std::string openClose(int32_t openStateBefore, int32_t wanted);
// The image settings: Resolution, Quality and the five tuning values.
std::string imageSetting(Command c, int32_t value);
std::string setUser(std::string_view user, std::string_view password);
std::string delUser(std::string_view user);
std::string sendMail(std::string_view server, std::string_view sender, std::string_view receiver,
                     std::string_view subject, std::string_view content, std::string_view attachFile,
                     std::string_view password, int32_t check);
std::string setMail(std::string_view server, std::string_view sender, std::string_view receiver,
                    std::string_view password, int32_t checkFlag, int32_t enable);
// Set (connect = false) or connect (connect = true) a PPPoE link.
std::string pppoe(bool connect, std::string_view user, std::string_view password, int32_t enableMail,
                  std::string_view server, std::string_view sender, std::string_view receiver,
                  std::string_view mailPass, int32_t checkFlag);
std::string setModem(std::string_view user, std::string_view password, std::string_view phone);
std::string openModem(std::string_view user, std::string_view password, std::string_view phone);
std::string setFtp(std::string_view server, std::string_view user, std::string_view password,
                   std::string_view account, std::string_view uploadPath, int32_t enable);
std::string userCheck(int32_t v);
std::string motionDetect(int32_t v);
std::string setTime(int32_t timeOffset, int32_t timeZone);
std::string setIp(int32_t dhcp, std::string_view ip, std::string_view netmask, std::string_view gateway,
                  std::string_view dns0, std::string_view dns1, std::string_view dns2);
std::string setCamName(std::string_view name);
// Frequency 0, 1, 2 → "Outdoor", "50", "60".
std::string frequency(int32_t v);
std::string serverAudio(int32_t v);
std::string generic(std::string_view request); // ExCmd, JspExCmd: "/" + request
// Fixed paths of the commands without arguments.
std::string_view fixed(Command c);

} // namespace paths

} // namespace strovix
