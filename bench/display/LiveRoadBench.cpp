// What one shown picture costs on the whole road: camsim on loopback, the
// session's connection thread and stream parser, the frame handler's decode
// and the cell's paint, against a plain libjpeg-turbo decode loop over
// pictures recorded from the same camera.
//
// Every live figure is the process's CPU time (all its threads; camsim is a
// separate process and not counted) over a measured window of real time,
// divided by the pictures the frame handler showed in it. The window lasts
// LIVE_ROAD_SECONDS (default 20). The widgets are painted by the offscreen
// platform unless QT_QPA_PLATFORM says otherwise.
//
//   live road, 1 camera, 1x1 640x480:   one control at the camera's size
//   live road, 1 camera, 4x4 1024x768:  one control split 4x4 (256x192 cells)
//   live road, 16 cameras, 4x4 grid:    16 controls of 256x192 in one window
//   live road, 16 cameras, 640x480:     16 controls at the camera's size
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "media/jpeg/JpegDecoder.h"
#include "control/display/LiveCamera.h"
#include "control/session/Session.h"
#include "control/session/VidMessages.h"
#include "support/CamsimProcess.h"
#include "support/TempDir.h"
#include "bench/LoadAverage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <ctime>
#include <thread>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using strovix::Display;
using strovix::Frame;
using strovix::Session;

double processCpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double windowSeconds()
{
    const char* s = std::getenv("LIVE_ROAD_SECONDS");
    const double v = s ? std::atof(s) : 20.0;
    return v > 0 ? v : 20.0;
}

// Runs the window thread's event loop as a host does: it sleeps until an
// event comes.
void runEventLoop(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds or `timeoutMs` passed, looking every
// 20 ms; unlike a loop of processEvents it does not keep a core busy while
// the cameras connect.
bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        runEventLoop(0.02);
    }
    return true;
}

// The home of the controls' per-user files, for the whole run.
TempDir& home()
{
    static TempDir dir;
    return dir;
}

Session::Options sessionOptions()
{
    Session::Options options;
    options.urlSettingsFile = home().file("url-settings");
    options.credentialStore = std::make_shared<strovix::CredentialStore>("");
    return options;
}

// Pictures of camsim's default camera (640 x 480), as the connection thread
// stored them.
const std::vector<Frame>& recordedPictures()
{
    static const std::vector<Frame> pictures = [] {
        std::vector<Frame> out;
        CamsimProcess cam({"--no-auth", "--fps", "100", "--quiet"});
        if (!cam.started())
            return out;
        Session session(sessionOptions());
        session.setWindowReady(true);
        session.setShowIntervalTime(0);
        session.setMessageHandler(strovix::WM_VID_NEWFRAME, [&](const strovix::VidMessageArgs&) -> long {
            if (out.size() < 200)
                out.push_back(session.frame()->copy());
            return 0;
        });
        if (session.setUrl(cam.url()) == 0)
            waitUntil([&] { return out.size() >= 200; }, 20000);
        session.setWindowReady(false);
        return out;
    }();
    return pictures;
}

// CPU seconds of one plain full-size decode: the baseline of the ratios.
double g_plainDecodeCpu = 0;

// The baseline: libjpeg-turbo decoding each picture into one reused buffer
// of blue-green-red triples, several rows per call, at state.range(0)
// eighths of the picture's size (8: full size; the smaller scales show what
// the library's DCT scaling saves).
void BM_PlainDecode(benchmark::State& state)
{
    const int eighths = int(state.range(0));
    const auto& pictures = recordedPictures();
    if (pictures.empty()) {
        state.SkipWithError("no pictures recorded from camsim");
        return;
    }
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    std::vector<uint8_t> pixels;
    std::vector<JSAMPROW> rows;
    size_t n = 0;
    int decoded = 0;
    const double cpu0 = threadCpuSeconds();
    for (auto _ : state) {
        const Frame& f = pictures[n++ % pictures.size()];
        jpeg_mem_src(&cinfo, f.data(), static_cast<unsigned long>(f.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        cinfo.scale_num = unsigned(eighths);
        cinfo.scale_denom = 8;
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * 3;
        pixels.resize(stride * cinfo.output_height);
        rows.resize(cinfo.output_height);
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] = pixels.data() + y * stride;
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
        jpeg_finish_decompress(&cinfo);
        ++decoded;
    }
    const double perPicture = (threadCpuSeconds() - cpu0) / decoded;
    if (eighths == 8)
        g_plainDecodeCpu = perPicture;
    jpeg_destroy_decompress(&cinfo);
    state.counters["pictures_recorded"] = double(pictures.size());
    state.counters["ms_cpu_per_picture"] = perPicture * 1e3;
}

// The control's decoder over the same pictures into one cell bitmap, shown
// at state.range(0) x 3/4 of that (640: full size; 256: a cell of a 4x4 split
// of 1024 x 768; 210: a viewer of oculon's 4x4 layout).
void BM_CellDecoder(benchmark::State& state)
{
    const auto& pictures = recordedPictures();
    if (pictures.empty()) {
        state.SkipWithError("no pictures recorded from camsim");
        return;
    }
    const QSize shown(int(state.range(0)), int(state.range(0)) * 3 / 4);
    QImage bitmap;
    size_t n = 0;
    int decoded = 0;
    const double cpu0 = threadCpuSeconds();
    for (auto _ : state) {
        const Frame& f = pictures[n++ % pictures.size()];
        benchmark::DoNotOptimize(media::decodeJpeg(f.data(), f.size(), bitmap, shown));
        ++decoded;
    }
    const double perPicture = (threadCpuSeconds() - cpu0) / decoded;
    state.counters["ms_cpu_per_picture"] = perPicture * 1e3;
    if (g_plainDecodeCpu > 0)
        state.counters["x_plain_decode"] = perPicture / g_plainDecodeCpu;
}

// The plain full-size decode paced like a camera, one picture every 33 ms
// for 5 s: the caches are as cold for it as for the live road's decode.
void BM_PlainDecodePaced(benchmark::State& state)
{
    const auto& pictures = recordedPictures();
    if (pictures.empty()) {
        state.SkipWithError("no pictures recorded from camsim");
        return;
    }
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        double cpu = 0;
        for (size_t n = 0; n < 150; ++n) {
            std::this_thread::sleep_for(std::chrono::milliseconds(33));
            const Frame& f = pictures[n % pictures.size()];
            const double cpu0 = threadCpuSeconds();
            jpeg_mem_src(&cinfo, f.data(), static_cast<unsigned long>(f.size()));
            jpeg_read_header(&cinfo, TRUE);
            cinfo.out_color_space = JCS_EXT_BGR;
            jpeg_start_decompress(&cinfo);
            const size_t stride = size_t(cinfo.output_width) * 3;
            pixels.resize(stride * cinfo.output_height);
            while (cinfo.output_scanline < cinfo.output_height) {
                JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
                jpeg_read_scanlines(&cinfo, &row, 1);
            }
            jpeg_finish_decompress(&cinfo);
            cpu += threadCpuSeconds() - cpu0;
        }
        state.counters["ms_cpu_per_picture"] = cpu / 150 * 1e3;
        if (g_plainDecodeCpu > 0)
            state.counters["x_plain_decode"] = cpu / 150 / g_plainDecodeCpu;
    }
    jpeg_destroy_decompress(&cinfo);
}

// `cameras` controls, each `controlSize` and split `layout` x `layout`, placed
// in rows of four inside one window; each shows its own camsim camera at 30
// pictures per second, every picture announced.
void liveRoad(benchmark::State& state, const char* name, int cameras, QSize controlSize, int layout)
{
    CamsimProcess cam({"--no-auth", "--fps", "30", "--quiet", "--cameras", std::to_string(cameras)});
    if (!cam.started()) {
        state.SkipWithError("camsim did not start");
        return;
    }
    const int columns = cameras == 1 ? 1 : 4;
    QWidget top;
    top.resize(controlSize.width() * columns, controlSize.height() * ((cameras + columns - 1) / columns));
    std::vector<std::unique_ptr<Display>> displays;
    std::vector<std::unique_ptr<Session>> sessions;
    std::vector<std::unique_ptr<strovix::test::LiveViewWiring>> wirings; // gone before both
    for (int i = 0; i < cameras; ++i) {
        displays.push_back(std::make_unique<Display>());
        sessions.push_back(std::make_unique<Session>(sessionOptions()));
        Display& display = *displays.back();
        Session& session = *sessions.back();
        wirings.push_back(std::make_unique<strovix::test::LiveViewWiring>(session, display));
        QWidget* window = display.createWindow(&top);
        window->setGeometry((i % columns) * controlSize.width(), (i / columns) * controlSize.height(),
                            controlSize.width(), controlSize.height());
        display.setLayout(layout);
        display.setShowText(0);
        display.setCameraName("Camera " + std::to_string(i + 1));
        session.setWindowReady(true);
        session.setShowIntervalTime(0);
    }
    top.show();
    for (int i = 0; i < cameras; ++i) {
        if (sessions[size_t(i)]->setUrl(cam.url(i)) != 0) {
            state.SkipWithError("a camera did not answer");
            return;
        }
    }
    auto shown = [&] {
        int64_t n = 0;
        for (const auto& d : displays)
            n += d->picturesShown();
        return n;
    };
    // Every camera shows pictures, then a second more to settle.
    waitUntil([&] {
        for (const auto& d : displays)
            if (d->picturesShown() < 5)
                return false;
        return true;
    }, 20000);
    runEventLoop(1.0);

    const double seconds = windowSeconds();
    for (auto _ : state) {
        const int64_t shown0 = shown();
        const double cpu0 = processCpuSeconds();
        const double gui0 = threadCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        runEventLoop(seconds);
        const double wall = double(clock.elapsed()) / 1e3;
        const double cpu = processCpuSeconds() - cpu0;
        const double gui = threadCpuSeconds() - gui0;
        const double pictures = double(shown() - shown0);
        const double perPicture = pictures > 0 ? cpu / pictures : 0;
        const QSize cell = displays.front()->window()->cells().front()->size();
        state.counters["pictures_per_s"] = pictures / wall;
        state.counters["cores"] = cpu / wall;
        state.counters["ms_cpu_per_picture"] = perPicture * 1e3;
        if (g_plainDecodeCpu > 0)
            state.counters["x_plain_decode"] = perPicture / g_plainDecodeCpu;
        std::printf("live road, %s: cells %dx%d, %.1f pictures/s shown, %.3f cores (window thread %.3f), "
                    "%.3f ms CPU per shown picture = %.2fx a plain decode of %.3f ms (load %s)\n",
                    name, cell.width(), cell.height(), pictures / wall, cpu / wall, gui / wall, perPicture * 1e3,
                    g_plainDecodeCpu > 0 ? perPicture / g_plainDecodeCpu : 0.0, g_plainDecodeCpu * 1e3,
                    loadText().c_str());
        std::fflush(stdout);
    }
    for (auto& s : sessions)
        s->setWindowReady(false);
    wirings.clear();
    sessions.clear();
    displays.clear();
}

void BM_OneCamera1x1FullSize(benchmark::State& state) { liveRoad(state, "1 camera, 1x1 640x480", 1, {640, 480}, 1); }
void BM_OneCamera4x4Of1024x768(benchmark::State& state)
{
    liveRoad(state, "1 camera, 4x4 split of 1024x768", 1, {1024, 768}, 4);
}
void BM_SixteenCameras4x4Grid(benchmark::State& state)
{
    liveRoad(state, "16 cameras, 256x192 each in 1024x768", 16, {256, 192}, 1);
}
void BM_SixteenCamerasFullSize(benchmark::State& state)
{
    liveRoad(state, "16 cameras, 640x480 each", 16, {640, 480}, 1);
}

BENCHMARK(BM_PlainDecode)->Arg(8)->Arg(4)->Arg(3)->Arg(2)->Arg(1)->MinTime(2.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CellDecoder)->Arg(640)->Arg(256)->Arg(210)->MinTime(2.0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainDecodePaced)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_OneCamera1x1FullSize)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_OneCamera4x4Of1024x768)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SixteenCameras4x4Grid)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SixteenCamerasFullSize)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // camsim lands beside the benchmarks' folder in the build tree.
    const auto here = std::filesystem::canonical("/proc/self/exe").parent_path();
    setenv("OCULON_BUILD_BIN", (here.parent_path() / "bin").c_str(), 0);
    setenv("STROVIX_REGISTRY", home().file("registry").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home().path().c_str(), 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
