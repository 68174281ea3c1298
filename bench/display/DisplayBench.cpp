// Decoding alone against decoding plus painting into a 1x1 and a 4x4 control
// (offscreen), per camera-like 640 x 480 picture. The paint figures are read
// as ratios to the decode figure of the same run.
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "media/jpeg/JpegDecoder.h"

#include "control/display/LiveCamera.h"
#include "tests/support/TestPictures.h"
#include "support/TempDir.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using strovix::Frame;

const Frame& picture()
{
    static const Frame frame = strovix::test::cameraLikePicture();
    return frame;
}

void BM_DecodeAlone(benchmark::State& state)
{
    QImage bitmap;
    for (auto _ : state) {
        const bool ok = media::decodeJpeg(picture().data(), picture().size(), bitmap);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["jpeg_bytes"] = double(picture().size());
}

// One announced picture per iteration through the frame handler, then the
// paint it asked for, as the window thread would do it.
void decodeAndPaint(benchmark::State& state, int layout)
{
    strovix::Display display;
    QWidget* window = display.createWindow(nullptr);
    window->resize(640, 480);
    window->show();
    display.setLayout(layout);
    display.setShowText(0);
    display.setCameraName("Camera 1");
    QApplication::processEvents();
    strovix::SharedFrame shared;
    uint32_t announced = 0;
    for (auto _ : state) {
        Frame copy = picture();
        shared.replace(std::move(copy));
        display.handleNewFrame(shared, ++announced, 1205, 10);
        QApplication::processEvents();
    }
}

void BM_DecodePaint1x1(benchmark::State& state) { decodeAndPaint(state, 1); }
void BM_DecodePaint4x4(benchmark::State& state) { decodeAndPaint(state, 4); }

// Pictures per second one control sustains from camsim (100 pictures per
// second offered, 640 x 480) with ShowIntervalTime 0: every picture announced.
void BM_LiveFromCamsim(benchmark::State& state)
{
    TempDir home;
    setenv("STROVIX_REGISTRY", home.file("registry").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    strovix::test::Camsim camsim({"--fps", "100"});
    if (camsim.url().empty()) {
        state.SkipWithError("camsim did not start");
        return;
    }
    strovix::Display display;
    strovix::Session::Options options;
    options.urlSettingsFile = home.file("url-settings");
    strovix::Session session(options);
    strovix::test::LiveViewWiring live(session, display);
    QWidget* window = display.createWindow(nullptr);
    window->resize(640, 480);
    window->show();
    display.setLayout(static_cast<int>(state.range(0)));
    session.setWindowReady(true);
    session.setShowIntervalTime(0);
    if (session.setUrl(camsim.url()) != 0
        || !strovix::test::pumpUntil([&] { return display.picturesShown() >= 5; }, 10000)) {
        state.SkipWithError("no pictures from camsim");
        return;
    }
    for (auto _ : state) {
        const int64_t before = display.picturesShown();
        QElapsedTimer clock;
        clock.start();
        strovix::test::pumpUntil([] { return false; }, 3000);
        state.counters["pictures_per_s"] = double(display.picturesShown() - before) * 1000.0 / double(clock.elapsed());
    }
    session.setWindowReady(false);
    display.destroyWindow();
}

BENCHMARK(BM_DecodeAlone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodePaint1x1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodePaint4x4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LiveFromCamsim)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
