// The alias store and expander: what a typed line becomes, and what the host section holds.
#include <gtest/gtest.h>

#include "common/TestServices.h"
#include "res/StringTable.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasResources.h"
#include "shortcuts/AliasesDlg.h"

namespace {

using AliasList = CAliasesDlg::AliasList;

class Aliases : public ::testing::Test, public brumble::test::CTestServices {
protected:
    // The aliases of host "mud", set but not saved.
    CAliasesDlg Make(const AliasList& list, char aliasChar = '\\')
    {
        CAliasesDlg aliases(services, "mud");
        aliases.SetAliases(aliasChar, list);
        return aliases;
    }
};

TEST_F(Aliases, ExpansionEdgeCases)
{
    const struct {
        AliasList aliases;
        std::vector<std::pair<std::string, std::string>> typedAndSent;
        char aliasChar = '\\';
    } groups[] = {
        {{{"n", "north"},
          {"say", "say $1 says $*"},
          {"w", "[$1][$2][$3]"},
          {"k", "$1-$2-$3|$0|$00|$$|$x|$01|$10|$12|$99999999999999999999|$"},
          {"d", "$$1 $0$1 $*$1"},
          {"e", "$1 $2 $*"},
          {"a", "\\a again"},
          {"nw", "n $1\r\nw $2"},
          {"t", "take $*\r\n"},
          {"go", "first"},
          {"go n", "second"}},
         {// The indicator, the exact name (case-sensitive) and a space.
          {"\\n x", "north"},
          {"\\n ", "north"},
          {"\\n", "\\n"},
          {"\\N x", "\\N x"},
          {" \\n x", " \\n x"},
          {"\\nx y", "\\nx y"},
          {"/n x", "/n x"},
          {"", ""},
          // $* is the untrimmed rest; words split at a space and the white space after it.
          {"\\say  hello   world ", "say hello says  hello   world "},
          {"\\w a\tb c", "[a\tb][c][]"},
          {"\\w a \t b", "[a][b][]"},
          {"\\w \t x y\t \r", "[x][y][]"},
          {"\\w    ", "[][][]"},
          {"\\say ", "say  says "},
          // Numbered references read all their digits.
          {"\\k a b", "a-b-|$0|$00|$$|$x|a||||$"},
          {"\\k 1 2 3 4 5 6 7 8 9 ten eleven twelve", "1-2-3|$0|$00|$$|$x|1|ten|twelve||$"},
          {"\\d w", "$w $0w ww"},
          // Inserted text, and the result, are never scanned again.
          {"\\e $2 $*", "$2 $* $2 $*"},
          {"\\e $1", "$1  $1"},
          {"\\a x", "\\a again"},
          // Every line of an action is expanded; a trailing line break stays.
          {"\\nw 2 3", "n 2\r\nw 3"},
          {"\\t all", "take all\r\n"},
          {"\\go n x", "first"}}}, // the first alias in list order wins
        {{{"go n", "second"}, {"go", "first"}}, {{"\\go n x", "second"}, {"\\go x", "first"}}},
        {{{"n", "north"}}, {{"/n x", "north"}, {"\\n x", "\\n x"}}, '/'},
        {{{"\xe9t\xe9", "summer \xa7"}},
         {{"\xa7\xe9t\xe9 $", "summer \xa7"}, {"\xa7\xc9t\xe9 $", "\xa7\xc9t\xe9 $"}},
         '\xa7'},
    };
    for (const auto& group : groups) {
        const CAliasesDlg aliases = Make(group.aliases, group.aliasChar);
        for (const auto& [typed, sent] : group.typedAndSent) {
            std::string line = typed;
            EXPECT_EQ(aliases.ExpandAlias(line), 0);
            EXPECT_EQ(line, sent) << "typed '" << typed << "'";
        }
    }
}

TEST_F(Aliases, LoadAndSaveThePairsAndTheAliasChar)
{
    // A pair with an empty action is skipped; the list ends at the first empty name.
    NumberedList::SavePairs(settings, "mud", "Alias %02d", "Alias Action %02d",
                            {{"a", "aaa"}, {"b", ""}, {"c", "ccc"}, {"", ""}, {"hidden", "x"}});
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), (AliasList{{"a", "aaa"}, {"c", "ccc"}}));

    // The host's alias char, else the global one, else a backslash; only the low 8 bits.
    EXPECT_EQ(CAliasesDlg(services, "fresh").GetAliasChar(), '\\');
    settings.WriteInt("Shortcuts", "Alias Char", '/');
    EXPECT_EQ(CAliasesDlg(services, "fresh").GetAliasChar(), '/');
    settings.WriteInt("mud", "Alias Char", 0x100 + '~');
    EXPECT_EQ(CAliasesDlg(services, "mud").GetAliasChar(), '~');

    // Saved as a signed char, the pairs, and an end marker that hides a longer old list.
    Make({{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}}).Save();
    CAliasesDlg three = Make({{"x", "n\r\ns"}, {"y", "yy"}, {"z", "zz"}}, '\xa7');
    three.Save();
    EXPECT_EQ(settings.ReadInt("mud", "Alias Char", 0), -89);
    EXPECT_EQ(settings.ReadString("mud", "Alias 01", "?"), "x");
    EXPECT_EQ(settings.ReadString("mud", "Alias Action 01", "?"), "n\r\ns");
    EXPECT_EQ(settings.ReadString("mud", "Alias 03", "?"), "z");
    EXPECT_EQ(settings.ReadString("mud", "Alias 04", "?"), "");
    EXPECT_EQ(settings.ReadString("mud", "Alias Action 04", "?"), "");
    EXPECT_EQ(settings.ReadString("mud", "Alias 05", "?"), "5");
    const CAliasesDlg loaded(services, "mud");
    EXPECT_EQ(loaded.Aliases(), three.Aliases());
    EXPECT_EQ(loaded.GetAliasChar(), '\xa7');

    // CopyFrom replaces the list and the char, and saves them under this host.
    CAliasesDlg target(services, "other");
    target.SetAliases('#', {{"old", "gone"}});
    target.CopyFrom("mud");
    EXPECT_EQ(target.Aliases(), three.Aliases());
    EXPECT_EQ(target.HostName(), "other");
    EXPECT_EQ(CAliasesDlg(services, "other").Aliases(), three.Aliases());
    EXPECT_EQ(CAliasesDlg(services, "other").GetAliasChar(), '\xa7');
}

TEST_F(Aliases, ImportsTheGlobalListUntilTheFirstSave)
{
    const char* legacy[] = {
        "k=kill $1", "=no name", "no equals sign", "empty=", "eq=a=b", "", "late=never"};
    for (int i = 0; i < 7; ++i)
        settings.WriteString("Shortcuts", "Alias " + std::to_string(i + 1), legacy[i]);
    const AliasList imported = {{"k", "kill $1"}, {"eq", "a=b"}};
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), imported);
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), imported); // again: nothing saved yet

    CAliasesDlg saved(services, "other");
    saved.SetAliases('\\', {});
    saved.Save(); // an empty list still leaves the end marker
    EXPECT_TRUE(CAliasesDlg(services, "other").Aliases().empty());

    CAliasesDlg(services, "mud").Save();
    settings.WriteString("Shortcuts", "Alias 1", "changed=later");
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), imported);

    // A first alias called "-" is a saved list like any other: nothing is imported beside it.
    Make({{"-", "flee"}}).Save();
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), (AliasList{{"-", "flee"}}));
}

TEST_F(Aliases, EmptyNamesOrActionsAreRefusedAndNeverSaved)
{
    using AliasResources::kMsgNameOrActionEmpty;
    const struct {
        std::string name, action;
        bool checkName;
        int expected;
    } cases[] = {
        {"n", "north", true, 0},
        {"", "north", true, kMsgNameOrActionEmpty},
        {"n", "", true, kMsgNameOrActionEmpty},
        {"go n", "x", true, 0}, // typed as "\go n x", it can sit beside "go"
        {" n", "x", true, 0},
        {"n\tx", "x", true, 0},
        {"go n", "x", false, 0}, // the name is fixed when modifying
        {"go n", "", false, kMsgNameOrActionEmpty},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CAliasesDlg::ValidateEntry(c.name, c.action, c.checkName), c.expected)
            << "'" << c.name << "' '" << c.action << "'";
    EXPECT_FALSE(LoadString(kMsgNameOrActionEmpty).empty());

    // Should such a pair reach the store anyway, the aliases after it must survive.
    Make({{"", "orphan"}, {"a", "aaa"}, {"b", ""}, {"c", "ccc"}}).Save();
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), (AliasList{{"a", "aaa"}, {"c", "ccc"}}));
}

} // namespace
