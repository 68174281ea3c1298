#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

// Sends the move command of the main window's move buttons to a camera over
// one raw TCP connection shared by all cameras: one short HTTP/1.0 request
// per press, the reply is discarded at its first bytes and the connection
// closed again.
//
// A press while the connection is idle connects to the given camera; a press
// while a connection is still under way only replaces the pending request,
// which is sent when the connection completes. A request already sent is
// never followed by another on the same connection. A connection that fails
// (refused, unreachable, no host, or not completed within the connect bound)
// is reported through the error callback with kCannotConnect; a sent request
// that gets no reply within the reply bound is closed silently, so a dead
// camera never keeps the buttons busy. GUI thread only.
class PanTiltChannel : public QObject {
    Q_OBJECT
public:
    // The move types of the five move buttons.
    enum MoveType : int16_t { MoveUp = 1, MoveLeft = 2, MoveHome = 3, MoveRight = 4, MoveDown = 5 };

    static constexpr char kCannotConnect[] = "Can not connect to the camera!";
    static constexpr int kDefaultConnectTimeoutMs = 5000;
    static constexpr int kDefaultReplyTimeoutMs = 5000;

    // Shows the operator a failure text (the application's box service). It
    // may run a modal loop: the socket is already closed when it is called.
    using ErrorReporter = std::function<void(const std::string& text)>;

    explicit PanTiltChannel(ErrorReporter reportError, QObject* parent = nullptr);
    ~PanTiltChannel() override;

    // Asks the camera at ip:port to move. Connects when the channel is idle;
    // in any case the pending request becomes this move.
    void moveCamera(const std::string& ip, int32_t port, int16_t type);

    // The request line of the last move asked for ("" before the first).
    const std::string& pendingRequest() const { return m_pending; }
    // True when no connection is open or under way (the next press connects).
    bool isIdle() const;

    // The bounds on the connect and reply phases (milliseconds, > 0).
    void setTimeouts(int connectTimeoutMs, int replyTimeoutMs);

signals:
    // A request went out on the connection (its bytes).
    void requestSent(const QByteArray& bytes);
    // The connection was closed: after the reply, a failure or the reply bound.
    void closed();

private:
    enum class Phase { Idle, Connecting, AwaitingReply };

    void onConnected();
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onDeadline();
    void closeConnection();
    void fail();

    ErrorReporter m_reportError;
    QTcpSocket m_socket;
    QTimer m_deadline;
    Phase m_phase = Phase::Idle;
    std::string m_pending;
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    int m_replyTimeoutMs = kDefaultReplyTimeoutMs;
};
