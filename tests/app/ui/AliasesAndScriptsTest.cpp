// Aliases and scripts in a whole connection window, against a real loopback server.
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <utility>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "base/AppState.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

class AliasesAndScriptsTest : public AppFixture {
protected:
    // Opens a window on the server after storing these host entries, local echo off.
    CChildFrame* OpenWith(std::initializer_list<std::pair<const char*, const char*>> entries)
    {
        app = StartApp();
        app->Settings().WriteInt(kHost, "Local Echo", 0);
        for (const auto& [entry, value] : entries)
            app->Settings().WriteString(kHost, entry, value);
        return OpenTo(*app, server);
    }
};

TEST_F(AliasesAndScriptsTest, EnterExpandsAnAliasButKeepsTheTypedLineInTheHistory)
{
    CChildFrame* frame =
        OpenWith({{"Alias 01", "sa"}, {"Alias Action 01", "say $1\r\nemote says $*"}});
    ASSERT_NE(frame, nullptr);
    TypeAndEnter(frame->CommandLine(), QStringLiteral("\\sa hello  world"));
    const QByteArray expected("say hello\r\nemote says hello  world\r\n");
    ASSERT_TRUE(server.WaitForReceived(expected.size()));
    EXPECT_EQ(server.Received(), expected);
    EXPECT_EQ(frame->CommandLine()->itemText(0), QStringLiteral("\\sa hello  world"));

    // A line that only looks like an alias goes out as typed.
    server.ClearReceived();
    TypeAndEnter(frame->CommandLine(), QStringLiteral("\\sa"));
    ASSERT_TRUE(server.WaitForReceived(5));
    EXPECT_EQ(server.Received(), QByteArray("\\sa\r\n"));
}

TEST_F(AliasesAndScriptsTest, ToolsAliasesOpensTheDialogWithNoInputView)
{
    CChildFrame* frame = OpenWith({});
    ASSERT_NE(frame, nullptr);
    app->Services().app.SetInputView(&frame->View());
    QAction* aliases = FindAction(app->MainFrame(), QStringLiteral("&Aliases..."));
    ASSERT_NE(aliases, nullptr);
    ASSERT_TRUE(aliases->isEnabled());
    bool sawDialog = false;
    CSessionView* inputViewDuringDialog = &frame->View();
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        sawDialog = dialog != nullptr && dialog->windowTitle() == QStringLiteral("Aliases");
        inputViewDuringDialog = app->Services().app.InputView();
        if (dialog)
            dialog->reject();
    });
    aliases->trigger();
    EXPECT_TRUE(sawDialog);
    EXPECT_EQ(inputViewDuringDialog, nullptr);
    EXPECT_EQ(app->Services().app.InputView(), &frame->View());
}

TEST_F(AliasesAndScriptsTest, ReceiveScriptOutputIsSentOnceAfterTheBatch)
{
    ASSERT_NE(OpenWith({{"Script Condition 01", "R*tells you*"},
                        {"Script Commands 01", "Xreply $1"},
                        {"Script Condition 02", "R*tells you*"},
                        {"Script Commands 02", "Xthanks $$"}}),
              nullptr);
    // Two matching lines in one read: both scripts run for each, all output goes at once.
    server.Send("Bob tells you hi\r\nAnn tells you ho\r\nnothing here\r\n");
    const QByteArray expected("reply Bob\r\nthanks $\r\nreply Ann\r\nthanks $\r\n");
    ASSERT_TRUE(server.WaitForReceived(expected.size()));
    EXPECT_EQ(server.Received(), expected);
}

TEST_F(AliasesAndScriptsTest, ScriptTimersFireThroughTheViewUntilKilled)
{
    // On connect: start script timer 2 with a delay of 1 second (2 + 1 * 65536).
    CChildFrame* frame = OpenWith({{"Script Condition 01", "C"},
                                   {"Script Commands 01", "T65538"},
                                   {"Script Condition 02", "T2"},
                                   {"Script Commands 02", "Xtick"},
                                   {"Script Condition 03", "Rstop"},
                                   {"Script Commands 03", "K2"}});
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(server.WaitForReceived(12, 4000)); // two ticks
    EXPECT_EQ(server.Received(), QByteArray("tick\r\ntick\r\n"));

    server.Send("stop\r\n");
    ASSERT_TRUE(WaitUntil([&] { return frame->Doc().GetLines().size() >= 1; }));
    WaitUntil([] { return false; }, 300); // a tick that was already under way may arrive
    const QByteArray afterStop = server.Received();
    WaitUntil([] { return false; }, 2300);
    EXPECT_EQ(server.Received(), afterStop);
}

TEST_F(AliasesAndScriptsTest, LocalEchoNeverRunsReceiveScripts)
{
    // The script's own output, and a typed line, both match its pattern once echoed.
    CChildFrame* frame =
        OpenWith({{"Script Condition 01", "R*hello*"}, {"Script Commands 01", "Xsay hello"}});
    ASSERT_NE(frame, nullptr);
    app->Settings().WriteInt(kHost, "Local Echo", 1);

    server.Send("Someone says hello\r\n");
    ASSERT_TRUE(server.WaitForReceived(11));
    TypeAndEnter(frame->CommandLine(), QStringLiteral("hello there"));
    ASSERT_TRUE(server.WaitForReceived(24));
    WaitUntil([] { return false; }, 300); // a loop would have sent more by now
    EXPECT_EQ(server.Received(), QByteArray("say hello\r\nhello there\r\n"));
    const auto& lines = frame->Doc().GetLines();
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()),
              (std::vector<std::string>{"Someone says hello", "say hello", "hello there"}));
}
