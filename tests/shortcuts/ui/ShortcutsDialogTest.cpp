// The Shortcut Function Keys, Add Shortcut Key and Shortcut Keypad Keys dialogs, driven as a
// user would, offscreen.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <deque>

#include "common/TestServices.h"
#include "settings/SettingsStore.h"
#include "shortcuts/KeypadDlg.h"
#include "shortcuts/ShortcutsDlg.h"
#include "shortcuts/ui/AddShortcutDlg.h"
#include "shortcuts/ui/KeypadDialog.h"
#include "shortcuts/ui/ShortcutsDialog.h"

namespace {

using Answer = CMessageSink::Answer;
using List = CShortcutsDlg::ShortcutList;

class ShortcutsDialog : public ::testing::Test, public brumble::test::CTestServices {
protected:
    // One try in the next Add/Modify dialog: the numbers typed one after the other (each
    // followed by OK), the modifier and the text ("\n" between lines); empty numbers: the
    // fixed key of Modify.
    struct Entry {
        std::vector<const char*> numbers;
        CShortcutsDlg::Modifier modifier = CShortcutsDlg::kNone;
        const char* text = nullptr; // null: keep what is shown
    };

    int Fill(CAddShortcutDlg& add)
    {
        opened.push_back(add.windowTitle().toStdString() + " " +
                         add.NumberEdit()->text().toStdString() +
                         (add.NumberEdit()->isEnabled() ? "" : "!") + " " + add.Text());
        add.show();
        const Entry entry = entries.front();
        entries.pop_front();
        if (entry.numbers.empty() || add.NumberEdit()->isEnabled())
            add.ModifierButton(entry.modifier)->setChecked(true);
        if (entry.text)
            add.TextEdit()->setPlainText(QString::fromLatin1(entry.text));
        if (entry.numbers.empty())
            add.accept();
        for (const char* number : entry.numbers) {
            add.NumberEdit()->setText(QString::fromLatin1(number));
            add.accept();
        }
        return add.result();
    }

    std::vector<std::string> opened;
    std::deque<Entry> entries;
};

TEST_F(ShortcutsDialog, AddModifyDeleteAndOkSaveTheShownRows)
{
    settings.WriteInt("Shortcuts", "Keys Width", 120);
    CShortcutsDlg keys(services, "mud");
    // A code outside F1-F12 and an empty text stay in the store but are not shown.
    keys.SetShortcuts({{116, "look"}, {1000, "odd"}, {880, "alt one"}, {113, ""}, {629, "six"}});
    CShortcutsDialog dialog(keys, services);
    dialog.SetAddDialogRunner([this](CAddShortcutDlg& add) { return Fill(add); });
    dialog.show();
    QTreeWidget* list = dialog.ShortcutList();
    EXPECT_EQ(dialog.Rows(), (List{{880, "alt one"}, {629, "six"}, {116, "look"}}));
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Key:"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("Ctrl+F6"));
    EXPECT_EQ(list->columnWidth(0), 120);
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_EQ(list->toolTip(),
              QStringLiteral("A list of all currently available shortcuts and their keys."));
    EXPECT_EQ(dialog.ModifyButton()->toolTip(), QStringLiteral("Modify the selected shortcut."));

    // 13 is refused; F5 exists and No asks again with 0 and Normal, the text kept.
    messages.QueueAnswer(Answer::Ok);
    messages.QueueAnswer(Answer::No);
    entries = {{{"13", "5"}, CShortcutsDlg::kNone, "a\nb"}, {{"2"}, CShortcutsDlg::kShift}};
    dialog.OnAdd();
    EXPECT_EQ(opened,
              (std::vector<std::string>{"Add Shortcut Key 0 ", "Add Shortcut Key 0 a\r\nb"}));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Please enter an integer between 1 and 12.");
    EXPECT_EQ(messages.shown[1].text, "There is already a shortcut for that Function Key. Do you "
                                      "want to overwrite the existing one?");
    EXPECT_EQ(messages.shown[1].icon, CMessageSink::Icon::Question);
    // Yes overwrites.
    messages.QueueAnswer(Answer::Yes);
    entries = {{{"6"}, CShortcutsDlg::kCtrl, "new six"}};
    dialog.OnAdd();

    // Modify shows the key fixed; Delete asks with the key name and text.
    opened.clear();
    list->setCurrentItem(list->topLevelItem(2)); // F5
    entries = {{{}, CShortcutsDlg::kNone, "look\nagain"}};
    dialog.OnModify();
    EXPECT_EQ(opened, (std::vector<std::string>{"Modify Shortcut 5! look"}));
    list->setCurrentItem(list->topLevelItem(0));
    messages.QueueAnswer(Answer::Yes);
    dialog.OnDelete();
    EXPECT_EQ(
        messages.shown.back().text,
        "Are you certain that you want to remove the following Shortcut Key?\nAlt+F1: alt one");

    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    const List expected{{629, "new six"}, {116, "look\r\nagain"}, {369, "a\r\nb"}};
    EXPECT_EQ(keys.Shortcuts(), expected);
    EXPECT_EQ(CShortcutsDlg(services, "mud").Shortcuts(), expected);
    EXPECT_EQ(settings.ReadInt("Shortcuts", "Actions Width", -1), list->columnWidth(1));
}

TEST_F(ShortcutsDialog, AddShortcutKeyShowsItsChoicesWithTheirTips)
{
    CAddShortcutDlg add(CAddShortcutDlg::Mode::Add, 0, CShortcutsDlg::kNone, "", messages);
    EXPECT_EQ(add.NumberEdit()->text(), QStringLiteral("0"));
    EXPECT_TRUE(add.ModifierButton(CShortcutsDlg::kNone)->isChecked());
    EXPECT_EQ(add.NumberEdit()->toolTip(),
              QStringLiteral("Enter the function key number for this shortcut (1-12)."));
    EXPECT_EQ(add.ModifierButton(CShortcutsDlg::kAlt)->toolTip(),
              QStringLiteral("Select this to set the shortcut when the alt and function key are "
                             "pressed."));
    add.NumberEdit()->setText(QStringLiteral("12"));
    add.ModifierButton(CShortcutsDlg::kAlt)->setChecked(true);
    EXPECT_EQ(add.KeyCode(), 891u);

    // The ticker moves its first line to the end every 1.5 seconds.
    CShortcutsDlg keys(services, "mud");
    CShortcutsDialog dialog(keys, services);
    EXPECT_EQ(dialog.TickerTimer().interval(), 1500);
    const QString before = dialog.Ticker()->toPlainText();
    dialog.OnTick();
    const qsizetype end = before.indexOf(QLatin1Char('\n')) + 1;
    EXPECT_EQ(dialog.Ticker()->toPlainText(), before.mid(end) + before.left(end));
}

TEST_F(ShortcutsDialog, KeypadKeysAreEditedOneAtATime)
{
    settings.WriteString("mud", "Keypad Key 01", "up");
    CKeypadDlg keypad(services, "mud");
    CKeypadDialog dialog(keypad, services);
    dialog.show();
    EXPECT_TRUE(dialog.KeyButton(0)->isChecked());
    EXPECT_EQ(dialog.CommandsLabel()->text(), QStringLiteral("Enter commands for keypad key /:"));
    EXPECT_EQ(dialog.CommandsEdit()->toPlainText(), QStringLiteral("up"));
    EXPECT_EQ(dialog.KeyButton(4)->toolTip(),
              QStringLiteral("View and edit the commands sent when 8 is pressed."));
    EXPECT_EQ(dialog.CommandsEdit()->toolTip(),
              QStringLiteral("Enter the commands to assign to the selected keypad key."));
    // The keypad's shape: + is two rows high, 0 two columns wide.
    EXPECT_GT(dialog.KeyButton(6)->height(), dialog.KeyButton(5)->height() * 3 / 2);
    EXPECT_GT(dialog.KeyButton(13)->width(), dialog.KeyButton(12)->width() * 3 / 2);

    QTest::mouseClick(dialog.KeyButton(4), Qt::LeftButton); // 8
    EXPECT_TRUE(dialog.KeyButton(4)->isChecked());
    EXPECT_FALSE(dialog.KeyButton(0)->isChecked());
    EXPECT_EQ(dialog.CommandsLabel()->text(), QStringLiteral("Enter commands for keypad key 8:"));
    dialog.CommandsEdit()->setPlainText(QStringLiteral("north\nn2"));
    QTest::mouseClick(dialog.KeyButton(0), Qt::LeftButton);
    EXPECT_EQ(dialog.CommandsEdit()->toPlainText(), QStringLiteral("up"));
    dialog.CommandsEdit()->clear();
    QTest::mouseClick(dialog.KeyButton(8), Qt::LeftButton);   // 5
    dialog.CommandsEdit()->setPlainText(QStringLiteral("x")); // kept by OK at once

    // The ticker shows one of the tips and moves its first character to the end.
    const QString tip = dialog.Ticker()->text();
    EXPECT_EQ(dialog.TickerTimer().interval(), 250);
    dialog.OnTick();
    EXPECT_EQ(dialog.Ticker()->text(), tip.mid(1) + tip.front());

    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    CKeypadDlg reloaded(services, "mud");
    EXPECT_EQ(reloaded.KeyCommands()[0], "");
    EXPECT_EQ(reloaded.KeyCommands()[4], "north\r\nn2");
    EXPECT_EQ(reloaded.KeyCommands()[8], "x");
}

} // namespace
