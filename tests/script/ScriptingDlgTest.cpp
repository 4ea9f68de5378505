#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/RandomGenerator.h"
#include "common/RecordingView.h"
#include "common/TestServices.h"
#include "common/TestSupport.h"
#include "script/ScriptingDlg.h"
#include "settings/SettingsStore.h"

namespace {

using Strings = std::vector<std::string>;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ScriptingDlgTest : public testing::Test, public brumble::test::CTestServices {
protected:
    // One script per pair of condition and command list, in their stored form.
    void Scripts(const std::vector<std::pair<std::string, std::string>>& scripts)
    {
        Strings conditions, commands;
        for (const auto& [condition, list] : scripts) {
            conditions.push_back(condition);
            commands.push_back(list);
        }
        m_scripts.SetScripts(conditions, commands);
    }
    std::string Receive(const std::string& line)
    {
        std::optional<std::uint32_t> colour = 0;
        return m_scripts.RunReceiveScripts(line, &m_view, colour);
    }
    std::string Run(const std::string& commands, CSessionView* window, char event = 'C')
    {
        return m_scripts.RunCommands(commands, event, window, nullptr, nullptr);
    }
    // Writes a file in the temporary folder and returns its path.
    std::string Write(const std::string& name, const std::string& content)
    {
        std::ofstream(dir.File(name), std::ios::binary) << content;
        return dir.File(name);
    }

    brumble::test::CRecordingView m_view;
    CScriptingDlg m_scripts{services, "mud.example.org"};
};

TEST_F(ScriptingDlgTest, SendPutsInTheWordsOfTheReceivedLine)
{
    const struct {
        std::string send, line, expected;
    } cases[] = {
        {"say $1 and $*", "Bob says hi", "say Bob and Bob says hi"},
        {"[$1|$*]", "  x  ", "[x|  x  ]"},
        {"$5", "one two three", "three"}, // beyond the last word: the last
        {"$$5", "one two three", "$5"},
        {"cost $", "one", "cost $"},
        {"$1$2", "a b", "ab"},
        {"$12", "a b", "a2"},
        {"$0 $x $", "a b", "$0 $x $"},
        {"$1 $2", "$2 $$", "$2 $$"}, // inserted text is not scanned again
        // Split at spaces; white space after a space is skipped, tabs inside a word stay.
        {"<$1><$2><$3>", "\tone\ttwo   three \r", "<one\ttwo><three><three>"},
        {"[$1][$9][$*]", "   ", "[][][   ]"},
        {"[$1]", "", "[]"},
        {"$2", "caf\xE9 cr\xE8me", "cr\xE8me"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.send + " / " + c.line);
        std::optional<std::uint32_t> colour = 0;
        const std::string_view line = c.line;
        EXPECT_EQ(m_scripts.RunCommands("X" + c.send, 'R', &m_view, &line, &colour),
                  c.expected + "\r\n");
    }
}

TEST_F(ScriptingDlgTest, EventsRunTheirMatchingScriptsInListOrder)
{
    Scripts({{"R*tells you*", "Xfirst $1\nC255"},
             {"Rnothing", "Xnever"},
             {"C", "Xconnect one $1 $* $$"},
             {"R{Bob|Ann} tells you*", "Xsecond\nC65280"},
             {"T3", "Xtimer three $1"},
             {"T", "Xno number"},
             {"T03", "Xtimer three again"},
             {"T4", "Xtimer four"},
             {"C", "\n\nZzz\nxlower case\n \nXconnect two\n"}});

    // Two scripts on one line: outputs concatenated, the later colour wins.
    std::optional<std::uint32_t> colour = 0xFFFFFFFF;
    EXPECT_EQ(m_scripts.RunReceiveScripts("Bob tells you hi", &m_view, colour),
              "first Bob\r\nsecond\r\n");
    EXPECT_EQ(colour, 65280u);
    colour = 0x00123456;
    EXPECT_EQ(m_scripts.RunReceiveScripts("Eve tells you hi", &m_view, colour), "first Eve\r\n");
    EXPECT_EQ(colour, 255u);
    colour = 0x00123456;
    EXPECT_EQ(m_scripts.RunReceiveScripts("nothing to see", &m_view, colour), "");
    EXPECT_EQ(colour, 0x00123456u);

    // Connect and timer sends keep their dollar sequences; empty and unknown commands do
    // nothing; "T" without a number belongs to no timer.
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "connect one $1 $* $$\r\nconnect two\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(3, &m_view), "timer three $1\r\ntimer three again\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(4, &m_view), "timer four\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(5, &m_view), "");
    EXPECT_EQ(m_scripts.RunTimerScripts(0, &m_view), "");
    EXPECT_EQ(Run("Xa $1", nullptr), "a $1\r\n");
    EXPECT_TRUE(m_view.calls.empty());
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(ScriptingDlgTest, ColourCommandsReadSignedDecimalNumbers)
{
    const std::string_view line = "text";
    const std::pair<std::string, std::uint32_t> cases[] = {
        {"C255", 255u},
        {"C  +16711680 blue", 16711680u},
        {"C-1", 0xFFFFFFFFu},
        {"C4294967295", 0xFFFFFFFFu},
        {"Cred", 0u},
        {"C", 0u},
        {"C99999999999999999999999999", 0xFFFFFFFFu}, // saturates instead of overflowing
    };
    for (const auto& [command, expected] : cases) {
        std::optional<std::uint32_t> colour = 0x00ABCDEF;
        m_scripts.RunCommands(command, 'R', &m_view, &line, &colour);
        EXPECT_EQ(colour, expected) << command;
    }
    // Only the receive event has a line to colour.
    std::optional<std::uint32_t> colour = 7;
    m_scripts.RunCommands("C255", 'T', &m_view, &line, &colour);
    EXPECT_EQ(colour, 7u);
}

TEST_F(ScriptingDlgTest, TimerCommandsUseWindowTimersFromTen)
{
    Run("T3932163\n"           // timer 3 every 60 s
        "T65536\n"             // timer 0: nothing
        "T3\n"                 // delay 0: nothing
        "T  +131077 seconds\n" // timer 5 every 2 s
        "T-1\n"                // every bit set: timer 32767 every 32767 s
        "K3\nK0\n"
        "K32773\n" // only bits 0-14 count: timer 5
        "Kfive",
        &m_view);
    Run("T3932163\nK3", nullptr); // without a window nobody owns a timer
    EXPECT_EQ(m_view.calls, (Strings{"SetWindowTimer(13,60000)", "SetWindowTimer(15,2000)",
                                     "SetWindowTimer(32777,32767000)", "KillWindowTimer(13)",
                                     "KillWindowTimer(15)"}));

    // All three events may start timers.
    m_view.calls.clear();
    Scripts({{"C", "T3932163"}, {"T3", "K3"}, {"R*", "T131073"}});
    m_scripts.RunConnectScripts(&m_view);
    m_scripts.RunTimerScripts(3, &m_view);
    Receive("line");
    EXPECT_EQ(m_view.calls, (Strings{"SetWindowTimer(13,60000)", "KillWindowTimer(13)",
                                     "SetWindowTimer(11,2000)"}));
}

TEST_F(ScriptingDlgTest, BeepPlaysSystemSoundsTheEmbeddedWaveOrAFile)
{
    for (const char* name : {"asterisk", "EXCLAMATION", "Exit", "hAnD", "Question", "start", "yum!",
                             "/sounds/door.wav", "Beep", "SystemHand"})
        m_scripts.PlayScriptSound(name);
    // The beep command plays for every event, with or without a window.
    Run("BHand\nBYUM!", nullptr);
    EXPECT_EQ(sound.played,
              (Strings{"system:SystemAsterisk", "system:SystemExclamation", "system:SystemExit",
                       "system:SystemHand", "system:SystemQuestion", "system:SystemStart",
                       "embedded", "file:/sounds/door.wav", "file:Beep", "file:SystemHand",
                       "system:SystemHand", "embedded"}));
}

TEST_F(ScriptingDlgTest, SaveAppendsReceivedLinesWithoutATrailingLineEnd)
{
    const std::string log = dir.File("said.txt");
    Scripts({{"R*says*", "S" + log}});
    Receive("Bob says hi");
    EXPECT_EQ(ReadFile(log), "Bob says hi");
    Receive("Ann says \xE9t\xE9");
    Receive("nobody speaks");
    Run("S" + log, &m_view); // only a received line can be saved
    EXPECT_EQ(ReadFile(log), "Bob says hi\r\nAnn says \xE9t\xE9");

    // A missing folder, or a folder in place of the file: nothing created, nothing said.
    const std::string missing = dir.File("no such folder");
    Scripts({{"R*", "S" + missing + "/log.txt\nS" + dir.Path() + "\nXstill sent"}});
    EXPECT_EQ(Receive("line"), "still sent\r\n");
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ScriptingDlgTest, ReadSendsEveryLineOfAFile)
{
    const std::string file = Write("lines.txt", "one\r\ntwo\nthree");
    Scripts({{"C", "R" + file}});
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "one\r\ntwo\r\nthree\r\n");
    Write("lines.txt", "a\n\nb\n");
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "a\r\n\r\nb\r\n");
    Write("lines.txt", "");
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "");
    Write("lines.txt", std::string("x\ry\0z\xFF\n", 7)); // bytes pass unchanged
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), std::string("x\ry\0z\xFF\r\n", 8));

    // Missing files and folders are skipped without a word; read needs a window.
    EXPECT_EQ(Run("R" + dir.File("missing") + "\nR" + dir.Path() + "\nR\nXend", &m_view),
              "end\r\n");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Run("R" + file, nullptr), "");

    // At most 10,000 lines.
    std::string content;
    for (int i = 0; i < 10005; ++i)
        content += "line " + std::to_string(i) + "\n";
    std::string out = Run("R" + Write("big.txt", content), &m_view);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 10000);
    EXPECT_TRUE(out.ends_with("line 9999\r\n"));
    // At most 1 MiB: of lines of 1000 bytes 1048 fit; the 1049th is cut and left out.
    content.clear();
    for (int i = 0; i < 2000; ++i)
        content += std::string(999, static_cast<char>('a' + i % 26)) + "\n";
    out = Run("R" + Write("big.txt", content), &m_view);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1048);
    EXPECT_EQ(out.size(), 1048u * 1001u);
}

TEST_F(ScriptingDlgTest, LineSendsTheLineAtARandomOffset)
{
    // The generator's first draws are 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358,
    // so the offsets are 2705443, 415131524, 1256275308 and 752251566 modulo the file size.
    const std::string file = Write("lines.txt", "alpha\nbeta\ngamma\n"); // 17 bytes
    Scripts({{"C", "L" + file}});
    for (const char* expected : {"gamma\r\n", "beta\r\n", "beta\r\n", "alpha\r\n"}) // 12 7 9 2
        EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), expected);

    const struct {
        std::string content, expected;
    } cases[] = {
        {"one\r\ntwo\r\n", "one\r\n"}, // offset 3, a CR: the line around it, without its end
        {"one\r\ntwo\r\n", "two\r\n"}, // offset 4, a line feed: the line after it
        {"x\n", "\r\n"},               // a line feed that ends the file: an empty line
        {"\nabc\n", "\r\n"},           // offset 3: the walk back stops at the file's start
        {"ab\ncdef", "cdef\r\n"},      // offset 5: a last line without a line end, whole
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (i != 1)
            random = CRandomGenerator();
        Write("lines.txt", cases[i].content);
        EXPECT_EQ(Run("L" + file, &m_view, 'T'), cases[i].expected) << i;
    }

    // Files of one byte or none, missing files and folders give nothing and draw nothing;
    // so does a missing window.
    random = CRandomGenerator();
    Write("lines.txt", "x");
    EXPECT_EQ(Run("L" + file + "\nL" + Write("empty.txt", "") + "\nL" + dir.File("none") + "\nL" +
                      dir.Path(),
                  &m_view),
              "");
    Write("lines.txt", "alpha\nbeta\n");
    EXPECT_EQ(Run("L" + file, nullptr), "");
    EXPECT_EQ(random.Next(), 41);

    // It chooses among the lines read would send: none beyond the first 10,000 lines or the
    // first 1 MiB, and never a piece of an over-long line.
    std::string tenThousand[2];
    for (int i = 0; i < 10000; ++i) {
        tenThousand[0] += "a\n";
        tenThousand[1] += "b\n";
    }
    const std::string noLineFeeds(3u << 20, 'x');
    const struct {
        std::string content, expected;
    } bounded[] = {
        {tenThousand[0] + tenThousand[1], "a\r\n"},
        {"first\n" + noLineFeeds + "\nlast\n", "first\r\n"},
        {noLineFeeds, ""},
    };
    for (const auto& c : bounded) {
        random = CRandomGenerator();
        Write("lines.txt", c.content);
        for (int draw = 0; draw < 4; ++draw)
            EXPECT_EQ(Run("L" + file, &m_view, 'T'), c.expected) << c.content.substr(0, 8);
    }
}

TEST_F(ScriptingDlgTest, LoadAndSaveUseNumberedPairsWithAnEndMarker)
{
    const std::string host = "mud.example.org";
    // Pairs that could not be stored, and unpaired entries, are dropped at once.
    m_scripts.SetScripts({"C", "", "R*", "T1", "T2"}, {"Xa", "Xb", "", "Xd"});
    EXPECT_EQ(m_scripts.Conditions(), (Strings{"C", "T1"}));
    EXPECT_EQ(m_scripts.CommandLists(), (Strings{"Xa", "Xd"}));

    Scripts({{"C", "Xhello"}, {"R*tells you*", "Xreply $1\nC255"}, {"T3", "Xtick"}});
    m_scripts.Save();
    EXPECT_EQ(settings.ReadString(host, "Script Condition 02", "-"), "R*tells you*");
    EXPECT_EQ(settings.ReadString(host, "Script Commands 02", "-"), "Xreply $1\nC255");
    EXPECT_EQ(settings.ReadString(host, "Script Condition 04", "-"), "");
    EXPECT_EQ(settings.ReadString(host, "Script Commands 04", "-"), "");
    CScriptingDlg loaded(services, host);
    EXPECT_EQ(loaded.Conditions(), m_scripts.Conditions());
    EXPECT_EQ(loaded.CommandLists(), m_scripts.CommandLists());

    // Pairs with empty commands are skipped; the first empty condition ends the list.
    const std::pair<const char*, const char*> stored[] = {
        {"C", ""}, {"R*", "Xtwo"}, {"", ""}, {"C", "Xafter the end"}};
    for (int i = 0; i < 4; ++i) {
        const std::string n = "0" + std::to_string(i + 1);
        settings.WriteString("other", "Script Condition " + n, stored[i].first);
        settings.WriteString("other", "Script Commands " + n, stored[i].second);
    }
    CScriptingDlg other(services, "other");
    EXPECT_EQ(other.Conditions(), Strings{"R*"});
    EXPECT_EQ(other.CommandLists(), Strings{"Xtwo"});
    EXPECT_TRUE(CScriptingDlg(services, "new.host").Conditions().empty());

    // CopyFrom replaces the scripts and saves them; the end marker hides the longer tail.
    m_scripts.CopyFrom("other");
    EXPECT_EQ(m_scripts.Conditions(), Strings{"R*"});
    EXPECT_EQ(m_scripts.CommandLists(), Strings{"Xtwo"});
    EXPECT_EQ(settings.ReadString(host, "Script Condition 02", "-"), "");
    EXPECT_EQ(settings.ReadString(host, "Script Condition 03", "-"), "T3");
    EXPECT_EQ(CScriptingDlg(services, host).CommandLists(), Strings{"Xtwo"});
}

} // namespace
