// Tools > Copy From... as the session does it: every feature of another host replaces this
// window's, in its own objects and in the host section; Cancel copies nothing.
#include <gtest/gtest.h>

#include <optional>

#include "alerts/TriggersDlg.h"
#include "common/ScriptedServer.h"
#include "common/TestServices.h"
#include "session/BrumbleDoc.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasesDlg.h"

using namespace brumble::test;

namespace {

const std::string kHost = "127.0.0.1";
const std::string kSource = "other.example";

// One entry of each feature (and of the display options), as the source host holds it.
struct Entry {
    const char* name;
    const char* text; // null for a number
    int number;
};
const Entry kSourceEntries[] = {
    {"Colour", nullptr, 0x123456},      {"AutoLogMethod", nullptr, 2},
    {"Hilight Text 01", "hp:", 0},      {"Hilight Colour 01", nullptr, 255},
    {"Trigger 01", "dragon", 0},        {"Timed Text 01", "smile", 0},
    {"Interval", nullptr, 90},          {"Shortcut Key 01", nullptr, 112},
    {"Shortcut String 01", "look", 0},  {"Keypad Key 01", "north", 0},
    {"Script Condition 01", "C", 0},    {"Script Commands 01", "Shello", 0},
    {"AtImage Trigger", "picture:", 0},
};

class CopySettingsTest : public ::testing::Test, public CTestServices {
protected:
    void SetUp() override
    {
        NumberedList::Pairs five;
        for (int i = 1; i <= 5; ++i)
            five.emplace_back("own" + std::to_string(i), "say " + std::to_string(i));
        NumberedList::SavePairs(settings, kHost, "Alias %02d", "Alias Action %02d", five);
        settings.WriteString(kHost, "Trigger 01", "old");
        NumberedList::SavePairs(settings, kSource, "Alias %02d", "Alias Action %02d",
                                {{"n", "north"}, {"s", "south"}});
        for (const Entry& entry : kSourceEntries) {
            if (entry.text)
                settings.WriteString(kSource, entry.name, entry.text);
            else
                settings.WriteInt(kSource, entry.name, entry.number);
        }
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_EQ(doc.Aliases()->AliasNames().size(), 5u);
    }

    CScriptedServer server;
    CBrumbleDoc doc{services};
};

TEST_F(CopySettingsTest, CancelCopiesNothing)
{
    std::string offeredFor;
    EXPECT_FALSE(doc.CopySettingsFrom(
        [&](const std::string& host) {
            offeredFor = host;
            return std::optional<std::string>();
        },
        96));
    EXPECT_EQ(offeredFor, kHost);
    EXPECT_EQ(doc.Aliases()->AliasNames().size(), 5u);
    EXPECT_EQ(NumberedList::LoadPairs(settings, kHost, "Alias %02d", "Alias Action %02d").size(),
              5u);
    EXPECT_EQ(settings.ReadString(kHost, "Trigger 01", ""), "old");
}

TEST_F(CopySettingsTest, EveryFeatureOfTheChosenHostReplacesTheWindowsOwn)
{
    ASSERT_TRUE(doc.CopySettingsFrom([](const std::string&) { return kSource; }, 96));

    const NumberedList::Pairs expected = {{"n", "north"}, {"s", "south"}};
    EXPECT_EQ(doc.Aliases()->Aliases(), expected);
    EXPECT_EQ(NumberedList::LoadPairs(settings, kHost, "Alias %02d", "Alias Action %02d"),
              expected);
    EXPECT_EQ(doc.Triggers()->Triggers(), std::vector<std::string>{"dragon"});
    for (const Entry& entry : kSourceEntries) {
        if (entry.text)
            EXPECT_EQ(settings.ReadString(kHost, entry.name, "<none>"), entry.text) << entry.name;
        else
            EXPECT_EQ(settings.ReadInt(kHost, entry.name, -1), entry.number) << entry.name;
    }
}

} // namespace
