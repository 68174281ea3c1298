// findOldestFiles over 100,000 files in nested folders, against a plain
// directory walk of the same tree (std::filesystem, with and without reading
// each file's time). The tree is built in a temporary folder before the runs
// and removed after them.
#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/VolumeInfo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 100000;
std::string g_root;

// 10 top folders x 10 sub-folders x 10 leaf folders, 100 files in each leaf;
// every tenth file is not a recording.
void buildTree()
{
    int made = 0;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c) {
                const std::string folder = g_root + "/cam" + std::to_string(a) + "/d" + std::to_string(b) + "/h"
                    + std::to_string(c);
                fs::create_directories(folder);
                for (int f = 0; f < kFiles / 1000; ++f, ++made) {
                    const char* ext = f % 10 ? ".avi" : ".jpg";
                    std::ofstream(folder + "/r-Gate_!0__" + std::to_string(made) + ext);
                }
            }
}

void BM_FindOldestFiles(benchmark::State& state)
{
    AppCfgGO cfg;
    SystemVolumes volumes;
    DiskFO disk(cfg, volumes, nullptr);
    FileExtGO files(cfg, disk);
    files.setPendingEvents([] {});
    for (auto _ : state) {
        const OldestFiles table = files.findOldestFiles(g_root, "*.avi");
        benchmark::DoNotOptimize(table[0].fileTime);
    }
    state.counters["entries/s"] = benchmark::Counter(kFiles + 1110.0, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlainWalk(benchmark::State& state)
{
    for (auto _ : state) {
        size_t count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(g_root))
            count += entry.is_regular_file();
        benchmark::DoNotOptimize(count);
    }
    state.counters["entries/s"] = benchmark::Counter(kFiles + 1110.0, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlainWalkWithTimes(benchmark::State& state)
{
    for (auto _ : state) {
        fs::file_time_type oldest = fs::file_time_type::max();
        for (const auto& entry : fs::recursive_directory_iterator(g_root)) {
            if (entry.is_regular_file() && entry.path().extension() == ".avi")
                oldest = std::min(oldest, entry.last_write_time());
        }
        benchmark::DoNotOptimize(oldest);
    }
    state.counters["entries/s"] = benchmark::Counter(kFiles + 1110.0, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_PlainWalk)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlainWalkWithTimes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FindOldestFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    std::string pattern = (fs::temp_directory_path() / "oculon-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    g_root = pattern;
    std::printf("building %d files below %s\n", kFiles, g_root.c_str());
    buildTree();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ec;
    fs::remove_all(g_root, ec);
    return 0;
}
