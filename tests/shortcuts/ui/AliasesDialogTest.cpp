// The Aliases and Add Alias dialogs driven as a user would, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <deque>

#include "common/RecordingView.h"
#include "common/TestSupport.h"
#include "res/StringTable.h"
#include "script/RandomGenerator.h"
#include "session/AppServices.h"
#include "session/AppState.h"
#include "session/SessionView.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasResources.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/ui/AddAliasDlg.h"
#include "shortcuts/ui/AliasesDialog.h"

namespace {

using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::CRecordingView;
using brumble::test::ScopedTempDir;
using Answer = CMessageSink::Answer;
using AliasList = CAliasesDlg::AliasList;

const std::string kOverwrite =
    "That alias already exists. Do you want to overwrite the existing one?";

// Types text into the action field the way a user does, Enter between lines.
void TypeAction(QPlainTextEdit* edit, const std::string& lines)
{
    edit->clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = lines.find('\n', start);
        QTest::keyClicks(edit, QString::fromLatin1(lines.substr(start, end - start)));
        if (end == std::string::npos)
            break;
        QTest::keyClick(edit, Qt::Key_Return);
        start = end + 1;
    }
}

// A view as the running program has them: a QObject that can close while a dialog is up.
class CClosableView final : public QObject, public CSessionView {
public:
    void AddText(int, bool) override {}
    void RemoveLines(int) override {}
    void OnConnectionChanged(bool) override {}
    void SetTimedTextTimer(int) override {}
    void CreateDisplayFont(bool) override {}
    void SetWindowTimer(int, int) override {}
    void KillWindowTimer(int) override {}
};

class AliasDialogs : public ::testing::Test {
protected:
    // What the user does in the next Add/Modify dialog; nameless entries keep the name.
    struct Entry {
        std::optional<std::string> name;
        std::string action; // typed with "\n" between lines
        bool ok = true;
    };
    // What an Add/Modify dialog showed when it opened.
    struct Opened {
        QString title;
        std::string name;
        std::string action;
        bool nameReadOnly;
    };

    void Prepare(const AliasList& list, char aliasChar = '\\')
    {
        CAliasesDlg setup(services, "mud");
        setup.SetAliases(aliasChar, list);
        setup.Save();
    }

    std::unique_ptr<CAliasesDialog> Open(CAliasesDlg& aliases)
    {
        auto dialog = std::make_unique<CAliasesDialog>(aliases, services);
        dialog->SetAddDialogRunner([this](CAddAliasDlg& add) { return Fill(add); });
        dialog->show();
        return dialog;
    }

    int Fill(CAddAliasDlg& add)
    {
        opened.push_back(
            {add.windowTitle(), add.Name(), add.Action(), add.NameEdit()->isReadOnly()});
        add.show();
        if (entries.empty())
            return QDialog::Rejected;
        const Entry entry = entries.front();
        entries.pop_front();
        if (entry.name) {
            add.NameEdit()->clear();
            QTest::keyClicks(add.NameEdit(), QString::fromLatin1(*entry.name));
        }
        if (!entry.action.empty())
            TypeAction(add.ActionEdit(), entry.action);
        (entry.ok ? add.OkButton() : add.CancelButton())->click();
        return add.result();
    }

    static void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    ScopedTempDir dir;
    CSettingsStore store{dir.File("settings.db")};
    CRecordingMessageSink sink;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{store, sink, sound, random, app};
    std::deque<Entry> entries;
    std::vector<Opened> opened;
};

using AliasesDialog = AliasDialogs;
using AddAliasDlg = AliasDialogs;

TEST_F(AliasesDialog, OpensSortedWithChoiceWidthsTipsAndTicker)
{
    Prepare({{"zeta", "z"}, {"beta", "b1\r\nb2"}, {"Alpha", "a"}}, '#');
    store.WriteInt("Aliases", "Alias Width", 120);
    store.WriteInt("Aliases", "Action Width", 300);
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Aliases"));
    EXPECT_EQ(dialog->Rows(), (AliasList{{"Alpha", "a"}, {"beta", "b1\r\nb2"}, {"zeta", "z"}}));
    QTreeWidget* list = dialog->AliasList();
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Alias:"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Action:"));
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->columnWidth(0), 120);
    EXPECT_EQ(list->columnWidth(1), 300);
    EXPECT_EQ(list->selectedItems().value(0), list->topLevelItem(0));
    EXPECT_TRUE(dialog->ModifyButton()->isEnabled());
    EXPECT_TRUE(dialog->DeleteButton()->isEnabled());

    QComboBox* box = dialog->AliasCharBox();
    EXPECT_FALSE(box->isEditable());
    QString offered;
    for (int i = 0; i < box->count(); ++i)
        offered += box->itemText(i);
    EXPECT_EQ(offered, QStringLiteral("/\\|?><;@#~=+-_*&^%$!"));
    EXPECT_EQ(box->currentText(), QStringLiteral("#"));

    EXPECT_EQ(list->toolTip(), QStringLiteral("The list of currently available aliases."));
    EXPECT_EQ(box->toolTip(), QStringLiteral("Select the character to use as the alias indicator "
                                             "- this is always typed before the alias name."));
    EXPECT_EQ(dialog->AddButton()->toolTip(), QStringLiteral("Add a new alias to the list."));
    EXPECT_EQ(dialog->ModifyButton()->toolTip(), QStringLiteral("Modify the selected alias."));
    EXPECT_EQ(dialog->DeleteButton()->toolTip(), QStringLiteral("Delete the selected alias."));

    ASSERT_TRUE(dialog->TickerTimer().isActive());
    EXPECT_EQ(dialog->TickerTimer().interval(), 250);
    const QString before = dialog->Ticker()->text();
    ASSERT_GT(before.size(), 1);
    dialog->OnTick();
    EXPECT_EQ(dialog->Ticker()->text(), before.mid(1) + before.front());

    Click(dialog->CancelButton());
    EXPECT_FALSE(dialog->TickerTimer().isActive());
}

TEST_F(AliasesDialog, ModifyAndDeleteFollowTheListBeingEmpty)
{
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);
    EXPECT_FALSE(dialog->ModifyButton()->isEnabled());
    EXPECT_FALSE(dialog->DeleteButton()->isEnabled());

    entries.push_back({"n", "north"});
    Click(dialog->AddButton());
    EXPECT_TRUE(dialog->ModifyButton()->isEnabled());
    EXPECT_TRUE(dialog->DeleteButton()->isEnabled());
    EXPECT_EQ(dialog->AliasList()->selectedItems().size(), 1);

    // Ctrl-clicking the one selected row unselects it; the first row is selected again.
    QTreeWidget* list = dialog->AliasList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(list->selectedItems().value(0), list->topLevelItem(0));

    Click(dialog->DeleteButton());
    EXPECT_TRUE(dialog->Rows().empty());
    EXPECT_FALSE(dialog->ModifyButton()->isEnabled());
    EXPECT_FALSE(dialog->DeleteButton()->isEnabled());
}

TEST_F(AliasesDialog, AddKeepsNameOrderAndOverwriteYesReplacesTheRow)
{
    Prepare({{"b", "bee"}, {"d", "dee"}});
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);

    entries.push_back({"c", "sea\nmore"});
    Click(dialog->AddButton());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].title, QStringLiteral("Add Alias"));
    EXPECT_EQ(opened[0].name, "");
    EXPECT_EQ(opened[0].action, "");
    EXPECT_FALSE(opened[0].nameReadOnly);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bee"}, {"c", "sea\r\nmore"}, {"d", "dee"}}));
    EXPECT_TRUE(sink.shown.empty());

    entries.push_back({"d", "deep"});
    sink.QueueAnswer(Answer::Yes);
    Click(dialog->AddButton());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, kOverwrite);
    EXPECT_EQ(sink.shown[0].icon, CMessageSink::Icon::Question);
    EXPECT_EQ(sink.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bee"}, {"c", "sea\r\nmore"}, {"d", "deep"}}));

    // Names compare case-sensitively: "D" is a new alias, not the same as "d".
    entries.push_back({"D", "upper"});
    Click(dialog->AddButton());
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(dialog->Rows().size(), 4u);

    // Cancel adds nothing; the store is untouched until OK.
    entries.push_back({"x", "ex", false});
    Click(dialog->AddButton());
    EXPECT_EQ(dialog->Rows().size(), 4u);
    EXPECT_EQ(aliases.AliasNames(), (std::vector<std::string>{"b", "d"}));
}

TEST_F(AliasesDialog, OverwriteNoAsksAgainWithNameEmptiedAndActionKept)
{
    Prepare({{"k", "kill $1"}});
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);

    entries.push_back({"k", "kick $1\nlook"});
    entries.push_back({"kk", ""}); // keeps the action as reopened
    sink.QueueAnswer(Answer::No);
    Click(dialog->AddButton());
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].title, QStringLiteral("Add Alias"));
    EXPECT_EQ(opened[1].name, "");
    EXPECT_EQ(opened[1].action, "kick $1\r\nlook");
    EXPECT_EQ(dialog->Rows(), (AliasList{{"k", "kill $1"}, {"kk", "kick $1\r\nlook"}}));

    // No, then Cancel in the reopened dialog: nothing changes.
    entries.push_back({"k", "other"});
    entries.push_back({"", "", false});
    sink.QueueAnswer(Answer::No);
    Click(dialog->AddButton());
    EXPECT_EQ(opened.size(), 4u);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"k", "kill $1"}, {"kk", "kick $1\r\nlook"}}));
}

TEST_F(AliasesDialog, ModifyByButtonOrDoubleClickChangesOnlyTheAction)
{
    Prepare({{"a", "aaa"}, {"b", "bbb"}});
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);
    QTreeWidget* list = dialog->AliasList();

    entries.push_back({std::nullopt, "changed\nlines"});
    Click(dialog->ModifyButton());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].title, QStringLiteral("Modify Alias"));
    EXPECT_EQ(opened[0].name, "a");
    EXPECT_EQ(opened[0].action, "aaa");
    EXPECT_TRUE(opened[0].nameReadOnly);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"a", "changed\r\nlines"}, {"b", "bbb"}}));

    const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
    entries.push_back({std::nullopt, "double"});
    // A real double-click: press and release, then the double-click press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].name, "b");
    EXPECT_EQ(dialog->Rows(), (AliasList{{"a", "changed\r\nlines"}, {"b", "double"}}));

    entries.push_back({std::nullopt, "ignored", false});
    Click(dialog->ModifyButton());
    EXPECT_EQ(dialog->Rows(), (AliasList{{"a", "changed\r\nlines"}, {"b", "double"}}));
}

TEST_F(AliasesDialog, DeleteAsksWithNameAndActionAndRemovesOnlyOnYes)
{
    Prepare({{"a", "aaa"}, {"b", "bbb"}});
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);

    sink.QueueAnswer(Answer::No);
    Click(dialog->DeleteButton());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text,
              "Are you certain that you want to remove the following Alias?\na: aaa");
    EXPECT_EQ(sink.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(dialog->Rows().size(), 2u);

    sink.QueueAnswer(Answer::Yes);
    Click(dialog->DeleteButton());
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bbb"}}));
    EXPECT_EQ(dialog->AliasList()->selectedItems().value(0), dialog->AliasList()->topLevelItem(0));
}

TEST_F(AliasesDialog, OkSavesTheRowsInNameOrderAndCancelChangesNothing)
{
    Prepare({{"zeta", "z"}, {"go n", "second"}, {"go", "first"}});
    {
        CAliasesDlg aliases(services, "mud");
        auto dialog = Open(aliases);
        entries.push_back({"new", "made"});
        Click(dialog->AddButton());
        dialog->AliasCharBox()->setCurrentIndex(2); // "|"
        Click(dialog->CancelButton());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(aliases.Aliases(),
                  (AliasList{{"zeta", "z"}, {"go n", "second"}, {"go", "first"}}));
        EXPECT_EQ(aliases.GetAliasChar(), '\\');
        EXPECT_EQ(store.ReadString("mud", "Alias 04", "?"), "");
    }

    CAliasesDlg aliases(services, "mud");
    std::string line = "\\go n x";
    aliases.ExpandAlias(line);
    EXPECT_EQ(line, "second");

    auto dialog = Open(aliases);
    dialog->AliasCharBox()->setCurrentIndex(2);
    Click(dialog->OkButton());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const AliasList sorted{{"go", "first"}, {"go n", "second"}, {"zeta", "z"}};
    EXPECT_EQ(aliases.Aliases(), sorted);
    EXPECT_EQ(aliases.GetAliasChar(), '|');
    const CAliasesDlg reloaded(services, "mud");
    EXPECT_EQ(reloaded.Aliases(), sorted);
    EXPECT_EQ(reloaded.GetAliasChar(), '|');

    line = "|go n x";
    aliases.ExpandAlias(line);
    EXPECT_EQ(line, "first");
}

TEST_F(AliasesDialog, ColumnWidthsAreStoredOnEitherClose)
{
    CAliasesDlg aliases(services, "mud");
    {
        auto dialog = Open(aliases);
        EXPECT_EQ(dialog->AliasList()->columnWidth(0), 100); // nothing stored yet
        EXPECT_EQ(dialog->AliasList()->columnWidth(1), 250);
        dialog->AliasList()->setColumnWidth(0, 140);
        Click(dialog->CancelButton());
    }
    EXPECT_EQ(store.ReadInt("Aliases", "Alias Width", 0), 140);
    EXPECT_EQ(store.ReadInt("Aliases", "Action Width", 0), 250);
    {
        auto dialog = Open(aliases);
        EXPECT_EQ(dialog->AliasList()->columnWidth(0), 140);
        dialog->AliasList()->setColumnWidth(1, 333);
        Click(dialog->OkButton());
    }
    EXPECT_EQ(store.ReadInt("Aliases", "Action Width", 0), 333);

    // A damaged width falls back to the default rather than hiding the column.
    store.WriteInt("Aliases", "Alias Width", -5);
    auto dialog = Open(aliases);
    EXPECT_EQ(dialog->AliasList()->columnWidth(0), 100);
}

TEST_F(AliasesDialog, UnlistedAliasCharStaysUntilOkStoresSlash)
{
    store.WriteInt("mud", "Alias Char", 'A');
    CAliasesDlg aliases(services, "mud");
    EXPECT_EQ(aliases.GetAliasChar(), 'A');
    {
        auto dialog = Open(aliases);
        EXPECT_EQ(dialog->AliasCharBox()->currentText(), QStringLiteral("/"));
        Click(dialog->CancelButton());
    }
    EXPECT_EQ(aliases.GetAliasChar(), 'A');
    EXPECT_EQ(store.ReadInt("mud", "Alias Char", 0), 'A');

    auto dialog = Open(aliases);
    Click(dialog->OkButton());
    EXPECT_EQ(aliases.GetAliasChar(), '/');
    EXPECT_EQ(store.ReadInt("mud", "Alias Char", 0), '/');
}

TEST_F(AddAliasDlg, RefusesEmptyOrSpacedEntriesAndEnterStartsANewLine)
{
    CAddAliasDlg add(CAddAliasDlg::Mode::Add, "", "", sink);
    add.show();
    EXPECT_EQ(add.windowTitle(), QStringLiteral("Add Alias"));
    EXPECT_EQ(add.NameEdit()->toolTip(),
              QStringLiteral("Enter the name of the alias - you will type this to run the "
                             "aliased commands."));
    EXPECT_EQ(add.ActionEdit()->toolTip(),
              QStringLiteral("Enter the commands you want to be aliased - enter each command "
                             "on a new line."));

    add.OkButton()->click();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "Please enter both the alias name and the text to send.");
    EXPECT_TRUE(add.isVisible());

    QTest::keyClicks(add.NameEdit(), QStringLiteral("go n"));
    add.OkButton()->click();
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[1].text, "Please enter both the alias name and the text to send.");

    add.ActionEdit()->setFocus();
    QTest::keyClicks(add.ActionEdit(), QStringLiteral("north"));
    QTest::keyClick(add.ActionEdit(), Qt::Key_Return);
    QTest::keyClicks(add.ActionEdit(), QStringLiteral("east"));
    EXPECT_TRUE(add.isVisible()); // Enter went to the text, not to the OK button
    EXPECT_EQ(add.Action(), "north\r\neast");
    add.OkButton()->click();
    ASSERT_EQ(sink.shown.size(), 3u);
    EXPECT_EQ(sink.shown[2].text, LoadString(AliasResources::kMsgNameHasSpace));
    EXPECT_EQ(sink.shown[2].icon, CMessageSink::Icon::Exclamation);
    EXPECT_TRUE(add.isVisible());

    add.NameEdit()->setText(QStringLiteral("gon"));
    add.OkButton()->click();
    EXPECT_EQ(sink.shown.size(), 3u);
    EXPECT_EQ(add.result(), QDialog::Accepted);
    EXPECT_EQ(add.Name(), "gon");
}

TEST_F(AddAliasDlg, ModifyKeepsTheNameAndAnUneditedActionByteForByte)
{
    // A stored action may hold a lone CR; showing it must not rewrite it.
    CAddAliasDlg modify(CAddAliasDlg::Mode::Modify, "go n", "a\rb\r\nc\xe9", sink);
    modify.show();
    EXPECT_EQ(modify.windowTitle(), QStringLiteral("Modify Alias"));
    EXPECT_TRUE(modify.NameEdit()->isReadOnly());
    modify.OkButton()->click(); // a spaced name loaded from old settings may still be edited
    EXPECT_EQ(modify.result(), QDialog::Accepted);
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(modify.Name(), "go n");
    EXPECT_EQ(modify.Action(), "a\rb\r\nc\xe9");

    CAddAliasDlg emptied(CAddAliasDlg::Mode::Modify, "n", "north", sink);
    emptied.show();
    emptied.ActionEdit()->clear();
    emptied.OkButton()->click();
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(emptied.isVisible());
}

TEST_F(AliasesDialog, EditAliasesRunsModallyWithNoInputView)
{
    CRecordingView view;
    app.SetInputView(&view);
    CAliasesDlg aliases(services, "mud");

    std::vector<CSessionView*> seen;
    // The real modal runs: the Aliases dialog, then its Add Alias dialog inside it.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CAliasesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen.push_back(app.InputView());
        QTimer::singleShot(0, [&] {
            auto* add = qobject_cast<CAddAliasDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(add, nullptr);
            seen.push_back(app.InputView());
            add->NameEdit()->setText(QStringLiteral("n"));
            add->ActionEdit()->setPlainText(QStringLiteral("north"));
            add->OkButton()->click();
        });
        dialog->AddButton()->click();
        seen.push_back(app.InputView());
        dialog->OkButton()->click();
    });
    EXPECT_TRUE(EditAliases(aliases, services, nullptr));
    EXPECT_EQ(seen, (std::vector<CSessionView*>{nullptr, nullptr, nullptr}));
    EXPECT_EQ(app.InputView(), &view);
    EXPECT_EQ(aliases.Aliases(), (AliasList{{"n", "north"}}));

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CAliasesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->CancelButton()->click();
    });
    EXPECT_FALSE(EditAliases(aliases, services, nullptr));
    EXPECT_EQ(app.InputView(), &view);
}

TEST_F(AliasesDialog, AViewClosedWhileTheDialogWasUpIsNotPutBack)
{
    auto* view = new CClosableView;
    app.SetInputView(view);
    CAliasesDlg aliases(services, "mud");
    QTimer::singleShot(0, [&] {
        delete view;
        auto* dialog = qobject_cast<CAliasesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->CancelButton()->click();
    });
    EXPECT_FALSE(EditAliases(aliases, services, nullptr));
    EXPECT_EQ(app.InputView(), nullptr);
}

} // namespace
