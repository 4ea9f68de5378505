#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PlainWildcardRecursion.h"
#include "base/ByteAutomaton.h"
#include "script/ScriptingDlg.h"
#include "script/WildcardMatcher.h"
#include "script/WildcardSet.h"

namespace {

using brumble::test::PlainWildcardMatch;

// A pattern with the lines it must match and the lines it must not.
struct Case {
    std::string pattern;
    std::vector<std::string> match, miss;
};

void ExpectCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE("pattern '" + c.pattern + "'");
        for (const std::string& text : c.match)
            EXPECT_TRUE(CWildcardMatcher::Match(text, c.pattern)) << "text '" << text << "'";
        for (const std::string& text : c.miss)
            EXPECT_FALSE(CWildcardMatcher::Match(text, c.pattern)) << "text '" << text << "'";
    }
}

TEST(WildcardMatcher, WholeLineStarsAndQuestionMarks)
{
    ExpectCases({
        // The whole line, byte for byte: no case folding, high characters included.
        {"hello", {"hello"}, {"hello world"}},
        {"hello*", {"hello world"}, {}},
        {"*world", {"hello world"}, {}},
        {"*o w*", {"hello world"}, {}},
        {"Hello*", {}, {"hello world"}},
        {"hello world", {}, {"hello"}},
        {"*tells you*", {"Bob tells you 'hi'"}, {}},
        {"caf\xE9", {"caf\xE9"}, {"caf\xC9"}},
        {"", {""}, {"x"}},
        {"*", {"", "anything at all"}, {}},
        {"***", {""}, {}},
        {"**a", {"bca", "a"}, {"bcab"}},
        {"?", {}, {""}},
        {"ab?", {"abc"}, {"ab", "abcd"}},
        {"?b?", {"abc"}, {}},
        {"*-*-*", {"a-b-c"}, {"a-b"}},
    });
    // The session's static entry point is the same matcher.
    EXPECT_TRUE(CScriptingDlg::MatchWildcards("hello world", "*o w*"));
    EXPECT_FALSE(CScriptingDlg::MatchWildcards("hello world", "hello"));
}

TEST(WildcardMatcher, ClassesRangesAndNegatedClasses)
{
    ExpectCases({
        {"[abc]x", {"bx"}, {"dx"}},
        {"[a-c]", {"b"}, {}},
        {"[c-a]", {"b"}, {"d"}}, // a reversed range still covers b
        {"[a\\-z]", {"-", "z"}, {"m"}},
        {"[-a]", {"-"}, {}},
        {"[a-]", {"-"}, {"b"}},
        {"[a\\]]", {"]", "a"}, {"\\"}},
        {"[\\a]", {"\\", "a"}, {}}, // a backslash before anything else is an item
        {"[!-\\]]", {"A"}, {"a"}},  // "!" to "]", ending in an escaped bracket
        // Ranges order bytes as signed chars: 0x80-0xFF come before every ASCII character.
        {"[a-\xE9]", {"A", "\xE9", "\xFF"}, {"\x80", "b"}},
        {"[\x80-\x01]", {"\xC0"}, {"a"}},
        // A class needs a character, at the end of the line too.
        {"[abc]", {}, {""}},
        {"ab[abc]", {}, {"ab"}},
        {"abc[0-9]", {"abc1"}, {}},
        {"[^abd-z]", {"c", "A"}, {"a", "e", "z"}},
        {"ab[^x]", {"aby"}, {"ab"}},
        {"[a^]", {"^"}, {}}, // "^" anywhere but first is an ordinary item
        {"[^^]", {}, {"^"}},
    });
}

TEST(WildcardMatcher, GroupsNegatedGroupsAndEscapes)
{
    ExpectCases({
        // Each alternative is tried with the rest of the pattern.
        {"{north|south} gate", {"south gate", "north gate"}, {"east gate"}},
        {"{a\\|b|c}", {"a|b", "c"}, {"a"}},
        {"{x*|y}z", {"xqqz", "yz"}, {"yqz"}},
        // "\}" inside an alternative is a brace; other escapes reach the alternative intact.
        {"{\\}|y}x", {"}x"}, {}},
        {"{\\*|y}", {"*"}, {"q"}},
        {"{a[0-9]|b}", {"a1"}, {}},
        {"{north |}gate", {"gate", "north gate"}, {}},
        {"{a{b|c}|d}", {"ab"}, {}},
        {"{^north|south}*", {"east gate"}, {"north gate", "south"}},
        {"{^a}b", {"xyz"}, {"ab"}}, // the negation covers the rest of the pattern too
        {"\\*", {"*"}, {"x", ""}},
        {"\\?", {"?"}, {"a"}},
        {"\\[x]", {"[x]"}, {}},
        {"\\{", {"{"}, {}},
        {"\\\\", {"\\"}, {}},
        {"\\a", {"\\a"}, {"a"}},
        {"path\\", {"path\\"}, {"path"}},
        // "\|" and "\}" are escapes only inside a group.
        {"\\|", {"\\|"}, {}},
        {"\\}", {"\\}"}, {}},
        {"a|b}]^-", {"a|b}]^-"}, {}},
    });
}

TEST(WildcardMatcher, MalformedPatternsHaveDefinedAnswers)
{
    ExpectCases({
        // Empty classes take any one character, or succeed at the end of the line.
        {"[]", {"x", ""}, {"xy"}},
        {"[]abc", {""}, {}},
        {"[^]", {"x", ""}, {}},
        {"[]]", {"x]"}, {}},
        // A class or group that is never closed ends with the pattern.
        {"[abc", {"b"}, {"d"}},
        {"[", {"x"}, {}},
        {"[a-", {"-"}, {}},
        {"[\\]", {"]"}, {}},
        {"{a|b", {"b"}, {"c"}},
        {"{", {""}, {"x"}},
        {"{^", {"x"}, {}},
        // A "}" right after "{" or "{^" separates an empty first alternative.
        {"{}", {""}, {"a"}},
        {"{}x}", {"x", ""}, {}},
        {"{^}", {"a"}, {""}},
        {"{a}b", {"ab"}, {}},
        // A class cut short inside a group runs on into the rest of the pattern.
        {"{[a|b}c]", {"c"}, {}},
        // Trailing backslashes never read past the end of the pattern.
        {"\\", {"\\"}, {}},
        {"{a\\", {"a\\"}, {}},
        {"[\\", {"\\"}, {}},
    });
}

TEST(WildcardMatcher, PathologicalPatternsFinishWithTheRightAnswer)
{
    const std::string run(300, 'a');
    ExpectCases({
        {"*a*a*a*a*a*a*b", {run + "b"}, {run}},
        {"*a*a*a*a*a*a*", {run}, {}},
        {"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*c*", {}, {run}},
        {"*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*b",
         {},
         {std::string(2000, 'a')}},
        // Groups multiply the ways to try: alternatives that match the same text.
        {"*{a|aa}*{a|aa}*{a|aa}*{a|aa}*{a|aa}*{a|aa}*b", {}, {run}},
        {"{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}"
         "{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}b*",
         {},
         {run}},
        {"*{^b}*{^b}*{^b}*{^b}*{^b}*{^b}*{^b}*a", {run}, {}},
        // No alternative "a*..." can reach the final b, so every negated group succeeds.
        {"*{^a*}*{^a*}*{^a*}*{^a*}*{^a*}*b", {run}, {}},
        {"*[a-b]*[^c]*[a]*\\a*a*a*a*a*b", {}, {run}},
    });
    EXPECT_TRUE(PlainWildcardMatch(std::string(12, 'a'), "*{^a*}*{^a*}*b"));
}

// Up to maxLength characters drawn from alphabet.
std::string Draw(std::mt19937& random, const std::string& alphabet, std::size_t maxLength)
{
    std::string out(random() % (maxLength + 1), ' ');
    for (char& c : out)
        c = alphabet[random() % alphabet.size()];
    return out;
}

TEST(WildcardMatcher, AgreesWithThePlainRecursionOnGeneratedPairs)
{
    // Patterns from the characters that mean something to the matcher, so that every element
    // and the malformed forms meet each other often; lines mostly of a's and b's.
    std::mt19937 random(20240611u);
    const auto draw = [&](const std::string& alphabet, std::size_t maxLength) {
        return Draw(random, alphabet, maxLength);
    };
    int matched = 0;
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 20; ++i) {
        const std::size_t length = i % 8 == 0 ? 14 : 8; // some longer, where memo states count
        const std::string pattern = draw("*?[]^-{}|\\ab\xE9", length);
        const std::string text = draw(random() % 3 == 0 ? "ab\xE9-]|\\*{" : "aab", length);
        const bool expected = PlainWildcardMatch(text, pattern);
        matched += expected ? 1 : 0;
        if (CWildcardMatcher::Match(text, pattern) != expected) {
            ++failures;
            ADD_FAILURE() << "pattern '" << pattern << "' text '" << text << "'";
        }
    }
    // Both answers must come up often, or the comparison proves little.
    EXPECT_GT(matched, 5000);
    EXPECT_LT(matched, 190000);

    // Star- and group-heavy patterns built from whole elements.
    random.seed(7u);
    const std::string pieces[] = {"*",      "a",    "b",    "?",    "{a|b}", "{^a}",
                                  "{a*|b}", "[ab]", "{|a}", "[^a]", "\\*",   "{a|ab|}"};
    for (int i = 0; i < 20000; ++i) {
        std::string pattern;
        for (int k = static_cast<int>(random() % 7); k > 0; --k)
            pattern += pieces[random() % std::size(pieces)];
        std::string text;
        for (int k = static_cast<int>(random() % 12); k > 0; --k)
            text += "ab*"[random() % 3];
        ASSERT_EQ(CWildcardMatcher::Match(text, pattern), PlainWildcardMatch(text, pattern))
            << "pattern '" << pattern << "' text '" << text << "'";
    }
}

TEST(WildcardMatcher, RequiredTextIsWhatEveryMatchingLineHolds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"*tells you*", "tells you"},
        {"*a*bcd?ef", "bcd"},
        {"\\\\*\\*x\\q", "*x\\q"},    // escapes stand for their character, a lone \ for itself
        {"[a-z]bc[^d]ef", "bc"},      // a class is one character of no particular kind
        {"{x|y}longer", "longer"},    // what follows a group follows every alternative
        {"ab{x[|y}longer", "ab"},     // ... unless a class in it can run on into the rest
        {"ab{^x}longer", "ab"},       // a negated group needs nothing after it
        {"ab[]longer", "ab"},         // an empty class can end the match at the line's end
        {"*?[x]{a|b}", ""},
    };
    for (const auto& [pattern, required] : cases)
        EXPECT_EQ(CWildcardMatcher::RequiredText(pattern), required) << pattern;
}

TEST(WildcardMatcher, PatternSetAgreesWithThePlainRecursion)
{
    // Sets of generated patterns, so that their needed texts share one automaton, against
    // lines from the same alphabets; plus the shapes receive scripts usually have. The lines
    // of a round also lie one after another in two buffers, as the session keeps them, for
    // the one-pass look at which of them any pattern may match.
    std::mt19937 random(515u);
    const auto draw = [&](const std::string& alphabet, std::size_t maxLength) {
        return Draw(random, alphabet, maxLength);
    };
    int matched = 0;
    int passedOver = 0;
    // Every round with the 16- and the 32-byte vector pass (where the processor has it).
    for (int round = 0; round < 3000; ++round) {
        CByteAutomaton::UseWideSkip(round % 2 == 0);
        std::vector<std::string> patterns = {"*ab*", "ab*", "*ba", "a*b*a", "*\\*"};
        if (round % 4 < 2)
            patterns.push_back("*");
        for (int k = 0; k < 10; ++k)
            patterns.push_back(draw(k % 2 ? "*ab\xE9" : "*?[]^-{}|\\ab\xE9", 10));
        CWildcardSet set;
        set.Build(std::vector<std::string_view>(patterns.begin(), patterns.end()));
        ASSERT_EQ(set.Size(), patterns.size());
        std::vector<std::string> lines;
        for (int line = 0; line < 8; ++line)
            lines.push_back(draw(line % 4 == 3 ? "xyz" : line % 3 ? "aab" : "ab\xE9-]|\\*{", 70));
        const std::string firstHalf = lines[0] + lines[1] + lines[2] + lines[3];
        const std::string secondHalf = lines[4] + lines[5] + lines[6] + lines[7];
        std::vector<std::string_view> views;
        for (std::size_t line = 0, at = 0; line < 8; ++line, at = line == 4 ? 0 : at) {
            views.push_back(std::string_view(line < 4 ? firstHalf : secondHalf)
                                .substr(at, lines[line].size()));
            at += lines[line].size();
        }
        std::vector<std::uint8_t> mayMatch;
        set.MayMatch(views, mayMatch);
        for (int line = 0; line < 8; ++line) {
            const std::string& text = lines[static_cast<std::size_t>(line)];
            set.Match(text);
            std::vector<std::uint32_t> expected;
            for (std::size_t k = 0; k < patterns.size(); ++k) {
                if (PlainWildcardMatch(text, patterns[k]))
                    expected.push_back(static_cast<std::uint32_t>(k));
            }
            matched += static_cast<int>(expected.size());
            ASSERT_EQ(set.Matches(), expected)
                << "text '" << text << "'" << (round % 2 == 0 ? " (wide)" : "");
            ASSERT_TRUE(expected.empty() || mayMatch[static_cast<std::size_t>(line)] != 0)
                << "text '" << text << "' passed over";
            passedOver += mayMatch[static_cast<std::size_t>(line)] == 0 ? 1 : 0;
        }
    }
    CByteAutomaton::UseWideSkip(true);
    EXPECT_GT(matched, 15000);
    EXPECT_GT(passedOver, 200);
}

} // namespace
