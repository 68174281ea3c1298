// The AVI stage against plain write() of the same bytes, and the memory the
// process needs while a 9999-frame file is written.
#include "control/recording/Recorder.h"
#include "control/recording/RecordingHost.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t kFrameBytes = 48 * 1024;

// A picture-shaped 48 KB frame: SOI, a 640 x 480 start-of-frame header, filler, EOI.
std::vector<uint8_t> frame48k()
{
    std::vector<uint8_t> f(kFrameBytes, 0x5A);
    const uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x02, 0x80};
    std::memcpy(f.data(), head, sizeof head);
    f[kFrameBytes - 2] = 0xFF;
    f[kFrameBytes - 1] = 0xD9;
    return f;
}

class QuietHost : public strovix::recording::RecordingHost {
public:
    void showRecordingText(const std::string&) override {}
    void showRecordingIcon(int) override {}
    void setIndicator(int, int) override {}
    void setRecordMenuText(const std::string&) override {}
    void setSaveJpegMenuText(const std::string&) override {}
    void setSaveAviMenuText(const std::string&) override {}
    void postRecordingError() override { std::abort(); }
};

class Folder {
public:
    Folder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "oculon-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~Folder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

long statusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

void startRecorder(strovix::recording::Recorder& recorder, const std::string& folder)
{
    auto& s = recorder.settings();
    s.putAviPath(folder);
    s.putAutoFrame(0);
    s.putAviFrame(15);
    s.putJpgNumInAvi(9999);
    recorder.putAvi(1);
}

// The AVI stage: session rules, chunk writes, background flush, file finishing.
void AviStage(benchmark::State& state)
{
    Folder folder;
    QuietHost host;
    const auto frame = frame48k();
    {
        strovix::recording::Recorder recorder(host);
        startRecorder(recorder, folder.path);
        for (auto _ : state)
            recorder.handleFrame(frame);
        recorder.putAvi(0);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (kFrameBytes + 8)));
}

// The same bytes (chunk header and frame) with plain write() calls.
void PlainWrite(benchmark::State& state)
{
    Folder folder;
    const auto frame = frame48k();
    const int fd = ::open((folder.path + "/plain.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    uint8_t header[8] = {'0', '0', 'd', 'b', 0, 0xC0, 0, 0};
    for (auto _ : state) {
        if (::write(fd, header, sizeof header) != sizeof header
            || ::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            std::abort();
    }
    ::close(fd);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (kFrameBytes + 8)));
}

// Resident memory while one 9999-frame file is written: it must not grow with the file.
void Memory9999Frames(benchmark::State& state)
{
    Folder folder;
    QuietHost host;
    const auto frame = frame48k();
    for (auto _ : state) {
        strovix::recording::Recorder recorder(host);
        startRecorder(recorder, folder.path);
        long afterFirst100 = 0;
        long highest = 0;
        for (int i = 1; i <= 9999; ++i) {
            recorder.handleFrame(frame);
            if (i == 100)
                afterFirst100 = statusKb("VmRSS:");
            if (i % 250 == 0)
                highest = std::max(highest, statusKb("VmRSS:"));
        }
        recorder.putAvi(0);
        highest = std::max(highest, statusKb("VmRSS:"));
        state.counters["rss_after_100_frames_kb"] = static_cast<double>(afterFirst100);
        state.counters["rss_highest_kb"] = static_cast<double>(highest);
        state.counters["rss_growth_kb"] = static_cast<double>(highest - afterFirst100);
        state.counters["file_mb"] = static_cast<double>(9999.0 * (kFrameBytes + 8) / (1024 * 1024));
    }
}

} // namespace

// Bounded counts: every frame lands on the disk.
BENCHMARK(PlainWrite)->Iterations(6000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(AviStage)->Iterations(6000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Memory9999Frames)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
