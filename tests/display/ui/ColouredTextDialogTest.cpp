// The Coloured Text Highlights dialog driven as a user would, offscreen, on a connection
// window whose session owns the highlights.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/ScriptedServer.h"
#include "common/TestServices.h"
#include "common/WidgetChecks.h"
#include "display/ColouredTextDlg.h"
#include "display/ui/AddHighlightDlg.h"
#include "display/ui/BrumbleView.h"
#include "display/ui/ColouredTextDialog.h"
#include "display/ui/HighlightList.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

namespace {

using namespace brumble::test;
using Entry = CColouredTextDlg::Entry;
using EntryList = CColouredTextDlg::EntryList;
constexpr std::uint32_t kStarts = CColouredTextDlg::kStartsWith;
constexpr std::uint32_t kContains = CColouredTextDlg::kContains;
const std::string kHost = "127.0.0.1";

Entry Rule(const std::string& text, std::uint32_t mode, std::uint32_t colour)
{
    return {text, CColouredTextDlg::MakeValue(mode, colour)};
}

class ColouredTextDialogTest : public ::testing::Test, public CTestServices {
protected:
    // What the user does in the next Add/Modify dialog: pick a mode, type a text (nothing
    // typed keeps what is shown), then OK or Cancel.
    struct Answer {
        std::uint32_t mode = kStarts;
        std::string text;
        bool ok = true;
    };

    ColouredTextDialogTest()
    {
        // Pixel checks need a known font.
        settings.WriteString("Display", "Font Face", "DejaVu Sans Mono");
        settings.WriteInt("Display", "Font Size", -16);
        doc = std::make_unique<CBrumbleDoc>(services);
        view = std::make_unique<CBrumbleView>(*doc, services, nullptr);
        view->resize(400, 300);
        view->show();
    }
    ~ColouredTextDialogTest() override
    {
        view.reset();
        doc.reset();
    }

    void Store(const EntryList& entries)
    {
        CColouredTextDlg setup(services, kHost);
        setup.SetEntries(entries);
        setup.Save();
    }
    void Connect()
    {
        ASSERT_TRUE(doc->OpenSession(kHost, server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([this] { return doc->IsConnected(); }));
    }
    void Receive(const QByteArray& bytes, const std::string& lastLine)
    {
        server.Send(bytes);
        ASSERT_TRUE(WaitUntil(
            [&] { return !doc->GetLines().empty() && doc->GetLines().back() == lastLine; }));
    }

    // Gives the dialog the test's hands for its modal parts.
    void Prepare(CColouredTextDialog& dialog)
    {
        dialog.SetAddDialogRunner([this](CAddHighlightDlg& add) { return Fill(add); });
        dialog.SetMenuRunner([this](QMenu& menu, const QPoint&) { return Choose(menu); });
        dialog.SetColourChooser([this](std::uint32_t initial) {
            offeredColours.push_back(initial);
            return chosenColour;
        });
    }
    int Fill(CAddHighlightDlg& add)
    {
        opened.push_back(add.windowTitle().toStdString() + "|" +
                         (add.ContainsButton()->isChecked() ? "contains|" : "starts|") +
                         add.Text());
        add.show();
        if (answers.empty())
            return QDialog::Rejected;
        const Answer answer = answers.front();
        answers.pop_front();
        QTest::mouseClick(answer.mode == kContains ? add.ContainsButton() : add.StartsWithButton(),
                          Qt::LeftButton);
        if (!answer.text.empty()) {
            add.TextEdit()->clear();
            QTest::keyClicks(add.TextEdit(), QString::fromStdString(answer.text));
        }
        QTest::mouseClick(answer.ok ? add.OkButton() : add.CancelButton(), Qt::LeftButton);
        return add.result();
    }
    // Picks the menu item named by the next menu choice; records which items were enabled.
    QAction* Choose(QMenu& menu)
    {
        std::string enabled;
        QAction* chosen = nullptr;
        for (QAction* action : menu.actions()) {
            const std::string text = action->text().toStdString();
            if (action->isEnabled())
                enabled += (enabled.empty() ? "" : ",") + text;
            if (!menuChoices.empty() && text == menuChoices.front())
                chosen = action;
        }
        menusShown.push_back(enabled);
        if (!menuChoices.empty())
            menuChoices.pop_front();
        return chosen;
    }

    static void DoubleClick(CHighlightList* list, int row)
    {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->RowPos(row) + QPoint(4, 3));
    }
    static void RightClick(CHighlightList* list, int row)
    {
        const QPoint at = list->RowPos(row) + QPoint(4, 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
    }
    // Runs Tools > Coloured Text... on the window; act drives the dialog while it is up.
    bool RunFromWindow(const std::function<void(CColouredTextDialog&)>& act)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CColouredTextDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            acted = true;
            inputViewDuringDialog = app.InputView();
            Prepare(*dialog);
            act(*dialog);
        });
        const bool result = view->OnToolsColouredText();
        EXPECT_TRUE(acted);
        return result;
    }

    CScriptedServer server;
    std::unique_ptr<CBrumbleDoc> doc;
    std::unique_ptr<CBrumbleView> view;
    std::deque<Answer> answers;
    std::vector<std::string> opened;
    std::deque<std::string> menuChoices;
    std::vector<std::string> menusShown;
    std::vector<std::uint32_t> offeredColours;
    std::optional<std::uint32_t> chosenColour;
    CSessionView* inputViewDuringDialog = nullptr;
};

TEST_F(ColouredTextDialogTest, OkSavesAndTheWindowRedrawsShownLinesInTheNewColour)
{
    settings.WriteInt(kHost, "Colour", 0x000000); // black: a double-clicked entry is white
    Connect();
    Receive("Bob says hello\r\nplain line\r\n", "plain line");
    app.SetInputView(view.get());

    answers = {{kStarts, "Bob"}};
    EXPECT_TRUE(RunFromWindow([&](CColouredTextDialog& dialog) {
        DoubleClick(dialog.List(), 0);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(inputViewDuringDialog, nullptr);
    EXPECT_EQ(app.InputView(), view.get());
    EXPECT_EQ(doc->Highlights()->Entries(), (EntryList{Rule("Bob", kStarts, 0xFFFFFF)}));
    EXPECT_EQ(CColouredTextDlg(services, kHost).Entries(), doc->Highlights()->Entries());

    // Redrawn at once: white text in the first row, the second drawn black on black.
    view->FlushRepaint();
    const QImage picture = view->viewport()->grab().toImage();
    const auto hasWhite = [&](int top) {
        for (int y = top; y < top + view->LineHeight(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixelColor(x, y) == Qt::white)
                    return true;
        return false;
    };
    EXPECT_TRUE(hasWhite(0));
    EXPECT_FALSE(hasWhite(view->LineHeight()));
}

TEST_F(ColouredTextDialogTest, CancelLeavesTheSessionAndTheStoreAsTheyWere)
{
    const EntryList before = {Rule("Bob", kStarts, 0x0000FF)};
    Store(before);
    Connect();
    Receive("Bob says hello\r\n", "Bob says hello");

    answers = {{kContains, "says"}};
    menuChoices = {"&Delete Text", "Set &Colour..."};
    chosenColour = 0x00FF00;
    messages.QueueAnswer(CMessageSink::Answer::Yes);
    EXPECT_FALSE(RunFromWindow([&](CColouredTextDialog& dialog) {
        DoubleClick(dialog.List(), 1);
        RightClick(dialog.List(), 0);
        RightClick(dialog.List(), 0);
        EXPECT_EQ(dialog.Entries(), (EntryList{Rule("says", kContains, 0x00FF00)}));
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(doc->Highlights()->Entries(), before);
    EXPECT_EQ(doc->GetHighlight("Bob says hello"), 0x0000FFu);
    EXPECT_EQ(doc->GetHighlight("Alice says hi"), std::nullopt);
    EXPECT_EQ(CColouredTextDlg(services, kHost).Entries(), before);
    EXPECT_EQ(view->Model().Rows()[0].colour, 0x0000FFu);
}

TEST_F(ColouredTextDialogTest, MenuAndDoubleClickEditTheListAsDescribed)
{
    settings.WriteInt(kHost, "Colour", 0x000000);
    CColouredTextDlg highlights(services, kHost);
    highlights.SetEntries({Rule("Bob", kStarts, 0x0000FF), Rule("says", kContains, 0x00FF00)});
    CColouredTextDialog dialog(highlights, services);
    Prepare(dialog);
    dialog.show();
    CHighlightList* list = dialog.List();

    // A blank row offers only Add; Add through the menu is black even on a black window,
    // and goes before the row clicked, or at the end on a blank row.
    answers = {{kContains, "tells"}, {kStarts, "[OOC]"}};
    menuChoices = {"&Add Text...", "&Add Text..."};
    RightClick(list, 5);
    RightClick(list, 0);
    EXPECT_EQ(menusShown,
              (std::vector<std::string>{
                  "&Add Text...", "&Add Text...,Set &Colour...,&Modify Text...,&Delete Text"}));
    EXPECT_EQ(dialog.Entries(),
              (EntryList{Rule("[OOC]", kStarts, 0), Rule("Bob", kStarts, 0x0000FF),
                         Rule("says", kContains, 0x00FF00), Rule("tells", kContains, 0)}));

    // Modify (double-click or menu) replaces text and mode and keeps the colour.
    opened.clear();
    answers = {{kStarts, "Alice says"}, {kContains, "Bob"}};
    menuChoices = {"&Modify Text..."};
    DoubleClick(list, 2);
    RightClick(list, 1);
    EXPECT_EQ(opened, (std::vector<std::string>{"Modify Text to be Highlighted|contains|says",
                                                "Modify Text to be Highlighted|starts|Bob"}));
    EXPECT_EQ(dialog.Entries()[2], Rule("Alice says", kStarts, 0x00FF00));
    EXPECT_EQ(dialog.Entries()[1], Rule("Bob", kContains, 0x0000FF));

    // Set Colour starts at the entry's colour and keeps its mode.
    menuChoices = {"Set &Colour..."};
    chosenColour = 0x123456;
    RightClick(list, 1);
    EXPECT_EQ(offeredColours, (std::vector<std::uint32_t>{0x0000FF}));
    EXPECT_EQ(dialog.Entries()[1], Rule("Bob", kContains, 0x123456));

    // Delete asks first; No keeps the entry.
    menuChoices = {"&Delete Text", "&Delete Text"};
    messages.QueueAnswer(CMessageSink::Answer::No);
    messages.QueueAnswer(CMessageSink::Answer::Yes);
    RightClick(list, 1);
    EXPECT_EQ(dialog.Entries().size(), 4u);
    RightClick(list, 1);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Did you mean to delete the trigger string 'Bob'?");
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(dialog.Entries().size(), 3u);

    // A double-click on the blank row adds in the inverse of the window's background.
    answers = {{kStarts, "You"}};
    DoubleClick(list, 3);
    EXPECT_EQ(dialog.Entries().back(), Rule("You", kStarts, 0xFFFFFF));
    settings.WriteInt(kHost, "Colour", -1); // no background stored: black text
    answers = {{kStarts, "Me"}};
    DoubleClick(list, 4);
    EXPECT_EQ(dialog.Entries().back(), Rule("Me", kStarts, 0x000000));
    EXPECT_EQ(highlights.Entries().size(), 2u); // nothing reaches the store before OK
}

TEST_F(ColouredTextDialogTest, AddDialogRefusesAnEmptyTextAndTitlesAModify)
{
    CAddHighlightDlg add(-3, "", messages);
    add.show();
    EXPECT_EQ(add.windowTitle(), QStringLiteral("Add Text to be Highlighted"));
    EXPECT_TRUE(add.StartsWithButton()->isChecked());
    QTest::mouseClick(add.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(add.isVisible());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "The highlight text cannot be empty.");
    EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Exclamation);

    CAddHighlightDlg modify(1, "tells you", messages);
    EXPECT_EQ(modify.windowTitle(), QStringLiteral("Modify Text to be Highlighted"));
    EXPECT_EQ(modify.Mode(), kContains);
    EXPECT_EQ(modify.Text(), "tells you");
    ExpectToolTips(
        {{add.StartsWithButton(), 1080}, {add.ContainsButton(), 1081}, {add.TextEdit(), 1082}});
}

TEST_F(ColouredTextDialogTest, ListDrawsEntriesInTheirColoursAndScrollsToOneBlankRow)
{
    settings.WriteInt(kHost, "Colour", 0x000000);
    EntryList entries = {Rule("says", kContains, 0x0000FF)};
    for (int i = 0; i < 30; ++i)
        entries.push_back(Rule("line " + std::to_string(i) + std::string(80, 'x'), kStarts, 0));
    CColouredTextDlg highlights(services, kHost);
    highlights.SetEntries(entries);
    CColouredTextDialog dialog(highlights, services);
    dialog.resize(440, 340);
    dialog.show();
    CHighlightList* list = dialog.List();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(list->Rows()[0].text, QStringLiteral("...says..."));
    EXPECT_EQ(list->Rows()[1].text,
              QString::fromStdString("line 0" + std::string(80, 'x') + "..."));
    ExpectToolTips({{list->verticalScrollBar(), 1087}, {list->horizontalScrollBar(), 1088}});
    const QImage picture = list->viewport()->grab().toImage();
    EXPECT_EQ(picture.pixelColor(picture.width() - 1, 1), QColor(Qt::black));
    bool red = false;
    for (int y = 0; y < list->RowHeight(); ++y)
        for (int x = 0; x < 100; ++x)
            red = red || picture.pixelColor(x, y) == QColor(Qt::red);
    EXPECT_TRUE(red);

    // At the bottom, the last entry is followed by exactly one blank row.
    QScrollBar* vertical = list->verticalScrollBar();
    EXPECT_EQ(vertical->maximum(), 31 - list->PageRows() + 1);
    vertical->setValue(vertical->maximum());
    const int lastRow = list->PageRows() - 1;
    EXPECT_EQ(list->RowAt(list->RowPos(vertical->maximum() + lastRow)), 31);
    // Panning reaches the end of the widest text.
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
}

} // namespace
