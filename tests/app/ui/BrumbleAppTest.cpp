#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "app/DefaultTelnetDlg.h"
#include "app/MainFrame.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"
#include "session/HostList.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

class BrumbleAppTest : public AppFixture {};

TEST_F(BrumbleAppTest, HostOnTheCommandLineOpensAWindowAndSendsTheFirstCommandOnce)
{
    CScriptedServer server;
    auto app = StartApp({QStringLiteral("127.0.0.1"), QString::number(server.Port()),
                         QStringLiteral("connect"), QStringLiteral("guest")});
    ASSERT_TRUE(server.WaitForClient());
    ASSERT_TRUE(server.WaitForReceived(15));
    EXPECT_EQ(server.Received(), QByteArray("connect guest\r\n"));
    EXPECT_EQ(app->Services().app.pendingCommand, "");

    // Neither the stored host list nor the recent hosts learn of it.
    EXPECT_TRUE(HostList::RecentHosts(app->Settings()).empty());
    EXPECT_FALSE(HostList::StoredHostPort(app->Settings(), "127.0.0.1"));
    EXPECT_TRUE(app->MainFrame()->RecentHostActions().empty());

    // Enter in the command line of that window sends CR LF through the real main window.
    CChildFrame* frame = app->MainFrame()->CurrentFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(WaitUntil([frame] { return frame->CommandLine()->isEnabled(); }));
    server.ClearReceived();
    QTest::keyClicks(frame->CommandLine(), QStringLiteral("look"));
    QTest::keyClick(frame->CommandLine(), Qt::Key_Return);
    ASSERT_TRUE(server.WaitForReceived(6));
    EXPECT_EQ(server.Received(), QByteArray("look\r\n"));

    // Enter while the scrollback has the keyboard sends that window's command line too.
    server.ClearReceived();
    frame->CommandLine()->setEditText(QStringLiteral("north"));
    frame->View().setFocus();
    QTest::keyClick(&frame->View(), Qt::Key_Enter);
    ASSERT_TRUE(server.WaitForReceived(7));
    EXPECT_EQ(server.Received(), QByteArray("north\r\n"));
}

TEST_F(BrumbleAppTest, TelnetLinkKeepsTheHostsLetterCase)
{
    CScriptedServer server;
    auto app = StartApp({QStringLiteral("TELNET://LocalHost:%1/").arg(server.Port())});
    ASSERT_TRUE(server.WaitForClient());
    EXPECT_EQ(app->Services().app.nextHost, "LocalHost");
    CChildFrame* frame = app->MainFrame()->CurrentFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Doc().GetHostName(), "LocalHost");
}

TEST_F(BrumbleAppTest, CommandLineWithoutAHostOpensNoWindow)
{
    auto app = StartApp({QStringLiteral("   ")});
    EXPECT_TRUE(app->MainFrame()->Frames().empty());
    EXPECT_TRUE(app->MainFrame()->isVisible());
    // Our own switch is not part of the host.
    auto other = MakeApp({QStringLiteral("--no-telnet-offer")});
    EXPECT_FALSE(other->TelnetOfferWanted());
}

TEST_F(BrumbleAppTest, UnusedFirstCommandNeverReachesAnotherServer)
{
    // The first command names a server that cannot be reached ...
    auto app = StartApp(
        {QStringLiteral("no-such-host.invalid"), QStringLiteral("4000"), QStringLiteral("secret")});
    // ... so a window opened afterwards for another server must not send it there.
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QTest::keyClicks(frame->CommandLine(), QStringLiteral("hi"));
    QTest::keyClick(frame->CommandLine(), Qt::Key_Return);
    ASSERT_TRUE(server.WaitForReceived(4));
    EXPECT_EQ(server.Received(), QByteArray("hi\r\n"));
}

TEST_F(BrumbleAppTest, HelpOpensTheContentsOrTheTopicOfAContext)
{
    auto app = StartApp();
    ASSERT_TRUE(app->WinHelp(0));
    ASSERT_EQ(openedUrls.size(), 1u);
    EXPECT_TRUE(openedUrls[0].isLocalFile());
    EXPECT_TRUE(QFileInfo::exists(openedUrls[0].toLocalFile()));
    EXPECT_TRUE(openedUrls[0].toLocalFile().endsWith(QStringLiteral("/index.html")));

    // An unknown context falls back to the contents.
    EXPECT_EQ(app->HelpUrl(987654), app->HelpUrl(0));
    // F1 in the main window asks for the contents.
    app->MainFrame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app->MainFrame()));
    QTest::keyClick(app->MainFrame(), Qt::Key_F1);
    EXPECT_EQ(openedUrls.size(), 2u);
}

TEST_F(BrumbleAppTest, DesktopEntryExecLineQuotesWhatTheDesktopWouldSplit)
{
    EXPECT_EQ(CBrumbleApp::DesktopExecLine(QStringLiteral("/usr/bin/brumble")),
              QStringLiteral("/usr/bin/brumble %u"));
    EXPECT_EQ(CBrumbleApp::DesktopExecLine(QStringLiteral("/opt/my games/brumble")),
              QStringLiteral("\"/opt/my games/brumble\" %u"));
    // Inside quotes " ` $ \ are escaped, and the value's own escaping doubles backslashes;
    // a percent sign is doubled so that it is no field code.
    EXPECT_EQ(CBrumbleApp::DesktopExecLine(QStringLiteral("/a$b/c\"d/100%")),
              QStringLiteral("\"/a\\\\$b/c\\\\\"d/100%%\" %u"));
}

// The telnet: offer against the real xdg-mime, in private desktop folders.
class TelnetOfferTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_desktop.File("config")));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_desktop.File("data")));
        QDir().mkpath(QString::fromStdString(m_desktop.File("config")));
        QDir().mkpath(QString::fromStdString(m_desktop.File("data")));
    }
    void TearDown() override
    {
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
    }

    static bool HaveXdgMime()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty();
    }

    // The question is answered whenever it comes up (and counted), so that a question that
    // should not have been asked shows as a count instead of a test that hangs.
    void AnswerOffers(bool makeDefault, bool dontShowAgain)
    {
        m_makeDefault = makeDefault;
        m_dontShowAgain = dontShowAgain;
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<CDefaultTelnetDlg*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            ++offersShown;
            EXPECT_EQ(dialog->windowTitle(),
                      QStringLiteral("Set Brumble as the default telnet app"));
            auto* first = dialog->findChild<QCheckBox*>(QStringLiteral("makeDefault"));
            auto* second = dialog->findChild<QCheckBox*>(QStringLiteral("dontShowAgain"));
            EXPECT_TRUE(first->isChecked());
            EXPECT_FALSE(second->isChecked());
            first->setChecked(m_makeDefault);
            second->setChecked(m_dontShowAgain);
            dialog->findChild<QPushButton*>(QStringLiteral("continueButton"))->click();
        });
        m_poll.start();
    }

    std::string Handler()
    {
        QProcess process;
        process.start(QStringLiteral("xdg-mime"),
                      {QStringLiteral("query"), QStringLiteral("default"),
                       QStringLiteral("x-scheme-handler/telnet")});
        process.waitForFinished(5000);
        return process.readAllStandardOutput().trimmed().toStdString();
    }

    ScopedTempDir m_desktop;
    QTimer m_poll;
    bool m_makeDefault = false;
    bool m_dontShowAgain = false;
    int offersShown = 0;
};

TEST_F(TelnetOfferTest, MissingXdgMimeEndsTheOfferSilently)
{
    auto app = MakeApp();
    AnswerOffers(true, false);
    app->xdgMimeProgram = QStringLiteral("/nonexistent/xdg-mime");
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 0);
    EXPECT_EQ(app->Settings().ReadInt("Register", "Dialog", -1), -1);
}

TEST_F(TelnetOfferTest, AcceptingRegistersBrumbleAndIsNotAskedAgain)
{
    if (!HaveXdgMime())
        GTEST_SKIP() << "xdg-mime (package xdg-utils) is not installed";
    auto app = MakeApp();
    AnswerOffers(true, false);
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 1);
    EXPECT_EQ(app->Settings().ReadInt("Register", "Dialog", -1), 1);

    QFile entry(QString::fromStdString(m_desktop.File("data/applications/brumble.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("MimeType=x-scheme-handler/telnet;"));
    EXPECT_TRUE(text.contains(
        "Exec=" + CBrumbleApp::DesktopExecLine(QCoreApplication::applicationFilePath()).toUtf8()));
    EXPECT_EQ(Handler(), "brumble.desktop");

    // Already the handler: no question, whatever "Dialog" says.
    app->OfferTelnetHandler();
    QTest::qWait(50);
    EXPECT_EQ(offersShown, 1);
}

TEST_F(TelnetOfferTest, DeclinedAndDontShowAgainIsRemembered)
{
    if (!HaveXdgMime())
        GTEST_SKIP() << "xdg-mime (package xdg-utils) is not installed";
    auto app = MakeApp();
    AnswerOffers(false, true);
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 1);
    EXPECT_EQ(app->Settings().ReadInt("Register", "Dialog", -1), 0);
    EXPECT_FALSE(QFileInfo::exists(
        QString::fromStdString(m_desktop.File("data/applications/brumble.desktop"))));
    EXPECT_EQ(Handler(), "");

    // "Dialog" 0: never asked again.
    app->OfferTelnetHandler();
    QTest::qWait(50);
    EXPECT_EQ(offersShown, 1);
}
