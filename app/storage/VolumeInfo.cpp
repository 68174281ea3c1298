#include "app/storage/VolumeInfo.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>

#include <filesystem>
#include <system_error>

namespace {

// File system magic numbers of optical disks (not all in linux/magic.h).
constexpr unsigned long kIso9660Magic = 0x9660;
constexpr unsigned long kUdfMagic = 0x15013346;

} // namespace

std::optional<VolumeFigures> SystemVolumes::figures(const std::string& path) const
{
    struct statvfs info {};
    if (path.empty() || ::statvfs(path.c_str(), &info) != 0)
        return std::nullopt;
    VolumeFigures figures;
    figures.totalBytes = static_cast<uint64_t>(info.f_blocks) * info.f_frsize;
    figures.freeBytes = static_cast<uint64_t>(info.f_bfree) * info.f_frsize;
    return figures;
}

std::string SystemVolumes::mountPoint(const std::string& path) const
{
    namespace fs = std::filesystem;
    if (path.empty())
        return {};
    std::error_code ec;
    fs::path at = fs::absolute(fs::path(path), ec).lexically_normal();
    if (ec)
        return {};
    struct stat info {};
    // A folder not created yet lies on the volume of its nearest existing parent.
    while (::stat(at.c_str(), &info) != 0) {
        if (at == at.root_path() || !at.has_parent_path())
            return "/";
        at = at.parent_path();
    }
    while (at != at.root_path()) {
        struct stat parentInfo {};
        const fs::path parent = at.parent_path();
        if (::stat(parent.c_str(), &parentInfo) != 0 || parentInfo.st_dev != info.st_dev)
            break;
        at = parent;
    }
    std::string text = at.string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

std::optional<VolumeKind> SystemVolumes::kind(const std::string& path) const
{
    struct statfs info {};
    if (path.empty() || ::statfs(path.c_str(), &info) != 0)
        return std::nullopt;
    switch (static_cast<unsigned long>(info.f_type)) {
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
        return VolumeKind::RamDisk;
    case kIso9660Magic:
    case kUdfMagic:
        return VolumeKind::Optical;
    default:
        return VolumeKind::Usable;
    }
}
