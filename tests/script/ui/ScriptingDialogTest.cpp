// The Scripting, Add Script and Add Script Command dialogs, driven as a user would, offscreen.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <deque>
#include <functional>

#include "common/TestServices.h"
#include "res/WidgetText.h"
#include "script/ScriptingDlg.h"
#include "script/ui/AddScriptCmdDlg.h"
#include "script/ui/AddScriptDlg.h"
#include "script/ui/ScriptingDialog.h"
#include "settings/SettingsStore.h"

namespace {

using Answer = CMessageSink::Answer;
using Strings = std::vector<std::string>;

class ScriptingDialogTest : public ::testing::Test, public brumble::test::CTestServices {
protected:
    // What the next Add/Modify Script dialog is given to do; its result is its own.
    std::deque<std::function<void(CAddScriptDlg&)>> scriptSteps;
    Strings opened; // title and texts of every Add/Modify Script dialog shown

    int RunScript(CAddScriptDlg& add)
    {
        opened.push_back(add.windowTitle().toStdString() + ": " + add.GetConditionText() + " | " +
                         add.GetCommandsText());
        add.show();
        auto step = scriptSteps.front();
        scriptSteps.pop_front();
        step(add);
        return add.result();
    }
    // An Add Script dialog step: the condition, its field, and send commands added.
    static std::function<void(CAddScriptDlg&)> Make(int condition, const char* field, Strings sends)
    {
        return [=](CAddScriptDlg& add) {
            add.ConditionBox()->setCurrentIndex(condition);
            (condition == CAddScriptDlg::kOnTimer ? add.TimerEdit() : add.PatternEdit())
                ->setText(QString::fromLatin1(field));
            for (const std::string& send : sends) {
                add.SetCommandDialogRunner([&send](CAddScriptCmdDlg& command) {
                    command.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSend);
                    command.SendEdit()->setText(QString::fromStdString(send));
                    command.accept();
                    return command.result();
                });
                add.OnAdd();
            }
            add.accept();
        };
    }
    std::string Shown() const
    {
        return messages.shown.empty() ? std::string() : messages.shown.back().text;
    }
};

TEST_F(ScriptingDialogTest, EditsTheRowsAndOkSavesThemWithTheHiddenScripts)
{
    CScriptingDlg scripts(services, "mud");
    // "Qodd" cannot be shown: it stays, unchanged, before the script that followed it.
    scripts.SetScripts({"C", "Qodd", "R*hi*", "T2"}, {"Xa", "Xb", "Xc\nBYUM!", "K2"});
    settings.WriteInt("Scripts", "Condition Width", 140);
    settings.WriteInt("Scripts", "Commands Width", 200);
    CScriptingDialog dialog(scripts, services);
    dialog.SetScriptDialogRunner([this](CAddScriptDlg& add) { return RunScript(add); });
    dialog.show();
    QTreeWidget* list = dialog.ScriptList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Scripting for Brumble"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Commands:"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("send (c); beep (YUM!)"));
    EXPECT_EQ(list->header()->sectionSize(0), 140);
    EXPECT_TRUE(list->topLevelItem(0)->isSelected());
    EXPECT_EQ(dialog.MoveDownButton()->toolTip(),
              QStringLiteral("Move the selected script down the order."));

    // Insert After the selected first row, then Before it; a Cancelled one adds nothing.
    scriptSteps = {Make(CAddScriptDlg::kOnTimer, "7", {"x"}),
                   Make(CAddScriptDlg::kOnReceive, "(a|b) *", {"y", "z"}),
                   [](CAddScriptDlg& add) { add.reject(); }};
    dialog.OnInsertAfter();
    dialog.OnInsertBefore();
    dialog.OnInsertBefore();
    EXPECT_EQ(opened[0], "Add Script: onConnect ( ) | ");
    // Double-click modifies: the dialog opens with the row's texts.
    list->setCurrentItem(list->topLevelItem(3));
    scriptSteps = {[](CAddScriptDlg& add) {
        add.CommandList()->setCurrentRow(1);
        add.OnDelete();
        add.accept();
    }};
    Q_EMIT list->itemDoubleClicked(list->topLevelItem(3), 0);
    EXPECT_EQ(opened.back(), "Modify Script: onReceive (*hi*) | send (c)\nbeep (YUM!)");

    // Move Up on the top row changes nothing; Move Down swaps and the selection stays put.
    list->setCurrentItem(list->topLevelItem(0));
    dialog.OnMoveUp();
    dialog.OnMoveDown();
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("onConnect ( )"));
    EXPECT_TRUE(list->topLevelItem(0)->isSelected());
    list->setCurrentItem(list->topLevelItem(4));
    dialog.OnMoveDown();
    EXPECT_EQ(list->topLevelItem(4)->text(0), QStringLiteral("onTimer (2)"));

    // Delete asks first; No keeps the row.
    list->setCurrentItem(list->topLevelItem(4));
    messages.QueueAnswer(Answer::No);
    messages.QueueAnswer(Answer::Yes);
    dialog.OnDelete();
    EXPECT_EQ(list->topLevelItemCount(), 5);
    EXPECT_EQ(Shown(), "Are you certain that you want to remove the following Script?\nIF "
                       "onTimer (2)\nTHEN killTimer (2)");
    dialog.OnDelete();
    EXPECT_EQ(list->topLevelItemCount(), 4);
    EXPECT_TRUE(list->topLevelItem(0)->isSelected()); // the first row after a delete

    list->header()->resizeSection(1, 170);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    const Strings conditions{"C", "R(a|b) *", "T7", "Qodd", "R*hi*"};
    const Strings commands{"Xa", "Xy\nXz", "Xx", "Xb", "Xc"};
    EXPECT_EQ(scripts.Conditions(), conditions);
    EXPECT_EQ(scripts.CommandLists(), commands);
    EXPECT_EQ(CScriptingDlg(services, "mud").Conditions(), conditions);
    EXPECT_EQ(settings.ReadInt("Scripts", "Commands Width", -1), 170);
}

TEST_F(ScriptingDialogTest, CancelKeepsEverythingAndEmptyListsDisableTheRowButtons)
{
    CScriptingDlg scripts(services, "mud");
    scripts.SetScripts({"C"}, {"Xa"});
    scripts.Save();
    CScriptingDialog dialog(scripts, services);
    dialog.SetScriptDialogRunner([this](CAddScriptDlg& add) { return RunScript(add); });
    dialog.show();
    messages.QueueAnswer(Answer::Yes);
    dialog.OnDelete();
    EXPECT_FALSE(dialog.ModifyButton()->isEnabled());
    EXPECT_FALSE(dialog.MoveUpButton()->isEnabled());
    EXPECT_TRUE(dialog.InsertAfterButton()->isEnabled());
    // The caption game: after some turns both buttons have shown captions of their own ten.
    for (int i = 0; i < 20; ++i)
        dialog.OnCaption();
    EXPECT_EQ(dialog.CaptionTimer().interval(), 5000);
    EXPECT_NE(dialog.OkButton()->text(), QStringLiteral("OK"));
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(scripts.Conditions(), Strings{"C"});
    EXPECT_EQ(CScriptingDlg(services, "mud").CommandLists(), Strings{"Xa"});
    EXPECT_GT(settings.ReadInt("Scripts", "Condition Width", -1), 0);
}

TEST_F(ScriptingDialogTest, AddScriptRefusesTimerZeroAndEmptyPatternsAndScrollsItsHelp)
{
    CAddScriptDlg add(std::string("onTimer ( )"), std::string("send (a)\nkillTimer (3)"), services);
    EXPECT_EQ(add.windowTitle(), QStringLiteral("Modify Script"));
    EXPECT_EQ(add.ConditionBox()->currentIndex(), CAddScriptDlg::kOnTimer);
    EXPECT_EQ(add.TimerEdit()->text(), QStringLiteral("0"));
    EXPECT_EQ(add.CommandList()->count(), 2);
    add.accept();
    EXPECT_EQ(Shown(), "Please enter an integer between 1 and 99.");
    add.TimerEdit()->setText(QStringLiteral("99"));
    add.ConditionBox()->setCurrentIndex(CAddScriptDlg::kOnReceive);
    add.accept();
    EXPECT_EQ(Shown(),
              "The condition is invalid (onReceive must have some text specified for it).");
    EXPECT_EQ(add.result(), 0);
    // A line break pasted into the pattern becomes a space.
    add.PatternEdit()->setText(QStringLiteral("*a\nb*"));
    add.accept();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    EXPECT_EQ(add.GetConditionText(), "onReceive (*a b*)");

    // Modify parses names without regard to case; with no command selected it only beeps.
    CAddScriptDlg other(std::string("ONRECEIVE ((x))"), std::nullopt, services);
    EXPECT_EQ(other.PatternEdit()->text(), QStringLiteral("(x)"));
    other.OnModify();
    EXPECT_EQ(sound.played, Strings{"system:SystemExclamation"});
    EXPECT_FALSE(other.DeleteButton()->isEnabled());

    EXPECT_EQ(other.Ticker().interval(), CAddScriptDlg::kFirstTickMs);
    const QString help = other.HelpText()->text();
    EXPECT_TRUE(help.startsWith(QStringLiteral("The onText condition can accept")));
    other.OnTick();
    EXPECT_EQ(other.HelpText()->text(), help.mid(4) + QStringLiteral("The "));
    EXPECT_EQ(other.Ticker().interval(), CAddScriptDlg::kTickMs);
    EXPECT_EQ(CAddScriptDlg::ScrolledHelp(QStringLiteral("abc")), QStringLiteral("bca"));
}

TEST_F(ScriptingDialogTest, AddScriptCommandParsesChecksAndBuildsEveryCommand)
{
    // Modify mode parses each line into its fields; OK gives the line back.
    for (const char* line :
         {"beep (Hand)", "colour (#00FF00)", "send (say (hi))", "setTimer (3, 60)", "killTimer (4)",
          "line (/a b)", "read (r.txt)", "save (s.txt)"}) {
        CAddScriptCmdDlg command(std::string(line), services);
        EXPECT_EQ(command.windowTitle(), QStringLiteral("Modify Script Command"));
        command.accept();
        EXPECT_EQ(command.result(), QDialog::Accepted) << line;
        EXPECT_EQ(command.GetCommandText(), line);
    }
    EXPECT_TRUE(messages.shown.empty());

    CAddScriptCmdDlg command(std::nullopt, services);
    EXPECT_EQ(command.windowTitle(), QStringLiteral("Add Script Command"));
    EXPECT_EQ(command.SoundBox()->count(), 7);
    EXPECT_EQ(command.BrowseButton()->toolTip(), QStringLiteral("Browse for a file."));
    command.show();
    command.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSetTimer);
    EXPECT_TRUE(command.DelayEdit()->isVisible());
    EXPECT_FALSE(command.SendEdit()->isVisible());
    // The limits of the timer number and of the delay (15 bits in the stored value).
    const struct {
        const char *timer, *delay, *message;
    } refused[] = {
        {"0", "5", "Please enter an integer between 1 and 99."},
        {"100", "5", "Please enter an integer between 1 and 99."},
        {"x", "5", "Please enter a positive integer."},
        {"5", "32768", "Please enter an integer between 1 and 32767."},
        {"5", "0", "Please enter an integer between 1 and 32767."},
    };
    for (const auto& r : refused) {
        command.TimerEdit()->setText(QString::fromLatin1(r.timer));
        command.DelayEdit()->setText(QString::fromLatin1(r.delay));
        command.accept();
        EXPECT_EQ(Shown(), r.message) << r.timer << " " << r.delay;
        EXPECT_NE(command.result(), QDialog::Accepted);
    }
    command.TimerEdit()->setText(QStringLiteral("99"));
    command.DelayEdit()->setText(QStringLiteral("32767"));
    EXPECT_EQ(command.GetCommandText(), "setTimer (99, 32767)");
    EXPECT_EQ(CScriptingDlg::DisplayToStored(command.GetCommandText(), true), "T2147418211");

    // Colours starts at the field's colour and writes the chosen one in lower case.
    command.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kColour);
    std::uint32_t started = 1;
    command.SetColourChooser([&started](std::uint32_t start) {
        started = start;
        return std::optional<std::uint32_t>(0xABCDEF);
    });
    command.ColourEdit()->setText(QStringLiteral("#10203g"));
    command.OnColours();
    EXPECT_EQ(started, 0x10203u);
    EXPECT_EQ(command.GetCommandText(), "colour (#abcdef)");
    command.ColourEdit()->setText(QStringLiteral("00FF00"));
    EXPECT_EQ(command.GetCommandText(), "colour (#00FF00)");

    // Browse: the chooser for the command, starting at the field's text.
    command.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSave);
    command.FileEdit()->setText(QStringLiteral("old.txt"));
    command.SetFileChooser([](CAddScriptCmdDlg::Command which, const std::string& start) {
        return std::optional<std::string>(std::to_string(which) + "/" + start);
    });
    command.OnBrowse();
    EXPECT_EQ(command.GetCommandText(), "save (7/old.txt)");

    // A line feed pasted into the send text can never split the command.
    command.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSend);
    command.SendEdit()->setText(QStringLiteral("a\nsave (x)"));
    EXPECT_EQ(command.SendEdit()->text(), QStringLiteral("a save (x)"));
    EXPECT_EQ(CScriptingDlg::DisplayToStored(command.GetCommandText(), true), "Xa save (x)");
}

} // namespace

TEST_F(ScriptingDialogTest, PatternsAndSendTextsAreStoredInTheHostsEncoding)
{
    // UTF-8: a send text is stored as UTF-8 and shown again as its characters.
    const QString text = QStringLiteral("say caf\u00e9 \u2603");
    CAddScriptCmdDlg utf8(std::nullopt, services, nullptr, CTextEncoding::Kind::Utf8);
    utf8.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSend);
    utf8.SendEdit()->setText(text);
    utf8.accept();
    ASSERT_EQ(utf8.result(), QDialog::Accepted);
    EXPECT_EQ(utf8.GetCommandText(), "send (say caf\xC3\xA9 \xE2\x98\x83)");
    CAddScriptCmdDlg again(utf8.GetCommandText(), services, nullptr, CTextEncoding::Kind::Utf8);
    EXPECT_EQ(again.SendEdit()->text(), text);

    // Latin-1 refuses what it cannot carry rather than storing '?', in a send text and in a
    // pattern alike.
    CAddScriptCmdDlg latin1(std::nullopt, services, nullptr, CTextEncoding::Kind::Latin1);
    latin1.CommandBox()->setCurrentIndex(CAddScriptCmdDlg::kSend);
    latin1.SendEdit()->setText(text);
    latin1.accept();
    EXPECT_NE(latin1.result(), QDialog::Accepted);
    EXPECT_EQ(Shown(), FromWidgetText(TextNotCarriedMessage()));
    messages.shown.clear();
    CAddScriptDlg add(std::nullopt, std::nullopt, services, nullptr, CTextEncoding::Kind::Latin1);
    add.ConditionBox()->setCurrentIndex(CAddScriptDlg::kOnReceive);
    add.PatternEdit()->setText(QStringLiteral("*\u2603*"));
    add.accept();
    EXPECT_NE(add.result(), QDialog::Accepted);
    EXPECT_EQ(Shown(), FromWidgetText(TextNotCarriedMessage()));
}
