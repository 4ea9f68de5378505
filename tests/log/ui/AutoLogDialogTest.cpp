// The Auto-Log Text dialog driven as a user would, offscreen, and Tools > Auto Log in a
// whole connection window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/ui/AppFixture.h"
#include "common/TestServices.h"
#include "common/WidgetChecks.h"
#include "log/AutoLogDlg.h"
#include "log/AutoLogResources.h"
#include "log/ui/AutoLogDialog.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

const std::string kMud = "mud";

// A click where a user aims: at a box's or a choice's indicator (their labels do not reach
// across the whole dialog), in the middle of a push button.
void Click(QAbstractButton* button)
{
    const bool indicator = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    const QPoint at = indicator ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

class AutoLogDialog : public ::testing::Test, public CTestServices {
protected:
    std::unique_ptr<CAutoLogDialog> Open(CAutoLogDlg& autoLog)
    {
        auto dialog = std::make_unique<CAutoLogDialog>(autoLog, services);
        dialog->SetFolderChooser([this](const std::string& start) {
            startedAt.push_back(start);
            return nextFolder;
        });
        dialog->show();
        return dialog;
    }

    std::optional<std::string> nextFolder;
    std::vector<std::string> startedAt;
};

TEST_F(AutoLogDialog, EverythingButTheFirstBoxFollowsItAndEachControlHasItsTip)
{
    settings.WriteString(kMud, "AutoLogDir", "/srv/logs");
    CAutoLogDlg autoLog(services, kMud);
    auto dialog = Open(autoLog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Auto-Log Text"));
    EXPECT_EQ(dialog->DirectoryEdit()->text(), QStringLiteral("/srv/logs"));
    EXPECT_TRUE(dialog->DirectoryEdit()->isReadOnly());
    EXPECT_TRUE(dialog->MethodButton(CAutoLogDlg::kPerDay)->isChecked());

    using namespace AutoLogResources;
    const std::vector<std::pair<QWidget*, int>> others = {
        {dialog->CommandsBox(), kCommandsBox},
        {dialog->DirectoryEdit(), kDirectoryField},
        {dialog->BrowseButton(), kBrowseButton},
        {dialog->MethodButton(CAutoLogDlg::kPerDay), kPerDayChoice},
        {dialog->MethodButton(CAutoLogDlg::kPerWeek), kPerWeekChoice},
        {dialog->MethodButton(CAutoLogDlg::kPerConnection), kPerConnectionChoice},
    };
    ExpectToolTips({{dialog->EnabledBox(), kEnabledBox}});
    ExpectToolTips(others);
    // Off, on, off again: every other control follows the box.
    for (const bool enabled : {false, true, false}) {
        for (const auto& [control, id] : others)
            EXPECT_EQ(control->isEnabled(), enabled) << id;
        Click(dialog->EnabledBox());
    }
}

TEST_F(AutoLogDialog, BrowseReplacesTheFolderAndOkSavesAllFourButNotCancel)
{
    settings.WriteString(kMud, "AutoLogDir", "/srv/logs");
    CAutoLogDlg autoLog(services, kMud);
    {
        auto dialog = Open(autoLog);
        Click(dialog->EnabledBox());
        nextFolder = "/home/me/muds";
        Click(dialog->BrowseButton());
        Click(dialog->CancelButton());
    }
    EXPECT_FALSE(autoLog.IsAutoLogging());
    EXPECT_EQ(settings.ReadString(kMud, "AutoLogDir", ""), "/srv/logs");

    auto dialog = Open(autoLog);
    Click(dialog->EnabledBox());
    Click(dialog->CommandsBox());
    Click(dialog->MethodButton(CAutoLogDlg::kPerWeek));
    Click(dialog->BrowseButton());
    EXPECT_EQ(dialog->DirectoryEdit()->text(), QStringLiteral("/home/me/muds"));
    nextFolder.reset(); // cancelling the picker keeps the folder
    Click(dialog->BrowseButton());
    EXPECT_EQ(startedAt, (std::vector<std::string>{"/srv/logs", "/srv/logs", "/home/me/muds"}));
    Click(dialog->OkButton());
    EXPECT_FALSE(dialog->isVisible());

    EXPECT_TRUE(autoLog.IsAutoLogging()); // the object takes the settings at once
    CAutoLogDlg saved(services, kMud);
    EXPECT_TRUE(saved.IsAutoLogging());
    EXPECT_TRUE(saved.GetSettings().logCommands);
    EXPECT_EQ(saved.GetSettings().method, CAutoLogDlg::kPerWeek);
    EXPECT_EQ(saved.GetSettings().directory, "/home/me/muds");
}

TEST_F(AutoLogDialog, OkRefusesAFolderLongerThan255Characters)
{
    CAutoLogDlg autoLog(services, kMud);
    auto dialog = Open(autoLog);
    Click(dialog->EnabledBox());
    nextFolder = "/" + std::string(255, 'x');
    Click(dialog->BrowseButton());
    Click(dialog->OkButton());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Please enter no more than 255 characters.");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(autoLog.IsAutoLogging());
    EXPECT_EQ(settings.ReadInt(kMud, "AutoLog", 0), 0);

    nextFolder = "/" + std::string(254, 'x'); // 255 in all
    Click(dialog->BrowseButton());
    Click(dialog->OkButton());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settings.ReadString(kMud, "AutoLogDir", ""), *nextFolder);
}

class ToolsAutoLog : public AppFixture {};

TEST_F(ToolsAutoLog, MenuIsTickedWhileAutoLoggingAndOpensTheDialogForTheHost)
{
    app = StartApp();
    app->Settings().WriteInt(kHost, "AutoLog", 1);
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QAction* autoLog = FindAction(app->MainFrame(), QStringLiteral("A&uto Log..."));
    ASSERT_NE(autoLog, nullptr);
    for (QMenu* menu : app->MainFrame()->menuBar()->findChildren<QMenu*>())
        Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(autoLog->isEnabled());
    EXPECT_TRUE(autoLog->isChecked());

    // The user unticks the first box and presses OK.
    bool sawDialog = false;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<CAutoLogDialog*>(QApplication::activeModalWidget());
        sawDialog = dialog != nullptr;
        if (!dialog)
            return;
        Click(dialog->EnabledBox());
        Click(dialog->OkButton());
    });
    autoLog->trigger();
    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(frame->Doc().IsAutoLogging());
    EXPECT_FALSE(autoLog->isChecked());
    EXPECT_EQ(app->Settings().ReadInt(kHost, "AutoLog", 1), 0);
}

} // namespace
