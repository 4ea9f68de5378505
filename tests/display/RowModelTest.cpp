#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "display/RowModel.h"
#include "display/RowSource.h"

namespace {

using Texts = std::vector<std::string>;

// The session's side: a list of lines, "red" lines highlighted, and scripts that record what
// they saw, recolour "blue" lines and answer "ping" with "pong".
class CLineList final : public CRowSource {
public:
    const CLineStore& Lines() const override { return lines; }
    std::optional<std::uint32_t> Highlight(std::string_view line) override
    {
        return line.find("red") != std::string::npos ? std::optional(0x000000FFu) : std::nullopt;
    }
    std::string ReceiveScript(std::string_view line, std::optional<std::uint32_t>& colour) override
    {
        if (duringScript)
            duringScript(line);
        scripted.emplace_back(line);
        if (line.find("blue") != std::string::npos)
            colour = 0x00FF0000u;
        return line.find("ping") != std::string::npos ? "pong\r\n" : "";
    }
    void DetectImageUrls(std::string_view line) override { detected.emplace_back(line); }
    const CColourRuns* Runs(std::size_t index) const override
    {
        return index < runs.size() && !runs[index].empty() ? &runs[index] : nullptr;
    }

    void Append(std::initializer_list<std::string> texts)
    {
        for (const std::string& text : texts)
            lines.Append(text);
    }
    // Text added to the last line.
    void Extend(std::string_view text) { lines.WriteLast(lines.back().size(), text); }

    CLineStore lines;
    std::deque<CColourRuns> runs;
    Texts scripted, detected;
    // What a script does besides (an event loop in which the session drops lines).
    std::function<void(std::string_view)> duringScript;
};

class RowModelTest : public testing::Test {
protected:
    RowModelTest() : model(source)
    {
        // Characters 0-127 are 8 pixels wide, 'W' 15; the high ones' entries are 0 (a font
        // without those glyphs) and the widest character is 12.
        std::array<int, 256> widths{};
        for (int c = 0; c < 128; ++c)
            widths[static_cast<std::size_t>(c)] = 8;
        widths['W'] = 15;
        model.SetWidthTable(widths, 12);
        model.SetClientWidth(80); // ten plain characters
        model.RewrapAll(5);
    }

    Texts Rows() const
    {
        Texts rows;
        for (const auto& row : model.Rows())
            rows.emplace_back(model.RowText(row));
        return rows;
    }
    Texts Wrapped(const std::string& text) const
    {
        Texts rows;
        const int count = model.WrapLine(text, rows);
        EXPECT_EQ(count, static_cast<int>(rows.size()));
        return rows;
    }
    // What the rows must be outside an update: every session line wrapped, in order.
    Texts AllWrapped() const
    {
        Texts rows;
        for (const auto& line : source.lines)
            model.WrapLine(line, rows);
        return rows;
    }
    // Lines arriving the way the session reports them; the last one complete or not.
    CRowModel::Change Add(std::initializer_list<std::string> lines, bool complete = true)
    {
        source.Append(lines);
        return model.AddText(static_cast<int>(lines.size()), complete, send);
    }
    void AddNumbered(int count, const std::string& prefix)
    {
        for (int i = 0; i < count; ++i)
            Add({prefix + std::to_string(i)});
    }
    // The open line grows (or is rewritten) without a line end.
    void Reopen(const std::string& text)
    {
        source.lines.ReplaceLast(text);
        model.AddText(0, false, send);
    }
    // The session drops its oldest lines: the views are told first, then the list shrinks.
    void Drop(int count)
    {
        model.RemoveLines(count);
        source.lines.DropFront(static_cast<std::size_t>(count));
    }
    // The retry timers after a selection drag: the pending add and removal, in either order.
    void Release(bool addFirst)
    {
        model.SetBusy(false);
        if (!addFirst)
            model.RemovePending();
        model.AddText(model.PendingAddCount(), model.PendingComplete(), send);
        model.RemovePending();
    }

    CLineList source;
    CRowModel model;
    Texts sent;
    std::vector<bool> busyWhileSending;
    CRowModel::SendFn send = [this](const std::string& text) {
        sent.push_back(text);
        busyWhileSending.push_back(model.IsBusy());
    };
};

TEST_F(RowModelTest, WrapBreaksAtTheEdgeAfterALateSpaceOrInsideAWord)
{
    struct Case {
        int width;
        std::string text;
        Texts rows;
    };
    const std::string high(7, '\xE9');
    const Case cases[] = {
        {80, "abcdefghij", {"abcdefghij"}}, // exactly at the right edge
        {80, "abcdefghijk", {"abcdefghij", "k"}},
        {80, "aaaaaaa bbbbbb", {"aaaaaaa ", "bbbbbb"}},   // a space in the last third
        {80, "aa bbbbbbbbbbbb", {"aa bbbbbbb", "bbbbb"}}, // only in the first two thirds
        {80, "abcdefghijklmnopqrstuvwxy", {"abcdefghij", "klmnopqrst", "uvwxy"}},
        {80, "", {""}},
        // Padding: rows of as many blanks as fit, however the width divides.
        {80, std::string(25, ' ') + "x", {std::string(10, ' '), std::string(10, ' '), "     x"}},
        {80, std::string(20, ' ') + "x", {std::string(10, ' '), std::string(10, ' '), "x"}},
        {85, std::string(23, ' ') + "xy", {std::string(10, ' '), std::string(10, ' '), "   xy"}},
        // High characters count at the widest width: six fill 72 of 80 pixels.
        {80, high, {high.substr(1), high.substr(6)}},
        {5, "abc", {"a", "b", "c"}}, // wider than the area: one per row
        {5, "a b", {"a", " ", "b"}},
        {20, "Wab", {"W", "ab"}}, // a wide first character reaching two thirds alone
        // 'W' is wider than the font's stated widest character: six are 90 pixels, not 72.
        {80, "WWWWWW", {"WWWWW", "W"}},
        {79, "Wabcdefgh", {"Wabcdefgh"}},       // widths summed: exactly the area
        {86, "Wabcdefghi", {"Wabcdefgh", "i"}}, // and one pixel more than the area
        {-1, "abc", {}},                        // no window: nothing wraps
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " at width " + std::to_string(c.width));
        model.SetClientWidth(c.width);
        EXPECT_EQ(Wrapped(c.text), c.rows);
    }
}

TEST_F(RowModelTest, AddTextRewrapsTheOpenLineAndRunsScriptsOncePerCompleteLine)
{
    // A prompt without a line end: shown and rewrapped as it grows, but not yet complete.
    Add({"hello"}, false);
    EXPECT_EQ(Rows(), Texts({"hello"}));
    EXPECT_EQ(model.OpenLineStart(), 0);
    EXPECT_EQ(model.OpenLineRows(), 1);
    Reopen("hello there world");
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.OpenLineRows(), 2);
    EXPECT_TRUE(source.scripted.empty());

    // A new line follows: the open line is complete, the new one is open.
    Add({"ping"}, false);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(source.scripted, Texts({"hello there world"}));
    EXPECT_EQ(source.detected, source.scripted);
    EXPECT_EQ(model.OpenLineStart(), 2);
    EXPECT_EQ(model.OpenLineRows(), 1);

    // Its line end arrives alone: its scripts run now, once, and their output is sent after
    // the batch while the rows are still busy.
    Add({}, true);
    EXPECT_EQ(source.scripted, Texts({"hello there world", "ping"}));
    EXPECT_EQ(sent, Texts({"pong\r\n"}));
    EXPECT_EQ(busyWhileSending, std::vector<bool>({true}));
    EXPECT_FALSE(model.IsBusy());
    EXPECT_EQ(model.OpenLineRows(), 0);
    EXPECT_EQ(model.OpenLineStart(), model.RowCount());

    // Several lines in one batch: each scripted once, the output joined.
    Add({"ping 1", "", "ping 2"});
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(source.scripted.size(), 5u);
    EXPECT_EQ(sent.back(), "pong\r\npong\r\n");
}

// A read report: each piece's complete lines are scripted at once, the rows are laid out at
// its end, and the lines the line buffer dropped meanwhile get no rows at all.
TEST_F(RowModelTest, LinesFinishedAheadAreScriptedOnceAndDroppedOnesAreNotLaidOut)
{
    Add({"first"});
    source.Append({"ping", "blue", "red 1"});
    model.FinishLines(true, send);
    EXPECT_EQ(sent, Texts({"pong\r\n"})); // answered before anything is shown
    source.Append({"blue 2", "open"});
    model.FinishLines(false, send);
    EXPECT_EQ(source.scripted, Texts({"first", "ping", "blue", "red 1", "blue 2"}));
    EXPECT_EQ(Rows(), Texts({"first"}));

    Drop(3); // before they were laid out
    model.AddText(5, false, send);
    EXPECT_EQ(source.scripted.size(), 5u);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.Rows()[0].colour, 0x000000FFu); // the highlight
    EXPECT_EQ(model.Rows()[1].colour, 0x00FF0000u); // the script's, kept since it ran
    Add({}, true);
    EXPECT_EQ(source.scripted.back(), "open");
    EXPECT_EQ(source.detected, source.scripted);
}

// A script that shows a message runs an event loop, in which the session may drop lines, the
// scripted one among them: every line is still scripted once, and colours stay with theirs.
TEST_F(RowModelTest, LinesDroppedWhileAScriptRunsLeaveTheRestScriptedOnce)
{
    for (const int dropped : {1, 3}) {
        SCOPED_TRACE(dropped);
        Drop(static_cast<int>(source.lines.size()));
        source.scripted.clear();
        source.duringScript = [&](std::string_view line) {
            if (line == "drop")
                Drop(dropped);
        };
        source.Append({"a", "b", "drop", "blue", "c"});
        model.FinishLines(true, send);
        EXPECT_EQ(source.scripted, Texts({"a", "b", "drop", "blue", "c"}));
        model.AddText(5 - dropped, true, send);
        EXPECT_EQ(source.scripted.size(), 5u);
        EXPECT_EQ(Rows(), AllWrapped());
        ASSERT_EQ(model.Rows().size(), 5u - static_cast<std::size_t>(dropped));
        EXPECT_EQ(model.Rows()[model.Rows().size() - 2].colour, 0x00FF0000u);
        source.duringScript = nullptr;
    }
}

TEST_F(RowModelTest, RowsCarryTheHighlightOrTheScriptsColour)
{
    Add({"plain", "a red line wraps", "blue", "red"});
    const auto& rows = model.Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].colour, CRowModel::kTextColour);
    EXPECT_EQ(rows[1].colour, 0x000000FFu);
    EXPECT_EQ(rows[2].colour, 0x000000FFu);
    EXPECT_FALSE(rows[1].continuation);
    EXPECT_TRUE(rows[2].continuation);
    EXPECT_EQ(rows[3].colour, 0x00FF0000u);
    EXPECT_EQ(rows[4].colour, 0x000000FFu);
    // An open line that grows into a highlight recolours all of its rows.
    Add({"a long open line"}, false);
    Reopen("a long open line now red");
    for (int row = model.OpenLineStart(); row < model.RowCount(); ++row)
        EXPECT_EQ(model.Rows()[static_cast<std::size_t>(row)].colour, 0x000000FFu);
}

TEST_F(RowModelTest, FollowsTheEndOnlyWhenAtTheBottomAndScrollsWithinTheRange)
{
    AddNumbered(2, "line "); // fewer rows than a page: the position stays at the top
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(model.Max(), 4);
    AddNumbered(18, "more ");
    EXPECT_EQ(model.Page(), 5);
    EXPECT_EQ(model.Max(), 19);
    EXPECT_EQ(model.Pos(), 15);
    EXPECT_TRUE(model.AtBottom());

    using S = CRowModel::Scroll;
    const std::pair<S, int> steps[] = {{S::Top, 0},       {S::LineUp, 0},    {S::LineDown, 1},
                                       {S::PageDown, 6},  {S::PageDown, 11}, {S::PageDown, 15},
                                       {S::LineDown, 15}, {S::PageUp, 10},   {S::Bottom, 15}};
    for (const auto& [request, pos] : steps) {
        const int before = model.Pos();
        EXPECT_EQ(model.ScrollBy(request), pos - before);
        EXPECT_EQ(model.Pos(), pos);
    }
    model.ScrollTo(1000);
    EXPECT_EQ(model.Pos(), 15);
    model.ScrollTo(-3);
    EXPECT_EQ(model.Pos(), 0);

    // Scrolled back, new text does not move the view; back at the bottom it follows again,
    // and the change names the new rows.
    model.ScrollTo(3);
    Add({"more", "and more"});
    EXPECT_EQ(model.Pos(), 3);
    model.ScrollBy(S::Bottom);
    EXPECT_EQ(model.Pos(), 17);
    const CRowModel::Change change = Add({"last"});
    EXPECT_EQ(model.Pos(), 18);
    EXPECT_EQ(change.firstRow, 21);
    EXPECT_EQ(change.lastRow, 22);
}

TEST_F(RowModelTest, RemovalKeepsTheSameTextInView)
{
    Add({std::string(30, '3'), ""}); // three rows and one empty row
    AddNumbered(20, "line ");
    ASSERT_EQ(model.RowCount(), 24);
    model.ScrollTo(10);
    const std::string inView = std::string(model.RowText(10));
    Drop(2);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.Pos(), 6);
    EXPECT_EQ(std::string(model.RowText(6)), inView);

    // At the bottom it stays at the bottom.
    model.ScrollBy(CRowModel::Scroll::Bottom);
    Add({"new"});
    Drop(1);
    EXPECT_TRUE(model.AtBottom());
    EXPECT_EQ(Rows(), AllWrapped());

    // Text removed from above the top of the view: back to the top.
    model.ScrollTo(1);
    Add({"newer"});
    Drop(3);
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(Rows(), AllWrapped());
}

TEST_F(RowModelTest, ChangesWhileBusyGiveExactlyTheSessionsRowsAfterwards)
{
    Add({std::string(30, '3'), ""});
    AddNumbered(10, "line ");
    model.ScrollTo(4);
    const std::string inView = std::string(model.RowText(4));
    const Texts before = Rows();

    model.SetBusy(true); // a selection is being dragged: nothing moves
    EXPECT_TRUE(Add({"during the drag"}).deferred);
    EXPECT_TRUE(model.RemoveLines(2).deferred);
    source.lines.DropFront(2);
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(model.PendingAddCount(), 1);
    EXPECT_EQ(model.PendingRemoveCount(), 2);
    EXPECT_EQ(model.RemovePending().rowsRemoved, 0); // retries wait for the drag's end
    model.SetBusy(false);
    EXPECT_EQ(model.RemovePending().rowsRemoved, 4); // three rows and the empty line's one
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(std::string(model.RowText(0)), inView);
    model.AddText(model.PendingAddCount(), model.PendingComplete(), send);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_FALSE(model.HasPendingAdd());

    // Scrolled back far enough, the text stays in view.
    AddNumbered(10, "more ");
    model.ScrollTo(12);
    const std::string reading = std::string(model.RowText(12));
    model.SetBusy(true);
    Drop(3);
    Release(false);
    EXPECT_EQ(model.Pos(), 9);
    EXPECT_EQ(std::string(model.RowText(9)), reading);
    EXPECT_EQ(Rows(), AllWrapped());

    // Lines dropped before they were shown are never added, nor scripted.
    source.lines.clear();
    source.Append({"a", "b"});
    model.RewrapAll(5);
    source.scripted.clear();
    model.SetBusy(true);
    Add({"c", "d", "e"});
    Drop(4); // only a and b have rows
    EXPECT_EQ(model.PendingRemoveCount(), 2);
    EXPECT_EQ(model.PendingAddCount(), 1);
    Release(true);
    EXPECT_EQ(Rows(), Texts({"e"}));
    EXPECT_EQ(source.scripted, Texts({"e"}));

    // An open line that grew while busy is shown afterwards.
    Add({"prompt>"}, false);
    model.SetBusy(true);
    Reopen("prompt> more"); // no new line, but the open line changed
    EXPECT_TRUE(model.HasPendingAdd());
    Release(true);
    EXPECT_EQ(Rows(), AllWrapped());
    // A deferred echo: the open line is completed and dropped while busy.
    model.SetBusy(true);
    source.Extend(" done");
    Add({"echo"});
    Drop(2);
    Release(false);
    EXPECT_EQ(Rows(), Texts({"echo"}));
    EXPECT_EQ(model.OpenLineRows(), 0);
    EXPECT_EQ(model.OpenLineStart(), 1);
}

TEST_F(RowModelTest, RewrapKeepsTheEndOrTheRelativePositionAndTheOpenLine)
{
    for (int i = 0; i < 40; ++i)
        Add({"0123456789"});
    Add({"open line"}, false);
    model.RewrapAll(10);
    EXPECT_TRUE(model.AtBottom());
    model.ScrollTo(10); // of a maximum of 40

    // Half the width: every line takes two rows.
    model.SetClientWidth(40);
    model.RewrapAll(10);
    EXPECT_EQ(Rows(), AllWrapped());
    EXPECT_EQ(model.RowCount(), 82);
    EXPECT_EQ(model.Pos(), 10 * 81 / 40);
    EXPECT_EQ(model.OpenLineStart(), 80);
    EXPECT_EQ(model.OpenLineRows(), 2);
    Reopen("open line grows");
    EXPECT_EQ(Rows(), AllWrapped());

    // At the end it stays at the end; a window taller than the text is at the top.
    model.ScrollBy(CRowModel::Scroll::Bottom);
    model.SetClientWidth(80);
    model.RewrapAll(10);
    EXPECT_EQ(model.RowCount(), 42);
    EXPECT_TRUE(model.AtBottom());
    model.RewrapAll(100);
    EXPECT_EQ(model.Pos(), 0);
    EXPECT_EQ(model.Max(), 99);
}

TEST_F(RowModelTest, AGrowingOpenLineWrapsAsTheWholeLineWould)
{
    const std::string words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do "
                              "eiusmod tempor incididunt ut labore et dolore magna aliqua ";
    Add({""}, false);
    for (std::size_t at = 0, piece = 1; at < 2000; ++piece) {
        for (std::size_t k = 0; k < piece % 7 + 1; ++k, ++at)
            source.Extend(std::string_view(&words[at % words.size()], 1));
        model.AddText(0, false, send);
        ASSERT_EQ(Rows(), Wrapped(std::string(source.lines[0]))) << "after " << at << " bytes";
        ASSERT_EQ(model.OpenLineRows(), model.RowCount());
    }
    // Rewritten inside (a carriage return and new text), to need more rows and then fewer:
    // rewrapped whole, no stale row left behind.
    for (const std::string& text :
         {"W W W W W W W W W W W W W W W " + std::string(source.lines[0].substr(30)),
          std::string(30, 'x'), std::string("ab ab ab ab ab ab ab ab ab ab "),
          std::string(30, 'y')}) {
        Reopen(text);
        EXPECT_EQ(Rows(), Wrapped(text));
        for (std::size_t row = 1; row < model.Rows().size(); ++row)
            EXPECT_TRUE(model.Rows()[row].continuation);
    }
    EXPECT_EQ(model.OpenLineRows(), 3);
}

TEST_F(RowModelTest, RowsCarryTheServerColoursOfTheirBytes)
{
    const CAnsiAttributes red{CAnsiAttributes::kIndexed | 1, CAnsiAttributes::kDefault, false,
                              false};
    // Sixteen characters wrap into ten and six; red from 8 to 12.
    source.runs = {{{8, red}, {12, {}}}};
    Add({"0123456789abcdef"}, false);
    ASSERT_EQ(Rows(), (Texts{"0123456789", "abcdef"}));
    EXPECT_EQ(model.RowRuns(model.Rows()[0]), (CColourRuns{{8, red}}));
    EXPECT_EQ(model.RowRuns(model.Rows()[1]), (CColourRuns{{0, red}, {2, {}}}));
    // The open line grows; its first row keeps its text but was rewritten in another colour.
    source.runs = {{{0, red}}};
    Reopen("0123456789abcdefgh");
    EXPECT_EQ(model.RowRuns(model.Rows()[0]), (CColourRuns{{0, red}}));
    EXPECT_EQ(model.RowRuns(model.Rows()[1]), (CColourRuns{{0, red}}));
    // A rebuild slices the same way.
    model.RewrapAll(5);
    EXPECT_EQ(model.RowRuns(model.Rows()[1]), (CColourRuns{{0, red}}));
    // Rows built once the coloured line has gone carry nothing of its runs.
    Add({"plain"});
    Drop(1);
    source.runs.clear();
    model.RewrapAll(5);
    Add({"0123456789abc"});
    for (const CRowModel::Row& row : model.Rows())
        EXPECT_TRUE(model.RowRuns(row).empty()) << model.RowText(row);
}

// CJK characters are twice as wide as the others beyond Latin-1.
int Cjk(char32_t code)
{
    return code >= 0x3000 && code < 0xA000 ? 16 : 8;
}

// Text read as UTF-8: a character of several bytes is one character of its own width (CJK
// 16 pixels here, other high characters the widest width, 12), never split between rows.
TEST_F(RowModelTest, WrapMeasuresCharactersNotBytesUnderUtf8)
{
    model.SetWideCharWidth(Cjk);
    const std::string e = "\xC3\xA9";                   // é
    const std::string cjk = "\xE6\x97\xA5\xE6\x9C\xAC"; // 日本
    const struct {
        CTextEncoding::Kind kind;
        std::string text;
        Texts rows;
    } cases[] = {
        {CTextEncoding::Kind::Auto, e + e + e + e + e + e + e, {e + e + e + e + e + e, e}},
        {CTextEncoding::Kind::Auto, cjk + cjk + cjk, {cjk + cjk + cjk.substr(0, 3), cjk.substr(3)}},
        {CTextEncoding::Kind::Auto,
         "ab " + cjk + cjk + cjk,
         {"ab " + cjk + cjk.substr(0, 3), cjk.substr(3) + cjk}},
        // Latin-1 stays bytes: 14 high bytes at 12 pixels, six to a row.
        {CTextEncoding::Kind::Latin1, e + e + e + e + e + e + e, {e + e + e, e + e + e, e}},
        // An invalid byte is one U+FFFD (8 pixels) under UTF-8, a Latin-1 character under Auto.
        {CTextEncoding::Kind::Utf8, "abcdefghi\xE9x", {"abcdefghi\xE9", "x"}},
        {CTextEncoding::Kind::Auto, "abcdefghi\xE9x", {"abcdefghi", "\xE9x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        model.SetEncoding(c.kind);
        EXPECT_EQ(Wrapped(c.text), c.rows);
    }
}

// Reads cut characters anywhere; the rows are always those of the whole line.
TEST_F(RowModelTest, AnOpenLineGrowingInPiecesOfCharactersWrapsAsTheWholeLine)
{
    model.SetEncoding(CTextEncoding::Kind::Auto);
    model.SetWideCharWidth(Cjk);
    const std::string text = "Caf\xC3\xA9 na\xC3\xAFve \xE2\x80\x93 \xE2\x98\x83 "
                             "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xF0\x9F\x98\x80";
    Add({""}, false);
    for (std::size_t at = 0, piece = 1; at < 1500; ++piece) {
        for (std::size_t k = 0; k < piece % 5 + 1; ++k, ++at)
            source.Extend(std::string_view(&text[at % text.size()], 1));
        model.AddText(0, false, send);
        ASSERT_EQ(Rows(), Wrapped(std::string(source.lines[0]))) << "after " << at << " bytes";
    }
    // A selection copies whole characters: the first two CJK characters of a row.
    Reopen("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    model.BeginSelection(model.CellAt(0, 0));
    model.ExtendSelection(model.CellAt(20, 0));
    EXPECT_EQ(model.CellAt(20, 0).index, 3);
    EXPECT_EQ(model.SelectedText(), "\xE6\x97\xA5\xE6\x9C\xAC");
}

} // namespace

// Rows (80 pixels, 8 per character): "hello worl" + "d again" is one line wrapped in two,
// then "second", then "third". A cell is named by (row, x).
TEST_F(RowModelTest, SelectionCopiesTheDisplayedRowsByTheCopyRule)
{
    Add({"hello world again", "second", "third"});
    ASSERT_EQ(Rows(), (Texts{"hello worl", "d again", "second", "third"}));
    const struct {
        const char* what;
        int anchorRow, anchorX, currentRow, currentX;
        std::string text;
    } cases[] = {
        {"within one row", 0, 8, 0, 30, "ell"},
        {"a wrapped line is one line", 0, 0, 1, 79, "hello world again"},
        {"two lines joined by CR LF", 1, 0, 2, 79, "d again\r\nsecond"},
        {"upwards gives the same text", 2, 79, 1, 0, "d again\r\nsecond"},
        {"beyond a row's text takes its last character", 2, 200, 3, 200, "d\r\nthird"},
        {"below the last row runs through its end", 2, 0, 9, 0, "second\r\nthird"},
        {"from below the last row upwards", 9, 0, 3, 16, "ird"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        model.BeginSelection(model.CellAt(c.anchorX, c.anchorRow));
        EXPECT_EQ(model.SelectedText(), ""); // nothing until the pointer moves on
        model.ExtendSelection(model.CellAt(c.currentX, c.currentRow));
        EXPECT_EQ(model.SelectedText(), c.text);
        model.ClearSelection();
    }
}

TEST_F(RowModelTest, SelectionSpanCoversTheHighlightedPixelsInReadingOrder)
{
    Add({"hello world again", "second", "third"});
    model.BeginSelection(model.CellAt(20, 3)); // 'i' of "third": pixels 16-24
    model.ExtendSelection(model.CellAt(9, 1)); // ' ' of "d again": pixels 8-16
    using Span = std::pair<int, int>;
    EXPECT_LE(model.SelectionSpan(0, 80).second, model.SelectionSpan(0, 80).first);
    EXPECT_EQ(model.SelectionSpan(1, 80), Span(8, 80));
    EXPECT_EQ(model.SelectionSpan(2, 80), Span(0, 80));
    EXPECT_EQ(model.SelectionSpan(3, 80), Span(0, 24));
    EXPECT_LE(model.SelectionSpan(4, 80).second, model.SelectionSpan(4, 80).first);
    // The zero-width cell below the last row highlights nothing on its own row.
    model.ExtendSelection(model.CellAt(0, 6));
    EXPECT_EQ(model.SelectionSpan(5, 80), Span(0, 80));
    EXPECT_EQ(model.SelectionSpan(6, 80), Span(0, 0));
}

TEST_F(RowModelTest, OldLinesDroppedDuringADragDoNotShiftTheCopiedText)
{
    Add({"one", "two", "three"});
    model.SetBusy(true);
    model.BeginSelection(model.CellAt(0, 1));
    model.ExtendSelection(model.CellAt(79, 2));
    Drop(2);
    Add({"four"});
    EXPECT_EQ(model.SelectedText(), "two\r\nthree");
    model.ClearSelection();
    Release(true);
    EXPECT_EQ(Rows(), AllWrapped());
}
