#include "tools/camsim/RequestLog.h"

namespace camsim {

RequestLog::RequestLog(const std::string& path, bool enabled)
{
    if (!enabled)
        return;
    if (path.empty()) {
        m_file = stdout;
        return;
    }
    m_file = std::fopen(path.c_str(), "a");
    m_ownsFile = m_file != nullptr;
    m_ok = m_file != nullptr;
}

RequestLog::~RequestLog()
{
    if (m_ownsFile)
        std::fclose(m_file);
}

std::string RequestLog::format(int camera, const std::string& user, const std::string& method, const std::string& target)
{
    std::string line = "cam=" + std::to_string(camera) + " user=" + (user.empty() ? "-" : user) + " " + method + " " + target;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    return line;
}

void RequestLog::write(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return;
    std::fputs(line.c_str(), m_file);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

} // namespace camsim
