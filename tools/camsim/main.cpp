// camsim: simulated network cameras for the tests and the demo. See --help.
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "tools/camsim/Config.h"
#include "tools/camsim/Server.h"

int main(int argc, char** argv)
{
    std::string message;
    bool helpOnly = false;
    auto config = camsim::parseCommandLine(argc, argv, message, helpOnly);
    if (!config) {
        std::fputs(message.c_str(), helpOnly ? stdout : stderr);
        if (!helpOnly)
            std::fputc('\n', stderr);
        return helpOnly ? 0 : 2;
    }
    // The signals that end the program are taken by this thread alone; every
    // thread started later inherits the blocked mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    camsim::Server server(std::move(*config));
    std::string error;
    if (!server.start(error)) {
        std::fprintf(stderr, "camsim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "%s\n", server.listeningLine().c_str());
    std::fflush(stderr);

    const double serveSeconds = server.config().serveSeconds;
    timespec limit {};
    if (serveSeconds > 0) {
        limit.tv_sec = static_cast<time_t>(serveSeconds);
        limit.tv_nsec = static_cast<long>((serveSeconds - double(limit.tv_sec)) * 1e9);
    }
    for (;;) {
        const int sig = serveSeconds > 0 ? sigtimedwait(&endSignals, nullptr, &limit) : sigwaitinfo(&endSignals, nullptr);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        if (sig < 0 && errno == EAGAIN)
            break; // served long enough
    }
    server.stop();
    return 0;
}
