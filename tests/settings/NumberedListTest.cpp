#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

namespace {

using Strings = std::vector<std::string>;

class NumberedListTest : public testing::Test {
protected:
    brumble::test::ScopedTempDir m_dir;
    CSettingsStore m_store{m_dir.File("settings.db")};
};

TEST(NumberedList, EntryNamesFollowTheFormat)
{
    const struct {
        const char* format;
        int n;
        const char* name;
    } cases[] = {{"Trigger %02d", 1, "Trigger 01"},    {"Trigger %02d", 99, "Trigger 99"},
                 {"Trigger %02d", 100, "Trigger 100"}, {"Text %d", 12, "Text 12"},
                 {"String%i", 3, "String3"},           {"100%% %02d", 5, "100% 05"}};
    for (const auto& c : cases)
        EXPECT_EQ(NumberedList::EntryName(c.format, c.n), c.name);

    // Anything snprintf could misread with one int argument gives no name at all.
    for (const char* bad :
         {"plain", "%s", "%02d %d", "%n", "%*d", "%ld", "%02d%", "%x", "%0999999999d", "%p %d"})
        EXPECT_EQ(NumberedList::EntryName(bad, 1), "") << bad;
    EXPECT_EQ(NumberedList::EntryName(std::string_view("A %d\0%s", 8), 1), "");
}

TEST_F(NumberedListTest, ShorterSaveHidesButKeepsTheOldTail)
{
    NumberedList::Save(m_store, "host", "Trigger %02d", {"a", "b", "c", "d", "e"});
    NumberedList::Save(m_store, "host", "Trigger %02d", {"x", "y", "z"});
    EXPECT_EQ(NumberedList::Load(m_store, "host", "Trigger %02d"), (Strings{"x", "y", "z"}));
    EXPECT_EQ(m_store.ReadString("host", "Trigger 04", "-"), "");
    EXPECT_EQ(m_store.ReadString("host", "Trigger 05", "-"), "e");
    EXPECT_EQ(m_store.ReadString("host", "Trigger 06", "-"), "");
    EXPECT_EQ(m_store.Values("host").size(), 6u);

    // Pairs likewise; the pair after the end of the longer list was never written.
    const NumberedList::Pairs pairs = {{"n", "north"}, {"blank", ""}, {"s", "south"}};
    NumberedList::SavePairs(m_store, "host", "Alias %02d", "Alias Action %02d",
                            {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}});
    NumberedList::SavePairs(m_store, "host", "Alias %02d", "Alias Action %02d", pairs);
    EXPECT_EQ(NumberedList::LoadPairs(m_store, "host", "Alias %02d", "Alias Action %02d"), pairs);
    EXPECT_EQ(m_store.ReadString("host", "Alias 04", "-"), "");
    EXPECT_EQ(m_store.ReadString("host", "Alias Action 04", "-"), "");
    EXPECT_EQ(m_store.ReadString("host", "Alias 05", "-"), "");
    EXPECT_EQ(m_store.ReadString("host", "Alias 06", "-"), "-");
}

TEST_F(NumberedListTest, LoadStopsAtTheFirstEmptyOrMissingEntry)
{
    m_store.WriteString("host", "Text 01", "one");
    m_store.WriteString("host", "Text 02", "two");
    m_store.WriteString("host", "Text 04", "four");
    EXPECT_EQ(NumberedList::Load(m_store, "host", "Text %02d"), (Strings{"one", "two"}));
    m_store.WriteInt("host", "Text 03", 3); // a number is not a list string either
    EXPECT_EQ(NumberedList::Load(m_store, "host", "Text %02d"), (Strings{"one", "two"}));

    // Past 99 the counter grows a digit.
    Strings many;
    for (int i = 1; i <= 120; ++i)
        many.push_back("item " + std::to_string(i));
    NumberedList::Save(m_store, "big", "Item %02d", many);
    EXPECT_EQ(m_store.ReadString("big", "Item 100", ""), "item 100");
    EXPECT_EQ(NumberedList::Load(m_store, "big", "Item %02d"), many);

    // An unusable format neither reads nor writes.
    NumberedList::Save(m_store, "bad", "Item %s", {"x"});
    EXPECT_TRUE(m_store.Values("bad").empty());
    EXPECT_TRUE(NumberedList::Load(m_store, "host", "Text %s").empty());
}

TEST_F(NumberedListTest, MigrationIsTakenOnceAndKeptAfterSave)
{
    int n = 1;
    for (const char* entry : {"hp low", "you die", "", "after the end"})
        m_store.WriteString("Warnings", "String" + std::to_string(n++), entry);
    const Strings legacy = NumberedList::LoadLegacy(m_store, "Warnings", "String%d");
    EXPECT_EQ(legacy, (Strings{"hp low", "you die"}));

    EXPECT_TRUE(NumberedList::NeedsMigration(m_store, "host", "Trigger 01"));
    NumberedList::Save(m_store, "host", "Trigger %02d", legacy);
    EXPECT_FALSE(NumberedList::NeedsMigration(m_store, "host", "Trigger 01"));
    EXPECT_EQ(NumberedList::Load(m_store, "host", "Trigger %02d"), legacy);

    // A list saved empty is an answer too: no migration, an empty list.
    NumberedList::Save(m_store, "other", "Trigger %02d", {});
    EXPECT_EQ(m_store.ReadString("other", "Trigger 01", "-"), "");
    EXPECT_FALSE(NumberedList::NeedsMigration(m_store, "other", "Trigger 01"));
    EXPECT_TRUE(NumberedList::Load(m_store, "other", "Trigger %02d").empty());
}

} // namespace
