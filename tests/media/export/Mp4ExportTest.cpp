// The MP4 export of recordings written by the recording's own writer, read
// back with libavformat and libavcodec.
#include "media/export/Mp4Export.h"

#include "media/avi/AviReader.h"

#include "support/ExportTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace export_test;
using recording_test::filesIn;

namespace {

std::vector<std::string> names(std::initializer_list<const char*> list)
{
    return {list.begin(), list.end()};
}

// A recording of 3 s (30 frames at 10 frames/s); with sound unless asked.
class Mp4ExportTest : public ::testing::Test {
protected:
    TempDir dir;
    const std::string avi = dir.file("clip.avi");
    const std::string mp4 = dir.file("clip.mp4");
};

TEST_F(Mp4ExportTest, TheWholeRecordingWithItsSoundBecomesAnH264AndAacFile)
{
    writeRecording(avi, 30, 10.0f, true);
    const auto before = recording_test::readFile(avi);
    media::ExportProgress progress;
    const media::ExportResult result = media::exportToMp4(avi, mp4, {}, &progress);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.frames, 30u);
    EXPECT_TRUE(result.sound);
    EXPECT_EQ(progress.total(), 30u);
    EXPECT_EQ(progress.done(), 30u);

    const MediaFacts facts = readMedia(mp4);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.videoCodec, "h264");
    EXPECT_EQ(facts.pixelFormat, "yuv420p");
    EXPECT_EQ(facts.width, 160);
    EXPECT_EQ(facts.height, 120);
    EXPECT_EQ(facts.videoPackets, 30);
    EXPECT_NEAR(facts.frameRate, 10.0, 1e-6);
    EXPECT_NEAR(facts.videoSeconds, 3.0, 0.1);
    EXPECT_EQ(facts.soundCodec, "aac");
    EXPECT_EQ(facts.sampleRate, 8000);
    EXPECT_NEAR(facts.soundSeconds, 3.0, 0.1);
    EXPECT_TRUE(indexAtFront(mp4));

    // The first picture is the recording's first, not a neighbour.
    const auto first = aviPicture(avi, 0);
    const auto second = aviPicture(avi, 1);
    ASSERT_TRUE(first && second);
    ASSERT_EQ(facts.pictures.size(), 1u);
    EXPECT_GE(psnr(*first, facts.pictures[0]), 35.0);
    EXPECT_LT(psnr(*second, facts.pictures[0]), 25.0);

    // Nothing else is left in the folder and the source is as it was.
    EXPECT_EQ(filesIn(dir.path()), names({"clip.avi", "clip.mp4"}));
    EXPECT_EQ(recording_test::readFile(avi), before);
}

TEST_F(Mp4ExportTest, ASoundlessOddSizedRecordingHasNoSoundTrackAndAnEvenSize)
{
    writeRecording(avi, 12, 6.0f, false, 161, 121);
    const media::ExportResult result = media::exportToMp4(avi, mp4);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(result.sound);
    const MediaFacts facts = readMedia(mp4);
    EXPECT_EQ(facts.width, 160);
    EXPECT_EQ(facts.height, 120);
    EXPECT_EQ(facts.videoPackets, 12);
    EXPECT_NEAR(facts.videoSeconds, 2.0, 1.0 / 6);
    EXPECT_TRUE(facts.soundCodec.empty());
    const auto first = aviPicture(avi, 0);
    ASSERT_TRUE(first);
    EXPECT_GE(psnr(*first, facts.pictures.at(0)), 35.0);
}

TEST_F(Mp4ExportTest, ASpanHoldsItsFramesAndSoundOnly)
{
    writeRecording(avi, 30, 10.0f, true);
    // [1.0, 2.05): the frames shown at 1.0 .. 2.0 s, eleven of them.
    const media::ExportResult result = media::exportToMp4(avi, mp4, {1.0, 2.05});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.frames, 11u);
    const MediaFacts facts = readMedia(mp4);
    EXPECT_EQ(facts.videoPackets, 11);
    EXPECT_NEAR(facts.videoSeconds, 1.1, 0.1);
    EXPECT_NEAR(facts.soundSeconds, 1.1, 0.1);
    const auto tenth = aviPicture(avi, 10);
    const auto ninth = aviPicture(avi, 9);
    ASSERT_TRUE(tenth && ninth);
    EXPECT_GE(psnr(*tenth, facts.pictures.at(0)), 35.0);
    EXPECT_LT(psnr(*ninth, facts.pictures.at(0)), 25.0);

    // Only a start, or only an end.
    ASSERT_TRUE(media::exportToMp4(avi, mp4, {2.5, {}}).ok);
    EXPECT_EQ(readMedia(mp4).videoPackets, 5);
    ASSERT_TRUE(media::exportToMp4(avi, mp4, {{}, 0.5}).ok);
    EXPECT_EQ(readMedia(mp4).videoPackets, 5);
    // An end past the last frame by less than half a frame is the end.
    ASSERT_TRUE(media::exportToMp4(avi, mp4, {2.9, 3.04}).ok);
    EXPECT_EQ(readMedia(mp4).videoPackets, 1);

    // Spans outside the recording, empty or backwards are refused and the
    // file written before stays as it was.
    const auto written = recording_test::readFile(mp4);
    const struct {
        media::ExportSpan span;
        const char* says;
    } refused[] = {
        {{3.0, {}}, "The span from 3.00 s to 3.00 s lies outside the recording, which is 3.00 s long."},
        {{4.0, 5.0}, "The span from 4.00 s to 5.00 s lies outside the recording, which is 3.00 s long."},
        {{1.0, 3.2}, "The span from 1.00 s to 3.20 s lies outside the recording, which is 3.00 s long."},
        {{2.0, 1.0}, "The span from 2.00 s to 1.00 s is not a span of time."},
        {{-1.0, 1.0}, "The span from -1.00 s to 1.00 s is not a span of time."},
        {{1.01, 1.05}, "The span from 1.01 s to 1.05 s holds no frame of the recording."},
    };
    for (const auto& r : refused) {
        const media::ExportResult no = media::exportToMp4(avi, mp4, r.span);
        EXPECT_FALSE(no.ok);
        EXPECT_EQ(no.error, r.says);
    }
    EXPECT_EQ(recording_test::readFile(mp4), written);
    EXPECT_EQ(filesIn(dir.path()), names({"clip.avi", "clip.mp4"}));
}

TEST_F(Mp4ExportTest, DamagedInputAndUnwritableTargetsAreRefusedWithoutLeavingAFile)
{
    // Not a recording at all, and one cut inside its header.
    dir.write("text.avi", "this is not a recording");
    media::ExportResult result = media::exportToMp4(dir.file("text.avi"), mp4);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "text.avi is not a readable recording: The file is not an AVI file.");
    writeRecording(avi, 30, 10.0f, true);
    auto bytes = recording_test::readFile(avi);
    dir.write("cut.avi", std::string(bytes.begin(), bytes.begin() + 300));
    result = media::exportToMp4(dir.file("cut.avi"), mp4);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.rfind("cut.avi is not a readable recording: ", 0), 0u) << result.error;
    EXPECT_EQ(media::exportToMp4(dir.file("missing.avi"), mp4).error,
              "missing.avi is not a readable recording: The file cannot be opened.");
    EXPECT_EQ(filesIn(dir.path()), names({"clip.avi", "cut.avi", "text.avi"}));

    // A folder that is not there; the recording itself as the target.
    result = media::exportToMp4(avi, dir.file("nowhere/clip.mp4"));
    EXPECT_EQ(result.error, "The folder " + dir.file("nowhere") + " cannot be written: No such file or directory.");
    result = media::exportToMp4(avi, avi);
    EXPECT_EQ(result.error, "The MP4 file cannot replace the recording itself; choose another name.");
    EXPECT_EQ(recording_test::readFile(avi), bytes);
    EXPECT_EQ(media::exportToMp4(avi, dir.path()).error, dir.path() + " is a folder; choose a file name.");
    EXPECT_EQ(filesIn(dir.path()), names({"clip.avi", "cut.avi", "text.avi"}));
}

TEST_F(Mp4ExportTest, AFrameThatDoesNotDecodeRepeatsThePictureBeforeIt)
{
    writeRecording(avi, 10, 10.0f, false);
    media::AviReader reader;
    ASSERT_EQ(reader.open(avi), media::AviError::None);
    std::vector<uint8_t> jpeg;
    // Frames 0 and 4 lose their picture data (the chunks stay where they are).
    auto bytes = recording_test::readFile(avi);
    for (uint32_t k : {0u, 4u}) {
        ASSERT_EQ(reader.readFrame(k, jpeg), media::AviError::None);
        const auto at = std::search(bytes.begin(), bytes.end(), jpeg.begin(), jpeg.end());
        ASSERT_NE(at, bytes.end());
        std::fill(at, at + static_cast<std::ptrdiff_t>(jpeg.size()), 0x00);
    }
    dir.write("damaged.avi", std::string(bytes.begin(), bytes.end()));
    const media::ExportResult result = media::exportToMp4(dir.file("damaged.avi"), mp4);
    ASSERT_TRUE(result.ok) << result.error;
    const MediaFacts facts = readMedia(mp4, 6);
    EXPECT_EQ(facts.videoPackets, 10);
    ASSERT_EQ(facts.pictures.size(), 6u);
    const auto picture = [&](int k) { return *aviPicture(avi, k); };
    // Frame 0 shows the first good picture (1), frame 4 repeats frame 3:
    // each is far nearer the picture it shows than the one it replaces.
    const auto shows = [&](int exported, int shown, int instead) {
        const double near = psnr(picture(shown), facts.pictures[size_t(exported)]);
        EXPECT_GE(near, 30.0) << exported;
        EXPECT_GT(near, psnr(picture(instead), facts.pictures[size_t(exported)]) + 8.0) << exported;
    };
    shows(0, 1, 0);
    shows(4, 3, 4);
    shows(5, 5, 4);

    // Not one good picture: refused.
    for (uint32_t k = 0; k < 10; ++k) {
        ASSERT_EQ(reader.readFrame(k, jpeg), media::AviError::None);
        const auto at = std::search(bytes.begin(), bytes.end(), jpeg.begin(), jpeg.end());
        if (at != bytes.end())
            std::fill(at, at + static_cast<std::ptrdiff_t>(jpeg.size()), 0x00);
    }
    dir.write("blank.avi", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(media::exportToMp4(dir.file("blank.avi"), dir.file("blank.mp4")).error,
              "No picture of the span can be decoded.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("blank.mp4")));
}

TEST_F(Mp4ExportTest, ACancelFromAnotherThreadLeavesNoFileAndAnEarlierOneAsItWas)
{
    writeRecording(avi, 200, 25.0f, true, 320, 240);
    dir.write("clip.mp4", "earlier");
    media::ExportProgress progress;
    std::atomic<bool> returned{false};
    std::thread watcher([&] {
        while (progress.done() < 20 && !returned)
            std::this_thread::yield();
        progress.cancel();
    });
    const media::ExportResult result = media::exportToMp4(avi, mp4, {}, &progress);
    returned = true;
    watcher.join();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, media::kExportCancelled);
    EXPECT_GE(progress.done(), 20u);
    EXPECT_LT(progress.done(), 200u);
    EXPECT_EQ(dir.read("clip.mp4"), "earlier");
    EXPECT_EQ(filesIn(dir.path()), names({"clip.avi", "clip.mp4"}));

    // Cancelled before it began.
    media::ExportProgress early;
    early.cancel();
    EXPECT_EQ(media::exportToMp4(avi, dir.file("other.mp4"), {}, &early).error, media::kExportCancelled);
    EXPECT_EQ(filesIn(dir.path()), names({"clip.avi", "clip.mp4"}));
}

} // namespace
