#pragma once

// Starts the camera simulator for a test and stops it when the object goes:
//
//   CamsimProcess cams({"--cameras", "2", "--audio-off"});
//   ASSERT_TRUE(cams.started());
//   ... cams.url(0) ... cams.requestLog() ...
//
// The simulator picks a free port range (--port 0) and writes its request log
// to a file of its own; the program comes from $OCULON_BUILD_BIN.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

class CamsimProcess {
public:
    static std::string program()
    {
        const char* bin = std::getenv("OCULON_BUILD_BIN");
        return std::string(bin ? bin : ".") + "/camsim";
    }
    static bool available() { return ::access(program().c_str(), X_OK) == 0; }

    explicit CamsimProcess(std::vector<std::string> args = {}, int startTimeoutMs = 10000)
    {
        char logName[] = "/tmp/camsim-log-XXXXXX";
        const int logFd = ::mkstemp(logName);
        if (logFd < 0)
            return;
        ::close(logFd);
        m_logFile = logName;

        std::vector<std::string> argv = {program(), "--port", "0", "--log", m_logFile};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (auto& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);

        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        const int rc = posix_spawn(&m_pid, cargv[0], &actions, nullptr, cargv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (rc != 0) {
            m_pid = -1;
            ::close(pipeFds[0]);
            return;
        }
        m_stderr = pipeFds[0];
        waitForListening(startTimeoutMs);
    }

    ~CamsimProcess() { stop(); }
    CamsimProcess(const CamsimProcess&) = delete;
    CamsimProcess& operator=(const CamsimProcess&) = delete;

    bool started() const { return m_firstPort > 0; }
    int port(int camera = 0) const { return m_firstPort + camera; }
    std::string url(int camera = 0) const { return "http://127.0.0.1:" + std::to_string(port(camera)); }

    // The request log so far, one line per request.
    std::vector<std::string> requestLog() const
    {
        std::ifstream in(m_logFile);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // How many logged requests with credentials (a client's first try without
    // them, answered 401, is not counted) have a target starting with `prefix`,
    // for camera `camera` or any when -1.
    int countRequests(const std::string& prefix, int camera = -1) const
    {
        int n = 0;
        for (const auto& line : requestLog()) {
            if (camera >= 0 && line.rfind("cam=" + std::to_string(camera) + " ", 0) != 0)
                continue;
            if (line.find(" user=- ") != std::string::npos)
                continue;
            const auto get = line.find(" GET ");
            if (get != std::string::npos && line.compare(get + 5, prefix.size(), prefix) == 0)
                ++n;
        }
        return n;
    }

    // Sends one GET to camera `camera` with the given login and returns the
    // reply's status code (0 when there was no answer within 10 s), e.g.
    // get(0, "/SimulateMotion.cgi").
    int get(int camera, const std::string& target, const std::string& user = "administrator",
            const std::string& password = "admin") const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return 0;
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(port(camera)));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string reply;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
            const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nAuthorization: Basic " +
                                        base64(user + ":" + password) + "\r\n\r\n";
            if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (reply.find("\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
                    pollfd p{fd, POLLIN, 0};
                    if (::poll(&p, 1, 100) <= 0)
                        continue;
                    char buf[256];
                    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                    if (n <= 0)
                        break;
                    reply.append(buf, size_t(n));
                }
            }
        }
        ::close(fd);
        // "HTTP/1.0 200 OK"
        const auto space = reply.find(' ');
        return space == std::string::npos ? 0 : std::atoi(reply.c_str() + space + 1);
    }

    void stop()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            for (int i = 0; i < 300 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i)
                ::usleep(10000);
            if (::waitpid(m_pid, &status, WNOHANG) == 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
            }
            m_pid = -1;
        }
        if (m_stderr >= 0) {
            ::close(m_stderr);
            m_stderr = -1;
        }
        if (!m_logFile.empty()) {
            ::unlink(m_logFile.c_str());
            m_logFile.clear();
        }
    }

private:
    static std::string base64(const std::string& in)
    {
        static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (size_t i = 0; i < in.size(); i += 3) {
            uint32_t v = uint32_t(uint8_t(in[i])) << 16;
            if (i + 1 < in.size())
                v |= uint32_t(uint8_t(in[i + 1])) << 8;
            if (i + 2 < in.size())
                v |= uint8_t(in[i + 2]);
            out += kDigits[v >> 18 & 63];
            out += kDigits[v >> 12 & 63];
            out += i + 1 < in.size() ? kDigits[v >> 6 & 63] : '=';
            out += i + 2 < in.size() ? kDigits[v & 63] : '=';
        }
        return out;
    }

    void waitForListening(int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string text;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_stderr, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buf[512];
            const ssize_t n = ::read(m_stderr, buf, sizeof buf);
            if (n <= 0)
                return;
            text.append(buf, static_cast<size_t>(n));
            const auto at = text.find("listening on ");
            if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
                const auto colon = text.find(':', at + 13);
                if (colon != std::string::npos)
                    m_firstPort = std::atoi(text.c_str() + colon + 1);
                return;
            }
        }
    }

    pid_t m_pid = -1;
    int m_stderr = -1;
    int m_firstPort = 0;
    std::string m_logFile;
};
