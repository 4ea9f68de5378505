// CTelnetSocket against real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <netinet/in.h>
#include <numeric>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "session/TelnetSocket.h"

using namespace brumble::test;
using Change = std::pair<bool, std::size_t>; // connected, messages shown before it

namespace {

const std::string kUnresolved = ".\nBrumble was unable to initialise the connection "
                                "successfully.\nPlease make sure you are connected to a network "
                                "or the internet.";
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

// A server on 127.0.0.1 that accepts and sends but never reads, so that what a client sends
// piles up in the kernel's buffers and then in the client's own.
class CDeafServer {
public:
    CDeafServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~CDeafServer()
    {
        for (int fd : {m_client, m_listener}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    quint16 Port() const { return m_port; }
    // Call once the client is connected: the connection then waits in the backlog.
    bool Accept() { return (m_client = ::accept(m_listener, nullptr, nullptr)) >= 0; }
    bool Send(const std::string& bytes)
    {
        return ::send(m_client, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size());
    }

private:
    int m_listener = -1;
    int m_client = -1;
    quint16 m_port = 0;
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
    // An empty name and a name with a NUL in it cannot be looked up.
    EXPECT_FALSE(socket->Connect("", 4000));
    const std::string nulName("127.0.0.1\0evil", 14);
    EXPECT_FALSE(socket->Connect(nulName, server.Port()));
    // A port beyond 16 bits would be silently cut to another port.
    EXPECT_FALSE(socket->Connect("127.0.0.1", 65536u + server.Port()));
    ASSERT_EQ(sink.shown.size(), 3u);
    EXPECT_EQ(sink.shown[1].text, "Unable to connect to " + nulName + kUnresolved);
    EXPECT_EQ(sink.shown[2].text, "Unable to connect to 127.0.0.1.\nThe specified address is "
                                  "not available from the local machine.");
    QCoreApplication::processEvents();
    EXPECT_TRUE(changes.empty()); // a connect that never started is not a disconnect
    EXPECT_FALSE(server.HasClient());

    // The highest port is a port like any other: nobody listens there, so it is refused.
    socket->Connect("127.0.0.1", 65535);
    ASSERT_TRUE(WaitUntil([&] { return sink.shown.size() == 4; }));
    EXPECT_EQ(sink.shown[3].text,
              "Unable to connect to 127.0.0.1.\nThe attempt to connect was rejected.");
}

TEST_F(TelnetSocketTest, NameThatDoesNotResolveFailsLikeARefusedConnect)
{
    // The look-up runs in the background, so the failure is reported as a failed connect.
    ASSERT_TRUE(socket->Connect("nonexistent.invalid", 4000));
    ASSERT_TRUE(WaitForChanges(1));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "Unable to connect to nonexistent.invalid" + kUnresolved);
    EXPECT_EQ(changes[0], Change(false, 1));
}

TEST_F(TelnetSocketTest, AddressesAreTriedInOrderAndTheLastFailureIsShown)
{
    // Nobody listens on 127.0.0.2: refused there, the connect goes on to 127.0.0.1.
    const QHostAddress refusing(QStringLiteral("127.0.0.2"));
    const QHostAddress listening(QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(socket->ConnectToAddresses("mud.example", server.Port(), {refusing, listening}));
    ASSERT_TRUE(server.WaitForClient());
    ASSERT_TRUE(WaitForChanges(1));
    EXPECT_EQ(changes[0], Change(true, 0));
    EXPECT_EQ(socket->GetHost(), "mud.example");
    socket->Close();

    // When every address fails, the message names the reason of the last one.
    socket->ConnectToAddresses("mud.example", ClosedPort(), {listening, QHostAddress()});
    ASSERT_TRUE(WaitUntil([&] { return sink.shown.size() == 1; }));
    EXPECT_EQ(sink.shown[0].text, "Unable to connect to mud.example.\nAddresses in the specified "
                                  "family cannot be used with Brumble.");
}

TEST_F(TelnetSocketTest, Ipv6LoopbackConnectsWithOrWithoutBrackets)
{
    CScriptedServer server6{QHostAddress(QHostAddress::LocalHostIPv6)};
    if (!server6.IsListening())
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    for (const std::string host : {"[::1]", "::1"}) {
        SCOPED_TRACE(host);
        socket = std::make_unique<CTelnetSocket>(sink);
        ASSERT_TRUE(socket->SetDocument(this));
        ASSERT_TRUE(socket->Connect(host, server6.Port()));
        ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
        server6.ClearReceived();
        EXPECT_TRUE(socket->SendText("look\r\n"));
        EXPECT_TRUE(server6.WaitForReceived(6));
        EXPECT_EQ(socket->GetHost(), host); // the settings section keeps the name as typed
    }
    EXPECT_TRUE(sink.shown.empty());
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

TEST_F(TelnetSocketTest, SlowListenerLetsTheEventLoopRunBetweenReadReports)
{
    ConnectReady();
    const std::string burst(60 * 1024, 'x');
    server.Send(QByteArray::fromStdString(burst));
    QThread::msleep(50); // all of it waits in our kernel before the read report runs
    std::size_t piecesWhenLoopRan = 0;
    onReceive = [&] {
        if (pieces.size() == 1)
            QTimer::singleShot(0, [&] { piecesWhenLoopRan = pieces.size(); });
        QThread::usleep(1000); // a listener with much to do for every piece
    };
    ASSERT_TRUE(WaitUntil([&] { return Joined().size() >= burst.size(); }));
    EXPECT_EQ(Joined(), burst);
    // A report ends when its time is spent, not after a fixed amount of text: the event
    // loop got through while most of the burst was still waiting.
    EXPECT_GT(piecesWhenLoopRan, 0u);
    EXPECT_LT(piecesWhenLoopRan, pieces.size() / 2);
}

TEST_F(TelnetSocketTest, TextQueuedBeforeFirstWritableReportGoesOutThen)
{
    // Text sent while not connected is dropped at the next connect, and meanwhile kept only
    // up to the limit, without a word.
    EXPECT_FALSE(socket->SendText("stale timed text\r\n"));
    EXPECT_FALSE(socket->SendText(std::string(CTelnetSocket::kMaxPendingOutput, 't')));
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

    // Held (during a read report), text waits in order and goes out when released.
    socket->HoldSends(true);
    EXPECT_TRUE(socket->SendText("lo"));
    EXPECT_TRUE(socket->SendText("ok"));
    EXPECT_EQ(socket->PendingOutput(), "look");
    socket->HoldSends(false);
    EXPECT_TRUE(socket->PendingOutput().empty());

    // Once ready, text goes out at once; more than the kernel takes waits for writable.
    EXPECT_TRUE(socket->SendText("\r\n"));
    std::string big(2 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    std::string sent = "connect hero\r\nlook\r\n";
    for (int i = 0; i < 4; ++i) {
        socket->SendText(big);
        sent += big;
        ASSERT_TRUE(WaitUntil([&] { return socket->PendingOutput().empty(); }, 20000));
    }
    socket->SendText("END");
    const QByteArray all = QByteArray::fromStdString(sent + "END");
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

    // A connect closed, or deleted, while its host is looked up: the late answer starts
    // nothing.
    auto lateAnswerActs = [&] {
        return WaitUntil([&] { return server.HasClient() || changes.size() > 6; }, 300);
    };
    socket = std::make_unique<CTelnetSocket>(sink);
    socket->SetDocument(this);
    ASSERT_TRUE(socket->Connect("localhost", server.Port()));
    socket->Close();
    EXPECT_EQ(changes.size(), 6u);
    EXPECT_FALSE(lateAnswerActs());
    ASSERT_TRUE(socket->Connect("localhost", server.Port()));
    socket.reset();
    EXPECT_FALSE(lateAnswerActs());

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

TEST_F(TelnetSocketTest, ServerThatStopsReadingIsDisconnectedOnceTheOutputOverflows)
{
    CDeafServer deaf;
    ASSERT_TRUE(socket->Connect("127.0.0.1", deaf.Port()));
    ASSERT_TRUE(WaitUntil([&] { return socket->SendState() == 1; }));
    ASSERT_TRUE(deaf.Accept());
    // Every piece the server sends makes a relay script answer with a lot of text.
    const std::string answer(1024 * 1024, 'r');
    std::size_t mostPending = 0;
    bool closedUnderCaller = false;
    onReceive = [&] {
        socket->SendText(answer);
        mostPending = std::max(mostPending, socket->PendingOutput().size());
        closedUnderCaller = closedUnderCaller || !socket->IsConnected() || !sink.shown.empty();
    };
    ASSERT_TRUE(deaf.Send(std::string(64 * 1024, 'x')));
    ASSERT_TRUE(WaitUntil([&] { return !sink.shown.empty(); }, 20000));
    EXPECT_EQ(sink.shown[0].text, "A session was disconnected from 127.0.0.1.\nThe server stopped "
                                  "reading what Brumble sends, and the text waiting to be sent "
                                  "grew too large.");
    ASSERT_TRUE(WaitForChanges(2));
    EXPECT_EQ(changes[1], Change(false, 1)); // the session hears of it after the message
    EXPECT_LE(mostPending, CTelnetSocket::kMaxPendingOutput);
    EXPECT_FALSE(closedUnderCaller); // the close waits until the receive path is done
    EXPECT_EQ(sink.shown.size(), 1u);
}

TEST(TelnetSocketErrors, EveryCodeAndSystemErrorHasItsReason)
{
    const std::vector<std::pair<int, std::string>> reasons = {
        {10014, "Invalid Host address name."},
        {10022, "Brumble was unable to initialise the connection successfully.\nPlease make "
                "sure you are connected to a network or the internet."},
        {10024, "No more file descriptors are available."},
        {10036, "A blocking Windows Sockets call is in progress."},
        {10038, "The descriptor is not a socket."},
        {10039, "A valid destination address is required."},
        {10047, "Addresses in the specified family cannot be used with Brumble."},
        {10048, "The specified address is already in use."},
        {10049, "The specified address is not available from the local machine."},
        {10050, "The network subsystem has failed."},
        {10051, "The network cannot be reached from this host at this time."},
        {10053, "The connection was aborted due to timeout or other failure."},
        {10054, "The connection was reset by the remote side."},
        {10055, "No buffer space is available. The socket cannot be connected."},
        {10056, "The socket is already connected."},
        {10060, "Attempt to connect timed out without establishing a connection."},
        {10061, "The attempt to connect was rejected."},
        {10093, "The socket was not initialised properly.\nPlease shutdown Brumble and restart."},
        {10035, "Unknown error occured: 10035"},
        {-7, "Unknown error occured: -7"},
    };
    for (const auto& [code, reason] : reasons)
        EXPECT_EQ(CTelnetSocket::ErrorReason(code), reason) << code;

    const std::vector<std::pair<int, int>> systemErrors = {
        {EFAULT, 10014},       {EINVAL, 10022},
        {EMFILE, 10024},       {ENFILE, 10024},
        {EINPROGRESS, 10036},  {EALREADY, 10036},
        {ENOTSOCK, 10038},     {EBADF, 10038},
        {EDESTADDRREQ, 10039}, {EAFNOSUPPORT, 10047},
        {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},
        {ENETDOWN, 10050},     {ENETUNREACH, 10051},
        {EHOSTUNREACH, 10051}, {ECONNABORTED, 10053},
        {ECONNRESET, 10054},   {EPIPE, 10054},
        {ENOBUFS, 10055},      {EISCONN, 10056},
        {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},
        {EAGAIN, 10035},       {ENOENT, ENOENT}, // unmapped: shown with its own number
    };
    for (const auto& [err, code] : systemErrors)
        EXPECT_EQ(CTelnetSocket::ErrorCodeFromErrno(err), code) << err;
    // A connect that timed out, as the user reads it.
    EXPECT_EQ(CTelnetSocket::ErrorReason(CTelnetSocket::ErrorCodeFromErrno(ETIMEDOUT)),
              "Attempt to connect timed out without establishing a connection.");
    EXPECT_EQ(CTelnetSocket::ErrorReason(CTelnetSocket::ErrorCodeFromErrno(ENOENT)),
              "Unknown error occured: 2");
}
