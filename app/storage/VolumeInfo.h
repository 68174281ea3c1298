#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Size figures of the volume that holds a path.
struct VolumeFigures {
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0; // the whole volume's free bytes, not a per-user share
};

enum class VolumeKind {
    Usable,  // a disk, removable or network file system
    RamDisk, // tmpfs, ramfs: recordings there vanish with the machine
    Optical, // iso9660, udf
};

// Questions about the volume holding a path. The disk watch asks them through
// this interface so tests can give any figures. Any thread.
class VolumeInfo {
public:
    virtual ~VolumeInfo() = default;
    // Nothing when the path does not exist or the volume cannot be read.
    virtual std::optional<VolumeFigures> figures(const std::string& path) const = 0;
    // The mount point of the volume holding the path (or its nearest existing
    // folder), ending in "/": "/" or "/media/disk1/". Empty for an empty path.
    virtual std::string mountPoint(const std::string& path) const = 0;
    // Nothing when the path does not exist.
    virtual std::optional<VolumeKind> kind(const std::string& path) const = 0;
};

// The machine's own volumes: statvfs for the figures, statfs for the kind.
class SystemVolumes : public VolumeInfo {
public:
    std::optional<VolumeFigures> figures(const std::string& path) const override;
    std::string mountPoint(const std::string& path) const override;
    std::optional<VolumeKind> kind(const std::string& path) const override;
};
