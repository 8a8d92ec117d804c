#include "ftp/AsyncSocket.h"
#include "platform/Sockets.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A peer in this thread: the socket's waits run the event loop, so it answers.
struct LoopbackPeer {
    LoopbackPeer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] { peer = server.nextPendingConnection(); });
    }
    quint16 port() const { return server.serverPort(); }
    QTcpServer server;
    QTcpSocket *peer = nullptr;
};

void connectTo(TAsyncSocket &socket, quint16 port)
{
    socket.Host = u"127.0.0.1"_s;
    socket.Port = port;
    socket.Connect();
}

// Runs the event loop until `done` or a second has passed.
template <typename F> void spinUntil(F done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(SocketErrorText, KnownNumbersCarryTheirTextUnknownOnesTheirNumber)
{
    EXPECT_EQ(socketErrorMessage(10061), u"10061:Connection refused"_s);
    EXPECT_EQ(socketErrorMessage(10054), u"10054:Connection reset by peer"_s);
    EXPECT_EQ(socketErrorMessage(11001), u"11001:Host not found"_s);
    EXPECT_EQ(socketErrorMessage(10010), u"Unknown Error No. 10010"_s);
    EXPECT_EQ(platform::sockets::translateErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(platform::sockets::translateErrno(EPIPE), 10058);
    EXPECT_EQ(socketErrorMessage(platform::sockets::translateErrno(ENOMEDIUM)),
              u"Unknown Error No. "_s + QString::number(20000 + ENOMEDIUM));
}

TEST(AsyncSocket, DottedAddressConnectsWithoutLookUp)
{
    LoopbackPeer peer;
    TAsyncSocket socket;
    int resolved = 0;
    int connects = 0;
    socket.OnHostResolved = [&](TAsyncSocket &) { ++resolved; };
    socket.OnConnect = [&](TAsyncSocket &) { ++connects; };
    connectTo(socket, peer.port());
    EXPECT_TRUE(socket.connected());
    EXPECT_EQ(resolved, 0);
    EXPECT_EQ(connects, 1);
    EXPECT_THROW(socket.Connect(), ESocketError); // "Already connected"
}

TEST(AsyncSocket, RefusedConnectionReportsFailureThenThrows)
{
    int closedPort = 0;
    {
        LoopbackPeer gone;
        closedPort = gone.port();
    }
    TAsyncSocket socket;
    int failed = 0;
    socket.OnConnectionFailed = [&](TAsyncSocket &) { ++failed; };
    try {
        connectTo(socket, quint16(closedPort));
        FAIL() << "connected to a closed port";
    } catch (const ESocketError &e) {
        EXPECT_EQ(e.message(), u"Connection Failed"_s);
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(socket.lastError(), 10061);
    EXPECT_FALSE(socket.connected());
}

TEST(AsyncSocket, UnresolvableNameAsksTheHandlerOnceAndUsesItsCorrection)
{
    TAsyncSocket plain;
    plain.Host = u"no-such-host.invalid"_s;
    plain.Port = 21;
    try {
        plain.Connect();
        FAIL();
    } catch (const ESocketError &e) {
        EXPECT_EQ(e.message(), u"Null Remote Address"_s);
    }

    LoopbackPeer peer;
    TAsyncSocket socket;
    socket.Host = u"no-such-host.invalid"_s;
    socket.Port = peer.port();
    int asked = 0;
    socket.OnInvalidHost = [&](bool &handled) {
        ++asked;
        socket.Host = u"localhost"_s;
        handled = true;
    };
    int resolved = 0;
    socket.OnHostResolved = [&](TAsyncSocket &) { ++resolved; };
    socket.Connect();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(resolved, 1);
    EXPECT_TRUE(socket.connected());
}

TEST(AsyncSocket, ReadLineJoinsPacketsAndLeavesTheRestQueued)
{
    LoopbackPeer peer;
    TAsyncSocket socket;
    connectTo(socket, peer.port());
    spinUntil([&] { return peer.peer != nullptr; });
    ASSERT_NE(peer.peer, nullptr);

    peer.peer->write("220 first hal");
    peer.peer->flush();
    QTimer::singleShot(30, [&] {
        peer.peer->write("f\r\n221 second\r\n222 par");
        peer.peer->flush();
    });
    QTimer::singleShot(60, [&] {
        peer.peer->write("tial");
        peer.peer->flush();
        peer.peer->disconnectFromHost();
    });
    EXPECT_EQ(socket.ReadLn(), QByteArray("220 first half\r\n"));
    EXPECT_EQ(socket.ReadLn(), QByteArray("221 second\r\n"));
    // The peer's close ends the last, unterminated line and the connection.
    EXPECT_EQ(socket.ReadLn(), QByteArray("222 partial"));
    EXPECT_FALSE(socket.connected());
    EXPECT_EQ(socket.ReadLn(), QByteArray());
}

TEST(AsyncSocket, SilentPeerEndsReadLineAtTheTimeOut)
{
    LoopbackPeer peer;
    TAsyncSocket socket;
    connectTo(socket, peer.port());
    socket.TimeOut = 200;
    QElapsedTimer clock;
    clock.start();
    try {
        socket.ReadLn();
        FAIL() << "a silent peer produced a line";
    } catch (const ESocketTimedOut &e) {
        EXPECT_EQ(e.message(), u"Socket readln timed out"_s);
    }
    EXPECT_TRUE(socket.timedOut());
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(AsyncSocket, CancelFromAnotherHandlerEndsTheWait)
{
    LoopbackPeer peer;
    TAsyncSocket socket;
    connectTo(socket, peer.port());
    QTimer::singleShot(50, [&] { socket.Cancel(); });
    EXPECT_THROW(socket.ReadLn(), ESocketAborted);
    EXPECT_FALSE(socket.cancelled());
}

TEST(AsyncSocket, WritingToAClosedPeerIsAnErrorNotASignal)
{
    LoopbackPeer peer;
    TAsyncSocket socket;
    connectTo(socket, peer.port());
    spinUntil([&] { return peer.peer != nullptr; });
    ASSERT_NE(peer.peer, nullptr);
    peer.peer->abort();
    peer.server.close();
    QString message;
    try {
        for (int i = 0; i < 100; ++i) {
            socket.WriteLn(QByteArray(1000, 'x'));
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    } catch (const ESocketError &e) {
        message = e.message();
    }
    EXPECT_TRUE(message == u"10054:Connection reset by peer"_s ||
                message == u"10058:Can't send after socket shutdown"_s)
        << message.toStdString();
}

TEST(AsyncSocket, CloseLeavesAFreshSocketForTheNextConnect)
{
    LoopbackPeer peer;
    TAsyncSocket socket;
    int disconnects = 0;
    socket.OnDisconnect = [&](TAsyncSocket &) { ++disconnects; };
    connectTo(socket, peer.port());
    socket.Disconnect();
    EXPECT_FALSE(socket.connected());
    EXPECT_EQ(disconnects, 1);
    socket.Connect();
    EXPECT_TRUE(socket.connected());
}

TEST(AsyncSocket, ListenAcceptAndSendFileCountBytes)
{
    TAsyncSocket listener;
    listener.ListenAddress = 0x7f000001;
    listener.Listen(true);
    const QString portText = listener.LocalPortText();
    const QStringList parts = portText.split(u',');
    ASSERT_EQ(parts.size(), 3);
    const quint16 port = quint16(parts[1].toInt() * 256 + parts[2].toInt());

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    listener.AdoptSocket(listener.Accept());
    EXPECT_TRUE(listener.connected());

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    const QByteArray content(200000, 'r');
    file.write(content);
    file.flush();
    int packets = 0;
    listener.OnPacketSent = [&](TAsyncSocket &) { ++packets; };
    listener.SendFile(file.fileName());
    EXPECT_EQ(listener.bytesSent(), quint32(content.size()));
    EXPECT_GE(packets, 1);
    listener.SetLinger(false);
    listener.Close();
    QByteArray received;
    QElapsedTimer t;
    t.start();
    while (received.size() < content.size() && t.elapsed() < 2000) {
        client.waitForReadyRead(50);
        received += client.readAll();
    }
    EXPECT_EQ(received, content);
}
