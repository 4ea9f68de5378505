// The Aliases and Add Alias dialogs driven as a user would, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <deque>

#include "common/RecordingView.h"
#include "common/TestServices.h"
#include "common/WidgetChecks.h"
#include "res/StringTable.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasResources.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/ui/AddAliasDlg.h"
#include "shortcuts/ui/AliasesDialog.h"

namespace {

using Answer = CMessageSink::Answer;
using AliasList = CAliasesDlg::AliasList;
using brumble::test::ItemTexts;

// A view as the program has them: a QObject that can close while a dialog is up.
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

class AliasesDialog : public ::testing::Test, public brumble::test::CTestServices {
protected:
    // What the user does in the next Add/Modify dialog: the name (unless it is fixed) and
    // the action (unless empty) to enter, lines separated by "\n", then OK or Cancel.
    struct Entry {
        std::string name, action;
        bool ok = true;
    };

    void Prepare(const AliasList& list)
    {
        CAliasesDlg setup(services, "mud");
        setup.SetAliases('\\', list);
        setup.Save();
    }

    std::unique_ptr<CAliasesDialog> Open(CAliasesDlg& aliases)
    {
        auto dialog = std::make_unique<CAliasesDialog>(aliases, services);
        dialog->SetAddDialogRunner([this](CAddAliasDlg& add) { return Fill(add); });
        dialog->show();
        return dialog;
    }

    // Records what the dialog showed when it opened ("name=action", "!" for a fixed name).
    int Fill(CAddAliasDlg& add)
    {
        const bool fixed = add.NameEdit()->isReadOnly();
        opened.push_back((fixed ? "!" : "") + add.Name() + "=" + add.Action());
        add.show();
        if (entries.empty())
            return QDialog::Rejected;
        const Entry entry = entries.front();
        entries.pop_front();
        if (!fixed)
            add.NameEdit()->setText(QString::fromLatin1(entry.name));
        if (!entry.action.empty())
            add.ActionEdit()->setPlainText(QString::fromLatin1(entry.action));
        (entry.ok ? add.OkButton() : add.CancelButton())->click();
        return add.result();
    }

    static void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

    std::deque<Entry> entries;
    std::vector<std::string> opened;
};

TEST_F(AliasesDialog, AddKeepsNameOrderAndAsksBeforeOverwriting)
{
    Prepare({{"d", "dee"}, {"b", "bee"}});
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bee"}, {"d", "dee"}}));

    entries.push_back({"c", "sea\nmore"});
    Click(dialog->AddButton());
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bee"}, {"c", "sea\r\nmore"}, {"d", "dee"}}));
    EXPECT_TRUE(messages.shown.empty());

    // Yes replaces the row's action.
    entries.push_back({"d", "deep"});
    messages.QueueAnswer(Answer::Yes);
    Click(dialog->AddButton());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "That alias already exists. Do you want to overwrite the existing one?");
    EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Question);
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bee"}, {"c", "sea\r\nmore"}, {"d", "deep"}}));

    // No asks again with the name emptied and the action kept; Cancel there changes nothing.
    // Names compare case-sensitively; Cancel adds nothing.
    entries.insert(entries.end(), {{"b", "kick $1\nlook"},
                                   {"bb", ""},
                                   {"d", "other"},
                                   {"", "", false},
                                   {"D", "upper"},
                                   {"x", "ex", false}});
    messages.QueueAnswer(Answer::No);
    messages.QueueAnswer(Answer::No);
    for (int i = 0; i < 4; ++i)
        Click(dialog->AddButton());
    EXPECT_EQ(opened, (std::vector<std::string>{"=", "=", "=", "=kick $1\r\nlook", "=", "=other",
                                                "=", "="}));
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(dialog->Rows(), (AliasList{{"b", "bee"},
                                         {"bb", "kick $1\r\nlook"},
                                         {"c", "sea\r\nmore"},
                                         {"D", "upper"},
                                         {"d", "deep"}}));
    EXPECT_EQ(aliases.AliasNames(), (std::vector<std::string>{"d", "b"})); // not before OK
}

TEST_F(AliasesDialog, ModifyChangesOnlyTheActionAndDeleteAsksFirst)
{
    Prepare({{"a", "aaa"}, {"b", "bbb"}});
    CAliasesDlg aliases(services, "mud");
    auto dialog = Open(aliases);
    QTreeWidget* list = dialog->AliasList();
    EXPECT_EQ(list->selectedItems().value(0), list->topLevelItem(0));

    entries.push_back({"", "changed\nlines"});
    Click(dialog->ModifyButton());
    // A real double-click on the second row: press and release, then the double press.
    const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
    entries.push_back({"", "double"});
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    entries.push_back({"", "ignored", false});
    Click(dialog->ModifyButton());
    EXPECT_EQ(opened, (std::vector<std::string>{"!a=aaa", "!b=bbb", "!b=double"}));
    EXPECT_EQ(dialog->Rows(), (AliasList{{"a", "changed\r\nlines"}, {"b", "double"}}));

    // Delete asks with the name and action of the selected row and removes only on Yes.
    messages.QueueAnswer(Answer::No);
    Click(dialog->DeleteButton());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Are you certain that you want to remove the following Alias?\nb: double");
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(dialog->Rows().size(), 2u);
    messages.QueueAnswer(Answer::Yes);
    Click(dialog->DeleteButton());
    EXPECT_EQ(dialog->Rows(), (AliasList{{"a", "changed\r\nlines"}}));
    // The first row is selected again; the Ctrl-click that unselects it does not stick.
    EXPECT_EQ(list->selectedItems().value(0), list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(list->selectedItems().value(0), list->topLevelItem(0));
    Click(dialog->DeleteButton());
    EXPECT_TRUE(dialog->Rows().empty());
    EXPECT_FALSE(dialog->ModifyButton()->isEnabled());
    EXPECT_FALSE(dialog->DeleteButton()->isEnabled());
    entries.push_back({"n", "north"});
    Click(dialog->AddButton());
    EXPECT_TRUE(dialog->ModifyButton()->isEnabled());
    EXPECT_TRUE(dialog->DeleteButton()->isEnabled());
}

TEST_F(AliasesDialog, OkSavesTheSortedRowsAndCancelChangesNothing)
{
    Prepare({{"zeta", "z"}, {"go n", "second"}, {"go", "first"}});
    const AliasList stored{{"zeta", "z"}, {"go n", "second"}, {"go", "first"}};
    CAliasesDlg aliases(services, "mud");
    {
        auto dialog = Open(aliases);
        EXPECT_EQ(dialog->AliasCharBox()->currentText(), QStringLiteral("\\"));
        entries.push_back({"new", "made"});
        Click(dialog->AddButton());
        dialog->AliasCharBox()->setCurrentIndex(2); // "|"
        Click(dialog->CancelButton());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(aliases.Aliases(), stored);
        EXPECT_EQ(aliases.GetAliasChar(), '\\');
        EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), stored);
    }
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
}

TEST_F(AliasesDialog, WidthsAreStoredOnEitherCloseAndAnUnofferedCharStaysUntilOk)
{
    settings.WriteInt("mud", "Alias Char", 'A');
    CAliasesDlg aliases(services, "mud");
    {
        auto dialog = Open(aliases);
        EXPECT_EQ(dialog->AliasList()->columnWidth(0), 100); // nothing stored yet
        EXPECT_EQ(dialog->AliasList()->columnWidth(1), 250);
        dialog->AliasList()->setColumnWidth(0, 140);
        EXPECT_EQ(ItemTexts(dialog->AliasCharBox()).join(QString()),
                  QStringLiteral("/\\|?><;@#~=+-_*&^%$!"));
        EXPECT_EQ(dialog->AliasCharBox()->currentText(), QStringLiteral("/"));
        // The ticker moves its first character to the end.
        const QString before = dialog->Ticker()->text();
        ASSERT_GT(before.size(), 1);
        dialog->OnTick();
        EXPECT_EQ(dialog->Ticker()->text(), before.mid(1) + before.front());
        Click(dialog->CancelButton());
    }
    EXPECT_EQ(settings.ReadInt("Aliases", "Alias Width", 0), 140);
    EXPECT_EQ(settings.ReadInt("Aliases", "Action Width", 0), 250);
    EXPECT_EQ(aliases.GetAliasChar(), 'A');
    EXPECT_EQ(settings.ReadInt("mud", "Alias Char", 0), 'A');
    {
        auto dialog = Open(aliases);
        EXPECT_EQ(dialog->AliasList()->columnWidth(0), 140);
        dialog->AliasList()->setColumnWidth(1, 333);
        Click(dialog->OkButton());
    }
    EXPECT_EQ(settings.ReadInt("Aliases", "Action Width", 0), 333);
    EXPECT_EQ(aliases.GetAliasChar(), '/');
    EXPECT_EQ(settings.ReadInt("mud", "Alias Char", 0), '/');
    // A damaged width falls back to the default rather than hiding the column.
    settings.WriteInt("Aliases", "Alias Width", -5);
    EXPECT_EQ(Open(aliases)->AliasList()->columnWidth(0), 100);
}

TEST_F(AliasesDialog, AddAliasRefusesIncompleteEntriesAndKeepsUneditedActions)
{
    const std::string empty = LoadString(AliasResources::kMsgNameOrActionEmpty);
    CAddAliasDlg add(CAddAliasDlg::Mode::Add, "", "", messages);
    add.show();
    QTest::keyClicks(add.NameEdit(), QStringLiteral("go n")); // no action yet
    add.OkButton()->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, empty);
    EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Exclamation);
    EXPECT_TRUE(add.isVisible());
    add.ActionEdit()->setFocus();
    QTest::keyClicks(add.ActionEdit(), QStringLiteral("north"));
    QTest::keyClick(add.ActionEdit(), Qt::Key_Return); // a new line, not OK
    QTest::keyClicks(add.ActionEdit(), QStringLiteral("east"));
    EXPECT_EQ(add.Action(), "north\r\neast");
    add.OkButton()->click(); // a name with a space is taken as it is
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(add.result(), QDialog::Accepted);
    EXPECT_EQ(add.Name(), "go n");

    // Modify: the name is fixed, and a stored action with a lone CR comes back byte for
    // byte when it was not edited; an emptied one is refused.
    CAddAliasDlg modify(CAddAliasDlg::Mode::Modify, "go n", "a\rb\r\nc\xe9", messages);
    modify.show();
    EXPECT_TRUE(modify.NameEdit()->isReadOnly());
    modify.OkButton()->click();
    EXPECT_EQ(modify.result(), QDialog::Accepted);
    EXPECT_EQ(modify.Name(), "go n");
    EXPECT_EQ(modify.Action(), "a\rb\r\nc\xe9");
    CAddAliasDlg emptied(CAddAliasDlg::Mode::Modify, "n", "north", messages);
    emptied.show();
    emptied.ActionEdit()->clear();
    emptied.OkButton()->click();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(emptied.isVisible());
}

TEST_F(AliasesDialog, EditAliasesRunsModallyWithNoInputView)
{
    brumble::test::CRecordingView view;
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

    // Cancel gives false; a view (a QObject, as the program's are) closed meanwhile is not
    // put back.
    auto* closable = new CClosableView;
    app.SetInputView(closable);
    QTimer::singleShot(0, [&] {
        delete closable;
        auto* dialog = qobject_cast<CAliasesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->CancelButton()->click();
    });
    EXPECT_FALSE(EditAliases(aliases, services, nullptr));
    EXPECT_EQ(app.InputView(), nullptr);
}

} // namespace

// Texts are shown and kept in the host's encoding; Latin-1 refuses what it cannot carry.
TEST_F(AliasesDialog, AddAliasKeepsTextsInTheHostsEncoding)
{
    const QString snowman = QString::fromUtf8("\xE2\x98\x83");
    CAddAliasDlg latin1(CAddAliasDlg::Mode::Add, "", "", messages, nullptr,
                        CTextEncoding::Kind::Latin1);
    latin1.show();
    latin1.NameEdit()->setText(QStringLiteral("s"));
    latin1.ActionEdit()->setPlainText(QStringLiteral("say ") + snowman);
    latin1.OkButton()->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadString(8419));
    EXPECT_TRUE(latin1.isVisible());

    CAddAliasDlg utf8(CAddAliasDlg::Mode::Modify, "caf\xC3\xA9", "say \xE2\x98\x83", messages,
                      nullptr, CTextEncoding::Kind::Auto);
    EXPECT_EQ(utf8.NameEdit()->text(), QString::fromUtf8("caf\xC3\xA9"));
    utf8.ActionEdit()->setPlainText(QStringLiteral("say ") + snowman + QStringLiteral("\n!"));
    utf8.OkButton()->click();
    EXPECT_EQ(utf8.result(), QDialog::Accepted);
    EXPECT_EQ(utf8.Action(), "say \xE2\x98\x83\r\n!");
}
