#include "media/jpeg/PictureSize.h"
#include "control/stream/StreamParser.h"
#include "control/stream/StreamTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

using namespace strovix;
using namespace media;
using namespace streamtest;

namespace {

constexpr size_t kBlock = StreamParser::kBlockSize;

// Drives a parser over a byte script with a fake clock: each block of the
// script can carry the time at which it "arrives".
class Harness : public ParserFlags {
public:
    Harness()
    {
        shared = wiring();
        hooks.read = [this](uint8_t* buf, size_t n) -> long {
            if (pos >= bytes.size())
                return 0;
            if (auto it = arrival.find(pos / kBlock); it != arrival.end())
                now = it->second;
            const size_t take = std::min(n, bytes.size() - pos);
            std::memcpy(buf, bytes.data() + pos, take);
            pos += take;
            return static_cast<long>(take);
        };
        hooks.statusBlock = [this](std::string_view b) { statuses.emplace_back(b); };
        hooks.pictureStored = [this] { ++stored; };
        hooks.announce = [this] {
            shown.push_back(frame->copy());
            shownAt.push_back(now);
        };
        hooks.stopSeen = [this] { ++stopSeen; };
        hooks.nowMs = [this] { return now; };
        hooks.sleepMs = [this](unsigned ms) { slept.push_back(ms); };
    }

    StreamParser::Outcome run(uint32_t requestStart = 0)
    {
        StreamParser parser(shared, hooks);
        return parser.run(requestStart);
    }

    std::string bytes;
    size_t pos = 0;
    std::map<size_t, uint32_t> arrival; // block index -> tick
    uint32_t now = 10000;

    StreamParser::Shared shared;
    StreamParser::Hooks hooks;

    std::vector<std::string> statuses;
    std::vector<Frame> shown;
    std::vector<uint32_t> shownAt;
    std::vector<unsigned> slept;
    int stored = 0;
    int stopSeen = 0;
};

std::string asString(const Frame& f)
{
    return std::string(f.begin(), f.end());
}

// Pads with filler (no FF) to a whole number of blocks.
std::string padToBlocks(std::string s)
{
    s.resize((s.size() + kBlock - 1) / kBlock * kBlock, '.');
    return s;
}

} // namespace

TEST(PictureSize, TableAndBrokenChains)
{
    struct Case {
        unsigned w, h;
        int index;
    } cases[] = {{176, 144, 0}, {352, 288, 1}, {320, 240, 2},  {640, 480, 3},    {128, 96, 4},
                 {160, 120, 5}, {704, 576, 6}, {1280, 960, 6}, {1280, 1024, 7}, {800, 600, -1}};
    for (const auto& c : cases) {
        const std::string p = picture(c.w, c.h, 300);
        EXPECT_EQ(pictureSizeIndex(reinterpret_cast<const uint8_t*>(p.data()), p.size()), c.index) << c.w << "x" << c.h;
    }
    // A byte other than FF where a marker should be, no FF C0 at all, and a
    // frame cut inside the start-of-frame segment all give 0.
    std::string broken = picture(640, 480, 300);
    broken[2] = 0x00;
    EXPECT_EQ(pictureSizeIndex(reinterpret_cast<const uint8_t*>(broken.data()), broken.size()), 0);
    std::string noSof = picture(640, 480, 300);
    noSof[21] = '\xC2'; // progressive instead of baseline: the walk runs off the end
    EXPECT_EQ(pictureSizeIndex(reinterpret_cast<const uint8_t*>(noSof.data()), noSof.size()), 0);
    const std::string cut = picture(640, 480, 300).substr(0, 25);
    EXPECT_EQ(pictureSizeIndex(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()), 0);
}

TEST(StreamParser, MarkersSplitAcrossBlocks)
{
    // End marker split: the picture's FF is the last byte of block 1.
    {
        Harness h;
        const std::string first = picture(640, 480, 3 * kBlock, 1);
        // The picture starts where its FF D9 straddles blocks 3 and 4.
        const size_t o = 4 * kBlock - 1 - (first.size() - 2);
        const std::string s = std::string(o, '.') + first;
        ASSERT_EQ(static_cast<unsigned char>(s[4 * kBlock - 1]), 0xFF);
        ASSERT_EQ(static_cast<unsigned char>(s[4 * kBlock]), 0xD9);
        h.bytes = padToBlocks(s);
        EXPECT_EQ(h.run(), StreamParser::Outcome::StreamEnded);
        ASSERT_EQ(h.shown.size(), 1u);
        EXPECT_EQ(asString(h.shown[0]), first);
    }
    // Start marker split: FF at the end of block 0, D8 first in block 1.
    {
        Harness h;
        const std::string pic = picture(320, 240, 5000, 2);
        const std::string s = std::string(kBlock - 1, '.') + pic;
        h.bytes = padToBlocks(s);
        h.run();
        ASSERT_EQ(h.shown.size(), 1u);
        EXPECT_EQ(asString(h.shown[0]), pic);
    }
}

TEST(StreamParser, EveryPictureInOrderAndWhatIsNotAnnounced)
{
    // Two small pictures in one block, then a long one: all three, in order.
    Harness h;
    const std::string a = picture(176, 144, 300, 1), b = picture(160, 120, 400, 2), c = picture(640, 480, 9000, 3);
    h.bytes = padToBlocks("xx" + a + "--" + b + "--" + c);
    h.run();
    ASSERT_EQ(h.shown.size(), 3u);
    EXPECT_EQ(asString(h.shown[0]), a);
    EXPECT_EQ(asString(h.shown[1]), b);
    EXPECT_EQ(asString(h.shown[2]), c);
    EXPECT_EQ(h.announced.load(), 3u);

    // 800x600 is stored as the shared frame but neither posted nor announced.
    Harness odd;
    const std::string big = picture(800, 600, 5000);
    odd.bytes = padToBlocks(big);
    odd.run();
    EXPECT_TRUE(odd.shown.empty());
    EXPECT_EQ(odd.stored, 0);
    EXPECT_EQ(asString(odd.frame->copy()), big);

    // A window that is not ready: stored and posted, never announced.
    Harness hidden;
    hidden.windowNotReady = 1;
    hidden.bytes = padToBlocks(picture(640, 480, 3000));
    hidden.run();
    EXPECT_EQ(hidden.stored, 1);
    EXPECT_TRUE(hidden.shown.empty());
    EXPECT_FALSE(hidden.frame->copy().empty());
}

TEST(StreamParser, StreamEndsAndStops)
{
    // A body that ends after 1000 bytes: no picture, the stream ended.
    Harness shortBody;
    shortBody.bytes = picture(640, 480, 5000).substr(0, 1000);
    EXPECT_EQ(shortBody.run(), StreamParser::Outcome::StreamEnded);
    EXPECT_TRUE(shortBody.shown.empty());
    EXPECT_TRUE(shortBody.frame->copy().empty());

    // The stop flag is seen after the next read that returns data.
    Harness stopped;
    stopped.bytes = padToBlocks(picture(640, 480, 5000) + picture(640, 480, 5000));
    stopped.stop = 1;
    EXPECT_EQ(stopped.run(), StreamParser::Outcome::StopSeen);
    EXPECT_EQ(stopped.stopSeen, 1);
    EXPECT_TRUE(stopped.shown.empty());
}

TEST(StreamParser, StatusBlocks)
{
    // A header whose status text starts 20 bytes before the block end: the
    // block gives 20 bytes, the next the other 66.
    {
        Harness h;
        const std::string status = statusBlock(86, '7');
        std::string s(kBlock - 20 - kStatusHeader.size(), '.');
        s += kStatusHeader + status;
        h.bytes = padToBlocks(s);
        h.run();
        ASSERT_EQ(h.statuses.size(), 1u);
        EXPECT_EQ(h.statuses[0], status);
    }
    // With an extended-status end column 10 the block is 115 bytes long.
    {
        Harness h;
        h.exEnd = 10;
        const std::string status = statusBlock(115, '5');
        h.bytes = padToBlocks(std::string(100, '.') + kStatusHeader + status + "tail");
        h.run();
        ASSERT_EQ(h.statuses.size(), 1u);
        EXPECT_EQ(h.statuses[0], status);
    }
    // Only the first header of a block counts; a header cut across two
    // blocks is not found.
    {
        Harness h;
        std::string s = kStatusHeader + statusBlock() + kStatusHeader + statusBlock(86, '9');
        s += std::string(kBlock - s.size() - 10, '.') + kStatusHeader.substr(0, 10);
        s += kStatusHeader.substr(10) + statusBlock(86, '3');
        h.bytes = padToBlocks(s);
        h.run();
        ASSERT_EQ(h.statuses.size(), 1u);
        EXPECT_EQ(h.statuses[0], statusBlock());
    }
}

TEST(StreamParser, DisplayPacing)
{
    // Pictures every 60 ms, one per block, arriving from t = 10000.
    auto timed = [](Harness& h, int count) {
        std::string s;
        for (int i = 0; i < count; ++i) {
            h.arrival[s.size() / kBlock] = 10000 + 60 * static_cast<uint32_t>(i);
            s += padToBlocks(picture(640, 480, 1500, static_cast<unsigned>(i)));
        }
        h.bytes = s;
    };
    {
        Harness h;
        h.interval = 30;
        timed(h, 6);
        h.run();
        EXPECT_EQ(h.shown.size(), 6u);
    }
    {
        // 100 ms: announced when now + gap / 2 - last display >= 100, i.e.
        // 60 + 30 = 90 is too early, 120 + 30 is enough: every second picture.
        Harness h;
        h.interval = 100;
        timed(h, 6);
        h.run();
        EXPECT_EQ(h.shownAt, (std::vector<uint32_t>{10000, 10120, 10240}));
    }
    {
        // Frame rate over a window of 4: 4 pictures in 240 ms -> 16.66 per s.
        Harness h;
        h.window = 4;
        timed(h, 6);
        h.run();
        EXPECT_EQ(h.announced.load(), 6u);
        EXPECT_EQ(h.rate.load(), 4u * 100000u / 240u);
    }
}

TEST(StreamParser, SingleFrameMode)
{
    Harness h;
    h.interval = 1000;
    h.intervalChanged = 1; // an earlier write: cut short, then cleared
    h.bytes = padToBlocks(picture(640, 480, 3000, 1) + picture(640, 480, 3000, 2));
    h.now = 10300;
    EXPECT_EQ(h.run(10000), StreamParser::Outcome::SingleFrameDone);
    EXPECT_EQ(h.shown.size(), 1u);
    EXPECT_EQ(h.intervalChanged.load(), 0);

    // Without the flag the rest of the interval is slept in 100 ms slices.
    Harness w;
    w.interval = 1000;
    w.bytes = padToBlocks(picture(640, 480, 3000, 1));
    w.now = 10250;
    EXPECT_EQ(w.run(10000), StreamParser::Outcome::SingleFrameDone);
    unsigned total = 0;
    for (unsigned ms : w.slept)
        if (ms != 10 && ms != 0)
            total += ms;
    EXPECT_EQ(total, 750u);
}

TEST(StreamParser, RunawayPictureIsDroppedAndParsingRecovers)
{
    Harness h;
    std::string s = "\xFF\xD8";
    s += std::string(StreamParser::kMaxFrameBytes + 10 * kBlock, 'z');
    s += "\xFF\xD9"; // the end of the dropped picture: not stored
    const std::string good = picture(640, 480, 4000);
    s += good;
    h.bytes = padToBlocks(s);
    StreamParser parser(h.shared, h.hooks);
    size_t largest = 0;
    for (size_t off = 0; off < h.bytes.size(); off += kBlock) {
        parser.processBlock(reinterpret_cast<const uint8_t*>(h.bytes.data() + off));
        largest = std::max(largest, parser.buildingFrameSize());
    }
    EXPECT_LE(largest, StreamParser::kMaxFrameBytes);
    ASSERT_EQ(h.shown.size(), 1u);
    EXPECT_EQ(asString(h.shown[0]), good);
}

TEST(StreamParser, ReadsAreAssembledIntoWholeBlocks)
{
    // A transport that hands out 333 bytes at a time still yields the same
    // pictures: run() asks for whole blocks and the reader must fill them.
    Harness h;
    std::string s;
    for (int i = 0; i < 5; ++i)
        s += streamPart(picture(640, 480, 2500 + 100 * static_cast<size_t>(i), static_cast<unsigned>(i)));
    const std::string data = padToBlocks(s);
    size_t at = 0;
    h.hooks.read = [&](uint8_t* buf, size_t n) -> long {
        size_t got = 0;
        while (got < n && at < data.size()) {
            const size_t take = std::min({size_t(333), n - got, data.size() - at});
            std::memcpy(buf + got, data.data() + at, take);
            got += take;
            at += take;
        }
        return static_cast<long>(got);
    };
    h.run();
    EXPECT_EQ(h.shown.size(), 5u);
    EXPECT_EQ(h.statuses.size(), 5u);
}
