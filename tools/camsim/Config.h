#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace camsim {

// A path filter of a fault: empty matches every request; a filter with "?"
// is compared with the whole request target, otherwise with the path alone.
struct PathFilter {
    std::string path;
    bool matches(const std::string& requestPath, const std::string& target) const;
};

// Misbehaviour asked for on the command line, for one camera or all.
struct Faults {
    int closeAfterPictures = 0; // 0: the stream never ends by itself
    struct Answer {
        int code = 0; // 401, 404 or 503
        PathFilter filter;
    };
    std::vector<Answer> answers;
    int delayMs = 0;
    PathFilter delayFilter;
    int dripBytes = 0; // 0: no drips
    int dripPauseMs = 5;
    PathFilter dripFilter;
    int64_t bigLength = 0; // 0: the true Content-Length
    PathFilter bigLengthFilter;
    bool splitEoi = false;
    bool silent = false;
    PathFilter silentFilter;
};

struct UserEntry {
    std::string name;
    std::string password;
    bool admin = false;
};

struct Config {
    int cameras = 1;
    int port = 18081; // 0: a free range is chosen
    std::string bind = "127.0.0.1";
    double fps = 30.0;
    bool spreadClocks = false; // cameras out of step, evenly over one interval
    bool noAuth = false;
    std::string noAuthUser; // with noAuth: everyone is this user (empty: "administrator")
    bool crlf = false;
    std::string logFile; // empty: standard output
    bool quietLog = false;
    std::string version = "510";
    int resolutionMask = 60; // 640x480, 352x288, 320x240, 176x144
    int qualityMask = 31;
    bool omitResolutionCap = false;
    bool omitQualityCap = false;
    bool grey = false;
    bool oddSize = false; // every picture 800x600, outside the control's table
    std::string exStatus;
    int motionIntervalMs = 5000;
    double serveSeconds = 0; // 0: until a signal
    int maxConnections = 64; // per camera
    int requestTimeoutMs = 10000;
    int sendTimeoutMs = 10000;
    std::vector<UserEntry> users;
    bool audioOn = true;
    bool startClosed = false;
    int resolution = 3;
    int quality = 2;
    Faults allFaults;
    std::vector<std::pair<int, std::string>> cameraFaultSpecs; // applied over allFaults
    std::vector<Faults> perCamera; // filled by finish()

    // The faults of camera i.
    const Faults& faultsOf(int camera) const;
};

// Applies one fault spec "[CAM:]KIND[=ARG][@PATH]" (see --help). Returns an
// error text, or empty when it was applied.
std::string applyFaultSpec(Faults& faults, const std::string& spec);

// Parses the command line. On success returns the configuration; on failure
// or --help fills `message` (an error, or the help text with `helpOnly` set).
std::optional<Config> parseCommandLine(int argc, const char* const* argv, std::string& message, bool& helpOnly);

std::string helpText();

} // namespace camsim
