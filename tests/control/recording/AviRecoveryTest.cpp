#include "FfprobeCheck.h"
#include "RecordingTestSupport.h"

#include "control/recording/AviRecovery.h"
#include "control/recording/AviWriter.h"
#include "control/recording/Recorder.h"
#include "control/recording/RecordingClock.h"
#include "support/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace recording_test;
using strovix::recording::AviWriter;
using strovix::recording::recoverUnfinishedAvi;

extern char** environ;

namespace {

std::string onlyHiddenFile(const std::string& folder)
{
    const auto hidden = filesEndingWith(folder, ".avi.part");
    return hidden.size() == 1 ? folder + "/" + hidden[0] : std::string();
}

std::string expectedEndName(const std::string& folder, const std::string& prefix, const std::string& hidden)
{
    struct stat st {};
    ::stat(hidden.c_str(), &st);
    const auto t = strovix::recording::localTimeOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return folder + "/" + prefix + "End" + strovix::recording::formatTimestamp(t) + ".avi";
}

TEST(AviRecovery, FinishedFileEqualsTheOneAnOrdinaryCloseWrites)
{
    TempDir crashed, reference;
    FakeClock clock;
    const std::vector<Bytes> frames = {makeJpeg(320, 240, 4001), makeJpeg(320, 240, 4100), makeJpeg(320, 240, 4203)};
    {
        AviWriter writer(clock);
        for (const auto& f : frames)
            writer.AddFrame(f, crashed.path(), "r-Gate_!0_", 7.0f);
        // Destroyed without a close: as after a crash.
    }
    {
        AviWriter writer(clock);
        for (const auto& f : frames)
            writer.AddFrame(f, reference.path(), "r-Gate_!0_", 7.0f);
        ASSERT_EQ(writer.Close(7.0f, reference.file("ref.avi")), 0);
    }
    const std::string hidden = onlyHiddenFile(crashed.path());
    ASSERT_FALSE(hidden.empty());
    // A frame cut short by the crash.
    {
        std::FILE* f = std::fopen(hidden.c_str(), "ab");
        const uint8_t partial[12] = {'0', '0', 'd', 'b', 0x88, 0x13, 0, 0, 0xFF, 0xD8, 0xFF, 0xE0};
        std::fwrite(partial, 1, sizeof partial, f);
        std::fclose(f);
    }
    const std::string expected = expectedEndName(crashed.path(), "r-Gate_!0_", hidden);

    const auto finished = recoverUnfinishedAvi(crashed.path());
    ASSERT_EQ(finished, std::vector<std::string>{expected});
    expectFfprobeAgrees(expected);
    EXPECT_EQ(readFile(expected), readFile(reference.file("ref.avi")));
    EXPECT_EQ(filesIn(crashed.path()).size(), 1u);
    if (ffprobeAvailable()) {
        const auto p = probe(expected);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->readFrames, 3);
        EXPECT_EQ(p->frameRate, "7/1");
    }
}

double headRate(const Bytes& f)
{
    return u32(f, 128) != 0 ? static_cast<double>(u32(f, 132)) / u32(f, 128) : 0.0;
}

TEST(AviRecovery, AnAbandonedFileGetsTheRateItsFramesCameAt)
{
    // Frames 100 ms apart on average, with jitter; the rate handed to the
    // writer is far off, as a rate measured over the first frame can be.
    const auto recordAndRecover = [](int frames, float configured) {
        TempDir dir;
        FakeClock clock;
        {
            AviWriter writer(clock);
            writer.setConfiguredRate(configured);
            for (int i = 0; i < frames; ++i) {
                clock.tick += i % 2 ? 120 : 80;
                writer.AddFrame(makeJpeg(320, 240, 3000), dir.path(), "cam", 37.5f);
            }
        }
        const auto finished = recoverUnfinishedAvi(dir.path());
        EXPECT_EQ(finished.size(), 1u);
        const Bytes f = finished.size() == 1 ? readFile(finished[0]) : Bytes(2048, 0);
        EXPECT_EQ(u32(f, 48), static_cast<uint32_t>(frames));
        return headRate(f);
    };
    // 15 s, the last second after the head's times were last brought up to date.
    EXPECT_NEAR(recordAndRecover(150, 6.0f), 10.0, 1.0);
    // Killed within the first second: measured over the frames so far (a
    // single interval would carry all of its jitter).
    EXPECT_NEAR(recordAndRecover(5, 6.0f), 10.0, 1.0);
    EXPECT_NEAR(recordAndRecover(9, 6.0f), 10.0, 1.0);
    // One frame: nothing to measure, the configured rate...
    EXPECT_DOUBLE_EQ(recordAndRecover(1, 6.0f), 6.0);
    // ... or, with none configured, the rate the file was started with.
    EXPECT_DOUBLE_EQ(recordAndRecover(1, 0.0f), 37.5);
}

TEST(AviRecovery, FrameTimesKeptForRecoveryNeverReachAFinishedFile)
{
    TempDir paced, still;
    FakeClock pacedClock, stillClock;
    AviWriter pacedWriter(pacedClock), stillWriter(stillClock);
    pacedWriter.setConfiguredRate(4.0f);
    for (int i = 0; i < 40; ++i) {
        pacedClock.tick += 125;
        const Bytes frame = makeJpeg(320, 240, 3000 + static_cast<size_t>(i));
        pacedWriter.AddFrame(frame, paced.path(), "cam", 8.0f);
        stillWriter.AddFrame(frame, still.path(), "cam", 8.0f);
    }
    ASSERT_EQ(pacedWriter.Close(8.0f, paced.file("a.avi")), 0);
    ASSERT_EQ(stillWriter.Close(8.0f, still.file("a.avi")), 0);
    EXPECT_EQ(readFile(paced.file("a.avi")), readFile(still.file("a.avi")));
    EXPECT_DOUBLE_EQ(headRate(readFile(paced.file("a.avi"))), 8.0);
}

TEST(AviRecovery, LeavesLiveForeignAndEmptyFilesAsTheyShould)
{
    TempDir dir;
    FakeClock clock;
    AviWriter live(clock);
    live.AddFrame(makeJpeg(320, 240), dir.path(), "cam", 5.0f);
    // Not an AVI file although named like one: left alone.
    dir.write(".cam~abcdef.avi.part", std::string(3000, 'z'));
    // Created by a writer that crashed before the first frame: removed.
    {
        AviWriter crashed(clock);
        crashed.AddFrame(Bytes(10, 1), dir.path(), "other", 5.0f);
    }
    const std::string emptyOne = [&] {
        for (const auto& n : filesEndingWith(dir.path(), ".avi.part"))
            if (n.rfind(".other~", 0) == 0)
                return dir.file(n);
        return std::string();
    }();
    ASSERT_FALSE(emptyOne.empty());
    ::truncate(emptyOne.c_str(), 2048);

    // Sound whose recording is gone is removed; other hidden files stay.
    dir.write(".gone~qwerty.avi.sound", std::string(100, 's'));
    dir.write(".gone~qwerty.avi.notes", "mine");

    EXPECT_TRUE(recoverUnfinishedAvi(dir.path()).empty());
    const auto left = filesIn(dir.path());
    // The live file with its sound, the foreign one and the unrelated file.
    ASSERT_EQ(left.size(), 4u) << left[0];
    EXPECT_EQ(filesEndingWith(dir.path(), ".avi.part").size(), 2u);
    EXPECT_EQ(filesEndingWith(dir.path(), ".avi.sound").size(), 1u);
    EXPECT_EQ(dir.read(".cam~abcdef.avi.part"), std::string(3000, 'z'));
    EXPECT_EQ(dir.read(".gone~qwerty.avi.notes"), "mine");
    ::unlink(dir.file(".gone~qwerty.avi.notes").c_str());

    live.FinalClose();
    EXPECT_EQ(filesEndingWith(dir.path(), ".avi").size(), 1u);
    expectFfprobeAgreesWithAll(dir.path());
}

TEST(AviRecovery, NeverReplacesAnExistingRecording)
{
    TempDir dir;
    FakeClock clock;
    {
        AviWriter writer(clock);
        writer.AddFrame(makeJpeg(320, 240), dir.path(), "cam", 5.0f);
    }
    const std::string hidden = onlyHiddenFile(dir.path());
    const std::string taken = expectedEndName(dir.path(), "cam", hidden);
    {
        std::FILE* f = std::fopen(taken.c_str(), "wb");
        std::fputs("an earlier recording", f);
        std::fclose(f);
    }
    const auto finished = recoverUnfinishedAvi(dir.path());
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_NE(finished[0], taken);
    const Bytes kept = readFile(taken);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "an earlier recording");
    EXPECT_EQ(u32(readFile(finished[0]), 48), 1u);
    expectFfprobeAgrees(finished[0]);
}

std::string childProgram()
{
    if (const char* bin = std::getenv("OCULON_BUILD_BIN"))
        return std::string(bin) + "/avi_kill_child";
    char self[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/bin/avi_kill_child";
}

// Runs the recording child until it says what it recorded, then kills it
// with SIGKILL. Returns what it said.
std::string recordAndKill(const std::vector<std::string>& args)
{
    const std::string program = childProgram();
    EXPECT_EQ(::access(program.c_str(), X_OK), 0) << program;
    int out[2];
    if (::pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string said;
    if (spawned == 0) {
        pollfd p{out[0], POLLIN, 0};
        while (said.find('\n') == std::string::npos && ::poll(&p, 1, 60000) > 0) {
            char buf[64];
            const ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0)
                break;
            said.append(buf, static_cast<size_t>(n));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
    }
    ::close(out[0]);
    return said;
}

// The next recording in the folder finishes the file the killed child left.
std::string finishByNextRecording(const TempDir& dir)
{
    EXPECT_TRUE(filesEndingWith(dir.path(), ".avi").empty());
    EXPECT_EQ(filesEndingWith(dir.path(), ".avi.part").size(), 1u);
    CaptureHost host;
    strovix::recording::Recorder recorder(host);
    recorder.settings().putAviPath(dir.path());
    recorder.putAvi(1);
    recorder.putAvi(0);
    const auto finished = filesEndingWith(dir.path(), ".avi");
    EXPECT_EQ(finished.size(), 1u);
    EXPECT_TRUE(filesEndingWith(dir.path(), ".avi.part").empty());
    EXPECT_TRUE(filesEndingWith(dir.path(), ".avi.sound").empty());
    if (finished.size() != 1)
        return {};
    EXPECT_EQ(finished[0].rfind("r-Kill_!0_End", 0), 0u) << finished[0];
    return dir.file(finished[0]);
}

TEST(AviRecovery, AFileOfAKilledRecorderIsFinishedByTheNextRecording)
{
    TempDir dir;
    ASSERT_EQ(recordAndKill({dir.path(), "25", "8"}), "recorded 25 0\n");
    const std::string file = finishByNextRecording(dir);
    ASSERT_FALSE(file.empty());
    const Bytes f = readFile(file);
    EXPECT_EQ(u32(f, 48), 25u);
    EXPECT_EQ(u32(f, 64), 320u);
    EXPECT_EQ(u32(f, 290), 0u);
    expectFfprobeAgrees(file);
    if (ffprobeAvailable()) {
        const auto probed = probe(file);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->videoCodec, "mjpeg");
        EXPECT_EQ(probed->readFrames, 25);
        EXPECT_EQ(probed->headerFrames, 25);
        EXPECT_EQ(probed->frameRate, "8/1");
        EXPECT_NEAR(probed->duration, 25.0 / 8.0, 0.2);
    } else {
        std::fprintf(stderr, "ffprobe is not installed: independent reader check skipped\n");
    }
}

TEST(AviRecovery, AKilledRecorderKeepsItsSound)
{
    TempDir dir;
    // 40 frames at 8 frames/s with 2000 bytes (1/8 s) of sound each: 5 s.
    ASSERT_EQ(recordAndKill({dir.path(), "40", "8", "2000"}), "recorded 40 80000\n");
    EXPECT_EQ(filesEndingWith(dir.path(), ".avi.sound").size(), 1u);
    const std::string file = finishByNextRecording(dir);
    ASSERT_FALSE(file.empty());
    const Bytes f = readFile(file);
    EXPECT_EQ(u32(f, 48), 40u);
    // A killed process loses nothing it wrote: the whole sound is there, in
    // order, after the video.
    EXPECT_EQ(u32(f, 290), 80000u);
    size_t pos = 2048;
    while (fourcc(f, pos) == "00db")
        pos += 8 + u32(f, pos + 4) + (u32(f, pos + 4) & 1);
    Bytes sound;
    while (fourcc(f, pos) == "01wb") {
        sound.insert(sound.end(), f.begin() + static_cast<long>(pos) + 8, f.begin() + static_cast<long>(pos + 8 + u32(f, pos + 4)));
        pos += 8 + u32(f, pos + 4);
    }
    ASSERT_EQ(sound.size(), 80000u);
    for (size_t i = 0; i < sound.size(); i += 2000)
        EXPECT_EQ(sound[i], static_cast<uint8_t>(i / 2000));
    expectFfprobeAgrees(file);
    if (ffprobeAvailable()) {
        const auto probed = probe(file);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->audioCodec, "pcm_s16le");
        // Within a second of the 5 s captured (a power cut could lose the
        // last unflushed second; a kill loses nothing).
        EXPECT_GT(probed->audioDuration, 5.0 - 1.0 - 0.01);
        EXPECT_LT(probed->audioDuration, 5.0 + 0.01);
    } else {
        std::fprintf(stderr, "ffprobe is not installed: independent reader check skipped\n");
    }
}

} // namespace
