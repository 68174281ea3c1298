#include "app/log/LogFile.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t kRetryMs = 60'000;

int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

LogFile::LogFile(std::string path, int64_t turnOverBytes, int keep)
    : m_path(std::move(path)), m_turnOverBytes(turnOverBytes), m_keep(keep)
{
    std::lock_guard g(m_lock);
    openLocked(steadyMs());
}

LogFile::~LogFile()
{
    if (m_file)
        std::fclose(m_file);
}

std::string LogFile::defaultPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/oculon/oculon.log";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/state/oculon/oculon.log";
    return {};
}

std::string LogFile::problem() const
{
    std::lock_guard g(m_lock);
    return m_problem;
}

bool LogFile::openLocked(int64_t nowMs)
{
    m_lastTryMs = nowMs;
    if (m_path.empty()) {
        m_problem = "no folder for the log (neither XDG_STATE_HOME nor HOME is set)";
        return false;
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (!ec)
            ::chmod(folder.c_str(), 0700);
    }
    // Not a link planted in our folder: the log only ever lands in its file.
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_problem = m_path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        m_problem = m_path + ": not a regular file";
        return false;
    }
    m_file = ::fdopen(fd, "a");
    if (!m_file) {
        ::close(fd);
        m_problem = m_path + ": " + std::strerror(errno);
        return false;
    }
    m_size = st.st_size;
    m_problem.clear();
    return true;
}

void LogFile::turnOverLocked()
{
    std::fclose(m_file);
    m_file = nullptr;
    // NAME.<keep> goes; every other old file moves one up; NAME becomes NAME.1.
    for (int i = m_keep; i >= 1; --i) {
        const std::string from = i == 1 ? m_path : m_path + "." + std::to_string(i - 1);
        const std::string to = m_path + "." + std::to_string(i);
        std::rename(from.c_str(), to.c_str());
    }
    if (m_keep < 1)
        std::remove(m_path.c_str());
    openLocked(steadyMs());
}

bool LogFile::write(const std::string& line)
{
    std::lock_guard g(m_lock);
    if (!m_file) {
        const int64_t now = steadyMs();
        if (now - m_lastTryMs < kRetryMs || !openLocked(now))
            return false;
    }
    const int64_t bytes = int64_t(line.size()) + 1;
    if (m_size > 0 && m_size + bytes > m_turnOverBytes) {
        turnOverLocked();
        if (!m_file)
            return false;
    }
    const bool ok = std::fwrite(line.data(), 1, line.size(), m_file) == line.size() && std::fputc('\n', m_file) != EOF
                    && std::fflush(m_file) == 0;
    if (!ok) {
        m_problem = m_path + ": " + std::strerror(errno);
        std::fclose(m_file);
        m_file = nullptr;
        return false;
    }
    m_size += bytes;
    return true;
}
