// Whether the built-in player keeps its file's rate while 16 live cameras
// share its window thread: 16 viewer controls (hosted as the application
// hosts them, 210 x 158 each, the 4x4 cells of a 1024 x 768 screen) show 16
// camsim cameras at 30 pictures/s, and the player plays a 640 x 480 recording
// of 25 frames/s in the same process, offscreen.
//
//   playback_while_live_bench [--seconds S]
//
// The player follows the clock and skips frames it is late for; the figures
// are the frames it showed against the frames the file has in the time
// played, the frames skipped and the longest time one frame stayed up, with
// and without the live cameras, and the process's CPU.
#include "app/host/ViewerHost.h"
#include "app/recordlist/PlayerWindow.h"
#include "control/recording/AviWriter.h"
#include "support/CamsimProcess.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "tests/control/recording/RecordingTestSupport.h"
#include "bench/LoadAverage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr float kFileRate = 25.0f;

double cpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// A recording of `seconds` at the file rate, written by the recording's own writer.
std::string writeRecording(const TempDir& dir, double seconds)
{
    const std::string path = dir.file("playback.avi");
    recording_test::FakeClock clock;
    strovix::recording::AviWriter writer(clock);
    const auto picture = strovix::test::cameraLikePicture(640, 480);
    const int frames = static_cast<int>(seconds * kFileRate);
    for (int k = 0; k < frames; ++k)
        writer.AddFrame(picture, dir.path(), "r-Bench_!0_", kFileRate);
    writer.Close(kFileRate, path);
    return path;
}

// Plays `path` for `seconds` and prints what the player showed.
void play(const std::string& label, const std::string& path, double seconds)
{
    PlayerWindow player;
    player.setSoundOutputFactory([] { return std::unique_ptr<media::AudioOutput>(); });
    if (!player.openFile(path)) {
        std::printf("%s: the recording cannot be opened: %s\n", label.c_str(), player.note().toStdString().c_str());
        return;
    }
    player.show();
    QApplication::processEvents();

    uint32_t first = player.currentFrame(), last = first;
    int shown = 0;
    qint64 lastChange = 0, longest = 0;
    QElapsedTimer clock;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const uint32_t now = player.currentFrame();
        if (now == last)
            return;
        ++shown;
        longest = std::max(longest, clock.elapsed() - lastChange);
        lastChange = clock.elapsed();
        last = now;
    });
    const double cpuBefore = cpuSeconds();
    clock.start();
    player.play();
    watch.start();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    watch.stop();
    const double played = double(clock.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;
    const uint32_t advanced = last - first;
    std::printf("%s: %.1f s played, %u frames of the file passed (%.1f/s, file rate %.0f/s), %d shown, %u skipped, "
                "longest frame on screen %lld ms, process CPU %.2f cores (load %s)\n",
                label.c_str(), played, advanced, advanced / played, double(kFileRate), shown,
                advanced > uint32_t(shown) ? advanced - uint32_t(shown) : 0u, static_cast<long long>(longest),
                cpu / played, loadText().c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "usage: playback_while_live_bench [--seconds S]\n");
            return 64;
        }
    }
    if (seconds <= 0) {
        std::fprintf(stderr, "playback_while_live_bench: --seconds must be above 0\n");
        return 64;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("STROVIX_NULL_AUDIO", "1", 1);
    TempDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    ::setenv("STROVIX_REGISTRY", home.file("registry").c_str(), 1);
    // The program lies in build/bench; the control library and camsim in build/bin.
    const std::filesystem::path buildRoot = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path();
    ::setenv("OCULON_BUILD_BIN", (buildRoot / "bin").c_str(), 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    const std::string recording = writeRecording(home, seconds + 5);
    play("player alone", recording, seconds);

    CamsimProcess cams({"--cameras", "16", "--no-auth", "--audio-off", "--fps", "30", "--quiet"});
    if (!cams.started()) {
        std::fprintf(stderr, "playback_while_live_bench: camsim did not start\n");
        return 1;
    }
    QWidget grid;
    grid.resize(1024, 768);
    host::ViewerHost viewers((buildRoot / "bin" / "libstrovix.so").string());
    if (platform::component::failed(viewers.create(16))) {
        std::fprintf(stderr, "playback_while_live_bench: the viewer controls could not be created\n");
        return 1;
    }
    for (int16_t i = 0; i < 16; ++i) {
        auto* cell = new QWidget(&grid);
        cell->setGeometry(8 + (i % 4) * 212, 8 + (i / 4) * 160, 210, 158);
        viewers.createWindow(i, cell, 210, 158);
        viewers.viewer(i).setUrl(cams.url(i));
    }
    grid.show();
    // The cameras connect and stream before the player starts.
    QEventLoop settle;
    QTimer::singleShot(4000, &settle, &QEventLoop::quit);
    settle.exec();
    play("player beside 16 live cameras", recording, seconds);
    viewers.shutdown();
    return 0;
}
