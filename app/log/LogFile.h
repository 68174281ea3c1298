#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

// The program's log file: lines appended to one file that is turned over
// when it would grow past a size, the newest old files kept as NAME.1 (the
// last one) up to NAME.<keep>. Any thread; lines never interleave. A line
// that cannot be written closes the file; a file that cannot be opened is tried again only at the next turn-over
// or after a minute, so a log on a full or read-only disk costs nothing.
class LogFile {
public:
    static constexpr int64_t kDefaultTurnOverBytes = 5 * 1024 * 1024;
    static constexpr int kDefaultKeep = 3;

    // `path`: the log file, its folder made (0700) if missing.
    explicit LogFile(std::string path, int64_t turnOverBytes = kDefaultTurnOverBytes, int keep = kDefaultKeep);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends `line` and a newline. False when it could not be written.
    bool write(const std::string& line);

    const std::string& path() const { return m_path; }
    // Why the file is not written (empty while it is).
    std::string problem() const;

    // $XDG_STATE_HOME/oculon/oculon.log, with ~/.local/state for an unset or
    // relative XDG_STATE_HOME as the base directory rules say; empty when
    // neither it nor HOME tells a folder.
    static std::string defaultPath();

private:
    bool openLocked(int64_t nowMs);
    void turnOverLocked();

    const std::string m_path;
    const int64_t m_turnOverBytes;
    const int m_keep;
    mutable std::mutex m_lock;
    // Guarded by m_lock:
    std::FILE* m_file = nullptr;
    int64_t m_size = 0;
    int64_t m_lastTryMs = -1;
    std::string m_problem;
};
