#pragma once

// A small blocking HTTP client for the camsim tests: every call is bounded
// by a time-out, so a misbehaving server fails a test instead of hanging it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/camsim/HttpRequest.h"

namespace camsim::test {

struct Response {
    int status = 0; // 0: no answer
    std::string head;
    std::string body;

    // The value of a reply header (name in lower case), or empty.
    std::string header(const std::string& lowerName) const
    {
        size_t pos = head.find("\r\n");
        while (pos != std::string::npos && pos + 2 < head.size()) {
            const size_t end = head.find("\r\n", pos + 2);
            const std::string line = head.substr(pos + 2, end - pos - 2);
            const size_t colon = line.find(':');
            std::string name = line.substr(0, colon);
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (colon != std::string::npos && name == lowerName)
                return line.substr(line.find_first_not_of(' ', colon + 1));
            pos = end;
        }
        return {};
    }
};

class Socket {
public:
    explicit Socket(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa {};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<uint16_t>(port));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    bool send(const std::string& data)
    {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::send(m_fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }

    // Reads what arrives within `timeoutMs`; returns the bytes read (empty on
    // time-out), and sets `closed` when the peer ended the connection.
    std::string readSome(int timeoutMs, bool& closed)
    {
        closed = false;
        pollfd p {m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return {};
        char buffer[65536];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed = true;
            return {};
        }
        return std::string(buffer, size_t(n));
    }

    // Reads until the peer closes, `limit` bytes arrived, or `timeoutMs` passed.
    std::string readAll(int timeoutMs, size_t limit, bool* closedOut = nullptr)
    {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        bool closed = false;
        while (!closed && out.size() < limit) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                break;
            out += readSome(int(left), closed);
        }
        if (closedOut)
            *closedOut = closed;
        return out;
    }

private:
    int m_fd = -1;
};

inline std::string authHeader(const std::string& user, const std::string& password)
{
    return "Authorization: Basic " + camsim::base64Encode(user + ":" + password) + "\r\n";
}

inline std::string requestText(const std::string& target, const std::string& user, const std::string& password)
{
    std::string text = "GET " + target + " HTTP/1.0\r\n";
    if (!user.empty())
        text += authHeader(user, password);
    return text + "\r\n";
}

inline Response splitResponse(const std::string& raw)
{
    Response r;
    const size_t end = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || end == std::string::npos)
        return r;
    r.head = raw.substr(0, end + 2);
    r.body = raw.substr(end + 4);
    r.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
    return r;
}

// One ordinary request; reads the whole reply (bounded by `timeoutMs`).
inline Response get(int port, const std::string& target, const std::string& user = "administrator",
                    const std::string& password = "admin", int timeoutMs = 20000)
{
    Socket s(port);
    if (!s.ok() || !s.send(requestText(target, user, password)))
        return {};
    return splitResponse(s.readAll(timeoutMs, 1 << 22));
}

} // namespace camsim::test
