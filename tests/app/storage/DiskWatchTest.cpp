#include "FakeVolumes.h"

#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"
#include "app/storage/DiskWatch.h"
#include "app/storage/FileExtGO.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/mount.h>

namespace {

struct Watch {
    TempDir dir;
    AppCfgGO cfg;
    FakeVolumes volumes;
    DiskFO disk{cfg, volumes, nullptr};
    FileExtGO files{cfg, disk};
    std::vector<std::string> lines;
    DiskWatch watch{disk, files, [this](const std::string& line) { lines.push_back(line); },
                    [] { return QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)); }};
};

} // namespace

TEST(DiskWatch, ThrottleAddsItsLineAtCheck601)
{
    Watch w;
    w.cfg.setCircularMode(1); // only the throttle adds lines
    // Short for the watch's own look, enough again by the time the clean-up
    // looks: a recording of ours is there, so no check adds a line itself.
    int looks = 0;
    w.volumes.onFigures = [&](const std::string&) {
        return VolumeFigures{uint64_t{100} << 20, (++looks % 2 ? uint64_t{2} : uint64_t{90}) << 20};
    };
    std::ofstream(w.dir.file("r-Cam_!0__2026_5_6_7_8_9_0.avi")) << "x";
    for (int check = 1; check <= 600; ++check)
        w.watch.periodicCheck(true, w.dir.path());
    EXPECT_TRUE(w.lines.empty());
    EXPECT_EQ(w.watch.throttleCount(), 600);
    w.watch.periodicCheck(false, w.dir.path()); // a camera not recording does not count
    EXPECT_EQ(w.watch.throttleCount(), 600);
    w.watch.periodicCheck(true, w.dir.path());
    ASSERT_EQ(w.lines.size(), 1u);
    EXPECT_EQ(w.watch.throttleCount(), 0);
    EXPECT_NE(w.lines[0].find(" The disk space is not enough in /data/"), std::string::npos);
    EXPECT_EQ(w.lines[0], DiskWatch::alertLineText(QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)), "/data/"));
}

TEST(DiskWatch, CircularOffAlertsAtEveryShortCheck)
{
    Watch w;
    w.volumes.setMegabytes(100, 90);
    w.watch.periodicCheck(true, w.dir.path());
    EXPECT_TRUE(w.lines.empty());
    w.volumes.setMegabytes(100, 2);
    w.watch.periodicCheck(true, w.dir.path());
    EXPECT_EQ(w.lines.size(), 1u);
    for (int check = 3; check <= 601; ++check)
        w.watch.periodicCheck(true, w.dir.path());
    EXPECT_EQ(w.lines.size(), 601u); // one per short check and the throttle's extra one
    // The recording that is there stays: cyclic mode is off.
    const std::string ours = w.dir.file("r-Cam_!0__2026_5_6_7_8_9_0.avi");
    std::ofstream(ours) << "x";
    w.watch.periodicCheck(true, w.dir.path());
    EXPECT_TRUE(std::filesystem::exists(ours));
    w.cfg.setCircularMode(1);
    const size_t before = w.lines.size();
    w.watch.periodicCheck(true, w.dir.path());
    EXPECT_FALSE(std::filesystem::exists(ours));
    EXPECT_EQ(w.lines.size(), before) << "a clean-up that deleted adds no line";
}

// The clean-up deletes only the application's recordings, and only on the
// recording folder's own file system; a pass that finds none says so.
TEST(DiskWatch, CyclingStaysOnItsDiskAndDeletesOnlyOurRecordings)
{
    Watch w;
    w.cfg.setCircularMode(1);
    w.volumes.setMegabytes(100, 2);
    std::ofstream(w.dir.file("holiday.avi")) << "not ours";
    const std::string usb = w.dir.file("usb");
    std::filesystem::create_directories(usb);
    const bool mounted = ::mount("oculon-test", usb.c_str(), "tmpfs", 0, "size=1m") == 0;
    if (mounted)
        std::ofstream(usb + "/r-Cam_!0__2020_1_1_0_0_0_0.avi") << "an old recording on another disk";
    for (int check = 1; check <= 3; ++check)
        w.watch.periodicCheck(true, w.dir.path());
    EXPECT_TRUE(std::filesystem::exists(w.dir.file("holiday.avi")));
    EXPECT_EQ(w.lines.size(), 3u) << "nothing deletable: every check says so";
    if (mounted) {
        EXPECT_TRUE(std::filesystem::exists(usb + "/r-Cam_!0__2020_1_1_0_0_0_0.avi"));
        ::umount(usb.c_str());
    } else {
        GTEST_SKIP() << "no second file system could be mounted here (needs root): only the naming rule was tested";
    }
}

TEST(AlertList, KeepsTheNewestLines)
{
    AlertList list;
    for (int i = 1; i <= 35; ++i)
        list.add("line " + std::to_string(i), 30);
    ASSERT_EQ(list.lines().size(), 30u);
    EXPECT_EQ(list.lines().front(), "line 35");
    EXPECT_EQ(list.lines().back(), "line 6");
    list.add("line 36", 3); // a lowered limit drops the surplus at once
    EXPECT_EQ(list.lines().size(), 3u);
    list.add("line 37", 0);
    EXPECT_TRUE(list.lines().empty());
}
