#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "session/HostList.h"
#include "session/ui/ConnectDlg.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

QAction* FindAction(QWidget* window, const QString& text)
{
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Answers the Connect dialog once it is up: types host and port and presses OK.
void AnswerConnectDialog(const QString& host, quint16 port)
{
    QTimer::singleShot(0, [host, port] {
        auto* dialog = qobject_cast<CConnectDlg*>(QApplication::activeModalWidget());
        if (!dialog) {
            AnswerConnectDialog(host, port);
            return;
        }
        auto* hostBox = dialog->findChild<QComboBox*>(QStringLiteral("hostCombo"));
        auto* portBox = dialog->findChild<QComboBox*>(QStringLiteral("portCombo"));
        // Typed as a user would, so that the dialog sees typed (not chosen) texts.
        hostBox->lineEdit()->selectAll();
        QTest::keyClicks(hostBox->lineEdit(), host);
        portBox->lineEdit()->selectAll();
        QTest::keyClicks(portBox->lineEdit(), QString::number(port));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        buttons->button(QDialogButtonBox::Ok)->click();
    });
}

} // namespace

class MainFrameTest : public AppFixture {};

TEST_F(MainFrameTest, BarVisibilityIsRememberedAcrossRuns)
{
    {
        auto app = StartApp();
        CMainFrame* frame = app->MainFrame();
        EXPECT_TRUE(frame->ButtonBar()->isVisible());
        QAction* dialogBar = FindAction(frame, QStringLiteral("&Dialogbar"));
        ASSERT_NE(dialogBar, nullptr);
        EXPECT_TRUE(dialogBar->isChecked());
        dialogBar->trigger();
        FindAction(frame, QStringLiteral("&Status Bar"))->trigger();
        frame->close();
    }
    auto app = StartApp();
    CMainFrame* frame = app->MainFrame();
    EXPECT_TRUE(frame->ToolBar()->isVisible());
    EXPECT_FALSE(frame->ButtonBar()->isVisible());
    EXPECT_FALSE(frame->statusBar()->isVisible());
    EXPECT_FALSE(FindAction(frame, QStringLiteral("&Dialogbar"))->isChecked());
    EXPECT_FALSE(FindAction(frame, QStringLiteral("&Status Bar"))->isChecked());
    EXPECT_TRUE(FindAction(frame, QStringLiteral("&Toolbar"))->isChecked());
    EXPECT_EQ(app->Settings().ReadInt("MainFrame", "dialogbar", -1), 0);
    EXPECT_EQ(app->Settings().ReadInt("MainFrame", "toolbar", -1), 1);
}

TEST_F(MainFrameTest, PlaceIsRememberedAndMaximizedReturnsToItsEarlierPlace)
{
    {
        auto app = StartApp();
        app->MainFrame()->setGeometry(40, 50, 700, 500);
        app->MainFrame()->close();
    }
    {
        auto app = StartApp();
        EXPECT_EQ(app->MainFrame()->geometry(), QRect(40, 50, 700, 500));
        app->MainFrame()->showMaximized();
        app->MainFrame()->close();
    }
    CSettingsStore store(CSettingsStore::DefaultPath());
    EXPECT_EQ(store.ReadInt("MainFrame", "style", 0), CMainFrame::kMaximizedStyle);
    EXPECT_EQ(store.ReadInt("MainFrame", "x", 0), 40);
    EXPECT_EQ(store.ReadInt("MainFrame", "cx", 0), 700);

    auto app = StartApp();
    EXPECT_TRUE(app->MainFrame()->isMaximized());
    app->MainFrame()->showNormal();
    EXPECT_EQ(app->MainFrame()->geometry(), QRect(40, 50, 700, 500));
}

TEST_F(MainFrameTest, FlashTogglesTwelveOrThirteenTimesAndStopsOnActivation)
{
    auto app = StartApp();
    CMainFrame* frame = app->MainFrame();
    const QString caption = frame->windowTitle();

    frame->Flash();
    EXPECT_EQ(frame->FlashCount(), 12);
    EXPECT_TRUE(frame->IsFlashTimerRunning());
    EXPECT_TRUE(frame->IsCaptionHighlighted());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("* ") + caption);

    // A flash during a flash starts again from 12 plus the parity of what was left.
    frame->OnFlashTimer();
    EXPECT_EQ(frame->FlashCount(), 11);
    EXPECT_FALSE(frame->IsCaptionHighlighted());
    frame->Flash();
    EXPECT_EQ(frame->FlashCount(), 13);
    for (int tick = 0; tick < 12; ++tick)
        frame->OnFlashTimer();
    EXPECT_EQ(frame->FlashCount(), 1);
    EXPECT_TRUE(frame->IsFlashTimerRunning());
    frame->OnFlashTimer();
    EXPECT_EQ(frame->FlashCount(), 0);
    EXPECT_FALSE(frame->IsFlashTimerRunning());
    EXPECT_FALSE(frame->IsCaptionHighlighted());
    EXPECT_EQ(frame->windowTitle(), caption);

    // Taking the focus stops a flash at once and leaves the caption normal.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    frame->Flash();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    EXPECT_EQ(frame->FlashCount(), 0);
    EXPECT_FALSE(frame->IsFlashTimerRunning());
    EXPECT_EQ(frame->windowTitle(), caption);
}

TEST_F(MainFrameTest, WindowCommandsNeedAConnectionWindow)
{
    auto app = StartApp();
    CMainFrame* frame = app->MainFrame();
    QAction* saveText = FindAction(frame, QStringLiteral("&Save Text..."));
    QAction* close = FindAction(frame, QStringLiteral("&Close"));
    ASSERT_NE(saveText, nullptr);
    EXPECT_FALSE(saveText->isEnabled());
    EXPECT_FALSE(close->isEnabled());
    EXPECT_TRUE(FindAction(frame, QStringLiteral("&New Connection"))->isEnabled());
    QToolButton* logText = nullptr;
    for (QToolButton* button : frame->ButtonBar()->findChildren<QToolButton*>()) {
        if (button->text() == QStringLiteral("Log Text..."))
            logText = button;
    }
    ASSERT_NE(logText, nullptr); // the button shows its whole caption
    EXPECT_FALSE(logText->isEnabled());
    EXPECT_EQ(frame->StatusText(),
              QStringLiteral("For help, press F1 (unless you've set it as a Shortcut key)"));

    CScriptedServer server;
    ASSERT_NE(OpenTo(*app, server), nullptr);
    EXPECT_TRUE(saveText->isEnabled());
    close->trigger();
    EXPECT_TRUE(WaitUntil([&] { return frame->MdiArea()->subWindowList().isEmpty(); }));
    EXPECT_FALSE(saveText->isEnabled());
}

TEST_F(MainFrameTest, RecentHostMenuIsRebuiltAfterConnectingAndOpensTheStoredPort)
{
    auto app = StartApp();
    CMainFrame* frame = app->MainFrame();
    EXPECT_TRUE(frame->RecentHostActions().empty());
    QAction* placeholder = FindAction(frame, QStringLiteral("Recent Host"));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->isEnabled());
    EXPECT_TRUE(placeholder->isVisible());

    CScriptedServer first;
    AnswerConnectDialog(QStringLiteral("127.0.0.1"), first.Port());
    frame->OnFileNewConnection();
    ASSERT_TRUE(first.WaitForClient());
    ASSERT_EQ(frame->RecentHostActions().size(), 1u);
    EXPECT_EQ(frame->RecentHostActions()[0]->text(), QStringLiteral("&1 127.0.0.1"));
    EXPECT_EQ(frame->RecentHostActions()[0]->statusTip(), QStringLiteral("Connect to this host"));
    EXPECT_FALSE(placeholder->isVisible());

    // The recent entry reconnects with the port stored for the host.
    frame->RecentHostActions()[0]->trigger();
    EXPECT_EQ(app->MainFrame()->Frames().size(), 2u);
    EXPECT_EQ(app->Services().app.nextPort, first.Port());

    // A recent host that is no longer stored does nothing.
    HostList::AddToRecentFileList(app->Settings(), "gone.example.org");
    frame->RebuildRecentHosts();
    ASSERT_EQ(frame->RecentHostActions().size(), 2u);
    EXPECT_EQ(frame->RecentHostActions()[0]->text(), QStringLiteral("&1 gone.example.org"));
    EXPECT_FALSE(app->OpenRecentHost(1));
    EXPECT_EQ(app->MainFrame()->Frames().size(), 2u);
}

TEST_F(MainFrameTest, EditAndToolsCommandsActOnTheCurrentWindow)
{
    auto app = StartApp();
    CMainFrame* frame = app->MainFrame();
    CScriptedServer server;
    CChildFrame* child = OpenTo(*app, server);
    ASSERT_NE(child, nullptr);
    QLineEdit* edit = child->CommandLine()->lineEdit();

    // Copy and Cut take the command line's selection.
    edit->setText(QStringLiteral("get sword"));
    edit->setSelection(4, 5);
    FindAction(frame, QStringLiteral("&Copy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("sword"));
    edit->setSelection(0, 4);
    FindAction(frame, QStringLiteral("Cu&t"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("get "));
    EXPECT_EQ(edit->text(), QStringLiteral("sword"));

    // Local Echo carries a check mark while it is on and switches the host's entry.
    QAction* echo = FindAction(frame, QStringLiteral("Local &Echo"));
    ASSERT_NE(echo, nullptr);
    for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>())
        Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(echo->isChecked());
    echo->trigger();
    EXPECT_FALSE(echo->isChecked());
    EXPECT_EQ(app->Settings().ReadInt("127.0.0.1", "Local Echo", -1), 0);
}
