#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "script/RandomGenerator.h"
#include "script/ScriptingDlg.h"
#include "session/AppServices.h"
#include "session/AppState.h"
#include "session/SessionView.h"
#include "settings/SettingsStore.h"

namespace {

using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::ScopedTempDir;

// The script timers are the only thing the engine asks of its window.
class CTimerRecordingView final : public CSessionView {
public:
    void AddText(int, bool) override {}
    void RemoveLines(int) override {}
    void OnConnectionChanged(bool) override {}
    void SetTimedTextTimer(int) override {}
    void CreateDisplayFont(bool) override {}
    void SetWindowTimer(int id, int periodMs) override
    {
        calls.push_back("set " + std::to_string(id) + " " + std::to_string(periodMs));
    }
    void KillWindowTimer(int id) override { calls.push_back("kill " + std::to_string(id)); }

    std::vector<std::string> calls;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

class ScriptingDlgTest : public testing::Test {
protected:
    // One script per call; the conditions and commands are in their stored form.
    CScriptingDlg& Scripts(const std::vector<std::pair<std::string, std::string>>& scripts)
    {
        std::vector<std::string> conditions;
        std::vector<std::string> commands;
        for (const auto& [condition, list] : scripts) {
            conditions.push_back(condition);
            commands.push_back(list);
        }
        m_scripts.SetScripts(conditions, commands);
        return m_scripts;
    }
    std::string Receive(const std::string& line)
    {
        std::uint32_t colour = 0xFFFFFFFF;
        return m_scripts.RunReceiveScripts(line, &m_view, colour);
    }
    // The output of one send command for a received line.
    std::string Send(const std::string& text, const std::string& line)
    {
        std::uint32_t colour = 0;
        return m_scripts.RunCommands("X" + text, 'R', &m_view, &line, &colour);
    }

    ScopedTempDir m_dir;
    CSettingsStore m_store{m_dir.File("settings.db")};
    CRecordingMessageSink m_messages;
    CRecordingSoundPlayer m_sound;
    CRandomGenerator m_random;
    CAppState m_app;
    CAppServices m_services{m_store, m_messages, m_sound, m_random, m_app};
    CTimerRecordingView m_view;
    CScriptingDlg m_scripts{m_services, "mud.example.org"};
};

TEST_F(ScriptingDlgTest, SendPutsInTheWordsOfTheReceivedLine)
{
    EXPECT_EQ(Send("say $1 and $*", "Bob says hi"), "say Bob and Bob says hi\r\n");
    EXPECT_EQ(Send("[$1|$*]", "  x  "), "[x|  x  ]\r\n");
    EXPECT_EQ(Send("$5", "one two three"), "three\r\n");
    EXPECT_EQ(Send("$$5", "one two three"), "$5\r\n");
    EXPECT_EQ(Send("cost $", "one"), "cost $\r\n");
    EXPECT_EQ(Send("$1$2", "a b"), "ab\r\n");
    EXPECT_EQ(Send("$12", "a b"), "a2\r\n");
    EXPECT_EQ(Send("$0 $x $", "a b"), "$0 $x $\r\n");
    // Inserted text is not scanned again.
    EXPECT_EQ(Send("$1 $2", "$2 $$"), "$2 $$\r\n");
    // Words are split at spaces; the white space after a space is skipped, tabs inside a
    // word stay.
    EXPECT_EQ(Send("<$1><$2><$3>", "\tone\ttwo   three \r"), "<one\ttwo><three><three>\r\n");
    // A line without words gives nothing for $1..$9, and $* gives the line as it is.
    EXPECT_EQ(Send("[$1][$9][$*]", "   "), "[][][   ]\r\n");
    EXPECT_EQ(Send("[$1]", ""), "[]\r\n");
    // High bytes are words like any other.
    EXPECT_EQ(Send("$2", "caf\xE9 cr\xE8me"), "cr\xE8me\r\n");
}

TEST_F(ScriptingDlgTest, ConnectAndTimerSendsKeepTheirDollarSequences)
{
    Scripts({{"C", "Xsay $1 $* $$"}, {"T3", "Xtick $1"}, {"R*", "Xnot run"}});
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "say $1 $* $$\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(3, &m_view), "tick $1\r\n");
    EXPECT_EQ(m_scripts.RunCommands("Xa $1", 'C', nullptr, nullptr, nullptr), "a $1\r\n");
}

TEST_F(ScriptingDlgTest, EventsRunTheirMatchingScriptsInListOrder)
{
    Scripts({{"R*tells you*", "Xfirst $1\nC255"},
             {"Rnothing", "Xnever"},
             {"C", "Xconnect one"},
             {"R{Bob|Ann} tells you*", "Xsecond\nC65280"},
             {"T3", "Xtimer three"},
             {"T", "Xno number"},
             {"T03", "Xtimer three again"},
             {"T4", "Xtimer four"},
             {"C", "Xconnect two"}});

    std::uint32_t colour = 0xFFFFFFFF;
    EXPECT_EQ(m_scripts.RunReceiveScripts("Bob tells you hi", &m_view, colour),
              "first Bob\r\nsecond\r\n");
    EXPECT_EQ(colour, 65280u); // the later script's colour wins

    colour = 0x00123456;
    EXPECT_EQ(m_scripts.RunReceiveScripts("Eve tells you hi", &m_view, colour), "first Eve\r\n");
    EXPECT_EQ(colour, 255u);

    colour = 0x00123456;
    EXPECT_EQ(m_scripts.RunReceiveScripts("nothing to see", &m_view, colour), "");
    EXPECT_EQ(colour, 0x00123456u); // untouched when no script recolours

    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "connect one\r\nconnect two\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(3, &m_view), "timer three\r\ntimer three again\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(4, &m_view), "timer four\r\n");
    EXPECT_EQ(m_scripts.RunTimerScripts(5, &m_view), "");
    // "T" without a number belongs to no timer.
    EXPECT_EQ(m_scripts.RunTimerScripts(0, &m_view), "");
}

TEST_F(ScriptingDlgTest, EmptyAndUnknownCommandsDoNothing)
{
    Scripts({{"C", "\n\nZzz\nxlower case\n \nXok\n"}});
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "ok\r\n");
    EXPECT_TRUE(m_view.calls.empty());
    EXPECT_TRUE(m_sound.played.empty());
}

TEST_F(ScriptingDlgTest, ColourCommandsReadSignedDecimalNumbers)
{
    const std::string line = "text";
    auto colourAfter = [&](const std::string& command) {
        std::uint32_t colour = 0x00ABCDEF;
        m_scripts.RunCommands(command, 'R', &m_view, &line, &colour);
        return colour;
    };
    EXPECT_EQ(colourAfter("C255"), 255u);
    EXPECT_EQ(colourAfter("C  +16711680 blue"), 16711680u);
    EXPECT_EQ(colourAfter("C-1"), 0xFFFFFFFFu);
    EXPECT_EQ(colourAfter("C4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(colourAfter("Cred"), 0u);
    EXPECT_EQ(colourAfter("C"), 0u);
    // Far too many digits saturate instead of overflowing.
    EXPECT_EQ(colourAfter("C99999999999999999999999999"), 0xFFFFFFFFu);

    // Only the receive event has a line to colour.
    std::uint32_t colour = 7;
    m_scripts.RunCommands("C255", 'T', &m_view, &line, &colour);
    EXPECT_EQ(colour, 7u);
}

TEST_F(ScriptingDlgTest, TimerCommandsUseWindowTimersFromTen)
{
    const std::string commands = "T3932163\n"           // timer 3 every 60 s
                                 "T65536\n"             // timer 0: nothing
                                 "T3\n"                 // delay 0: nothing
                                 "T  +131077 seconds\n" // timer 5 every 2 s
                                 "T-1\n"                // every bit set: timer 32767 every 32767 s
                                 "K3\n"
                                 "K0\n"
                                 "K32773\n" // only bits 0-14 count: timer 5
                                 "Kfive";
    m_scripts.RunCommands(commands, 'C', &m_view, nullptr, nullptr);
    EXPECT_EQ(m_view.calls, (std::vector<std::string>{"set 13 60000", "set 15 2000",
                                                      "set 32777 32767000", "kill 13", "kill 15"}));

    // Without a window there is nobody to own a timer.
    m_scripts.RunCommands("T3932163\nK3", 'C', nullptr, nullptr, nullptr);
    EXPECT_EQ(m_view.calls.size(), 5u);

    // All three events may start timers.
    m_view.calls.clear();
    Scripts({{"C", "T3932163"}, {"T3", "K3"}, {"R*", "T131073"}});
    m_scripts.RunConnectScripts(&m_view);
    m_scripts.RunTimerScripts(3, &m_view);
    Receive("line");
    EXPECT_EQ(m_view.calls, (std::vector<std::string>{"set 13 60000", "kill 13", "set 11 2000"}));
}

TEST_F(ScriptingDlgTest, BeepPlaysSystemSoundsTheEmbeddedWaveOrAFile)
{
    for (const char* name : {"asterisk", "EXCLAMATION", "Exit", "hAnD", "Question", "start"})
        m_scripts.PlayScriptSound(name);
    m_scripts.PlayScriptSound("yum!");
    m_scripts.PlayScriptSound("/sounds/door.wav");
    m_scripts.PlayScriptSound("Beep");
    m_scripts.PlayScriptSound("SystemHand");
    EXPECT_EQ(m_sound.played,
              (std::vector<std::string>{"system:SystemAsterisk", "system:SystemExclamation",
                                        "system:SystemExit", "system:SystemHand",
                                        "system:SystemQuestion", "system:SystemStart", "embedded",
                                        "file:/sounds/door.wav", "file:Beep", "file:SystemHand"}));

    // The beep command plays for every event, with or without a window.
    m_sound.played.clear();
    m_scripts.RunCommands("BHand\nBYUM!", 'C', nullptr, nullptr, nullptr);
    EXPECT_EQ(m_sound.played, (std::vector<std::string>{"system:SystemHand", "embedded"}));
}

TEST_F(ScriptingDlgTest, SaveAppendsReceivedLinesWithoutATrailingLineEnd)
{
    const std::string log = m_dir.File("said.txt");
    Scripts({{"R*says*", "S" + log}});
    Receive("Bob says hi");
    EXPECT_EQ(ReadFile(log), "Bob says hi");
    Receive("Ann says \xE9t\xE9");
    EXPECT_EQ(ReadFile(log), "Bob says hi\r\nAnn says \xE9t\xE9");
    Receive("nobody speaks");
    EXPECT_EQ(ReadFile(log), "Bob says hi\r\nAnn says \xE9t\xE9");

    // Only a received line can be saved.
    m_scripts.RunCommands("S" + log, 'C', &m_view, nullptr, nullptr);
    EXPECT_EQ(ReadFile(log), "Bob says hi\r\nAnn says \xE9t\xE9");

    // A folder that does not exist: nothing is created, nothing is lost, nothing is said.
    const std::string missing = m_dir.File("no such folder") + "/log.txt";
    Scripts({{"R*", "S" + missing + "\nXstill sent"}});
    EXPECT_EQ(Receive("line"), "still sent\r\n");
    EXPECT_FALSE(QDir(QString::fromStdString(m_dir.File("no such folder"))).exists());
    EXPECT_TRUE(m_messages.shown.empty());

    // A folder in place of the file is skipped too.
    Scripts({{"R*", "S" + m_dir.Path()}});
    EXPECT_EQ(Receive("line"), "");
}

TEST_F(ScriptingDlgTest, ReadSendsEveryLineOfAFile)
{
    const std::string file = m_dir.File("lines.txt");
    WriteFile(file, "one\r\ntwo\nthree");
    Scripts({{"C", "R" + file}});
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "one\r\ntwo\r\nthree\r\n");

    WriteFile(file, "a\n\nb\n");
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "a\r\n\r\nb\r\n");
    WriteFile(file, "");
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "");
    // Bytes pass unchanged, a lone CR included.
    WriteFile(file, std::string("x\ry\0z\xFF\n", 7));
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), std::string("x\ry\0z\xFF\r\n", 8));

    // Missing files and folders are skipped without a word.
    Scripts({{"C", "R" + m_dir.File("missing.txt") + "\nR" + m_dir.Path() + "\nR\nXend"}});
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "end\r\n");
    EXPECT_TRUE(m_messages.shown.empty());

    // Read needs a window, like line.
    EXPECT_EQ(m_scripts.RunCommands("R" + file, 'C', nullptr, nullptr, nullptr), "");
}

TEST_F(ScriptingDlgTest, ReadStopsAtTenThousandLinesOrOneMebibyte)
{
    const std::string file = m_dir.File("big.txt");
    std::string content;
    for (int i = 0; i < 10005; ++i)
        content += "line " + std::to_string(i) + "\n";
    WriteFile(file, content);
    std::string out = m_scripts.RunCommands("R" + file, 'C', &m_view, nullptr, nullptr);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 10000);
    EXPECT_TRUE(out.ends_with("line 9999\r\n"));

    // Lines of 1000 bytes: 1048 fit in the first MiB; the 1049th is cut and left out.
    content.clear();
    for (int i = 0; i < 2000; ++i)
        content += std::string(999, static_cast<char>('a' + i % 26)) + "\n";
    WriteFile(file, content);
    out = m_scripts.RunCommands("R" + file, 'C', &m_view, nullptr, nullptr);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1048);
    EXPECT_EQ(out.size(), 1048u * 1001u);
}

TEST_F(ScriptingDlgTest, LineSendsTheLineAtARandomOffset)
{
    // The generator's first draws are 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358,
    // so the offsets are 2705443, 415131524, 1256275308 and 752251566 modulo the file size.
    const std::string file = m_dir.File("lines.txt");
    WriteFile(file, "alpha\nbeta\ngamma\n"); // 17 bytes
    Scripts({{"C", "L" + file}});
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "gamma\r\n"); // offset 12
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "beta\r\n");  // offset 7
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "beta\r\n");  // offset 9
    EXPECT_EQ(m_scripts.RunConnectScripts(&m_view), "alpha\r\n"); // offset 2
}

TEST_F(ScriptingDlgTest, LineHandlesLineFeedsFileEdgesAndSmallFiles)
{
    const std::string file = m_dir.File("lines.txt");
    // Offset 3 lands on a CR: the line around it is taken, without its line end.
    WriteFile(file, "one\r\ntwo\r\n");
    EXPECT_EQ(m_scripts.RunCommands("L" + file, 'T', &m_view, nullptr, nullptr), "one\r\n");
    // Offset 4 lands on a line feed: the line after it.
    EXPECT_EQ(m_scripts.RunCommands("L" + file, 'T', &m_view, nullptr, nullptr), "two\r\n");

    // A line feed that ends the file gives an empty line (offset 2705443 % 2 = 1).
    m_random = CRandomGenerator();
    WriteFile(file, "x\n");
    EXPECT_EQ(m_scripts.RunCommands("L" + file, 'C', &m_view, nullptr, nullptr), "\r\n");

    // The walk back stops at the start of the file without looking at its first byte.
    m_random = CRandomGenerator();
    WriteFile(file, "\nabc\n"); // offset 3
    EXPECT_EQ(m_scripts.RunCommands("L" + file, 'C', &m_view, nullptr, nullptr), "\r\n");

    // A last line without a line end is taken whole (offset 2705443 % 7 = 5).
    m_random = CRandomGenerator();
    WriteFile(file, "ab\ncdef");
    EXPECT_EQ(m_scripts.RunCommands("L" + file, 'C', &m_view, nullptr, nullptr), "cdef\r\n");

    // Files of one byte or none, missing files and folders give nothing and draw nothing.
    m_random = CRandomGenerator();
    WriteFile(file, "x");
    const std::string tiny = m_dir.File("empty.txt");
    WriteFile(tiny, "");
    EXPECT_EQ(m_scripts.RunCommands("L" + file + "\nL" + tiny + "\nL" + m_dir.File("none") + "\nL" +
                                        m_dir.Path(),
                                    'C', &m_view, nullptr, nullptr),
              "");
    EXPECT_EQ(m_random.Next(), 41);
    // Without a window nothing is drawn either.
    WriteFile(file, "alpha\nbeta\n");
    EXPECT_EQ(m_scripts.RunCommands("L" + file, 'C', nullptr, nullptr, nullptr), "");
    EXPECT_EQ(m_random.Next(), 18467);
}

TEST_F(ScriptingDlgTest, LoadAndSaveUseNumberedPairsWithAnEndMarker)
{
    const std::string host = "mud.example.org";
    Scripts({{"C", "Xhello"}, {"R*tells you*", "Xreply $1\nC255"}, {"T3", "Xtick"}});
    m_scripts.Save();
    EXPECT_EQ(m_store.ReadString(host, "Script Condition 02", "-"), "R*tells you*");
    EXPECT_EQ(m_store.ReadString(host, "Script Commands 02", "-"), "Xreply $1\nC255");
    EXPECT_EQ(m_store.ReadString(host, "Script Condition 04", "-"), "");
    EXPECT_EQ(m_store.ReadString(host, "Script Commands 04", "-"), "");

    CScriptingDlg loaded(m_services, host);
    EXPECT_EQ(loaded.HostName(), host);
    EXPECT_EQ(loaded.Conditions(), m_scripts.Conditions());
    EXPECT_EQ(loaded.CommandLists(), m_scripts.CommandLists());

    // A shorter list over a longer one: the end marker hides what is left.
    Scripts({{"C", "Xonly"}});
    m_scripts.Save();
    EXPECT_EQ(m_store.ReadString(host, "Script Condition 03", "-"), "T3");
    EXPECT_EQ(CScriptingDlg(m_services, host).Conditions(), std::vector<std::string>{"C"});

    // Pairs with empty commands are skipped; the first empty condition ends the list.
    m_store.WriteString("other", "Script Condition 01", "C");
    m_store.WriteString("other", "Script Commands 01", "");
    m_store.WriteString("other", "Script Condition 02", "R*");
    m_store.WriteString("other", "Script Commands 02", "Xtwo");
    m_store.WriteString("other", "Script Condition 03", "");
    m_store.WriteString("other", "Script Condition 04", "C");
    m_store.WriteString("other", "Script Commands 04", "Xafter the end");
    CScriptingDlg other(m_services, "other");
    EXPECT_EQ(other.Conditions(), std::vector<std::string>{"R*"});
    EXPECT_EQ(other.CommandLists(), std::vector<std::string>{"Xtwo"});

    // A new host has no scripts.
    EXPECT_TRUE(CScriptingDlg(m_services, "new.host").Conditions().empty());
}

TEST_F(ScriptingDlgTest, CopyFromReplacesTheScriptsAndSavesThem)
{
    m_store.WriteString("source", "Script Condition 01", "T7");
    m_store.WriteString("source", "Script Commands 01", "Xseven");
    Scripts({{"C", "Xmine"}, {"R*", "Xmine too"}});
    m_scripts.Save();

    m_scripts.CopyFrom("source");
    EXPECT_EQ(m_scripts.Conditions(), std::vector<std::string>{"T7"});
    EXPECT_EQ(m_scripts.CommandLists(), std::vector<std::string>{"Xseven"});
    CScriptingDlg reloaded(m_services, "mud.example.org");
    EXPECT_EQ(reloaded.Conditions(), std::vector<std::string>{"T7"});
    EXPECT_EQ(m_store.ReadString("mud.example.org", "Script Condition 02", "-"), "");
}

TEST_F(ScriptingDlgTest, SetScriptsKeepsOnlyStorablePairs)
{
    m_scripts.SetScripts({"C", "", "R*", "T1", "T2"}, {"Xa", "Xb", "", "Xd"});
    EXPECT_EQ(m_scripts.Conditions(), (std::vector<std::string>{"C", "T1"}));
    EXPECT_EQ(m_scripts.CommandLists(), (std::vector<std::string>{"Xa", "Xd"}));
}

} // namespace
