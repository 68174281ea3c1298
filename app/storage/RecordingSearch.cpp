#include "app/storage/RecordingSearch.h"

#include "app/core/RecFileName.h"
#include "app/storage/FileExtGO.h"

#include <algorithm>
#include <cmath>
#include <vector>

std::optional<int32_t> mediaDuration(const std::string& path, media::AviError* why)
{
    if (why)
        *why = media::AviError::None;
    if (path.empty())
        return 0;
    media::AviReader reader;
    const media::AviError error = reader.open(path);
    if (why)
        *why = error;
    if (error != media::AviError::None)
        return std::nullopt;
    const auto seconds = reader.info().durationSeconds();
    // More than 68 years of pictures is no recording's playing time.
    if (!seconds || !(*seconds < 2147483647.0)) {
        if (why)
            *why = media::AviError::DamagedHeader;
        return std::nullopt;
    }
    return static_cast<int32_t>(std::nearbyint(*seconds));
}

int32_t spanMinutes(int32_t seconds)
{
    if (seconds % 60 == 0)
        return seconds / 60;
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(seconds) / 60.0 + 1.0));
}

bool spanMatches(const QDateTime& begin, const QDateTime& end, const QDateTime& from, const QDateTime& to)
{
    return (from <= begin && begin <= to) || (from <= end && end <= to) || (begin <= from && to <= end);
}

std::optional<int16_t> parseCameraField(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text == "*")
        return kAllCameras;
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 16)
        return std::nullopt;
    return static_cast<int16_t>(number - 1);
}

bool SearchFilter::admits(std::string_view fileName) const
{
    if (!onlyMotion)
        return true;
    const auto parsed = parseRecFileName(fileName, "r-");
    return parsed && (parsed->number & kMotionAlert) != 0;
}

RecordingSearch::RecordingSearch(FileExtGO& files) : m_files(files) {}

void RecordingSearch::setPendingEvents(std::function<void()> pendingEvents)
{
    m_pendingEvents = std::move(pendingEvents);
}

int RecordingSearch::searchCamera(int16_t camera, const std::string& folder, const QDateTime& from,
                                  const QDateTime& to, SearchSink& sink, SearchFilter filter)
{
    std::vector<FileStamp> files;
    if (folder.empty() || !m_files.listRecorderFiles(folder, "*.avi", "r-", files))
        return 0;
    // The directory's own order is arbitrary on this platform: the order in
    // which the recordings were closed is the one an operator reads.
    std::stable_sort(files.begin(), files.end(),
                     [](const FileStamp& a, const FileStamp& b) { return a.fileTime < b.fileTime; });
    int examined = 0;
    for (const FileStamp& file : files) {
        const size_t slash = file.path.find_last_of('/');
        const std::string_view name = std::string_view(file.path).substr(slash == std::string::npos ? 0 : slash + 1);
        if (name.starts_with('.'))
            continue;
        if (examined > 0 && m_pendingEvents)
            m_pendingEvents();
        ++examined;
        sink.fileExamined();
        if (!filter.admits(name))
            continue;
        media::AviError why = media::AviError::None;
        const auto seconds = mediaDuration(file.path, &why);
        if (!seconds) {
            sink.unreadable(camera, file.path, why);
            continue;
        }
        // The time a file was closed, to the second, is when its recording ended.
        QDateTime end = FileExtGO::fileTimeToLocalDate(file.fileTime);
        end = end.addMSecs(-end.time().msec());
        const QDateTime begin = end.addSecs(-60 * static_cast<int64_t>(spanMinutes(*seconds)));
        if (spanMatches(begin, end, from, to))
            sink.matched(SearchHit{camera, file.path, begin, end.addSecs(-static_cast<int64_t>(*seconds)), end});
    }
    return examined;
}

int RecordingSearch::search(int16_t camera, const std::function<std::string(int16_t)>& folderOf, const QDateTime& from,
                            const QDateTime& to, SearchSink& sink, SearchFilter filter)
{
    const int16_t first = camera == kAllCameras ? 0 : camera;
    const int16_t last = camera == kAllCameras ? 15 : camera;
    int examined = 0;
    for (int16_t slot = first; slot <= last; ++slot)
        examined += searchCamera(slot, folderOf(slot), from, to, sink, filter);
    return examined;
}
