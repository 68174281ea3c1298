#pragma once

// A loopback HTTP server for tests that replays exact byte scripts: it
// records every request head it receives, answers by request target with a
// script of steps (send bytes, optionally in small pieces with gaps; pause;
// generate an endless body; hold the connection open without answering;
// close; reset), and can refuse to answer at all. Each connection runs on its own
// thread; everything stops and joins when the server goes.
//
//   ScriptedHttpServer server;                       // port chosen by the OS
//   server.on("/GetMyself.cgi", Script().send(ScriptedHttpServer::reply(200, "administrator")));
//   server.once("/GetData.cgi", Script().send(head).send(body, 75, 5));
//   ... server.url() ... server.requestTargets() ...

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedHttpServer {
public:
    struct Step {
        enum class Kind { Send, Pause, Generate, Hold, Close, Reset } kind = Kind::Send;
        std::string bytes;
        size_t piece = 0; // Send: bytes per write, 0 = all at once
        int gapMs = 0;    // Send: pause between pieces; Generate: between calls
        int ms = 0;       // Pause
        // Generate: called with 0, 1, 2, ... until it returns an empty string.
        std::function<std::string(size_t)> generate;
    };

    class Script {
    public:
        Script& send(std::string bytes, size_t piece = 0, int gapMs = 0)
        {
            Step s;
            s.bytes = std::move(bytes);
            s.piece = piece;
            s.gapMs = gapMs;
            m_steps.push_back(std::move(s));
            return *this;
        }
        Script& pause(int ms)
        {
            Step s;
            s.kind = Step::Kind::Pause;
            s.ms = ms;
            m_steps.push_back(std::move(s));
            return *this;
        }
        Script& generate(std::function<std::string(size_t)> fn, int gapMs = 0)
        {
            Step s;
            s.kind = Step::Kind::Generate;
            s.generate = std::move(fn);
            s.gapMs = gapMs;
            m_steps.push_back(std::move(s));
            return *this;
        }
        // Keeps the connection open, sending nothing more, until the client
        // closes it or the server stops.
        Script& hold()
        {
            Step s;
            s.kind = Step::Kind::Hold;
            m_steps.push_back(std::move(s));
            return *this;
        }
        // Ends the connection with a reset instead of an orderly close.
        Script& reset()
        {
            Step s;
            s.kind = Step::Kind::Reset;
            m_steps.push_back(std::move(s));
            return *this;
        }
        const std::vector<Step>& steps() const { return m_steps; }

    private:
        std::vector<Step> m_steps;
    };

    // A whole reply: status line, optional Content-Length, extra header lines
    // (each ending in "\r\n"), blank line, body.
    static std::string reply(int status, const std::string& body, bool withLength = true,
                             const std::string& extraHeaders = {})
    {
        std::string head = "HTTP/1.0 " + std::to_string(status) + " " + reasonOf(status) + "\r\n";
        if (withLength)
            head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        head += extraHeaders;
        head += "\r\n";
        return head + body;
    }

    static std::string reasonOf(int status)
    {
        switch (status) {
        case 200: return "OK";
        case 401: return "Unauthorized";
        case 404: return "Not Found";
        case 407: return "Proxy Authentication Required";
        case 503: return "Service Unavailable";
        default: return "Status";
        }
    }

    // `port` 0: chosen by the system. Aborts the test process when the port
    // cannot be bound (tests pick free ports or 0).
    explicit ScriptedHttpServer(uint16_t port = 0)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 64) != 0)
            std::abort();
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }

    ~ScriptedHttpServer() { stop(); }
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    // Closes the listening socket and every connection, joins all threads.
    void stop()
    {
        if (m_stop.exchange(true))
            return;
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        if (m_acceptor.joinable())
            m_acceptor.join();
        std::vector<std::thread> threads;
        {
            std::lock_guard g(m_lock);
            threads.swap(m_threads);
        }
        for (auto& t : threads)
            t.join();
    }

    uint16_t port() const { return m_port; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    // Every request whose target starts with `prefix` gets `script` (the
    // longest matching prefix wins), after the one-shot scripts of `once`.
    void on(const std::string& prefix, Script script)
    {
        std::lock_guard g(m_lock);
        m_routes[prefix].always = std::make_shared<Script>(std::move(script));
    }
    // The next request with this prefix gets `script`, once.
    void once(const std::string& prefix, Script script)
    {
        std::lock_guard g(m_lock);
        m_routes[prefix].queue.push_back(std::move(script));
    }
    // Connections are accepted but nothing is read or answered.
    void setSilent(bool silent) { m_silent = silent; }

    // Request heads as received (request line and headers, without the
    // blank line), in arrival order.
    std::vector<std::string> requests() const
    {
        std::lock_guard g(m_lock);
        return m_requests;
    }
    std::vector<std::string> requestTargets() const
    {
        std::vector<std::string> out;
        for (const auto& r : requests()) {
            const size_t a = r.find(' ');
            const size_t b = a == std::string::npos ? a : r.find(' ', a + 1);
            out.push_back(b == std::string::npos ? std::string() : r.substr(a + 1, b - a - 1));
        }
        return out;
    }
    size_t connections() const { return m_connections.load(); }
    // Waits until at least `n` requests were received; false on time-out.
    bool waitForRequests(size_t n, int timeoutMs) const
    {
        std::unique_lock g(m_lock);
        return m_cv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m_requests.size() >= n; });
    }

private:
    struct Route {
        std::deque<Script> queue;
        std::shared_ptr<Script> always;
    };

    void acceptLoop()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ++m_connections;
            std::lock_guard g(m_lock);
            m_threads.emplace_back([this, fd] {
                serve(fd);
                ::close(fd);
            });
        }
    }

    // Waits up to `ms` for the stop or for the peer to close; true when the
    // connection should end.
    bool idle(int fd, int ms)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!m_stop) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                return false;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50))) > 0) {
                char c[256];
                if (::recv(fd, c, sizeof c, MSG_DONTWAIT) == 0)
                    return true; // peer closed
            }
        }
        return true;
    }

    bool writeAll(int fd, const char* p, size_t n)
    {
        while (n > 0 && !m_stop) {
            pollfd q{fd, POLLOUT, 0};
            if (::poll(&q, 1, 50) <= 0)
                continue;
            const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
            if (w <= 0)
                return false;
            p += w;
            n -= static_cast<size_t>(w);
        }
        return n == 0;
    }

    bool sendBytes(int fd, const std::string& bytes, size_t piece, int gapMs)
    {
        if (piece == 0)
            return writeAll(fd, bytes.data(), bytes.size());
        for (size_t off = 0; off < bytes.size(); off += piece) {
            if (!writeAll(fd, bytes.data() + off, std::min(piece, bytes.size() - off)))
                return false;
            if (gapMs > 0 && off + piece < bytes.size() && idle(fd, gapMs))
                return false;
        }
        return true;
    }

    void serve(int fd)
    {
        if (m_silent) {
            while (!idle(fd, 50)) {
            }
            return;
        }
        std::string head;
        char buf[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            if (m_stop)
                return;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
            if (r <= 0)
                return;
            head.append(buf, static_cast<size_t>(r));
        }
        head = head.substr(0, head.find("\r\n\r\n"));
        const size_t a = head.find(' ');
        const size_t b = a == std::string::npos ? a : head.find(' ', a + 1);
        const std::string target = b == std::string::npos ? std::string() : head.substr(a + 1, b - a - 1);

        Script script;
        bool found = false;
        {
            std::lock_guard g(m_lock);
            m_requests.push_back(head);
            size_t best = 0;
            Route* route = nullptr;
            for (auto& [prefix, r] : m_routes)
                if (target.compare(0, prefix.size(), prefix) == 0 && prefix.size() >= best) {
                    best = prefix.size();
                    route = &r;
                }
            if (route && !route->queue.empty()) {
                script = std::move(route->queue.front());
                route->queue.pop_front();
                found = true;
            } else if (route && route->always) {
                script = *route->always;
                found = true;
            }
        }
        m_cv.notify_all();
        if (!found)
            script.send(reply(404, "not found"));

        for (const auto& step : script.steps()) {
            if (m_stop)
                return;
            switch (step.kind) {
            case Step::Kind::Send:
                if (!sendBytes(fd, step.bytes, step.piece, step.gapMs))
                    return;
                break;
            case Step::Kind::Pause:
                if (idle(fd, step.ms))
                    return;
                break;
            case Step::Kind::Generate:
                for (size_t i = 0;; ++i) {
                    const std::string chunk = step.generate(i);
                    if (chunk.empty() || !writeAll(fd, chunk.data(), chunk.size()))
                        break;
                    if (step.gapMs > 0 && idle(fd, step.gapMs))
                        return;
                }
                break;
            case Step::Kind::Hold:
                while (!idle(fd, 50)) {
                }
                return;
            case Step::Kind::Close:
                return;
            case Step::Kind::Reset: {
                const linger abrupt{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
                return;
            }
            }
        }
        ::shutdown(fd, SHUT_WR);
        // Let the client read everything before the socket goes.
        idle(fd, 200);
    }

    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_silent{false};
    std::atomic<size_t> m_connections{0};
    std::thread m_acceptor;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_cv;
    std::vector<std::thread> m_threads;
    std::map<std::string, Route> m_routes;
    std::vector<std::string> m_requests;
};
