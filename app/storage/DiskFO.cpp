#include "app/storage/DiskFO.h"

#include "app/core/AppCfgGO.h"
#include "app/core/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

DiskFO::DiskFO(const AppCfgGO& cfg, const VolumeInfo& volumes, Notifier notifier)
    : m_cfg(cfg), m_volumes(volumes), m_notifier(std::move(notifier))
{
}

int32_t DiskFO::checkDiskSpace(const std::string& path) const
{
    if (path.empty())
        return 1;
    const auto figures = m_volumes.figures(path);
    if (!figures) {
        notify(kCannotReadDisk);
        return 0;
    }
    return evaluate(*figures, m_cfg.getAlertPercent(), m_cfg.getAlertSpace());
}

int32_t DiskFO::evaluate(const VolumeFigures& figures, int16_t alertPercent, std::string_view alertSpace)
{
    constexpr uint64_t kMegabyte = uint64_t{1} << 20;
    const uint64_t totalMb = numtext::divideRoundHalfEven(figures.totalBytes, kMegabyte);
    const uint64_t freeMb = numtext::divideRoundHalfEven(figures.freeBytes, kMegabyte);
    const int32_t result = freeMb > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
        ? std::numeric_limits<int32_t>::max()
        : static_cast<int32_t>(freeMb);
    if (totalMb == 0)
        return result;
    // Free megabytes never exceed 2^44 here, so the product stays in 64 bits.
    const uint64_t freePercent = numtext::divideRoundHalfEven(freeMb * 100, totalMb);
    if (static_cast<int64_t>(freePercent) < alertPercent)
        return result;
    if (static_cast<int64_t>(freeMb) < leadingMegabytes(alertSpace))
        return result;
    return 1;
}

int64_t DiskFO::leadingMegabytes(std::string_view text)
{
    text = numtext::trimBlanks(text);
    size_t at = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    const size_t numberStart = at;
    while (at < text.size() && ((text[at] >= '0' && text[at] <= '9') || text[at] == '.'))
        ++at;
    std::string_view number = text.substr(0, at);
    if (at == numberStart)
        return 0;
    if (number[0] == '+')
        number.remove_prefix(1);
    double value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value); // stops at a second "."
    value = std::nearbyint(value);
    if (!(value > -1e15 && value < 1e15))
        return value < 0 ? -1000000000000000 : 1000000000000000;
    return static_cast<int64_t>(value);
}

void DiskFO::notify(const std::string& message) const
{
    if (m_notifier)
        m_notifier(message);
}
