#include "app/ptz/PanTiltChannel.h"
#include "support/EventWait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "app_ptz_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A loopback camera that records the bytes of every connection and, when
// told to, answers one byte once the request's blank line has arrived.
class RecordingCamera {
public:
    struct Connection {
        QTcpSocket* socket = nullptr;
        QByteArray received;
        bool replied = false;
        bool closedByPeer = false;
    };

    explicit RecordingCamera(bool answers, quint16 port = 0)
        : m_answers(answers)
    {
        m_listening = m_server.listen(QHostAddress::LocalHost, port);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { accept(); });
    }

    bool listening() const { return m_listening; }
    quint16 port() const { return m_server.serverPort(); }
    const std::vector<std::unique_ptr<Connection>>& connections() const { return m_connections; }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto connection = std::make_unique<Connection>();
            Connection* c = connection.get();
            c->socket = socket;
            QObject::connect(socket, &QTcpSocket::readyRead, [this, c] {
                c->received += c->socket->readAll();
                if (m_answers && !c->replied && c->received.contains("\r\n\r\n")) {
                    c->replied = true;
                    c->socket->write("H"); // one byte, and the connection stays open
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, [c] { c->closedByPeer = true; });
            m_connections.push_back(std::move(connection));
        }
    }

    bool m_answers;
    bool m_listening = false;
    QTcpServer m_server;
    std::vector<std::unique_ptr<Connection>> m_connections;
};

// A loopback port on which nothing listens (as far as can be told).
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

class PanTiltChannelTest : public ::testing::Test {
protected:
    PanTiltChannelTest()
        : channel([this](const std::string& text) { errors.push_back(text); })
    {
        application();
        QObject::connect(&channel, &PanTiltChannel::requestSent, [this](const QByteArray& b) { sent.push_back(b); });
        QObject::connect(&channel, &PanTiltChannel::closed, [this] { ++closes; });
    }

    std::vector<std::string> errors;
    std::vector<QByteArray> sent;
    int closes = 0;
    PanTiltChannel channel;
};

QByteArray request(int type)
{
    return "GET /Camera_Move.cgi?CameraMoveType=" + QByteArray::number(type) + " HTTP/1.0\r\n\r\n";
}

} // namespace

// One press: one connection carrying exactly the request bytes, closed by us
// at the first reply byte, and the channel is free for the next press, which
// opens a new connection.
TEST_F(PanTiltChannelTest, PressSendsOneRequestAndClosesAtTheFirstReplyByte)
{
    RecordingCamera camera(true);
    ASSERT_TRUE(camera.listening());

    channel.moveCamera("127.0.0.1", camera.port(), PanTiltChannel::MoveUp);
    EXPECT_FALSE(channel.isIdle());
    ASSERT_TRUE(pumpUntil([&] { return camera.connections().size() == 1 && camera.connections()[0]->closedByPeer; }));
    const auto& first = *camera.connections()[0];
    EXPECT_EQ(first.received, request(1));
    EXPECT_TRUE(first.replied);
    EXPECT_TRUE(channel.isIdle());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(closes, 1);

    channel.moveCamera("127.0.0.1", camera.port(), PanTiltChannel::MoveHome);
    ASSERT_TRUE(pumpUntil([&] { return camera.connections().size() == 2 && camera.connections()[1]->closedByPeer; }));
    EXPECT_EQ(camera.connections()[1]->received, request(3));
    EXPECT_EQ(camera.connections()[0]->received, request(1)); // nothing more on the old one
    EXPECT_TRUE(errors.empty());
}

// Presses before the connection completes only replace the pending request:
// one connection, one request, the last move.
TEST_F(PanTiltChannelTest, PressesWhileConnectingSendOnlyTheLastMove)
{
    RecordingCamera camera(true);
    ASSERT_TRUE(camera.listening());

    channel.moveCamera("127.0.0.1", camera.port(), PanTiltChannel::MoveUp);
    channel.moveCamera("127.0.0.1", camera.port(), PanTiltChannel::MoveLeft);
    channel.moveCamera("127.0.0.1", camera.port(), PanTiltChannel::MoveDown);
    EXPECT_EQ(channel.pendingRequest(), "GET /Camera_Move.cgi?CameraMoveType=5");

    ASSERT_TRUE(pumpUntil([&] { return channel.isIdle(); }));
    ASSERT_TRUE(pumpUntil([&] { return !camera.connections().empty() && camera.connections()[0]->closedByPeer; }));
    ASSERT_EQ(camera.connections().size(), 1u);
    EXPECT_EQ(camera.connections()[0]->received, request(5));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], request(5));
}

// A refused connection and an address that is not configured each give one
// message and leave the channel idle; the next press connects again.
TEST_F(PanTiltChannelTest, FailedConnectionReportsOnceAndTheNextPressTriesAgain)
{
    const quint16 port = closedPort();
    channel.moveCamera("127.0.0.1", port, PanTiltChannel::MoveRight);
    ASSERT_TRUE(pumpUntil([&] { return !errors.empty(); }));
    EXPECT_TRUE(channel.isIdle());
    // Nothing more arrives later from the failed attempt.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Can not connect to the camera!");

    for (const auto& [ip, badPort] : {std::pair<std::string, int32_t>{"", 80}, {"127.0.0.1", 0}, {"127.0.0.1", 65536}}) {
        SCOPED_TRACE(ip + ":" + std::to_string(badPort));
        const size_t before = errors.size();
        channel.moveCamera(ip, badPort, PanTiltChannel::MoveUp);
        ASSERT_TRUE(pumpUntil([&] { return errors.size() == before + 1; }));
        EXPECT_TRUE(channel.isIdle());
    }

    // The camera comes up on the same port: the next press reaches it.
    RecordingCamera camera(true, port);
    ASSERT_TRUE(camera.listening());
    const size_t failures = errors.size();
    channel.moveCamera("127.0.0.1", port, PanTiltChannel::MoveRight);
    ASSERT_TRUE(pumpUntil([&] { return !camera.connections().empty() && camera.connections()[0]->closedByPeer; }));
    EXPECT_EQ(camera.connections()[0]->received, request(4));
    EXPECT_EQ(errors.size(), failures);
    EXPECT_TRUE(sent.size() == 1u);
}

// A camera that takes the request and never answers: a press meanwhile (even
// for another camera) sends nothing; once the reply bound passes, the
// connection is closed without a message and the next press works.
TEST_F(PanTiltChannelTest, SilentCameraIsClosedQuietlyAfterTheReplyBound)
{
    channel.setTimeouts(5000, 300);
    RecordingCamera silent(false);
    RecordingCamera other(true);
    ASSERT_TRUE(silent.listening() && other.listening());

    channel.moveCamera("127.0.0.1", silent.port(), PanTiltChannel::MoveUp);
    ASSERT_TRUE(pumpUntil([&] { return sent.size() == 1; }));
    channel.moveCamera("127.0.0.1", other.port(), PanTiltChannel::MoveDown);
    EXPECT_FALSE(channel.isIdle());

    ASSERT_TRUE(pumpUntil([&] { return !silent.connections().empty() && silent.connections()[0]->closedByPeer; }));
    EXPECT_TRUE(channel.isIdle());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(silent.connections()[0]->received, request(1));
    EXPECT_TRUE(other.connections().empty());
    EXPECT_EQ(sent.size(), 1u);

    channel.moveCamera("127.0.0.1", other.port(), PanTiltChannel::MoveDown);
    ASSERT_TRUE(pumpUntil([&] { return !other.connections().empty() && other.connections()[0]->closedByPeer; }));
    EXPECT_EQ(other.connections()[0]->received, request(5));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(silent.connections().size(), 1u);
}

// A camera that hangs up without any reply ended the exchange: no message.
TEST_F(PanTiltChannelTest, CameraClosingWithoutReplyIsNoFailure)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QByteArray received;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = server.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::readyRead, [&received, s] {
            received += s->readAll();
            if (received.contains("\r\n\r\n"))
                s->disconnectFromHost();
        });
    });
    channel.moveCamera("127.0.0.1", server.serverPort(), PanTiltChannel::MoveHome);
    ASSERT_TRUE(pumpUntil([&] { return closes == 1; }));
    EXPECT_EQ(received, request(3));
    EXPECT_TRUE(channel.isIdle());
    EXPECT_TRUE(errors.empty());
}

// A connection that never completes (a listener whose accept queue is full
// drops further connection requests) counts as a failure once the connect
// bound passes, and the channel is free again.
TEST_F(PanTiltChannelTest, ConnectionNotCompletedWithinTheBoundIsAFailure)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const quint16 port = ntohs(address.sin_port);

    // Fill the accept queue; nothing is ever accepted.
    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(pumpUntil([&] { return first.state() == QAbstractSocket::ConnectedState; }));
    QTcpSocket second;
    second.connectToHost(QHostAddress::LocalHost, port);
    if (pumpUntil([&] { return second.state() == QAbstractSocket::ConnectedState; }, 1000)) {
        ::close(listener);
        GTEST_SKIP() << "this system completes connections beyond the accept queue";
    }

    channel.setTimeouts(300, 5000);
    channel.moveCamera("127.0.0.1", port, PanTiltChannel::MoveLeft);
    ASSERT_TRUE(pumpUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<std::string>{"Can not connect to the camera!"});
    EXPECT_TRUE(channel.isIdle());
    EXPECT_TRUE(sent.empty());
    ::close(listener);
}
