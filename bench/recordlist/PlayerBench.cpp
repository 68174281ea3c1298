// The player's cost per frame: reading and decoding a 640 x 480 camera-like
// frame alone, against reading, decoding and showing it in the player window
// (offscreen, painted at once). The recording is written by the recording's
// own writer.
#include "app/recordlist/PlayerWindow.h"
#include "control/recording/AviWriter.h"
#include "media/avi/AviReader.h"
#include "media/jpeg/JpegDecoder.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "tests/control/recording/RecordingTestSupport.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kFrames = 50;

const std::string& recording()
{
    static TempDir dir;
    static const std::string path = [] {
        const std::string p = dir.file("bench.avi");
        recording_test::FakeClock clock;
        strovix::recording::AviWriter writer(clock);
        for (int k = 0; k < kFrames; ++k)
            writer.AddFrame(strovix::test::cameraLikePicture(640, 480), dir.path(), "r-Bench_!0_", 10.0f);
        writer.Close(10.0f, p);
        return p;
    }();
    return path;
}

void BM_DecodeOnly(benchmark::State& state)
{
    media::AviReader reader;
    if (reader.open(recording()) != media::AviError::None) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    std::vector<uint8_t> jpeg;
    QImage bitmap;
    uint32_t k = 0;
    for (auto _ : state) {
        reader.readFrame(k, jpeg);
        media::decodeJpeg(jpeg.data(), jpeg.size(), bitmap);
        benchmark::DoNotOptimize(bitmap.constBits());
        k = (k + 1) % kFrames;
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DecodeAndShow(benchmark::State& state)
{
    PlayerWindow player;
    player.setSoundOutputFactory([] { return std::unique_ptr<media::AudioOutput>(); });
    if (!player.openFile(recording())) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    player.show();
    QApplication::processEvents();
    uint32_t k = 1;
    for (auto _ : state) {
        player.seekFrame(k);
        player.repaint();
        k = (k + 1) % kFrames;
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndShow)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    recording();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
