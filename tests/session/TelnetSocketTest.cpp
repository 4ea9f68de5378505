// CTelnetSocket against real sockets on 127.0.0.1: connect results and their messages,
// reads cut into pieces, the send queue around the first writable report, close and reset.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <vector>

#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "session/TelnetSocket.h"

using brumble::test::CRecordingMessageSink;
using brumble::test::CScriptedServer;
using brumble::test::WaitUntil;

namespace {

// Records what the socket reports, in order. For a connection change it also notes how
// many messages had been shown by then, so tests can check "message first".
class CRecordingListener final : public CSocketListener {
public:
    explicit CRecordingListener(const CRecordingMessageSink& sink) : m_sink(sink) {}

    struct Change {
        bool connected;
        std::size_t messagesBefore;
    };

    void OnReceiveText(std::string_view text) override
    {
        pieces.emplace_back(text);
        if (onReceive)
            onReceive();
    }
    void OnConnectionChanged(bool connected) override
    {
        changes.push_back({connected, m_sink.shown.size()});
        if (onChange)
            onChange(connected);
    }

    std::string Joined() const
    {
        std::string all;
        for (const std::string& p : pieces)
            all += p;
        return all;
    }

    std::vector<std::string> pieces;
    std::vector<Change> changes;
    std::function<void()> onReceive;
    std::function<void(bool)> onChange;

private:
    const CRecordingMessageSink& m_sink;
};

// A port on 127.0.0.1 where nobody listens.
quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

class TelnetSocketTest : public ::testing::Test {
protected:
    TelnetSocketTest() : listener(sink), socket(std::make_unique<CTelnetSocket>(sink))
    {
        EXPECT_TRUE(socket->SetDocument(&listener));
    }

    // Connects to the scripted server and waits until the socket is ready to send.
    void ConnectReady()
    {
        ASSERT_TRUE(socket->Connect("127.0.0.1", server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
    }

    CRecordingMessageSink sink;
    CRecordingListener listener;
    CScriptedServer server;
    std::unique_ptr<CTelnetSocket> socket;
};

TEST_F(TelnetSocketTest, RefusedConnectionReportsRejectionThenDisconnect)
{
    const quint16 port = ClosedPort();
    const bool started = socket->Connect("127.0.0.1", port);
    const std::string expected =
        "Unable to connect to 127.0.0.1.\nThe attempt to connect was rejected.";
    if (started) {
        ASSERT_TRUE(WaitUntil([&] { return !listener.changes.empty(); }));
        ASSERT_EQ(listener.changes.size(), 1u);
        EXPECT_FALSE(listener.changes[0].connected);
        EXPECT_EQ(listener.changes[0].messagesBefore, 1u); // the message came first
    }
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, expected);
    EXPECT_EQ(sink.shown[0].icon, CMessageSink::Icon::None);
    EXPECT_EQ(sink.shown[0].buttons, CMessageSink::Buttons::Ok);
    EXPECT_FALSE(socket->IsConnected());
    EXPECT_EQ(socket->GetHost(), "127.0.0.1");
    EXPECT_EQ(socket->GetPort(), port);

    // The same object can then reach a server that is there.
    ASSERT_TRUE(socket->Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return socket->IsConnected(); }));
    EXPECT_EQ(sink.shown.size(), 1u);
}

TEST_F(TelnetSocketTest, BadHostOrPortFailsAtOnceWithItsMessage)
{
    EXPECT_FALSE(socket->Connect("no-such-host.invalid", 4000));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text,
              "Unable to connect to no-such-host.invalid.\nBrumble was unable to initialise the "
              "connection successfully.\nPlease make sure you are connected to a network or the "
              "internet.");
    EXPECT_EQ(socket->GetHost(), "no-such-host.invalid");

    // An empty name and a name with a NUL in it do not resolve either.
    EXPECT_FALSE(socket->Connect("", 4000));
    EXPECT_FALSE(socket->Connect(std::string("127.0.0.1\0evil", 14), server.Port()));
    ASSERT_EQ(sink.shown.size(), 3u);
    EXPECT_EQ(sink.shown[2].text.rfind("Unable to connect to 127.0.0.1", 0), 0u);

    // A port beyond 16 bits would be silently cut to another port.
    EXPECT_FALSE(socket->Connect("127.0.0.1", 65536u + server.Port()));
    ASSERT_EQ(sink.shown.size(), 4u);
    EXPECT_NE(sink.shown[3].text.find("is not available from the local machine."),
              std::string::npos);

    QCoreApplication::processEvents();
    EXPECT_TRUE(listener.changes.empty()); // a connect that never started is not a disconnect
    EXPECT_FALSE(server.HasClient());
}

TEST_F(TelnetSocketTest, ResolvesNamesAndReportsConnectOnlyAfterConnectReturns)
{
    ASSERT_TRUE(socket->Connect("localhost", server.Port()));
    // Even a connect that completes at once is reported from the event loop.
    EXPECT_TRUE(listener.changes.empty());
    EXPECT_FALSE(socket->IsConnected());
    ASSERT_TRUE(WaitUntil([&] { return !listener.changes.empty(); }));
    EXPECT_TRUE(listener.changes[0].connected);
    EXPECT_TRUE(socket->IsConnected());
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(server.WaitForClient());
}

TEST_F(TelnetSocketTest, PeerCloseGivesOnlyTheDisconnect)
{
    ConnectReady();
    server.Send("bye\r\n");
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([&] { return listener.changes.size() == 2; }));
    EXPECT_FALSE(listener.changes[1].connected);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(listener.Joined(), "bye\r\n"); // what came before the close is not lost
    EXPECT_FALSE(socket->IsConnected());
    EXPECT_EQ(socket->SendState(), 0);
}

TEST_F(TelnetSocketTest, ResetShowsTheResetMessageBeforeTheDisconnect)
{
    ConnectReady();
    server.ResetClient();
    ASSERT_TRUE(WaitUntil([&] { return listener.changes.size() == 2; }));
    EXPECT_FALSE(listener.changes[1].connected);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(listener.changes[1].messagesBefore, 1u);
    EXPECT_EQ(sink.shown[0].text, "A session was disconnected from 127.0.0.1.\nThe connection "
                                  "was reset by the remote side.");
    EXPECT_EQ(sink.shown[0].icon, CMessageSink::Icon::None);
}

TEST_F(TelnetSocketTest, ResetMetWhileSendingStillShowsTheResetMessage)
{
    ConnectReady();
    server.ResetClient();
    QThread::msleep(50); // the reset reaches our kernel before we send
    socket->SendText("look\r\n");
    ASSERT_TRUE(WaitUntil([&] { return listener.changes.size() == 2; }));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].text.find("was reset by the remote side"), std::string::npos);
}

TEST_F(TelnetSocketTest, WaitingBurstArrivesIn508BytePiecesInOrder)
{
    ConnectReady();
    std::string burst;
    for (int i = 0; i < 2000; ++i)
        burst += static_cast<char>(i % 251); // every byte value but a few, NUL included
    server.Send(QByteArray(burst.data(), static_cast<qsizetype>(burst.size())));
    QThread::msleep(50); // all of it waits in our kernel before the read report runs
    ASSERT_TRUE(WaitUntil([&] { return listener.Joined().size() >= 2000; }));
    ASSERT_EQ(listener.pieces.size(), 4u);
    EXPECT_EQ(listener.pieces[0].size(), 508u);
    EXPECT_EQ(listener.pieces[1].size(), 508u);
    EXPECT_EQ(listener.pieces[2].size(), 508u);
    EXPECT_EQ(listener.pieces[3].size(), 476u);
    EXPECT_EQ(listener.Joined(), burst);
}

TEST_F(TelnetSocketTest, TextQueuedBeforeFirstWritableReportGoesOutThen)
{
    bool queuedResult = true;
    int stateAtConnect = -2;
    listener.onChange = [&](bool connected) {
        if (!connected)
            return;
        stateAtConnect = socket->SendState();
        queuedResult = socket->SendText("connect hero\r\n");
    };
    ASSERT_TRUE(socket->Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(WaitUntil([&] { return !listener.changes.empty(); }));
    EXPECT_EQ(stateAtConnect, 0);
    EXPECT_FALSE(queuedResult);
    ASSERT_TRUE(server.WaitForReceived(14));
    EXPECT_EQ(server.Received(), QByteArray("connect hero\r\n"));
    EXPECT_EQ(socket->SendState(), 1);
    EXPECT_TRUE(socket->PendingOutput().empty());

    // Once ready, text goes out at once.
    EXPECT_TRUE(socket->SendText("look\r\n"));
    ASSERT_TRUE(server.WaitForReceived(20));
    EXPECT_EQ(server.Received(), QByteArray("connect hero\r\nlook\r\n"));
}

TEST_F(TelnetSocketTest, TextSentWhileNotConnectedIsDiscardedAtTheNextConnect)
{
    EXPECT_FALSE(socket->SendText("stale timed text\r\n"));
    EXPECT_EQ(socket->PendingOutput(), "stale timed text\r\n");
    ConnectReady();
    EXPECT_TRUE(socket->PendingOutput().empty());
    EXPECT_TRUE(socket->SendText("fresh\r\n"));
    ASSERT_TRUE(server.WaitForReceived(7));
    QCoreApplication::processEvents();
    EXPECT_EQ(server.Received(), QByteArray("fresh\r\n"));
}

TEST_F(TelnetSocketTest, LargeSendIsDeliveredWholeAndInOrder)
{
    ConnectReady();
    std::string big(8 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    socket->SendText(big); // more than the kernel takes at once: the rest waits for writable
    socket->SendText("END");
    ASSERT_TRUE(server.WaitForReceived(static_cast<int>(big.size()) + 3, 20000));
    EXPECT_TRUE(server.Received() == QByteArray::fromStdString(big + "END"));
    EXPECT_TRUE(socket->PendingOutput().empty());
}

TEST_F(TelnetSocketTest, CloseTakesTheDisconnectPathAndTheSocketCanConnectAgain)
{
    ConnectReady();
    socket->Close();
    ASSERT_EQ(listener.changes.size(), 2u);
    EXPECT_FALSE(listener.changes[1].connected);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(socket->IsConnected());
    ASSERT_TRUE(WaitUntil([&] { return !server.HasClient(); })); // the server saw the close

    ConnectReady();
    ASSERT_EQ(listener.changes.size(), 3u);
    EXPECT_TRUE(listener.changes[2].connected);
    server.Send("again");
    ASSERT_TRUE(WaitUntil([&] { return listener.Joined() == "again"; }));
    EXPECT_TRUE(socket->SendText("x"));
    ASSERT_TRUE(server.WaitForReceived(1));
}

TEST_F(TelnetSocketTest, DestructionClosesWithoutNotificationOrMessage)
{
    ConnectReady();
    socket.reset();
    ASSERT_TRUE(WaitUntil([&] { return !server.HasClient(); }));
    EXPECT_EQ(listener.changes.size(), 1u);
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(TelnetSocketTest, ListenerMayCloseOrDeleteTheSocketInsideACallback)
{
    ConnectReady();
    // Closing from inside a read: the rest of that read is dropped, nothing more arrives.
    listener.onReceive = [&] { socket->Close(); };
    server.Send(QByteArray(2000, 'x'));
    QThread::msleep(50);
    ASSERT_TRUE(WaitUntil([&] { return listener.changes.size() == 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(listener.pieces.size(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return !server.HasClient(); }));

    // Deleting from inside a read (the window was closed from a message box).
    listener.onReceive = [&] { socket.reset(); };
    ConnectReady();
    server.Send(QByteArray(2000, 'y'));
    QThread::msleep(50);
    ASSERT_TRUE(WaitUntil([&] { return socket == nullptr; }));
    ASSERT_TRUE(WaitUntil([&] { return !server.HasClient(); }));
    EXPECT_EQ(listener.pieces.size(), 2u);
    EXPECT_EQ(listener.changes.size(), 3u);

    // Deleting from inside the connect failure report.
    socket = std::make_unique<CTelnetSocket>(sink);
    socket->SetDocument(&listener);
    listener.onChange = [&](bool connected) {
        if (!connected)
            socket.reset();
    };
    if (socket->Connect("127.0.0.1", ClosedPort())) {
        ASSERT_TRUE(WaitUntil([&] { return socket == nullptr; }));
    }
}

TEST_F(TelnetSocketTest, OutOfBandByteIsHandedOn)
{
    QTcpServer oobServer;
    ASSERT_TRUE(oobServer.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(socket->Connect("127.0.0.1", oobServer.serverPort()));
    ASSERT_TRUE(WaitUntil([&] { return oobServer.hasPendingConnections(); }));
    QTcpSocket* peer = oobServer.nextPendingConnection();
    ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
    const int fd = static_cast<int>(peer->socketDescriptor());
    ASSERT_EQ(::send(fd, "ab", 2, 0), 2);
    ASSERT_EQ(::send(fd, "!", 1, MSG_OOB), 1);
    ASSERT_EQ(::send(fd, "cd", 2, 0), 2);
    ASSERT_TRUE(WaitUntil([&] { return listener.Joined().size() >= 5; }));
    // The urgent byte leaves the stream and arrives as a piece of its own; nothing is lost.
    auto urgent = std::find(listener.pieces.begin(), listener.pieces.end(), "!");
    ASSERT_NE(urgent, listener.pieces.end());
    listener.pieces.erase(urgent);
    EXPECT_EQ(listener.Joined(), "abcd");
}

TEST(TelnetSocketErrors, ErrnoMapsToTheTableAndUnknownCodesShowTheirNumber)
{
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(EPIPE), 10054);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(EHOSTUNREACH), 10051);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(EMFILE), 10024);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(ENFILE), 10024);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(EINVAL), 10022);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(ENOBUFS), 10055);
    EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(EPERM), EPERM); // unmapped: as it is

    EXPECT_EQ(CTelnetSocket::ErrorReason(10060),
              "Attempt to connect timed out without establishing a connection.");
    EXPECT_EQ(CTelnetSocket::ErrorReason(10093),
              "The socket was not initialised properly.\nPlease shutdown Brumble and restart.");
    EXPECT_EQ(CTelnetSocket::ErrorReason(10035), "Unknown error occured: 10035");
    EXPECT_EQ(CTelnetSocket::ErrorReason(-7), "Unknown error occured: -7");

    CRecordingMessageSink sink;
    CTelnetSocket socket(sink);
    socket.ReportError(12345, false);
    socket.ReportError(10061, true);
    ASSERT_EQ(sink.shown.size(), 2u);
    // No host yet: the texts still read whole.
    EXPECT_EQ(sink.shown[0].text,
              "A session was disconnected from .\nUnknown error occured: 12345");
    EXPECT_EQ(sink.shown[1].text, "Unable to connect to .\nThe attempt to connect was rejected.");
}

} // namespace
