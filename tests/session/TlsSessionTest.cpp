// Secure connections of a session against real TLS servers on 127.0.0.1 (openssl s_server,
// with certificates made here and trusted through BRUMBLE_CA_FILE), and against servers
// that do not speak TLS properly.
#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "common/OpenSslServer.h"
#include "common/RecordingView.h"
#include "common/ScriptedServer.h"
#include "common/TestServices.h"
#include "res/StringTable.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

const std::string kHost = "localhost";

class TlsSessionTest : public ::testing::Test, public CTestServices {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeCertificate(dir.File("trusted"), "localhost", true));
        ASSERT_TRUE(MakeCertificate(dir.File("stranger"), "localhost", true));
        ASSERT_TRUE(MakeCertificate(dir.File("elsewhere"), "elsewhere.example", false));
        // The test's own trust store holds "trusted" and "elsewhere" (which names another
        // host), not "stranger".
        QFile store(QString::fromStdString(dir.File("store.pem")));
        ASSERT_TRUE(store.open(QIODevice::WriteOnly));
        for (const char* name : {"trusted.pem", "elsewhere.pem"}) {
            QFile file(QString::fromStdString(dir.File(name)));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            store.write(file.readAll());
        }
        store.close();
        ::setenv("BRUMBLE_CA_FILE", dir.File("store.pem").c_str(), 1);
        settings.WriteInt(kHost, "TLS", 1);
        doc.AddView(&view);
    }
    void TearDown() override { ::unsetenv("BRUMBLE_CA_FILE"); }

    bool Connected()
    {
        return WaitUntil([&] { return doc.IsConnected(); }, 10000);
    }
    // Waits until the connection attempt is over either way.
    bool Settled()
    {
        return WaitUntil(
            [&] {
                return doc.IsConnected() ||
                       (!view.calls.empty() && view.calls.back() == "Connected(false)");
            },
            10000);
    }
    long Questions() const
    {
        return std::count_if(messages.shown.begin(), messages.shown.end(), [](const auto& m) {
            return m.text.find("could not be verified") != std::string::npos;
        });
    }
    std::string Shown(std::size_t i) const
    {
        return i < messages.shown.size() ? messages.shown[i].text : "<none>";
    }

    CBrumbleDoc doc{services};
    CRecordingView view;
};

TEST_F(TlsSessionTest, TrustedServerConnectsAndExchangesLines)
{
    COpenSslServer server;
    ASSERT_TRUE(server.Start(dir.File("trusted")));
    ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
    ASSERT_TRUE(Connected());
    EXPECT_TRUE(messages.shown.empty()) << Shown(0);
    doc.UpdateTitle();
    EXPECT_NE(doc.Title().find(" - secure (TLSv1."), std::string::npos) << doc.Title();

    server.Send("Welcome to the secure world\n");
    ASSERT_TRUE(WaitUntil([&] { return doc.GetLines().size() >= 1; }));
    EXPECT_EQ(doc.GetLines().front(), "Welcome to the secure world");
    doc.SendCommand("look north\r\n");
    EXPECT_TRUE(server.WaitForOutput("look north"));
    // The first connection was never asked about: nothing was stored for it.
    EXPECT_EQ(settings.ReadString(kHost, "TLS Certificate", ""), "");
}

TEST_F(TlsSessionTest, UnverifiedCertificateAsksAndCancelSendsNothing)
{
    struct Case {
        const char* certificate;
        const char* reason;
    };
    for (const Case& c :
         {Case{"stranger", "self-signed certificate"}, Case{"elsewhere", "mismatch"}}) {
        SCOPED_TRACE(c.certificate);
        messages.shown.clear();
        view.calls.clear();
        COpenSslServer server;
        ASSERT_TRUE(server.Start(dir.File(c.certificate)));
        messages.QueueAnswer(CMessageSink::Answer::Cancel);
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_TRUE(Settled());
        EXPECT_FALSE(doc.IsConnected());
        ASSERT_GE(messages.shown.size(), 1u);
        const std::string& question = messages.shown[0].text;
        EXPECT_NE(question.find("The certificate of localhost could not be verified: "),
                  std::string::npos)
            << question;
        EXPECT_NE(question.find(c.reason), std::string::npos) << question;
        EXPECT_NE(question.find("SHA-256"), std::string::npos);
        EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNoCancel);
        // The session never heard of a connection, so nothing could be sent.
        EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Connected(true)"), 0);
        EXPECT_EQ(settings.ReadString(kHost, "TLS Certificate", ""), "");
    }
}

TEST_F(TlsSessionTest, AlwaysTrustIsRememberedUntilTheCertificateChanges)
{
    for (int round = 0; round < 2; ++round) {
        COpenSslServer server;
        ASSERT_TRUE(server.Start(dir.File("stranger")));
        messages.QueueAnswer(CMessageSink::Answer::Yes);
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_TRUE(Connected());
        // Asked the first time only.
        EXPECT_EQ(Questions(), 1) << round;
        doc.SendCommand("hello\r\n");
        EXPECT_TRUE(server.WaitForOutput("hello"));
    }
    const std::string trusted = settings.ReadString(kHost, "TLS Certificate", "");
    EXPECT_EQ(trusted.size(), 95u) << trusted; // 32 bytes as "AB:" pairs

    // The server's certificate changed: asked again, and "this time only" keeps the old one.
    ASSERT_TRUE(MakeCertificate(dir.File("stranger"), "localhost", true));
    COpenSslServer server;
    ASSERT_TRUE(server.Start(dir.File("stranger")));
    messages.QueueAnswer(CMessageSink::Answer::No);
    ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
    ASSERT_TRUE(Connected());
    EXPECT_EQ(Questions(), 2);
    EXPECT_EQ(settings.ReadString(kHost, "TLS Certificate", ""), trusted);
}

// Servers that do not complete a TLS handshake end the attempt with a message of their own
// and a closed connection, never a hang.
TEST_F(TlsSessionTest, BrokenServersFailWithAClearMessage)
{
    struct Case {
        const char* name;
        QByteArray sent; // what the server sends once the client is there
        bool close;
        int reason;
    };
    const Case cases[] = {
        {"plain text", "Welcome to a plain MUD!\r\nBy what name are you known? ", false, 8441},
        {"closed", "", true, 8442},
        {"garbage", QByteArray(4096, '\x17'), false, 8441},
        {"record too large", QByteArray("\x16\x03\x03\xff\xff", 5) + QByteArray(200, 'x'), false,
         8441},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        view.calls.clear();
        CScriptedServer server;
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        server.Send(c.sent);
        if (c.close)
            server.CloseClient();
        ASSERT_TRUE(Settled());
        EXPECT_FALSE(doc.IsConnected());
        // A server closing with our hello unread may reset rather than close: both are said.
        const std::string unable = "Unable to connect to localhost.\n";
        EXPECT_TRUE(
            Shown(0) == unable + LoadString(c.reason) ||
            (c.close && Shown(0) == unable + "The connection was reset by the remote side."))
            << Shown(0);
        EXPECT_EQ(Shown(1), "A session was disconnected from localhost");
    }
}

TEST_F(TlsSessionTest, AbsurdCertificateChainIsRefused)
{
    // The same certificate 400 times over: far beyond any real chain.
    QFile certificate(QString::fromStdString(dir.File("trusted.pem")));
    ASSERT_TRUE(certificate.open(QIODevice::ReadOnly));
    const QByteArray one = certificate.readAll();
    QFile chain(QString::fromStdString(dir.File("chain.pem")));
    ASSERT_TRUE(chain.open(QIODevice::WriteOnly));
    for (int i = 0; i < 400; ++i)
        chain.write(one);
    chain.close();

    COpenSslServer server;
    ASSERT_TRUE(server.Start(dir.File("trusted"), {QStringLiteral("-cert_chain"),
                                                   QString::fromStdString(dir.File("chain.pem"))}));
    ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(doc.IsConnected());
    EXPECT_EQ(Shown(0), "Unable to connect to localhost.\n" + LoadString(8443));
}

} // namespace

namespace {

// A TLS 1.2 server asking to renegotiate again and again is told no each time; the
// connection either goes on or ends with a message, but never keeps the window busy.
TEST_F(TlsSessionTest, RenegotiationRequestsCannotKeepTheSessionBusy)
{
    COpenSslServer server;
    ASSERT_TRUE(server.Start(dir.File("trusted"), {QStringLiteral("-tls1_2")}));
    ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
    ASSERT_TRUE(Connected());
    for (int i = 0; i < 50; ++i)
        server.Send("r\n"); // s_server's own command: renegotiate
    server.Send("still there\n");
    ASSERT_TRUE(WaitUntil(
        [&] {
            return !doc.IsConnected() ||
                   (!doc.GetLines().empty() && doc.GetLines().back() == "still there");
        },
        10000));
    RecordProperty("outcome", doc.IsConnected() ? "went on" : Shown(0));
    if (!doc.IsConnected()) {
        EXPECT_EQ(Shown(0).rfind("A session was disconnected from localhost", 0), 0u) << Shown(0);
    }
}

} // namespace

namespace {

// Writing to a server that is gone must end the connection, not the program (SIGPIPE).
TEST_F(TlsSessionTest, SendingToAServerThatWentAwayDisconnects)
{
    auto server = std::make_unique<COpenSslServer>();
    ASSERT_TRUE(server->Start(dir.File("trusted")));
    ASSERT_TRUE(doc.OpenSession(kHost, server->Port()));
    ASSERT_TRUE(Connected());
    doc.SendCommand("hello\r\n");
    ASSERT_TRUE(server->WaitForOutput("hello"));
    server.reset(); // killed: the kernel resets what still arrives
    for (int i = 0; i < 20 && doc.IsConnected(); ++i) {
        doc.SendCommand("anyone there?\r\n");
        WaitUntil([] { return false; }, 50);
    }
    EXPECT_TRUE(WaitUntil([&] { return !doc.IsConnected(); }));
}

} // namespace
