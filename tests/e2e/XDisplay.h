#pragma once

// A real X server for one end-to-end test: an Xvfb display of its own,
// 1024 x 768 (the size the main window is designed for), started on the first
// free display number (Xvfb -displayfd) and stopped when the object goes.
// What the test sees and does on it goes through ordinary X clients: ffmpeg
// captures the screen, xdotool moves the pointer and clicks.
//
//   XDisplay x;
//   ASSERT_TRUE(x.started()) << x.error();
//   QImage screen = x.capture();
//   x.click(x.find(screen, QImage(picture))->center());

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

class XDisplay {
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

    explicit XDisplay(int startTimeoutMs = 30000)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            m_error = "no pipe";
            return;
        }
        // The display number comes back on descriptor 3 of the server.
        const std::string screen = std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24";
        std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int rc = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0) {
            m_pid = -1;
            m_error = "Xvfb could not be started (is the xvfb package installed?)";
            ::close(fds[0]);
            return;
        }
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startTimeoutMs);
        while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buf[32];
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            number.append(buf, static_cast<size_t>(n));
        }
        ::close(fds[0]);
        if (number.find('\n') == std::string::npos) {
            m_error = "Xvfb named no display";
            return;
        }
        m_display = ":" + number.substr(0, number.find('\n'));
    }

    ~XDisplay()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 500 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            ::usleep(10000);
        if (::waitpid(m_pid, &status, WNOHANG) == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
    }
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool started() const { return !m_display.empty(); }
    const std::string& error() const { return m_error; }
    // ":N", for DISPLAY.
    const std::string& name() const { return m_display; }

    // The whole screen as it is now, without the pointer; a null image when
    // the capture failed.
    QImage capture() const
    {
        QTemporaryDir folder;
        const QString file = folder.filePath("screen.png");
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-v", "error", "-f", "x11grab", "-draw_mouse", "0", "-video_size",
                                QString("%1x%2").arg(kWidth).arg(kHeight), "-i", QString::fromStdString(m_display),
                                "-frames:v", "1", "-y", file});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            return {};
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    // Moves the pointer to `at` and clicks the left button there.
    bool click(QPoint at) const
    {
        return xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }

    // Moves the pointer to `at` and turns the wheel `notches` notches, up
    // (away from the operator) when positive.
    bool wheel(QPoint at, int notches) const
    {
        return xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "--repeat",
                        QString::number(std::abs(notches)), "--delay", "50", notches > 0 ? "4" : "5"});
    }

    // Where `picture` appears pixel for pixel on `screen` (the first place from
    // the top left), allowing a small difference per colour channel.
    static std::optional<QRect> find(const QImage& screen, const QImage& picture, int tolerance = 6)
    {
        const std::vector<QRect> all = findAll(screen, picture, tolerance, 1);
        if (all.empty())
            return std::nullopt;
        return all.front();
    }

    // Every place `picture` appears (top to bottom, left to right; places do
    // not overlap), at most `most`.
    static std::vector<QRect> findAll(const QImage& screen, const QImage& picture, int tolerance = 6, int most = 64)
    {
        std::vector<QRect> found;
        const QImage s = screen.convertToFormat(QImage::Format_RGB32);
        const QImage p = picture.convertToFormat(QImage::Format_RGB32);
        if (p.isNull() || s.isNull())
            return found;
        const auto close = [tolerance](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
                   std::abs(qBlue(a) - qBlue(b)) <= tolerance;
        };
        for (int y = 0; y + p.height() <= s.height(); ++y)
            for (int x = 0; x + p.width() <= s.width(); ++x) {
                bool same = true;
                for (int py = 0; same && py < p.height(); ++py) {
                    const auto* sl = reinterpret_cast<const QRgb*>(s.constScanLine(y + py)) + x;
                    const auto* pl = reinterpret_cast<const QRgb*>(p.constScanLine(py));
                    for (int px = 0; same && px < p.width(); ++px)
                        same = close(sl[px], pl[px]);
                }
                const QRect place(x, y, p.width(), p.height());
                if (same && std::none_of(found.begin(), found.end(), [&](const QRect& r) { return r.intersects(place); })) {
                    found.push_back(place);
                    if (static_cast<int>(found.size()) >= most)
                        return found;
                }
            }
        return found;
    }

private:
    bool xdotool(const QStringList& args) const
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(m_display));
        tool.setProcessEnvironment(env);
        tool.start("xdotool", args);
        return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    }

    pid_t m_pid = -1;
    std::string m_display;
    std::string m_error;
};
