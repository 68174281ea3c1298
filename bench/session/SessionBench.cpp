// Stream parser throughput over a recorded camsim stream, against a plain
// memchr scan plus append of the same bytes; and the time from setting the
// URL to the first announced picture against camsim on loopback.
#include "control/session/HttpRequest.h"
#include "control/session/Session.h"
#include "control/session/VidMessages.h"
#include "control/stream/StreamParser.h"
#include "control/stream/StreamTestData.h"
#include "support/CamsimProcess.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

using namespace strovix;

namespace {

constexpr size_t kRecordBytes = 8u << 20;

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "session-bench";
    static char* argv[] = {name, nullptr};
    static auto* a = new QCoreApplication(argc, argv);
    return *a;
}

bool g_recordedFromCamsim = false;

// About 8 MiB of a camsim stream body, whole blocks; synthetic parts when the
// simulator is not built.
const std::string& recordedStream()
{
    static const std::string data = [] {
        std::string out;
        if (CamsimProcess::available()) {
            CamsimProcess cam({"--no-auth", "--fps", "100", "--quiet"});
            HttpRequest req;
            if (cam.started() && req.OpenStream(cam.url() + "/GetData.cgi?Status=1") == HttpResult::Ok) {
                std::vector<uint8_t> block(StreamParser::kBlockSize);
                while (out.size() < kRecordBytes) {
                    if (req.Read(block.data(), block.size()) != static_cast<long>(block.size()))
                        break;
                    out.append(reinterpret_cast<const char*>(block.data()), block.size());
                }
                req.CloseRequest();
            }
        }
        g_recordedFromCamsim = out.size() >= kRecordBytes;
        if (!g_recordedFromCamsim) {
            out.clear();
            for (unsigned i = 0; out.size() < kRecordBytes; ++i)
                out += streamtest::streamPart(streamtest::picture(640, 480, 30000 + i % 13 * 500, i));
        }
        out.resize(out.size() / StreamParser::kBlockSize * StreamParser::kBlockSize);
        return out;
    }();
    return data;
}

void BM_ParserOverRecordedStream(benchmark::State& state)
{
    const std::string& data = recordedStream();
    streamtest::ParserFlags flags;
    const StreamParser::Shared shared = flags.wiring();
    StreamParser::Hooks hooks;
    size_t statuses = 0;
    hooks.statusBlock = [&](std::string_view) { ++statuses; };
    hooks.announce = [] {};
    hooks.nowMs = [] { return 0u; };
    hooks.sleepMs = [](unsigned) {}; // the 10 ms pause per picture is not parsing work
    StreamParser parser(shared, hooks);
    for (auto _ : state) {
        parser.resetStream();
        for (size_t off = 0; off < data.size(); off += StreamParser::kBlockSize)
            parser.processBlock(reinterpret_cast<const uint8_t*>(data.data() + off));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["pictures"] = static_cast<double>(flags.announced.load()) / static_cast<double>(state.iterations());
    state.counters["statuses"] = static_cast<double>(statuses) / static_cast<double>(state.iterations());
    state.counters["camsim"] = g_recordedFromCamsim ? 1 : 0;
}

// The baseline: find every FF with memchr and append each block to a buffer
// that is emptied at each start marker.
void BM_MemchrScanPlusAppend(benchmark::State& state)
{
    const std::string& data = recordedStream();
    std::vector<uint8_t> building;
    building.reserve(1 << 20);
    size_t markers = 0;
    for (auto _ : state) {
        for (size_t off = 0; off < data.size(); off += StreamParser::kBlockSize) {
            const auto* b = reinterpret_cast<const uint8_t*>(data.data() + off);
            size_t scan = 0;
            while (scan + 1 < StreamParser::kBlockSize) {
                const void* hit = std::memchr(b + scan, 0xFF, StreamParser::kBlockSize - 1 - scan);
                if (!hit)
                    break;
                const size_t k = static_cast<size_t>(static_cast<const uint8_t*>(hit) - b);
                if (b[k + 1] == 0xD8) {
                    building.clear();
                    ++markers;
                }
                scan = k + 1;
            }
            building.insert(building.end(), b, b + StreamParser::kBlockSize);
            if (building.size() > (8u << 20))
                building.clear();
        }
        benchmark::DoNotOptimize(building.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["pictures"] = static_cast<double>(markers) / static_cast<double>(state.iterations());
}

void BM_UrlToFirstPicture(benchmark::State& state)
{
    if (!CamsimProcess::available()) {
        state.SkipWithError("camsim is not built");
        return;
    }
    app();
    CamsimProcess cam({"--no-auth", "--fps", "30", "--quiet"});
    if (!cam.started()) {
        state.SkipWithError("camsim did not start");
        return;
    }
    for (auto _ : state) {
        Session session(Session::Options{std::filesystem::temp_directory_path().string() + "/session-bench-settings",
                                         std::make_shared<CredentialStore>("")});
        session.setWindowReady(true);
        session.setShowIntervalTime(0);
        bool shown = false;
        session.setMessageHandler(WM_VID_NEWFRAME, [&](const VidMessageArgs&) {
            shown = true;
            return 0L;
        });
        const auto t0 = std::chrono::steady_clock::now();
        if (session.setUrl(cam.url()) != 0) {
            state.SkipWithError("no connection");
            return;
        }
        while (!shown && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const auto t1 = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
}

} // namespace

BENCHMARK(BM_ParserOverRecordedStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrScanPlusAppend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UrlToFirstPicture)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // camsim lands beside the benchmarks' folder in the build tree.
    const auto here = std::filesystem::canonical("/proc/self/exe").parent_path();
    setenv("OCULON_BUILD_BIN", (here.parent_path() / "bin").c_str(), 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
