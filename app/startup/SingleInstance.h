#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>
#include <string>

class QLocalServer;

// Keeps a second copy of the program from running on the same application
// folder. The first instance holds a lock file and listens on a local socket,
// both named after the user and the application folder, so two users, or
// two private folders (tests, demos), never see each other. A later start
// finds the lock held, and may send "raise" over the socket before it gives up. A lock
// left by a crashed instance names a process that is gone and is taken over;
// its socket file is removed before listening. GUI thread only.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `runtimeFolder` holds the lock and the socket; empty means the user's
    // runtime folder when it is private (0700, the user's own), otherwise
    // <cache folder>/oculon/run, made 0700. Never a shared folder.
    explicit SingleInstance(const std::string& applicationFolder, const std::string& runtimeFolder = {});
    ~SingleInstance() override;

    // The name both files carry: "oculon-<uid>-<hash of the folder>".
    static std::string keyFor(const std::string& applicationFolder);

    // True when this is the only instance: the lock is held and the socket
    // listens from now on. False when another instance holds the lock.
    bool acquire();
    bool isPrimary() const { return m_primary; }
    // Asks the instance holding the lock to show its window; false when it
    // could not be reached (it answers from its event loop within 2 s).
    bool askPrimaryToRaise();

    const std::string& lockPath() const { return m_lockPath; }
    const std::string& socketPath() const { return m_socketPath; }

signals:
    // Another start asked this instance to show its window.
    void raiseRequested();

private:
    void onConnection();

    std::string m_lockPath;
    std::string m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_primary = false;
    int m_connections = 0; // requests being served
};
