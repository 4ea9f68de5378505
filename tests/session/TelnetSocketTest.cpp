// CTelnetSocket against real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <functional>
#include <numeric>
#include <sys/socket.h>
#include <vector>

#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "session/TelnetSocket.h"

using namespace brumble::test;
using Change = std::pair<bool, std::size_t>; // connected, messages shown before it

namespace {

const std::string kResetText =
    "A session was disconnected from 127.0.0.1.\nThe connection was reset by the remote side.";

class TelnetSocketTest : public ::testing::Test, public CSocketListener {
protected:
    TelnetSocketTest() { EXPECT_TRUE(socket->SetDocument(this)); }

    void OnReceiveText(std::string_view text) override
    {
        pieces.emplace_back(text);
        if (onReceive)
            onReceive();
    }
    void OnConnectionChanged(bool connected) override
    {
        changes.emplace_back(connected, sink.shown.size());
        if (onChange)
            onChange();
    }
    std::string Joined() const
    {
        return std::accumulate(pieces.begin(), pieces.end(), std::string());
    }
    // Connects to the scripted server and waits until the socket is ready to send.
    void ConnectReady()
    {
        ASSERT_TRUE(socket->Connect("127.0.0.1", server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
    }
    bool WaitForChanges(std::size_t count)
    {
        return WaitUntil([&] { return changes.size() == count; });
    }

    CRecordingMessageSink sink;
    CScriptedServer server;
    std::unique_ptr<CTelnetSocket> socket = std::make_unique<CTelnetSocket>(sink);
    std::vector<std::string> pieces;
    std::vector<Change> changes;
    std::function<void()> onReceive;
    std::function<void()> onChange;
};

// A port on 127.0.0.1 where nobody listens.
quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

TEST_F(TelnetSocketTest, BadHostOrPortFailsAtOnceWithItsMessage)
{
    EXPECT_FALSE(socket->Connect("no-such-host.invalid", 4000));
    // An empty name and a name with a NUL in it do not resolve either.
    EXPECT_FALSE(socket->Connect("", 4000));
    const std::string nulName("127.0.0.1\0evil", 14);
    EXPECT_FALSE(socket->Connect(nulName, server.Port()));
    // A port beyond 16 bits would be silently cut to another port.
    EXPECT_FALSE(socket->Connect("127.0.0.1", 65536u + server.Port()));
    ASSERT_EQ(sink.shown.size(), 4u);
    const std::string unresolved = ".\nBrumble was unable to initialise the connection "
                                   "successfully.\nPlease make sure you are connected to a "
                                   "network or the internet.";
    EXPECT_EQ(sink.shown[0].text, "Unable to connect to no-such-host.invalid" + unresolved);
    EXPECT_EQ(sink.shown[2].text, "Unable to connect to " + nulName + unresolved);
    EXPECT_EQ(sink.shown[3].text, "Unable to connect to 127.0.0.1.\nThe specified address is "
                                  "not available from the local machine.");
    QCoreApplication::processEvents();
    EXPECT_TRUE(changes.empty()); // a connect that never started is not a disconnect
    EXPECT_FALSE(server.HasClient());
}

TEST_F(TelnetSocketTest, PeerCloseGivesOnlyTheDisconnectAndResetItsMessageFirst)
{
    ConnectReady();
    server.Send("bye\r\n");
    server.CloseClient();
    ASSERT_TRUE(WaitForChanges(2));
    EXPECT_EQ(changes[1], Change(false, 0));
    EXPECT_EQ(Joined(), "bye\r\n"); // what came before the close is not lost
    EXPECT_EQ(socket->SendState(), 0);

    ConnectReady();
    server.ResetClient();
    ASSERT_TRUE(WaitForChanges(4));
    EXPECT_EQ(changes[3], Change(false, 1));
    // A reset met while sending still shows the reset message.
    ConnectReady();
    server.ResetClient();
    QThread::msleep(50); // the reset reaches our kernel before we send
    socket->SendText("look\r\n");
    ASSERT_TRUE(WaitForChanges(6));
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, kResetText);
    EXPECT_EQ(sink.shown[0].icon, CMessageSink::Icon::None);
    EXPECT_EQ(sink.shown[1].text, kResetText);
}

TEST_F(TelnetSocketTest, WaitingBurstArrivesIn508BytePiecesInOrder)
{
    // Even a connect that completes at once is reported from the event loop.
    ASSERT_TRUE(socket->Connect("localhost", server.Port()));
    EXPECT_TRUE(changes.empty());
    ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
    std::string burst;
    for (int i = 0; i < 2000; ++i)
        burst += static_cast<char>(i % 251); // every byte value but a few, NUL included
    server.Send(QByteArray::fromStdString(burst));
    QThread::msleep(50); // all of it waits in our kernel before the read report runs
    ASSERT_TRUE(WaitUntil([&] { return Joined().size() >= 2000; }));
    std::vector<std::size_t> sizes;
    for (const std::string& piece : pieces)
        sizes.push_back(piece.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{508, 508, 508, 476}));
    EXPECT_EQ(Joined(), burst);
}

TEST_F(TelnetSocketTest, TextQueuedBeforeFirstWritableReportGoesOutThen)
{
    // Text sent while not connected is dropped at the next connect.
    EXPECT_FALSE(socket->SendText("stale timed text\r\n"));
    EXPECT_EQ(socket->PendingOutput(), "stale timed text\r\n");
    bool queuedResult = true;
    int stateAtConnect = -2;
    onChange = [&] {
        stateAtConnect = socket->SendState();
        queuedResult = socket->SendText("connect hero\r\n");
    };
    ASSERT_TRUE(socket->Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(WaitForChanges(1));
    EXPECT_EQ(stateAtConnect, 0);
    EXPECT_FALSE(queuedResult);
    ASSERT_TRUE(server.WaitForReceived(14));
    EXPECT_EQ(server.Received(), QByteArray("connect hero\r\n"));
    EXPECT_EQ(socket->SendState(), 1);
    EXPECT_TRUE(socket->PendingOutput().empty());

    // Once ready, text goes out at once; more than the kernel takes waits for writable.
    EXPECT_TRUE(socket->SendText("look\r\n"));
    std::string big(8 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    socket->SendText(big);
    socket->SendText("END");
    const QByteArray all = QByteArray::fromStdString("connect hero\r\nlook\r\n" + big + "END");
    ASSERT_TRUE(server.WaitForReceived(static_cast<int>(all.size()), 20000));
    EXPECT_TRUE(server.Received() == all);
    EXPECT_TRUE(socket->PendingOutput().empty());
}

TEST_F(TelnetSocketTest, CloseFromAnywhereTakesTheDisconnectPathAndDeletionIsSilent)
{
    ConnectReady();
    socket->Close();
    EXPECT_EQ(changes, (std::vector<Change>{{true, 0}, {false, 0}}));
    EXPECT_FALSE(socket->IsConnected());
    ASSERT_TRUE(WaitUntil([&] { return !server.HasClient(); })); // the server saw the close

    // Closing from inside a read: the rest of that read is dropped, nothing more arrives.
    ConnectReady();
    onReceive = [&] { socket->Close(); };
    server.Send(QByteArray(2000, 'x'));
    QThread::msleep(50);
    ASSERT_TRUE(WaitForChanges(4));
    ASSERT_TRUE(WaitUntil([&] { return !server.HasClient(); }));
    EXPECT_EQ(pieces.size(), 1u);

    // Deleting from inside a read (the window was closed from a message box) says nothing.
    onReceive = [&] { socket.reset(); };
    ConnectReady();
    server.Send(QByteArray(2000, 'y'));
    QThread::msleep(50);
    ASSERT_TRUE(WaitUntil([&] { return socket == nullptr && !server.HasClient(); }));
    EXPECT_EQ(pieces.size(), 2u);
    EXPECT_EQ(changes.size(), 5u);
    EXPECT_TRUE(sink.shown.empty());

    // Deleting from inside the connect failure report.
    socket = std::make_unique<CTelnetSocket>(sink);
    socket->SetDocument(this);
    onChange = [&] { socket.reset(); };
    if (socket->Connect("127.0.0.1", ClosedPort())) {
        ASSERT_TRUE(WaitUntil([&] { return socket == nullptr; }));
    }
}

TEST_F(TelnetSocketTest, UrgentDataReportReadsTheStreamButNotTheUrgentByte)
{
    QTcpServer oobServer;
    ASSERT_TRUE(oobServer.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(socket->Connect("127.0.0.1", oobServer.serverPort()));
    ASSERT_TRUE(WaitUntil([&] { return oobServer.hasPendingConnections(); }));
    const int fd = static_cast<int>(oobServer.nextPendingConnection()->socketDescriptor());
    ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
    // A telnet Synch: IAC DM with the Data Mark as the urgent byte.
    ASSERT_EQ(::send(fd, "ab\xff", 3, 0), 3);
    ASSERT_EQ(::send(fd, "\xf2", 1, MSG_OOB), 1);
    ASSERT_EQ(::send(fd, "cd", 2, 0), 2);
    ASSERT_TRUE(WaitUntil([&] { return Joined().size() >= 5; }));
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(Joined(), "ab\xff"
                        "cd");
    EXPECT_TRUE(socket->IsConnected());
}
