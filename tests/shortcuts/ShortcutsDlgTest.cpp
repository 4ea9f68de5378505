// The function-key and keypad stores: what a key finds, and what the host section holds.
#include <gtest/gtest.h>

#include "common/TestServices.h"
#include "settings/SettingsStore.h"
#include "shortcuts/KeypadDlg.h"
#include "shortcuts/ShortcutsDlg.h"

namespace {

class Shortcuts : public ::testing::Test, public brumble::test::CTestServices {};

TEST_F(Shortcuts, LookupIsExactAndNamesFollowTheModifier)
{
    CShortcutsDlg keys(services, "mud");
    keys.SetShortcuts({{628, "ctrl five"}, {1000, "odd code"}, {628, "second"}});
    std::string text = "untouched";
    EXPECT_FALSE(keys.FindShortcut(116, text)); // F5 alone has nothing
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(keys.FindShortcut(628, text));
    EXPECT_EQ(text, "ctrl five");
    EXPECT_TRUE(keys.FindShortcut(1000, text)); // kept and found, whatever its low byte
    EXPECT_EQ(text, "odd code");

    for (const auto& [code, name] :
         {std::pair(112u, "F1"), std::pair(373u, "Shift+F6"), std::pair(628u, "Ctrl+F5"),
          std::pair(891u, "Alt+F12"), std::pair(1136u, "F1")})
        EXPECT_EQ(CShortcutsDlg::KeyName(code), name);
    EXPECT_EQ(CShortcutsDlg::MakeKeyCode(5, CShortcutsDlg::kCtrl), 628u);
    EXPECT_EQ(CShortcutsDlg::MakeKeyCode(1, CShortcutsDlg::kShift), 368u);
}

TEST_F(Shortcuts, StoreSavesAnEndMarkerAndImportsTheOldListOnce)
{
    // The old global list: "code,text"; an empty text is kept, no comma or code 0 is not.
    settings.WriteString("Shortcuts", "FnKey 1", "116,look");
    settings.WriteString("Shortcuts", "FnKey 2", "117,");
    settings.WriteString("Shortcuts", "FnKey 3", "118 no comma");
    settings.WriteString("Shortcuts", "FnKey 4", "0,zero");
    settings.WriteString("Shortcuts", "FnKey 5", ",nothing");
    CShortcutsDlg imported(services, "mud");
    EXPECT_EQ(imported.Shortcuts(), (CShortcutsDlg::ShortcutList{{116, "look"}, {117, ""}}));

    // Saving over a longer list leaves its tail, which the end marker hides.
    imported.SetShortcuts({{112, "a"}, {113, "b"}, {114, "c"}});
    imported.Save();
    imported.SetShortcuts({{880, "n\r\nw"}});
    imported.Save();
    EXPECT_EQ(settings.ReadInt("mud", "Shortcut Key 02", -1), 0);
    EXPECT_EQ(settings.ReadString("mud", "Shortcut String 03", ""), "c");
    EXPECT_EQ(CShortcutsDlg(services, "mud").Shortcuts(),
              (CShortcutsDlg::ShortcutList{{880, "n\r\nw"}}));

    // A pair with key 0 is skipped; copying replaces everything and saves.
    settings.WriteInt("other", "Shortcut Key 01", 0);
    settings.WriteString("other", "Shortcut String 01", "skipped");
    settings.WriteInt("other", "Shortcut Key 02", 640);
    settings.WriteString("other", "Shortcut String 02", "kept");
    CShortcutsDlg copy(services, "mud");
    copy.CopyFrom("other");
    EXPECT_EQ(CShortcutsDlg(services, "mud").Shortcuts(),
              (CShortcutsDlg::ShortcutList{{640, "kept"}}));
}

TEST_F(Shortcuts, KeypadIgnoresTheModifierAndKeepsFifteenTexts)
{
    settings.WriteString("mud", "Keypad Key 05", "north");
    settings.WriteString("mud", "Keypad Key 01", "divide");
    settings.WriteString("mud", "Keypad Key 15", "point");
    CKeypadDlg keypad(services, "mud");
    ASSERT_EQ(keypad.KeyCommands().size(), 15u);
    const struct {
        std::uint32_t code;
        const char* text; // "" = not handled
    } cases[] = {{104, "north"},
                 {104 + 256, "north"},
                 {104 + 512, "north"},
                 {104 + 768, "north"},
                 {111, "divide"},
                 {110, "point"},
                 {101, ""},
                 {108, ""},
                 {112, ""}};
    for (const auto& c : cases) {
        std::string text = "stale";
        EXPECT_EQ(keypad.FindKeypadCommands(c.code, text), *c.text != '\0') << c.code;
        EXPECT_EQ(text, c.text) << c.code;
    }

    // Clearing a key and saving makes it a normal key again after a reload.
    std::vector<std::string> commands = keypad.KeyCommands();
    commands[4].clear();
    commands[8] = "look";
    keypad.SetKeyCommands(commands);
    keypad.Save();
    CKeypadDlg reloaded(services, "mud");
    std::string text;
    EXPECT_FALSE(reloaded.FindKeypadCommands(104, text));
    EXPECT_TRUE(reloaded.FindKeypadCommands(101, text));
    EXPECT_EQ(settings.ReadString("mud", "Keypad Key 05", "-"), "");

    CKeypadDlg other(services, "other");
    other.CopyFrom("mud");
    EXPECT_EQ(CKeypadDlg(services, "other").KeyCommands(), reloaded.KeyCommands());
}

} // namespace
