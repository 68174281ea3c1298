#pragma once

#include <QDateTime>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class AppCfgGO;
class DiskFO;

// One file found by a scan. `fileTime` is the file's last-modification time in
// nanoseconds since 1970-01-01 UTC (a recording is modified last when it is
// closed; Linux file systems do not reliably keep creation times). An empty
// path marks an unused slot.
struct FileStamp {
    std::string path;
    int64_t fileTime = 0;
};

// Result of findOldestFiles: slots 0..9 the ten oldest matching files, oldest
// first (unused slots have empty paths); slot 10 the newest matching file.
using OldestFiles = std::array<FileStamp, 11>;

// File and folder helpers of the recording folders: the disk settings, scans
// by name pattern, the clean-up of old recordings and snapshots, and the
// checks made before recording and before a snapshot. GUI thread only.
class FileExtGO {
public:
    // `cfg` holds the settings; `disk` makes the space checks. Both must
    // outlive this object.
    FileExtGO(AppCfgGO& cfg, const DiskFO& disk);

    // The step that lets the user interface process its pending events; run
    // between two directory entries of a scan. May be empty.
    void setPendingEvents(std::function<void()> pendingEvents);

    // The four disk settings (the [App] values); setters store and return.
    int16_t getAlertPercent() const;
    int16_t setAlertPercent(int16_t percent);
    std::string getAlertSpace() const;
    std::string setAlertSpace(const std::string& megabytes);
    int16_t getCircularMode() const;
    int16_t setCircularMode(int16_t mode);
    int16_t getAlertLineNum() const;
    int16_t setAlertLineNum(int16_t lines);
    // Cyclic recording is on for exactly 1.
    bool isCircular() const;

    // Scans `root` and every folder below it on the same file system,
    // breadth first, for files whose names match `pattern` (wildcards, any
    // case; hidden entries included; symbolic links to folders are not
    // followed, so a loop cannot trap the scan, and a disk mounted below is
    // not entered). With `kind` ("r-" or "s-") only files named as the
    // application names its recordings or snapshots count. Only the eleven
    // stamps are kept, whatever the number of files.
    OldestFiles findOldestFiles(const std::string& root, const std::string& pattern, std::string_view kind = {});
    // Every path the last scan took, in scan order.
    const std::vector<std::string>& lastMatchedPaths() const { return m_matchedPaths; }

    // Replaces `result` with one stamp per matching file of `folder` itself (no
    // sub-folders), in directory order; true when at least one was found.
    bool listFolderFiles(const std::string& folder, const std::string& pattern, std::vector<FileStamp>& result);

    // listFolderFiles over `folder` and the numbered sub-folders the
    // recorder makes there after its file limit (isNumberedFolder with
    // `kind`, "r-" or "s-"); no other sub-folder. True when any was found.
    bool listRecorderFiles(const std::string& folder, const std::string& pattern, std::string_view kind,
                           std::vector<FileStamp>& result);

    // Size of the newest matching file below `root` in thousand-byte units,
    // rounded to the nearest (halves to even); 0 when there is none.
    int32_t newestFileSize(const std::string& root, const std::string& pattern);

    // Deletes the application's "*.avi" recordings below `root` (on its own
    // file system) for good, oldest first, at most ten per call, measuring
    // the space before each: returns 1 as soon as the check reports
    // sufficient space, 0 when it runs out of files or slots. Files that
    // cannot be deleted stay; it goes on with the next. `found`, when given,
    // tells whether there was any recording it could delete.
    int16_t recycleRecordings(const std::string& root, bool* found = nullptr);
    // Deletes the application's "*.jpg" snapshots below `root` (on its own
    // file system), oldest first, until the size of the newest one has been
    // freed (1) or the ten slots or the files run out (0).
    int16_t recycleSnapshots(const std::string& root);

    // The check before a recording of the camera whose folder is `recPath`
    // starts: on short space either recycles (cyclic mode) or tells the
    // operator. Never prevents the recording.
    void checkRecordSpace(const std::string& recPath);

    enum class SnapshotCheck {
        Take,     // space is sufficient: take the snapshot
        BadPath,  // "Please check the snapshot path." was shown
        NoSpace,  // "You didn't have had enough free space to SNAPSHOT" was shown
        Recycled, // old snapshots were deleted; no snapshot on this command
    };
    SnapshotCheck checkSnapshotSpace(const std::string& snapshotPath);

    // True when `path` exists on a volume that is neither a RAM disk nor an
    // optical disk.
    bool isUsableDrive(const std::string& path) const;

    // Creates every missing folder along `path`, parent first, ignoring every
    // failure.
    static void createFolderPath(const std::string& path);
    // The stamp of one file; time 0 when it cannot be read.
    static FileStamp fileCreationTime(const std::string& path);
    // A file time as local date and time (with the daylight-saving rule of
    // that date).
    static QDateTime fileTimeToLocalDate(int64_t fileTime);
    // Removes a file for good (moving it to a trash folder on the same volume
    // would free nothing). True when it is gone.
    static bool deleteFile(const std::string& path);
    // Deletes a file of the clean-up and logs it (or why it could not).
    static void recycle(const std::string& path);
    // Size in bytes; 0 when it cannot be read.
    static uint64_t fileSize(const std::string& path);

    static constexpr char kNoRecordSpace[] =
        "You doesn't have enough free space to RECORD, please check your disk space.";
    static constexpr char kCheckSnapshotPath[] = "Please check the snapshot path.";
    static constexpr char kNoSnapshotSpace[] = "You didn't have had enough free space to SNAPSHOT";

private:
    void yieldToEvents() const;

    AppCfgGO& m_cfg;
    const DiskFO& m_disk;
    std::function<void()> m_pendingEvents;
    std::vector<std::string> m_matchedPaths;
};
