#include "media/jpeg/PictureSize.h"
#include "control/stream/StreamParser.h"
#include "control/stream/StreamTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace strovix;
using namespace media;
using namespace streamtest;

namespace {

constexpr size_t kBlock = StreamParser::kBlockSize;

// Drives a parser over a byte script with a fake clock: each block of the
// script can carry the time at which it "arrives". Reads give at most
// `readSize` bytes.
class Harness : public ParserFlags {
public:
    Harness()
    {
        shared = wiring();
        hooks.read = [this](uint8_t* buf, size_t n) -> long {
            if (pos >= bytes.size())
                return 0;
            const size_t take = std::min({n, readSize, arrived(pos) - pos});
            arrive(pos + take);
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

    // Where the bytes that have arrived by the time byte `at` arrived end: a
    // read never takes bytes that come later.
    size_t arrived(size_t at) const
    {
        const auto later = arrival.upper_bound(at / kBlock);
        return later == arrival.end() ? bytes.size() : std::min(bytes.size(), later->first * kBlock);
    }
    // The clock of a read that ends at byte `end`: the arrival of the block
    // holding its last byte.
    void arrive(size_t end)
    {
        if (auto it = arrival.find((end - 1) / kBlock); it != arrival.end())
            now = it->second;
    }

    std::string bytes;
    size_t pos = 0;
    size_t readSize = kBlock;
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

TEST(StreamParser, ThePauseBoundsTheRateAndCostsNothingForSlowerCameras)
{
    // One picture per block; the second comes 3 ms after the first, the
    // third 37 ms after the second.
    Harness h;
    h.bytes = padToBlocks(picture(320, 240, 1500, 1)) + padToBlocks(picture(320, 240, 1500, 2)) +
              padToBlocks(picture(320, 240, 1500, 3));
    ASSERT_EQ(h.bytes.size(), 3 * kBlock);
    h.arrival = {{0, 100}, {1, 103}, {2, 140}};
    EXPECT_EQ(h.run(), StreamParser::Outcome::StreamEnded);
    EXPECT_EQ(h.shown.size(), 3u);
    // Only the picture that came too soon waited, for the rest of the pause.
    EXPECT_EQ(h.slept, (std::vector<unsigned>{StreamParser::kPauseMs - 3}));
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

namespace {

// What a parse gave, for comparing two ways of feeding the same stream.
struct Observed {
    std::vector<std::string> statuses;
    std::vector<Frame> shown;
    std::vector<uint32_t> shownAt;
    std::vector<unsigned> slept;
    int stored = 0;
    Frame frame;
    uint32_t announced = 0, rate = 0;
    int intervalChanged = 0;
    std::optional<StreamParser::Outcome> outcome;
    size_t building = 0;
    bool operator==(const Observed&) const = default;
};

// A stream with the flags it is parsed under, taken from the cases above.
struct Scenario {
    const char* name;
    std::string bytes;
    std::map<size_t, uint32_t> arrival = {};
    std::function<void(Harness&)> flags = [](Harness&) {};
};

// Feeds the scenario's bytes as reads of `readSize` bytes (shorter where
// the bytes that have arrived end), the whole-block result with readSize 0:
// processBlock() over the blocks. Like run(), stops at an outcome.
Observed replay(const Scenario& sc, size_t readSize)
{
    Harness h;
    sc.flags(h);
    h.arrival = sc.arrival;
    h.bytes = sc.bytes;
    StreamParser parser(h.shared, h.hooks);
    Observed o;
    const auto* data = reinterpret_cast<const uint8_t*>(h.bytes.data());
    for (size_t at = 0; at < h.bytes.size() && !o.outcome;) {
        const size_t n = readSize == 0 ? kBlock : std::min(readSize, h.arrived(at) - at);
        h.arrive(at + n);
        o.outcome = readSize == 0 ? parser.processBlock(data + at) : parser.processBytes(data + at, n);
        at += n;
    }
    o.statuses = std::move(h.statuses);
    o.shown = std::move(h.shown);
    o.shownAt = h.shownAt;
    o.slept = h.slept;
    o.stored = h.stored;
    o.frame = h.frame->copy();
    o.announced = h.announced.load();
    o.rate = h.rate.load();
    o.intervalChanged = h.intervalChanged.load();
    o.building = parser.buildingFrameSize();
    return o;
}

// Each stream is kept to a few blocks: it is replayed thousands of times.
std::vector<Scenario> scenarios()
{
    std::vector<Scenario> out;
    // Markers split across blocks (end, then start), pictures in order with
    // an odd size and stray FFs between them, status text across a block
    // end, a second header in a block, a header cut across blocks, stream
    // parts.
    std::string mixed = std::string(kBlock - 1 - 298, '.') + picture(640, 480, 300, 1);
    mixed += std::string(kBlock - 1, '.') + picture(320, 240, 700, 2);
    mixed += "xx" + picture(176, 144, 300, 3) + "--" + picture(800, 600, 200) + "\xFF" + picture(160, 120, 400, 4) +
             "\xFF\xFF" + picture(640, 480, 2500, 5);
    mixed = padToBlocks(mixed);
    mixed += std::string(kBlock - 20 - kStatusHeader.size(), '.') + kStatusHeader + statusBlock(86, '7');
    std::string headers = kStatusHeader + statusBlock() + kStatusHeader + statusBlock(86, '9');
    headers += std::string(kBlock - headers.size() - 10, '.') + kStatusHeader.substr(0, 10);
    mixed = padToBlocks(padToBlocks(mixed) + headers + kStatusHeader.substr(10) + statusBlock(86, '3'));
    for (int i = 0; i < 3; ++i)
        mixed += streamPart(picture(640, 480, 600 + 100 * static_cast<size_t>(i), static_cast<unsigned>(i)));
    out.push_back({"markers, pictures and status blocks", padToBlocks(mixed)});
    out.push_back({"window not ready, extended status",
                   padToBlocks(picture(640, 480, 1000) + picture(640, 480, 100) + kStatusHeader + statusBlock(115, '5')),
                   {},
                   [](Harness& h) {
                       h.windowNotReady = 1;
                       h.exEnd = 10;
                   }});
    Scenario paced{"paced pictures with a rate window", {}, {}, [](Harness& h) {
                       h.interval = 100;
                       h.window = 2;
                   }};
    for (int i = 0; i < 3; ++i) {
        paced.arrival[paced.bytes.size() / kBlock] = 10000 + 60 * static_cast<uint32_t>(i);
        paced.bytes += padToBlocks(picture(640, 480, 1500, static_cast<unsigned>(i)));
    }
    out.push_back(paced);
    out.push_back({"single frame", padToBlocks(streamPart(picture(640, 480, 1000, 1)) + picture(640, 480, 1000, 2)), {},
                   [](Harness& h) {
                       h.interval = 1000;
                       h.now = 300;
                   }});
    return out;
}

} // namespace

// However the transport cuts the stream into reads, the parser finds the
// same pictures, at the same times, and the same status blocks as from whole
// blocks.
TEST(StreamParserReads, EveryReadSizeGivesTheWholeBlockResult)
{
    for (const Scenario& sc : scenarios()) {
        SCOPED_TRACE(sc.name);
        const Observed whole = replay(sc, 0);
        ASSERT_FALSE(whole.shown.empty() && whole.statuses.empty() && whole.stored == 0);
        for (size_t r = 1; r <= 2 * kBlock; ++r) {
            const Observed got = replay(sc, r);
            ASSERT_EQ(got.statuses, whole.statuses) << "reads of " << r;
            ASSERT_TRUE(got == whole) << "reads of " << r;
        }
    }
    // The size cap does not depend on where reads end (a few sizes: the
    // stream is over 4 MiB).
    // One byte over the cap, then one exactly at it.
    std::string big = "\xFF\xD8" + std::string(StreamParser::kMaxFrameBytes - 3, 'z');
    big += "\xFF\xD9" + picture(640, 480, 4000);
    big += "\xFF\xD8" + std::string(StreamParser::kMaxFrameBytes - 4, 'y') + "\xFF\xD9";
    const Scenario runaway{"runaway picture", padToBlocks(big + picture(320, 240, 700, 5))};
    const Observed whole = replay(runaway, 0);
    ASSERT_EQ(whole.shown.size(), 3u);
    EXPECT_EQ(whole.shown[1].size(), StreamParser::kMaxFrameBytes);
    for (size_t r : {size_t(1000), kBlock - 1, kBlock + 1, 2 * kBlock})
        EXPECT_TRUE(replay(runaway, r) == whole) << "reads of " << r;
}

TEST(StreamParserReads, APictureIsShownWhenItsEndMarkerIsRead)
{
    // The camera sends a status part and a small picture, then pauses: the
    // picture is announced before the parser asks for more, its status only
    // once its block is complete (and a short last block's status is
    // dropped when the body ends there).
    Harness h;
    const std::string pic = picture(640, 480, 900, 4);
    const std::string first = streamPart(pic, 86);
    ASSERT_LT(first.size(), kBlock);
    h.bytes = first + std::string(kBlock, '.');
    std::vector<size_t> readEnds;
    size_t posAtAnnounce = 0;
    h.hooks.read = [&](uint8_t* buf, size_t n) -> long {
        // What has arrived: the first part, then the rest.
        const size_t end = h.pos < first.size() ? first.size() : h.bytes.size();
        if (h.pos >= end)
            return 0;
        const size_t take = std::min(n, end - h.pos);
        std::memcpy(buf, h.bytes.data() + h.pos, take);
        h.pos += take;
        readEnds.push_back(h.pos);
        return static_cast<long>(take);
    };
    auto announce = h.hooks.announce;
    h.hooks.announce = [&] {
        posAtAnnounce = h.pos;
        announce();
    };
    std::vector<size_t> statusAt;
    h.hooks.statusBlock = [&](std::string_view b) {
        statusAt.push_back(h.pos);
        h.statuses.emplace_back(b);
    };
    h.run();
    ASSERT_EQ(h.shown.size(), 1u);
    EXPECT_EQ(asString(h.shown[0]), pic);
    EXPECT_EQ(posAtAnnounce, first.size());
    EXPECT_EQ(statusAt, (std::vector<size_t>{h.bytes.size()}));
    EXPECT_EQ(h.statuses, (std::vector<std::string>{statusBlock()}));

    Harness cut;
    cut.bytes = first;
    cut.readSize = 100;
    cut.run();
    EXPECT_EQ(cut.shown.size(), 1u);
    EXPECT_TRUE(cut.statuses.empty());
}

TEST(StreamParserReads, RunOverShortReads)
{
    // The loop over the connection's reads: pacing clock, stop and
    // single-frame cycle behave as with whole blocks.
    for (size_t r : {size_t(1), size_t(333), kBlock - 1}) {
        SCOPED_TRACE(r);
        Harness h;
        h.readSize = r;
        h.interval = 100;
        for (int i = 0; i < 6; ++i) {
            h.arrival[h.bytes.size() / kBlock] = 10000 + 60 * static_cast<uint32_t>(i);
            h.bytes += padToBlocks(streamPart(picture(640, 480, 1500, static_cast<unsigned>(i))));
        }
        EXPECT_EQ(h.run(), StreamParser::Outcome::StreamEnded);
        EXPECT_EQ(h.shownAt, (std::vector<uint32_t>{10000, 10120, 10240}));
        EXPECT_EQ(h.statuses.size(), 6u);

        Harness single;
        single.readSize = r;
        single.interval = 1000;
        single.now = 10250;
        single.bytes = padToBlocks(picture(640, 480, 3000, 1) + picture(640, 480, 3000, 2));
        EXPECT_EQ(single.run(10000), StreamParser::Outcome::SingleFrameDone);
        EXPECT_EQ(single.shown.size(), 1u);
        EXPECT_LT(single.pos, 3000 + r); // nothing read after the picture's read

        Harness stopped;
        stopped.readSize = r;
        stopped.stop = 1;
        stopped.bytes = padToBlocks(picture(640, 480, 100));
        EXPECT_EQ(stopped.run(), StreamParser::Outcome::StopSeen);
        EXPECT_TRUE(stopped.shown.empty());
    }
}
