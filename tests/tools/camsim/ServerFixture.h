#pragma once

// Starts an in-process camsim on free loopback ports for one test.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestClient.h"
#include "tools/camsim/Server.h"

namespace camsim::test {

inline std::unique_ptr<Server> startServer(std::vector<std::string> args)
{
    std::vector<const char*> argv {"camsim", "--port", "0"};
    bool logGiven = false;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
        logGiven = logGiven || a == "--log";
    }
    if (!logGiven)
        argv.push_back("--quiet");
    std::string message;
    bool help = false;
    auto config = parseCommandLine(int(argv.size()), argv.data(), message, help);
    if (!config) {
        ADD_FAILURE() << message;
        return nullptr;
    }
    auto server = std::make_unique<Server>(std::move(*config));
    std::string error;
    if (!server->start(error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    return server;
}

// Reads a picture stream part by part.
class StreamReader {
public:
    struct Part {
        std::string headers; // "Content-Type: ...\r\n\r\n"
        std::string data;
    };

    StreamReader(int port, const std::string& target, const std::string& user = "administrator",
                 const std::string& password = "admin")
        : m_socket(port)
    {
        if (m_socket.ok())
            m_socket.send(requestText(target, user, password));
    }

    // The reply head, once it arrived (empty on time-out).
    std::string head(int timeoutMs = 20000)
    {
        while (m_headLength == std::string::npos) {
            const size_t end = m_raw.find("\r\n\r\n");
            if (end != std::string::npos) {
                m_headLength = end + 4;
                m_pos = m_headLength;
            } else if (!fill(timeoutMs)) {
                return {};
            }
        }
        return m_raw.substr(0, m_headLength);
    }

    // The next complete part; false when the stream ended or `timeoutMs` passed.
    bool next(Part& part, int timeoutMs = 20000)
    {
        if (head(timeoutMs).empty())
            return false;
        static const std::string kBoundary = "--ipcamera\r\n";
        for (;;) {
            if (m_raw.compare(m_pos, kBoundary.size(), kBoundary) == 0) {
                const size_t headersEnd = m_raw.find("\r\n\r\n", m_pos + kBoundary.size());
                const size_t nextBoundary
                    = headersEnd == std::string::npos ? std::string::npos : m_raw.find(kBoundary, headersEnd + 4);
                if (nextBoundary != std::string::npos) {
                    part.headers = m_raw.substr(m_pos + kBoundary.size(), headersEnd + 4 - m_pos - kBoundary.size());
                    part.data = m_raw.substr(headersEnd + 4, nextBoundary - headersEnd - 4);
                    if (part.data.size() >= 2 && part.data.compare(part.data.size() - 2, 2, "\r\n") == 0)
                        part.data.resize(part.data.size() - 2);
                    m_pos = nextBoundary;
                    return true;
                }
            } else if (m_raw.size() >= m_pos + kBoundary.size()) {
                ADD_FAILURE() << "stream out of step: " << m_raw.substr(m_pos, 40);
                return false;
            }
            if (!fill(timeoutMs)) {
                // The last part of a stream that ended runs to the end of the body.
                const size_t headersEnd = m_raw.find("\r\n\r\n", m_pos + kBoundary.size());
                if (!m_closed || m_raw.compare(m_pos, kBoundary.size(), kBoundary) != 0 || headersEnd == std::string::npos)
                    return false;
                part.headers = m_raw.substr(m_pos + kBoundary.size(), headersEnd + 4 - m_pos - kBoundary.size());
                part.data = m_raw.substr(headersEnd + 4);
                if (part.data.size() >= 2 && part.data.compare(part.data.size() - 2, 2, "\r\n") == 0)
                    part.data.resize(part.data.size() - 2);
                m_pos = m_raw.size();
                return true;
            }
        }
    }

    // Body bytes received so far (after the reply head).
    std::string body() const
    {
        return m_headLength == std::string::npos ? std::string() : m_raw.substr(m_headLength);
    }
    bool closed() const { return m_closed; }

    // Waits up to `timeoutMs` for more bytes; false if none came.
    bool fill(int timeoutMs)
    {
        if (m_closed)
            return false;
        bool closed = false;
        const std::string more = m_socket.readSome(timeoutMs, closed);
        m_closed = closed;
        m_raw += more;
        if (m_headLength == std::string::npos) {
            if (const size_t end = m_raw.find("\r\n\r\n"); end != std::string::npos) {
                m_headLength = end + 4;
                m_pos = m_headLength;
            }
        }
        return !more.empty();
    }

private:
    Socket m_socket;
    std::string m_raw; // everything received
    size_t m_headLength = std::string::npos;
    size_t m_pos = 0; // parse position of next()
    bool m_closed = false;
};

} // namespace camsim::test
