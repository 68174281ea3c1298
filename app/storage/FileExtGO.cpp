#include "app/storage/FileExtGO.h"

#include "app/log/Logging.h"

#include "app/core/AppCfgGO.h"
#include "app/core/NumberText.h"
#include "app/core/RecFileName.h"
#include "app/storage/DiskFO.h"
#include "app/storage/Wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

namespace {

int64_t modificationTime(const struct stat& info)
{
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::string asFolder(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// One directory read with readdir. Entries are classified without following
// symbolic links to folders.
class DirectoryReader {
public:
    explicit DirectoryReader(const std::string& folder) : m_dir(::opendir(folder.c_str())) {}
    ~DirectoryReader()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    bool isOpen() const { return m_dir != nullptr; }

    enum class Kind { Folder, File, Other };
    struct Entry {
        const char* name;
        Kind kind;
        int64_t fileTime; // files only
    };

    // Next entry other than "." and ".."; false at the end. Only files that
    // `wantFile` accepts by name are stamped and reported as files.
    template <typename WantFile>
    bool next(Entry& entry, WantFile wantFile)
    {
        while (const dirent* d = ::readdir(m_dir)) {
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            entry.name = name;
            entry.kind = Kind::Other;
            entry.fileTime = 0;
            unsigned char type = d->d_type;
            if (type == DT_UNKNOWN) {
                struct stat info {};
                if (::fstatat(::dirfd(m_dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                    return true; // vanished meanwhile
                type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
            }
            if (type == DT_DIR) {
                entry.kind = Kind::Folder;
            } else if (type == DT_REG || type == DT_LNK) {
                if (!wantFile(name))
                    return true;
                struct stat info {};
                // A link counts when it leads to a file; links to folders are not followed.
                if (::fstatat(::dirfd(m_dir), name, &info, 0) != 0 || !S_ISREG(info.st_mode))
                    return true;
                entry.kind = Kind::File;
                entry.fileTime = modificationTime(info);
            }
            return true;
        }
        return false;
    }

private:
    DIR* m_dir;
};

// The eleven-slot table and its insertion rule.
class OldestTable {
public:
    void add(FileStamp stamp)
    {
        if (!m_newestSet || stamp.fileTime >= m_newest.fileTime) {
            m_newest = stamp;
            m_newestSet = true;
        }
        if (m_taken < 10) {
            m_slots[m_taken] = std::move(stamp);
            // Exchange sort of slots 0..m_taken, ascending time.
            for (size_t i = 0; i < m_taken; ++i) {
                for (size_t j = i + 1; j <= m_taken; ++j) {
                    if (m_slots[i].fileTime > m_slots[j].fileTime)
                        std::swap(m_slots[i], m_slots[j]);
                }
            }
            ++m_taken;
            return;
        }
        for (size_t i = 0; i < 10; ++i) {
            if (m_slots[i].fileTime > stamp.fileTime) {
                for (size_t k = 9; k > i; --k)
                    m_slots[k] = std::move(m_slots[k - 1]);
                m_slots[i] = std::move(stamp);
                return;
            }
        }
    }

    OldestFiles result()
    {
        m_slots[10] = m_newest;
        return m_slots;
    }

private:
    OldestFiles m_slots;
    size_t m_taken = 0;
    FileStamp m_newest;
    bool m_newestSet = false;
};

} // namespace

FileExtGO::FileExtGO(AppCfgGO& cfg, const DiskFO& disk) : m_cfg(cfg), m_disk(disk) {}

void FileExtGO::setPendingEvents(std::function<void()> pendingEvents)
{
    m_pendingEvents = std::move(pendingEvents);
}

void FileExtGO::yieldToEvents() const
{
    if (m_pendingEvents)
        m_pendingEvents();
}

int16_t FileExtGO::getAlertPercent() const { return m_cfg.getAlertPercent(); }
int16_t FileExtGO::setAlertPercent(int16_t percent) { return m_cfg.setAlertPercent(percent); }
std::string FileExtGO::getAlertSpace() const { return m_cfg.getAlertSpace(); }
std::string FileExtGO::setAlertSpace(const std::string& megabytes) { return m_cfg.setAlertSpace(megabytes); }
int16_t FileExtGO::getCircularMode() const { return m_cfg.getCircularMode(); }
int16_t FileExtGO::setCircularMode(int16_t mode) { return m_cfg.setCircularMode(mode); }
int16_t FileExtGO::getAlertLineNum() const { return m_cfg.getAlertLineNum(); }
int16_t FileExtGO::setAlertLineNum(int16_t lines) { return m_cfg.setAlertLineNum(lines); }
bool FileExtGO::isCircular() const { return m_cfg.getCircularMode() == 1; }

OldestFiles FileExtGO::findOldestFiles(const std::string& root, const std::string& pattern, std::string_view kind)
{
    m_matchedPaths.clear();
    OldestTable table;
    const auto wanted = [&pattern, kind](const char* name) {
        return wildcardMatch(name, pattern) && (kind.empty() || parseRecFileName(name, kind).has_value());
    };
    std::vector<std::string> folders{asFolder(root)};
    // The scan stays on the root's file system: a disk mounted below (a USB
    // disk, a network share) holds nothing whose deletion frees this one.
    struct stat rootInfo {};
    if (::stat(folders.front().c_str(), &rootInfo) != 0)
        return table.result();
    for (size_t f = 0; f < folders.size(); ++f) {
        // Copied: the list grows while this folder is read.
        const std::string folder = folders[f];
        DirectoryReader reader(folder);
        if (!reader.isOpen())
            continue;
        DirectoryReader::Entry entry{};
        while (reader.next(entry, wanted)) {
            if (entry.kind == DirectoryReader::Kind::Folder) {
                std::string below = folder + entry.name + '/';
                struct stat info {};
                if (::lstat(below.c_str(), &info) == 0 && info.st_dev == rootInfo.st_dev)
                    folders.push_back(std::move(below));
            } else if (entry.kind == DirectoryReader::Kind::File) {
                std::string path = folder + entry.name;
                m_matchedPaths.push_back(path);
                table.add(FileStamp{std::move(path), entry.fileTime});
            }
            yieldToEvents();
        }
    }
    return table.result();
}

bool FileExtGO::listFolderFiles(const std::string& folder, const std::string& pattern,
                                std::vector<FileStamp>& result)
{
    result.clear();
    const std::string prefix = asFolder(folder);
    DirectoryReader reader(prefix);
    if (!reader.isOpen())
        return false;
    const auto wanted = [&pattern](const char* name) { return wildcardMatch(name, pattern); };
    DirectoryReader::Entry entry{};
    while (reader.next(entry, wanted)) {
        if (entry.kind == DirectoryReader::Kind::File)
            result.push_back(FileStamp{prefix + entry.name, entry.fileTime});
    }
    return !result.empty();
}

bool FileExtGO::listRecorderFiles(const std::string& folder, const std::string& pattern, std::string_view kind,
                                  std::vector<FileStamp>& result)
{
    listFolderFiles(folder, pattern, result);
    std::vector<std::string> numbered;
    {
        DirectoryReader reader(asFolder(folder));
        if (!reader.isOpen())
            return !result.empty();
        DirectoryReader::Entry entry{};
        while (reader.next(entry, [](const char*) { return false; }))
            if (entry.kind == DirectoryReader::Kind::Folder && isNumberedFolder(entry.name, kind))
                numbered.emplace_back(entry.name);
    }
    std::vector<FileStamp> inside;
    for (const std::string& sub : numbered) {
        listFolderFiles(asFolder(folder) + sub, pattern, inside);
        result.insert(result.end(), inside.begin(), inside.end());
    }
    return !result.empty();
}

int32_t FileExtGO::newestFileSize(const std::string& root, const std::string& pattern)
{
    const OldestFiles table = findOldestFiles(root, pattern);
    if (table[10].path.empty())
        return 0;
    const uint64_t thousands = numtext::divideRoundHalfEven(fileSize(table[10].path), 1000);
    return thousands > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
        ? std::numeric_limits<int32_t>::max()
        : static_cast<int32_t>(thousands);
}

int16_t FileExtGO::recycleRecordings(const std::string& root, bool* found)
{
    const OldestFiles table = findOldestFiles(root, "*.avi", "r-");
    if (found)
        *found = !table[0].path.empty();
    for (size_t slot = 0; slot < 10; ++slot) {
        const int32_t space = m_disk.checkDiskSpace(root);
        if (table[slot].path.empty())
            return 0;
        if (space == 1)
            return 1;
        recycle(table[slot].path);
    }
    return 0;
}

int16_t FileExtGO::recycleSnapshots(const std::string& root)
{
    const OldestFiles table = findOldestFiles(root, "*.jpg", "s-");
    int64_t need = static_cast<int64_t>(fileSize(table[10].path));
    for (size_t slot = 0; slot < 10; ++slot) {
        if (table[slot].path.empty())
            return 0;
        const int64_t remaining = need - static_cast<int64_t>(fileSize(table[slot].path));
        recycle(table[slot].path);
        if (remaining < 1)
            return 1;
        need = remaining;
    }
    return 0;
}

void FileExtGO::checkRecordSpace(const std::string& recPath)
{
    if (m_disk.checkDiskSpace(recPath) == 1)
        return;
    if (isCircular())
        recycleRecordings(recPath);
    else
        m_disk.notify(kNoRecordSpace);
}

FileExtGO::SnapshotCheck FileExtGO::checkSnapshotSpace(const std::string& snapshotPath)
{
    if (!isUsableDrive(snapshotPath)) {
        m_disk.notify(kCheckSnapshotPath);
        return SnapshotCheck::BadPath;
    }
    if (m_disk.checkDiskSpace(snapshotPath) == 1)
        return SnapshotCheck::Take;
    if (!isCircular()) {
        m_disk.notify(kNoSnapshotSpace);
        return SnapshotCheck::NoSpace;
    }
    recycleSnapshots(snapshotPath);
    return SnapshotCheck::Recycled;
}

bool FileExtGO::isUsableDrive(const std::string& path) const
{
    const auto kind = m_disk.volumes().kind(path);
    return kind && *kind == VolumeKind::Usable;
}

void FileExtGO::createFolderPath(const std::string& path)
{
    for (size_t at = path.find('/', 1); ; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (!folder.empty())
            ::mkdir(folder.c_str(), 0777);
        if (at == std::string::npos || at + 1 >= path.size())
            return;
    }
}

FileStamp FileExtGO::fileCreationTime(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return FileStamp{path, 0};
    return FileStamp{path, modificationTime(info)};
}

QDateTime FileExtGO::fileTimeToLocalDate(int64_t fileTime)
{
    return QDateTime::fromMSecsSinceEpoch(fileTime / 1000000).toLocalTime();
}

void FileExtGO::recycle(const std::string& path)
{
    if (deleteFile(path))
        qCInfo(diskLog, "the clean-up deleted %s to make room", path.c_str());
    else
        qCWarning(diskLog, "the clean-up could not delete %s: %s", path.c_str(), std::strerror(errno));
}

bool FileExtGO::deleteFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

uint64_t FileExtGO::fileSize(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return 0;
    return static_cast<uint64_t>(info.st_size);
}
