// What camsim's pictures cost. The baseline is a full JPEG encode of one
// 640x480 picture; a camsim picture re-encodes only its overlay band. The
// whole-program figure runs the real camsim with 16 cameras at 30 pictures a
// second, reads every stream, and divides the program's CPU time by the
// pictures it served.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tools/camsim/HttpRequest.h"
#include "tools/camsim/JpegEncoder.h"
#include "tools/camsim/PictureMaker.h"

extern char** environ;

namespace {

double g_fullEncodeSeconds = 0;

void BM_FullEncode640x480(benchmark::State& state)
{
    std::vector<uint8_t> pixels(640 * 480 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    const camsim::RawPicture raw {640, 480, false, pixels.data()};
    for (auto _ : state)
        benchmark::DoNotOptimize(camsim::encodeJpeg(raw, 60));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i)
        benchmark::DoNotOptimize(camsim::encodeJpeg(raw, 60));
    g_fullEncodeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 20;
}
BENCHMARK(BM_FullEncode640x480)->Unit(benchmark::kMillisecond);

void BM_CamsimPicture640x480(benchmark::State& state)
{
    camsim::PictureMaker maker;
    uint64_t n = 0;
    maker.make({640, 480, false, 60}, {"Camera 1", n++, "2026-01-01 00:00:00"});
    for (auto _ : state)
        benchmark::DoNotOptimize(maker.make({640, 480, false, 60}, {"Camera 1", n++, "2026-01-01 00:00:00"}));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i)
        benchmark::DoNotOptimize(maker.make({640, 480, false, 60}, {"Camera 1", n++, "2026-01-01 00:00:00"}));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 50;
    if (g_fullEncodeSeconds > 0)
        state.counters["share_of_full_encode"] = seconds / g_fullEncodeSeconds;
}
BENCHMARK(BM_CamsimPicture640x480)->Unit(benchmark::kMillisecond);

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void BM_SixteenCamerasThirtyFps(benchmark::State& state)
{
    const double seconds = std::getenv("CAMSIM_BENCH_SECONDS") ? std::atof(std::getenv("CAMSIM_BENCH_SECONDS")) : 5.0;
    const std::string program = (std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bin" / "camsim").string();
    for (auto _ : state) {
        int err[2];
        if (::pipe2(err, O_CLOEXEC) != 0) {
            state.SkipWithError("pipe");
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> args {program, "--cameras", "16", "--port", "0", "--fps", "30", "--quiet"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(err[1]);
        if (spawned != 0) {
            ::close(err[0]);
            state.SkipWithError(("cannot start " + program).c_str());
            return;
        }
        std::string line;
        char c;
        while (line.find('\n') == std::string::npos && ::read(err[0], &c, 1) == 1)
            line += c;
        ::close(err[0]);
        std::smatch m;
        if (!std::regex_search(line, m, std::regex(":(\\d+)\\.\\."))) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            state.SkipWithError("camsim did not start");
            return;
        }
        const int firstPort = std::stoi(m[1]);

        std::atomic<uint64_t> pictures {0};
        std::atomic<bool> counting {false};
        std::atomic<bool> done {false};
        std::vector<std::thread> readers;
        for (int cam = 0; cam < 16; ++cam) {
            readers.emplace_back([&, cam] {
                const int fd = connectTo(firstPort + cam);
                if (fd < 0)
                    return;
                const std::string request = "GET /GetData.cgi?Status=1 HTTP/1.0\r\nAuthorization: Basic "
                    + camsim::base64Encode("administrator:admin") + "\r\n\r\n";
                [[maybe_unused]] auto sent = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
                std::vector<uint8_t> buffer(65536);
                bool lastWasFF = false;
                while (!done) {
                    pollfd p {fd, POLLIN, 0};
                    if (::poll(&p, 1, 100) <= 0)
                        continue;
                    const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
                    if (n <= 0)
                        break;
                    uint64_t ends = 0;
                    for (ssize_t i = 0; i < n; ++i) {
                        if (buffer[size_t(i)] == 0xD9 && lastWasFF)
                            ++ends;
                        lastWasFF = buffer[size_t(i)] == 0xFF;
                    }
                    if (counting)
                        pictures += ends;
                }
                ::close(fd);
            });
        }
        // Let every stream start, then measure over the given time.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        counting = true;
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        counting = false;
        const uint64_t served = pictures.load();
        done = true;
        for (auto& t : readers)
            t.join();
        ::kill(pid, SIGTERM);
        int status = 0;
        rusage usage {};
        ::wait4(pid, &status, 0, &usage);
        // The program's whole CPU time, including its first second and its end.
        const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        const double total = served * (seconds + 1.0) / seconds; // pictures over the program's serving time
        state.counters["pictures_per_second"] = double(served) / seconds;
        state.counters["cpu_seconds_per_picture"] = cpu / total;
        std::printf("camsim, 16 cameras at 30 fps: %.0f pictures/s served, %.6f CPU seconds per served picture "
                    "(%.2f CPU s over %.1f s)\n",
                    double(served) / seconds, cpu / total, cpu, seconds + 1.0);
    }
}
BENCHMARK(BM_SixteenCamerasThirtyFps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
