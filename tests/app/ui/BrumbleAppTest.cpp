#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include "AppFixture.h"
#include "app/DefaultTelnetDlg.h"
#include "app/MainFrame.h"
#include "display/ui/BrumbleView.h"
#include "res/InstallLayout.h"
#include "session/HostList.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

class BrumbleAppTest : public AppFixture {};

TEST_F(BrumbleAppTest, HostOnTheCommandLineOpensAWindowAndSendsTheFirstCommandOnce)
{
    app = StartApp({QStringLiteral("127.0.0.1"), QString::number(server.Port()),
                    QStringLiteral("connect"), QStringLiteral("guest")});
    ASSERT_TRUE(server.WaitForClient());
    ASSERT_TRUE(server.WaitForReceived(15));
    EXPECT_EQ(app->Services().app.pendingCommand, "");
    // Neither the stored host list nor the recent hosts learn of it.
    EXPECT_TRUE(HostList::RecentHosts(app->Settings()).empty());
    EXPECT_FALSE(HostList::StoredHostPort(app->Settings(), kHost));
    EXPECT_TRUE(app->MainFrame()->RecentHostActions().empty());

    // Enter while the scrollback has the keyboard sends that window's command line.
    CChildFrame* frame = app->MainFrame()->CurrentFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(WaitUntil([frame] { return frame->CommandLine()->isEnabled(); }));
    frame->CommandLine()->setEditText(QStringLiteral("north"));
    frame->View().setFocus();
    QTest::keyClick(&frame->View(), Qt::Key_Enter);
    ASSERT_TRUE(server.WaitForReceived(22));
    EXPECT_EQ(server.Received(), QByteArray("connect guest\r\nnorth\r\n"));

    // The server closes: the command line is disabled.
    server.CloseClient();
    EXPECT_TRUE(WaitUntil([frame] { return !frame->CommandLine()->isEnabled(); }));
}

TEST_F(BrumbleAppTest, CommandLineWithoutAHostOpensNoWindow)
{
    app = StartApp({QStringLiteral("--no-telnet-offer"), QStringLiteral("   ")});
    EXPECT_TRUE(app->MainFrame()->Frames().empty());
    EXPECT_TRUE(app->MainFrame()->isVisible());
}

TEST_F(BrumbleAppTest, UnusedFirstCommandNeverReachesAnotherServer)
{
    // The first command names a server that cannot be reached; a window opened afterwards
    // for another server must not send it there.
    app = StartApp(
        {QStringLiteral("no-such-host.invalid"), QStringLiteral("4000"), QStringLiteral("secret")});
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    TypeAndEnter(frame->CommandLine(), QStringLiteral("hi"));
    ASSERT_TRUE(server.WaitForReceived(4));
    EXPECT_EQ(server.Received(), QByteArray("hi\r\n"));
}

TEST_F(BrumbleAppTest, HelpOpensTheContentsOrTheTopicOfAContext)
{
    app = StartApp();
    ASSERT_TRUE(app->WinHelp(0));
    ASSERT_EQ(openedUrls.size(), 1u);
    EXPECT_TRUE(openedUrls[0].isLocalFile());
    EXPECT_TRUE(QFileInfo::exists(openedUrls[0].toLocalFile()));
    EXPECT_TRUE(openedUrls[0].toLocalFile().endsWith(QStringLiteral("/index.html")));
    EXPECT_EQ(app->HelpUrl(987654), app->HelpUrl(0)); // an unknown context: the contents
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
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const std::string path = m_desktop.File(name);
            qputenv(name, QByteArray::fromStdString(path));
            QDir().mkpath(QString::fromStdString(path));
        }
        // The question is answered whenever it comes up, and counted, so that a question
        // that should not have been asked shows as a count instead of a hang.
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
            first->setChecked(makeDefault);
            second->setChecked(dontShowAgain);
            dialog->findChild<QPushButton*>(QStringLiteral("continueButton"))->click();
        });
        m_poll.start();
    }
    void TearDown() override
    {
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
    }

    // The desktop's program for telnet: links, as xdg-mime tells it.
    static std::string Handler()
    {
        QProcess process;
        process.start(QStringLiteral("xdg-mime"),
                      {QStringLiteral("query"), QStringLiteral("default"),
                       QStringLiteral("x-scheme-handler/telnet")});
        process.waitForFinished(5000);
        return process.readAllStandardOutput().trimmed().toStdString();
    }
    // The entry written into the user's own applications folder.
    QString PrivateEntry() const
    {
        return QString::fromStdString(m_desktop.File("XDG_DATA_HOME/applications/brumble.desktop"));
    }

    ScopedTempDir m_desktop;
    QTimer m_poll;
    bool makeDefault = true, dontShowAgain = false;
    int offersShown = 0;
};

TEST_F(TelnetOfferTest, TheAnswerIsRememberedAndAcceptingRegistersBrumble)
{
    app = MakeApp();
    app->xdgMimeProgram = QStringLiteral("/nonexistent/xdg-mime");
    app->OfferTelnetHandler(); // without xdg-mime the offer ends silently
    EXPECT_EQ(offersShown, 0);
    EXPECT_EQ(app->Settings().ReadInt("Register", "Dialog", -1), -1);
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        GTEST_SKIP() << "xdg-mime (package xdg-utils) is not installed";
    app->xdgMimeProgram = QStringLiteral("xdg-mime");
    QFile entry(PrivateEntry());

    // Declined with "don't show again": nothing registered, and never asked again.
    makeDefault = false;
    dontShowAgain = true;
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 1);
    EXPECT_EQ(app->Settings().ReadInt("Register", "Dialog", -1), 0);
    EXPECT_FALSE(entry.exists());
    EXPECT_EQ(Handler(), "");
    app->OfferTelnetHandler();
    QTest::qWait(50);
    EXPECT_EQ(offersShown, 1);

    // Asked again once allowed, and accepted: registered; being the handler, it is not asked
    // again whatever "Dialog" says.
    app->Settings().WriteInt("Register", "Dialog", 1);
    makeDefault = true;
    dontShowAgain = false;
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 2);
    EXPECT_EQ(app->Settings().ReadInt("Register", "Dialog", -1), 1);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("MimeType=x-scheme-handler/telnet;"));
    EXPECT_TRUE(text.contains(
        "Exec=" + CBrumbleApp::DesktopExecLine(QCoreApplication::applicationFilePath()).toUtf8()));
    EXPECT_EQ(Handler(), "brumble.desktop");
    app->OfferTelnetHandler();
    QTest::qWait(50);
    EXPECT_EQ(offersShown, 2);
}

// An installed program: its data beside it (bin/../share), whatever the prefix.
TEST_F(TelnetOfferTest, AnInstalledProgramUsesItsOwnHelpPagesAndDesktopEntry)
{
    ScopedTempDir root;
    const QString prefix = QString::fromStdString(root.File("usr"));
    const QString program = prefix + QStringLiteral("/bin/brumble");
    const QString entry = prefix + QStringLiteral("/share/applications/brumble.desktop");
    const QString help = prefix + QStringLiteral("/share/brumble/help");
    // The desktop only takes an entry whose program it can find: here by its full path.
    for (const QString& file : {program, entry, help + QStringLiteral("/index.html")}) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[Desktop Entry]\nType=Application\nName=Brumble\nExec=" + program.toUtf8() +
                  " %u\nMimeType=x-scheme-handler/telnet;\n");
        out.setPermissions(out.permissions() | QFileDevice::ExeOwner);
    }
    const QString buildDir = QCoreApplication::applicationDirPath();
    EXPECT_TRUE(InstallLayout::IsBuildTree(buildDir));
    EXPECT_FALSE(InstallLayout::IsBuildTree(prefix + QStringLiteral("/bin")));
    EXPECT_EQ(InstallLayout::HelpFolder(prefix + QStringLiteral("/bin")), help);
    EXPECT_TRUE(InstallLayout::HelpFolder(buildDir).endsWith(QStringLiteral("/src/res/help")));
    EXPECT_EQ(InstallLayout::InstalledDesktopEntry(prefix + QStringLiteral("/bin")), entry);
    EXPECT_EQ(InstallLayout::InstalledDesktopEntry(buildDir), QString());

    qputenv("XDG_DATA_DIRS", (prefix + QStringLiteral("/share")).toUtf8());
    app = MakeApp();
    app->programPath = program;
    EXPECT_EQ(app->HelpUrl(0), QUrl::fromLocalFile(help + QStringLiteral("/index.html")));
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        GTEST_SKIP() << "xdg-mime (package xdg-utils) is not installed";
    QFile privateEntry(PrivateEntry());

    // Its entry is offered for telnet: links anyway; with another program chosen, the offer
    // comes, and accepted, it names the installed entry and writes nothing into the user's
    // folder.
    EXPECT_EQ(Handler(), "brumble.desktop");
    QFile other(QString::fromStdString(m_desktop.File("XDG_DATA_HOME/applications")) +
                QStringLiteral("/other-telnet.desktop"));
    QDir().mkpath(QFileInfo(other).absolutePath());
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nType=Application\nName=Other\nExec=true %u\n"
                "MimeType=x-scheme-handler/telnet;\n");
    other.close();
    QProcess::execute(QStringLiteral("xdg-mime"),
                      {QStringLiteral("default"), QStringLiteral("other-telnet.desktop"),
                       QStringLiteral("x-scheme-handler/telnet")});
    ASSERT_EQ(Handler(), "other-telnet.desktop");
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 1);
    EXPECT_EQ(Handler(), "brumble.desktop");
    EXPECT_FALSE(privateEntry.exists());

    // Installed where the desktop does not look for entries: a private one it can find.
    QFile::remove(QString::fromStdString(m_desktop.File("XDG_CONFIG_HOME/mimeapps.list")));
    qputenv("XDG_DATA_DIRS", root.Path().c_str());
    app->OfferTelnetHandler();
    EXPECT_EQ(offersShown, 2);
    EXPECT_EQ(Handler(), "brumble.desktop");
    ASSERT_TRUE(privateEntry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        privateEntry.readAll().contains("Exec=" + CBrumbleApp::DesktopExecLine(program).toUtf8()));
}
