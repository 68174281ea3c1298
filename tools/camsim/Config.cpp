#include "tools/camsim/Config.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace camsim {

namespace {

std::optional<long long> parseInt(std::string_view text, long long lo, long long hi)
{
    if (text.empty())
        return std::nullopt;
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<double> parseDouble(std::string_view text, double lo, double hi)
{
    if (text.empty())
        return std::nullopt;
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v >= lo && v <= hi))
        return std::nullopt;
    return v;
}

} // namespace

bool PathFilter::matches(const std::string& requestPath, const std::string& target) const
{
    if (path.empty())
        return true;
    return path.find('?') != std::string::npos ? path == target : path == requestPath;
}

const Faults& Config::faultsOf(int camera) const
{
    if (camera >= 0 && size_t(camera) < perCamera.size())
        return perCamera[size_t(camera)];
    return allFaults;
}

std::string applyFaultSpec(Faults& faults, const std::string& spec)
{
    std::string kind = spec;
    PathFilter filter;
    if (const size_t at = kind.find('@'); at != std::string::npos) {
        filter.path = kind.substr(at + 1);
        kind.resize(at);
        if (filter.path.empty() || filter.path[0] != '/')
            return "fault path must begin with /: " + spec;
    }
    std::string arg;
    bool hasArg = false;
    if (const size_t eq = kind.find('='); eq != std::string::npos) {
        arg = kind.substr(eq + 1);
        kind.resize(eq);
        hasArg = true;
    }
    if (kind == "close-after") {
        auto n = parseInt(arg, 1, 1000000000);
        if (!n)
            return "close-after needs a picture count of at least 1: " + spec;
        faults.closeAfterPictures = int(*n);
    } else if (kind == "answer") {
        auto code = parseInt(arg, 100, 599);
        if (!code || (*code != 401 && *code != 404 && *code != 503))
            return "answer takes 401, 404 or 503: " + spec;
        if (filter.path.empty())
            return "answer needs @PATH: " + spec;
        faults.answers.push_back({int(*code), filter});
    } else if (kind == "delay") {
        auto ms = parseInt(arg, 0, 600000);
        if (!ms)
            return "delay needs milliseconds (0 to 600000): " + spec;
        faults.delayMs = int(*ms);
        faults.delayFilter = filter;
    } else if (kind == "drip") {
        std::string bytes = hasArg ? arg : "16";
        std::string pause = "5";
        if (const size_t comma = bytes.find(','); comma != std::string::npos) {
            pause = bytes.substr(comma + 1);
            bytes.resize(comma);
        }
        auto b = parseInt(bytes, 1, 65536);
        auto p = parseInt(pause, 0, 10000);
        if (!b || !p)
            return "drip takes BYTES[,MS]: " + spec;
        faults.dripBytes = int(*b);
        faults.dripPauseMs = int(*p);
        faults.dripFilter = filter;
    } else if (kind == "big-length") {
        auto n = hasArg ? parseInt(arg, 60001, 2000000000) : std::optional<long long>(60001);
        if (!n)
            return "big-length takes a length above 60000: " + spec;
        faults.bigLength = *n;
        faults.bigLengthFilter = filter;
    } else if (kind == "split-eoi") {
        faults.splitEoi = true;
    } else if (kind == "silent") {
        faults.silent = true;
        faults.silentFilter = filter;
    } else {
        return "unknown fault: " + spec;
    }
    return {};
}

std::string helpText()
{
    return R"(Usage: camsim [OPTION]...
Plays one or more network cameras on loopback for the tests and the demo.
Camera i (counted from 0) listens on ADDRESS:PORT+i. Once every camera
listens, one line "camsim: listening on ADDRESS:P..P+N-1" goes to standard
error. SIGINT or SIGTERM ends the program with exit status 0.

  --cameras N            number of cameras, 1 to 64 (default 1)
  --port P               port of camera 0 (default 18081); 0 picks a free
                         range and prints it in the listening line
  --bind ADDRESS         listen address (default 127.0.0.1)
  --fps F                pictures per second per stream, 0.1 to 100 (default 30)
  --spread-clocks        camera i's pictures come i/N of a picture interval
                         before camera 0's, as free-running cameras would
                         (default: all cameras in step)
  --serve-seconds S      end by itself after S seconds (default: run until a signal)
  --no-auth              accept every request as "administrator"
  --no-auth-as USER      accept every request as USER (one of the users, with
                         that user's role)
  --user NAME:PASS[:admin]
                         add a user (repeatable); defaults: administrator/admin
                         (administrator) and guest/guest
  --crlf                 end reply lines with "\r\n" instead of "\n"
  --log FILE             request log file (default: standard output)
  --quiet                no request log at all
  --camera-version TEXT  the CamVer text (default 510)
  --resolution-mask M    Resolution mask of /GetCapability.cgi (default 60)
  --quality-mask M       Quality mask of /GetCapability.cgi (default 31)
  --no-resolution-cap    leave the Resolution line out of /GetCapability.cgi
  --no-quality-cap       leave the Quality line out of /GetCapability.cgi
  --resolution I         starting resolution index 0-7 (default 3, 640x480)
  --quality I            starting quality index 0-4 (default 2)
  --grey                 grey-scale pictures
  --odd-size             every picture 800x600 (a size outside the control's table)
  --ex-status TEXT       extended status text from column 100 of the status block
  --motion-interval MS   motion counter step while detection is on (default 5000;
                         0: only /SimulateMotion.cgi moves it)
  --audio-off            camera audio switch starts off
  --closed               cameras start closed
  --max-connections N    connections at once per camera (default 64, at least 32)
  --request-timeout MS   time for a client to send its request (default 10000)
  --fault [CAM:]KIND[=ARG][@PATH]
                         misbehave on purpose (repeatable; CAM counted from 0,
                         without CAM for every camera; @PATH limits the fault to
                         one path, or to one exact target if PATH holds "?"):
      close-after=N      end the picture stream after N pictures
      answer=CODE@PATH   answer PATH with 401, 404 or 503
      delay=MS           wait MS before answering
      drip=BYTES[,MS]    send answers in pieces of BYTES (default 16) with MS
                         pauses (default 5)
      big-length[=N]     announce Content-Length N (default 60001) on ordinary replies
      split-eoi          place every picture so that its FF D9 straddles a
                         2048-byte boundary of the stream body
      silent             accept connections and never answer
  --help                 this text

Request log: one line per request, flushed at once:
  cam=<camera> user=<user or -> <method> <request target>

Endpoints (GET): /GetStatus.cgi /GetMyself.cgi /GetVer.cgi /GetCapability.cgi
/GetData.cgi?Status=1 /GetAudioData.cgi?Format=Pcm|Adpcm /ChangeResolution.cgi
/ChangeCompressRatio.cgi /ChangeBrightness.cgi /ChangeContrast.cgi
/ChangeSaturation.cgi /ChangeHue.cgi /ChangeSharpness.cgi /OpenCamera.cgi
/CloseCamera.cgi /SetUserCheck.cgi /SetMotionDetect.cgi /ChangeAECFrequency.cgi
/SetAudio.cgi /GetUser.cgi /SetUser.cgi /DelUser.cgi /GetMail.cgi /SetMail.cgi
/SendMail.cgi /PPPoE.cgi /Modem.cgi /GetFtp.cgi /SetFtp.cgi /GetIP.cgi
/SetIP.cgi /GetLog.cgi /GetTime.cgi /SetTime.cgi /GetName.cgi
/Camera_Move.cgi (no authentication asked)
/SimulateMotion.cgi (any user; the motion counter steps at once, as when the
camera sees motion: a client that switched detection on reports it)
)";
}

std::optional<Config> parseCommandLine(int argc, const char* const* argv, std::string& message, bool& helpOnly)
{
    Config c;
    helpOnly = false;
    bool usersGiven = false;
    std::vector<std::string> faultSpecs;
    auto fail = [&](const std::string& text) {
        message = "camsim: " + text + " (see --help)";
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        auto intValue = [&](long long lo, long long hi) -> std::optional<long long> {
            auto v = value();
            return v ? parseInt(*v, lo, hi) : std::nullopt;
        };
        if (opt == "--help" || opt == "-h") {
            helpOnly = true;
            message = helpText();
            return std::nullopt;
        } else if (opt == "--cameras") {
            auto v = intValue(1, 64);
            if (!v)
                return fail("--cameras takes 1 to 64");
            c.cameras = int(*v);
        } else if (opt == "--port") {
            auto v = intValue(0, 65535);
            if (!v)
                return fail("--port takes 0 to 65535");
            c.port = int(*v);
        } else if (opt == "--bind") {
            auto v = value();
            if (!v || v->empty())
                return fail("--bind takes an address");
            c.bind = *v;
        } else if (opt == "--fps") {
            auto v = value();
            auto f = v ? parseDouble(*v, 0.1, 100) : std::nullopt;
            if (!f)
                return fail("--fps takes 0.1 to 100");
            c.fps = *f;
        } else if (opt == "--serve-seconds") {
            auto v = value();
            auto f = v ? parseDouble(*v, 0.001, 1e7) : std::nullopt;
            if (!f)
                return fail("--serve-seconds takes a positive number");
            c.serveSeconds = *f;
        } else if (opt == "--spread-clocks") {
            c.spreadClocks = true;
        } else if (opt == "--no-auth") {
            c.noAuth = true;
        } else if (opt == "--no-auth-as") {
            auto v = value();
            if (!v || v->empty())
                return fail("--no-auth-as takes a user name");
            c.noAuth = true;
            c.noAuthUser = *v;
        } else if (opt == "--user") {
            auto v = value();
            if (!v)
                return fail("--user takes NAME:PASS[:admin]");
            const size_t colon = v->find(':');
            if (colon == std::string::npos || colon == 0)
                return fail("--user takes NAME:PASS[:admin]");
            UserEntry u;
            u.name = v->substr(0, colon);
            u.password = v->substr(colon + 1);
            if (u.password.size() >= 6 && u.password.compare(u.password.size() - 6, 6, ":admin") == 0) {
                u.password.resize(u.password.size() - 6);
                u.admin = true;
            }
            if (!usersGiven) {
                usersGiven = true;
                c.users.clear();
            }
            c.users.push_back(u);
        } else if (opt == "--crlf") {
            c.crlf = true;
        } else if (opt == "--log") {
            auto v = value();
            if (!v || v->empty())
                return fail("--log takes a file name");
            c.logFile = *v;
        } else if (opt == "--quiet") {
            c.quietLog = true;
        } else if (opt == "--camera-version") {
            auto v = value();
            if (!v)
                return fail("--camera-version takes a text");
            c.version = *v;
        } else if (opt == "--resolution-mask") {
            auto v = intValue(0, 255);
            if (!v)
                return fail("--resolution-mask takes 0 to 255");
            c.resolutionMask = int(*v);
        } else if (opt == "--quality-mask") {
            auto v = intValue(0, 31);
            if (!v)
                return fail("--quality-mask takes 0 to 31");
            c.qualityMask = int(*v);
        } else if (opt == "--no-resolution-cap") {
            c.omitResolutionCap = true;
        } else if (opt == "--no-quality-cap") {
            c.omitQualityCap = true;
        } else if (opt == "--resolution") {
            auto v = intValue(0, 7);
            if (!v)
                return fail("--resolution takes 0 to 7");
            c.resolution = int(*v);
        } else if (opt == "--quality") {
            auto v = intValue(0, 4);
            if (!v)
                return fail("--quality takes 0 to 4");
            c.quality = int(*v);
        } else if (opt == "--grey" || opt == "--gray") {
            c.grey = true;
        } else if (opt == "--odd-size") {
            c.oddSize = true;
        } else if (opt == "--ex-status") {
            auto v = value();
            if (!v)
                return fail("--ex-status takes a text");
            c.exStatus = *v;
        } else if (opt == "--motion-interval") {
            auto v = intValue(0, 3600000);
            if (!v || (*v > 0 && *v < 10))
                return fail("--motion-interval takes 0 or 10 to 3600000 ms");
            c.motionIntervalMs = int(*v);
        } else if (opt == "--audio-off") {
            c.audioOn = false;
        } else if (opt == "--closed") {
            c.startClosed = true;
        } else if (opt == "--max-connections") {
            auto v = intValue(32, 1024);
            if (!v)
                return fail("--max-connections takes 32 to 1024");
            c.maxConnections = int(*v);
        } else if (opt == "--request-timeout") {
            auto v = intValue(100, 600000);
            if (!v)
                return fail("--request-timeout takes 100 to 600000 ms");
            c.requestTimeoutMs = int(*v);
        } else if (opt == "--fault") {
            auto v = value();
            if (!v)
                return fail("--fault takes [CAM:]KIND[=ARG][@PATH]");
            faultSpecs.push_back(*v);
        } else {
            return fail("unknown option " + opt);
        }
    }
    if (!usersGiven)
        c.users = {{"administrator", "admin", true}, {"guest", "guest", false}};
    if (c.port != 0 && c.port + c.cameras - 1 > 65535)
        return fail("--port leaves no room for every camera");
    for (const std::string& spec : faultSpecs) {
        // "CAM:" is a leading decimal number and a colon.
        size_t digits = 0;
        while (digits < spec.size() && spec[digits] >= '0' && spec[digits] <= '9')
            ++digits;
        if (digits > 0 && digits < spec.size() && spec[digits] == ':') {
            auto cam = parseInt(spec.substr(0, digits), 0, c.cameras - 1);
            if (!cam)
                return fail("fault for a camera that does not exist: " + spec);
            Faults probe;
            if (auto err = applyFaultSpec(probe, spec.substr(digits + 1)); !err.empty())
                return fail(err);
            c.cameraFaultSpecs.emplace_back(int(*cam), spec.substr(digits + 1));
        } else if (auto err = applyFaultSpec(c.allFaults, spec); !err.empty()) {
            return fail(err);
        }
    }
    c.perCamera.assign(size_t(c.cameras), c.allFaults);
    for (auto& [cam, spec] : c.cameraFaultSpecs)
        applyFaultSpec(c.perCamera[size_t(cam)], spec);
    return c;
}

} // namespace camsim
