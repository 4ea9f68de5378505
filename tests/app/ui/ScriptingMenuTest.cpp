// Tools > Scripting... in a whole connection window: a script made in the dialog runs on the
// next line the (real, loopback) server sends.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "base/AppState.h"
#include "display/ui/BrumbleView.h"
#include "script/ui/AddScriptCmdDlg.h"
#include "script/ui/AddScriptDlg.h"
#include "script/ui/ScriptingDialog.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

class ScriptingMenuTest : public AppFixture {};

TEST_F(ScriptingMenuTest, AScriptMadeInTheScriptingDialogAnswersTheNextLine)
{
    app = StartApp();
    app->Settings().WriteInt(kHost, "Local Echo", 0);
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    app->Services().app.SetInputView(&frame->View());
    QAction* scripting = FindAction(app->MainFrame(), QStringLiteral("Sc&ripting..."));
    ASSERT_NE(scripting, nullptr);
    ASSERT_TRUE(scripting->isEnabled());

    CSessionView* inputViewDuringDialog = &frame->View();
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<CScriptingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        inputViewDuringDialog = app->Services().app.InputView();
        // onReceive "* tells you *" THEN send "reply $1", typed into the real sub-dialogs.
        dialog->SetScriptDialogRunner([](CAddScriptDlg& add) {
            add.ConditionBox()->setCurrentIndex(CAddScriptDlg::kOnReceive);
            QTest::keyClicks(add.PatternEdit(), QStringLiteral("* tells you *"));
            add.SetCommandDialogRunner([](CAddScriptCmdDlg& command) {
                command.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSend);
                QTest::keyClicks(command.SendEdit(), QStringLiteral("reply $1"));
                QTest::mouseClick(command.OkButton(), Qt::LeftButton);
                return command.result();
            });
            QTest::mouseClick(add.AddButton(), Qt::LeftButton);
            QTest::mouseClick(add.OkButton(), Qt::LeftButton);
            return add.result();
        });
        QTest::mouseClick(dialog->InsertAfterButton(), Qt::LeftButton);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    });
    scripting->trigger();
    EXPECT_EQ(inputViewDuringDialog, nullptr);
    EXPECT_EQ(app->Settings().ReadString(kHost, "Script Condition 01", ""), "R* tells you *");

    server.Send("Bob tells you hello\r\n");
    const QByteArray expected("reply Bob\r\n");
    ASSERT_TRUE(server.WaitForReceived(expected.size()));
    EXPECT_EQ(server.Received(), expected);
}
