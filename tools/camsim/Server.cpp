#include "tools/camsim/Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "tools/camsim/Connection.h"

namespace camsim {

namespace {

int listenOn(const in_addr& address, int port, int& boundPort)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa {};
    sa.sin_family = AF_INET;
    sa.sin_addr = address;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 128) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    boundPort = ntohs(sa.sin_port);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

} // namespace

Server::Server(Config config)
    : m_config(std::move(config))
    , m_log(m_config.logFile, !m_config.quietLog)
{
    if (m_config.perCamera.size() != size_t(m_config.cameras))
        m_config.perCamera.assign(size_t(m_config.cameras), m_config.allFaults);
    const auto start = Clock::now();
    const std::chrono::duration<double> interval(1.0 / m_config.fps);
    for (int i = 0; i < m_config.cameras; ++i) {
        // An earlier start puts a camera's pictures earlier within each
        // interval (a later one would make its clock start in the future).
        const auto offset = m_config.spreadClocks ? interval * (double(i) / m_config.cameras) : interval * 0.0;
        m_cameras.push_back(std::make_unique<Camera>(
            i, m_config, m_maker, start - std::chrono::duration_cast<Clock::duration>(offset)));
    }
    m_perCamera.assign(size_t(m_config.cameras), 0);
}

Server::~Server() { stop(); }

bool Server::bindAll(std::string& error)
{
    std::string host = m_config.bind == "localhost" ? "127.0.0.1" : m_config.bind;
    in_addr address {};
    if (::inet_pton(AF_INET, host.c_str(), &address) != 1) {
        error = "not an IPv4 address: " + m_config.bind;
        return false;
    }
    auto closeAll = [&] {
        for (int fd : m_listenFds)
            ::close(fd);
        m_listenFds.clear();
        m_ports.clear();
    };
    // With port 0 the system picks camera 0's port; the others must follow
    // it, so a taken neighbour means trying again elsewhere.
    const int attempts = m_config.port == 0 ? 50 : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        int base = m_config.port;
        bool ok = true;
        for (int i = 0; i < m_config.cameras && ok; ++i) {
            const int wanted = (i == 0) ? base : base + i;
            if (i > 0 && wanted > 65535) {
                ok = false;
                break;
            }
            int bound = 0;
            const int fd = listenOn(address, wanted, bound);
            if (fd < 0) {
                ok = false;
                if (m_config.port != 0)
                    error = "cannot listen on " + host + ":" + std::to_string(wanted) + ": " + std::strerror(errno);
                break;
            }
            if (i == 0)
                base = bound;
            m_listenFds.push_back(fd);
            m_ports.push_back(bound);
        }
        if (ok)
            return true;
        closeAll();
    }
    if (error.empty())
        error = "no free range of " + std::to_string(m_config.cameras) + " ports";
    return false;
}

bool Server::start(std::string& error)
{
    if (m_started)
        return true;
    if (!m_log.ok()) {
        error = "cannot open the request log " + m_config.logFile;
        return false;
    }
    if (!bindAll(error))
        return false;
    for (size_t i = 0; i < m_cameras.size(); ++i) {
        m_cameras[i]->with([&](CameraState& s) {
            for (auto& [key, value] : s.ip)
                if (key == "Port")
                    value = std::to_string(m_ports[i]);
        });
    }
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "cannot create a pipe";
        return false;
    }
    m_started = true;
    m_acceptor = std::thread([this] { acceptLoop(); });
    return true;
}

std::string Server::listeningLine() const
{
    if (m_ports.empty())
        return "camsim: not listening";
    return "camsim: listening on " + (m_config.bind == "localhost" ? std::string("127.0.0.1") : m_config.bind) + ":"
        + std::to_string(m_ports.front()) + ".." + std::to_string(m_ports.back());
}

void Server::acceptLoop()
{
    std::vector<pollfd> fds;
    for (int fd : m_listenFds)
        fds.push_back({fd, POLLIN, 0});
    fds.push_back({m_wake[0], POLLIN, 0});
    while (!m_stopping) {
        if (::poll(fds.data(), fds.size(), 500) < 0 && errno != EINTR)
            break;
        for (size_t i = 0; i + 1 < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            for (;;) {
                const int fd = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0) {
                    // Out of descriptors or memory: the pending connection stays
                    // queued, so pause instead of spinning on it.
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                        waitUntil(Clock::now() + std::chrono::milliseconds(50));
                    break;
                }
                std::unique_lock lock(m_mutex);
                if (m_stopping || m_perCamera[i] >= m_config.maxConnections) {
                    lock.unlock();
                    static const char kBusy[] = "HTTP/1.0 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n";
                    [[maybe_unused]] auto n = ::send(fd, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                    ::close(fd);
                    continue;
                }
                ++m_perCamera[i];
                ++m_active;
                m_openFds.insert(fd);
                lock.unlock();
                try {
                    std::thread([this, fd, i] { serve(fd, int(i)); }).detach();
                } catch (const std::system_error&) {
                    // No thread to be had: refuse this one connection.
                    std::lock_guard undo(m_mutex);
                    m_openFds.erase(fd);
                    ::close(fd);
                    --m_perCamera[i];
                    --m_active;
                    m_cv.notify_all();
                }
            }
        }
    }
}

void Server::serve(int fd, int cameraIndex)
{
    {
        Connection connection(*this, camera(cameraIndex), fd);
        connection.run();
    }
    std::lock_guard lock(m_mutex);
    m_openFds.erase(fd);
    ::close(fd);
    --m_perCamera[size_t(cameraIndex)];
    --m_active;
    m_cv.notify_all();
}

bool Server::waitUntil(Clock::time_point when)
{
    std::unique_lock lock(m_mutex);
    m_cv.wait_until(lock, when, [this] { return m_stopping.load(); });
    return !m_stopping;
}

int Server::activeConnections()
{
    std::lock_guard lock(m_mutex);
    return m_active;
}

void Server::stop()
{
    if (!m_started)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        // Wakes blocked reads and sends; each thread closes its own socket.
        for (int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
        m_cv.notify_all();
    }
    [[maybe_unused]] auto n = ::write(m_wake[1], "x", 1);
    if (m_acceptor.joinable())
        m_acceptor.join();
    for (int fd : m_listenFds)
        ::close(fd);
    m_listenFds.clear();
    {
        // Every step of a connection is bounded, so this wait is too.
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_active == 0; });
    }
    ::close(m_wake[0]);
    ::close(m_wake[1]);
    m_started = false;
}

} // namespace camsim
