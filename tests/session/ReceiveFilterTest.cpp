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

    explicit Filtered(bool telnet = false, bool colour = false,
                      CReceiveFilter::LineEnds lineEnds = CReceiveFilter::LineEnds::AsSent,
                      bool acceptEcho = false)
    {
        filter.SetTelnetOptions(telnet);
        filter.SetColour(colour);
        filter.SetLineEnds(lineEnds);
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
    std::vector<CColourRuns> Runs() const
    {
        std::vector<CColourRuns> runs;
        for (std::size_t i = 0; i < filter.Lines().size(); ++i)
            runs.push_back(filter.Runs(i) ? *filter.Runs(i) : CColourRuns{});
        return runs;
    }
    auto Basic() const
    {
        return std::tuple(Get(), filter.Column(), filter.CurrentLine(), filter.LastTextEndedLine(),
                          answers, bells);
    }
    // Everything the filter keeps between reads.
    auto State() const { return std::tuple_cat(Basic(), std::tuple(Runs(), filter.Attributes())); }
};

using LineEnds = CReceiveFilter::LineEnds;
constexpr std::uint32_t kIndexed = CAnsiAttributes::kIndexed;
constexpr std::uint32_t kRgb = CAnsiAttributes::kRgb;
constexpr std::uint32_t kDefault = CAnsiAttributes::kDefault;

CAnsiAttributes Attr(std::uint32_t fg, std::uint32_t bg = kDefault, bool bold = false,
                     bool reverse = false)
{
    return CAnsiAttributes{fg, bg, bold, reverse};
}

const std::string kHundredParams = [] {
    std::string body;
    for (int i = 0; i < 100; ++i)
        body += "31;";
    return body + "m";
}();

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
        bool colour = false;
        LineEnds lineEnds = LineEnds::AsSent;
        std::vector<CColourRuns> runs = {}; // checked when colour is on
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
        // The other control bytes are dropped, wherever they fall in a run of text.
        {"abcdefgh\x1f" "ijklmnopqrs\x01tu\x7f", {"abcdefghijklmnopqrstu\x7f"}},
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
        // Line ends: Auto ends lines at a bare LF until the first CR, then keeps the column.
        {.stream = "line one\nline two\n", .lines = {"line one", "        line two"}},
        {.stream = "line one\nline two\n",
         .lines = {"line one", "line two"},
         .lineEnds = LineEnds::Auto},
        {.stream = "ab\n\rcd\nef", .lines = {"ab", "cd", "  ef"}, .lineEnds = LineEnds::Auto},
        {.stream = "a\r\nb\nc", .lines = {"a", "b", " c"}, .lineEnds = LineEnds::Auto},
        {.stream = "a\r\nb\nc\x0b!", .lines = {"a", "b", "c", " !"},
         .lineEnds = LineEnds::BareLfEndsLine},
        // Colour: SGR sets the colour of what follows, across line ends, until reset; other
        // sequences, unknown codes and malformed colours change nothing.
        {.stream = "\x1b[31mred\x1b[0m plain\r\n",
         .lines = {"red plain"},
         .colour = true,
         .runs = {{{0, Attr(kIndexed | 1)}, {3, {}}}}},
        {.stream = "\x1b[1;32mone\r\ntwo\x1b[m\r\n\x1b[2Jthree",
         .lines = {"one", "two", "three"},
         .colour = true,
         .runs = {{{0, Attr(kIndexed | 2, kDefault, true)}},
                  {{0, Attr(kIndexed | 2, kDefault, true)}},
                  {}}},
        {.stream = "\x1b[38;5;196ma\x1b[48;2;1;2;3mb\x1b[7;93;104mc\x1b[39;49;27;22md",
         .lines = {"abcd"},
         .colour = true,
         .runs = {{{0, Attr(kIndexed | 196)},
                   {1, Attr(kIndexed | 196, kRgb | 0x030201)},
                   {2, Attr(kIndexed | 11, kIndexed | 12, false, true)},
                   {3, {}}}}},
        {.stream = "\x1b[38;5;300ma\x1b[38;2;1;2mb\x1b[?31mc\x1b[38:5:1md\x1b[99999;4me\r\n",
         .lines = {"abcde"},
         .colour = true,
         .runs = {{}}},
        {.stream = "\x1b[" + kHundredParams + "x\x1b[41;;31m!",
         .lines = {kHundredParams.substr(CReceiveFilter::kMaxSequenceLength) + "x!"},
         .colour = true,
         .runs = {{{static_cast<int>(kHundredParams.size()) - 63, Attr(kIndexed | 1)}}}},
        // Overwriting recolours only what is written; padding stays uncoloured.
        {.stream = "plain\r\x1b[31mRE",
         .lines = {"REain"},
         .colour = true,
         .runs = {{{0, Attr(kIndexed | 1)}, {2, {}}}}},
        {.stream = "\x1b[41mab\ncd",
         .lines = {"ab", "  cd"},
         .colour = true,
         .runs = {{{0, Attr(kDefault, kIndexed | 1)}}, {{2, Attr(kDefault, kIndexed | 1)}}}},
    };
    std::mt19937 random(508);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        const std::string& stream = cases[i].stream;
        const auto make = [&] {
            return Filtered(cases[i].telnet, cases[i].colour, cases[i].lineEnds,
                            cases[i].acceptEcho);
        };
        Filtered whole = make();
        whole.Feed(stream);
        EXPECT_EQ(whole.Get(), cases[i].lines);
        EXPECT_EQ(whole.answers, cases[i].answers);
        EXPECT_EQ(whole.bells, cases[i].bells);
        if (cases[i].colour) {
            EXPECT_EQ(whole.Runs(), cases[i].runs);
        }
        const auto expected = whole.State();
        for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
            Filtered split = make();
            split.Feed(stream.substr(0, cut)).Feed(stream.substr(cut));
            ASSERT_EQ(split.State(), expected) << "cut at " << cut;
        }
        for (int run = 0; run < 20; ++run) {
            Filtered pieces = make();
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
        EXPECT_EQ(f.Basic(), std::tuple(Lines{"abc"}, 0, 1, true, Lines{}, 0)) << input;
    }
    EXPECT_FALSE(Filtered().Feed("a\x0b\rb\x0c\rc").filter.LastTextEndedLine());
    EXPECT_EQ(Filtered().Feed("abc\ndef").Basic(),
              std::tuple(Lines{"abc", "   def"}, 6, 1, false, Lines{}, 0));
    EXPECT_EQ(Filtered().Feed("\n\n\n").Basic(), std::tuple(Lines{}, 0, 3, true, Lines{}, 0));
    // A read made only of a NUL changes nothing, not even the line-end flag.
    EXPECT_EQ(Filtered().Feed("x\n").Feed("\0"s).Basic(),
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
    EXPECT_EQ(f.Basic(), std::tuple(Lines{}, 1, 0, false, Lines{}, 0));

    f.Feed(std::string(1000, '\n')).filter.LimitPendingLines(5);
    EXPECT_EQ(f.filter.CurrentLine(), 4);
    f.Feed("x").filter.LimitPendingLines(5); // within the limit: unchanged
    EXPECT_EQ(f.Get().size(), 5u);
    EXPECT_EQ(f.filter.CurrentLine(), 4);
}

TEST(ReceiveFilter, ColourRunsStayBoundedWhateverTheServerSends)
{
    // A colour change at every character of a full line: once the line is ended its list
    // is cut at the bound, the rest of the line keeping the last colour kept.
    Filtered f(false, true);
    std::string flood;
    for (int i = 0; i < 20000; ++i)
        flood += "\x1b[3" + std::to_string(i % 2 + 1) + "mx";
    flood += "\r\n";
    for (std::size_t at = 0; at < flood.size(); at += 508)
        f.Feed(flood.substr(at, 508));
    ASSERT_EQ(f.Get(), Lines{std::string(20000, 'x')});
    EXPECT_EQ(f.Runs()[0].size(), kMaxColourRuns);
    // Past the bound, text written over the line takes the same colours however the reads
    // cut it.
    std::string over;
    for (int i = 0; i < 130; ++i)
        over += "\x1b[3" + std::to_string(i % 2 + 1) + "mxx";
    over += "\r\x1b[1;7m\t\t\t\t\t$1\r\n";
    const auto whole = Filtered(false, true).Feed(over).Runs();
    ASSERT_EQ(whole[0].size(), kMaxColourRuns);
    for (std::size_t cut = over.size() - 8; cut < over.size(); ++cut)
        EXPECT_EQ(Filtered(false, true).Feed(over.substr(0, cut)).Feed(over.substr(cut)).Runs(),
                  whole)
            << "cut at " << cut;
    // Turning colour off forgets the runs and the colour.
    f.filter.SetColour(false);
    EXPECT_EQ(f.filter.Runs(0), nullptr);
    EXPECT_TRUE(f.filter.Attributes().IsDefault());
}

TEST(ReceiveFilter, LocalEchoIsUncolouredAndItsCarriageReturnsAreNotTheServers)
{
    Filtered f(false, true, LineEnds::Auto);
    f.Feed("\x1b[31m");
    f.filter.FilterLocal("look\r\n");
    f.Feed("a\nb");
    EXPECT_EQ(f.Get(), (Lines{"look", "a", "b"}));
    EXPECT_EQ(f.Runs(), (std::vector<CColourRuns>{{}, {{0, Attr(kIndexed | 1)}}, {{0, Attr(kIndexed | 1)}}}));
    // A new connection starts afresh: no colour, and no carriage return seen.
    f.Feed("\r\n");
    f.filter.StartConnection();
    f.Feed("c\nd");
    EXPECT_EQ(f.Get().back(), "d");
    EXPECT_EQ(f.filter.Runs(f.Get().size() - 1), nullptr);
}
