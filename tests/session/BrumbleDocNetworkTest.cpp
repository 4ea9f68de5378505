// The session against real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <QFile>
#include <QTcpServer>

#include <memory>
#include <string>
#include <vector>

#include "common/RecordingView.h"
#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "script/RandomGenerator.h"
#include "session/AppState.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace std::string_literals;
using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::CRecordingView;
using brumble::test::CScriptedServer;
using brumble::test::ScopedTempDir;
using brumble::test::WaitUntil;

namespace {

const std::string kHost = "127.0.0.1";

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

bool HasLine(const CBrumbleDoc& doc, const std::string& line)
{
    for (const std::string& l : doc.GetLines()) {
        if (l == line)
            return true;
    }
    return false;
}

// A port on 127.0.0.1 with nobody listening.
quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class BrumbleDocNetworkTest : public ::testing::Test {
protected:
    void SetUp() override { doc.AddView(&view); }

    // Opens a session to the scripted server and waits until both sides see it.
    void Connect()
    {
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));
    }
    // Sends and waits until the socket is ready to send (the first writable report).
    void SendAndWait(const std::string& text)
    {
        const auto before = server.Received().size();
        doc.SendCommand(text);
        ASSERT_TRUE(server.WaitForReceived(static_cast<int>(before + text.size())));
    }

    ScopedTempDir dir;
    CSettingsStore settings{dir.File("settings.db")};
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
    CBrumbleDoc doc{services};
    CRecordingView view;
    CScriptedServer server;
};

} // namespace

TEST_F(BrumbleDocNetworkTest, RefusedConnectionShowsBothMessagesInOrder)
{
    const quint16 port = ClosedPort();
    ASSERT_TRUE(doc.OpenSession(kHost, port));
    ASSERT_TRUE(WaitUntil([&] { return messages.shown.size() >= 2; }));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to connect to 127.0.0.1.\nThe attempt to connect was rejected.");
    EXPECT_EQ(messages.shown[1].text, "A session was disconnected from 127.0.0.1");
    EXPECT_EQ(messages.shown[1].icon, CMessageSink::Icon::Exclamation);
    EXPECT_EQ(messages.shown[1].buttons, CMessageSink::Buttons::Ok);
    EXPECT_EQ(doc.Title(), "No Connection");
    EXPECT_EQ(view.calls, std::vector<std::string>{"Connected(false)"});
    // The window keeps its socket, ready to connect again.
    EXPECT_NE(doc.Socket(), nullptr);
    EXPECT_FALSE(doc.IsConnected());
}

TEST_F(BrumbleDocNetworkTest, UnresolvableHostFailsAndLeavesNoSocket)
{
    EXPECT_FALSE(doc.OpenSession("no-such-host.invalid", 4000));
    EXPECT_EQ(doc.Socket(), nullptr);
    EXPECT_EQ(doc.GetHostName(), "");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to connect to no-such-host.invalid.\nBrumble was unable to initialise the "
              "connection successfully.\nPlease make sure you are connected to a network or the "
              "internet.");
    // No late connection report follows.
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(view.calls.empty());

    // The same through a new window: it is not created.
    app.nextHost = "no-such-host.invalid";
    app.nextPort = 23;
    EXPECT_FALSE(doc.OnNewDocument());
    EXPECT_EQ(doc.Socket(), nullptr);
}

TEST_F(BrumbleDocNetworkTest, ConnectedSessionSendsReceivesAndTitlesItself)
{
    QDateTime before = QDateTime::currentDateTime();
    Connect();
    EXPECT_EQ(view.calls, std::vector<std::string>{"Connected(true)"});
    EXPECT_FALSE(doc.LastTextEndedLine());
    EXPECT_GE(doc.ConnectTime(), before.addSecs(-1));
    EXPECT_EQ(doc.GetHostName(), kHost);
    doc.UpdateTitle();
    EXPECT_EQ(doc.Title(), "127.0.0.1 (connected for 0 hours and 0 minutes)");

    SendAndWait("look\r\n");
    EXPECT_EQ(server.Received(), QByteArray("look\r\n"));
    EXPECT_TRUE(sound.played.empty());

    // A NUL in the middle of a read does not cost the rest of it.
    server.Send(QByteArray("Welcome\0 home\r\n> ", 18));
    ASSERT_TRUE(WaitUntil([&] { return HasLine(doc, "> "); }));
    EXPECT_TRUE(HasLine(doc, "Welcome home"));
    EXPECT_FALSE(doc.LastTextEndedLine());
}

TEST_F(BrumbleDocNetworkTest, CommandLoggingWritesCommandsAndEchoesTwice)
{
    const std::string log = dir.File("commands.log");
    Connect();
    ASSERT_TRUE(doc.SetLogFile(log));
    SendAndWait("quiet\r\n");
    EXPECT_EQ(ReadFile(log), ""); // "LogCommands" is off by default

    settings.WriteInt(kHost, "LogCommands", 1);
    EXPECT_EQ(doc.LogCommandsEnabled(), 1);
    // The command line's path with local echo: send, then the same text through receive.
    SendAndWait("say hi\r\n");
    doc.OnReceiveText("say hi\r\n");
    EXPECT_EQ(ReadFile(log), "say hi\r\nsay hi\r\n");

    server.Send("\x1b[1mYou say hi\x1b[0m\r\n");
    ASSERT_TRUE(WaitUntil([&] { return HasLine(doc, "You say hi"); }));
    EXPECT_EQ(ReadFile(log), "say hi\r\nsay hi\r\n\x1b[1mYou say hi\x1b[0m\r\n");

    settings.WriteInt(kHost, "AutoLogCommands", 2);
    EXPECT_EQ(doc.AutoLogCommandsEnabled(), 2);
}

TEST_F(BrumbleDocNetworkTest, TelnetRequestsAreAnsweredAsLoggedCommands)
{
    doc.SetTelnetOptions(true);
    Connect();
    settings.WriteInt(kHost, "LogCommands", 1);
    const std::string log = dir.File("telnet.log");
    ASSERT_TRUE(doc.SetLogFile(log));
    SendAndWait("\r\n"); // the socket is ready to send from here on
    server.ClearReceived();

    const std::string requests = "\xff\xfd\x18\xff\xfb\x01login: "s;
    server.Send(Bytes(requests));
    ASSERT_TRUE(server.WaitForReceived(6));
    EXPECT_EQ(server.Received(), Bytes("\xff\xfc\x18\xff\xfe\x01"s));
    ASSERT_TRUE(WaitUntil([&] { return HasLine(doc, "login: "); }));
    // The read is logged as it came, then the answers as they were sent.
    EXPECT_EQ(ReadFile(log), "\r\n" + requests + "\xff\xfc\x18\xff\xfe\x01"s);
}

TEST_F(BrumbleDocNetworkTest, HostLineBufferEntryWinsOverTheDisplayDefault)
{
    settings.WriteInt("Display", "Lines", 10);
    Connect();
    EXPECT_EQ(doc.LineBufferLimit(), 10);
    settings.WriteInt(kHost, "Line Buffer", 3);
    EXPECT_EQ(doc.LineBufferLimit(), 3);
    server.Send("1\r\n2\r\n3\r\n4\r\n5\r\n");
    ASSERT_TRUE(WaitUntil([&] { return HasLine(doc, "5"); }));
    EXPECT_EQ(doc.GetLines().size(), 3u);
    EXPECT_EQ(doc.GetLines().front(), "3");
}

TEST_F(BrumbleDocNetworkTest, PeerCloseReportsOnceAndKeepsTheText)
{
    Connect();
    server.Send("Goodbye.\r\n");
    ASSERT_TRUE(WaitUntil([&] { return HasLine(doc, "Goodbye."); }));
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([&] { return !messages.shown.empty(); }));
    WaitUntil([] { return false; }, 100);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "A session was disconnected from 127.0.0.1");
    EXPECT_EQ(doc.Title(), "No Connection");
    EXPECT_EQ(view.calls.back(), "Connected(false)");
    EXPECT_TRUE(HasLine(doc, "Goodbye."));

    // Sending now only beeps.
    doc.SendCommand("anyone?\r\n");
    EXPECT_EQ(sound.played, std::vector<std::string>{"system:SystemExclamation"});

    // Reconnecting keeps the buffer.
    CScriptedServer second;
    ASSERT_TRUE(doc.OpenSession(kHost, second.Port()));
    ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));
    EXPECT_TRUE(HasLine(doc, "Goodbye."));
    EXPECT_EQ(view.calls.back(), "Connected(true)");
}

TEST_F(BrumbleDocNetworkTest, HostileServerCannotGrowALineWithoutBound)
{
    Connect();
    const QByteArray chunk(64 * 1024, 'A');
    const int chunks = 32; // 2 MB without a line end
    for (int i = 0; i < chunks; ++i)
        server.Send(chunk);
    const std::size_t total = static_cast<std::size_t>(chunk.size()) * chunks;
    auto bytesShown = [&] {
        std::size_t n = 0;
        for (const std::string& l : doc.GetLines())
            n += l.size();
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return bytesShown() == total; }, 20000));
    EXPECT_EQ(doc.GetLines().size(), total / CReceiveFilter::kMaxLineLength);
    for (const std::string& l : doc.GetLines())
        EXPECT_EQ(l.size(), static_cast<std::size_t>(CReceiveFilter::kMaxLineLength));
}

TEST_F(BrumbleDocNetworkTest, FeatureObjectsAreRebuiltFromTheHostSectionOnEveryOpen)
{
    // Before any session there are no aliases: nothing is expanded.
    std::string line = "\\n x";
    doc.ExpandAlias(line);
    EXPECT_EQ(line, "\\n x");
    EXPECT_EQ(doc.Aliases(), nullptr);

    EXPECT_EQ(doc.GetConnectScript(&view), "");

    settings.WriteString(kHost, "Alias 01", "n");
    settings.WriteString(kHost, "Alias Action 01", "north");
    settings.WriteString(kHost, "Script Condition 01", "C");
    settings.WriteString(kHost, "Script Commands 01", "Xhello $1");
    settings.WriteString(kHost, "Script Condition 02", "R*tells you*");
    settings.WriteString(kHost, "Script Commands 02", "C255\nXreply $1");
    Connect();
    ASSERT_NE(doc.Aliases(), nullptr);
    EXPECT_EQ(doc.GetConnectScript(&view), "hello $1\r\n");
    std::uint32_t colour = 0xFFFFFFFF;
    EXPECT_EQ(doc.GetReceiveScript("Bob tells you hi", &view, colour), "reply Bob\r\n");
    EXPECT_EQ(colour, 255u);
    EXPECT_EQ(doc.GetAliasChar(), '\\');
    doc.ExpandAlias(line);
    EXPECT_EQ(line, "north");

    // A reconnect reads the host section again.
    settings.WriteInt(kHost, "Alias Char", '/');
    settings.WriteString(kHost, "Alias Action 01", "south");
    Connect();
    EXPECT_EQ(doc.GetAliasChar(), '/');
    line = "/n x";
    doc.ExpandAlias(line);
    EXPECT_EQ(line, "south");
}
