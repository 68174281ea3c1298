#pragma once

#include <QDateTime>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

class AppCfgGO;
class DiskFO;
class FileExtGO;

// The lines of the disk alert list, newest first. GUI thread only.
class AlertList {
public:
    // Inserts `line` at the top, then drops the oldest lines beyond `keep`.
    void add(const std::string& line, int keep);
    const std::deque<std::string>& lines() const { return m_lines; }

private:
    std::deque<std::string> m_lines;
};

// The periodic disk check of the recording cameras, driven by the main
// window's 30-second timer once per camera slot after its schedule passes.
// One throttle counter is shared by all cameras. GUI thread only.
class DiskWatch {
public:
    // Receives each new alert line (the main window inserts it in its list).
    using AlertSink = std::function<void(const std::string& line)>;

    // Checks made between two throttle lines.
    static constexpr int kThrottleChecks = 600;

    // `disk`, `files` and `cfg` must outlive this object. `now` gives the
    // current local time of the alert lines (the system clock when empty).
    DiskWatch(const DiskFO& disk, FileExtGO& files, AlertSink sink, std::function<QDateTime()> now = {});

    // The check of one camera slot: only a recording camera takes part. While
    // its recording folder is short of space, a line is added at every check
    // (cyclic mode off) or the oldest recordings are recycled (cyclic mode on).
    // Every 601st check adds a line of its own when space is short.
    void periodicCheck(bool recording, const std::string& recPath);

    int throttleCount() const { return m_counter; }

    // "<general date and time> The disk space is not enough in <drive>".
    static std::string alertLineText(const QDateTime& now, const std::string& drive);

private:
    void alert(const std::string& recPath);

    const DiskFO& m_disk;
    FileExtGO& m_files;
    AlertSink m_sink;
    std::function<QDateTime()> m_now;
    int m_counter = 0;
};
