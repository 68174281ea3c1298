#include "app/startup/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

constexpr char kRaiseRequest[] = "raise\n";
// How long a second start waits for the first to take its request; the first
// answers from its event loop, which a modal box of its own keeps running.
constexpr int kRequestTimeoutMs = 2000;

std::string runtimeFolderOrDefault(const std::string& folder)
{
    if (!folder.empty())
        return folder;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return (runtime.isEmpty() ? QDir::tempPath() : runtime).toStdString();
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
        auto readRequests = [this, socket] {
            while (socket->canReadLine())
                if (socket->readLine() == kRaiseRequest)
                    emit raiseRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        // A request that arrived with the connection is already buffered.
        readRequests();
    }
}
