// Arbitrary bytes through the stream parser: no crash, no unbounded memory.
// The first two bytes choose the extended-status end column and the display
// interval, so those paths are fuzzed as well.
#include "control/stream/StreamParser.h"
#include "tests/control/stream/StreamTestData.h"

#include <cstdlib>
#include <cstring>

using strovix::StreamParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    streamtest::ParserFlags flags;
    if (size >= 2) {
        flags.exEnd = data[0] % 4 == 0 ? data[0] * 13 : 0;
        flags.interval = data[1] % 5 == 0 ? 1000 + data[1] : data[1] % 120;
        data += 2;
        size -= 2;
    }
    const StreamParser::Shared shared = flags.wiring();

    // Repeating the input lets small inputs build long pictures.
    const size_t total = size * (size < 4096 ? 3 : 1);
    size_t pos = 0;
    uint32_t now = 0;
    StreamParser::Hooks hooks;
    hooks.read = [&](uint8_t* buf, size_t n) -> long {
        if (size == 0 || pos >= total)
            return 0;
        const size_t take = std::min(n, total - pos);
        for (size_t i = 0; i < take; ++i)
            buf[i] = data[(pos + i) % size];
        pos += take;
        return static_cast<long>(take);
    };
    size_t statusBytes = 0;
    hooks.statusBlock = [&](std::string_view b) {
        statusBytes = b.size();
        if (statusBytes > StreamParser::kMaxStatusLength)
            std::abort();
    };
    hooks.announce = [&] {
        if (shared.frame->copy().size() > StreamParser::kMaxFrameBytes)
            std::abort();
    };
    hooks.nowMs = [&] { return now += 7; };
    hooks.sleepMs = [](unsigned) {};
    StreamParser parser(shared, hooks);
    while (parser.run(now) == StreamParser::Outcome::SingleFrameDone) {
    }
    if (parser.buildingFrameSize() > StreamParser::kMaxFrameBytes)
        std::abort();
    return 0;
}
