// The recording search: playing times read from the files, the span rule,
// and which files of a camera folder are examined.
#include "FakeVolumes.h"

#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/RecordingSearch.h"
#include "support/TempDir.h"
#include "tests/media/avi/AviBytes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A recording of `frames` frames at `rate` written as the recording writes
// them, closed at `end` (local time).
void writeRecording(const std::string& path, int frames, float rate, const QDateTime& end)
{
    fs::create_directories(fs::path(path).parent_path());
    const auto bytes = avi_test::buildAvi(std::vector<std::vector<uint8_t>>(size_t(frames), std::vector<uint8_t>(3, 7)), rate);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const timespec t{end.toSecsSinceEpoch(), 0};
    const timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

QDateTime at(int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 3, 7), QTime(hour, minute, second));
}

struct Collected : SearchSink {
    void fileExamined() override { ++examined; }
    void matched(const SearchHit& hit) override { hits.push_back(hit); }
    void unreadable(int16_t, const std::string& path, media::AviError why) override
    {
        unread.emplace_back(fs::path(path).filename().string(), why);
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> n;
        for (const auto& h : hits)
            n.push_back(fs::path(h.path).filename().string());
        return n;
    }
    int examined = 0;
    std::vector<SearchHit> hits;
    std::vector<std::pair<std::string, media::AviError>> unread;
};

struct Folder {
    TempDir dir;
    AppCfgGO cfg;
    FakeVolumes volumes;
    DiskFO disk{cfg, volumes, [](const std::string&) {}};
    FileExtGO files{cfg, disk};
    RecordingSearch search{files};
};

TEST(RecordingSearch, PlayingTimeIsFramesByRateInWholeSeconds)
{
    TempDir dir;
    const auto seconds = [&](int frames, float rate) {
        writeRecording(dir.file("r.avi"), frames, rate, at(10, 0));
        return mediaDuration(dir.file("r.avi"));
    };
    EXPECT_EQ(mediaDuration(""), 0);
    EXPECT_EQ(seconds(300, 1.0f), 300);
    EXPECT_EQ(seconds(34, 10.0f), 3);
    EXPECT_EQ(seconds(25, 10.0f), 2); // halves to even
    EXPECT_EQ(seconds(35, 10.0f), 4);
    EXPECT_EQ(seconds(1, 10.0f), 0);

    media::AviError why = media::AviError::None;
    EXPECT_FALSE(mediaDuration(dir.file("missing.avi"), &why));
    EXPECT_EQ(why, media::AviError::CannotOpen);
    std::ofstream(dir.file("text.avi")) << "not a recording";
    EXPECT_FALSE(mediaDuration(dir.file("text.avi"), &why));
    EXPECT_EQ(why, media::AviError::NotRiff);
    EXPECT_FALSE(seconds(10, 0.0f).has_value());
}

TEST(RecordingSearch, SpanRule)
{
    EXPECT_EQ(spanMinutes(0), 0);
    EXPECT_EQ(spanMinutes(300), 5);
    EXPECT_EQ(spanMinutes(1), 1);
    EXPECT_EQ(spanMinutes(59), 2);
    EXPECT_EQ(spanMinutes(61), 2);
    EXPECT_EQ(spanMinutes(30), 2);  // 1.5 -> 2
    EXPECT_EQ(spanMinutes(90), 2);  // 2.5 -> 2
    EXPECT_EQ(spanMinutes(150), 4); // 3.5 -> 4

    // A recording that ended at 10:05 after 300 s spans 10:00..10:05.
    const QDateTime begin = at(10, 0), end = at(10, 5);
    EXPECT_TRUE(spanMatches(begin, end, at(10, 0), at(10, 2)));
    EXPECT_FALSE(spanMatches(begin, end, at(9, 0), at(9, 59)));
    EXPECT_TRUE(spanMatches(begin, end, at(10, 5), at(11, 0)));
    EXPECT_TRUE(spanMatches(begin, end, at(10, 1), at(10, 3))); // inside the recording
    EXPECT_TRUE(spanMatches(begin, end, at(9, 0), at(12, 0)));  // around it
    EXPECT_FALSE(spanMatches(begin, end, at(10, 6), at(12, 0)));
}

// The recorder's numbered sub-folders are searched like the folder itself.
TEST(RecordingSearch, FindsTheRecordingsOfTheRecordersNumberedFolders)
{
    Folder f;
    writeRecording(f.dir.file("r-Gate_!0__2026_3_7_10_1_0_0.avi"), 60, 1.0f, at(10, 1));
    writeRecording(f.dir.file("r-Gate_!0_1/r-Gate_!0__2026_3_7_10_2_0_0.avi"), 60, 1.0f, at(10, 2));
    writeRecording(f.dir.file("backup/r-Gate_!0__2026_3_7_10_2_0_0.avi"), 60, 1.0f, at(10, 2));
    Collected sink;
    EXPECT_EQ(f.search.searchCamera(0, f.dir.path(), at(10, 0), at(10, 5), sink), 2);
    ASSERT_EQ(sink.hits.size(), 2u);
    EXPECT_EQ(sink.hits[1].path, f.dir.file("r-Gate_!0_1/r-Gate_!0__2026_3_7_10_2_0_0.avi"));
}

// The start shown is the end minus the playing time to the second; the
// match keeps its whole minutes.
TEST(RecordingSearch, AHitStartsItsPlayingTimeBeforeItsEnd)
{
    Folder f;
    writeRecording(f.dir.file("ten.avi"), 10, 1.0f, at(10, 5));
    writeRecording(f.dir.file("forty.avi"), 40, 1.0f, at(10, 6));
    Collected sink;
    f.search.searchCamera(0, f.dir.path(), at(10, 0), at(10, 10), sink);
    ASSERT_EQ(sink.hits.size(), 2u);
    EXPECT_EQ(sink.hits[0].started, at(10, 4, 50));
    EXPECT_EQ(sink.hits[0].begin, at(10, 4));
    EXPECT_EQ(sink.hits[1].started, at(10, 5, 20));
    EXPECT_EQ(sink.hits[1].begin, at(10, 4));
}

TEST(RecordingSearch, ExaminesTheRecordingsOfTheFolderItselfInTheOrderTheyEnded)
{
    Folder f;
    const auto path = [&](const std::string& name) { return f.dir.file(name); };
    writeRecording(path("late.avi"), 300, 1.0f, at(10, 5));
    writeRecording(path("early.AVI"), 60, 1.0f, at(10, 1));
    writeRecording(path("before.avi"), 60, 1.0f, at(8, 0));
    writeRecording(path("sub/deeper.avi"), 300, 1.0f, at(10, 5));
    writeRecording(path(".r-Gate_!0_~abc123.avi"), 300, 1.0f, at(10, 5)); // hidden: not a recording
    writeRecording(path("note.txt"), 300, 1.0f, at(10, 5));
    std::ofstream(path("damaged.avi")) << "RIFF";

    Collected sink;
    EXPECT_EQ(f.search.searchCamera(6, f.dir.path(), at(10, 0), at(10, 2), sink), 4);
    EXPECT_EQ(sink.examined, 4);
    EXPECT_EQ(sink.names(), (std::vector<std::string>{"early.AVI", "late.avi"}));
    ASSERT_EQ(sink.hits.size(), 2u);
    EXPECT_EQ(sink.hits[1].camera, 6);
    EXPECT_EQ(sink.hits[1].end, at(10, 5));
    EXPECT_EQ(sink.hits[1].begin, at(10, 0));
    EXPECT_EQ(sink.hits[0].begin, at(10, 0));
    // Shown: the end minus the playing time to the second, not the minutes
    // the match used (60 s ending 10:01 started at 10:00; 300 s ending 10:05 at 10:00).
    EXPECT_EQ(sink.hits[0].started, at(10, 0));
    EXPECT_EQ(sink.hits[1].started, at(10, 0));
    ASSERT_EQ(sink.unread.size(), 1u);
    EXPECT_EQ(sink.unread[0].first, "damaged.avi");
    EXPECT_EQ(sink.unread[0].second, media::AviError::DamagedHeader);

    Collected none;
    EXPECT_EQ(f.search.searchCamera(6, f.dir.path(), at(9, 0), at(9, 59), none), 4);
    EXPECT_TRUE(none.hits.empty());

    // A folder that went away, and a camera without a folder: nothing, quietly.
    Collected gone;
    EXPECT_EQ(f.search.searchCamera(0, path("gone"), at(0, 0), at(23, 59), gone), 0);
    EXPECT_EQ(f.search.searchCamera(0, "", at(0, 0), at(23, 59), gone), 0);
    EXPECT_EQ(gone.examined, 0);
}

TEST(RecordingSearch, OnlyMotionListsTheRecordingsWhoseNameCarriesTheMotionBit)
{
    Folder f;
    const auto path = [&](const std::string& name) { return f.dir.file(name); };
    writeRecording(path("r-Gate_!1__2026_3_7_9_55_0_0.avi"), 300, 1.0f, at(10, 0));
    writeRecording(path("r-Gate_!3_End2026_3_7_9_56_0_0.avi"), 300, 1.0f, at(10, 1)); // motion and sound
    writeRecording(path("r-Gate_!0__2026_3_7_9_57_0_0.avi"), 300, 1.0f, at(10, 2));
    writeRecording(path("r-Gate_!2__2026_3_7_9_58_0_0.avi"), 300, 1.0f, at(10, 3)); // sound only
    writeRecording(path("holiday.avi"), 300, 1.0f, at(10, 4));                         // no alert bits to read
    writeRecording(path("r-Gate_!1__2026_3_7_8_0_0_0.avi"), 60, 1.0f, at(8, 1));      // motion, outside the window
    std::ofstream(path("r-Gate_!0__2026_3_7_9_59_0_0.avi")) << "RIFF";
    std::ofstream(path("r-Gate_!1__2026_3_7_9_59_1_0.avi")) << "RIFF";

    Collected all;
    EXPECT_EQ(f.search.searchCamera(0, f.dir.path(), at(9, 58), at(10, 5), all), 8);
    EXPECT_EQ(all.hits.size(), 5u);
    EXPECT_EQ(all.unread.size(), 2u);

    // Every file is still examined (so the results of an earlier search are
    // replaced), but only motion files are opened and can match.
    Collected motion;
    EXPECT_EQ(f.search.search(0, [&](int16_t) { return f.dir.path(); }, at(9, 58), at(10, 5), motion,
                              SearchFilter{true}),
              8);
    EXPECT_EQ(motion.examined, 8);
    EXPECT_EQ(motion.names(),
              (std::vector<std::string>{"r-Gate_!1__2026_3_7_9_55_0_0.avi", "r-Gate_!3_End2026_3_7_9_56_0_0.avi"}));
    ASSERT_EQ(motion.unread.size(), 1u);
    EXPECT_EQ(motion.unread[0].first, "r-Gate_!1__2026_3_7_9_59_1_0.avi");

    EXPECT_TRUE(SearchFilter{}.admits("holiday.avi"));
    EXPECT_FALSE(SearchFilter{true}.admits("s-Gate_!1_2026_3_7_9_55_0_0.jpg")) << "a snapshot is no recording";
    EXPECT_FALSE(SearchFilter{true}.admits("r-Gate_!x__2026_3_7_9_55_0_0.avi"));
}

TEST(RecordingSearch, LetsPendingEventsRunBetweenFiles)
{
    Folder f;
    for (int i = 0; i < 3; ++i)
        writeRecording(f.dir.file("r" + std::to_string(i) + ".avi"), 10, 1.0f, at(10, i));
    int runs = 0;
    f.search.setPendingEvents([&] { ++runs; });
    Collected sink;
    f.search.searchCamera(0, f.dir.path(), at(10, 0), at(10, 5), sink);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(sink.hits.size(), 3u);
}

TEST(RecordingSearch, CameraField)
{
    EXPECT_EQ(parseCameraField("*"), kAllCameras);
    EXPECT_EQ(parseCameraField(" * "), kAllCameras);
    EXPECT_EQ(parseCameraField("1"), 0);
    EXPECT_EQ(parseCameraField("16"), 15);
    EXPECT_EQ(parseCameraField("07"), 6);
    for (const char* bad : {"0", "17", "abc", "", " ", "+3", "-1", "1.5", "**", "100", "1 6"})
        EXPECT_FALSE(parseCameraField(bad).has_value()) << bad;
}

TEST(RecordingSearch, AllCamerasAreSearchedInOrder)
{
    Folder f;
    std::vector<int16_t> asked;
    const auto folderOf = [&](int16_t slot) {
        asked.push_back(slot);
        return f.dir.file("cam" + std::to_string(slot + 1));
    };
    for (const int slot : {15, 2, 0})
        writeRecording(f.dir.file("cam" + std::to_string(slot + 1) + "/r.avi"), 60, 1.0f, at(10, 1));
    Collected sink;
    EXPECT_EQ(f.search.search(kAllCameras, folderOf, at(10, 0), at(10, 2), sink), 3);
    ASSERT_EQ(sink.hits.size(), 3u);
    EXPECT_EQ(sink.hits[0].camera, 0);
    EXPECT_EQ(sink.hits[1].camera, 2);
    EXPECT_EQ(sink.hits[2].camera, 15);
    ASSERT_EQ(asked.size(), 16u);
    for (int16_t i = 0; i < 16; ++i)
        EXPECT_EQ(asked[size_t(i)], i);

    asked.clear();
    Collected one;
    EXPECT_EQ(f.search.search(2, folderOf, at(10, 0), at(10, 2), one), 1);
    EXPECT_EQ(asked, std::vector<int16_t>{2});
    ASSERT_EQ(one.hits.size(), 1u);
    EXPECT_EQ(one.hits[0].camera, 2);
}

} // namespace
