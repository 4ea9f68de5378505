#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/RowModel.h"
#include "display/RowSource.h"

namespace {

// Every character of 0-127 is 8 pixels wide, 'W' 15; the high characters' table entries are
// 0 (as for a font without those glyphs) and the widest character is 12.
constexpr int kCharWidth = 8;
constexpr int kMaxWidth = 12;

std::array<int, 256> WidthTable()
{
    std::array<int, 256> widths{};
    for (int c = 0; c < 128; ++c)
        widths[static_cast<std::size_t>(c)] = kCharWidth;
    widths['W'] = 15;
    return widths;
}

// The session's side: a plain list of lines, highlights by substring, and scripts that
// record what they saw and answer from a table.
class CLineList final : public CRowSource {
public:
    const std::deque<std::string>& Lines() const override { return lines; }
    std::optional<std::uint32_t> Highlight(const std::string& line) override
    {
        if (line.find("red") != std::string::npos)
            return 0x000000FFu;
        return std::nullopt;
    }
    std::string ReceiveScript(const std::string& line, std::uint32_t& colour) override
    {
        scripted.push_back(line);
        if (line.find("blue") != std::string::npos)
            colour = 0x00FF0000u;
        if (line.find("ping") != std::string::npos)
            return "pong\r\n";
        return {};
    }
    void DetectImageUrls(const std::string& line) override { detected.push_back(line); }

    std::deque<std::string> lines;
    std::vector<std::string> scripted;
    std::vector<std::string> detected;
};

class RowModelTest : public testing::Test {
protected:
    RowModelTest() : model(source)
    {
        model.SetWidthTable(WidthTable(), kMaxWidth);
        model.SetClientWidth(80); // ten plain characters
        model.RewrapAll(5);
    }

    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (const auto& row : model.Rows())
            rows.push_back(row.text);
        return rows;
    }
    std::vector<std::string> Wrapped(const std::string& text) const
    {
        std::vector<std::string> rows;
        model.WrapLine(text, rows);
        return rows;
    }
    // What the rows must be outside an update: every session line wrapped, in order.
    std::vector<std::string> AllWrapped() const
    {
        std::vector<std::string> rows;
        for (const auto& line : source.lines)
            model.WrapLine(line, rows);
        return rows;
    }
    // A complete line arriving the way the session reports it.
    void AddLine(const std::string& line)
    {
        source.lines.push_back(line);
        model.AddText(1, true, send);
    }
    // The session trims to limit lines: views first, then its list.
    void Trim(std::size_t limit)
    {
        if (source.lines.size() <= limit)
            return;
        const int excess = static_cast<int>(source.lines.size() - limit);
        model.RemoveLines(excess);
        source.lines.erase(source.lines.begin(), source.lines.begin() + excess);
    }

    CLineList source;
    CRowModel model;
    std::vector<std::string> sent;
    std::vector<bool> busyWhileSending;
    CRowModel::SendFn send = [this](const std::string& text) {
        sent.push_back(text);
        busyWhileSending.push_back(model.IsBusy());
    };
};

using Texts = std::vector<std::string>;

TEST_F(RowModelTest, WrapBreaksAtTheEdgeOrAfterALateSpace)
{
    // Exactly at the right edge: one row; one character more: a second row.
    EXPECT_EQ(Wrapped("abcdefghij"), Texts({"abcdefghij"}));
    EXPECT_EQ(Wrapped("abcdefghijk"), Texts({"abcdefghij", "k"}));
    // A space in the last third of the row: the row ends after it, the space kept.
    EXPECT_EQ(Wrapped("aaaaaaa bbbbbb"), Texts({"aaaaaaa ", "bbbbbb"}));
    // A space only in the first two thirds: the word is broken at the last fitting char.
    EXPECT_EQ(Wrapped("aa bbbbbbbbbbbb"), Texts({"aa bbbbbbb", "bbbbb"}));
    // A long word in a narrow window is cut at every edge.
    EXPECT_EQ(Wrapped("abcdefghijklmnopqrstuvwxy"), Texts({"abcdefghij", "klmnopqrst", "uvwxy"}));
    // An empty line is one empty row.
    std::vector<std::string> rows;
    EXPECT_EQ(model.WrapLine("", rows), 1);
    EXPECT_EQ(rows, Texts({""}));
}

TEST_F(RowModelTest, WrapMeasuresHighCharactersAtTheMaximumWidth)
{
    EXPECT_EQ(model.CharWidth(0xE9), kMaxWidth);
    EXPECT_EQ(model.CharWidth('e'), kCharWidth);
    // Six of them fill 72 of 80 pixels; the seventh starts a row (its table entry, 0,
    // would have let all of them share one).
    const std::string high(7, '\xE9');
    EXPECT_EQ(Wrapped(high), Texts({std::string(6, '\xE9'), std::string(1, '\xE9')}));
}

TEST_F(RowModelTest, WrapPutsACharacterWiderThanTheAreaAloneOnItsRow)
{
    model.SetClientWidth(5);
    EXPECT_EQ(Wrapped("abc"), Texts({"a", "b", "c"}));
    EXPECT_EQ(Wrapped("a b"), Texts({"a", " ", "b"}));
    // A wide first character that reaches the two-thirds limit by itself: the walk back
    // finds the row start and breaks after the last fitting character.
    model.SetClientWidth(20);
    EXPECT_EQ(Wrapped("Wab"), Texts({"W", "ab"}));
    // Without a window nothing wraps.
    model.SetClientWidth(-1);
    std::vector<std::string> rows;
    EXPECT_EQ(model.WrapLine("abc", rows), 0);
    EXPECT_TRUE(rows.empty());
}

TEST_F(RowModelTest, AddTextRewrapsTheOpenLineAndRunsScriptsOncePerCompleteLine)
{
    // A prompt without a line end: shown, but not yet a complete line.
    source.lines = {"hello"};
    model.AddText(1, false, send);
    EXPECT_EQ(Rows(), Texts({"hello"}));
    EXPECT_EQ(model.OpenLineStart(), 0);
    EXPECT_EQ(model.OpenLineRows(), 1);
    EXPECT_TRUE(source.scripted.empty());

    // The open line grows over two rows; still open.
    source.lines[0] = "hello there world";
    model.AddText(0, false, send);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.OpenLineRows(), 2);
    EXPECT_TRUE(source.scripted.empty());

    // A new line follows: the open line is complete, the new one is open.
    source.lines.push_back("ping");
    model.AddText(1, false, send);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(source.scripted, Texts({"hello there world"}));
    EXPECT_EQ(source.detected, source.scripted);
    EXPECT_EQ(model.OpenLineStart(), 2);
    EXPECT_EQ(model.OpenLineRows(), 1);

    // Its line end arrives alone in the next read: the line is complete and its scripts
    // run now, once; their output is sent after the batch, while the rows are still busy.
    model.AddText(0, true, send);
    EXPECT_EQ(source.scripted, Texts({"hello there world", "ping"}));
    EXPECT_EQ(sent, Texts({"pong\r\n"}));
    EXPECT_EQ(busyWhileSending, std::vector<bool>({true}));
    EXPECT_FALSE(model.IsBusy());
    EXPECT_EQ(model.OpenLineRows(), 0);
    EXPECT_EQ(model.OpenLineStart(), model.RowCount());

    // Several lines in one batch, the last complete: each scripted once, output joined.
    source.lines.insert(source.lines.end(), {"ping 1", "", "ping 2"});
    model.AddText(3, true, send);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(source.scripted.size(), 5u);
    EXPECT_EQ(sent.back(), "pong\r\npong\r\n");
}

TEST_F(RowModelTest, RowsCarryTheHighlightOrTheScriptsColour)
{
    source.lines = {"plain", "a red line wraps", "blue", "red"};
    model.AddText(4, true, send);
    const auto& rows = model.Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].colour, CRowModel::kTextColour);
    EXPECT_EQ(rows[1].colour, 0x000000FFu);
    EXPECT_EQ(rows[2].colour, 0x000000FFu);
    EXPECT_FALSE(rows[1].continuation);
    EXPECT_TRUE(rows[2].continuation);
    EXPECT_EQ(rows[3].colour, 0x00FF0000u); // recoloured by a script
    EXPECT_EQ(rows[4].colour, 0x000000FFu);

    // An open line that grows into a highlight recolours all of its rows.
    source.lines.push_back("a long open line");
    model.AddText(1, false, send);
    source.lines.back() += " now red";
    model.AddText(0, false, send);
    for (int row = model.OpenLineStart(); row < model.RowCount(); ++row)
        EXPECT_EQ(model.Rows()[static_cast<std::size_t>(row)].colour, 0x000000FFu);
}

TEST_F(RowModelTest, FollowsTheEndOnlyWhenAtTheBottom)
{
    for (int i = 0; i < 20; ++i)
        AddLine("line " + std::to_string(i));
    EXPECT_EQ(model.Page(), 5);
    EXPECT_EQ(model.Max(), 19);
    EXPECT_EQ(model.Pos(), 15);
    EXPECT_TRUE(model.AtBottom());

    // Scrolled back: new text does not move the view.
    model.ScrollTo(3);
    AddLine("more");
    AddLine("and more");
    EXPECT_EQ(model.Pos(), 3);

    // Back at the bottom: it follows again, and the change names the new rows.
    model.ScrollBy(CRowModel::Scroll::Bottom);
    EXPECT_EQ(model.Pos(), 17);
    source.lines.push_back("last");
    const CRowModel::Change change = model.AddText(1, true, send);
    EXPECT_EQ(model.Pos(), 18);
    EXPECT_EQ(change.firstRow, 21);
    EXPECT_EQ(change.lastRow, 22);

    // Fewer rows than a page: the position stays at the top.
    CLineList fewSource;
    CRowModel few(fewSource);
    few.SetWidthTable(WidthTable(), kMaxWidth);
    few.SetClientWidth(80);
    few.RewrapAll(5);
    fewSource.lines = {"a", "b"};
    few.AddText(2, true, send);
    EXPECT_EQ(few.Pos(), 0);
    EXPECT_EQ(few.Max(), 4);
}

TEST_F(RowModelTest, ScrollRequestsStayWithinTheRange)
{
    for (int i = 0; i < 20; ++i)
        AddLine(std::to_string(i));
    model.ScrollTo(0);
    EXPECT_EQ(model.ScrollBy(CRowModel::Scroll::LineUp), 0);
    EXPECT_EQ(model.ScrollBy(CRowModel::Scroll::LineDown), 1);
    EXPECT_EQ(model.ScrollBy(CRowModel::Scroll::PageDown), 5);
    EXPECT_EQ(model.Pos(), 6);
    model.ScrollBy(CRowModel::Scroll::PageDown);
    model.ScrollBy(CRowModel::Scroll::PageDown);
    EXPECT_EQ(model.Pos(), 15); // the bottom: max - page + 1
    EXPECT_EQ(model.ScrollBy(CRowModel::Scroll::LineDown), 0);
    model.ScrollBy(CRowModel::Scroll::PageUp);
    EXPECT_EQ(model.Pos(), 10);
    model.ScrollBy(CRowModel::Scroll::Top);
    EXPECT_EQ(model.Pos(), 0);
    model.ScrollTo(1000);
    EXPECT_EQ(model.Pos(), 15);
    model.ScrollTo(-3);
    EXPECT_EQ(model.Pos(), 0);
}

TEST_F(RowModelTest, RemovalKeepsTheSameTextInView)
{
    // Line 0 wraps to three rows, line 1 is empty (one empty row).
    AddLine(std::string(30, '3')); // three rows
    AddLine("");
    for (int i = 0; i < 20; ++i)
        AddLine("line " + std::to_string(i));
    ASSERT_EQ(model.RowCount(), 24);
    model.ScrollTo(10);
    const std::string inView = model.Rows()[10].text;

    Trim(20); // drops the three-row line and the empty line: four rows
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.Pos(), 6);
    EXPECT_EQ(model.Rows()[6].text, inView);

    // At the bottom it stays at the bottom.
    model.ScrollBy(CRowModel::Scroll::Bottom);
    AddLine("new");
    Trim(20);
    EXPECT_TRUE(model.AtBottom());
    EXPECT_EQ(Rows(), AllWrapped());

    // Text removed from above the top of the view: back to the top, repaint everything.
    model.ScrollTo(1);
    AddLine("newer");
    AddLine("newest");
    source.lines.push_back("x");
    model.AddText(1, true, send);
    model.RemoveLines(3);
    source.lines.erase(source.lines.begin(), source.lines.begin() + 3);
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(Rows(), AllWrapped());
}

TEST_F(RowModelTest, RemovalWhileBusyRemovesExactlyTheDroppedLinesRowsLater)
{
    AddLine(std::string(30, '3')); // three rows
    AddLine("");
    for (int i = 0; i < 10; ++i)
        AddLine("line " + std::to_string(i));
    model.ScrollTo(4);
    const std::string inView = model.Rows()[4].text;
    const Texts before = Rows();

    model.SetBusy(true); // a selection is being dragged
    source.lines.push_back("during the drag");
    EXPECT_TRUE(model.AddText(1, true, send).deferred);
    EXPECT_TRUE(model.RemoveLines(2).deferred);
    source.lines.erase(source.lines.begin(), source.lines.begin() + 2);
    // Nothing moves while the user selects.
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(model.PendingAddCount(), 1);
    EXPECT_EQ(model.PendingRemoveCount(), 2);

    // Retries do nothing until the drag ends.
    EXPECT_EQ(model.RemovePending().rowsRemoved, 0);
    model.SetBusy(false);
    const CRowModel::Change removal = model.RemovePending();
    EXPECT_EQ(removal.rowsRemoved, 4); // three rows and the empty line's one
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(model.Rows()[0].text, inView);
    model.AddText(model.PendingAddCount(), model.PendingComplete(), send);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_FALSE(model.HasPendingAdd());

    // The same with the view scrolled far enough back: the text stays in view.
    for (int i = 0; i < 10; ++i)
        AddLine("more " + std::to_string(i));
    model.ScrollTo(12);
    const std::string reading = model.Rows()[12].text;
    model.SetBusy(true);
    model.RemoveLines(3);
    source.lines.erase(source.lines.begin(), source.lines.begin() + 3);
    model.SetBusy(false);
    model.RemovePending();
    EXPECT_EQ(model.Pos(), 9);
    EXPECT_EQ(model.Rows()[9].text, reading);
    EXPECT_EQ(Rows(), AllWrapped());
}

TEST_F(RowModelTest, LinesDroppedBeforeTheyWereShownAreNeverAdded)
{
    AddLine("a");
    AddLine("b");
    model.SetBusy(true);
    source.lines.insert(source.lines.end(), {"c", "d", "e"});
    model.AddText(3, true, send);
    model.RemoveLines(4); // a, b, c, d: only a and b have rows
    source.lines.erase(source.lines.begin(), source.lines.begin() + 4);
    EXPECT_EQ(model.PendingRemoveCount(), 2);
    EXPECT_EQ(model.PendingAddCount(), 1);
    model.SetBusy(false);

    // Whichever retry runs first, the rows end as the session's lines.
    model.AddText(model.PendingAddCount(), model.PendingComplete(), send);
    model.RemovePending();
    EXPECT_EQ(Rows(), Texts({"e"}));
    EXPECT_EQ(source.scripted, Texts({"a", "b", "e"}));
}

TEST_F(RowModelTest, AnOpenLineThatGrewWhileBusyIsShownAfterwards)
{
    source.lines = {"prompt>"};
    model.AddText(1, false, send);
    model.SetBusy(true);
    source.lines[0] += " more";
    model.AddText(0, false, send); // no new line, but the open line changed
    EXPECT_TRUE(model.HasPendingAdd());
    model.SetBusy(false);
    model.AddText(model.PendingAddCount(), model.PendingComplete(), send);
    EXPECT_EQ(Rows(), AllWrapped());

    // A deferred echo: the open line and everything after it, dropped while busy.
    model.SetBusy(true);
    source.lines[0] += " done";
    source.lines.push_back("echo");
    model.AddText(1, true, send);
    model.RemoveLines(1);
    source.lines.pop_front();
    model.SetBusy(false);
    model.RemovePending();
    model.AddText(model.PendingAddCount(), model.PendingComplete(), send);
    EXPECT_EQ(Rows(), Texts({"echo"}));
    EXPECT_EQ(model.OpenLineRows(), 0);
    EXPECT_EQ(model.OpenLineStart(), 1);
}

TEST_F(RowModelTest, RewrapKeepsTheEndOrTheRelativePosition)
{
    for (int i = 0; i < 40; ++i)
        AddLine("0123456789");
    model.RewrapAll(10);
    EXPECT_TRUE(model.AtBottom());
    model.ScrollTo(10); // of a maximum of 39

    // Half the width: every line takes two rows.
    model.SetClientWidth(40);
    model.RewrapAll(10);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.RowCount(), 80);
    EXPECT_EQ(model.Pos(), 10 * 79 / 39);

    // At the end it stays at the end.
    model.ScrollBy(CRowModel::Scroll::Bottom);
    model.SetClientWidth(80);
    model.RewrapAll(10);
    EXPECT_EQ(model.RowCount(), 40);
    EXPECT_TRUE(model.AtBottom());

    // A window taller than the text: at the top.
    model.RewrapAll(100);
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(model.Max(), 99);
}

TEST_F(RowModelTest, RewrapKeepsAnOpenLineOpen)
{
    source.lines = {"complete", "open line growing"};
    model.AddText(2, false, send);
    model.SetClientWidth(40);
    model.RewrapAll(5);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.OpenLineStart(), 2);
    EXPECT_EQ(model.OpenLineRows(), 4);
    source.lines.back() += " on";
    model.AddText(0, false, send);
    EXPECT_EQ(Rows(), AllWrapped());
}

TEST_F(RowModelTest, GrowingOpenLineWrapsAsTheWholeLineWould)
{
    // Text without a line end arriving in pieces, spaces at varying places.
    const std::string words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do "
                              "eiusmod tempor incididunt ut labore et dolore magna aliqua ";
    source.lines = {""};
    model.AddText(1, false, send);
    std::size_t at = 0;
    for (int piece = 1; at < 2000; ++piece) {
        const std::size_t length = static_cast<std::size_t>(piece % 7 + 1);
        for (std::size_t k = 0; k < length; ++k)
            source.lines[0] += words[(at + k) % words.size()];
        at += length;
        model.AddText(0, false, send);
        ASSERT_EQ(Rows(), Wrapped(source.lines[0])) << "after " << at << " bytes";
        ASSERT_EQ(model.OpenLineRows(), model.RowCount());
    }
    // Overwriting inside the line (a carriage return and new text) rewraps it whole.
    source.lines[0].replace(0, 30, "W W W W W W W W W W W W W W W ");
    model.AddText(0, false, send);
    EXPECT_EQ(Rows(), Wrapped(source.lines[0]));
    // The rows of one line are marked as continuing it.
    for (std::size_t row = 1; row < model.Rows().size(); ++row)
        EXPECT_TRUE(model.Rows()[row].continuation);
}

TEST_F(RowModelTest, ARewrittenOpenLineDropsRowsItNoLongerNeeds)
{
    // Thirty plain characters take three rows; as three-character words they take more,
    // and back again fewer: no stale row may stay behind the open line.
    source.lines = {std::string(30, 'x')};
    model.AddText(1, false, send);
    source.lines[0] = "ab ab ab ab ab ab ab ab ab ab ";
    model.AddText(0, false, send);
    EXPECT_EQ(Rows(), Wrapped(source.lines[0]));
    source.lines[0] = std::string(30, 'y');
    model.AddText(0, false, send);
    EXPECT_EQ(Rows(), Wrapped(source.lines[0]));
    EXPECT_EQ(model.OpenLineRows(), 3);
}

} // namespace
