#include "FfprobeCheck.h"
#include "RecordingTestSupport.h"

#include "control/recording/AviRecovery.h"
#include "control/recording/AviWriter.h"
#include "control/recording/RecordingFile.h"
#include "support/TempDir.h"

#include <cerrno>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace recording_test;
using strovix::recording::AviWriter;
using strovix::recording::RecordingFile;

namespace {

// The figures a test expects, then the independent reader's view.
void expectReadable(const std::string& path, int width, int height, long frames, const std::string& rate,
                    bool audio = false)
{
    SCOPED_TRACE(path);
    const Bytes f = readFile(path);
    EXPECT_EQ(u32(f, 64), static_cast<uint32_t>(width));
    EXPECT_EQ(u32(f, 68), static_cast<uint32_t>(height));
    EXPECT_EQ(u32(f, 48), static_cast<uint32_t>(frames));
    EXPECT_EQ(u32(f, 290) > 0, audio);
    if (ffprobeAvailable()) {
        const auto p = probe(path);
        ASSERT_TRUE(p.has_value());
        EXPECT_EQ(p->frameRate, rate);
    }
    expectFfprobeAgrees(path);
}

class AviWriterTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        RecordingFile::injectWriteFailure(0, -1);
        expectFfprobeAgreesWithAll(dir.path());
    }

    TempDir dir;
    FakeClock clock;
};

TEST_F(AviWriterTest, OneFrameFileIsExactToTheByte)
{
    const Bytes frame = makeJpeg(640, 480, 5001);
    AviWriter writer(clock);
    EXPECT_EQ(writer.AddFrame(frame, dir.path(), "cam", 6.0f), 1u);
    ASSERT_EQ(writer.Close(6.0f, dir.file("one.avi")), 0);

    const Bytes f = readFile(dir.file("one.avi"));
    ASSERT_EQ(f.size(), 7082u);
    EXPECT_EQ(fourcc(f, 0), "RIFF");
    EXPECT_EQ(u32(f, 4), 7074u);
    EXPECT_EQ(fourcc(f, 8), "AVI ");
    EXPECT_EQ(u32(f, 16), 358u);
    EXPECT_EQ(u32(f, 32), 166666u);  // microseconds per frame
    EXPECT_EQ(u32(f, 36), 30108u);   // trunc(5018 * 6 / 1)
    EXPECT_EQ(u32(f, 44), 0x810u);
    EXPECT_EQ(u32(f, 48), 1u);
    EXPECT_EQ(u32(f, 56), 2u);
    EXPECT_EQ(u32(f, 60), 307200u);
    EXPECT_EQ(u32(f, 64), 640u);
    EXPECT_EQ(u32(f, 68), 480u);
    EXPECT_EQ(u32(f, 92), 142u);
    EXPECT_EQ(fourcc(f, 108), "vids");
    EXPECT_EQ(fourcc(f, 112), "MJPG");
    EXPECT_EQ(u32(f, 128), 1000000u);
    EXPECT_EQ(u32(f, 132), 6000000u);
    EXPECT_EQ(u32(f, 140), 1u);
    EXPECT_EQ(u32(f, 144), 153600u);
    EXPECT_EQ(u32(f, 160), 640u | 480u << 16);
    EXPECT_EQ(u32(f, 176), 640u);
    EXPECT_EQ(u32(f, 192), 460800u);
    EXPECT_EQ(u32(f, 242), 132u);
    EXPECT_EQ(fourcc(f, 258), "auds");
    EXPECT_EQ(u32(f, 282), 8000u);
    EXPECT_EQ(u32(f, 290), 0u);
    EXPECT_EQ(u32(f, 326), 8000u);
    EXPECT_EQ(u32(f, 330), 16000u);
    EXPECT_EQ(fourcc(f, 378), "JUNK");
    EXPECT_EQ(u32(f, 382), 1650u);
    EXPECT_TRUE(std::all_of(f.begin() + 386, f.begin() + 2036, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(fourcc(f, 2036), "LIST");
    EXPECT_EQ(u32(f, 2040), 5014u);
    EXPECT_EQ(fourcc(f, 2044), "movi");
    EXPECT_EQ(fourcc(f, 2048), "00db");
    EXPECT_EQ(u32(f, 2052), 5001u);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), f.begin() + 2056));
    EXPECT_EQ(f[2056 + 5001], 0); // pad byte
    EXPECT_EQ(fourcc(f, 7058), "idx1");
    EXPECT_EQ(u32(f, 7062), 16u);
    EXPECT_EQ(fourcc(f, 7066), "00db");
    EXPECT_EQ(u32(f, 7070), 0x10u);
    EXPECT_EQ(u32(f, 7074), 4u);
    EXPECT_EQ(u32(f, 7078), 5001u);
    // Nothing hidden is left behind.
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"one.avi"});
    expectReadable(dir.file("one.avi"), 640, 480, 1, "6/1");
}

TEST_F(AviWriterTest, AudioFollowsTheVideoInChunksOf32768)
{
    AviWriter writer(clock);
    const Bytes a = makeJpeg(640, 480, 5001);
    const Bytes b = makeJpeg(640, 480, 6000);
    writer.AddAudio(Bytes(30000, 1)); // sound arriving before and between frames
    writer.AddFrame(a, dir.path(), "cam", 4.0f);
    writer.AddAudio(Bytes(40000, 2));
    writer.AddFrame(b, dir.path(), "cam", 4.0f);
    ASSERT_EQ(writer.Close(4.0f, dir.file("sound.avi")), 0);

    const Bytes f = readFile(dir.file("sound.avi"));
    EXPECT_EQ(u32(f, 290), 70000u);
    // Video chunks: 2048 (8 + 5001 + pad), then 7058 (8 + 6000).
    uint32_t pos = 7058 + 8 + 6000;
    const uint32_t sizes[3] = {32768, 32768, 4464};
    for (uint32_t size : sizes) {
        EXPECT_EQ(fourcc(f, pos), "01wb");
        EXPECT_EQ(u32(f, pos + 4), size);
        pos += 8 + size;
    }
    EXPECT_EQ(u32(f, 2040), pos - 2044);
    EXPECT_EQ(fourcc(f, pos), "idx1");
    EXPECT_EQ(u32(f, pos + 4), 5u * 16);
    const uint32_t index = pos + 8;
    EXPECT_EQ(fourcc(f, index), "00db");
    EXPECT_EQ(u32(f, index + 8), 4u);
    EXPECT_EQ(fourcc(f, index + 16), "00db");
    EXPECT_EQ(u32(f, index + 16 + 8), 7058u - 2044);
    uint32_t chunk = 7058 + 8 + 6000;
    for (int i = 0; i < 3; ++i) {
        const uint32_t e = index + 32 + 16 * i;
        EXPECT_EQ(fourcc(f, e), "01wb");
        EXPECT_EQ(u32(f, e + 4), 0x10u);
        EXPECT_EQ(u32(f, e + 8), chunk - 2044);
        EXPECT_EQ(u32(f, e + 12), sizes[i]);
        chunk += 8 + sizes[i];
    }
    EXPECT_EQ(f.size(), index + 80);
    EXPECT_EQ(u32(f, 4), f.size() - 8);
    // M = all stream chunks + 8 = moviEnd - 2048 + 8; trunc(M * 4 / 2).
    EXPECT_EQ(u32(f, 36), (pos - 2048 + 8) * 4 / 2);
    expectReadable(dir.file("sound.avi"), 640, 480, 2, "4/1", true);
}

TEST_F(AviWriterTest, LongSoundLeavesMemoryAndComesBackWhole)
{
    AviWriter writer(clock);
    writer.AddFrame(makeJpeg(320, 240, 3001), dir.path(), "cam", 2.0f);
    // 3 MB in blocks of 2000 bytes, each block numbered: more than stays in memory.
    Bytes all;
    for (int block = 0; block < 1500; ++block) {
        Bytes b(2000);
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<uint8_t>(block * 7 + i);
        writer.AddAudio(b);
        all.insert(all.end(), b.begin(), b.end());
    }
    writer.AddAudio(Bytes{1, 2, 3}); // an odd tail: whole samples only
    all.push_back(1);
    all.push_back(2);
    EXPECT_EQ(writer.takeWriteError(), 0);
    ASSERT_EQ(writer.Close(2.0f, dir.file("long.avi")), 0);

    const Bytes f = readFile(dir.file("long.avi"));
    EXPECT_EQ(u32(f, 290), all.size());
    Bytes back;
    size_t pos = 2048 + 8 + 3001 + 1;
    while (fourcc(f, pos) == "01wb") {
        const uint32_t size = u32(f, pos + 4);
        back.insert(back.end(), f.begin() + static_cast<long>(pos) + 8, f.begin() + static_cast<long>(pos) + 8 + size);
        pos += 8 + size;
    }
    EXPECT_TRUE(back == all);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"long.avi"});
    expectReadable(dir.file("long.avi"), 320, 240, 1, "2/1", true);
}

TEST_F(AviWriterTest, SoundBeforeTheFirstFrameKeepsOnlyTheNewestMegabyte)
{
    AviWriter writer(clock);
    // 1.5 MB before any frame, in numbered blocks of 1000 bytes.
    for (int block = 0; block < 1536; ++block)
        writer.AddAudio(Bytes(1000, static_cast<uint8_t>(block)));
    writer.AddFrame(makeJpeg(320, 240), dir.path(), "cam", 2.0f);
    writer.AddAudio(Bytes(1000, 0xEE));
    ASSERT_EQ(writer.Close(2.0f, dir.file("early.avi")), 0);
    const Bytes f = readFile(dir.file("early.avi"));
    const uint32_t sound = u32(f, 290);
    EXPECT_LE(sound, strovix::recording::AudioSpool::kMemoryBytes + 1000);
    EXPECT_GE(sound, strovix::recording::AudioSpool::kMemoryBytes * 15 / 16);
    // The newest survive, in order: the last early block, then the late one.
    const size_t end = u32(f, 2040) + 2044;
    EXPECT_EQ(f[end - 1], 0xEE);
    EXPECT_EQ(f[end - 1000], 0xEE);
    EXPECT_EQ(f[end - 1001], static_cast<uint8_t>(1535));
    expectReadable(dir.file("early.avi"), 320, 240, 1, "2/1", true);
}

TEST_F(AviWriterTest, PictureSizeChangeNeedsBothDimensions)
{
    AviWriter writer(clock);
    const Bytes big = makeJpeg(640, 480);
    // Only the height differs: same file, head stays 640 x 480.
    writer.AddFrame(big, dir.path(), "cam", 5.0f);
    writer.AddFrame(makeJpeg(640, 360), dir.path(), "cam", 5.0f);
    EXPECT_EQ(writer.frameCount(), 2u);
    EXPECT_TRUE(filesEndingWith(dir.path(), ".avi").empty());

    // Both differ: the frames so far become a "ResChange" file.
    writer.AddFrame(makeJpeg(320, 240), dir.path(), "cam", 5.0f);
    EXPECT_EQ(writer.frameCount(), 1u);
    const auto changed = filesEndingWith(dir.path(), ".avi");
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].rfind("camResChange2026_3_7_9_5_", 0), 0u) << changed[0];
    const Bytes first = readFile(dir.file(changed[0]));
    EXPECT_EQ(u32(first, 48), 2u);
    EXPECT_EQ(u32(first, 64), 640u);
    EXPECT_EQ(u32(first, 68), 480u);
    expectReadable(dir.file(changed[0]), 640, 480, 2, "5/1");

    ASSERT_EQ(writer.Close(5.0f, dir.file("small.avi")), 0);
    const Bytes second = readFile(dir.file("small.avi"));
    EXPECT_EQ(u32(second, 48), 1u);
    EXPECT_EQ(u32(second, 64), 320u);
    EXPECT_EQ(u32(second, 68), 240u);
    EXPECT_EQ(u32(second, 60), 320u * 240);
    expectReadable(dir.file("small.avi"), 320, 240, 1, "5/1");
}

TEST_F(AviWriterTest, CloseAtRateZeroKeepsFramesAndNoFramesWritesNothing)
{
    AviWriter writer(clock);
    EXPECT_EQ(writer.Close(6.0f, dir.file("empty.avi")), 0);
    EXPECT_TRUE(filesIn(dir.path()).empty());

    writer.AddFrame(makeJpeg(640, 480), dir.path(), "cam", 6.0f);
    writer.AddFrame(makeJpeg(640, 480), dir.path(), "cam", 6.0f);
    EXPECT_EQ(writer.Close(0.0f, dir.file("later.avi")), 1);
    EXPECT_TRUE(filesEndingWith(dir.path(), ".avi").empty());
    EXPECT_EQ(writer.frameCount(), 2u);
    ASSERT_EQ(writer.Close(2.5f, dir.file("later.avi")), 0);
    const Bytes f = readFile(dir.file("later.avi"));
    EXPECT_EQ(u32(f, 48), 2u);
    EXPECT_EQ(u32(f, 32), 400000u);
    EXPECT_EQ(u32(f, 132), 2500000u);
    expectReadable(dir.file("later.avi"), 640, 480, 2, "5/2");
}

TEST_F(AviWriterTest, FinalCloseWritesTheEndFileOnlyWithFrames)
{
    {
        AviWriter writer(clock);
        writer.FinalClose();
        EXPECT_TRUE(filesIn(dir.path()).empty());
        writer.AddFrame(makeJpeg(640, 480), dir.path() + "/", "r-Gate_!0_", 3.0f);
        writer.FinalClose();
    }
    const auto files = filesIn(dir.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("r-Gate_!0_End2026_3_7_9_5_", 0), 0u) << files[0];
    expectReadable(dir.file(files[0]), 640, 480, 1, "3/1");
}

TEST_F(AviWriterTest, RefusesOversizedFramesAndAFullIndex)
{
    AviWriter writer(clock);
    Bytes tooBig(614401, 0x55);
    EXPECT_EQ(writer.AddFrame(tooBig, dir.path(), "cam", 6.0f), 0u);
    EXPECT_TRUE(writer.lastFrameRefused());
    tooBig.pop_back();
    EXPECT_EQ(writer.AddFrame(tooBig, dir.path(), "cam", 6.0f), 1u);
    EXPECT_FALSE(writer.lastFrameRefused());

    const Bytes small(10, 0x11);
    for (int i = 1; i < 10000; ++i)
        writer.AddFrame(small, dir.path(), "cam", 6.0f);
    EXPECT_EQ(writer.frameCount(), 10000u);
    EXPECT_EQ(writer.AddFrame(small, dir.path(), "cam", 6.0f), 10000u);
    EXPECT_TRUE(writer.lastFrameRefused());
    EXPECT_EQ(writer.refusedFrames(), 2u);
    ASSERT_EQ(writer.Close(6.0f, dir.file("full.avi")), 0);
    const Bytes f = readFile(dir.file("full.avi"));
    EXPECT_EQ(u32(f, 48), 10000u);
    EXPECT_EQ(f.size(), 2048 + 614408 + 9999 * 18 + 8 + 10000 * 16u);
    ::unlink(dir.file("full.avi").c_str()); // filler, not pictures: no reader check
}

TEST_F(AviWriterTest, FailedWriteKeepsEarlierFramesForRecovery)
{
    AviWriter writer(clock);
    const Bytes frame = makeJpeg(640, 480, 5001);
    writer.AddFrame(frame, dir.path(), "cam", 6.0f);
    writer.AddAudio(Bytes(5000, 7));
    writer.AddFrame(frame, dir.path(), "cam", 6.0f);
    RecordingFile::injectWriteFailure(ENOSPC, 100);
    writer.AddFrame(frame, dir.path(), "cam", 6.0f);
    EXPECT_EQ(writer.takeWriteError(), ENOSPC);
    EXPECT_EQ(writer.takeWriteError(), 0);
    EXPECT_EQ(writer.frameCount(), 0u);
    RecordingFile::injectWriteFailure(0, -1);

    // The two whole frames survive with their sound; the cut third one is dropped.
    const auto finished = strovix::recording::recoverUnfinishedAvi(dir.path());
    ASSERT_EQ(finished.size(), 1u);
    const Bytes f = readFile(finished[0]);
    EXPECT_EQ(u32(f, 48), 2u);
    EXPECT_EQ(u32(f, 132), 6000000u);
    EXPECT_EQ(u32(f, 290), 5000u);
    expectReadable(finished[0], 640, 480, 2, "6/1", true);
    EXPECT_EQ(filesIn(dir.path()).size(), 1u);
}

} // namespace
