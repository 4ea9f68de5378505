// Tools > Manage Settings and Tools > Copy From... in the running program: each offered only
// where it applies, and Copy From reaching the window's own settings.
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "common/WidgetChecks.h"
#include "session/BrumbleDoc.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"
#include "settings/ui/CopyFromDlg.h"
#include "shortcuts/AliasesDlg.h"

using namespace brumble::test;

class HostSettingsMenuTest : public AppFixture {};

TEST_F(HostSettingsMenuTest, ManageWhileNoWindowIsOpenAndCopyFromInAWindow)
{
    app = StartApp();
    NumberedList::Save(app->Settings(), "Connect", "Host %02d", {kHost, "source.example"});
    NumberedList::SavePairs(app->Settings(), "source.example", "Alias %02d", "Alias Action %02d",
                            {{"n", "north"}});
    QAction* manage = FindAction(app->MainFrame(), QStringLiteral("&Manage Settings"));
    QAction* copyFrom = FindAction(app->MainFrame(), QStringLiteral("Copy &From..."));
    ASSERT_TRUE(manage && copyFrom);
    EXPECT_TRUE(manage->isVisible());
    EXPECT_FALSE(copyFrom->isEnabled());

    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(manage->isVisible());
    ASSERT_TRUE(copyFrom->isEnabled());

    QStringList offered;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<CCopyFromDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = ItemTexts(dialog->HostBox());
        dialog->OkButton()->click();
    });
    copyFrom->trigger();
    EXPECT_EQ(offered, QStringList{QStringLiteral("source.example")});
    EXPECT_EQ(frame->Doc().Aliases()->AliasNames(), std::vector<std::string>{"n"});

    app->MainFrame()->findChild<QMdiArea*>()->closeAllSubWindows();
    ASSERT_TRUE(WaitUntil([&] { return app->MainFrame()->Frames().empty(); }));
    EXPECT_TRUE(manage->isVisible());
}
