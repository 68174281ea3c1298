#pragma once

// Shared pieces of the session tests: a Qt application for the message
// target, a pump for the window thread, and a scripted camera.

#include "control/session/Session.h"
#include "control/stream/StreamTestData.h"
#include "support/RecordingSessionOwner.h"
#include "support/ScriptedHttpServer.h"

#include <QCoreApplication>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace sessiontest {

inline QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "session-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = new QCoreApplication(argc, argv);
    return *a;
}

// Runs the window thread's events until `done` holds or `timeoutMs` passed.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    app();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    QCoreApplication::processEvents();
    return done();
}

inline void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}

inline long msSince(std::chrono::steady_clock::time_point t)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count());
}

// A loopback port nobody listens on (for the moment): connections to it are
// refused.
inline int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// The put of an address nobody listens on: 1, the camera cannot be
// reached, unless the put's wait for that answer ran out first (a machine
// too loaded to see a refusal within it), which then returns 0.
inline ::testing::AssertionResult refusedPut(int result, long putMs)
{
    if (result == 1 || (result == 0 && putMs >= strovix::Session::kProbeWaitMs - 5))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "put gave " << result << " after " << putMs << " ms";
}

using Script = ScriptedHttpServer::Script;

inline const std::string kStreamHead =
    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=boundary\r\n\r\n";

// A camera on loopback that answers every request of a connection: status,
// user name, version, capability and an endless stream of 640x480 pictures
// every `gapMs`.
class ScriptedCamera {
public:
    explicit ScriptedCamera(const std::string& user = "administrator", int gapMs = 40)
    {
        using streamtest::picture;
        using streamtest::statusBlock;
        using streamtest::streamPart;
        server.on("/GetStatus.cgi", Script().send(ScriptedHttpServer::reply(200, statusBlock())));
        setUser(user);
        server.on("/GetVer.cgi", Script().send(ScriptedHttpServer::reply(200, "CamVer = 506\n")));
        server.on("/GetCapability.cgi", Script().send(ScriptedHttpServer::reply(200, "Resolution = 36\nQuality = 3\n")));
        server.on("/GetData.cgi", Script().send(kStreamHead).generate(
                                      [](size_t i) {
                                          return streamPart(picture(640, 480, 6000 + i % 7 * 100, static_cast<unsigned>(i)));
                                      },
                                      gapMs));
    }
    void setUser(const std::string& user)
    {
        server.on("/GetMyself.cgi", Script().send(ScriptedHttpServer::reply(200, user)));
    }
    size_t count(const std::string& prefix) const
    {
        size_t n = 0;
        for (const auto& t : server.requestTargets())
            n += t.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    std::string url() const { return server.url(); }

    ScriptedHttpServer server;
};

// Records the pane texts (and every other report) of a session, in order.
using PaneLog = strovix::test::RecordingSessionOwner;

} // namespace sessiontest
