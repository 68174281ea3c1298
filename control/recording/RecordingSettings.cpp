#include "control/recording/RecordingSettings.h"

#include <filesystem>
#include <system_error>

namespace strovix::recording {
namespace {

constexpr const char* kNotLessThanOne = "the value should not be less than 1";

std::string workingDirectory()
{
    std::error_code ec;
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::string() : cwd.string();
}

} // namespace

RecordingSettings::RecordingSettings() : m_downloadPath(workingDirectory()), m_aviPath(m_downloadPath) {}

PutResult RecordingSettings::putDownloadNum(int32_t v)
{
    if (v < -1)
        return PutResult::refused("DownloadNum is no less than 0 or -1");
    m_downloadNum = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putDownloadPath(std::string v)
{
    m_downloadPath = std::move(v);
    return PutResult::ok();
}

PutResult RecordingSettings::putDownloadPrefix(std::string v)
{
    m_downloadPrefix = std::move(v);
    return PutResult::ok();
}

PutResult RecordingSettings::putDownloadTime(int32_t seconds)
{
    if (seconds < 1 || seconds > 2000000)
        return PutResult::refused("Download Total Time is greater than 0 and less 2000000");
    m_downloadTimeMs = int64_t{seconds} * 1000;
    return PutResult::ok();
}

PutResult RecordingSettings::putDownloadSize(int32_t kilobytes)
{
    if (kilobytes < 1 || kilobytes > 2000000)
        return PutResult::refused("Download Total Size is greater than 0 and less 2000000");
    m_downloadSizeBytes = int64_t{kilobytes} * 1024;
    return PutResult::ok();
}

PutResult RecordingSettings::putDownType(int32_t v)
{
    if (v < 0 || v > 3)
        return PutResult::refused("Down Type error");
    m_downType = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putSaveIntervalNum(int32_t v)
{
    if (v < 1)
        return PutResult::refused(kNotLessThanOne);
    m_saveIntervalNum = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putAviFrame(int32_t v)
{
    if (v <= 0)
        return PutResult::refused("AviFrame is greater than 0");
    m_aviFrame = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putAviPath(std::string v)
{
    m_aviPath = std::move(v);
    return PutResult::ok();
}

PutResult RecordingSettings::putAviPre(std::string v)
{
    m_aviPre = std::move(v);
    return PutResult::ok();
}

PutResult RecordingSettings::putJpgNumInAvi(int32_t v)
{
    if (v < 1 || v > 9999)
        return PutResult::quiet();
    m_jpgNumInAvi = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putAviTotalSize(int32_t kilobytes)
{
    if (kilobytes <= 0)
        return PutResult::refused("Avi Total Size is greater than 0");
    m_aviTotalSizeBytes = int64_t{kilobytes} * 1024;
    return PutResult::ok();
}

PutResult RecordingSettings::putAviTotalTime(int32_t seconds)
{
    if (seconds <= 0)
        return PutResult::refused("Avi Total Time is greater than 0");
    m_aviTotalTimeMs = int64_t{seconds} * 1000;
    return PutResult::ok();
}

PutResult RecordingSettings::putDownAviType(int32_t v)
{
    if (v < 0 || v > 3)
        return PutResult::refused("Avi Down Type error");
    m_downAviType = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putAviDownNum(int32_t v)
{
    if (v < 1)
        return PutResult::refused(kNotLessThanOne);
    m_aviDownNum = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putAutoFrame(int32_t v)
{
    m_autoFrame = v;
    return PutResult::ok();
}

PutResult RecordingSettings::putAviSaveIntervalNum(int32_t v)
{
    if (v < 1)
        return PutResult::refused(kNotLessThanOne);
    m_aviSaveIntervalNum = v;
    return PutResult::ok();
}

} // namespace strovix::recording
