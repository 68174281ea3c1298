#include "tools/camsim/Handlers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>

namespace camsim {

namespace {

struct Context {
    Camera& camera;
    const Config& config;
    const Request& request;
    const Identity& who;
    std::string eol;

    std::string line(const std::string& key, const std::string& value) const { return key + " = " + value + eol; }
    std::string lines(const Settings& settings) const
    {
        std::string out;
        for (const auto& [k, v] : settings)
            out += line(k, v);
        return out;
    }
};

Reply ok(const Context& c) { return {Reply::Kind::Plain, 200, "ok" + c.eol}; }

Reply bad(const Context& c, const std::string& why) { return {Reply::Kind::Plain, 400, "error = " + why + c.eol}; }

std::optional<long long> number(const std::optional<std::string>& text, long long lo, long long hi)
{
    if (!text || text->empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text->c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<bool> onOff(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    std::string v = *text;
    for (char& ch : v)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (v == "true" || v == "1" || v == "on")
        return true;
    if (v == "false" || v == "0" || v == "off")
        return false;
    return std::nullopt;
}

// All query items except `skip`, in the order received.
Settings received(const Request& r, const std::string& skip = {})
{
    Settings out;
    for (const auto& kv : r.query)
        if (kv.first != skip)
            out.push_back(kv);
    return out;
}

Reply tuning(Context& c, const char* key, int CameraState::*field)
{
    auto v = number(c.request.param(key), 0, 255);
    if (!v)
        return bad(c, std::string(key) + " takes 0 to 255");
    c.camera.with([&](CameraState& s) { s.*field = int(*v); });
    return ok(c);
}

std::string userList(const Context& c, const CameraState& s)
{
    std::string out;
    for (size_t i = 0; i < s.users.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        out += c.line("User" + n, s.users[i].name);
        out += c.line("Privilege" + n, s.users[i].admin ? "Administrator" : "User");
    }
    return out;
}

Reply linkAction(Context& c, Settings CameraState::*settings, bool CameraState::*connected, bool isPppoe)
{
    const auto action = c.request.param("Action");
    if (!action)
        return bad(c, "Action missing");
    const std::string a = *action;
    if (a == "Set" || a == "Connect") {
        c.camera.with([&](CameraState& s) {
            s.*settings = received(c.request, "Action");
            if (a == "Connect")
                s.*connected = true;
        });
        return ok(c);
    }
    if (a == "Disconnect") {
        c.camera.with([&](CameraState& s) { s.*connected = false; });
        return ok(c);
    }
    if ((isPppoe && a == "GetSetting") || (!isPppoe && a == "GetInfo")) {
        return {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) {
                    return c.lines(s.*settings) + c.line("Status", s.*connected ? "Connected" : "Disconnected");
                })};
    }
    return bad(c, "unknown Action " + a);
}

struct Endpoint {
    bool admin; // only for administrators
    std::function<Reply(Context&)> run;
};

const std::map<std::string, Endpoint>& endpoints()
{
    static const std::map<std::string, Endpoint> table = {
        {"/GetStatus.cgi", {false, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.status(c.who.admin)};
         }}},
        {"/GetMyself.cgi", {false, [](Context& c) { return Reply {Reply::Kind::Plain, 200, c.who.user}; }}},
        {"/GetVer.cgi", {false, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.line("CamVer", c.camera.with([](CameraState& s) { return s.version; }))};
         }}},
        {"/GetCapability.cgi", {false, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) {
                               std::string out;
                               if (!s.omitResolutionCap)
                                   out += c.line("Resolution", std::to_string(s.resolutionMask));
                               if (!s.omitQualityCap)
                                   out += c.line("Quality", std::to_string(s.qualityMask));
                               return out;
                           })};
         }}},
        {"/GetData.cgi", {false, [](Context& c) {
             Reply r;
             r.kind = Reply::Kind::PictureStream;
             r.withStatus = c.request.param("Status") == std::optional<std::string>("1");
             return r;
         }}},
        {"/GetAudioData.cgi", {false, [](Context& c) {
             const auto format = c.request.param("Format");
             std::string f = format.value_or("Pcm");
             for (char& ch : f)
                 ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
             if (f != "pcm" && f != "adpcm")
                 return bad(c, "Format takes Pcm or Adpcm");
             Reply r;
             r.kind = Reply::Kind::SoundStream;
             r.adpcm = f == "adpcm";
             return r;
         }}},
        {"/ChangeResolution.cgi", {true, [](Context& c) {
             auto v = number(c.request.param("ResType"), 0, 7);
             if (!v)
                 return bad(c, "ResType takes 0 to 7");
             c.camera.with([&](CameraState& s) { s.resolution = int(*v); });
             return ok(c);
         }}},
        {"/ChangeCompressRatio.cgi", {true, [](Context& c) {
             auto v = number(c.request.param("Ratio"), 0, 4);
             if (!v)
                 return bad(c, "Ratio takes 0 to 4");
             c.camera.with([&](CameraState& s) { s.quality = int(*v); });
             return ok(c);
         }}},
        {"/ChangeBrightness.cgi", {true, [](Context& c) { return tuning(c, "Brightness", &CameraState::brightness); }}},
        {"/ChangeContrast.cgi", {true, [](Context& c) { return tuning(c, "Contrast", &CameraState::contrast); }}},
        {"/ChangeSaturation.cgi", {true, [](Context& c) { return tuning(c, "Saturation", &CameraState::saturation); }}},
        {"/ChangeHue.cgi", {true, [](Context& c) { return tuning(c, "Hue", &CameraState::hue); }}},
        {"/ChangeSharpness.cgi", {true, [](Context& c) { return tuning(c, "Sharpness", &CameraState::sharpness); }}},
        {"/OpenCamera.cgi", {true, [](Context& c) {
             c.camera.with([](CameraState& s) { s.open = true; });
             return ok(c);
         }}},
        {"/CloseCamera.cgi", {true, [](Context& c) {
             c.camera.with([](CameraState& s) { s.open = false; });
             return ok(c);
         }}},
        {"/SetUserCheck.cgi", {true, [](Context& c) {
             auto v = onOff(c.request.param("Check"));
             if (!v)
                 return bad(c, "Check takes true or false");
             c.camera.with([&](CameraState& s) { s.userCheck = *v; });
             return ok(c);
         }}},
        {"/SetMotionDetect.cgi", {true, [](Context& c) {
             auto v = onOff(c.request.param("Enable"));
             if (!v)
                 return bad(c, "Enable takes true or false");
             const int64_t now = c.camera.nowMs();
             c.camera.with([&](CameraState& s) {
                 if (s.motionOn == *v)
                     return;
                 s.motionBase = s.motionCounterAt(now);
                 s.motionSinceMs = now;
                 s.motionOn = *v;
             });
             return ok(c);
         }}},
        // Not a camera command: the simulator's way to show motion on request.
        {"/SimulateMotion.cgi", {false, [](Context& c) {
             c.camera.with([](CameraState& s) { ++s.motionBase; });
             return ok(c);
         }}},
        {"/ChangeAECFrequency.cgi", {true, [](Context& c) {
             const auto v = c.request.param("Frequency");
             int f = -1;
             if (v == std::optional<std::string>("Outdoor"))
                 f = 0;
             else if (v == std::optional<std::string>("50"))
                 f = 1;
             else if (v == std::optional<std::string>("60"))
                 f = 2;
             if (f < 0)
                 return bad(c, "Frequency takes Outdoor, 50 or 60");
             c.camera.with([&](CameraState& s) { s.frequency = f; });
             return ok(c);
         }}},
        {"/SetAudio.cgi", {true, [](Context& c) {
             auto v = onOff(c.request.param("Enable"));
             if (!v)
                 return bad(c, "Enable takes true or false");
             c.camera.with([&](CameraState& s) { s.audioOn = *v; });
             return ok(c);
         }}},
        {"/GetUser.cgi", {true, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) { return userList(c, s); })};
         }}},
        {"/SetUser.cgi", {true, [](Context& c) {
             const auto user = c.request.param("User");
             const auto pass = c.request.param("Pass");
             if (!user || user->empty() || !pass)
                 return bad(c, "SetUser takes User and Pass");
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) {
                               auto it = std::find_if(s.users.begin(), s.users.end(),
                                                      [&](const UserEntry& u) { return u.name == *user; });
                               if (it != s.users.end())
                                   it->password = *pass;
                               else
                                   s.users.push_back({*user, *pass, false});
                               return userList(c, s);
                           })};
         }}},
        {"/DelUser.cgi", {true, [](Context& c) {
             const auto user = c.request.param("User");
             if (!user || user->empty())
                 return bad(c, "DelUser takes User");
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) {
                               auto it = std::find_if(s.users.begin(), s.users.end(),
                                                      [&](const UserEntry& u) { return u.name == *user; });
                               const auto admins = std::count_if(s.users.begin(), s.users.end(),
                                                                 [](const UserEntry& u) { return u.admin; });
                               // The last administrator stays: without one the camera
                               // could never be administered again.
                               if (it != s.users.end() && !(it->admin && admins == 1))
                                   s.users.erase(it);
                               return userList(c, s);
                           })};
         }}},
        {"/GetMail.cgi", {true, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) { return c.lines(s.mail); })};
         }}},
        {"/SetMail.cgi", {true, [](Context& c) {
             c.camera.with([&](CameraState& s) { s.mail = received(c.request); });
             return ok(c);
         }}},
        {"/SendMail.cgi", {true, [](Context& c) { return ok(c); }}},
        {"/PPPoE.cgi", {true, [](Context& c) {
             return linkAction(c, &CameraState::pppoe, &CameraState::pppoeConnected, true);
         }}},
        {"/Modem.cgi", {true, [](Context& c) {
             return linkAction(c, &CameraState::modem, &CameraState::modemConnected, false);
         }}},
        {"/GetFtp.cgi", {true, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) { return c.lines(s.ftp); })};
         }}},
        {"/SetFtp.cgi", {true, [](Context& c) {
             c.camera.with([&](CameraState& s) { s.ftp = received(c.request); });
             return ok(c);
         }}},
        {"/GetIP.cgi", {true, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) { return c.lines(s.ip); })};
         }}},
        {"/SetIP.cgi", {true, [](Context& c) {
             const auto name = c.request.param("CameraName");
             Settings rest = received(c.request, "CameraName");
             c.camera.with([&](CameraState& s) {
                 if (name) {
                     s.name = *name;
                     s.nameChanges = (s.nameChanges + 1) % 100;
                 }
                 if (!rest.empty()) {
                     // Keep the port line: it is the camera's, not the client's.
                     std::string port;
                     for (auto& [k, v] : s.ip)
                         if (k == "Port")
                             port = v;
                     s.ip = std::move(rest);
                     s.ip.emplace_back("Port", port);
                 }
             });
             return ok(c);
         }}},
        {"/GetName.cgi", {false, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.line("CameraName", c.camera.with([](CameraState& s) { return s.name; }))};
         }}},
        {"/GetLog.cgi", {true, [](Context& c) {
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) {
                               std::string out;
                               for (const auto& l : s.log)
                                   out += l + c.eol;
                               return out;
                           })};
         }}},
        {"/GetTime.cgi", {false, [](Context& c) {
             const int64_t now = static_cast<int64_t>(std::time(nullptr));
             return Reply {Reply::Kind::Plain, 200, c.camera.with([&](CameraState& s) {
                               return c.line("Sec1970", std::to_string(now + s.clockOffsetSec))
                                   + c.line("TimeZone", std::to_string(s.timeZoneMin));
                           })};
         }}},
        {"/SetTime.cgi", {true, [](Context& c) {
             auto sec = number(c.request.param("Sec1970"), 0, 4102444800LL);
             auto tz = number(c.request.param("TimeZone"), -1440, 1440);
             if (!sec || !tz)
                 return bad(c, "SetTime takes Sec1970 and TimeZone");
             const int64_t now = static_cast<int64_t>(std::time(nullptr));
             c.camera.with([&](CameraState& s) {
                 s.clockOffsetSec = *sec - now;
                 s.timeZoneMin = int(*tz);
                 s.clockChanges = (s.clockChanges + 1) % 100;
             });
             return ok(c);
         }}},
        {"/Camera_Move.cgi", {false, [](Context& c) {
             auto v = number(c.request.param("CameraMoveType"), -32768, 32767);
             if (!v)
                 return bad(c, "CameraMoveType takes a number");
             c.camera.with([&](CameraState& s) {
                 s.lastMove = int(*v);
                 ++s.moves;
             });
             return ok(c);
         }}},
    };
    return table;
}

} // namespace

bool isOpenPath(const std::string& path) { return path == "/Camera_Move.cgi"; }

Reply handleRequest(Camera& camera, const Config& config, const Request& request, const Identity& who)
{
    Context c {camera, config, request, who, config.crlf ? "\r\n" : "\n"};
    const auto& table = endpoints();
    auto it = table.find(request.path);
    if (it == table.end())
        return {Reply::Kind::Plain, 404, "404 Not Found" + c.eol};
    if (it->second.admin && !who.admin)
        return {Reply::Kind::Plain, 401, "401 Unauthorized" + c.eol};
    return it->second.run(c);
}

const char* reasonPhrase(int code)
{
    switch (code) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

} // namespace camsim
