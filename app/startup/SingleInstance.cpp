#include "app/startup/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kRaiseRequest[] = "raise\n";
// How long a second start waits for the first to take its request; the first
// answers from its event loop, which a modal box of its own keeps running.
constexpr int kRequestTimeoutMs = 2000;
// A request is one short line; anything longer is not one of ours.
constexpr qint64 kMaxRequestBytes = 256;
// Connections served at once; a later one is closed at once.
constexpr int kMaxConnections = 8;

// A folder only this user can enter: ours, a folder, mode 0700.
bool isPrivateFolder(const std::string& folder)
{
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
        && (st.st_mode & 0077) == 0;
}

// The user's runtime folder when it is private; otherwise a folder of our
// own below the user's cache folder, made private. Never a shared folder
// such as /tmp, where another user could plant a lock under our name.
std::string runtimeFolderOrDefault(const std::string& folder)
{
    if (!folder.empty())
        return folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && isPrivateFolder(runtime))
        return runtime;
    const std::string own =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toStdString() + "/oculon/run";
    QDir().mkpath(QString::fromStdString(own));
    struct stat st {};
    if (::lstat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        ::chmod(own.c_str(), 0700);
    return own;
}

} // namespace

SingleInstance::SingleInstance(const std::string& applicationFolder, const std::string& runtimeFolder)
{
    const std::string base = runtimeFolderOrDefault(runtimeFolder) + "/" + keyFor(applicationFolder);
    m_lockPath = base + ".lock";
    m_socketPath = base + ".socket";
    m_lock = std::make_unique<QLockFile>(QString::fromStdString(m_lockPath));
    // Only a lock whose process is gone is stale, however old it is.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

std::string SingleInstance::keyFor(const std::string& applicationFolder)
{
    const QByteArray folder = QDir::cleanPath(QString::fromStdString(applicationFolder)).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16);
    return "oculon-" + std::to_string(::getuid()) + "-" + hash.toStdString();
}

bool SingleInstance::acquire()
{
    if (m_primary)
        return true;
    if (!m_lock->tryLock(0))
        return false;
    m_primary = true;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a crashed instance would make listening fail.
    QLocalServer::removeServer(QString::fromStdString(m_socketPath));
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    // Without the socket this instance still runs alone (the lock says so);
    // only the raise requests of later starts go unanswered.
    m_server->listen(QString::fromStdString(m_socketPath));
    return true;
}

bool SingleInstance::askPrimaryToRaise()
{
    if (m_primary)
        return false;
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(m_socketPath));
    if (!socket.waitForConnected(kRequestTimeoutMs))
        return false;
    socket.write(kRaiseRequest);
    const bool sent = socket.waitForBytesWritten(kRequestTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (m_connections >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        // One request a connection, and never more than a short line held:
        // the connection ends after its request, after too many bytes, or
        // after the time a request takes.
        socket->setReadBufferSize(kMaxRequestBytes);
        auto readRequest = [this, socket] {
            if (socket->canReadLine()) {
                if (socket->readLine(kMaxRequestBytes + 1) == kRaiseRequest)
                    emit raiseRequested();
            } else if (socket->bytesAvailable() < kMaxRequestBytes) {
                return;
            }
            socket->abort();
            socket->deleteLater();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequest);
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        // A request that arrived with the connection is already buffered.
        readRequest();
    }
}
