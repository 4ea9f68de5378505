#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "session/ReceiveFilter.h"

using namespace std::string_literals;
using Lines = std::vector<std::string>;

namespace {

// A filter with its replies recorded.
struct Filtered {
    CReceiveFilter filter;
    Lines answers;
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
    Lines Get() const { return {filter.Lines().begin(), filter.Lines().end()}; }
    // Everything the filter keeps between reads.
    auto State() const
    {
        return std::tuple(Get(), filter.Column(), filter.CurrentLine(), filter.LastTextEndedLine(),
                          answers, bells);
    }
};

} // namespace

TEST(ReceiveFilter, EachInputGivesItsLinesAnswersAndBells)
{
    const struct {
        std::vector<std::string> reads; // fed one after the other
        Lines lines;
        bool telnet = false;
        Lines answers = {};
        int bells = 0;
    } cases[] = {
        // Line ends in either order; VT and FF end lines like LF; LF keeps the column.
        {{"abc\r\n"}, {"abc"}},
        {{"abc\n\r"}, {"abc"}},
        {{"a\x0b\rb\x0c\rc"}, {"a", "b", "c"}},
        {{"abc\ndef"}, {"abc", "   def"}},
        {{"\n\n\n", "x"}, {"", "", "", "x"}},
        // CR overwrites without shortening; BS stops at the line start; TAB pads only when
        // text follows.
        {{"abcd\rXY"}, {"XYcd"}},
        {{"long line\rab\rc"}, {"cbng line"}},
        {{"abc\bX"}, {"abX"}},
        {{"\b\bab\b\b\bX"}, {"Xb"}},
        {{"ab\tc"}, {"ab      c"}},
        {{"\tx"}, {"        x"}},
        {{"12345678\tx"}, {"12345678        x"}},
        {{"1234567890123\tx"}, {"1234567890123   x"}},
        {{"ab\t\r\n"}, {"ab"}},
        // Escape sequences: control bytes inside belong to them, CAN and SUB end them, ESC
        // with another byte takes that byte, and nothing is carried over to the next read.
        {{"\x1b[1;31mRed\x1b[0m"}, {"Red"}},
        {{"a\x1b[1\n2Hb"}, {"ab"}},
        {{"a\x1b[12\x18z"}, {"az"}},
        {{"a\x1b[12\x1az"}, {"az"}},
        {{"a\x1b(Bb"}, {"aBb"}},
        {{"a\x1b", "[0mb"}, {"a[0mb"}},
        {{"a\x1b[", "0mb"}, {"a0mb"}},
        {{"\x1b[1;3", "1mRed"}, {";31mRed"}},
        {{"\x1b[1;\r\n3"}, {";", "3"}},
        {{"\x1b", "[31mX"}, {"[31mX"}},
        {{"\x1b[", "31mX"}, {"31mX"}},
        {{"\x1b[3", "1mX"}, {"1mX"}},
        {{"\x1b[31", "mX"}, {"1mX"}},
        {{"\x1b[31m", "X"}, {"X"}},
        // Telnet on (port 23): DO/WILL refused, IAC IAC dropped, other commands take one
        // byte; a request cut by the end of a read (a trailing IAC) is lost.
        {{"\xff\xfb\x01\xff\xfd\x18\xff\xff"s}, {}, true, {"\xff\xfe\x01"s, "\xff\xfc\x18"s}},
        {{"a\xff\xfc\1b\xff\xfa\x18\0x\xff\360c"s}, {"abxc"}, true},
        {{"\xff\xfd\xff"s}, {}, true, {"\xff\xfc\xff"s}},
        {{"\xff"s, "\xfd\x18z"s}, {"\xfdz"s}, true},
        {{"\xff\xfd"s, "\x18z"s}, {"z"}, true},
        {{"\xff\xfd\x18"s, "z"}, {"z"}, true, {"\xff\xfc\x18"s}},
        // Telnet off (other ports): the same bytes are text.
        {{"\xff\xfb\x01\r\n\xff\xfd\x18\r\n\xff\xff"s}, {"\xff\xfb"s, "\xff\xfd"s, "\xff\xff"s}},
        // BEL beeps and is dropped; NUL and other control bytes go, keeping what follows.
        {{"a\7b", "\7\7"}, {"ab"}, false, {}, 3},
        {{"a\0\1\2\3\4\5\6\16\17\20\24\30\32\34\35\36\37b\0c\x7f\x80\xfe"s}, {"abc\x7f\x80\xfe"s}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        Filtered f(cases[i].telnet);
        for (const std::string& read : cases[i].reads)
            f.Feed(read);
        EXPECT_EQ(f.Get(), cases[i].lines);
        EXPECT_EQ(f.answers, cases[i].answers);
        EXPECT_EQ(f.bells, cases[i].bells);
    }
}

TEST(ReceiveFilter, CursorAndLineEndStateFollowTheText)
{
    for (const std::string& input : {"abc\r\n"s, "abc\n\r"s}) {
        Filtered f;
        f.Feed(input);
        EXPECT_EQ(f.State(), std::tuple(Lines{"abc"}, 0, 1, true, Lines{}, 0)) << input;
    }
    EXPECT_FALSE(Filtered().Feed("a\x0b\rb\x0c\rc").filter.LastTextEndedLine());
    EXPECT_EQ(Filtered().Feed("abc\ndef").State(),
              std::tuple(Lines{"abc", "   def"}, 6, 1, false, Lines{}, 0));
    EXPECT_EQ(Filtered().Feed("\n\n\n").State(), std::tuple(Lines{}, 0, 3, true, Lines{}, 0));
    // A read made only of a NUL changes nothing, not even the line-end flag.
    EXPECT_EQ(Filtered().Feed("x\n").Feed("\0"s).State(),
              std::tuple(Lines{"x"}, 1, 1, true, Lines{}, 0));
}

TEST(ReceiveFilter, SplittingAReadAnywhereKeepsTheResultOfCursorMoves)
{
    const std::string input =
        "Room\tdesc\r\nline\b\bXY\r\nover\rO\n\n\x07tail\r\n> prompt"s + "\xfd\xff.";
    const auto expected = Filtered().Feed(input).State();
    for (std::size_t cut = 0; cut <= input.size(); ++cut) {
        Filtered split;
        split.Feed(input.substr(0, cut)).Feed(input.substr(cut));
        EXPECT_EQ(split.State(), expected) << "cut at " << cut;
    }
    Filtered bytes;
    for (char c : input)
        bytes.Feed(std::string(1, c));
    EXPECT_EQ(bytes.State(), expected);
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
    EXPECT_EQ(exact.Feed(std::string(cap, 'b')).Get().size(), 1u);
    EXPECT_EQ(exact.Feed("c").Get(), (Lines{std::string(cap, 'b'), "c"}));
    // Text placed after padding: the part past the cap moves to column 0.
    EXPECT_EQ(Filtered().Feed(std::string(cap - 8, 'x') + "\nabcdefghij").Get(),
              (Lines{std::string(cap - 8, 'x'), std::string(cap - 8, ' ') + "abcdefgh", "ij"}));
    // Overwriting within a full line does not split it.
    EXPECT_EQ(Filtered().Feed(std::string(cap, 'y') + "\rZZ").Get(),
              Lines{"ZZ" + std::string(cap - 2, 'y')});
}

TEST(ReceiveFilter, TrimmingMovesTheCursorLineAndPendingLinesAreLimited)
{
    Filtered f;
    f.Feed("1\r\n2\r\n3\r\n4").filter.DropFrontLines(2);
    EXPECT_EQ(f.Get(), (Lines{"3", "4"}));
    EXPECT_EQ(f.filter.CurrentLine(), 1);
    f.filter.DropFrontLines(10); // more than there are
    EXPECT_EQ(f.State(), std::tuple(Lines{}, 1, 0, false, Lines{}, 0));

    f.Feed(std::string(1000, '\n')).filter.LimitPendingLines(5);
    EXPECT_EQ(f.filter.CurrentLine(), 4);
    f.Feed("x").filter.LimitPendingLines(5); // within the limit: unchanged
    EXPECT_EQ(f.Get().size(), 5u);
    EXPECT_EQ(f.filter.CurrentLine(), 4);
}
