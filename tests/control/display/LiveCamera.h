#pragma once

// A control's live view fed by the real connection: camsim on loopback, a
// Session, and a Display whose new-frame handler is wired to the session's
// message target the way the control wires them.

#include "control/display/Display.h"
#include "control/display/DisplayOwner.h"
#include "control/session/Session.h"
#include "control/session/SessionOwner.h"
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

// The display wired to a session, as the control wires them, while it
// exists: WM_VID_NEWFRAME goes to the frame handler, the display's pane texts
// to the session's panes, the connection's state to the view's words. Made
// after both and gone before either.
class LiveViewWiring : public SessionOwner, public DisplayOwner {
public:
    LiveViewWiring(Session& session, Display& display) : m_session(session), m_display(display)
    {
        session.setMessageHandler(WM_VID_NEWFRAME, [&session, &display](const VidMessageArgs&) -> long {
            return display.handleNewFrame(*session.frame(), session.framesAnnounced(), session.frameRateX100(),
                                          session.frameRateWindow());
        });
        session.setOwner(this);
        display.setOwner(this);
    }
    ~LiveViewWiring() override
    {
        m_display.setOwner(nullptr);
        m_session.setOwner(nullptr);
    }
    LiveViewWiring(const LiveViewWiring&) = delete;
    LiveViewWiring& operator=(const LiveViewWiring&) = delete;

    // SessionOwner: only the link state matters to the view.
    void paneTextChanged(int, const std::string&) override { }
    void linkStateChanged(LinkState state, int attempt) override { m_display.setLinkState(state, attempt); }
    void connectReset() override { }
    void startAudio() override { }
    void stopAudio() override { }
    void loggedIn() override { }
    void statusBlock(std::string_view) override { }

    // DisplayOwner: the panes are the session's; the pictures' pacing is its
    // ShowIntervalTime.
    void paneText(int pane, const std::string& text) override { m_session.setPaneText(pane, text); }
    void layoutChanged(int) override { }
    void clickImage(int, int) override { }
    void clockWanted() override { }
    void hostExtent(QSize, QSize) override { }
    int pictureIntervalMs() override { return m_session.showIntervalTime(); }

private:
    Session& m_session;
    Display& m_display;
};

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
