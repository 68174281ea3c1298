// The recording search over 10,000 recordings in 16 camera folders ("*": all
// cameras), against a plain walk of the same folders that only lists the
// files and reads their times. Each camera's recording is written once by the
// recording's writer and copied 625 times with times spread over a day. The
// folders are in memory (/dev/shm when there is one), so the figures are the
// search's own cost, not the disk's.
#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/RecordingSearch.h"
#include "app/storage/VolumeInfo.h"
#include "HalfMinuteRecording.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr int kCameras = 16;
constexpr int kPerCamera = 625; // 10,000 recordings in all
const QDateTime kDay(QDate(2026, 3, 7), QTime(0, 0));

recording_test::MemoryTempDir& root()
{
    static recording_test::MemoryTempDir dir;
    return dir;
}

std::string folderOf(int camera)
{
    return root().file("cam" + std::to_string(camera + 1));
}

void buildFolders()
{
    for (int c = 0; c < kCameras; ++c) {
        const std::string folder = folderOf(c);
        fs::create_directories(folder);
        const std::string first = folder + "/r-Cam_!0__2026_3_7_0_0_0_0.avi";
        writeHalfMinuteRecording(folder, first);
        for (int i = 0; i < kPerCamera; ++i) {
            const std::string path = folder + "/r-Cam_!0__2026_3_7_" + std::to_string(i) + ".avi";
            if (i > 0)
                fs::copy_file(first, path, fs::copy_options::overwrite_existing);
            const timespec t{kDay.toSecsSinceEpoch() + i * 120, 0};
            const timespec times[2] = {t, t};
            ::utimensat(AT_FDCWD, (i > 0 ? path : first).c_str(), times, 0);
        }
        if (kPerCamera > 0)
            fs::rename(first, folder + "/r-Cam_!0__2026_3_7_0.avi");
    }
}

struct Counting : SearchSink {
    void fileExamined() override { ++examined; }
    void matched(const SearchHit&) override { ++hits; }
    void unreadable(int16_t, const std::string&, media::AviError) override { ++unread; }
    long examined = 0, hits = 0, unread = 0;
};

void BM_SearchAllCameras(benchmark::State& state)
{
    AppCfgGO cfg;
    SystemVolumes volumes;
    DiskFO disk(cfg, volumes, [](const std::string&) {});
    FileExtGO files(cfg, disk);
    RecordingSearch search(files);
    Counting sink;
    for (auto _ : state) {
        sink = Counting();
        for (int c = 0; c < kCameras; ++c)
            search.searchCamera(static_cast<int16_t>(c), folderOf(c), kDay.addSecs(3600 * 10),
                                kDay.addSecs(3600 * 11), sink);
        if (sink.examined != kCameras * kPerCamera || sink.unread != 0)
            state.SkipWithError("the search did not read every recording");
    }
    state.counters["recordings"] = static_cast<double>(sink.examined);
    state.counters["matches"] = static_cast<double>(sink.hits);
}

void BM_PlainDirectoryWalk(benchmark::State& state)
{
    long seen = 0;
    for (auto _ : state) {
        seen = 0;
        for (int c = 0; c < kCameras; ++c)
            for (const auto& entry : fs::directory_iterator(folderOf(c))) {
                struct stat st {};
                ::stat(entry.path().c_str(), &st);
                benchmark::DoNotOptimize(st.st_mtim);
                ++seen;
            }
    }
    state.counters["recordings"] = static_cast<double>(seen);
}

} // namespace

BENCHMARK(BM_PlainDirectoryWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAllCameras)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    buildFolders();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
