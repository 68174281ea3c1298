// What the real program spends on live cameras: oculon (offscreen, or with
// --xvfb on an Xvfb display of 1024 x 768 through Qt's xcb platform) with 16
// camsim cameras (640 x 480, 30 pictures/s each, the viewers' default pacing)
// in its 4x4 layout, against the cost of decoding the same cameras' pictures
// with the media library's decoder in this program.
//
//   oculon_live_bench [--seconds S] [--warmup W] [--only live|single|record|slow] [--xvfb]
//
// Each run starts oculon on an application folder of its own (etc/config.ini
// naming the 16 cameras, VIEWER_LAYOUT=16) with --statistics 1: every second
// oculon prints the pictures its viewers have shown and the CPU time of its
// process and of its window thread so far. The first line past W seconds
// (default 5: the cameras connect and the controls settle) opens the
// measured window, the first line S seconds later (default 30) closes it.
// CPU per shown picture is the process's CPU over the window divided by the
// pictures shown in it.
//
// Beside the CPU it prints the context switches of oculon's threads per
// shown picture, all threads and the window thread alone (read from /proc
// with each statistics line): the wake-ups the road costs.
//
// The runs: "live" the 4x4 layout; "single" the one-view layout
// (VIEWER_LAYOUT=1) with all 16 cameras connected, 15 of them unseen;
// "record" the 4x4 layout recording AVI on all 16 cameras from the start
// (REC_AT_START=1), the written rate the growth of the recording folders
// (finished and unfinished files) over the same window; "slow" the 4x4
// layout with cameras that send 2 pictures/s, first all in step, then with
// their clocks spread over the half second (camsim --spread-clocks). Each prints the median over
// the window of oculon's per-second latency figures (the time from a
// picture's last byte to its first paint: median and 95th percentile).
//
// The baseline decodes pictures recorded from camsim's cameras with
// media::decodeJpeg into one reused bitmap, on one thread, at full size and
// at the size a viewer of the 4x4 layout shows them (210 x 158 at the
// reference screen: the DCT-scaled decode the viewers do).
#include "control/session/Session.h"
#include "control/session/VidMessages.h"
#include "media/jpeg/JpegDecoder.h"
#include "e2e/XDisplay.h"
#include "support/CamsimProcess.h"
#include "support/TempDir.h"
#include "bench/LoadAverage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <ctime>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using strovix::Frame;
using strovix::Session;

constexpr int kCameras = 16;
// A viewer of the 4x4 layout at the reference screen of 1024 x 768: 3150 x
// 2370 twips.
const QSize kViewerSize(210, 158);

struct Options {
    double seconds = 30;
    double warmup = 5;
    std::string only; // empty: every run
    // The program on an Xvfb display of its own (Qt's xcb platform) instead
    // of the offscreen platform.
    bool xvfb = false;
    // Set once that display runs.
    std::string display;
};

std::optional<Options> parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--seconds" && hasValue)
            o.seconds = std::atof(argv[++i]);
        else if (a == "--warmup" && hasValue)
            o.warmup = std::atof(argv[++i]);
        else if (a == "--only" && hasValue) {
            o.only = argv[++i];
            if (o.only != "live" && o.only != "single" && o.only != "record" && o.only != "slow")
                return std::nullopt;
        } else if (a == "--xvfb")
            o.xvfb = true;
        else
            return std::nullopt;
    }
    if (o.seconds <= 0 || o.warmup < 0)
        return std::nullopt;
    return o;
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Pictures from cameras 0..3 of `cams`, as a control's connection thread
// stores them.
std::vector<Frame> recordPictures(const CamsimProcess& cams, const TempDir& home)
{
    std::vector<Frame> out;
    for (int camera = 0; camera < 4; ++camera) {
        Session::Options options;
        options.urlSettingsFile = home.file("url-settings");
        options.credentialStore = std::make_shared<strovix::CredentialStore>("");
        Session session(options);
        session.setWindowReady(true);
        session.setShowIntervalTime(0);
        const size_t want = out.size() + 50;
        session.setMessageHandler(strovix::WM_VID_NEWFRAME, [&](const strovix::VidMessageArgs&) -> long {
            if (out.size() < want)
                out.push_back(session.frame()->copy());
            return 0;
        });
        if (session.setUrl(cams.url(camera)) != 0)
            continue;
        QElapsedTimer clock;
        clock.start();
        while (out.size() < want && clock.elapsed() < 20000)
            runEventLoop(20);
        session.setWindowReady(false);
    }
    return out;
}

// CPU seconds of one decode into a reused bitmap shown at `shown` (empty:
// full size), over the pictures for about two seconds.
double decodeCost(const std::vector<Frame>& pictures, QSize shown)
{
    QImage bitmap;
    int decoded = 0;
    const double cpu0 = threadCpuSeconds();
    double cpu = 0;
    while (cpu < 2.0) {
        for (const Frame& f : pictures) {
            if (!media::decodeJpeg(f.data(), f.size(), bitmap, shown))
                std::fprintf(stderr, "oculon_live_bench: a recorded picture did not decode\n");
            ++decoded;
        }
        cpu = threadCpuSeconds() - cpu0;
    }
    return cpu / decoded;
}

// Bytes of every file under `folder` (recordings still being written too).
uint64_t bytesUnder(const fs::path& folder)
{
    uint64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError)) {
            const auto size = it->file_size(sizeError);
            if (!sizeError)
                total += size;
        }
    }
    return total;
}

// Context switches (voluntary and forced) of one thread of `pid`, or of all
// its threads when `thread` is 0.
uint64_t contextSwitches(qint64 pid, qint64 thread)
{
    uint64_t total = 0;
    auto add = [&](const fs::path& status) {
        std::ifstream in(status);
        for (std::string line; std::getline(in, line);) {
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::strtoull(line.c_str() + line.find(':') + 1, nullptr, 10);
        }
    };
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    if (thread != 0) {
        add(tasks / std::to_string(thread) / "status");
        return total;
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(tasks, ec))
        add(entry.path() / "status");
    return total;
}

// One line of oculon's --statistics.
struct Sample {
    double seconds = 0;
    long long pictures = 0;
    double cpu = 0;
    double windowCpu = 0; // the GUI thread's, which is every control's window thread
    // Taken when the line was read:
    uint64_t recorded = 0;       // bytes under the recording folders
    uint64_t windowSwitches = 0; // context switches of the window (main) thread
    uint64_t allSwitches = 0;    // of all threads
    // The second's latency figures, when pictures were painted in it.
    std::optional<double> latencyMedian, latencyP95;
};

std::optional<Sample> parseSample(const std::string& line)
{
    Sample s;
    if (std::sscanf(line.c_str(), "statistics: %lf s, %lld pictures shown, %lf s CPU, %lf s GUI thread CPU",
                    &s.seconds, &s.pictures, &s.cpu, &s.windowCpu) != 4)
        return std::nullopt;
    double median = 0, p95 = 0;
    const size_t at = line.find("latency median ");
    if (at != std::string::npos && std::sscanf(line.c_str() + at, "latency median %lf ms p95 %lf ms", &median, &p95) == 2) {
        s.latencyMedian = median;
        s.latencyP95 = p95;
    }
    return s;
}

double medianOf(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

struct RunResult {
    bool ok = false;
    Sample first, last;
    // The per-second latency figures inside the measured window.
    std::vector<double> latencyMedians, latencyP95s;
    std::string loadBefore, loadAfter;
};

// oculon on a fresh application folder beside this program, showing (and,
// with `record`, recording) the 16 cameras for the measured window.
RunResult runOculon(const CamsimProcess& cams, const Options& o, bool record, int layout, const fs::path& buildRoot)
{
    RunResult r;
    const fs::path home = buildRoot / (record ? "oculon-bench-home-record" : "oculon-bench-home-live");
    std::error_code ec;
    fs::remove_all(home, ec);
    fs::create_directories(home / "etc");
    {
        std::ofstream ini(home / "etc" / "config.ini");
        ini << "[App]\nVIEWER_LAYOUT=" << layout << "\n";
        for (int i = 0; i < kCameras; ++i)
            ini << "[Camera" << i + 1 << "]\nIP=127.0.0.1\nPORT=" << cams.port(i) << "\nDISPLAY_LOCATION=Camera "
                << i + 1 << "\nREC_AT_START=" << (record ? 1 : 0) << "\n";
    }
    const fs::path recordings = home / "video_rec";

    QProcess oculon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (o.display.empty()) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", QString::fromStdString(o.display));
        env.remove("WAYLAND_DISPLAY");
        // Painted by the raster engine, as on a desktop without GL.
        env.insert("QT_XCB_GL_INTEGRATION", "none");
    }
    env.insert("OCULON_HOME", QString::fromStdString(home.string()));
    env.insert("STROVIX_REGISTRY", QString::fromStdString((home / "registry").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((home / "config").string()));
    env.insert("XDG_STATE_HOME", QString::fromStdString((home / "state").string()));
    fs::create_directories(home / "runtime");
    fs::permissions(home / "runtime", fs::perms::owner_all, ec);
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((home / "runtime").string()));
    oculon.setProcessEnvironment(env);
    // Its log stays in its state folder; standard error would only repeat it.
    oculon.setProcessChannelMode(QProcess::SeparateChannels);
    oculon.setStandardErrorFile(QString::fromStdString((home / "stderr.log").string()));
    const double runFor = o.warmup + o.seconds + 3;
    r.loadBefore = loadText();
    oculon.start(QString::fromStdString((buildRoot / "bin" / "oculon").string()),
                 {"--statistics", "1", "--quit-after", QString::number(runFor)});
    if (!oculon.waitForStarted(10000)) {
        std::fprintf(stderr, "oculon_live_bench: oculon did not start\n");
        return r;
    }
    bool haveFirst = false;
    QElapsedTimer clock;
    clock.start();
    std::string pending;
    while (clock.elapsed() < qint64((runFor + 30) * 1000)) {
        if (!oculon.waitForReadyRead(2000)) {
            if (oculon.state() == QProcess::NotRunning)
                break;
            continue;
        }
        pending += oculon.readAllStandardOutput().toStdString();
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
            auto sample = parseSample(pending.substr(0, nl));
            if (!sample)
                continue;
            sample->windowSwitches = contextSwitches(oculon.processId(), oculon.processId());
            sample->allSwitches = contextSwitches(oculon.processId(), 0);
            if (!haveFirst && sample->seconds >= o.warmup) {
                sample->recorded = bytesUnder(recordings);
                r.first = *sample;
                haveFirst = true;
            } else if (haveFirst && sample->latencyMedian) {
                r.latencyMedians.push_back(*sample->latencyMedian);
                r.latencyP95s.push_back(*sample->latencyP95);
            }
            if (haveFirst && sample->seconds >= r.first.seconds + o.seconds - 0.5) {
                sample->recorded = bytesUnder(recordings);
                r.last = *sample;
                r.loadAfter = loadText();
                r.ok = true;
                break;
            }
        }
        if (r.ok)
            break;
    }
    if (!oculon.waitForFinished(int((runFor + 30) * 1000))) {
        oculon.kill();
        oculon.waitForFinished(5000);
    }
    fs::remove_all(home, ec);
    return r;
}

void report(const char* name, const RunResult& r, double decodeFull, double decodeScaled)
{
    if (!r.ok) {
        std::printf("%s: no measured window (oculon printed too few statistics lines)\n", name);
        return;
    }
    const double wall = r.last.seconds - r.first.seconds;
    const double cpu = r.last.cpu - r.first.cpu;
    const double pictures = double(r.last.pictures - r.first.pictures);
    const double perPicture = pictures > 0 ? cpu / pictures : 0;
    const double windowCpu = r.last.windowCpu - r.first.windowCpu;
    std::printf("%s: %.1f s measured, %.1f pictures/s shown, %.3f cores (window thread %.3f), %.3f ms CPU per "
                "shown picture (window thread %.3f) = %.2fx a full-size decode, %.2fx a decode at the viewers' scale",
                name, wall, pictures / wall, cpu / wall, windowCpu / wall, perPicture * 1e3,
                pictures > 0 ? windowCpu / pictures * 1e3 : 0.0, perPicture / decodeFull, perPicture / decodeScaled);
    if (r.last.recorded > 0 || r.first.recorded > 0)
        std::printf(", %.2f MB/s written", double(r.last.recorded - r.first.recorded) / wall / 1e6);
    if (pictures > 0)
        std::printf(", %.2f context switches per shown picture (window thread %.2f)",
                    double(r.last.allSwitches - r.first.allSwitches) / pictures,
                    double(r.last.windowSwitches - r.first.windowSwitches) / pictures);
    if (!r.latencyMedians.empty())
        std::printf(", latency to the screen: median %.1f ms, p95 %.1f ms (medians of %zu seconds)",
                    medianOf(r.latencyMedians), medianOf(r.latencyP95s), r.latencyMedians.size());
    std::printf(" (load %s before, %s after)\n", r.loadBefore.c_str(), r.loadAfter.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    auto options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: oculon_live_bench [--seconds S] [--warmup W] [--only live|record] [--xvfb]\n");
        return 64;
    }
    std::optional<XDisplay> screen;
    if (options->xvfb) {
        screen.emplace();
        if (!screen->started()) {
            std::fprintf(stderr, "oculon_live_bench: %s\n", screen->error().c_str());
            return 1;
        }
        options->display = screen->name();
    }
    // The program lies in build/bench; oculon and camsim in build/bin.
    const fs::path buildRoot = fs::canonical("/proc/self/exe").parent_path().parent_path();
    setenv("OCULON_BUILD_BIN", (buildRoot / "bin").c_str(), 0);
    TempDir home;
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    setenv("STROVIX_REGISTRY", home.file("registry").c_str(), 1);
    QCoreApplication app(argc, argv);

    CamsimProcess cams({"--cameras", std::to_string(kCameras), "--no-auth", "--fps", "30", "--quiet"});
    if (!cams.started()) {
        std::fprintf(stderr, "oculon_live_bench: camsim did not start\n");
        return 1;
    }
    const std::vector<Frame> pictures = recordPictures(cams, home);
    if (pictures.empty()) {
        std::fprintf(stderr, "oculon_live_bench: no pictures recorded from camsim\n");
        return 1;
    }
    QImage probe;
    media::DecodeOutcome outcome;
    media::decodeJpeg(pictures.front().data(), pictures.front().size(), probe, kViewerSize, &outcome);
    const double full = decodeCost(pictures, {});
    const double scaled = decodeCost(pictures, kViewerSize);
    std::printf("decode only (%zu pictures of %dx%d from camsim): %.3f ms full size, %.3f ms at %d/8 for a %dx%d "
                "viewer (load %s)\n",
                pictures.size(), outcome.pictureSize.width(), outcome.pictureSize.height(), full * 1e3, scaled * 1e3,
                outcome.scaleEighths, kViewerSize.width(), kViewerSize.height(), loadText().c_str());
    std::fflush(stdout);

    if (!options->display.empty())
        std::printf("oculon runs on the Xvfb display %s (%dx%d)\n", options->display.c_str(), XDisplay::kWidth,
                    XDisplay::kHeight);
    auto wanted = [&](const char* run) { return options->only.empty() || options->only == run; };
    if (wanted("live"))
        report("oculon, 16 cameras in 4x4", runOculon(cams, *options, false, 16, buildRoot), full, scaled);
    if (wanted("single"))
        report("oculon, 16 cameras connected, one view", runOculon(cams, *options, false, 1, buildRoot), full,
               scaled);
    if (wanted("record"))
        report("oculon, 16 cameras in 4x4, all recording AVI", runOculon(cams, *options, true, 16, buildRoot), full,
               scaled);
    if (wanted("slow")) {
        // In step, the 16 pictures of each half second come within a
        // millisecond and queue behind each other's decode; spread, they
        // come as cameras with their own clocks send them.
        for (const bool spread : {false, true}) {
            std::vector<std::string> args = {"--cameras", std::to_string(kCameras), "--no-auth", "--fps", "2", "--quiet"};
            if (spread)
                args.push_back("--spread-clocks");
            CamsimProcess slow(args);
            if (!slow.started()) {
                std::fprintf(stderr, "oculon_live_bench: camsim at 2 pictures/s did not start\n");
                return 1;
            }
            report(spread ? "oculon, 16 cameras in 4x4 at 2 pictures/s, clocks spread"
                          : "oculon, 16 cameras in 4x4 at 2 pictures/s, all in step",
                   runOculon(slow, *options, false, 16, buildRoot), full, scaled);
        }
    }
    return 0;
}
