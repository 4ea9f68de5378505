// The Options dialog driven offscreen: OK refuses out-of-range or non-numeric fields and
// keeps the dialog open, then saves what was chosen; Cancel writes nothing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/TestServices.h"
#include "display/OptionsDlg.h"
#include "display/ui/OptionsDialog.h"

using namespace brumble::test;

class OptionsDialogTest : public ::testing::Test, public CTestServices {};

TEST_F(OptionsDialogTest, OkChecksEachFieldThenSavesAndCancelWritesNothing)
{
    const std::string host = "mud.example.org";
    COptionsDlg options(settings, host, random, 96);
    COptionsDialog dialog(options, messages);
    dialog.chooseColour = [](std::uint32_t) { return std::optional<std::uint32_t>(0x123456); };
    dialog.show();
    // The text options start at their defaults and are saved with the rest.
    EXPECT_EQ(dialog.EncodingBox()->currentText(), QStringLiteral("Auto"));
    EXPECT_EQ(dialog.LineEndsBox()->count(), 3);
    EXPECT_FALSE(dialog.AnsiColourBox()->isChecked());
    EXPECT_EQ(dialog.AnsiColourBox()->text(), QStringLiteral("Show ANSI colours"));
    dialog.EncodingBox()->setCurrentIndex(1);
    dialog.AnsiColourBox()->setChecked(true);
    dialog.LineEndsBox()->setCurrentIndex(2);

    const struct {
        const char* lines;
        const char* history;
        const char* message; // empty: accepted
    } cases[] = {
        {"99", "50", "Please enter an integer between 100 and 5000."},
        {"5001", "50", "Please enter an integer between 100 and 5000."},
        {"200", "0", "Please enter an integer between 1 and 1000."},
        {"200", "1001", "Please enter an integer between 1 and 1000."},
        {"12a", "50", "Please enter a positive integer."},
        {"200", "40", ""},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        dialog.LinesField()->setText(QString::fromLatin1(c.lines));
        dialog.HistoryField()->setText(QString::fromLatin1(c.history));
        dialog.accept();
        if (*c.message) {
            ASSERT_EQ(messages.shown.size(), 1u) << c.lines << " " << c.history;
            EXPECT_EQ(messages.shown[0].text, c.message);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(settings.ReadInt(host, "Line Buffer", -1), -1); // nothing written yet
        } else {
            EXPECT_TRUE(messages.shown.empty());
        }
    }
    EXPECT_EQ(settings.ReadInt(host, "Line Buffer", -1), 200);
    EXPECT_EQ(settings.ReadInt(host, "History", -1), 40);
    EXPECT_EQ(settings.ReadInt(host, "Encoding", -1), 1);
    EXPECT_EQ(settings.ReadInt(host, "ANSI Colour", -1), 1);
    EXPECT_EQ(settings.ReadInt(host, "Line Ends", -1), 2);

    // A colour chosen and then cancelled leaves the stored colour as it was.
    COptionsDlg again(settings, host, random, 96);
    COptionsDialog cancelled(again, messages);
    cancelled.chooseColour = [](std::uint32_t) { return std::optional<std::uint32_t>(0xABCDEF); };
    cancelled.findChildren<QPushButton*>().front()->click(); // "&Back Colour"
    cancelled.reject();
    EXPECT_NE(static_cast<std::uint32_t>(settings.ReadInt(host, "Colour", 0)), 0xABCDEFu);
}
