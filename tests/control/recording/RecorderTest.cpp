#include "FfprobeCheck.h"
#include "control/recording/RecordingWarnings.h"
#include "RecordingTestSupport.h"

#include "control/recording/Recorder.h"
#include "control/recording/RecordingFile.h"
#include "support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace recording_test;
using strovix::recording::PutResult;
using strovix::recording::Recorder;
using strovix::recording::RecordingFile;
using strovix::recording::RecordingKind;
using strovix::recording::fileWarning;

namespace {

constexpr const char* kIdle = "Image Recording(F11)...";
constexpr const char* kActive = "Stop Image Recording(F11)";

// A picture whose length tells which frame it was.
Bytes numbered(size_t length)
{
    Bytes b(length, 0x20);
    if (length >= 2) {
        b[0] = 0xFF;
        b[1] = 0xD8;
    }
    return b;
}

// Frame counts of the AVI files in a folder, in the order they were closed.
std::vector<uint32_t> aviFrameCounts(const std::string& folder)
{
    std::vector<std::pair<std::string, uint32_t>> files;
    for (const auto& name : filesEndingWith(folder, ".avi")) {
        // T ends in the fake clock's running millisecond and second.
        files.emplace_back(name, u32(readFile(folder + "/" + name), 48));
    }
    std::vector<uint32_t> counts;
    for (const auto& f : files)
        counts.push_back(f.second);
    return counts;
}

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest()
    {
        s().putDownloadPath(jpegDir.path());
        s().putAviPath(aviDir.path());
    }
    void TearDown() override
    {
        RecordingFile::injectWriteFailure(0, -1);
        expectFfprobeAgreesWithAll(aviDir.path());
    }

    strovix::recording::RecordingSettings& s() { return recorder.settings(); }
    void feed(const Bytes& frame, uint32_t stepMs = 100)
    {
        clock.tick += stepMs;
        recorder.handleFrame(frame);
    }
    std::vector<size_t> jpegSizes(const std::string& folder)
    {
        std::vector<size_t> sizes;
        for (const auto& n : filesEndingWith(folder, ".jpg"))
            sizes.push_back(readFile(folder + "/" + n).size());
        std::sort(sizes.begin(), sizes.end());
        return sizes;
    }

    TempDir jpegDir;
    TempDir aviDir;
    FakeClock clock;
    CaptureHost host;
    Recorder recorder{host, clock};
};

TEST_F(RecorderTest, JpegKeepsEveryNthFrameAndEndsAtTheCount)
{
    s().putSaveIntervalNum(3);
    s().putDownType(1);
    s().putDownloadNum(2);
    recorder.putDownload(1);
    for (size_t i = 1; i <= 6; ++i)
        feed(numbered(1000 + i));
    EXPECT_EQ(jpegSizes(jpegDir.path()), (std::vector<size_t>{1001, 1004}));
    EXPECT_EQ(recorder.Download(), 1);
    EXPECT_EQ(host.lastText(), "2 jpeg down, remain 0");

    feed(numbered(1007)); // the first kept frame after the second picture
    EXPECT_EQ(jpegSizes(jpegDir.path()).size(), 2u);
    EXPECT_EQ(recorder.Download(), 0);
    EXPECT_EQ(host.lastText(), "Save JPEG over.");
    EXPECT_EQ(host.indicator[0], 451);
    EXPECT_EQ(host.recordMenu, kIdle);

    // Names: prefix "_" T ".jpg".
    const auto names = filesEndingWith(jpegDir.path(), ".jpg");
    EXPECT_EQ(names[0].rfind("webcam_2026_3_7_9_5_", 0), 0u) << names[0];
}

TEST_F(RecorderTest, JpegSizeLimitStopsBeforeReachingTheLimit)
{
    s().putDownType(2);
    s().putDownloadSize(100); // 102400 bytes
    recorder.putDownload(1);
    feed(numbered(51199));
    EXPECT_EQ(host.lastText(), "49k/100k jpeg down");
    feed(numbered(51200)); // 102399: still below
    EXPECT_EQ(jpegSizes(jpegDir.path()).size(), 2u);
    feed(numbered(1)); // would reach 102400
    EXPECT_EQ(jpegSizes(jpegDir.path()).size(), 2u);
    EXPECT_EQ(host.lastText(), "Save JPEG over.");

    // Time limit: a frame at or after the limit ends the session unsaved.
    TempDir timed;
    s().putDownloadPath(timed.path());
    s().putDownType(3);
    s().putDownloadTime(2);
    recorder.putDownload(1);
    feed(numbered(10), 1500);
    EXPECT_EQ(host.lastText(), "1s/2s jpeg down");
    feed(numbered(10), 500);
    EXPECT_EQ(recorder.Download(), 0);
    EXPECT_EQ(jpegSizes(timed.path()).size(), 1u);
}

TEST_F(RecorderTest, PicturesFrom5001OnGoToNumberedSubFolders)
{
    MemoryTempDir first;
    s().putDownloadPath(first.path());
    s().putDownloadPrefix("webcam");
    recorder.putDownload(1);
    const Bytes frame = numbered(20);
    for (int i = 0; i < 5000; ++i)
        recorder.handleFrame(frame);
    EXPECT_EQ(filesEndingWith(first.path(), ".jpg").size(), 5000u);
    EXPECT_EQ(host.lastText(), "5000 jpeg down");
    recorder.handleFrame(frame);
    EXPECT_EQ(filesEndingWith(first.file("webcam1"), ".jpg").size(), 1u);
    EXPECT_EQ(filesEndingWith(first.path(), ".jpg").size(), 5000u);
    EXPECT_EQ(host.errorsPosted, 0);

    // A sub-folder that cannot be made stops the session with its warning.
    MemoryTempDir other;
    s().putDownloadPath(other.path());
    recorder.putDownload(0);
    recorder.putDownload(1);
    for (int i = 0; i < 5000; ++i)
        recorder.handleFrame(frame);
    std::FILE* blocker = std::fopen(other.file("webcam1").c_str(), "w");
    std::fclose(blocker);
    recorder.handleFrame(frame);
    EXPECT_EQ(host.errorsPosted, 1);
    EXPECT_EQ(recorder.warning().caption, "Save file error");
    EXPECT_EQ(recorder.warning().text, "create directory failed!");
    EXPECT_EQ(recorder.Download(), 0);
}

TEST_F(RecorderTest, OnlyTheFirstApp1OfASavedPictureChangesAlsoInTheAvi)
{
    s().putSaveIntervalNum(2);
    s().putAutoFrame(0);
    Bytes frame = makeJpeg(320, 240, 3000);
    // Two APP1 markers inside the comment padding.
    frame[10] = 0xFF;
    frame[11] = 0xE1;
    frame[20] = 0xFF;
    frame[21] = 0xE1;
    recorder.putDownload(1);
    recorder.putAvi(1);
    feed(frame); // saved as a picture
    feed(frame); // not saved
    recorder.putAvi(0);

    const auto jpgs = filesEndingWith(jpegDir.path(), ".jpg");
    ASSERT_EQ(jpgs.size(), 1u);
    Bytes changed = frame;
    changed[11] = 0xE7;
    EXPECT_EQ(readFile(jpegDir.file(jpgs[0])), changed);

    const auto avis = filesEndingWith(aviDir.path(), ".avi");
    ASSERT_EQ(avis.size(), 1u);
    const Bytes avi = readFile(aviDir.file(avis[0]));
    ASSERT_EQ(u32(avi, 48), 2u);
    EXPECT_TRUE(std::equal(changed.begin(), changed.end(), avi.begin() + 2056));
    const size_t second = 2048 + 8 + frame.size() + (frame.size() & 1) + 8;
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), avi.begin() + static_cast<long>(second)));
}

TEST_F(RecorderTest, FilesRotateAfterJpgNumInAviFrames)
{
    s().putJpgNumInAvi(2);
    s().putAutoFrame(0);
    s().putAviFrame(12);
    recorder.putAvi(1);
    EXPECT_EQ(host.recordMenu, kActive);
    EXPECT_TRUE(recorder.imageRecordingActive());
    for (int i = 0; i < 7; ++i)
        feed(makeJpeg(320, 240, 2000 + static_cast<size_t>(i)));
    EXPECT_EQ(host.indicator[1], 450);
    // Frames 1-3, 4-5, 6-7; nothing is left for the stop to write.
    EXPECT_EQ(filesEndingWith(aviDir.path(), ".avi").size(), 3u);
    recorder.putAvi(0);
    EXPECT_EQ(host.lastText(), "Save avi over.");
    EXPECT_EQ(host.indicator[1], 451);
    EXPECT_EQ(host.recordMenu, kIdle);

    auto counts = aviFrameCounts(aviDir.path());
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(counts, (std::vector<uint32_t>{2, 2, 3}));
    for (const auto& name : filesEndingWith(aviDir.path(), ".avi")) {
        EXPECT_EQ(name.rfind("webcam_2026_3_7_9_5_", 0), 0u) << name;
        const Bytes f = readFile(aviDir.file(name));
        EXPECT_EQ(u32(f, 132), 12000000u);
        EXPECT_EQ(u32(f, 290), 0u);
        if (ffprobeAvailable()) {
            const auto p = probe(aviDir.file(name));
            ASSERT_TRUE(p);
            EXPECT_EQ(p->readFrames, static_cast<long>(u32(f, 48)));
            EXPECT_EQ(p->frameRate, "12/1");
        }
    }
}

TEST_F(RecorderTest, AviCountLimitTextsAndTheClosingFrame)
{
    s().putDownAviType(1);
    s().putAviDownNum(5);
    recorder.putAvi(1);
    std::vector<std::string> shown;
    for (int i = 0; i < 5; ++i) {
        feed(makeJpeg(320, 240));
        shown.push_back(host.lastText());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"  1/5jpeg to avi", "  2/5jpeg to avi", "  3/5jpeg to avi",
                                               "  4/5jpeg to avi", "  5/5jpeg to avi"}));
    EXPECT_TRUE(filesEndingWith(aviDir.path(), ".avi").empty());
    feed(makeJpeg(320, 240));
    EXPECT_EQ(host.lastText(), "Save avi over.");
    EXPECT_EQ(recorder.Avi(), 0);
    EXPECT_EQ(aviFrameCounts(aviDir.path()), std::vector<uint32_t>{5});
    EXPECT_EQ(recorder.aviStatusText(), "");
}

TEST_F(RecorderTest, FixedRateRecordsNoSoundMeasuredRateDoes)
{
    const Bytes sound(16000, 3);
    s().putAutoFrame(0);
    s().putAviFrame(9);
    recorder.putAvi(1);
    for (int i = 0; i < 4; ++i) {
        feed(makeJpeg(320, 240), 250);
        recorder.AddAudio(sound);
    }
    recorder.putAvi(0);
    auto files = filesEndingWith(aviDir.path(), ".avi");
    ASSERT_EQ(files.size(), 1u);
    Bytes f = readFile(aviDir.file(files[0]));
    EXPECT_EQ(u32(f, 132), 9000000u);
    EXPECT_EQ(u32(f, 290), 0u);
    ::unlink(aviDir.file(files[0]).c_str());

    // Measured: one frame every 250 ms is 4 frames/s; the sound goes in.
    s().putAutoFrame(1);
    recorder.putAvi(1);
    for (int i = 0; i < 4; ++i) {
        feed(makeJpeg(320, 240), 250);
        recorder.AddAudio(sound);
    }
    EXPECT_FLOAT_EQ(recorder.measuredRate(), 4.0f);
    recorder.putAvi(0);
    files = filesEndingWith(aviDir.path(), ".avi");
    ASSERT_EQ(files.size(), 1u);
    f = readFile(aviDir.file(files[0]));
    EXPECT_EQ(u32(f, 132), 4000000u);
    EXPECT_EQ(u32(f, 290), 64000u);
    if (ffprobeAvailable()) {
        const auto p = probe(aviDir.file(files[0]));
        ASSERT_TRUE(p);
        EXPECT_EQ(p->frameRate, "4/1");
        EXPECT_EQ(p->readFrames, 4);
        EXPECT_EQ(p->audioCodec, "pcm_s16le");
        EXPECT_EQ(p->sampleRate, 8000);
        EXPECT_EQ(p->channels, 1);
    }
}

TEST_F(RecorderTest, FullDiskStopsAviWhileJpegGoesOn)
{
    recorder.putDownload(1);
    recorder.putAvi(1);
    feed(makeJpeg(320, 240, 3000));
    RecordingFile::injectWriteFailure(ENOSPC, 1000);
    feed(makeJpeg(320, 240, 3000));

    EXPECT_EQ(host.errorsPosted, 1);
    EXPECT_EQ(recorder.warning().caption, "Save file error");
    EXPECT_EQ(recorder.warning().text,
              "Can't save avi file to disk!\nPlease check disk free space, maybe the disk is full.");
    EXPECT_EQ(recorder.Avi(), 0);
    EXPECT_EQ(host.indicator[1], 451);
    EXPECT_EQ(host.lastText(), "Save AVI terminate.");
    EXPECT_EQ(host.recordMenu, kActive); // JPEG still records

    feed(makeJpeg(320, 240, 3000));
    EXPECT_EQ(recorder.Download(), 1);
    EXPECT_EQ(filesEndingWith(jpegDir.path(), ".jpg").size(), 3u);
    EXPECT_EQ(host.errorsPosted, 1);

    // Space again: the next AVI recording in that folder finishes the cut file.
    RecordingFile::injectWriteFailure(0, -1);
    recorder.putAvi(1);
    const auto finished = filesEndingWith(aviDir.path(), ".avi");
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].rfind("webcamEnd", 0), 0u);
    EXPECT_EQ(u32(readFile(aviDir.file(finished[0])), 48), 1u);
}

TEST_F(RecorderTest, WarningsNameTheFolderOrThePrefix)
{
    // JPEG: the folder does not exist.
    s().putDownloadPath(jpegDir.file("missing"));
    recorder.putDownload(1);
    feed(numbered(10));
    EXPECT_EQ(recorder.warning().caption, "Create file error");
    EXPECT_EQ(recorder.warning().text, "Can't create file!\nPlease check the path \"" + jpegDir.file("missing")
                                           + "\".\nNow stop the current record service.");
    ASSERT_GE(host.texts.size(), 2u);
    EXPECT_EQ(host.texts[host.texts.size() - 2], "Save JPEG terminate.");
    EXPECT_EQ(host.lastText(), "Save JPEG over.");
    EXPECT_EQ(host.jpegMenu, "Save JPEG");
    EXPECT_EQ(recorder.Download(), 0);

    // AVI: the folder exists, the prefix holds a "/".
    s().putAviPre("cam/x");
    recorder.putAvi(1);
    feed(makeJpeg(320, 240));
    EXPECT_EQ(host.errorsPosted, 1);
    recorder.putAvi(0); // the file gets its name at the close
    EXPECT_EQ(recorder.warning().text,
              "Can't create file!\nPlease check the prefix name \"cam/x\".\nNow stop the current record service.");
    ASSERT_GE(host.texts.size(), 2u);
    EXPECT_EQ(host.texts[host.texts.size() - 2], "Save AVI terminate.");
    EXPECT_EQ(recorder.Avi(), 0);
    EXPECT_FALSE(recorder.imageRecordingActive());
    EXPECT_EQ(host.recordMenu, kIdle);
    EXPECT_EQ(host.errorsPosted, 2);

    // Any other cause is named as the system names it.
    EXPECT_EQ(fileWarning(RecordingKind::Avi, EMFILE, aviDir.path(), "r-Gate_!0_").text,
              "Can't create file!\nToo many open files.\nNow stop the current record service.");
    EXPECT_EQ(fileWarning(RecordingKind::Avi, ENAMETOOLONG, aviDir.path(), "r-Gate_!0_").text,
              "Can't create file!\nFile name too long.\nNow stop the current record service.");
}

TEST_F(RecorderTest, RecordCommandStartsAndStopsBoth)
{
    recorder.startImageRecording(true, true);
    EXPECT_EQ(host.indicator[0], 452);
    EXPECT_EQ(host.indicator[1], 450);
    EXPECT_EQ(host.lastText(), "Save AVI begin...");
    EXPECT_EQ(host.recordMenu, kActive);
    feed(makeJpeg(320, 240));
    EXPECT_EQ(host.lastText(), "1 jpeg down  0s avi down");

    recorder.stopImageRecording();
    EXPECT_EQ(recorder.Download(), 0);
    EXPECT_EQ(recorder.Avi(), 0);
    EXPECT_FALSE(recorder.imageRecordingActive());
    EXPECT_EQ(host.recordMenu, kIdle);
    EXPECT_EQ(host.indicator[0], 451);
    EXPECT_EQ(host.indicator[1], 451);
    EXPECT_EQ(host.lastText(), "No Image Record.");
    EXPECT_EQ(aviFrameCounts(aviDir.path()), std::vector<uint32_t>{1});

    // Pending frames of a destroyed control become the "End" file.
    recorder.putAvi(1);
    feed(makeJpeg(320, 240));
    recorder.FinalClose();
    const auto files = filesEndingWith(aviDir.path(), ".avi");
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const auto& n) { return n.rfind("webcamEnd", 0) == 0; }), 1);
}

TEST_F(RecorderTest, ContextMenuEntriesFollowTheirSessions)
{
    recorder.contextJpegStarted();
    EXPECT_EQ(recorder.Download(), 1);
    EXPECT_EQ(host.jpegMenu, "Stop Saving JPEG");
    EXPECT_EQ(host.paneIcon, 450);
    recorder.contextAviStarted();
    EXPECT_EQ(recorder.Avi(), 1);
    EXPECT_EQ(host.aviMenu, "Stop Saving Avi");
    feed(makeJpeg(320, 240));

    recorder.contextAviStop();
    EXPECT_EQ(recorder.Avi(), 0);
    EXPECT_EQ(host.aviMenu, "Save Avi");
    EXPECT_EQ(aviFrameCounts(aviDir.path()), std::vector<uint32_t>{1});
    recorder.contextJpegStop();
    EXPECT_EQ(recorder.Download(), 0);
    EXPECT_EQ(host.jpegMenu, "Save JPEG");
    EXPECT_EQ(host.paneIcon, 451);
    EXPECT_EQ(host.lastText(), "Save JPEG over.");
}

TEST_F(RecorderTest, SaveCurrentJpgCreatesTheMissingFolders)
{
    const Bytes picture = makeJpeg(320, 240);
    const std::string name = jpegDir.path() + "/a/b/pic.jpg";
    EXPECT_TRUE(recorder.SaveCurrentJpg(name, picture));
    EXPECT_EQ(readFile(name), picture);
    EXPECT_TRUE(recorder.SaveCurrentJpg(jpegDir.path() + "/a/empty.jpg", {}));
    struct stat st {};
    ASSERT_EQ(::stat((jpegDir.path() + "/a/empty.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    // A file where a folder should be.
    jpegDir.write("plain", "x");
    EXPECT_FALSE(recorder.SaveCurrentJpg(jpegDir.path() + "/plain/c/pic.jpg", picture));
}

TEST_F(RecorderTest, PropertyChecksAndUnits)
{
    const auto refused = [](PutResult r) { return r.kind == PutResult::Kind::Refused ? std::string(r.text) : "-"; };
    EXPECT_EQ(refused(s().putDownloadNum(-1)), "-");
    EXPECT_EQ(refused(s().putDownloadNum(-2)), "DownloadNum is no less than 0 or -1");
    EXPECT_EQ(s().DownloadNum(), -1);
    EXPECT_EQ(s().putJpgNumInAvi(10000).kind, PutResult::Kind::Quiet);
    EXPECT_EQ(s().JpgNumInAvi(), 500);
    EXPECT_EQ(refused(s().putDownloadSize(3)), "-");
    EXPECT_EQ(s().DownloadSize(), 3);
    EXPECT_EQ(s().downloadSizeBytes(), 3072);
    EXPECT_EQ(refused(s().putDownloadTime(2000000)), "-");
    EXPECT_EQ(refused(s().putDownloadTime(2000001)), "Download Total Time is greater than 0 and less 2000000");
    EXPECT_EQ(s().downloadTimeMs(), 2000000000);
    EXPECT_EQ(refused(s().putAviTotalSize(0)), "Avi Total Size is greater than 0");
    EXPECT_EQ(refused(s().putAviTotalSize(2147483647)), "-");
    EXPECT_EQ(s().AviTotalSize(), 2147483647); // no overflow in bytes
    EXPECT_EQ(refused(s().putAviTotalTime(0)), "Avi Total Time is greater than 0");
    EXPECT_EQ(refused(s().putDownType(4)), "Down Type error");
    EXPECT_EQ(refused(s().putDownAviType(-1)), "Avi Down Type error");
    EXPECT_EQ(refused(s().putAviFrame(0)), "AviFrame is greater than 0");
    EXPECT_EQ(refused(s().putSaveIntervalNum(0)), "the value should not be less than 1");
    EXPECT_EQ(refused(s().putAviSaveIntervalNum(0)), "the value should not be less than 1");
    EXPECT_EQ(refused(s().putAviDownNum(0)), "the value should not be less than 1");

    // Download keeps the written value; a second nonzero write does not restart.
    recorder.putDownload(-1);
    EXPECT_EQ(recorder.Download(), -1);
    feed(numbered(10));
    recorder.putDownload(1);
    feed(numbered(10));
    EXPECT_EQ(host.lastText(), "2 jpeg down");
}

} // namespace
