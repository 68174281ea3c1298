// The AVI reader against files of the recording's own writer (with and
// without sound, cut by a picture size change, finished after a crash),
// against files laid out as other programs write them, and against damaged
// files: every damage gives an error value or the frames that are whole.
#include "media/avi/AviReader.h"

#include "AviBytes.h"
#include "control/recording/AviRecovery.h"
#include "control/recording/AviWriter.h"
#include "tests/control/recording/RecordingTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace media;
using namespace recording_test;
using strovix::recording::AviWriter;

namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> soundPattern(size_t bytes)
{
    std::vector<uint8_t> s(bytes);
    for (size_t i = 0; i < bytes; ++i)
        s[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return s;
}

// Every frame of the file is the picture that was recorded.
void expectFrames(const AviReader& reader, const std::vector<Bytes>& frames)
{
    ASSERT_EQ(reader.info().frameCount, frames.size());
    std::vector<uint8_t> jpeg;
    for (uint32_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(reader.readFrame(k, jpeg), AviError::None) << "frame " << k;
        EXPECT_EQ(jpeg, frames[k]) << "frame " << k;
    }
    EXPECT_EQ(reader.readFrame(static_cast<uint32_t>(frames.size()), jpeg), AviError::NoSuchFrame);
}

// What ffprobe reports agrees with the reader.
void expectProbeAgrees(const std::string& path, const AviInfo& info)
{
    if (!ffprobeAvailable())
        return;
    const auto p = probe(path);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->readFrames, static_cast<long>(info.frameCount));
    EXPECT_EQ(p->width, static_cast<int>(info.width));
    EXPECT_EQ(p->height, static_cast<int>(info.height));
    EXPECT_NEAR(p->duration, *info.durationSeconds(), 0.01);
    if (info.hasSound) {
        EXPECT_EQ(p->audioCodec, "pcm_s16le");
        EXPECT_EQ(p->sampleRate, static_cast<int>(info.sound.samplesPerSecond));
        EXPECT_EQ(p->channels, static_cast<int>(info.sound.channels));
    }
}

TEST(AviReader, ReadsTheWritersFilesWithAndWithoutSound)
{
    TempDir dir;
    FakeClock clock;
    const std::vector<Bytes> frames = {makeJpeg(320, 240, 4001, 40), makeJpeg(320, 240, 4100, 120),
                                       makeJpeg(320, 240, 4203, 200)};
    const auto sound = soundPattern(70000);
    for (const bool withSound : {false, true}) {
        SCOPED_TRACE(withSound ? "with sound" : "without sound");
        const std::string path = dir.file(withSound ? "sound.avi" : "silent.avi");
        {
            AviWriter writer(clock);
            for (const auto& f : frames)
                writer.AddFrame(f, dir.path(), "r-Gate_!0_", 7.0f);
            if (withSound)
                writer.AddAudio(sound);
            ASSERT_EQ(writer.Close(7.0f, path), 0);
        }
        AviReader reader;
        ASSERT_EQ(reader.open(path), AviError::None);
        const AviInfo& info = reader.info();
        EXPECT_EQ(info.width, 320u);
        EXPECT_EQ(info.height, 240u);
        EXPECT_EQ(info.headerFrames, 3u);
        EXPECT_DOUBLE_EQ(info.frameRate(), 7.0);
        EXPECT_TRUE(info.fromIndex);
        EXPECT_NEAR(*info.durationSeconds(), 3.0 / 7.0, 1e-9);
        expectFrames(reader, frames);
        EXPECT_EQ(info.hasSound, withSound);
        if (withSound) {
            EXPECT_EQ(info.sound, (AviSoundFormat{1, 1, 8000, 16000, 2, 16}));
            EXPECT_EQ(info.soundBytes, 70000u);
            // Across the boundary of the first two sound chunks, and the end.
            std::vector<uint8_t> got(40);
            ASSERT_EQ(reader.readSound(32768 - 20, got), 40u);
            EXPECT_TRUE(std::equal(got.begin(), got.end(), sound.begin() + 32768 - 20));
            EXPECT_EQ(reader.readSound(70000 - 10, got), 10u);
            EXPECT_EQ(reader.readSound(70000, got), 0u);
        }
        expectProbeAgrees(path, info);
    }
}

TEST(AviReader, ReadsTheFilesOfASizeChangeAndOfACrash)
{
    TempDir dir;
    FakeClock clock;
    const std::vector<Bytes> large = {makeJpeg(640, 480, 6001), makeJpeg(640, 480, 6002)};
    const std::vector<Bytes> small = {makeJpeg(320, 240, 3001), makeJpeg(320, 240, 3003), makeJpeg(320, 240, 3005)};
    {
        AviWriter writer(clock);
        for (const auto& f : large)
            writer.AddFrame(f, dir.path(), "r-Gate_!0_", 5.0f);
        // The smaller picture ends the first file ("ResChange") and starts
        // the next, which a crash leaves unfinished.
        for (const auto& f : small)
            writer.AddFrame(f, dir.path(), "r-Gate_!0_", 5.0f);
    }
    const auto changed = filesEndingWith(dir.path(), ".avi");
    ASSERT_EQ(changed.size(), 1u);
    ASSERT_NE(changed[0].find("ResChange"), std::string::npos);
    const auto finished = strovix::recording::recoverUnfinishedAvi(dir.path());
    ASSERT_EQ(finished.size(), 1u);
    ASSERT_NE(finished[0].find("End"), std::string::npos);

    AviReader reader;
    ASSERT_EQ(reader.open(dir.file(changed[0])), AviError::None);
    EXPECT_EQ(reader.info().width, 640u);
    expectFrames(reader, large);
    expectProbeAgrees(dir.file(changed[0]), reader.info());

    ASSERT_EQ(reader.open(finished[0]), AviError::None);
    EXPECT_EQ(reader.info().width, 320u);
    EXPECT_EQ(reader.info().height, 240u);
    EXPECT_DOUBLE_EQ(reader.info().frameRate(), 5.0);
    EXPECT_TRUE(reader.info().fromIndex);
    expectFrames(reader, small);
    expectProbeAgrees(finished[0], reader.info());
}

TEST(AviReader, FindsTheFramesByTheirChunksWhenTheIndexIsMissingOrWrong)
{
    const std::vector<Bytes> frames = {Bytes(101, 1), Bytes(200, 2), Bytes(333, 3)};
    const auto whole = avi_test::buildAvi(frames, 10.0f, soundPattern(1000));
    const size_t moviEnd = 2048 + (8 + 102) + (8 + 200) + (8 + 334) + (8 + 1000);
    ASSERT_EQ(std::string(whole.begin() + static_cast<long>(moviEnd), whole.begin() + static_cast<long>(moviEnd) + 4),
              "idx1");
    AviReader reader;

    // No index at all (the file ends where the index would start).
    auto noIndex = whole;
    noIndex.resize(moviEnd);
    ASSERT_EQ(reader.openMemory(noIndex), AviError::None);
    EXPECT_FALSE(reader.info().fromIndex);
    expectFrames(reader, frames);
    EXPECT_EQ(reader.info().soundBytes, 1000u);

    // Cut inside the last frame: the frames before it.
    auto cut = whole;
    cut.resize(2048 + 110 + 208 + 100);
    ASSERT_EQ(reader.openMemory(cut), AviError::None);
    expectFrames(reader, {frames[0], frames[1]});
    EXPECT_FALSE(reader.info().hasSound);

    // An index entry pointing outside the file: the chunks are scanned.
    auto outside = whole;
    putU32(outside.data() + moviEnd + 8 + 16 + 8, 0x7FFFFFF0u); // second frame's offset
    ASSERT_EQ(reader.openMemory(outside), AviError::None);
    EXPECT_FALSE(reader.info().fromIndex);
    expectFrames(reader, frames);
    // One pointing inside the file at the wrong place: reading that frame
    // finds no frame chunk there and refuses it.
    auto misplaced = whole;
    putU32(misplaced.data() + moviEnd + 8 + 16 + 8, 4 + 110 + 4);
    ASSERT_EQ(reader.openMemory(misplaced), AviError::None);
    std::vector<uint8_t> jpeg;
    EXPECT_EQ(reader.readFrame(1, jpeg), AviError::DamagedFrame);
    EXPECT_EQ(reader.readFrame(2, jpeg), AviError::None);

    // A "movi" size and an index size far beyond the end.
    auto huge = whole;
    putU32(huge.data() + 2040, 0xFFFFFF00u);
    putU32(huge.data() + moviEnd + 4, 0x7FFFFFF0u);
    ASSERT_EQ(reader.openMemory(huge), AviError::None);
    expectFrames(reader, frames);
}

TEST(AviReader, ReadsAnotherProgramsLayout)
{
    // "00dc" frames inside "rec " lists, absolute index offsets, the rate
    // only in the main header (30 frames/s), a grey picture header with a
    // negative height, and an extra stream before the sound.
    std::vector<uint8_t> f;
    const auto put = [&](const char* id, uint32_t size) {
        f.insert(f.end(), id, id + 4);
        f.resize(f.size() + 4);
        putU32(f.data() + f.size() - 4, size);
    };
    const auto patch = [&](size_t at, uint32_t v) { putU32(f.data() + at, v); };
    put("RIFF", 0);
    f.insert(f.end(), {'A', 'V', 'I', ' '});
    put("LIST", 0);
    const size_t hdrl = f.size();
    f.insert(f.end(), {'h', 'd', 'r', 'l'});
    put("avih", 56);
    const size_t avih = f.size();
    f.resize(f.size() + 56);
    patch(avih, 33333);
    patch(avih + 16, 2);
    const auto stream = [&](const char* type, const char* handler, std::vector<uint8_t> format) {
        put("LIST", 4 + 8 + 56 + 8 + static_cast<uint32_t>(format.size()));
        f.insert(f.end(), {'s', 't', 'r', 'l'});
        put("strh", 56);
        const size_t strh = f.size();
        f.resize(f.size() + 56);
        std::memcpy(f.data() + strh, type, 4);
        std::memcpy(f.data() + strh + 4, handler, 4);
        put("strf", static_cast<uint32_t>(format.size()));
        f.insert(f.end(), format.begin(), format.end());
    };
    std::vector<uint8_t> bitmap(40);
    putU32(bitmap.data(), 40);
    putU32(bitmap.data() + 4, 176);
    putU32(bitmap.data() + 8, static_cast<uint32_t>(-144));
    std::memcpy(bitmap.data() + 16, "mjpg", 4);
    stream("vids", "\0\0\0\0", bitmap);
    stream("txts", "\0\0\0\0", std::vector<uint8_t>(4));
    std::vector<uint8_t> wave(16);
    wave[0] = 1;
    wave[2] = 2;
    putU32(wave.data() + 4, 22050);
    putU32(wave.data() + 8, 88200);
    wave[12] = 4;
    wave[14] = 16;
    stream("auds", "\0\0\0\0", wave);
    patch(hdrl - 4, static_cast<uint32_t>(f.size() - hdrl));
    put("LIST", 0);
    const size_t movi = f.size();
    f.insert(f.end(), {'m', 'o', 'v', 'i'});
    std::vector<std::pair<size_t, uint32_t>> chunks;
    const Bytes a(57, 0xA1), b(64, 0xB2);
    for (const Bytes* frame : {&a, &b}) {
        put("LIST", 4 + 8 + static_cast<uint32_t>(frame->size() + (frame->size() & 1)) + 8 + 8);
        f.insert(f.end(), {'r', 'e', 'c', ' '});
        chunks.emplace_back(f.size(), static_cast<uint32_t>(frame->size()));
        put("00dc", static_cast<uint32_t>(frame->size()));
        f.insert(f.end(), frame->begin(), frame->end());
        if (frame->size() & 1)
            f.push_back(0);
        chunks.emplace_back(f.size(), 8u);
        put("02wb", 8);
        f.insert(f.end(), 8, 0x55);
    }
    patch(movi - 4, static_cast<uint32_t>(f.size() - movi));
    put("idx1", static_cast<uint32_t>(chunks.size() * 16));
    for (const auto& [at, size] : chunks) {
        f.insert(f.end(), f.begin() + static_cast<long>(at), f.begin() + static_cast<long>(at) + 4);
        for (const uint32_t v : {0x10u, static_cast<uint32_t>(at), size}) {
            f.resize(f.size() + 4);
            patch(f.size() - 4, v);
        }
    }
    patch(4, static_cast<uint32_t>(f.size() - 8));

    AviReader reader;
    ASSERT_EQ(reader.openMemory(f), AviError::None);
    const AviInfo& info = reader.info();
    EXPECT_TRUE(info.fromIndex);
    EXPECT_EQ(info.width, 176u);
    EXPECT_EQ(info.height, 144u);
    EXPECT_NEAR(info.frameRate(), 30.0, 0.001);
    EXPECT_EQ(info.sound, (AviSoundFormat{1, 2, 22050, 88200, 4, 16}));
    EXPECT_EQ(info.soundBytes, 16u);
    expectFrames(reader, {a, b});
    // The same through the chunk scan, once the index is gone.
    auto noIndex = f;
    std::memcpy(noIndex.data() + (f.size() - chunks.size() * 16 - 8), "JUNK", 4);
    ASSERT_EQ(reader.openMemory(noIndex), AviError::None);
    EXPECT_FALSE(reader.info().fromIndex);
    expectFrames(reader, {a, b});
    EXPECT_EQ(reader.info().soundBytes, 16u);
}

TEST(AviReader, DamagedFilesGiveAnError)
{
    TempDir dir;
    const auto good = avi_test::buildAvi({Bytes(100, 1), Bytes(100, 2)}, 6.0f);
    AviReader reader;
    const auto openBytes = [&](std::vector<uint8_t> bytes) {
        writeBytes(dir.file("x.avi"), bytes);
        const AviError e = reader.open(dir.file("x.avi"));
        EXPECT_EQ(e == AviError::None, reader.isOpen());
        EXPECT_STRNE(aviErrorText(e), "The file is damaged.");
        return e;
    };
    EXPECT_EQ(reader.open(dir.file("missing.avi")), AviError::CannotOpen);
    EXPECT_EQ(reader.open(dir.path()), AviError::CannotOpen);
    EXPECT_EQ(openBytes({}), AviError::Empty);
    EXPECT_EQ(openBytes({'R', 'I'}), AviError::NotRiff);
    auto wrong = good;
    std::memcpy(wrong.data(), "RIFX", 4);
    EXPECT_EQ(openBytes(wrong), AviError::NotRiff);
    std::memcpy(wrong.data(), "RIFFxxxxWAVE", 12);
    EXPECT_EQ(openBytes(wrong), AviError::NotAvi);
    EXPECT_EQ(openBytes(std::vector<uint8_t>(good.begin(), good.begin() + 10)), AviError::DamagedHeader);
    EXPECT_EQ(openBytes(std::vector<uint8_t>(good.begin(), good.begin() + 300)), AviError::DamagedHeader);
    EXPECT_EQ(openBytes(std::vector<uint8_t>(good.begin(), good.begin() + 2048)), AviError::NoFrames);
    EXPECT_EQ(openBytes(std::vector<uint8_t>(good.begin(), good.begin() + 2060)), AviError::NoFrames);

    // Sizes that lie: the header list, a stream list, a chunk inside it.
    for (const auto& [at, value] : std::vector<std::pair<size_t, uint32_t>>{
             {16, 0x7FFFFFFFu}, {16, 2u}, {92, 0xFFFFFFF0u}, {104, 4000u}, {28, 0x80000000u}}) {
        auto lying = good;
        putU32(lying.data() + at, value);
        EXPECT_EQ(openBytes(lying), AviError::DamagedHeader) << "size " << value << " at " << at;
    }
    auto noVideo = good;
    std::memcpy(noVideo.data() + 108, "txts", 4);
    EXPECT_EQ(openBytes(noVideo), AviError::NoVideo);
    auto otherCodec = good;
    std::memcpy(otherCodec.data() + 112, "H264", 4);
    std::memcpy(otherCodec.data() + 188, "H264", 4);
    EXPECT_EQ(openBytes(otherCodec), AviError::NotMotionJpeg);

    // A rate of 0 reads, but gives no playing time.
    auto noRate = good;
    putU32(noRate.data() + 132, 0);
    putU32(noRate.data() + 32, 0);
    ASSERT_EQ(openBytes(noRate), AviError::None);
    EXPECT_FALSE(reader.info().durationSeconds().has_value());

    // A frame changed after the file was opened is refused, not misread.
    auto changing = good;
    ASSERT_EQ(reader.openMemory(changing), AviError::None);
    putU32(changing.data() + 2048 + 4, 99999);
    std::vector<uint8_t> jpeg;
    EXPECT_EQ(reader.readFrame(0, jpeg), AviError::DamagedFrame);
    EXPECT_TRUE(jpeg.empty());
    EXPECT_EQ(reader.readFrame(1, jpeg), AviError::None);
}

TEST(AviReader, FrameAtATime)
{
    std::vector<Bytes> frames(30, Bytes(10, 0));
    const auto file = avi_test::buildAvi(frames, 10.0f);
    AviReader reader;
    ASSERT_EQ(reader.openMemory(file), AviError::None);
    EXPECT_EQ(reader.frameAt(0.0), 0u);
    EXPECT_EQ(reader.frameAt(1.5), 15u);
    EXPECT_EQ(reader.frameAt(1.49), 14u);
    EXPECT_EQ(reader.frameAt(-3.0), 0u);
    EXPECT_EQ(reader.frameAt(99.0), 29u);
    EXPECT_DOUBLE_EQ(reader.info().frameTime(15), 1.5);
}

} // namespace
