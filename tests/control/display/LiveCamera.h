#pragma once

// A control's live view fed by the real connection: camsim on loopback, a
// Session, and a Display whose new-frame handler is wired to the session's
// message target the way the control wires them.

#include "control/display/Display.h"
#include "control/session/Session.h"
#include "control/session/VidMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <string>

namespace strovix::test {

// camsim as a child process; the port is chosen by camsim (a free one).
class Camsim {
public:
    explicit Camsim(const QStringList& extraArgs = {})
    {
        QString bin = QString::fromLocal8Bit(qgetenv("OCULON_BUILD_BIN"));
        if (bin.isEmpty())
            bin = QCoreApplication::applicationDirPath() + "/../bin";
        m_process.setProgram(bin + "/camsim");
        m_process.setArguments(QStringList{"--port", "0", "--no-auth", "--quiet", "--serve-seconds", "120"}
                               + extraArgs);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        QElapsedTimer clock;
        clock.start();
        QByteArray err;
        static const QRegularExpression listening("listening on ([0-9.]+):([0-9]+)");
        while (clock.elapsed() < 5000) {
            m_process.waitForReadyRead(200);
            err += m_process.readAllStandardError();
            const auto m = listening.match(QString::fromLocal8Bit(err));
            if (m.hasMatch()) {
                m_url = "http://" + m.captured(1).toStdString() + ":" + m.captured(2).toStdString();
                return;
            }
        }
    }
    ~Camsim()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

    // Empty when camsim did not start.
    const std::string& url() const { return m_url; }

private:
    QProcess m_process;
    std::string m_url;
};

// The display wired to a session: WM_VID_NEWFRAME goes to the frame handler,
// the display's pane texts to the session's panes.
inline void wireLiveView(Session& session, Display& display)
{
    session.setMessageHandler(WM_VID_NEWFRAME, [&session, &display](const VidMessageArgs&) -> long {
        return display.handleNewFrame(*session.frame(), session.framesAnnounced(), session.frameRateX100(),
                                      session.frameRateWindow());
    });
    display.callbacks().paneText = [&session](int pane, const std::string& text) { session.setPaneText(pane, text); };
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
