// The session on port 23 against a real telnet daemon (inetutils telnetd, started through
// inetutils inetd on 127.0.0.1 for the duration of the suite). The daemon asks for several
// options at once; every request must be refused, and none of the protocol may show.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <unistd.h>

#include <map>
#include <memory>
#include <string>

#include "common/RecordingView.h"
#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "script/RandomGenerator.h"
#include "session/AppState.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::CRecordingView;
using brumble::test::ScopedTempDir;
using brumble::test::WaitUntil;

namespace {

const QString kInetd = QStringLiteral("/usr/sbin/inetutils-inetd");
const QString kTelnetd = QStringLiteral("/usr/sbin/telnetd");

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

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
        if (static_cast<unsigned char>(log[i]) != 255)
            continue;
        const auto command = static_cast<unsigned char>(log[i + 1]);
        const auto option = static_cast<unsigned char>(log[i + 2]);
        if (command == 255) { // an escaped data byte
            ++i;
            continue;
        }
        if (command == 253 || command == 251) {
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

class BrumbleDocTelnetdTest : public ::testing::Test {
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

    ScopedTempDir dir;
    CSettingsStore settings{dir.File("settings.db")};
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
    CBrumbleDoc doc{services};
    CRecordingView view;
};

std::string BrumbleDocTelnetdTest::s_skipReason;
std::unique_ptr<ScopedTempDir> BrumbleDocTelnetdTest::s_dir;
std::unique_ptr<QProcess> BrumbleDocTelnetdTest::s_inetd;

} // namespace

TEST_F(BrumbleDocTelnetdTest, EveryOptionRequestIsRefusedAndNoneOfItShows)
{
    const std::string host = "127.0.0.1";
    settings.WriteInt(host, "LogCommands", 1);
    const std::string log = dir.File("telnet.log");
    ASSERT_TRUE(doc.SetLogFile(log));
    app.nextHost = host;
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
    for (const std::string& line : doc.GetLines()) {
        for (char c : line)
            EXPECT_LT(static_cast<unsigned char>(c), 240) << "in line: " << line;
    }
    EXPECT_TRUE(messages.shown.empty());

    // The daemon's program is cat: a line sent comes back.
    doc.SendCommand("ping\r\n");
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const std::string& line : doc.GetLines()) {
                if (line.find("ping") != std::string::npos)
                    return true;
            }
            return false;
        },
        5000));
}
