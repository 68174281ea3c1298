#pragma once

#include "app/storage/VolumeInfo.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class AppCfgGO;

// The disk space check. Result: 1 when the space is sufficient or the path
// is empty; 0 when the volume could not be read (the operator has been told
// through the notifier); otherwise the space is short and the value is the
// free space in megabytes (2^20 bytes). A short disk with exactly 1 MB free
// therefore reads as sufficient. GUI thread only.
class DiskFO {
public:
    // Shows a message to the operator (a message box in the application).
    using Notifier = std::function<void(const std::string& message)>;

    static constexpr char kCannotReadDisk[] = "Can't get the message from the Disk.";

    // `cfg` gives the alert percentage and alert space; `cfg` and `volumes`
    // must outlive this object.
    DiskFO(const AppCfgGO& cfg, const VolumeInfo& volumes, Notifier notifier);

    int32_t checkDiskSpace(const std::string& path) const;

    // The rule behind checkDiskSpace for known figures: megabytes and the free
    // percentage rounded to the nearest integer (halves to even); short when
    // the percentage is below `alertPercent` or the free megabytes below the
    // number at the start of `alertSpace`. A volume whose size rounds to 0 MB
    // counts as short.
    static int32_t evaluate(const VolumeFigures& figures, int16_t alertPercent, std::string_view alertSpace);
    // The number at the start of an alert space text, rounded; 0 without one.
    static int64_t leadingMegabytes(std::string_view text);

    const VolumeInfo& volumes() const { return m_volumes; }
    void notify(const std::string& message) const;

private:
    const AppCfgGO& m_cfg;
    const VolumeInfo& m_volumes;
    Notifier m_notifier;
};
