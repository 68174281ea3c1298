#pragma once

// A control's live view fed by the real connection: camsim on loopback, a
// Session, and a Display whose new-frame handler is wired to the session's
// message target the way the control wires them.

#include "control/display/Display.h"
#include "control/session/Session.h"
#include "control/session/VidMessages.h"

#include "support/CamsimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace strovix::test {

// camsim as a child process on free ports, everyone taken as administrator.
// Started through posix_spawn (CamsimProcess), not QProcess: ThreadSanitizer
// cannot follow how QProcess starts a child and afterwards misses the
// synchronisation of the test's main thread, reporting races that are none.
class Camsim {
public:
    explicit Camsim(const std::vector<std::string>& extraArgs = {}) : m_process(withDefaults(extraArgs))
    {
        if (m_process.started())
            m_url = m_process.url();
    }

    // Empty when camsim did not start.
    const std::string& url() const { return m_url; }

private:
    static std::vector<std::string> withDefaults(std::vector<std::string> args)
    {
        // Programs without the test environment (the benchmarks) find camsim beside them.
        if (!std::getenv("OCULON_BUILD_BIN"))
            ::setenv("OCULON_BUILD_BIN", (QCoreApplication::applicationDirPath() + "/../bin").toLocal8Bit().constData(), 0);
        args.insert(args.begin(), {"--no-auth", "--serve-seconds", "120"});
        return args;
    }

    CamsimProcess m_process;
    std::string m_url;
};

// The display wired to a session: WM_VID_NEWFRAME goes to the frame handler,
// the display's pane texts to the session's panes, the connection's state to
// the view's words.
inline void wireLiveView(Session& session, Display& display)
{
    session.setMessageHandler(WM_VID_NEWFRAME, [&session, &display](const VidMessageArgs&) -> long {
        return display.handleNewFrame(*session.frame(), session.framesAnnounced(), session.frameRateX100(),
                                      session.frameRateWindow());
    });
    display.callbacks().paneText = [&session](int pane, const std::string& text) { session.setPaneText(pane, text); };
    display.callbacks().pictureIntervalMs = [&session] { return session.showIntervalTime(); };
    session.addLinkObserver([&display](LinkState state, int attempt) { display.setLinkState(state, attempt); });
}

// Runs the event loop until `done` holds or `timeoutMs` passed.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace strovix::test
