// The highlight store and matcher: which colour a line gets, and what the host section holds.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/ByteAutomaton.h"
#include "common/TestServices.h"
#include "display/ColouredTextDlg.h"
#include "display/HighlightMatcher.h"
#include "settings/SettingsStore.h"

namespace {

using Entry = CColouredTextDlg::Entry;
constexpr std::uint32_t kStarts = CColouredTextDlg::kStartsWith;
constexpr std::uint32_t kContains = CColouredTextDlg::kContains;

Entry Rule(const std::string& text, std::uint32_t mode, std::uint32_t colour)
{
    return {text, CColouredTextDlg::MakeValue(mode, colour)};
}

class Highlights : public ::testing::Test, public brumble::test::CTestServices {
protected:
    std::optional<std::uint32_t> Match(const CColouredTextDlg& highlights, const std::string& line)
    {
        std::uint32_t colour = 0;
        if (highlights.MatchLine(line, colour))
            return colour;
        return std::nullopt;
    }
    void StoreRaw(int n, const std::string& text, std::int32_t value)
    {
        char name[32];
        std::snprintf(name, sizeof name, "Hilight Text %02d", n);
        settings.WriteString("mud", name, text);
        std::snprintf(name, sizeof name, "Hilight Colour %02d", n);
        settings.WriteInt("mud", name, value);
    }
};

TEST_F(Highlights, FirstMatchingEntryGivesTheColourCaseSensitively)
{
    CColouredTextDlg highlights(services, "mud");
    highlights.SetEntries({Rule("abc", kStarts, 0x0000FF),
                           Rule("abc", kContains, 0x00FF00),
                           Rule("says", kContains, 0xFF0000),
                           Rule("Bob says", kStarts, 0x123456),
                           // Any mode other than 0 looks anywhere in the line.
                           {"zz", 0x07ABCDEF}});
    const struct {
        const char* line;
        std::optional<std::uint32_t> colour;
    } cases[] = {
        {"abcdef", 0x0000FF}, // both abc entries match: the earlier wins
        {"xabcx", 0x00FF00},  // only the "contains" one
        {"ABCdef", std::nullopt},  {"xABCx", std::nullopt},
        {"ab", std::nullopt},      // shorter than the text
        {"Bob says hi", 0xFF0000}, // "says" comes before "Bob says" in the list
        {"a zz b", 0xABCDEF},      // the mode byte is not part of the colour
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Match(highlights, c.line), c.colour) << c.line;

    highlights.SetEntries({});
    EXPECT_EQ(Match(highlights, "abcdef"), std::nullopt);
}

// The automaton must answer exactly as going through the list in order would.
TEST(HighlightMatcher, AgreesWithTheListInOrder)
{
    std::mt19937 random(7);
    const auto text = [&](std::size_t maxLength) {
        std::string s(1 + random() % maxLength, 'a');
        for (char& c : s)
            c = static_cast<char>("abAB\xe9"[random() % 5]);
        return s;
    };
    // Every round with the 16- and the 32-byte vector pass (where the processor has it).
    for (int round = 0; round < 400; ++round) {
        CByteAutomaton::UseWideSkip(round % 2 == 0);
        std::vector<CHighlightMatcher::Rule> rules(1 + random() % 12);
        for (auto& rule : rules)
            rule = {text(4), random() % 2 == 0};
        const CHighlightMatcher matcher(rules);
        for (int i = 0; i < 50; ++i) {
            const std::string line = random() % 10 == 0 ? std::string() : text(80);
            int expected = -1;
            for (std::size_t r = 0; r < rules.size() && expected < 0; ++r) {
                const bool hit = rules[r].contains ? line.find(rules[r].text) != std::string::npos
                                                   : line.rfind(rules[r].text, 0) == 0;
                if (hit)
                    expected = static_cast<int>(r);
            }
            ASSERT_EQ(matcher.Match(line), expected)
                << "line " << line << (round % 2 == 0 ? " (wide)" : "");
        }
    }
    CByteAutomaton::UseWideSkip(true);
}

TEST_F(Highlights, StoredValueKeepsTheModeInTheTopByte)
{
    // As an older installation wrote them: blue "contains", green "starts with".
    StoreRaw(1, "tells you", 0x01FF0000);
    StoreRaw(2, "[OOC]", 0x0000FF00);
    CColouredTextDlg highlights(services, "mud");
    ASSERT_EQ(highlights.Entries(),
              (CColouredTextDlg::EntryList{{"tells you", 0x01FF0000}, {"[OOC]", 0x0000FF00}}));
    EXPECT_EQ(Match(highlights, "Bob tells you hi"), 0xFF0000u);
    EXPECT_EQ(Match(highlights, "[OOC] hi"), 0x00FF00u);
    EXPECT_EQ(CColouredTextDlg::DisplayText(highlights.Entries()[0]), "...tells you...");
    EXPECT_EQ(CColouredTextDlg::DisplayText(highlights.Entries()[1]), "[OOC]...");

    highlights.SetEntries({Rule("x", kContains, 0xFFFFFF)});
    highlights.Save();
    EXPECT_EQ(settings.ReadInt("mud", "Hilight Colour 01", 0), 0x01FFFFFF);
}

TEST_F(Highlights, SavedListEndsAtAnEmptyTextAndCountsPastNinetyNine)
{
    for (int n = 1; n <= 5; ++n)
        StoreRaw(n, "old" + std::to_string(n), 0);
    CColouredTextDlg highlights(services, "mud");
    ASSERT_EQ(highlights.Entries().size(), 5u);
    highlights.SetEntries({Rule("a", kStarts, 1), Rule("b", kStarts, 2), Rule("c", kStarts, 3)});
    highlights.Save();
    EXPECT_EQ(settings.ReadString("mud", "Hilight Text 04", "?"), "");
    EXPECT_EQ(settings.ReadString("mud", "Hilight Text 05", "?"), "old5"); // left, never read
    EXPECT_EQ(CColouredTextDlg(services, "mud").Entries().size(), 3u);

    CColouredTextDlg::EntryList many;
    for (int n = 1; n <= 100; ++n)
        many.push_back(Rule("t" + std::to_string(n), kStarts, 0));
    highlights.SetEntries(many);
    highlights.Save();
    EXPECT_EQ(settings.ReadString("mud", "Hilight Text 100", ""), "t100");
    EXPECT_EQ(CColouredTextDlg(services, "mud").Entries(), many);
}

TEST_F(Highlights, MissingColourIsBlackStartsWithAndCopyFromReplacesAndSaves)
{
    settings.WriteString("other", "Hilight Text 01", "Hello");
    StoreRaw(1, "mine", 0x01000000);
    CColouredTextDlg highlights(services, "mud");
    highlights.CopyFrom("other");
    EXPECT_EQ(highlights.Entries(), (CColouredTextDlg::EntryList{{"Hello", 0}}));
    EXPECT_EQ(Match(highlights, "Hello there"), 0u);
    EXPECT_EQ(Match(highlights, "mine"), std::nullopt);
    EXPECT_EQ(CColouredTextDlg(services, "mud").Entries(), highlights.Entries());
}

} // namespace
