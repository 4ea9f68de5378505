#include <gtest/gtest.h>

#include <random>
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

    explicit Filtered(bool telnet = false, bool acceptEcho = false)
    {
        filter.SetTelnetOptions(telnet);
        filter.SetAcceptEcho(acceptEcho);
        // Echo changes go in among the answers, so that their order shows too.
        filter.onServerEcho = [this](bool on) {
            answers.emplace_back(on ? "echo on" : "echo off");
        };
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

// Every stream is fed whole, cut in two at every offset, and cut into many pieces at random
// points: the socket's reads fall anywhere, and the lines, cursor, answers and bells must not
// depend on where.
TEST(ReceiveFilter, EachStreamGivesItsResultHoweverItIsCut)
{
    constexpr int csiBound = CReceiveFilter::kMaxSequenceLength;
    constexpr int sbBound = CReceiveFilter::kMaxSubnegotiationLength;
    const struct {
        std::string stream;
        Lines lines;
        bool telnet = false;
        Lines answers = {};
        int bells = 0;
        bool acceptEcho = false;
    } cases[] = {
        // Line ends in either order; VT and FF end lines like LF; LF keeps the column.
        {"abc\r\n", {"abc"}},
        {"abc\n\r", {"abc"}},
        {"a\x0b\rb\x0c\rc", {"a", "b", "c"}},
        {"abc\ndef", {"abc", "   def"}},
        {"\n\n\nx", {"", "", "", "x"}},
        // CR overwrites without shortening; BS stops at the line start; TAB pads only when
        // text follows.
        {"abcd\rXY", {"XYcd"}},
        {"long line\rab\rc", {"cbng line"}},
        {"abc\bX", {"abX"}},
        {"\b\bab\b\b\bX", {"Xb"}},
        {"ab\tc", {"ab      c"}},
        {"\tx", {"        x"}},
        {"12345678\tx", {"12345678        x"}},
        {"1234567890123\tx", {"1234567890123   x"}},
        {"ab\t\r\n", {"ab"}},
        {"Room\tdesc\r\nline\b\bXY\r\nover\rO\n\n\x07tail\r\n> prompt\xfd\xff.",
         {"Room    desc", "liXY", "Over", "", " tail", "> prompt\xfd\xff."},
         false,
         {},
         1},
        // Escape sequences: control bytes inside belong to them, CAN and SUB end them, ESC
        // with another byte takes that byte; an unfinished one at the end shows nothing.
        {"\x1b[1;31mRed\x1b[0m", {"Red"}},
        {"a\x1b[1\n2H\x1b[0mb", {"ab"}},
        {"a\x1b[12\x18z", {"az"}},
        {"a\x1b[12\x1az", {"az"}},
        {"a\x1b(Bb\x1b\x1b[31mc", {"aBb[31mc"}},
        {"ab\x1b[1;3", {"ab"}},
        {"ab\x1b", {"ab"}},
        // An "ESC [" without a final byte is given up at the bound, counted afresh for each
        // sequence; the next byte is text.
        {"\x1b[1ma\x1b[" + std::string(csiBound - 1, '1') + "xyz", {"ayz"}},
        {"a\x1b[" + std::string(csiBound, '\n') + "xyz", {"axyz"}},
        // Telnet on (port 23): DO/WILL refused, IAC IAC and two-byte commands dropped (the
        // option byte after WONT/DONT is an ordinary byte), sub-negotiations hidden; an
        // unfinished command at the end shows nothing.
        {"\xff\xfb\x01\xff\xfd\x18\xff\xff"s, {}, true, {"\xff\xfe\x01"s, "\xff\xfc\x18"s}},
        {"\xff\xfd\xff"s, {}, true, {"\xff\xfc\xff"s}},
        {"a\xff\xfc\1b\xff\xfe"
         "Ac\xff\xf1"s,
         {"abAc"},
         true},
        {"a\xff"s, {"a"}, true},
        {"a\xff\xfb"s, {"a"}, true},
        {"x\xff\xfa\x18\0\xff\xff\r\n\x1b[\xff\xf0y"s, {"xy"}, true},
        {"x\xff\xfa\x18"
         "abc\xff\xfd\x1fy"s,
         {"xy"},
         true,
         {"\xff\xfc\x1f"s}},
        {"x\xff\xfa\x18hidden"s, {"x"}, true},
        {"\xff\xfa\x18x\xff\xf0\xff\xfa"s + std::string(sbBound - 1, 'h') + "shown",
         {"hown"},
         true},
        {"\xff\xfa"s + std::string(sbBound, '\xff') + "shown", {"shown"}, true},
        // GA and EOR end a prompt: nothing of them shows, the prompt stays an open line.
        {"prompt> \xff\xf9"s, {"prompt> "}, true},
        {"hp 10> \xff\xef\xff\xf9x"s, {"hp 10> x"}, true},
        // With the server's echo accepted: WILL ECHO is answered DO ECHO and WONT ECHO DONT
        // ECHO, each once per change; every other option is still refused, and the option
        // byte after any other WONT is still text.
        {"Password: \xff\xfb\x01"s, {"Password: "}, true, {"echo on", "\xff\xfd\x01"s}, 0, true},
        {"\xff\xfb\x01\xff\xfb\x01ok\xff\xfc\x01\xff\xfc\x01\r\n"s,
         {"ok"},
         true,
         {"echo on", "\xff\xfd\x01"s, "echo off", "\xff\xfe\x01"s},
         0,
         true},
        {"\xff\xfd\x01\xff\xfb\x03"
         "a\xff\xfc"
         "Ab\xff\xfe\x01"s,
         {"aAb"},
         true,
         {"\xff\xfc\x01"s, "\xff\xfe\x03"s},
         0,
         true},
        // Telnet off (other ports): the same bytes are text.
        {"\xff\xfb\x01\r\n\xff\xfd\x18\r\n\xff\xff\r\n\xff\xfa\x18x\xff\xf0"s,
         {"\xff\xfb"s, "\xff\xfd"s, "\xff\xff"s, "\xff\xfax\xff\xf0"s}},
        // BEL beeps and is dropped; NUL and other control bytes go, keeping what follows.
        {"a\7b\7\7", {"ab"}, false, {}, 3},
        {"a\0\1\2\3\4\5\6\16\17\20\24\30\32\34\35\36\37b\0c\x7f\x80\xfe"s, {"abc\x7f\x80\xfe"s}},
    };
    std::mt19937 random(508);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        const std::string& stream = cases[i].stream;
        Filtered whole(cases[i].telnet, cases[i].acceptEcho);
        whole.Feed(stream);
        EXPECT_EQ(whole.Get(), cases[i].lines);
        EXPECT_EQ(whole.answers, cases[i].answers);
        EXPECT_EQ(whole.bells, cases[i].bells);
        const auto expected = whole.State();
        for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
            Filtered split(cases[i].telnet, cases[i].acceptEcho);
            split.Feed(stream.substr(0, cut)).Feed(stream.substr(cut));
            ASSERT_EQ(split.State(), expected) << "cut at " << cut;
        }
        for (int run = 0; run < 20; ++run) {
            Filtered pieces(cases[i].telnet, cases[i].acceptEcho);
            std::uniform_int_distribution<std::size_t> length(1, run % 2 ? 3 : 9);
            for (std::size_t at = 0; at < stream.size();) {
                const std::size_t n = length(random);
                pieces.Feed(stream.substr(at, n));
                at += n;
            }
            ASSERT_EQ(pieces.State(), expected) << "run " << run;
        }
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
