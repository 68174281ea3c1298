#include "app/ptz/PanTiltChannel.h"

#include <utility>

namespace {
constexpr char kRequestStart[] = "GET /Camera_Move.cgi?CameraMoveType=";
constexpr char kRequestEnd[] = " HTTP/1.0\r\n\r\n";
} // namespace

PanTiltChannel::PanTiltChannel(ErrorReporter reportError, QObject* parent)
    : QObject(parent)
    , m_reportError(std::move(reportError))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &PanTiltChannel::onDeadline);
    connect(&m_socket, &QTcpSocket::connected, this, &PanTiltChannel::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &PanTiltChannel::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &PanTiltChannel::onError);
}

PanTiltChannel::~PanTiltChannel()
{
    // No signal of the socket may reach a half-destroyed channel.
    m_socket.disconnect(this);
    m_socket.abort();
}

bool PanTiltChannel::isIdle() const
{
    return m_phase == Phase::Idle;
}

void PanTiltChannel::setTimeouts(int connectTimeoutMs, int replyTimeoutMs)
{
    if (connectTimeoutMs > 0)
        m_connectTimeoutMs = connectTimeoutMs;
    if (replyTimeoutMs > 0)
        m_replyTimeoutMs = replyTimeoutMs;
}

void PanTiltChannel::moveCamera(const std::string& ip, int32_t port, int16_t type)
{
    if (m_phase == Phase::Idle) {
        m_phase = Phase::Connecting;
        m_deadline.start(m_connectTimeoutMs);
        if (ip.empty() || port < 1 || port > 65535) {
            // Nothing to connect to: it fails as a refused connection would,
            // after this press has stored its request.
            QTimer::singleShot(0, this, [this] {
                if (m_phase == Phase::Connecting)
                    fail();
            });
        } else {
            m_socket.connectToHost(QString::fromStdString(ip), static_cast<quint16>(port));
        }
    }
    // The connection completes later, in the event loop, so the request sent
    // then is always the last one asked for.
    m_pending = kRequestStart + std::to_string(type);
}

void PanTiltChannel::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    const QByteArray bytes = QByteArray::fromStdString(m_pending + kRequestEnd);
    m_socket.write(bytes);
    m_phase = Phase::AwaitingReply;
    m_deadline.start(m_replyTimeoutMs);
    emit requestSent(bytes);
}

void PanTiltChannel::onReadyRead()
{
    // The reply is not examined: its first bytes end the exchange.
    if (m_phase == Phase::AwaitingReply)
        closeConnection();
}

void PanTiltChannel::onError(QAbstractSocket::SocketError error)
{
    switch (m_phase) {
    case Phase::Idle:
        return;
    case Phase::AwaitingReply:
        // The camera hanging up without a reply is an end, not a failure:
        // the request went through.
        if (error == QAbstractSocket::RemoteHostClosedError) {
            closeConnection();
            return;
        }
        break;
    case Phase::Connecting:
        break;
    }
    fail();
}

void PanTiltChannel::onDeadline()
{
    if (m_phase == Phase::Connecting)
        fail();
    else if (m_phase == Phase::AwaitingReply)
        closeConnection();
}

void PanTiltChannel::closeConnection()
{
    m_deadline.stop();
    m_phase = Phase::Idle;
    m_socket.abort();
    emit closed();
}

void PanTiltChannel::fail()
{
    // Closed before the operator is told, so that a modal box finds the
    // channel ready for the next press.
    closeConnection();
    if (m_reportError)
        m_reportError(kCannotConnect);
}
