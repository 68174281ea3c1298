#include "FakeVolumes.h"

#include "app/core/AppCfgGO.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/Wildcard.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kSecond = 1000000000;

// A recording folder tree in a temporary folder, with the disk checks of a
// fake volume.
struct Tree {
    TempDir dir;
    AppCfgGO cfg;
    FakeVolumes volumes;
    std::vector<std::string> messages;
    DiskFO disk{cfg, volumes, [this](const std::string& m) { messages.push_back(m); }};
    FileExtGO files{cfg, disk};

    // A file of `size` bytes modified `second` seconds after 2020-01-01.
    std::string make(const std::string& relative, int second, size_t size = 10)
    {
        const std::string path = dir.file(relative);
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << std::string(size, 'x');
        const struct timespec times[2] = {{1577836800 + second, 0}, {1577836800 + second, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }
    static int secondOf(const FileStamp& stamp) { return static_cast<int>(stamp.fileTime / kSecond - 1577836800); }
};

} // namespace

TEST(Wildcard, MatchesWithoutRegardToCase)
{
    EXPECT_TRUE(wildcardMatch("r-Gate_!0__2010.AVI", "*.avi"));
    EXPECT_TRUE(wildcardMatch("pic.JpG", "*.jpg"));
    EXPECT_TRUE(wildcardMatch(".avi", "*.avi"));
    EXPECT_FALSE(wildcardMatch("x.avi.part", "*.avi"));
    EXPECT_FALSE(wildcardMatch("x.av", "*.avi"));
    EXPECT_TRUE(wildcardMatch("abc", "a?c"));
    EXPECT_FALSE(wildcardMatch("ac", "a?c"));
    EXPECT_TRUE(wildcardMatch("axxbyyc", "a*b*c"));
    EXPECT_FALSE(wildcardMatch("axxbyy", "a*b*c"));
    EXPECT_TRUE(wildcardMatch("", "*"));
    EXPECT_FALSE(wildcardMatch("", "?"));
    EXPECT_FALSE(wildcardMatch(std::string(5000, 'a'), "*a*a*a*a*b*")); // no blow-up on back-tracking
}

TEST(FileExtGO, OldestFilesTableOverSeveralFolders)
{
    Tree t;
    // Fifteen recordings in four folders, taken in no particular time order,
    // plus files that must not count.
    const int seconds[] = {50, 10, 140, 30, 90, 20, 130, 5, 70, 60, 40, 110, 120, 80, 100};
    const char* folders[] = {"", "a/", "b/", "a/deep/"};
    for (int i = 0; i < 15; ++i)
        t.make(std::string(folders[i % 4]) + "rec" + std::to_string(i) + (i % 3 ? ".avi" : ".AVI"), seconds[i]);
    t.make("b/.hidden.avi", 1);
    t.make("a/notes.txt", 0);
    t.make("a/deep/clip.avi.part", 0);
    fs::create_directories(t.dir.file("c/folder.avi"));

    int yields = 0;
    t.files.setPendingEvents([&] { ++yields; });
    const OldestFiles table = t.files.findOldestFiles(t.dir.path(), "*.avi");
    const int expected[] = {1, 5, 10, 20, 30, 40, 50, 60, 70, 80};
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(Tree::secondOf(table[slot]), expected[slot]) << "slot " << slot;
    EXPECT_EQ(table[0].path, t.dir.path() + "/b/.hidden.avi");
    EXPECT_EQ(Tree::secondOf(table[10]), 140);
    EXPECT_EQ(t.files.lastMatchedPaths().size(), 16u);
    EXPECT_GE(yields, 20); // between entries of the scan
    // Breadth first: the root's files come before any folder's.
    EXPECT_EQ(t.files.lastMatchedPaths().front().rfind(t.dir.path() + "/rec", 0), 0u);
    EXPECT_NE(t.files.lastMatchedPaths().back().find("/deep/"), std::string::npos);
}

TEST(FileExtGO, FewFilesLeaveSlotsEmptyAndNewestIsTheNewest)
{
    Tree t;
    t.make("x/c.jpg", 30);
    t.make("a.jpg", 50); // newest, but not the last file taken
    t.make("b.JPG", 10);
    const OldestFiles table = t.files.findOldestFiles(t.dir.path() + "/", "*.jpg");
    EXPECT_EQ(Tree::secondOf(table[0]), 10);
    EXPECT_EQ(Tree::secondOf(table[1]), 30);
    EXPECT_EQ(Tree::secondOf(table[2]), 50);
    EXPECT_EQ(Tree::secondOf(table[10]), 50);
    for (int slot = 3; slot < 10; ++slot)
        EXPECT_TRUE(table[slot].path.empty());
    // A missing root gives an empty table.
    const OldestFiles none = t.files.findOldestFiles(t.dir.file("missing"), "*.jpg");
    EXPECT_TRUE(none[0].path.empty());
    EXPECT_TRUE(none[10].path.empty());
}

TEST(FileExtGO, ListNewestSizeTimesAndFolders)
{
    Tree t;
    t.make("one.avi", 1, 1500);
    t.make("two.avi", 2, 2500);
    t.make("sub/three.avi", 3, 100);
    std::vector<FileStamp> listed{FileStamp{"stale", 0}};
    EXPECT_TRUE(t.files.listFolderFiles(t.dir.path(), "*.AVI", listed));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_FALSE(t.files.listFolderFiles(t.dir.file("sub"), "*.jpg", listed));
    EXPECT_TRUE(listed.empty());

    EXPECT_EQ(t.files.newestFileSize(t.dir.path(), "*.avi"), 0);  // 100 bytes round to 0
    fs::remove(t.dir.file("sub/three.avi"));
    EXPECT_EQ(t.files.newestFileSize(t.dir.path(), "*.avi"), 2);  // 2500 bytes: 2.5 -> 2
    fs::remove(t.dir.file("two.avi"));
    EXPECT_EQ(t.files.newestFileSize(t.dir.path(), "*.avi"), 2);  // 1500 bytes: 1.5 -> 2
    EXPECT_EQ(t.files.newestFileSize(t.dir.path(), "*.mov"), 0);

    EXPECT_EQ(FileExtGO::fileCreationTime(t.dir.file("one.avi")).fileTime, (1577836800 + 1) * kSecond);
    EXPECT_EQ(FileExtGO::fileCreationTime(t.dir.file("gone.avi")).fileTime, 0);
    EXPECT_EQ(FileExtGO::fileTimeToLocalDate((1577836800 + 1) * kSecond),
              QDateTime::fromSecsSinceEpoch(1577836801).toLocalTime());

    const std::string chain = t.dir.file("p/q/r");
    FileExtGO::createFolderPath(chain);
    EXPECT_TRUE(fs::is_directory(chain));
    FileExtGO::createFolderPath(chain + "/"); // existing folders: no harm
    FileExtGO::createFolderPath(t.dir.file("one.avi/x")); // a file in the way: ignored
    EXPECT_FALSE(fs::exists(t.dir.file("one.avi/x")));
}

TEST(FileExtGO, RecyclingRecordingsStopsWhenSpaceSuffices)
{
    Tree t;
    // Recordings named as the application names them; file 14 is the oldest.
    const auto name = [](int i) { return std::string(i % 2 ? "a/" : "b/") + "r-Cam_!0__2020_1_1_0_0_" + std::to_string(i) + "_0.avi"; };
    for (int i = 0; i < 15; ++i)
        t.make(name(i), 100 - i);
    const auto remaining = [&] {
        int n = 0;
        for (const auto& e : fs::recursive_directory_iterator(t.dir.path()))
            n += e.is_regular_file();
        return n;
    };
    // Short while more than twelve files remain.
    t.volumes.onFigures = [&](const std::string&) {
        return VolumeFigures{uint64_t{100} << 20, (remaining() > 12 ? uint64_t{2} : uint64_t{90}) << 20};
    };
    EXPECT_EQ(t.files.recycleRecordings(t.dir.path()), 1);
    EXPECT_EQ(remaining(), 12);
    for (int i : {14, 13, 12})
        EXPECT_FALSE(fs::exists(t.dir.file(name(i))));

    // Always short: at most ten per call, oldest first.
    t.volumes.setMegabytes(100, 2);
    EXPECT_EQ(t.files.recycleRecordings(t.dir.path()), 0);
    EXPECT_EQ(remaining(), 2);
    EXPECT_TRUE(fs::exists(t.dir.file(name(1))));
    EXPECT_TRUE(fs::exists(t.dir.file(name(0))));
}

TEST(FileExtGO, RecyclingWithoutMatchingFilesDeletesNothing)
{
    Tree t;
    t.make("keep.jpg", 1);
    t.make("keep.avi.tmp", 2);
    t.make("holiday.avi", 3); // an AVI file, but no recording of ours
    t.volumes.setMegabytes(100, 2);
    bool found = true;
    EXPECT_EQ(t.files.recycleRecordings(t.dir.path(), &found), 0);
    EXPECT_FALSE(found);
    EXPECT_TRUE(fs::exists(t.dir.file("keep.jpg")));
    EXPECT_TRUE(fs::exists(t.dir.file("keep.avi.tmp")));
    EXPECT_TRUE(fs::exists(t.dir.file("holiday.avi")));
}

TEST(FileExtGO, RecyclingSnapshotsFreesTheNewestOnesSize)
{
    Tree t;
    const auto snap = [](int i) { return "s-Cam_!0_2020_1_1_0_0_" + std::to_string(i) + "_0.jpg"; };
    t.make(snap(1), 1, 300);
    t.make(snap(2), 2, 300);
    t.make(snap(3), 3, 300);
    t.make("photo.jpg", 0, 300); // the oldest, but not a snapshot of ours
    t.make(snap(4), 4, 700); // newest: 700 bytes are needed
    EXPECT_EQ(t.files.recycleSnapshots(t.dir.path()), 1);
    EXPECT_FALSE(fs::exists(t.dir.file(snap(1))));
    EXPECT_FALSE(fs::exists(t.dir.file(snap(2))));
    EXPECT_FALSE(fs::exists(t.dir.file(snap(3))));
    EXPECT_TRUE(fs::exists(t.dir.file(snap(4))));
    EXPECT_TRUE(fs::exists(t.dir.file("photo.jpg")));

    TempDir empty;
    EXPECT_EQ(t.files.recycleSnapshots(empty.path()), 0);
}

TEST(FileExtGO, RecordAndSnapshotChecks)
{
    Tree t;
    const std::string oldAvi = "r-Cam_!0__2020_1_1_0_0_1_0.avi", oldJpg = "s-Cam_!0_2020_1_1_0_0_1_0.jpg";
    t.make(oldAvi, 1);
    t.make(oldJpg, 1);
    t.make("s-Cam_!0_2020_1_1_0_0_2_0.jpg", 2);
    t.volumes.setMegabytes(100, 2);
    t.files.checkRecordSpace(t.dir.path());
    EXPECT_EQ(t.messages, std::vector<std::string>{
                              "You doesn't have enough free space to RECORD, please check your disk space."});
    EXPECT_TRUE(fs::exists(t.dir.file(oldAvi)));
    EXPECT_EQ(t.files.checkSnapshotSpace(t.dir.path()), FileExtGO::SnapshotCheck::NoSpace);
    EXPECT_EQ(t.messages.back(), "You didn't have had enough free space to SNAPSHOT");

    t.messages.clear();
    t.files.setCircularMode(2); // only exactly 1 is cyclic
    t.files.checkRecordSpace(t.dir.path());
    EXPECT_EQ(t.messages.size(), 1u);
    t.files.setCircularMode(1);
    t.files.checkRecordSpace(t.dir.path());
    EXPECT_FALSE(fs::exists(t.dir.file(oldAvi)));
    EXPECT_EQ(t.files.checkSnapshotSpace(t.dir.path()), FileExtGO::SnapshotCheck::Recycled);
    EXPECT_FALSE(fs::exists(t.dir.file(oldJpg)));

    t.volumes.setMegabytes(100, 90);
    EXPECT_EQ(t.files.checkSnapshotSpace(t.dir.path()), FileExtGO::SnapshotCheck::Take);
    for (auto kind : {std::optional<VolumeKind>(VolumeKind::RamDisk), std::optional<VolumeKind>(VolumeKind::Optical),
                      std::optional<VolumeKind>()}) {
        t.volumes.volumeKind = kind;
        EXPECT_FALSE(t.files.isUsableDrive(t.dir.path()));
        EXPECT_EQ(t.files.checkSnapshotSpace(t.dir.path()), FileExtGO::SnapshotCheck::BadPath);
    }
    EXPECT_EQ(t.messages.back(), "Please check the snapshot path.");
}

TEST(SystemVolumes, RealFiguresAndMountPoints)
{
    TempDir dir;
    SystemVolumes volumes;
    const auto figures = volumes.figures(dir.path());
    ASSERT_TRUE(figures);
    EXPECT_GT(figures->totalBytes, 0u);
    EXPECT_LE(figures->freeBytes, figures->totalBytes);
    EXPECT_FALSE(volumes.figures(dir.file("missing")));
    EXPECT_FALSE(volumes.kind(dir.file("missing")));
    EXPECT_TRUE(volumes.kind(dir.path()));
    EXPECT_EQ(volumes.mountPoint("/"), "/");
    EXPECT_EQ(volumes.mountPoint("/proc/self"), "/proc/");
    const std::string mount = volumes.mountPoint(dir.file("not/yet"));
    EXPECT_EQ(mount.back(), '/');
    EXPECT_EQ(dir.path().rfind(mount, 0), 0u); // a leading part of the folder
}
