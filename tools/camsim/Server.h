#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/camsim/Camera.h"
#include "tools/camsim/Config.h"
#include "tools/camsim/PictureMaker.h"
#include "tools/camsim/RequestLog.h"

namespace camsim {

// The simulator: N cameras, each listening on its own port, one thread
// accepting for all of them and one thread per connection. Every blocking
// step of a connection is bounded (request time-out, send time-out, waits in
// slices), and stop() ends them all. Not copyable; start() and stop() from
// one thread.
class Server {
public:
    using Clock = std::chrono::steady_clock;

    explicit Server(Config config);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds every camera's port and starts accepting. False with `error` set
    // when a port cannot be had or the log cannot be opened.
    bool start(std::string& error);

    // Closes the ports, ends every connection and waits for their threads.
    void stop();

    const std::vector<int>& ports() const { return m_ports; }
    // "camsim: listening on ADDRESS:P..P+N-1"
    std::string listeningLine() const;

    Camera& camera(int index) { return *m_cameras.at(size_t(index)); }
    const Config& config() const { return m_config; }
    RequestLog& log() { return m_log; }

    // For connections: waits until `when` or a stop; false on a stop.
    bool waitUntil(Clock::time_point when);
    bool stopping() const { return m_stopping.load(); }

    // Connections being served now (all cameras).
    int activeConnections();

private:
    bool bindAll(std::string& error);
    void acceptLoop();
    void serve(int fd, int cameraIndex);

    Config m_config;
    PictureMaker m_maker;
    RequestLog m_log;
    std::vector<std::unique_ptr<Camera>> m_cameras;
    std::vector<int> m_listenFds;
    std::vector<int> m_ports;
    int m_wake[2] = {-1, -1};
    std::thread m_acceptor;
    std::atomic<bool> m_stopping {false};
    bool m_started = false;

    std::mutex m_mutex;
    std::condition_variable m_cv; // stop requests and connection ends
    // Guarded by m_mutex:
    std::set<int> m_openFds;
    std::vector<int> m_perCamera;
    int m_active = 0;
};

} // namespace camsim
