// The session alone, against real sockets on 127.0.0.1, and on port 23 against a real telnet
// daemon (inetutils telnetd, started through inetutils inetd on 127.0.0.1 for the duration of
// its suite). The daemon asks for several options at once; every request must be refused,
// and none of the protocol may show.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "base/AppState.h"
#include "base/RandomGenerator.h"
#include "common/RecordingView.h"
#include "common/ScriptedServer.h"
#include "common/TestServices.h"
#include "common/TestSupport.h"
#include "image/FoundUrl.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace std::string_literals;
using namespace brumble::test;
using Lines = std::vector<std::string>;

namespace {

const std::string kHost = "127.0.0.1";
const std::string kDisconnected = "A session was disconnected from 127.0.0.1";

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

class BrumbleDocTest : public ::testing::Test, public brumble::test::CTestServices {
protected:
    void SetUp() override { doc.AddView(&view); }

    // Opens a session to the scripted server and waits until both sides see it.
    void Connect()
    {
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));
    }
    // Sends and waits until the server has it (so the socket is ready to send from then on).
    void SendAndWait(const std::string& text)
    {
        const auto before = server.Received().size();
        doc.SendCommand(text);
        ASSERT_TRUE(server.WaitForReceived(static_cast<int>(before + text.size())));
    }
    Lines Got() const { return {doc.GetLines().begin(), doc.GetLines().end()}; }
    bool Has(const std::string& line) const
    {
        return std::find(doc.GetLines().begin(), doc.GetLines().end(), line) !=
               doc.GetLines().end();
    }

    CBrumbleDoc doc{services};
    CRecordingView view;
    CScriptedServer server;
};

const QString kInetd = QStringLiteral("/usr/sbin/inetutils-inetd");
const QString kTelnetd = QStringLiteral("/usr/sbin/telnetd");

bool PortAccepts(quint16 port)
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    const bool ok = probe.waitForConnected(200);
    probe.abort();
    return ok;
}

// Requests (DO/WILL) seen in the log that no later refusal (WONT/DONT of the same option)
// answers. The log holds the raw received bytes and, after them, the commands sent.
struct Negotiation {
    int requests = 0;
    std::map<std::pair<unsigned char, unsigned char>, int> unanswered; // (answer, option)
};

Negotiation ScanLog(const std::string& log)
{
    Negotiation n;
    for (std::size_t i = 0; i + 2 < log.size(); ++i) {
        const auto iac = static_cast<unsigned char>(log[i]);
        const auto command = static_cast<unsigned char>(log[i + 1]);
        const auto option = static_cast<unsigned char>(log[i + 2]);
        if (iac != 255 || command == 255) { // data, or an escaped data byte
            i += iac == 255 ? 1 : 0;
        } else if (command == 253 || command == 251) {
            ++n.requests;
            ++n.unanswered[{command == 253 ? 252 : 254, option}];
            i += 2;
        } else if (command == 252 || command == 254) {
            auto it = n.unanswered.find({command, option});
            if (it != n.unanswered.end() && --it->second == 0)
                n.unanswered.erase(it);
            i += 2;
        }
    }
    return n;
}

class BrumbleDocTelnetdTest : public ::testing::Test, public brumble::test::CTestServices {
protected:
    static void SetUpTestSuite()
    {
        s_skipReason.clear();
        if (!QFile::exists(kInetd) || !QFile::exists(kTelnetd)) {
            s_skipReason = "no telnet daemon installed (inetutils-inetd, inetutils-telnetd)";
            return;
        }
        if (geteuid() != 0) {
            s_skipReason = "port 23 can only be bound by root";
            return;
        }
        if (PortAccepts(23)) {
            s_skipReason = "something else already listens on 127.0.0.1 port 23";
            return;
        }
        s_dir = std::make_unique<ScopedTempDir>();
        const std::string conf = s_dir->File("inetd.conf");
        QFile file(QString::fromStdString(conf));
        if (!file.open(QIODevice::WriteOnly)) {
            s_skipReason = "cannot write the inetd configuration";
            return;
        }
        // cat instead of login: the test needs the negotiation, not a shell.
        file.write("127.0.0.1:telnet stream tcp nowait root /usr/sbin/telnetd telnetd -h -E "
                   "/bin/cat\n");
        file.close();
        s_inetd = std::make_unique<QProcess>();
        s_inetd->setProcessChannelMode(QProcess::MergedChannels);
        s_inetd->start(kInetd, {QStringLiteral("-d"),
                                QString::fromStdString("--pidfile=" + s_dir->File("inetd.pid")),
                                QString::fromStdString(conf)});
        if (!s_inetd->waitForStarted(5000) ||
            !WaitUntil([] { return s_inetd->state() != QProcess::Running || PortAccepts(23); },
                       5000) ||
            s_inetd->state() != QProcess::Running) {
            s_skipReason =
                "inetd could not bind 127.0.0.1 port 23: " + s_inetd->readAll().toStdString();
            StopInetd();
        }
    }

    static void TearDownTestSuite()
    {
        StopInetd();
        s_dir.reset();
    }

    static void StopInetd()
    {
        if (!s_inetd)
            return;
        if (s_inetd->state() != QProcess::NotRunning) {
            s_inetd->terminate();
            if (!s_inetd->waitForFinished(3000)) {
                s_inetd->kill();
                s_inetd->waitForFinished(3000);
            }
        }
        s_inetd.reset();
    }

    void SetUp() override
    {
        if (!s_skipReason.empty())
            GTEST_SKIP() << s_skipReason;
        doc.AddView(&view);
    }

    static std::string s_skipReason;
    static std::unique_ptr<ScopedTempDir> s_dir;
    static std::unique_ptr<QProcess> s_inetd;

    CBrumbleDoc doc{services};
    CRecordingView view;
};

std::string BrumbleDocTelnetdTest::s_skipReason;
std::unique_ptr<ScopedTempDir> BrumbleDocTelnetdTest::s_dir;
std::unique_ptr<QProcess> BrumbleDocTelnetdTest::s_inetd;

} // namespace

TEST_F(BrumbleDocTest, ViewsLearnWhatIsNewAndMayCloseOrEchoWhileBeingTold)
{
    CRecordingView second;
    doc.AddView(&second);
    doc.AddView(&second); // registered once
    for (const char* read : {"abc\r\n", "abc\n\r", "> ", "\r\n", "\n\n\n", "\x07x"})
        doc.OnReceiveText(read);
    const std::vector<std::pair<int, bool>> expected = {{1, true}, {1, true}, {1, false},
                                                        {0, true}, {0, true}, {4, false}};
    EXPECT_EQ(view.added, expected);
    EXPECT_EQ(second.added, expected);
    EXPECT_EQ(Got(), (Lines{"abc", "abc", "> ", "", "", "", "x"}));
    EXPECT_TRUE(view.removed.empty());
    EXPECT_EQ(sound.played, Lines{"system:SystemExclamation"}); // the BEL

    // The first view closes the last one while it is being told of new text, then echoes
    // script output from inside AddText, as the real one does.
    CRecordingView later;
    doc.AddView(&later);
    view.onCall = [&](const std::string& call) {
        if (call.rfind("AddText", 0) == 0)
            doc.RemoveView(&later);
    };
    doc.OnReceiveText("hello\r\n");
    EXPECT_EQ(second.added.size(), 7u);
    EXPECT_TRUE(later.calls.empty());
    bool echoed = false;
    view.onCall = [&](const std::string& call) {
        if (call.rfind("AddText", 0) == 0 && !std::exchange(echoed, true))
            doc.OnReceiveText("echo\r\n");
    };
    doc.OnReceiveText("world\r\n");
    EXPECT_EQ(Got(), (Lines{"abc", "abc", "> ", "", "", "", "xhello", "world", "echo"}));
}

TEST_F(BrumbleDocTest, BufferIsTrimmedToTheLimitAfterTheViewsAreTold)
{
    for (int i = 1; i <= 250; ++i)
        doc.OnReceiveText("line " + std::to_string(i) + "\r\n");
    EXPECT_TRUE(view.removed.empty());
    std::size_t linesWhenTold = 0;
    view.onCall = [&](const std::string& call) {
        if (call.rfind("RemoveLines", 0) == 0)
            linesWhenTold = doc.GetLines().size();
    };
    doc.OnReceiveText("line 251\r\n");
    EXPECT_EQ(view.removed, std::vector<int>{1});
    EXPECT_EQ(linesWhenTold, 251u); // the lines are still there when the view is told
    ASSERT_EQ(doc.GetLines().size(), 250u);
    EXPECT_EQ(doc.GetLines().front(), "line 2");
    EXPECT_EQ(doc.GetLines().back(), "line 251");
    EXPECT_EQ(doc.CurrentLine(), 250);

    // Within a read report the view is told of new lines once, at its end, though the
    // buffer keeps its size all along; one cut short (its end never comes) is caught up as
    // soon as the event loop runs.
    view.onCall = nullptr;
    view.added.clear();
    view.removed.clear();
    doc.BeginReadReport();
    for (int i = 0; i < 300; ++i)
        doc.OnReceiveText("flood " + std::to_string(i) + "\r\n");
    EXPECT_TRUE(view.added.empty());
    EXPECT_EQ(view.removed, std::vector<int>(300, 1));
    doc.EndReadReport();
    EXPECT_EQ(view.added, (std::vector<std::pair<int, bool>>{{300, true}}));
    EXPECT_EQ(doc.GetLines().front(), "flood 50");
    doc.BeginReadReport();
    doc.OnReceiveText("cut short\r\n");
    EXPECT_EQ(view.added.size(), 1u);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.added.size(), 2u);

    // Nothing but line feeds, then one character: the result is what trimming would give.
    for (int i = 0; i < 2000; ++i)
        doc.OnReceiveText(std::string(508, '\n'));
    view.added.clear();
    doc.OnReceiveText("\rx");
    Lines expected(249, "");
    expected.push_back("x");
    EXPECT_EQ(Got(), expected);
    EXPECT_EQ(doc.CurrentLine(), 249);
    ASSERT_EQ(view.added.size(), 1u);
    EXPECT_LE(view.added[0].first, 250);
}

TEST_F(BrumbleDocTest, LineBufferComesFromTheHostThenDisplayLinesAndIsNeverBelowOne)
{
    EXPECT_EQ(doc.LineBufferLimit(), 250);
    settings.WriteInt("Display", "Lines", 0);
    doc.OnReceiveText("a\r\nb\r\nc");
    EXPECT_EQ(Got(), Lines{"c"});
    EXPECT_EQ(doc.CurrentLine(), 0);
    doc.OnReceiveText("d\r\n");
    EXPECT_EQ(Got(), Lines{"cd"});
    EXPECT_EQ(doc.CurrentLine(), 1);
    settings.WriteInt("Display", "Lines", -5);
    EXPECT_EQ(doc.LineBufferLimit(), 1);
    // No connection means no host section: nothing is created under an empty name.
    for (const std::string& section : settings.Sections())
        EXPECT_FALSE(section.empty());

    settings.WriteInt("Display", "Lines", 10);
    Connect();
    EXPECT_EQ(doc.LineBufferLimit(), 10);
    settings.WriteInt(kHost, "Line Buffer", 3);
    server.Send("1\r\n2\r\n3\r\n4\r\n5\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Has("5"); }));
    EXPECT_EQ(Got(), (Lines{"3", "4", "5"}));
    // A changed limit holds from the next read on.
    settings.WriteInt(kHost, "Line Buffer", 2);
    server.Send("6\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Has("6"); }));
    EXPECT_EQ(Got(), (Lines{"5", "6"}));
    settings.WriteInt(kHost, "Line Buffer", 0);
    EXPECT_EQ(doc.LineBufferLimit(), 1);
}

TEST_F(BrumbleDocTest, LogGetsEveryReadUnfilteredAndCommandsWhenAskedSaveGetsTheLines)
{
    const std::string log = dir.File("session.log");
    EXPECT_FALSE(doc.SetLogFile(std::nullopt)); // nothing to close
    ASSERT_TRUE(doc.SetLogFile(log));
    const std::string raw = "\x1b[31mred\x1b[0m\xff\xfb\x01\0x\x07\r\n"s;
    doc.OnReceiveText(raw);
    EXPECT_EQ(ReadFile(log), raw); // flushed after each read
    // Opening again truncates; closing reports whether there was a log.
    ASSERT_TRUE(doc.SetLogFile(log));
    EXPECT_EQ(ReadFile(log), "");
    EXPECT_TRUE(doc.SetLogFile(std::nullopt));
    EXPECT_FALSE(doc.IsLogging());
    doc.OnReceiveText("not logged");
    EXPECT_EQ(ReadFile(log), "");

    Connect();
    ASSERT_TRUE(doc.SetLogFile(log));
    EXPECT_TRUE(doc.IsLogging());
    SendAndWait("quiet\r\n");
    EXPECT_EQ(ReadFile(log), ""); // "LogCommands" is off by default
    settings.WriteInt(kHost, "LogCommands", 1);
    settings.WriteInt(kHost, "AutoLogCommands", 2);
    EXPECT_EQ(doc.AutoLogCommandsEnabled(), 2);
    // The command line's path with local echo: send, then the same text through receive.
    SendAndWait("say hi\r\n");
    doc.OnReceiveText("say hi\r\n");
    server.Send("\x1b[1mYou say hi\x1b[0m\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Has("You say hi"); }));
    EXPECT_EQ(ReadFile(log), "say hi\r\nsay hi\r\n\x1b[1mYou say hi\x1b[0m\r\n");

    // A log that cannot be created leaves logging off, closing the one that was open.
    EXPECT_FALSE(doc.SetLogFile(dir.File("no/such/folder/x.log")));
    EXPECT_FALSE(doc.IsLogging());

    // Saving writes every line of the buffer with CR LF.
    const std::string path = dir.File("saved.txt");
    doc.OnReceiveText("\xe9t\xe9\r\nprompt> ");
    ASSERT_TRUE(doc.SaveText(path));
    EXPECT_EQ(ReadFile(path),
              "red\xff\xfbx\r\nnot loggedsay hi\r\nYou say hi\r\n\xe9t\xe9\r\nprompt> \r\n");
    EXPECT_FALSE(doc.SaveText(dir.File("no/such/folder/saved.txt")));
    if (QFile::exists(QStringLiteral("/dev/full"))) { // a device that takes nothing
        EXPECT_FALSE(doc.SaveText("/dev/full"));
    }
}

TEST_F(BrumbleDocTest, FailedOpensShowTheirMessagesInOrder)
{
    app.nextHost.clear();
    app.nextPort = 23;
    EXPECT_FALSE(doc.OnNewDocument()); // no host: no session, no message
    QSignalSpy titles(&doc, &CBrumbleDoc::TitleChanged);
    doc.SendCommand("look\r\n");
    EXPECT_TRUE(sound.played.empty()); // no socket: not even a beep

    // A port that cannot exist fails at once: the socket's message only, no late report.
    EXPECT_FALSE(doc.OpenSession(kHost, 65536));
    EXPECT_EQ(doc.Socket(), nullptr);
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(view.calls.empty());

    // A name that does not resolve (looked up in the background) and a refused port both
    // give the socket's message, then the session's, after the views were told.
    QTcpServer probe; // a port with nobody listening once the probe is gone
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    const std::vector<std::tuple<std::string, unsigned, std::string>> cases = {
        {"no-such-host.invalid", 4000,
         "Unable to connect to no-such-host.invalid.\nBrumble was unable to initialise the "
         "connection successfully.\nPlease make sure you are connected to a network or the "
         "internet."},
        {kHost, port, "Unable to connect to 127.0.0.1.\nThe attempt to connect was rejected."}};
    for (const auto& [host, hostPort, reason] : cases) {
        messages.shown.clear();
        view.calls.clear();
        ASSERT_TRUE(doc.OpenSession(host, hostPort));
        ASSERT_TRUE(WaitUntil([&] { return messages.shown.size() >= 2; }, 15000));
        ASSERT_EQ(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown[0].text, reason);
        EXPECT_EQ(messages.shown[1].text, "A session was disconnected from " + host);
        EXPECT_EQ(messages.shown[1].icon, CMessageSink::Icon::Exclamation);
        EXPECT_EQ(messages.shown[1].buttons, CMessageSink::Buttons::Ok);
        EXPECT_EQ(view.calls, Lines{"Connected(false)"});
        EXPECT_NE(doc.Socket(), nullptr); // kept, ready to connect again
        EXPECT_EQ(doc.Title(), "No Connection");
    }
    ASSERT_GE(titles.count(), 1);
    EXPECT_EQ(titles.back().at(0).toString(), QStringLiteral("No Connection"));
}

TEST_F(BrumbleDocTest, ConnectedSessionSendsReceivesAndTitlesItself)
{
    app.nextHost = kHost;
    app.nextPort = server.Port();
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.TelnetOptions()); // only port 23 speaks telnet
    ASSERT_TRUE(server.WaitForClient());
    ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));
    EXPECT_EQ(view.calls, (Lines{"Connected(true)", "SetTimedTextTimer(0)"}));
    doc.UpdateTitle();
    EXPECT_EQ(doc.Title(), "127.0.0.1 (connected for 0 hours and 0 minutes)");
    server.Send("Welcome home\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Has("Welcome home"); }));

    // The peer closes: one message, the text stays, sending only beeps.
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([&] { return !messages.shown.empty(); }));
    WaitUntil([] { return false; }, 100);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kDisconnected);
    EXPECT_EQ(doc.Title(), "No Connection");
    EXPECT_EQ(view.calls.back(), "Connected(false)");
    doc.SendCommand("anyone?\r\n");
    EXPECT_EQ(sound.played, Lines{"system:SystemExclamation"});
    Connect(); // reconnecting keeps the buffer
    EXPECT_TRUE(Has("Welcome home"));
    EXPECT_EQ(view.calls.back(), "SetTimedTextTimer(0)");

    // Reopened on port 23 the window speaks telnet (nothing needs to listen there), and
    // back on a game port byte 255 is text again.
    doc.OpenSession(kHost, 23);
    doc.OnReceiveText("\xff\xfb\x01on 23\r\n");
    EXPECT_EQ(doc.GetLines().back(), "on 23");
    Connect();
    doc.OnReceiveText("\xff!\r\n");
    EXPECT_EQ(doc.GetLines().back(), "\xff!");

    // A reopen that cannot even start leaves a window that no longer looks connected.
    view.calls.clear();
    messages.shown.clear();
    doc.OpenSession("no-such-host.invalid", 4000);
    ASSERT_TRUE(WaitUntil([&] { return !view.calls.empty(); }));
    EXPECT_EQ(view.calls, Lines{"Connected(false)"});
    EXPECT_FALSE(doc.IsConnected());
    EXPECT_EQ(doc.Title(), "No Connection");
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown[0].text.rfind("Unable to connect to no-such-host.invalid.\n", 0), 0u);
}

TEST_F(BrumbleDocTest, EchoAndNewConnectionsKeepClearOfTheServersUnfinishedSequence)
{
    // Echo typed while the server is mid-sequence is shown, and the sequence still ends.
    doc.OnReceiveText("\x1b[3");
    doc.EchoText("look\r\n");
    doc.OnReceiveText("1mRed\r\n");
    EXPECT_EQ(Got(), (Lines{"look", "Red"}));

    // On port 23 a half command dies with its connection, and the user's own byte 255 is
    // shown, never answered.
    doc.OpenSession(kHost, 23);
    doc.OnReceiveText("\xff");
    doc.OpenSession(kHost, 23);
    doc.OnReceiveText("\xfbx\r\n");
    doc.EchoText("\xff\xfd\x01y\r\n");
    EXPECT_EQ(Got(), (Lines{"look", "Red", "\xfbx", "\xff\xfdy"}));
    EXPECT_TRUE(sound.played.empty()); // no answer was attempted on the dead connection
}

TEST(BrumbleDocTitle, CountsWholeHoursAndTheMinutesOfTheHour)
{
    const std::vector<std::pair<long long, std::string>> cases = {
        {-30, "0 hours and 0 minutes"},  {59, "0 hours and 0 minutes"},
        {60, "0 hours and 1 minutes"},   {3900, "1 hours and 5 minutes"},
        {3959, "1 hours and 5 minutes"}, {90061, "25 hours and 1 minutes"}};
    for (const auto& [seconds, times] : cases)
        EXPECT_EQ(CBrumbleDoc::ConnectedTitle("mud.org", seconds),
                  "mud.org (connected for " + times + ")")
            << seconds;
}

TEST_F(BrumbleDocTest, FeatureObjectsAreRebuiltFromTheHostSectionOnEveryOpen)
{
    // Before any session the absent features answer neutrally.
    std::string line = "\\n x";
    doc.ExpandAlias(line);
    EXPECT_EQ(line, "\\n x");
    EXPECT_EQ(doc.GetAliasChar(), '\0');
    std::optional<std::uint32_t> colour = 0x123456;
    EXPECT_EQ(doc.GetConnectScript(&view) + doc.GetReceiveScript("line", &view, colour) +
                  doc.GetTimerScript(3, &view),
              "");
    EXPECT_EQ(colour, 0x123456u);

    settings.WriteString(kHost, "Alias 01", "n");
    settings.WriteString(kHost, "Alias Action 01", "north");
    settings.WriteString(kHost, "Script Condition 01", "C");
    settings.WriteString(kHost, "Script Commands 01", "Xhello $1");
    settings.WriteString(kHost, "Script Condition 02", "R*tells you*");
    settings.WriteString(kHost, "Script Commands 02", "C255\nXreply $1");
    Connect();
    ASSERT_NE(doc.Aliases(), nullptr);
    EXPECT_EQ(doc.GetConnectScript(&view), "hello $1\r\n");
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

TEST_F(BrumbleDocTelnetdTest, EveryOptionRequestIsRefusedAndNoneOfItShows)
{
    settings.WriteInt(kHost, "LogCommands", 1);
    const std::string log = dir.File("telnet.log");
    ASSERT_TRUE(doc.SetLogFile(log));
    app.nextHost = kHost;
    app.nextPort = 23;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(doc.TelnetOptions());
    ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));

    // The daemon asks in rounds: wait until it has asked and been answered, then give it
    // time for another round and check again.
    auto settled = [&] {
        const Negotiation n = ScanLog(ReadFile(log));
        return n.requests > 0 && n.unanswered.empty();
    };
    ASSERT_TRUE(WaitUntil(settled, 10000)) << "log: " << ReadFile(log).size() << " bytes";
    WaitUntil([] { return false; }, 1000);
    const Negotiation n = ScanLog(ReadFile(log));
    EXPECT_GE(n.requests, 3);
    EXPECT_TRUE(n.unanswered.empty());

    // Nothing of the protocol reached the lines.
    for (const std::string_view line : doc.GetLines()) {
        for (char c : line)
            EXPECT_LT(static_cast<unsigned char>(c), 240) << "in line: " << line;
    }
    EXPECT_TRUE(messages.shown.empty());

    // The daemon's program is cat: a line sent comes back.
    doc.SendCommand("ping\r\n");
    ASSERT_TRUE(WaitUntil(
        [&] {
            return std::any_of(doc.GetLines().begin(), doc.GetLines().end(),
                               [](std::string_view l) { return l.find("ping") != l.npos; });
        },
        5000));
}

TEST_F(BrumbleDocTest, UrlsAreDetectedOnlyInTheInputViewAndReachTheMainFrameRequest)
{
    settings.WriteInt(kHost, "AtImage Enabled", 1);
    std::vector<CFoundUrl> found;
    doc.onFoundUrl = [&](const CFoundUrl& url) { found.push_back(url); };
    const std::string line = "(@image) http://x.org/cat.gif";
    doc.DetectImageUrls(line, &view); // no session yet: no detector
    Connect();
    doc.DetectImageUrls(line, &view); // not the input view (a dialog is open, or another window)
    EXPECT_TRUE(found.empty());
    // Without scripts, only the input view has anything to do with a received line.
    EXPECT_FALSE(doc.DetectsImageUrls(&view));
    app.SetInputView(&view);
    EXPECT_TRUE(doc.DetectsImageUrls(&view));
    doc.DetectImageUrls(line, &view);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], (CFoundUrl{CFoundUrl::kShowPicture, "http://x.org/cat.gif"}));
    app.SetInputView(nullptr);
}

TEST_F(BrumbleDocTest, TheHostsLineEndsAndColourOptionsApplyFromTheNextText)
{
    // By default a server ending its lines with a bare LF shows ordinary lines, and its
    // colours are dropped.
    Connect();
    server.Send("\x1b[31mline one\nline two\n");
    ASSERT_TRUE(WaitUntil([&] { return Has("line two"); }));
    EXPECT_EQ(Got(), (Lines{"line one", "line two"}));
    EXPECT_EQ(doc.GetRuns(0), nullptr);
    // "As sent" and colour on, taken up when the options are confirmed (RefreshViews).
    settings.WriteInt(kHost, "Line Ends", 1);
    settings.WriteInt(kHost, "ANSI Colour", 1);
    doc.RefreshViews();
    server.Send("\x1b[32mthree\nfour\n");
    ASSERT_TRUE(WaitUntil([&] { return Has("     four"); }));
    EXPECT_EQ(Got(), (Lines{"line one", "line two", "three", "     four"}));
    ASSERT_NE(doc.GetRuns(2), nullptr);
    EXPECT_EQ(doc.GetRuns(2)->front().attributes.foreground, CAnsiAttributes::kIndexed | 2);
}
namespace {

// Typed text goes as Latin-1 until the server has sent UTF-8 on this connection (a sequence
// cut across two reads counts), then as UTF-8, stored Latin-1 bytes included. Latin-1 refuses
// what it cannot carry and sends stored bytes as they are.
TEST_F(BrumbleDocTest, AutoSendsUtf8OnceTheServerHasSentUtf8)
{
    Connect();
    const QString cafe = QString::fromUtf8("caf\xC3\xA9");
    std::string bytes;
    ASSERT_TRUE(doc.EncodeTyped(cafe, bytes));
    EXPECT_EQ(bytes, "caf\xE9");
    SendAndWait(bytes + "\r\n");

    server.Send("Caf\xC3");
    ASSERT_TRUE(WaitUntil([&] { return Has("Caf\xC3"); }));
    EXPECT_FALSE(doc.ServerSentUtf8());
    server.Send("\xA9\r\n");
    ASSERT_TRUE(WaitUntil([&] { return doc.ServerSentUtf8(); }));
    ASSERT_TRUE(doc.EncodeTyped(cafe, bytes));
    EXPECT_EQ(bytes, "caf\xC3\xA9");
    server.ClearReceived();
    doc.SendCommand("caf\xE9\r\n"); // an alias stored in Latin-1
    ASSERT_TRUE(server.WaitForReceived(7));
    EXPECT_EQ(server.Received(), QByteArray("caf\xC3\xA9\r\n"));

    settings.WriteInt(kHost, "Encoding", 2);
    EXPECT_FALSE(doc.EncodeTyped(QString::fromUtf8("\xE2\x98\x83"), bytes));
    server.ClearReceived();
    SendAndWait("caf\xE9\r\n");
    EXPECT_EQ(server.Received(), QByteArray("caf\xE9\r\n"));
}

} // namespace
