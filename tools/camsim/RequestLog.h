#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace camsim {

// The request log: one line per request received by any camera, written and
// flushed at once so a test can read it while camsim runs:
//
//   cam=<camera index from 0> user=<authenticated user, or -> <method> <target>
//
// for example "cam=0 user=administrator GET /GetStatus.cgi". The target is
// byte for byte what the client sent (blanks included); only control
// characters, which cannot occur in a parsed request line, would be replaced.
// Thread-safe.
class RequestLog {
public:
    // Writes to `path`, or standard output when empty; `enabled` false writes nothing.
    RequestLog(const std::string& path, bool enabled);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool ok() const { return m_ok; }

    static std::string format(int camera, const std::string& user, const std::string& method, const std::string& target);
    void write(const std::string& line);

private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr; // guarded by m_mutex
    bool m_ownsFile = false;
    bool m_ok = true;
};

} // namespace camsim
