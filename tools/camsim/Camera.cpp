#include "tools/camsim/Camera.h"

#include <cmath>
#include <ctime>

namespace camsim {

Camera::Camera(int index, const Config& config, PictureMaker& maker, Clock::time_point start)
    : m_index(index)
    , m_config(config)
    , m_maker(maker)
    , m_start(start)
{
    CameraState& s = m_state;
    s.name = "Camera " + std::to_string(index + 1);
    s.open = !config.startClosed;
    s.resolution = config.resolution;
    s.quality = config.quality;
    s.motionIntervalMs = config.motionIntervalMs;
    s.audioOn = config.audioOn;
    s.version = config.version;
    s.resolutionMask = config.resolutionMask;
    s.qualityMask = config.qualityMask;
    s.omitResolutionCap = config.omitResolutionCap;
    s.omitQualityCap = config.omitQualityCap;
    s.users = config.users;
    s.exStatus = config.exStatus;
    // The port is filled in once the camera listens.
    s.ip = {{"IPWay", "manually"}, {"IP", config.bind}, {"Netmask", "255.0.0.0"}, {"Gateway", "127.0.0.1"},
            {"DNS0", "127.0.0.1"}, {"DNS1", ""}, {"DNS2", ""}, {"Port", ""}};
    s.mail = {{"MailServer", ""}, {"Sender", ""}, {"Receiver", ""}, {"Enable", "false"}};
    s.ftp = {{"FtpServer", ""}, {"User", ""}, {"Account", ""}, {"UploadPath", ""}, {"Enable", "false"}};
}

int64_t Camera::nowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start).count();
}

uint64_t Camera::currentPicture() const
{
    const double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
    return static_cast<uint64_t>(std::floor(seconds * m_config.fps));
}

Camera::Clock::time_point Camera::pictureTime(uint64_t n) const
{
    return m_start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(n) / m_config.fps));
}

std::string Camera::status(bool admin)
{
    const int64_t now = nowMs();
    std::lock_guard lock(m_mutex);
    return statusBlock(m_state, admin, now);
}

std::string Camera::formatLocalTime(int64_t sec1970, int timeZoneMinWest)
{
    const std::time_t t = static_cast<std::time_t>(sec1970 - int64_t(timeZoneMinWest) * 60);
    std::tm tm {};
    gmtime_r(&t, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

std::shared_ptr<const std::vector<uint8_t>> Camera::picture(uint64_t n)
{
    PictureFormat format;
    Overlay overlay;
    {
        std::lock_guard lock(m_mutex);
        auto [w, h] = resolutionSize(m_state.resolution, m_state.version);
        if (m_config.oddSize) {
            w = 800;
            h = 600;
        }
        format.width = w;
        format.height = h;
        format.grey = m_config.grey;
        format.jpegQuality = jpegQualityFor(m_state.quality);
        overlay.name = m_state.name;
        overlay.timeText = formatLocalTime(static_cast<int64_t>(std::time(nullptr)) + m_state.clockOffsetSec,
                                           m_state.timeZoneMin);
    }
    overlay.number = n;
    std::lock_guard lock(m_pictureMutex);
    if (m_lastPicture && m_lastNumber == n && !(m_lastFormat < format) && !(format < m_lastFormat)
        && m_lastName == overlay.name)
        return m_lastPicture;
    auto jpeg = m_maker.make(format, overlay);
    if (jpeg) {
        m_lastNumber = n;
        m_lastFormat = format;
        m_lastName = overlay.name;
        m_lastPicture = jpeg;
    }
    return jpeg;
}

} // namespace camsim
