// The alias store and expander: what a typed line becomes, and what the host section holds.
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "res/StringTable.h"
#include "script/RandomGenerator.h"
#include "session/AppServices.h"
#include "session/AppState.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasResources.h"
#include "shortcuts/AliasesDlg.h"

namespace {

using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::ScopedTempDir;

class Aliases : public ::testing::Test {
protected:
    // A store for host "mud" holding exactly the given aliases, with the backslash.
    CAliasesDlg Make(const CAliasesDlg::AliasList& list, char aliasChar = '\\')
    {
        CAliasesDlg aliases(services, "mud");
        aliases.SetAliases(aliasChar, list);
        return aliases;
    }

    std::string Expand(const CAliasesDlg& aliases, std::string line)
    {
        EXPECT_EQ(aliases.ExpandAlias(line), 0);
        return line;
    }

    ScopedTempDir dir;
    CSettingsStore store{dir.File("settings.db")};
    CRecordingMessageSink sink;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{store, sink, sound, random, app};
};

using AliasExpansion = Aliases;
using AliasStore = Aliases;

TEST_F(AliasExpansion, MatchNeedsIndicatorExactNameAndSpace)
{
    const CAliasesDlg aliases = Make({{"n", "north"}});
    EXPECT_EQ(Expand(aliases, "\\n x"), "north");
    EXPECT_EQ(Expand(aliases, "\\n "), "north");
    EXPECT_EQ(Expand(aliases, "\\n"), "\\n");     // no space after the name
    EXPECT_EQ(Expand(aliases, "\\N x"), "\\N x"); // case-sensitive
    EXPECT_EQ(Expand(aliases, " \\n x"), " \\n x");
    EXPECT_EQ(Expand(aliases, "\\nx y"), "\\nx y");
    EXPECT_EQ(Expand(aliases, "/n x"), "/n x");
    EXPECT_EQ(Expand(aliases, ""), "");

    const CAliasesDlg slash = Make({{"n", "north"}}, '/');
    EXPECT_EQ(Expand(slash, "/n x"), "north");
    EXPECT_EQ(Expand(slash, "\\n x"), "\\n x");

    // Every byte counts, including those above 127.
    const CAliasesDlg high = Make({{"\xe9t\xe9", "summer \xa7"}}, '\xa7');
    EXPECT_EQ(Expand(high, "\xa7\xe9t\xe9 $"), "summer \xa7");
    EXPECT_EQ(Expand(high, "\xa7\xc9t\xe9 $"), "\xa7\xc9t\xe9 $");
}

TEST_F(AliasExpansion, StarIsTheUntrimmedRemainderAndWordsSplitAtSpaces)
{
    const CAliasesDlg say = Make({{"say", "say $1 says $*"}, {"w", "[$1][$2][$3]"}});
    EXPECT_EQ(Expand(say, "\\say  hello   world "), "say hello says  hello   world ");
    // A tab not preceded by a space belongs to the word; after a space it is skipped.
    EXPECT_EQ(Expand(say, "\\w a\tb c"), "[a\tb][c][]");
    EXPECT_EQ(Expand(say, "\\w a \t b"), "[a][b][]");
    // White space at both ends of the remainder is not a word.
    EXPECT_EQ(Expand(say, "\\w \t x y\t \r"), "[x][y][]");
    EXPECT_EQ(Expand(say, "\\w    "), "[][][]");
    EXPECT_EQ(Expand(say, "\\say "), "say  says ");
}

TEST_F(AliasExpansion, NumberedReferencesReadAllTheirDigits)
{
    const CAliasesDlg aliases =
        Make({{"k", "$1-$2-$3|$0|$00|$$|$x|$01|$10|$12|$99999999999999999999|$"}});
    EXPECT_EQ(Expand(aliases, "\\k a b"), "a-b-|$0|$00|$$|$x|a||||$");
    EXPECT_EQ(Expand(aliases, "\\k 1 2 3 4 5 6 7 8 9 ten eleven twelve"),
              "1-2-3|$0|$00|$$|$x|1|ten|twelve||$");

    // "$$1" keeps the first $ and replaces the reference after it; "$0$1" likewise.
    const CAliasesDlg dollars = Make({{"d", "$$1 $0$1 $*$1"}});
    EXPECT_EQ(Expand(dollars, "\\d w"), "$w $0w ww");
}

TEST_F(AliasExpansion, InsertedTextIsNeverScannedAgain)
{
    const CAliasesDlg aliases = Make({{"e", "$1 $2 $*"}, {"a", "\\a again"}});
    EXPECT_EQ(Expand(aliases, "\\e $2 $*"), "$2 $* $2 $*");
    EXPECT_EQ(Expand(aliases, "\\e $1"), "$1  $1");
    // The result is not looked up again, even when it starts like an alias.
    EXPECT_EQ(Expand(aliases, "\\a x"), "\\a again");
}

TEST_F(AliasExpansion, FirstAliasInListOrderWins)
{
    EXPECT_EQ(Expand(Make({{"go", "first"}, {"go n", "second"}}), "\\go n x"), "first");
    EXPECT_EQ(Expand(Make({{"go n", "second"}, {"go", "first"}}), "\\go n x"), "second");
    EXPECT_EQ(Expand(Make({{"go n", "second"}, {"go", "first"}}), "\\go x"), "first");
}

TEST_F(AliasExpansion, EveryLineOfAMultiLineActionIsExpanded)
{
    const CAliasesDlg aliases = Make({{"nw", "n $1\r\nw $2"}, {"t", "take $*\r\n"}});
    EXPECT_EQ(Expand(aliases, "\\nw 2 3"), "n 2\r\nw 3");
    // A trailing line break stays, so the caller's CR LF sends an extra empty command.
    EXPECT_EQ(Expand(aliases, "\\t all"), "take all\r\n");
}

TEST_F(AliasStore, LoadsPairsUntilTheFirstEmptyName)
{
    store.WriteString("mud", "Alias 01", "a");
    store.WriteString("mud", "Alias Action 01", "aaa");
    store.WriteString("mud", "Alias 02", "b"); // no action: skipped, reading goes on
    store.WriteString("mud", "Alias Action 02", "");
    store.WriteString("mud", "Alias 03", "c");
    store.WriteString("mud", "Alias Action 03", "ccc");
    store.WriteString("mud", "Alias 04", "");
    store.WriteString("mud", "Alias Action 04", "");
    store.WriteString("mud", "Alias 05", "hidden");
    store.WriteString("mud", "Alias Action 05", "hidden");

    const CAliasesDlg aliases(services, "mud");
    EXPECT_EQ(aliases.AliasNames(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(aliases.AliasActions(), (std::vector<std::string>{"aaa", "ccc"}));
    EXPECT_EQ(aliases.HostName(), "mud");
}

TEST_F(AliasStore, AliasCharFallsBackToTheGlobalEntryThenBackslash)
{
    EXPECT_EQ(CAliasesDlg(services, "fresh").GetAliasChar(), '\\');

    store.WriteInt("Shortcuts", "Alias Char", '/');
    EXPECT_EQ(CAliasesDlg(services, "fresh").GetAliasChar(), '/');

    store.WriteInt("mud", "Alias Char", 0x100 + '~'); // only the low 8 bits count
    EXPECT_EQ(CAliasesDlg(services, "mud").GetAliasChar(), '~');
    store.WriteInt("mud", "Alias Char", -89);
    EXPECT_EQ(CAliasesDlg(services, "mud").GetAliasChar(), '\xa7');
}

TEST_F(AliasStore, SaveWritesSignedCharPairsAndEndMarker)
{
    CAliasesDlg five = Make({{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}});
    five.Save();
    CAliasesDlg three = Make({{"x", "n\r\ns"}, {"y", "yy"}, {"z", "zz"}}, '\xa7');
    three.Save();

    EXPECT_EQ(store.ReadInt("mud", "Alias Char", 0), -89);
    EXPECT_EQ(store.ReadString("mud", "Alias 01", "?"), "x");
    EXPECT_EQ(store.ReadString("mud", "Alias Action 01", "?"), "n\r\ns");
    EXPECT_EQ(store.ReadString("mud", "Alias 03", "?"), "z");
    EXPECT_EQ(store.ReadString("mud", "Alias 04", "?"), "");
    EXPECT_EQ(store.ReadString("mud", "Alias Action 04", "?"), "");
    EXPECT_EQ(store.ReadString("mud", "Alias 05", "?"), "5"); // left over, never read

    const CAliasesDlg loaded(services, "mud");
    EXPECT_EQ(loaded.Aliases(), three.Aliases());
    EXPECT_EQ(loaded.GetAliasChar(), '\xa7');
}

TEST_F(AliasStore, ImportsTheGlobalListUntilTheFirstSave)
{
    store.WriteString("Shortcuts", "Alias 1", "k=kill $1");
    store.WriteString("Shortcuts", "Alias 2", "=no name");
    store.WriteString("Shortcuts", "Alias 3", "no equals sign");
    store.WriteString("Shortcuts", "Alias 4", "empty=");
    store.WriteString("Shortcuts", "Alias 5", "eq=a=b");
    store.WriteString("Shortcuts", "Alias 6", "");
    store.WriteString("Shortcuts", "Alias 7", "late=never");
    const CAliasesDlg::AliasList imported = {{"k", "kill $1"}, {"eq", "a=b"}};

    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), imported);
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), imported); // again: nothing saved yet

    CAliasesDlg saved(services, "other");
    saved.SetAliases('\\', {});
    saved.Save(); // an empty list still leaves the end marker
    EXPECT_TRUE(CAliasesDlg(services, "other").Aliases().empty());

    CAliasesDlg kept(services, "mud");
    kept.Save();
    store.WriteString("Shortcuts", "Alias 1", "changed=later");
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(), imported);
}

TEST_F(AliasStore, CopyFromReplacesListAndCharAndSaves)
{
    CAliasesDlg source(services, "source");
    source.SetAliases('#', {{"s", "smile"}, {"f", "frown"}});
    source.Save();

    CAliasesDlg target = Make({{"old", "gone"}});
    target.CopyFrom("source");
    EXPECT_EQ(target.Aliases(), source.Aliases());
    EXPECT_EQ(target.GetAliasChar(), '#');
    EXPECT_EQ(target.HostName(), "mud");

    const CAliasesDlg reloaded(services, "mud");
    EXPECT_EQ(reloaded.Aliases(), source.Aliases());
    EXPECT_EQ(reloaded.GetAliasChar(), '#');
}

TEST_F(AliasStore, IncompleteEntriesAreRefusedAndNeverSaved)
{
    using AliasResources::kMsgNameHasSpace;
    using AliasResources::kMsgNameOrActionEmpty;
    EXPECT_EQ(CAliasesDlg::ValidateEntry("n", "north", true), 0);
    EXPECT_EQ(CAliasesDlg::ValidateEntry("", "north", true), kMsgNameOrActionEmpty);
    EXPECT_EQ(CAliasesDlg::ValidateEntry("n", "", true), kMsgNameOrActionEmpty);
    EXPECT_EQ(CAliasesDlg::ValidateEntry("go n", "x", true), kMsgNameHasSpace);
    EXPECT_EQ(CAliasesDlg::ValidateEntry(" n", "x", true), kMsgNameHasSpace);
    EXPECT_EQ(CAliasesDlg::ValidateEntry("n\tx", "x", true), 0);  // can be typed and matched
    EXPECT_EQ(CAliasesDlg::ValidateEntry("go n", "x", false), 0); // name fixed when modifying
    EXPECT_EQ(CAliasesDlg::ValidateEntry("go n", "", false), kMsgNameOrActionEmpty);
    EXPECT_FALSE(LoadString(kMsgNameOrActionEmpty).empty());
    EXPECT_FALSE(LoadString(kMsgNameHasSpace).empty());

    // Should such a pair reach the store anyway, the aliases after it must survive.
    CAliasesDlg aliases = Make({{"", "orphan"}, {"a", "aaa"}, {"b", ""}, {"c", "ccc"}});
    aliases.Save();
    EXPECT_EQ(CAliasesDlg(services, "mud").Aliases(),
              (CAliasesDlg::AliasList{{"a", "aaa"}, {"c", "ccc"}}));
}

} // namespace
