// The recording search over 10,000 recordings in 16 camera folders ("*": all
// cameras), against a plain walk of the same folders that only lists the
// files and reads their times. The recordings are those of DayOfRecordings.h.
#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/RecordingSearch.h"
#include "app/storage/VolumeInfo.h"
#include "DayOfRecordings.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using namespace day_of_recordings;
const QDateTime kDay = day();

recording_test::MemoryTempDir& root()
{
    static recording_test::MemoryTempDir dir;
    return dir;
}

std::string folderOf(int camera)
{
    return day_of_recordings::folderOf(root(), camera);
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
    buildFolders(root());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
