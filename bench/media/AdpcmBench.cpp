// ADPCM decoding throughput against a plain copy of the same number of output
// bytes, in one program so the two figures are comparable.
#include "media/audio/ImaAdpcm.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kInputBytes = 64 * 1024; // 131072 samples, about 16 s of sound

std::vector<uint8_t> input()
{
    std::vector<uint8_t> in(kInputBytes);
    std::mt19937 rng(7);
    for (auto& b : in)
        b = static_cast<uint8_t>(rng());
    return in;
}

void BM_AdpcmDecode(benchmark::State& state)
{
    const auto in = input();
    std::vector<int16_t> out(in.size() * 2);
    media::ImaAdpcmDecoder decoder;
    for (auto _ : state) {
        // The camera's read block: 64 bytes at a time.
        for (size_t off = 0; off < in.size(); off += 64)
            decoder.decode(in.data() + off, 64, out.data() + 2 * off);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(out.size()) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
}

void BM_PlainCopy(benchmark::State& state)
{
    const auto in = input();
    std::vector<uint8_t> src(in.size() * 4, 1), dst(in.size() * 4);
    for (auto _ : state) {
        for (size_t off = 0; off < src.size(); off += 256)
            std::memcpy(dst.data() + off, src.data() + off, 256);
        benchmark::DoNotOptimize(dst.data());
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(in.size() * 2) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_AdpcmDecode);
BENCHMARK(BM_PlainCopy);
BENCHMARK_MAIN();
