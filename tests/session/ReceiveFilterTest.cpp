#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/ReceiveFilter.h"

using namespace std::string_literals;

namespace {

// A filter with its replies recorded.
struct Filtered {
    CReceiveFilter filter;
    std::vector<std::string> answers;
    int bells = 0;

    explicit Filtered(bool telnet = false)
    {
        filter.SetTelnetOptions(telnet);
        filter.onTelnetAnswer = [this](std::string_view a) { answers.emplace_back(a); };
        filter.onBell = [this] { ++bells; };
    }
    Filtered& Feed(const std::string& text)
    {
        filter.Filter(text);
        return *this;
    }
    std::vector<std::string> Lines() const
    {
        return {filter.Lines().begin(), filter.Lines().end()};
    }
};

using Lines = std::vector<std::string>;

// Everything the filter keeps between reads, for comparing two runs.
struct Snapshot {
    Lines lines;
    int column;
    int currentLine;
    bool lastTextEndedLine;
    std::vector<std::string> answers;
    int bells;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const Filtered& f)
{
    return {f.Lines(),
            f.filter.Column(),
            f.filter.CurrentLine(),
            f.filter.LastTextEndedLine(),
            f.answers,
            f.bells};
}

} // namespace

TEST(ReceiveFilter, LineEndsInEitherOrderGiveOneCompleteLine)
{
    for (const std::string& input : {"abc\r\n"s, "abc\n\r"s}) {
        Filtered f;
        f.Feed(input);
        EXPECT_EQ(f.Lines(), Lines{"abc"}) << input;
        EXPECT_TRUE(f.filter.LastTextEndedLine());
        EXPECT_EQ(f.filter.CurrentLine(), 1);
        EXPECT_EQ(f.filter.Column(), 0);
    }
    // VT and FF end lines like LF.
    Filtered f;
    f.Feed("a\x0b\rb\x0c\rc");
    EXPECT_EQ(f.Lines(), (Lines{"a", "b", "c"}));
    EXPECT_FALSE(f.filter.LastTextEndedLine());
}

TEST(ReceiveFilter, LineFeedKeepsTheColumn)
{
    Filtered f;
    f.Feed("abc\ndef");
    EXPECT_EQ(f.Lines(), (Lines{"abc", "   def"}));
    EXPECT_FALSE(f.filter.LastTextEndedLine());
}

TEST(ReceiveFilter, CarriageReturnBackspaceAndTabMoveTheCursor)
{
    EXPECT_EQ(Filtered().Feed("abcd\rXY").Lines(), Lines{"XYcd"});
    EXPECT_EQ(Filtered().Feed("abc\bX").Lines(), Lines{"abX"});
    EXPECT_EQ(Filtered().Feed("ab\tc").Lines(), Lines{"ab      c"});
    EXPECT_EQ(Filtered().Feed("\tx").Lines(), Lines{"        x"});
    EXPECT_EQ(Filtered().Feed("12345678\tx").Lines(), Lines{"12345678        x"});
    EXPECT_EQ(Filtered().Feed("1234567890123\tx").Lines(), Lines{"1234567890123   x"});
    // Backspace stops at the line start; CR then text overwrites without shortening.
    EXPECT_EQ(Filtered().Feed("\b\bab\b\b\bX").Lines(), Lines{"Xb"});
    EXPECT_EQ(Filtered().Feed("long line\rab\rc").Lines(), Lines{"cbng line"});
    // A tab past the end of the text pads only when text follows.
    Filtered f;
    f.Feed("ab\t\r\n");
    EXPECT_EQ(f.Lines(), Lines{"ab"});
}

TEST(ReceiveFilter, PutTextOverwritesThenAppendsAndReportsTheLength)
{
    CReceiveFilter filter;
    EXPECT_EQ(filter.PutText("hello", false), 5);
    EXPECT_EQ(filter.Column(), 5);
    filter.Filter("\r\b");
    EXPECT_EQ(filter.PutText("HELLO world", true), 11);
    EXPECT_EQ(filter.Lines().front(), "HELLO world");
    EXPECT_TRUE(filter.LastTextEndedLine());
    EXPECT_EQ(filter.PutText("", false), 0);
    EXPECT_FALSE(filter.LastTextEndedLine());
    EXPECT_EQ(filter.Lines().size(), 1u);
}

TEST(ReceiveFilter, EscapeSequencesAreRemovedAndTheirEndIsNotCarriedOver)
{
    EXPECT_EQ(Filtered().Feed("\x1b[1;31mRed\x1b[0m").Lines(), Lines{"Red"});
    // Control bytes inside a sequence belong to it; CAN and SUB end it.
    EXPECT_EQ(Filtered().Feed("a\x1b[1\n2Hb").Lines(), Lines{"ab"});
    EXPECT_EQ(Filtered().Feed("a\x1b[12\x18z").Lines(), Lines{"az"});
    EXPECT_EQ(Filtered().Feed("a\x1b[12\x1az").Lines(), Lines{"az"});
    // ESC with another byte takes just that byte; ESC or ESC [ at the end take themselves.
    EXPECT_EQ(Filtered().Feed("a\x1b(Bb").Lines(), Lines{"aBb"});
    EXPECT_EQ(Filtered().Feed("a\x1b").Feed("[0mb").Lines(), Lines{"a[0mb"});
    EXPECT_EQ(Filtered().Feed("a\x1b[").Feed("0mb").Lines(), Lines{"a0mb"});
    // A sequence cut by the end of a read shows its tail.
    EXPECT_EQ(Filtered().Feed("\x1b[1;3").Feed("1mRed").Lines(), Lines{";31mRed"});
    // With no end in the read, only ESC [ and one byte go: the rest is handled as usual.
    EXPECT_EQ(Filtered().Feed("\x1b[1;\r\n3").Lines(), (Lines{";", "3"}));
}

TEST(ReceiveFilter, TelnetOptionRequestsAreRefusedWhenTelnetIsOn)
{
    Filtered f(true);
    f.Feed("\xff\xfb\x01"s);
    EXPECT_EQ(f.answers, std::vector<std::string>{"\xff\xfe\x01"s});
    f.Feed("\xff\xfd\x18"s);
    EXPECT_EQ(f.answers.back(), "\xff\xfc\x18"s);
    f.Feed("\xff\xff"s);
    EXPECT_TRUE(f.Lines().empty());
    EXPECT_EQ(f.answers.size(), 2u);

    // Other commands take one byte; what follows is ordinary input again.
    Filtered g(true);
    g.Feed("a\xff\xfc\x01"s
           "b\xff\xfa\x18\x00x\xff\xf0"s
           "c"s);
    EXPECT_EQ(g.Lines(), Lines{"abxc"});
    EXPECT_TRUE(g.answers.empty());
    // An option byte that is 255 is answered as it is.
    Filtered h(true);
    h.Feed("\xff\xfd\xff"s);
    EXPECT_EQ(h.answers, std::vector<std::string>{"\xff\xfc\xff"s});
}

TEST(ReceiveFilter, TelnetBytesAreTextWhenTelnetIsOff)
{
    Filtered f;
    f.Feed("\xff\xfb\x01\r\n\xff\xfd\x18\r\n\xff\xff"s);
    EXPECT_EQ(f.Lines(), (Lines{"\xff\xfb"s, "\xff\xfd"s, "\xff\xff"s}));
    EXPECT_TRUE(f.answers.empty());
}

TEST(ReceiveFilter, BellBeepsAndIsDropped)
{
    Filtered f;
    f.Feed("a\x07"
           "b");
    EXPECT_EQ(f.Lines(), Lines{"ab"});
    EXPECT_EQ(f.bells, 1);
    f.Feed("\x07\x07");
    EXPECT_EQ(f.bells, 3);
}

TEST(ReceiveFilter, ControlBytesAndNulAreDroppedKeepingWhatFollows)
{
    std::string input = "a";
    for (int b : {0, 1, 2, 3, 4, 5, 6, 14, 15, 16, 20, 24, 26, 28, 29, 30, 31})
        input += static_cast<char>(b);
    input += "b\0c\x7f\x80\xfe"s;
    Filtered f;
    f.Feed(input);
    EXPECT_EQ(f.Lines(), Lines{"abc\x7f\x80\xfe"s});
    // A read made only of a NUL changes nothing, not even the line-end flag.
    Filtered g;
    g.Feed("x\n").Feed("\0"s);
    EXPECT_TRUE(g.filter.LastTextEndedLine());
    EXPECT_EQ(g.Lines(), Lines{"x"});
}

TEST(ReceiveFilter, LineFeedsCreateLinesOnlyWhenTextFollows)
{
    Filtered f;
    f.Feed("\n\n\n");
    EXPECT_TRUE(f.Lines().empty());
    EXPECT_EQ(f.filter.CurrentLine(), 3);
    EXPECT_TRUE(f.filter.LastTextEndedLine());
    f.Feed("x");
    EXPECT_EQ(f.Lines(), (Lines{"", "", "", "x"}));
}

TEST(ReceiveFilter, SplittingAReadAnywhereKeepsTheResultOfCursorMoves)
{
    // Everything here is kept across reads: text, CR, LF, BS, TAB, BEL, plain bytes.
    const std::string input =
        "Room\tdesc\r\nline\b\bXY\r\nover\rO\n\n\x07tail\r\n> prompt"s + "\xfd\xff.";
    Filtered whole;
    whole.Feed(input);
    const Snapshot expected = Take(whole);
    for (std::size_t cut = 0; cut <= input.size(); ++cut) {
        Filtered split;
        split.Feed(input.substr(0, cut)).Feed(input.substr(cut));
        EXPECT_EQ(Take(split), expected) << "cut at " << cut;
    }
    // And one byte per read.
    Filtered bytes;
    for (char c : input)
        bytes.Feed(std::string(1, c));
    EXPECT_EQ(Take(bytes), expected);
}

TEST(ReceiveFilter, SplittingAnEscapeSequenceLeaksItsTail)
{
    const std::string input = "\x1b[31mX";
    const Lines expected[] = {{"[31mX"}, {"31mX"}, {"1mX"}, {"1mX"}, {"X"}};
    for (std::size_t cut = 1; cut <= 5; ++cut) {
        Filtered f;
        f.Feed(input.substr(0, cut)).Feed(input.substr(cut));
        EXPECT_EQ(f.Lines(), expected[cut - 1]) << "cut at " << cut;
    }
}

TEST(ReceiveFilter, SplittingATelnetRequestLosesIt)
{
    const std::string input = "\xff\xfd\x18z"s;
    struct Expected {
        Lines lines;
        std::size_t answers;
    };
    const Expected expected[] = {{{"\xfdz"s}, 0}, {{"z"}, 0}, {{"z"}, 1}};
    for (std::size_t cut = 1; cut <= 3; ++cut) {
        Filtered f(true);
        f.Feed(input.substr(0, cut)).Feed(input.substr(cut));
        EXPECT_EQ(f.Lines(), expected[cut - 1].lines) << "cut at " << cut;
        EXPECT_EQ(f.answers.size(), expected[cut - 1].answers) << "cut at " << cut;
    }
}

TEST(ReceiveFilter, OverlongLineContinuesOnTheNextLine)
{
    constexpr int cap = CReceiveFilter::kMaxLineLength;
    // Text without a line end, in socket-sized reads.
    Filtered f;
    const std::string flood(100000, 'a');
    for (std::size_t at = 0; at < flood.size(); at += 508)
        f.Feed(flood.substr(at, 508));
    ASSERT_EQ(f.filter.Lines().size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.filter.Lines()[i].size(), static_cast<std::size_t>(cap));
    EXPECT_EQ(f.filter.Lines()[3].size(), 100000u - 3 * cap);
    EXPECT_EQ(f.filter.Column(), 100000 - 3 * cap);
    EXPECT_FALSE(f.filter.LastTextEndedLine());

    // A line of exactly the cap stays whole; the next byte starts a new line.
    Filtered exact;
    exact.Feed(std::string(cap, 'b'));
    EXPECT_EQ(exact.Lines().size(), 1u);
    exact.Feed("c");
    EXPECT_EQ(exact.Lines().size(), 2u);
    EXPECT_EQ(exact.Lines()[1], "c");

    // Text placed after padding: the part past the cap moves to column 0.
    Filtered padded;
    padded.Feed(std::string(cap - 8, 'x') + "\nabcdefghij");
    ASSERT_EQ(padded.Lines().size(), 3u);
    EXPECT_EQ(padded.Lines()[1], std::string(cap - 8, ' ') + "abcdefgh");
    EXPECT_EQ(padded.Lines()[2], "ij");

    // Overwriting within a full line does not split it.
    Filtered over;
    over.Feed(std::string(cap, 'y') + "\rZZ");
    ASSERT_EQ(over.Lines().size(), 1u);
    EXPECT_EQ(over.Lines()[0].substr(0, 3), "ZZy");

    // Endless tabs do not move the column past the cap.
    Filtered tabs;
    tabs.Feed(std::string(100000, '\t') + "t");
    EXPECT_EQ(tabs.Lines(), (Lines{"", "t"}));
    EXPECT_EQ(tabs.filter.Column(), 1);
}

TEST(ReceiveFilter, TrimmingMovesTheCursorLineAndPendingLinesAreLimited)
{
    CReceiveFilter filter;
    filter.Filter("1\r\n2\r\n3\r\n4");
    filter.DropFrontLines(2);
    EXPECT_EQ(std::vector<std::string>(filter.Lines().begin(), filter.Lines().end()),
              (std::vector<std::string>{"3", "4"}));
    EXPECT_EQ(filter.CurrentLine(), 1);
    filter.DropFrontLines(10); // more than there are
    EXPECT_TRUE(filter.Lines().empty());
    EXPECT_EQ(filter.CurrentLine(), 0);

    filter.Filter(std::string(1000, '\n'));
    filter.LimitPendingLines(5);
    EXPECT_EQ(filter.CurrentLine(), 4);
    filter.Filter("x");
    EXPECT_EQ(filter.Lines().size(), 5u);
    filter.LimitPendingLines(5); // within the limit: unchanged
    EXPECT_EQ(filter.CurrentLine(), 4);
}
