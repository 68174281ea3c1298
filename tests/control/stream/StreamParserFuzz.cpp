// Arbitrary bytes through the stream parser: no crash, no unbounded memory,
// and reads of random sizes give the pictures and status blocks of a parse
// of whole blocks. The first two bytes choose the extended-status end column
// and the display interval, so those paths are fuzzed as well.
#include "control/stream/StreamParser.h"
#include "tests/control/stream/StreamTestData.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using strovix::StreamParser;

namespace {

// What one parse handed over, in order.
struct Seen {
    std::vector<std::string> statuses;
    std::vector<size_t> pictures; // hash of each announced picture
    int stored = 0;
};

struct Parse {
    streamtest::ParserFlags flags;
    StreamParser::Shared shared;
    StreamParser::Hooks hooks;
    Seen seen;
    uint32_t now = 0;

    Parse(int exEnd, int interval)
    {
        flags.exEnd = exEnd;
        flags.interval = interval;
        shared = flags.wiring();
        hooks.statusBlock = [this](std::string_view b) {
            if (b.size() > StreamParser::kMaxStatusLength)
                std::abort();
            seen.statuses.emplace_back(b);
        };
        hooks.pictureStored = [this] { ++seen.stored; };
        hooks.announce = [this] {
            const strovix::Frame f = shared.frame->copy();
            if (f.size() > StreamParser::kMaxFrameBytes)
                std::abort();
            seen.pictures.push_back(
                std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(f.data()), f.size())));
        };
        hooks.nowMs = [this] { return now += 7; };
        hooks.sleepMs = [](unsigned) {};
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int exEnd = 0, interval = 0;
    if (size >= 2) {
        exEnd = data[0] % 4 == 0 ? data[0] * 13 : 0;
        interval = data[1] % 5 == 0 ? 1000 + data[1] : data[1] % 120;
        data += 2;
        size -= 2;
    }
    // Repeating the input lets small inputs build long pictures.
    const size_t total = size * (size < 4096 ? 3 : 1);
    std::string stream(total, '\0');
    for (size_t i = 0; i < total; ++i)
        stream[i] = static_cast<char>(data[i % size]);

    // Reads of random sizes, from a generator seeded by the input: often a
    // few bytes, often most of a block.
    uint32_t rng = 2166136261u ^ static_cast<uint32_t>(size);
    for (size_t i = 0; i < std::min<size_t>(size, 16); ++i)
        rng = (rng ^ data[i]) * 16777619u;
    auto nextSize = [&rng] {
        rng ^= rng << 13;
        rng ^= rng >> 17;
        rng ^= rng << 5;
        return 1 + rng % ((rng >> 16) & 1 ? 16 : StreamParser::kBlockSize);
    };
    Parse reads(exEnd, interval);
    size_t pos = 0;
    reads.hooks.read = [&](uint8_t* buf, size_t n) -> long {
        if (pos >= total)
            return 0;
        const size_t take = std::min({n, nextSize(), total - pos});
        std::memcpy(buf, stream.data() + pos, take);
        pos += take;
        return static_cast<long>(take);
    };
    StreamParser parser(reads.shared, reads.hooks);
    while (parser.run(reads.now) == StreamParser::Outcome::SingleFrameDone) {
    }
    if (parser.buildingFrameSize() > StreamParser::kMaxFrameBytes)
        std::abort();

    // A single-frame cycle drops the rest of its read, which lies elsewhere
    // than the rest of its block: only streams without one compare.
    if (interval > 999)
        return 0;
    Parse blocks(exEnd, interval);
    StreamParser whole(blocks.shared, blocks.hooks);
    const size_t wholeBytes = total / StreamParser::kBlockSize * StreamParser::kBlockSize;
    for (size_t at = 0; at < wholeBytes; at += StreamParser::kBlockSize)
        whole.processBlock(reinterpret_cast<const uint8_t*>(stream.data()) + at);
    // The reads also parse the pictures of a short last block, never its
    // status.
    if (reads.seen.statuses != blocks.seen.statuses || reads.seen.stored < blocks.seen.stored ||
        reads.seen.pictures.size() < blocks.seen.pictures.size() ||
        !std::equal(blocks.seen.pictures.begin(), blocks.seen.pictures.end(), reads.seen.pictures.begin()))
        std::abort();
    return 0;
}
