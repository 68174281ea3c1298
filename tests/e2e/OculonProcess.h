#pragma once

// The oculon program as an operator starts it: a process of its own on a real
// X display (Qt's xcb platform), with an application folder of its own, as
// an ordinary user (nobody, when the tests run as root, with the folder
// handed to it) under the desktop's open-files limit of 1,024 (soft and
// hard, so the program cannot raise it).
//
//   TempDir home;
//   OculonProcess oculon(home, display);
//   oculon.configure(cams, 2, "REC_AT_START=1\n");
//   oculon.start();

#include "support/CamsimProcess.h"
#include "support/OrdinaryUser.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class OculonProcess {
public:
    OculonProcess(const TempDir& home, const std::string& display) : m_home(home), m_display(display)
    {
        std::filesystem::create_directories(home.file("etc"));
    }
    ~OculonProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    OculonProcess(const OculonProcess&) = delete;
    OculonProcess& operator=(const OculonProcess&) = delete;

    static std::string program() { return std::string(std::getenv("OCULON_BUILD_BIN")) + "/oculon"; }

    // config.ini with the 4x4 layout and camera sections for the first
    // `count` camsim cameras; `extra` is added to each section, or to the
    // first `extraFor` sections when given.
    void configure(const CamsimProcess& cams, int count, const std::string& extra = {}, int extraFor = -1) const
    {
        std::string text = "[App]\nVIEWER_LAYOUT=16\n";
        for (int i = 0; i < count; ++i)
            text += "[Camera" + std::to_string(i + 1) + "]\nIP=127.0.0.1\nPORT=" + std::to_string(cams.port(i)) +
                    "\nDISPLAY_LOCATION=Cam " + std::to_string(i + 1) + "\n" +
                    (extraFor < 0 || i < extraFor ? extra : std::string());
        std::ofstream(m_home.file("etc/config.ini")) << text;
    }

    void start(const QStringList& args = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(m_display));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("WAYLAND_DISPLAY");
        // The program paints with the raster engine; no GL library is loaded.
        env.insert("QT_XCB_GL_INTEGRATION", "none");
        env.insert("OCULON_HOME", QString::fromStdString(m_home.path()));
        env.insert("OCULON_BOX_LOG", QString::fromStdString(m_home.file("boxes.log")));
        // The log stays with the test, whoever runs the program.
        env.insert("XDG_STATE_HOME", QString::fromStdString(m_home.file("state")));
        if (m_watchMs > 0)
            env.insert("OCULON_WATCH_MS", QString::number(m_watchMs));
        QStringList command = {"--nofile=" + QString::number(kOpenFilesLimit), "--"};
        const bool asOrdinaryUser = ::geteuid() == 0 && runsAsOrdinaryUser();
        if (::geteuid() == 0 && !asOrdinaryUser)
            std::fprintf(stderr, "oculon runs as root: an ordinary user cannot reach %s\n", program().c_str());
        if (asOrdinaryUser) {
            // The user's own folders all lie in the application folder's parent.
            const QString home = QString::fromStdString(m_home.path());
            env.insert("HOME", home);
            env.insert("XDG_CONFIG_HOME", home + "/config");
            env.insert("XDG_DATA_HOME", home + "/data");
            env.insert("XDG_CACHE_HOME", home + "/cache");
            std::filesystem::create_directories(m_home.file("runtime"));
            std::filesystem::permissions(m_home.file("runtime"), std::filesystem::perms::owner_all);
            env.insert("XDG_RUNTIME_DIR", home + "/runtime");
            handToOrdinaryUser(m_home.path());
            command = QStringList{"--reuid=" + QString::number(kOrdinaryUid), "--regid=" + QString::number(kOrdinaryGid),
                                  "--clear-groups", "--", "prlimit"} + command;
        }
        command << QString::fromStdString(program()) << args;
        m_process.setProcessEnvironment(env);
        m_process.start(asOrdinaryUser ? "setpriv" : "prlimit", command);
        m_process.waitForStarted(10000);
    }

    static constexpr int kOpenFilesLimit = 1024;

    // Whether the program runs with an ordinary user's rights: the tests run
    // as one, or as root with the program reachable for nobody.
    static bool runsAsOrdinaryUser() { return ::geteuid() != 0 || reachableByOthers(program()); }

    // Whether a user other than the owner can run `file`: every folder on
    // the way searchable by others, the file readable and runnable by them
    // (a build below a private home is not).
    static bool reachableByOthers(const std::string& file)
    {
        std::error_code ec;
        std::filesystem::path path = std::filesystem::absolute(file, ec);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || (st.st_mode & (S_IROTH | S_IXOTH)) != (S_IROTH | S_IXOTH))
            return false;
        for (path = path.parent_path(); !path.empty(); path = path.parent_path()) {
            if (::stat(path.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH))
                return false;
            if (path == path.root_path())
                break;
        }
        return true;
    }

    // The descriptors the program holds now (-1 when it is not running).
    int descriptors() const
    {
        std::error_code ec;
        const auto folder = "/proc/" + std::to_string(m_process.processId()) + "/fd";
        int count = 0;
        for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
             it.increment(ec))
            ++count;
        return ec || !running() ? -1 : count;
    }

    // The program's watch timer ticks every `ms` instead of every 30 s.
    void shortenWatchTimer(int ms) { m_watchMs = ms; }

    bool running() const { return m_process.state() == QProcess::Running; }
    bool finished(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    int exitCode() const { return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1; }
    void terminate() { m_process.terminate(); }
    // SIGKILL: no shut-down of any kind runs.
    void kill() { m_process.kill(); }
    // What the program wrote to standard error so far.
    std::string errors()
    {
        m_errors += m_process.readAllStandardError().toStdString();
        return m_errors;
    }

    // The message boxes shown, one line each: icon|buttons|caption|text.
    std::vector<std::string> boxes() const
    {
        std::ifstream in(m_home.file("boxes.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    const TempDir& m_home;
    std::string m_display;
    int m_watchMs = 0;
    QProcess m_process;
    std::string m_errors;
};
