// The trigger store and matcher, the warning it gives and the timed-text store: what a
// host section holds and what a piece of received text sets off.
#include <gtest/gtest.h>

#include <QFile>

#include <array>
#include <cctype>
#include <cstring>
#include <random>

#include "base/ByteAutomaton.h"
#include "alerts/TimedTextDlg.h"
#include "alerts/TriggerMatcher.h"
#include "alerts/TriggersDlg.h"
#include "base/AppServices.h"
#include "common/TestServices.h"
#include "settings/SettingsStore.h"

namespace {

using Strings = std::vector<std::string>;

class Alerts : public ::testing::Test, public brumble::test::CTestServices {};

TEST(TriggerMatcher, EachPieceReportsTriggersEndingInItOnce)
{
    const struct {
        Strings triggers;
        Strings pieces;
        std::vector<bool> fired;
    } cases[] = {
        // Two triggers in one piece are one report.
        {{"DRAGON", "HELLO"}, {"A DRAGON SAYS HELLO"}, {true}},
        // Cut anywhere by the socket, a trigger still counts once, where it ends.
        {{"DRAGON"}, {"THE DRA", "GON ROARS"}, {false, true}},
        {{"DRAGON"},
         {"D", "R", "A", "G", "O", "N", "!"},
         {false, false, false, false, false, true, false}},
        // A trigger wholly inside the end of one piece is not reported again by the next.
        {{"DRAGON"}, {"A DRAGON", "", "X", "ON"}, {true, false, false, false}},
        // Overlapping and nested triggers need the fallbacks.
        {{"HE", "SHE", "HERS"}, {"US", "HE", "RS"}, {false, true, true}},
        {{"ABABC"}, {"ABAB", "ABC"}, {false, true}},
        {{"AAB"}, {"AAAA", "B"}, {false, true}},
        {{"XYZ"}, {"XY", "Q", "Z"}, {false, false, false}},
        // No triggers, or empty ones, never report.
        {{}, {"ANYTHING"}, {false}},
        {{""}, {"ANYTHING"}, {false}},
        // Bytes are bytes.
        {{std::string("\xFF\x01", 2)},
         {std::string("a\xFF", 2), std::string("\x01", 1)},
         {false, true}},
    };
    for (const auto& c : cases) {
        CTriggerMatcher matcher;
        matcher.Build(c.triggers);
        int state = CTriggerMatcher::kStart;
        std::vector<bool> fired;
        for (const std::string& piece : c.pieces)
            fired.push_back(matcher.Feed(piece, state));
        EXPECT_EQ(fired, c.fired) << c.pieces.front();
    }
}

// Against a plain search of the folded stream: a piece reports whether some trigger ends
// inside it, however the stream is cut and whichever bytes the triggers begin with.
TEST(TriggerMatcher, AgreesWithSearchingTheWholeStream)
{
    std::mt19937 random(11);
    const auto draw = [&](const char* alphabet, std::size_t maxLength) {
        std::string s(1 + random() % maxLength, ' ');
        for (char& c : s)
            c = alphabet[random() % std::strlen(alphabet)];
        return s;
    };
    std::array<unsigned char, 256> upper{};
    for (int b = 0; b < 256; ++b)
        upper[b] = static_cast<unsigned char>(std::toupper(b));
    // Every round with the 16- and the 32-byte vector pass (where the processor has it).
    for (int round = 0; round < 600; ++round) {
        CByteAutomaton::UseWideSkip(round % 2 == 0);
        // Few first letters (the vector pass) or many (the byte pass).
        const char* letters = round % 4 < 2 ? "ABab" : "ABCDEFGHIJKLabcdefghijkl";
        Strings triggers(1 + random() % 6);
        for (auto& trigger : triggers)
            trigger = draw(round % 8 < 4 ? "AB" : "ABCDEFGHIJKL", 3);
        CTriggerMatcher matcher;
        matcher.Build(triggers);
        const std::string stream = draw(letters, 200);
        std::string folded = stream;
        for (char& c : folded)
            c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
        int state = CTriggerMatcher::kStart;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t length = std::min<std::size_t>(1 + random() % 40, stream.size() - at);
            bool expected = false;
            for (const std::string& trigger : triggers) {
                for (std::size_t end = at + 1; end <= at + length && !expected; ++end)
                    expected = end >= trigger.size() &&
                               folded.compare(end - trigger.size(), trigger.size(), trigger) == 0;
            }
            ASSERT_EQ(
                matcher.Feed(std::string_view(stream).substr(at, length), state, upper.data()),
                expected)
                << "stream " << stream << " at " << at << (round % 2 == 0 ? " (wide)" : "");
            at += length;
        }
    }
    CByteAutomaton::UseWideSkip(true);
}

TEST_F(Alerts, ReceivedTextMatchesWhateverItsCaseTriggersAsStored)
{
    settings.WriteString("mud", "Trigger 01", "DRAGON");
    settings.WriteString("mud", "Trigger 02", "CAF\xC9"); // CAFÉ
    settings.WriteString("mud", "Trigger 03", "lower");   // stored, never typed: never matches
    CTriggersDlg triggers(services, "mud");
    EXPECT_TRUE(triggers.MatchesReceived("a dragon"));
    EXPECT_TRUE(triggers.MatchesReceived("le caf\xE9"));
    EXPECT_FALSE(triggers.MatchesReceived("lower"));
    EXPECT_TRUE(triggers.MatchesText("DRAGON"));
    EXPECT_FALSE(triggers.MatchesText("dragon"));

    // Added and deleted triggers count at once; delete takes the first equal, any case.
    triggers.AddTrigger("ORC");
    EXPECT_TRUE(triggers.MatchesReceived("an orc"));
    EXPECT_TRUE(triggers.DeleteTrigger("dragon"));
    EXPECT_FALSE(triggers.DeleteTrigger("dragon"));
    EXPECT_FALSE(triggers.MatchesReceived("a dragon"));
    EXPECT_EQ(triggers.Triggers(), (Strings{"CAF\xC9", "lower", "ORC"}));
}

TEST_F(Alerts, TriggerListMigratesFromTheOldGlobalListOnlyWhileTheHostHasNone)
{
    settings.WriteString("Warnings", "String1", "TELLS");
    settings.WriteString("Warnings", "String2", "PAGES");
    settings.WriteString("Warnings", "String4", "GAP");
    settings.WriteString("saved", "Trigger 01", "");

    EXPECT_EQ(CTriggersDlg(services, "saved").Triggers(), Strings{});
    CTriggersDlg fresh(services, "fresh");
    EXPECT_EQ(fresh.Triggers(), (Strings{"TELLS", "PAGES"}));
    EXPECT_EQ(settings.ReadString("fresh", "Trigger 01", "-"), "-");
    fresh.SaveTriggers();
    EXPECT_EQ(settings.ReadString("fresh", "Trigger 02", "-"), "PAGES");
    EXPECT_EQ(settings.ReadString("fresh", "Trigger 03", "-"), "");
}

TEST_F(Alerts, WarningKindIsReadAtEachUse)
{
    CTriggersDlg triggers(services, "mud");
    const struct {
        int warning; // -1: none stored
        bool sound;
        bool flash;
    } cases[] = {{-1, true, false}, {1004, true, false}, {1005, false, true},
                 {1006, true, true},  {0, false, false}};
    for (const auto& c : cases) {
        if (c.warning >= 0)
            settings.WriteInt("mud", "Warning", c.warning);
        sound.played.clear();
        EXPECT_EQ(triggers.GiveWarning(), c.flash) << c.warning;
        EXPECT_EQ(sound.played, c.sound ? Strings{"system:SystemAsterisk"} : Strings{})
            << c.warning;
    }
}

TEST_F(Alerts, WarningSoundPlaysWhatWasChosenAndNothingThatCannotBeFound)
{
    const std::string wave = dir.File("ding.wav");
    QFile file(QString::fromStdString(wave));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
    file.close();

    const struct {
        std::string name;
        int type;
        std::string played; // empty: nothing
    } cases[] = {
        {"", 0, "system:SystemAsterisk"}, // left empty by Copy From: what the dialog shows
        {"", 1, "system:SystemAsterisk"},
        {"SystemHand", 0, "system:SystemHand"},
        {"systemstart", 0, "system:systemstart"},
        {"SystemNoSuchThing", 0, ""},
        {"IDR_YUM", 1, "embedded"},
        {"idr_yum", 1, "embedded"},
        {"IDR_WEH", 1, ""},
        {wave, 2, "file:" + wave},
        {dir.File("missing.wav"), 2, ""},
        {dir.Path(), 2, ""},
        {"SystemHand", 7, ""},
    };
    CTriggersDlg triggers(services, "mud");
    for (const auto& c : cases) {
        sound.played.clear();
        triggers.SetSound({c.name, c.type});
        triggers.PlayWarningSound();
        EXPECT_EQ(sound.played, c.played.empty() ? Strings{} : Strings{c.played})
            << c.name << " " << c.type;
    }
}

TEST_F(Alerts, SoundNamesAreShownAsTheirListEntries)
{
    const std::pair<std::string, std::string> cases[] = {{"SystemAsterisk", "Asterisk"},
                                                         {"SystemExit", "Exit"},
                                                         {"IDR_YUM", "YUM!"},
                                                         {"IDR_WEH", "WEH!"},
                                                         {"IDR_TOADSTOOLS", "Mushrooms"},
                                                         {"Other", "Other"}};
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(CTriggersDlg::DisplayName(stored), shown);
}

TEST_F(Alerts, CopyFromTakesTheListAndTheWarningOfAnotherHost)
{
    settings.WriteString("src", "Trigger 01", "A");
    settings.WriteInt("src", "Warning", 1006);
    settings.WriteString("dst", "Trigger 01", "OLD1");
    settings.WriteString("dst", "Trigger 02", "OLD2");
    settings.WriteString("dst", "Sound", "SystemHand");
    settings.WriteInt("dst", "Sound Type", 1);

    CTriggersDlg triggers(services, "dst");
    triggers.CopyFrom("src");
    EXPECT_EQ(triggers.Triggers(), Strings{"A"});
    EXPECT_EQ(CTriggersDlg(services, "dst").Triggers(), Strings{"A"});
    EXPECT_EQ(settings.ReadInt("dst", "Warning", 0), 1006);
    EXPECT_EQ(settings.ReadString("dst", "Sound", "-"), "");
    EXPECT_EQ(settings.ReadInt("dst", "Sound Type", 9), 0);
}

TEST_F(Alerts, TimedTextMigratesAndTakesTheOldIntervalAsDefault)
{
    settings.WriteString("Auto Text", "Text 1", "smile");
    settings.WriteString("Auto Text", "Text 2", "wave");
    settings.WriteInt("Auto Text", "Time", 45);
    settings.WriteString("saved", "Timed Text 01", "");
    settings.WriteInt("wild", "Interval", 100000);
    settings.WriteInt("negative", "Interval", -5);

    CTimedTextDlg fresh(services, "fresh");
    EXPECT_EQ(fresh.Texts(), (Strings{"smile", "wave"}));
    EXPECT_EQ(fresh.GetInterval(), 45u);
    EXPECT_EQ(CTimedTextDlg(services, "saved").Texts(), Strings{});
    EXPECT_EQ(CTimedTextDlg(services, "wild").GetInterval(), 9999u);
    EXPECT_EQ(CTimedTextDlg(services, "negative").GetInterval(), 0u);

    fresh.SetInterval(0);
    fresh.SaveTimedText();
    EXPECT_EQ(settings.ReadString("fresh", "Timed Text 02", "-"), "wave");
    EXPECT_EQ(settings.ReadString("fresh", "Timed Text 03", "-"), "");
    EXPECT_EQ(settings.ReadInt("fresh", "Interval", 7), 0);

    CTimedTextDlg copy(services, "copy");
    copy.CopyFrom("fresh");
    EXPECT_EQ(CTimedTextDlg(services, "copy").Texts(), (Strings{"smile", "wave"}));
    EXPECT_EQ(settings.ReadInt("copy", "Interval", 7), 0);
}

TEST_F(Alerts, NextTextDrawsFromTheProgramsGeneratorOnlyWhenThereIsAChoice)
{
    CTimedTextDlg timed(services, "mud");
    EXPECT_EQ(timed.NextText(), "");
    timed.SetTexts({"only"});
    EXPECT_EQ(timed.NextText(), "only");
    EXPECT_EQ(timed.NextText(), "only");
    // The generator, never seeded, starts 41, 18467, 6334, 26500, 19169.
    timed.SetTexts({"a", "b", "c"});
    Strings drawn;
    for (int i = 0; i < 5; ++i)
        drawn.push_back(timed.NextText());
    EXPECT_EQ(drawn, (Strings{"c", "c", "b", "b", "c"}));
}

} // namespace
