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

// Answers the Connect dialog once it is up: types host and port and presses OK.
void AnswerConnectDialog(const QString& host, quint16 port)
{
    QTimer::singleShot(0, [host, port] {
        auto* dialog = qobject_cast<CConnectDlg*>(QApplication::activeModalWidget());
        if (!dialog) {
            AnswerConnectDialog(host, port);
            return;
        }
        // Typed as a user would, so that the dialog sees typed (not chosen) texts.
        for (const auto& [name, text] :
             {std::pair(QStringLiteral("hostCombo"), host),
              std::pair(QStringLiteral("portCombo"), QString::number(port))}) {
            QLineEdit* edit = dialog->findChild<QComboBox*>(name)->lineEdit();
            edit->selectAll();
            QTest::keyClicks(edit, text);
        }
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
            ->button(QDialogButtonBox::Ok)
            ->click();
    });
}

} // namespace

class MainFrameTest : public AppFixture {};

TEST_F(MainFrameTest, BarsAndPlaceAreRememberedAcrossRuns)
{
    app = StartApp();
    CMainFrame* frame = app->MainFrame();
    EXPECT_TRUE(frame->ButtonBar()->isVisible());
    QAction* dialogBar = FindAction(frame, QStringLiteral("&Dialogbar"));
    ASSERT_NE(dialogBar, nullptr);
    EXPECT_TRUE(dialogBar->isChecked());
    dialogBar->trigger();
    FindAction(frame, QStringLiteral("&Status Bar"))->trigger();
    frame->setGeometry(40, 50, 700, 500);
    frame->close();
    app.reset();

    app = StartApp();
    frame = app->MainFrame();
    EXPECT_TRUE(frame->ToolBar()->isVisible());
    EXPECT_FALSE(frame->ButtonBar()->isVisible());
    EXPECT_FALSE(frame->statusBar()->isVisible());
    EXPECT_FALSE(FindAction(frame, QStringLiteral("&Dialogbar"))->isChecked());
    EXPECT_FALSE(FindAction(frame, QStringLiteral("&Status Bar"))->isChecked());
    EXPECT_TRUE(FindAction(frame, QStringLiteral("&Toolbar"))->isChecked());
    EXPECT_EQ(app->Settings().ReadInt("MainFrame", "dialogbar", -1), 0);
    EXPECT_EQ(app->Settings().ReadInt("MainFrame", "toolbar", -1), 1);
    EXPECT_EQ(frame->geometry(), QRect(40, 50, 700, 500));
    // Maximized, it comes back maximized and returns to its earlier place.
    frame->showMaximized();
    frame->close();
    app.reset();
    CSettingsStore store(CSettingsStore::DefaultPath());
    EXPECT_EQ(store.ReadInt("MainFrame", "style", 0), CMainFrame::kMaximizedStyle);
    EXPECT_EQ(store.ReadInt("MainFrame", "x", 0), 40);
    EXPECT_EQ(store.ReadInt("MainFrame", "cx", 0), 700);

    app = StartApp();
    EXPECT_TRUE(app->MainFrame()->isMaximized());
    app->MainFrame()->showNormal();
    EXPECT_EQ(app->MainFrame()->geometry(), QRect(40, 50, 700, 500));
}

TEST_F(MainFrameTest, FlashTogglesTwelveOrThirteenTimesAndStopsOnActivation)
{
    app = StartApp();
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

TEST_F(MainFrameTest, WindowCommandsActOnTheCurrentConnectionWindow)
{
    app = StartApp();
    CMainFrame* frame = app->MainFrame();
    QAction* saveText = FindAction(frame, QStringLiteral("&Save Text..."));
    QAction* close = FindAction(frame, QStringLiteral("&Close"));
    ASSERT_TRUE(saveText && close);
    EXPECT_FALSE(saveText->isEnabled());
    EXPECT_FALSE(close->isEnabled());
    EXPECT_TRUE(FindAction(frame, QStringLiteral("&New Connection"))->isEnabled());
    QToolButton* logText = nullptr;
    for (QToolButton* button : frame->ButtonBar()->findChildren<QToolButton*>()) {
        if (button->text() == QStringLiteral("Log Text..."))
            logText = button; // the button shows its whole caption
    }
    ASSERT_NE(logText, nullptr);
    EXPECT_FALSE(logText->isEnabled());

    CChildFrame* child = OpenTo(*app, server);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(saveText->isEnabled());
    // Cut takes the command line's selection.
    QLineEdit* edit = child->CommandLine()->lineEdit();
    edit->setText(QStringLiteral("get sword"));
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
    EXPECT_EQ(app->Settings().ReadInt(kHost, "Local Echo", -1), 0);

    close->trigger();
    EXPECT_TRUE(WaitUntil([&] { return frame->MdiArea()->subWindowList().isEmpty(); }));
    EXPECT_FALSE(saveText->isEnabled());
}

TEST_F(MainFrameTest, CaptionCarriesTheConnectionTitleMaximizedOrNot)
{
    app = StartApp();
    CMainFrame* frame = app->MainFrame();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Brumble"));
    CChildFrame* child = OpenTo(*app, server);
    ASSERT_NE(child, nullptr);
    auto* subWindow = qobject_cast<QMdiSubWindow*>(child->parentWidget());
    const auto caption = [frame] { return frame->windowTitle().toStdString(); };
    const auto settled = [&](const QString& expected) {
        WaitUntil([&] { return frame->windowTitle() == expected; });
        QTest::qWait(20); // nothing changes it back afterwards
        return caption();
    };
    const QString connected = QStringLiteral("Brumble - ") + child->windowTitle();
    EXPECT_TRUE(child->windowTitle().startsWith(QStringLiteral("127.0.0.1 (connected for")));
    EXPECT_EQ(settled(connected), connected.toStdString());
    subWindow->showMaximized();
    EXPECT_EQ(settled(connected), connected.toStdString());
    // The connection's own title changes show while maximized, and after it.
    server.CloseClient();
    const QString lost = QStringLiteral("Brumble - No Connection");
    EXPECT_EQ(settled(lost), lost.toStdString());
    subWindow->showNormal();
    EXPECT_EQ(settled(lost), lost.toStdString());
    subWindow->close();
    EXPECT_EQ(settled(QStringLiteral("Brumble")), "Brumble");
}

TEST_F(MainFrameTest, RecentHostMenuIsRebuiltAfterConnectingAndOpensTheStoredPort)
{
    app = StartApp();
    CMainFrame* frame = app->MainFrame();
    EXPECT_TRUE(frame->RecentHostActions().empty());
    QAction* placeholder = FindAction(frame, QStringLiteral("Recent Host"));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->isEnabled());
    EXPECT_TRUE(placeholder->isVisible());

    AnswerConnectDialog(QStringLiteral("127.0.0.1"), server.Port());
    frame->OnFileNewConnection();
    ASSERT_TRUE(server.WaitForClient());
    ASSERT_EQ(frame->RecentHostActions().size(), 1u);
    EXPECT_EQ(frame->RecentHostActions()[0]->text(), QStringLiteral("&1 127.0.0.1"));
    EXPECT_EQ(frame->RecentHostActions()[0]->statusTip(), QStringLiteral("Connect to this host"));
    EXPECT_FALSE(placeholder->isVisible());

    // The recent entry reconnects with the port stored for the host.
    frame->RecentHostActions()[0]->trigger();
    EXPECT_EQ(app->MainFrame()->Frames().size(), 2u);
    EXPECT_EQ(app->Services().app.nextPort, server.Port());

    // A recent host that is no longer stored does nothing.
    HostList::AddToRecentFileList(app->Settings(), "gone.example.org");
    frame->RebuildRecentHosts();
    ASSERT_EQ(frame->RecentHostActions().size(), 2u);
    EXPECT_EQ(frame->RecentHostActions()[0]->text(), QStringLiteral("&1 gone.example.org"));
    EXPECT_FALSE(app->OpenRecentHost(1));
    EXPECT_EQ(app->MainFrame()->Frames().size(), 2u);
}

TEST_F(MainFrameTest, RecentHostLabelsCarryTheirNumberAsMnemonic)
{
    app = StartApp();
    for (int n = 16; n >= 1; --n) // the last one added is the first entry
        HostList::AddToRecentFileList(app->Settings(),
                                      n == 11 ? "r&d.example.org" : "host" + std::to_string(n));
    CMainFrame* frame = app->MainFrame();
    frame->RebuildRecentHosts();
    // Entries 10 to 16 take their second digit as mnemonic; a host's own "&" is no mnemonic.
    QStringList labels;
    for (const QAction* action : frame->RecentHostActions())
        labels.push_back(action->text());
    EXPECT_EQ(labels.join(QLatin1Char('|')).toStdString(),
              "&1 host1|&2 host2|&3 host3|&4 host4|&5 host5|&6 host6|&7 host7|&8 host8|&9 host9|"
              "1&0 host10|1&1 r&&d.example.org|1&2 host12|1&3 host13|1&4 host14|1&5 host15|"
              "1&6 host16");
}
