#include <gtest/gtest.h>

#include <random>
#include <string>

#include "PlainWildcardRecursion.h"
#include "script/ScriptingDlg.h"
#include "script/WildcardMatcher.h"

namespace {

bool Match(const std::string& text, const std::string& pattern)
{
    return CWildcardMatcher::Match(text, pattern);
}

TEST(WildcardMatcher, MatchesTheWholeLineCaseSensitively)
{
    EXPECT_FALSE(Match("hello world", "hello"));
    EXPECT_TRUE(Match("hello world", "hello*"));
    EXPECT_TRUE(Match("hello world", "*world"));
    EXPECT_TRUE(Match("hello world", "*o w*"));
    EXPECT_FALSE(Match("hello world", "Hello*"));
    EXPECT_FALSE(Match("hello", "hello world"));
    EXPECT_TRUE(Match("Bob tells you 'hi'", "*tells you*"));
    // Bytes compare as bytes: no case folding of high characters either.
    EXPECT_TRUE(Match("caf\xE9", "caf\xE9"));
    EXPECT_FALSE(Match("caf\xC9", "caf\xE9"));
    // The session's static entry point is the same matcher.
    EXPECT_TRUE(CScriptingDlg::MatchWildcards("hello world", "*o w*"));
    EXPECT_FALSE(CScriptingDlg::MatchWildcards("hello world", "hello"));
}

TEST(WildcardMatcher, StarsAndQuestionMarks)
{
    EXPECT_TRUE(Match("", ""));
    EXPECT_FALSE(Match("x", ""));
    EXPECT_TRUE(Match("", "*"));
    EXPECT_TRUE(Match("anything at all", "*"));
    EXPECT_TRUE(Match("", "***"));
    EXPECT_TRUE(Match("bca", "**a"));
    EXPECT_FALSE(Match("bcab", "**a"));
    EXPECT_TRUE(Match("a", "**a"));
    EXPECT_FALSE(Match("", "?"));
    EXPECT_FALSE(Match("ab", "ab?"));
    EXPECT_TRUE(Match("abc", "ab?"));
    EXPECT_TRUE(Match("abc", "?b?"));
    EXPECT_FALSE(Match("abcd", "ab?"));
    EXPECT_TRUE(Match("a-b-c", "*-*-*"));
    EXPECT_FALSE(Match("a-b", "*-*-*"));
}

TEST(WildcardMatcher, ClassesAndRanges)
{
    EXPECT_TRUE(Match("bx", "[abc]x"));
    EXPECT_FALSE(Match("dx", "[abc]x"));
    EXPECT_TRUE(Match("b", "[a-c]"));
    EXPECT_TRUE(Match("b", "[c-a]")); // a reversed range still covers b
    EXPECT_FALSE(Match("d", "[c-a]"));
    EXPECT_TRUE(Match("-", "[a\\-z]"));
    EXPECT_FALSE(Match("m", "[a\\-z]"));
    EXPECT_TRUE(Match("z", "[a\\-z]"));
    EXPECT_TRUE(Match("-", "[-a]"));
    EXPECT_TRUE(Match("-", "[a-]"));
    EXPECT_FALSE(Match("b", "[a-]"));
    EXPECT_TRUE(Match("]", "[a\\]]"));
    EXPECT_TRUE(Match("a", "[a\\]]"));
    EXPECT_FALSE(Match("\\", "[a\\]]"));
    // A backslash before anything else is an item of its own.
    EXPECT_TRUE(Match("\\", "[\\a]"));
    EXPECT_TRUE(Match("a", "[\\a]"));
    // A range may end in an escaped bracket: "!" (0x21) to "]" (0x5D).
    EXPECT_TRUE(Match("A", "[!-\\]]"));
    EXPECT_FALSE(Match("a", "[!-\\]]"));
    // Ranges order bytes as signed chars: 0x80-0xFF come before every ASCII character.
    EXPECT_TRUE(Match("A", "[a-\xE9]"));
    EXPECT_TRUE(Match("\xE9", "[a-\xE9]"));
    EXPECT_TRUE(Match("\xFF", "[a-\xE9]"));
    EXPECT_FALSE(Match("\x80", "[a-\xE9]"));
    EXPECT_FALSE(Match("b", "[a-\xE9]"));
    EXPECT_TRUE(Match("\xC0", "[\x80-\x01]"));
    EXPECT_FALSE(Match("a", "[\x80-\x01]"));
    // A class needs a character, at the end of the line too.
    EXPECT_FALSE(Match("", "[abc]"));
    EXPECT_FALSE(Match("ab", "ab[abc]"));
    EXPECT_TRUE(Match("abc1", "abc[0-9]"));
}

TEST(WildcardMatcher, NegatedClasses)
{
    EXPECT_TRUE(Match("c", "[^abd-z]"));
    EXPECT_FALSE(Match("a", "[^abd-z]"));
    EXPECT_FALSE(Match("e", "[^abd-z]"));
    EXPECT_FALSE(Match("z", "[^abd-z]"));
    EXPECT_TRUE(Match("A", "[^abd-z]"));
    EXPECT_FALSE(Match("ab", "ab[^x]"));
    EXPECT_TRUE(Match("aby", "ab[^x]"));
    // "^" anywhere but first is an ordinary item.
    EXPECT_TRUE(Match("^", "[a^]"));
    EXPECT_FALSE(Match("^", "[^^]"));
}

TEST(WildcardMatcher, GroupsTryEachAlternativeWithTheRestOfThePattern)
{
    EXPECT_TRUE(Match("south gate", "{north|south} gate"));
    EXPECT_TRUE(Match("north gate", "{north|south} gate"));
    EXPECT_FALSE(Match("east gate", "{north|south} gate"));
    EXPECT_TRUE(Match("a|b", "{a\\|b|c}"));
    EXPECT_TRUE(Match("c", "{a\\|b|c}"));
    EXPECT_FALSE(Match("a", "{a\\|b|c}"));
    EXPECT_TRUE(Match("xqqz", "{x*|y}z"));
    EXPECT_TRUE(Match("yz", "{x*|y}z"));
    EXPECT_FALSE(Match("yqz", "{x*|y}z"));
    // "\}" inside an alternative is a brace; other escapes reach the alternative intact.
    EXPECT_TRUE(Match("}x", "{\\}|y}x"));
    EXPECT_TRUE(Match("*", "{\\*|y}"));
    EXPECT_FALSE(Match("q", "{\\*|y}"));
    EXPECT_TRUE(Match("a1", "{a[0-9]|b}"));
    // An empty alternative matches nothing extra.
    EXPECT_TRUE(Match("gate", "{north |}gate"));
    EXPECT_TRUE(Match("north gate", "{north |}gate"));
    // Groups inside alternatives.
    EXPECT_TRUE(Match("ab", "{a{b|c}|d}"));
}

TEST(WildcardMatcher, NegatedGroupsMatchWhenNoAlternativeDoes)
{
    EXPECT_TRUE(Match("east gate", "{^north|south}*"));
    EXPECT_FALSE(Match("north gate", "{^north|south}*"));
    EXPECT_FALSE(Match("south", "{^north|south}*"));
    // The alternatives carry the rest of the pattern, so the negation covers it too.
    EXPECT_TRUE(Match("xyz", "{^a}b"));
    EXPECT_FALSE(Match("ab", "{^a}b"));
}

TEST(WildcardMatcher, EscapesAndLoneBackslashes)
{
    EXPECT_TRUE(Match("*", "\\*"));
    EXPECT_FALSE(Match("x", "\\*"));
    EXPECT_FALSE(Match("", "\\*"));
    EXPECT_TRUE(Match("?", "\\?"));
    EXPECT_FALSE(Match("a", "\\?"));
    EXPECT_TRUE(Match("[x]", "\\[x]"));
    EXPECT_TRUE(Match("{", "\\{"));
    EXPECT_TRUE(Match("\\", "\\\\"));
    EXPECT_TRUE(Match("\\a", "\\a"));
    EXPECT_FALSE(Match("a", "\\a"));
    EXPECT_TRUE(Match("path\\", "path\\"));
    EXPECT_FALSE(Match("path", "path\\"));
    // "\|" and "\}" are only escapes inside a group; outside they are a backslash and a bar.
    EXPECT_TRUE(Match("\\|", "\\|"));
    EXPECT_TRUE(Match("\\}", "\\}"));
    // Literal bar, braces, brackets, caret and hyphen outside classes and groups.
    EXPECT_TRUE(Match("a|b}]^-", "a|b}]^-"));
}

TEST(WildcardMatcher, MalformedPatternsHaveDefinedAnswers)
{
    // Empty classes take any one character, or succeed at the end of the line.
    EXPECT_TRUE(Match("x", "[]"));
    EXPECT_TRUE(Match("", "[]"));
    EXPECT_TRUE(Match("", "[]abc"));
    EXPECT_TRUE(Match("x", "[^]"));
    EXPECT_TRUE(Match("", "[^]"));
    EXPECT_FALSE(Match("xy", "[]"));
    EXPECT_TRUE(Match("x]", "[]]"));
    // A class or group that is never closed ends with the pattern.
    EXPECT_TRUE(Match("b", "[abc"));
    EXPECT_FALSE(Match("d", "[abc"));
    EXPECT_TRUE(Match("x", "["));
    EXPECT_TRUE(Match("-", "[a-"));
    EXPECT_TRUE(Match("]", "[\\]"));
    EXPECT_TRUE(Match("b", "{a|b"));
    EXPECT_FALSE(Match("c", "{a|b"));
    EXPECT_TRUE(Match("", "{"));
    EXPECT_FALSE(Match("x", "{"));
    EXPECT_TRUE(Match("x", "{^"));
    // A "}" right after "{" or "{^" separates an empty first alternative.
    EXPECT_TRUE(Match("", "{}"));
    EXPECT_FALSE(Match("a", "{}"));
    EXPECT_TRUE(Match("x", "{}x}"));
    EXPECT_TRUE(Match("", "{}x}"));
    EXPECT_FALSE(Match("", "{^}"));
    EXPECT_TRUE(Match("a", "{^}"));
    EXPECT_TRUE(Match("ab", "{a}b"));
    // A class cut short inside an alternative continues into the rest of the pattern.
    EXPECT_TRUE(Match("c", "{[a|b}c]"));
    // Trailing backslashes never read past the end of the pattern.
    EXPECT_TRUE(Match("\\", "\\"));
    EXPECT_TRUE(Match("a\\", "{a\\"));
    EXPECT_TRUE(Match("\\", "[\\"));
}

TEST(WildcardMatcher, PathologicalPatternsFinishWithTheRightAnswer)
{
    const std::string run(300, 'a');
    EXPECT_FALSE(Match(run, "*a*a*a*a*a*a*b"));
    EXPECT_TRUE(Match(run + "b", "*a*a*a*a*a*a*b"));
    EXPECT_TRUE(Match(run, "*a*a*a*a*a*a*"));
    EXPECT_FALSE(Match(run, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*c*"));
    EXPECT_FALSE(Match(std::string(2000, 'a'),
                       "*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*b"));
    // Groups multiply the ways to try: alternatives that match the same text.
    EXPECT_FALSE(Match(run, "*{a|aa}*{a|aa}*{a|aa}*{a|aa}*{a|aa}*{a|aa}*b"));
    EXPECT_FALSE(Match(run, "{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}"
                            "{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}{a|a}b*"));
    EXPECT_TRUE(Match(run, "*{^b}*{^b}*{^b}*{^b}*{^b}*{^b}*{^b}*a"));
    // No alternative "a*..." can reach the final b, so every negated group succeeds.
    EXPECT_TRUE(Match(run, "*{^a*}*{^a*}*{^a*}*{^a*}*{^a*}*b"));
    EXPECT_TRUE(brumble::test::PlainWildcardMatch(std::string(12, 'a'), "*{^a*}*{^a*}*b"));
    EXPECT_FALSE(Match(run, "*[a-b]*[^c]*[a]*\\a*a*a*a*a*b"));
}

// Builds patterns and lines from the characters that mean something to the matcher, so that
// every element and the malformed forms meet each other often.
class PairGenerator {
public:
    explicit PairGenerator(unsigned seed) : m_random(seed) {}
    std::string Pattern(std::size_t maxLength)
    {
        static const std::string kAlphabet = "*?[]^-{}|\\ab\xE9";
        return Draw(kAlphabet, maxLength);
    }
    std::string Text(std::size_t maxLength)
    {
        static const std::string kAlphabet = "ab\xE9-]|\\*{";
        // Mostly a's and b's, so that patterns have a fair chance to match.
        return Draw(m_random() % 3 == 0 ? kAlphabet : std::string("aab"), maxLength);
    }

private:
    std::string Draw(const std::string& alphabet, std::size_t maxLength)
    {
        const std::size_t length = m_random() % (maxLength + 1);
        std::string out;
        for (std::size_t i = 0; i < length; ++i)
            out += alphabet[m_random() % alphabet.size()];
        return out;
    }
    std::mt19937 m_random;
};

TEST(WildcardMatcher, AgreesWithThePlainRecursionOnGeneratedPairs)
{
    PairGenerator generator(20240611u);
    int matched = 0;
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 20; ++i) {
        // Mostly short pairs; some longer ones where remembered states come into play.
        const bool longer = i % 8 == 0;
        const std::string pattern = generator.Pattern(longer ? 14 : 8);
        const std::string text = generator.Text(longer ? 14 : 8);
        const bool expected = brumble::test::PlainWildcardMatch(text, pattern);
        matched += expected ? 1 : 0;
        if (Match(text, pattern) != expected) {
            ++failures;
            ADD_FAILURE() << "pattern '" << pattern << "' text '" << text << "' expected "
                          << expected;
        }
    }
    // The generator must exercise both answers, or the comparison proves little.
    EXPECT_GT(matched, 5000);
    EXPECT_LT(matched, 190000);
}

TEST(WildcardMatcher, AgreesWithThePlainRecursionOnStarAndGroupHeavyPairs)
{
    std::mt19937 random(7u);
    const std::string pieces[] = {"*",      "a",    "b",    "?",    "{a|b}", "{^a}",
                                  "{a*|b}", "[ab]", "{|a}", "[^a]", "\\*",   "{a|ab|}"};
    for (int i = 0; i < 20000; ++i) {
        std::string pattern;
        for (int k = static_cast<int>(random() % 7); k > 0; --k)
            pattern += pieces[random() % std::size(pieces)];
        std::string text;
        for (int k = static_cast<int>(random() % 12); k > 0; --k)
            text += "ab*"[random() % 3];
        ASSERT_EQ(Match(text, pattern), brumble::test::PlainWildcardMatch(text, pattern))
            << "pattern '" << pattern << "' text '" << text << "'";
    }
}

} // namespace
