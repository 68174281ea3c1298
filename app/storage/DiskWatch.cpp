#include "app/storage/DiskWatch.h"
#include "app/core/DateFO.h"

#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"

#include <QLocale>

void AlertList::add(const std::string& line, int keep)
{
    m_lines.push_front(line);
    const size_t limit = keep > 0 ? static_cast<size_t>(keep) : 0;
    while (m_lines.size() > limit)
        m_lines.pop_back();
}

DiskWatch::DiskWatch(const DiskFO& disk, FileExtGO& files, AlertSink sink, std::function<QDateTime()> now)
    : m_disk(disk), m_files(files), m_sink(std::move(sink)), m_now(std::move(now))
{
}

void DiskWatch::periodicCheck(bool recording, const std::string& recPath)
{
    if (!recording)
        return;
    const int32_t space = m_disk.checkDiskSpace(recPath);
    if (m_counter < kThrottleChecks) {
        ++m_counter;
    } else {
        if (space != 1)
            alert(recPath);
        m_counter = 0;
    }
    if (space == 1)
        return;
    // Cycling that finds no recording of ours to delete frees nothing: the
    // operator is told as without cycling.
    bool found = false;
    if (m_files.isCircular())
        m_files.recycleRecordings(recPath, &found);
    if (!found)
        alert(recPath);
}

void DiskWatch::alert(const std::string& recPath)
{
    if (!m_sink)
        return;
    const QDateTime now = m_now ? m_now() : QDateTime::currentDateTime();
    m_sink(alertLineText(now, m_disk.volumes().mountPoint(recPath)));
}

std::string DiskWatch::alertLineText(const QDateTime& now, const std::string& drive)
{
    const QString when = DateFO::dateTimeText(now);
    return when.toStdString() + " The disk space is not enough in " + drive;
}
