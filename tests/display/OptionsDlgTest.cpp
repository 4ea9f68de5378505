#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "common/TestServices.h"
#include "display/OptionsDlg.h"
#include "settings/SettingsTransfer.h"

namespace {

using brumble::test::CTestServices;

class OptionsDlg : public ::testing::Test, public CTestServices {};

TEST_F(OptionsDlg, FieldsAreRefusedOutsideTheirLimitsWithTheLimitsNamed)
{
    const struct {
        const char* text;
        int min, max;
        bool accepted;
        std::string message;
    } cases[] = {
        {"99", 100, 5000, false, "Please enter an integer between 100 and 5000."},
        {"5001", 100, 5000, false, "Please enter an integer between 100 and 5000."},
        {"100", 100, 5000, true, ""},
        {"5000", 100, 5000, true, ""},
        {"0", 1, 1000, false, "Please enter an integer between 1 and 1000."},
        {"1001", 1, 1000, false, "Please enter an integer between 1 and 1000."},
        {"12a", 1, 1000, false, "Please enter a positive integer."},
        {"-5", 1, 1000, false, "Please enter a positive integer."},
        {"", 1, 1000, false, "Please enter a positive integer."},
        {"99999999999999", 1, 1000, false, "Please enter an integer between 1 and 1000."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int value = -1;
        std::string message;
        EXPECT_EQ(COptionsDlg::ParseField(c.text, c.min, c.max, value, message), c.accepted);
        EXPECT_EQ(message, c.message);
        if (c.accepted) {
            EXPECT_EQ(value, std::stoi(c.text));
        }
    }
}

TEST_F(OptionsDlg, ANewHostShowsTheDefaultsAndTheDisplaySectionOverridesThem)
{
    COptionsDlg fresh(settings, "new host", random, 96);
    EXPECT_EQ(fresh.m_backColour, 0xFFFFFFu);
    EXPECT_EQ(fresh.m_textColour, 0u);
    EXPECT_EQ(fresh.m_lineBuffer, 250);
    EXPECT_EQ(fresh.m_history, 50);
    EXPECT_EQ(fresh.m_font.face, "Courier");
    EXPECT_EQ(fresh.m_font.height, -13); // 10 points at 96 dots per inch
    EXPECT_FALSE(fresh.SamplePhrase().empty());

    settings.WriteInt("Display", "Lines", 400);
    settings.WriteInt("Display", "Font Style", 1);
    COptionsDlg display(settings, "new host", random, 96);
    EXPECT_EQ(display.m_lineBuffer, 400);
    EXPECT_EQ(display.m_font.italic, 1);
}

TEST_F(OptionsDlg, SaveWritesTheHostEntriesInOrderAndCopyFromCarriesThemButNotLocalEcho)
{
    COptionsDlg options(settings, "a", random, 96);
    options.m_backColour = 0x112233;
    options.m_lineBuffer = 1000;
    options.m_sendCtrl = true;
    options.m_font = {"A Face Name Longer Than Thirty-One Characters", -20, 700, 1, 0, 1};
    options.m_encoding = 2;
    options.m_ansiColour = true;
    options.m_lineEnds = 1;
    options.SaveSettings();
    std::vector<std::string> names;
    for (const auto& value : settings.Values("a"))
        names.push_back(value.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Colour", "Text Colour", "Line Buffer", "History",
                                               "Send Ctrl", "Font Face", "Font Size", "Font Weight",
                                               "Font Italic", "Font Underline", "Font Strikeout",
                                               "Encoding", "ANSI Colour", "Line Ends"}));
    settings.WriteInt("a", "Local Echo", 0);

    COptionsDlg copy(settings, "b", random, 96);
    copy.CopyFrom("a");
    COptionsDlg copied(settings, "b", random, 96);
    EXPECT_EQ(copied.m_backColour, 0x112233u);
    EXPECT_EQ(copied.m_lineBuffer, 1000);
    EXPECT_TRUE(copied.m_sendCtrl);
    EXPECT_EQ(copied.m_font.face, "A Face Name Longer Than Thirty-One Characters");
    EXPECT_EQ(copied.m_font.height, -20);
    EXPECT_EQ(std::tuple(copied.m_encoding, copied.m_ansiColour, copied.m_lineEnds),
              std::tuple(2, true, 1));
    EXPECT_EQ(settings.ReadInt("b", "Local Echo", 7), 7);

    // Exported and imported with every other setting; a value out of range reads as Auto.
    CSettingsTransfer transfer(settings, messages);
    ASSERT_TRUE(transfer.Export(dir.File("options.brx")));
    settings.DeleteSection("b");
    ASSERT_TRUE(transfer.Import(dir.File("options.brx")));
    COptionsDlg imported(settings, "b", random, 96);
    EXPECT_EQ(std::tuple(imported.m_encoding, imported.m_ansiColour, imported.m_lineEnds),
              std::tuple(2, true, 1));
    settings.WriteInt("b", "Line Ends", 3);
    EXPECT_EQ(COptionsDlg(settings, "b", random, 96).m_lineEnds, 0);
}

} // namespace
