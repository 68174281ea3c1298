// The export to MP4 against the ffmpeg program converting the same file with
// the same encoders: a 640 x 480 recording of 30 s at 30 frames/s with
// sound, written by the recording's own writer. Prints the frames per second
// of both and their ratio (wall-clock time: both encode on several threads).
#include "media/export/Mp4Export.h"
#include "support/ExportTestSupport.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kFrames = 900;
constexpr float kRate = 30.0f;
// Distinct pictures, repeated in turn.
constexpr int kPictures = 60;

const TempDir& folder()
{
    static const TempDir f;
    return f;
}

const std::string& recording()
{
    static const std::string path = [] {
        const std::string p = folder().file("thirty-seconds.avi");
        std::vector<std::vector<uint8_t>> pictures;
        for (int k = 0; k < kPictures; ++k)
            pictures.push_back(export_test::testPicture(k, 640, 480));
        recording_test::FakeClock clock;
        strovix::recording::AviWriter writer(clock);
        for (int k = 0; k < kFrames; ++k)
            writer.AddFrame(pictures[size_t(k % kPictures)], folder().path(), "r-Bench_!0_", kRate);
        writer.AddAudio(export_test::testSound(kFrames / double(kRate)));
        writer.Close(kRate, p);
        return p;
    }();
    return path;
}

double g_oursFps = 0;
double g_ffmpegFps = 0;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_OculonExport(benchmark::State& state)
{
    const std::string out = folder().file("ours.mp4");
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const media::ExportResult r = media::exportToMp4(recording(), out);
        seconds += secondsSince(start);
        if (!r.ok) {
            state.SkipWithError(r.error.c_str());
            return;
        }
    }
    g_oursFps = kFrames * double(state.iterations()) / seconds;
    state.counters["frames/s"] = g_oursFps;
}

void BM_FfmpegProgram(benchmark::State& state)
{
    const std::string command = "ffmpeg -nostdin -loglevel error -y -i " + recording()
        + " -c:v libx264 -preset veryfast -c:a aac " + folder().file("ffmpeg.mp4");
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        seconds += secondsSince(start);
        if (status != 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
    }
    g_ffmpegFps = kFrames * double(state.iterations()) / seconds;
    state.counters["frames/s"] = g_ffmpegFps;
}

} // namespace

BENCHMARK(BM_OculonExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FfmpegProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv)
{
    recording();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_oursFps > 0 && g_ffmpegFps > 0)
        std::printf("export: %.1f frames/s, ffmpeg: %.1f frames/s, ratio %.2f\n", g_oursFps, g_ffmpegFps,
                    g_oursFps / g_ffmpegFps);
    return 0;
}
