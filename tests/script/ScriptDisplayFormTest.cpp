// The readable form of scripts that the editor shows, and the way the editor's rows go back
// into the store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestServices.h"
#include "script/ScriptingDlg.h"
#include "settings/SettingsStore.h"

namespace {

using Strings = std::vector<std::string>;

std::string ToDisplay(const std::string& stored, bool commands)
{
    return CScriptingDlg::StoredToDisplay(stored, commands);
}
std::string ToStored(const std::string& display, bool commands)
{
    return CScriptingDlg::DisplayToStored(display, commands);
}

TEST(ScriptDisplayForm, EveryFormRoundTrips)
{
    const struct {
        bool commands;
        std::string stored, display;
    } cases[] = {
        {false, "C", "onConnect ( )"},
        {false, "T3", "onTimer (3)"},
        {false, "T", "onTimer ( )"},
        {false, "T196611", "onTimer (196611)"},
        {false, "R*tells you*", "onReceive (*tells you*)"},
        {false, "R(hi) {a|b} *)", "onReceive ((hi) {a|b} *))"},
        {false, "R  padded  ", "onReceive (  padded  )"},
        {true, "BYUM!", "beep (YUM!)"},
        {true, "C255", "colour (#0000FF)"},
        {true, "C-1", "colour (#FFFFFFFF)"},
        {true, "C16777215", "colour (#FFFFFF)"},
        {true, "Xsay $1 (and) $*", "send (say $1 (and) $*)"},
        {true, "T3932163", "setTimer (3, 60)"},
        {true, "T196611", "setTimer (3, 3)"},
        {true, "K7", "killTimer (7)"},
        {true, "L/tmp/lines.txt", "line (/tmp/lines.txt)"},
        {true, "Rin.txt", "read (in.txt)"},
        {true, "Sout file.txt", "save (out file.txt)"},
        {true, "Xa\nC65280\nK2", "send (a)\ncolour (#00FF00)\nkillTimer (2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(ToDisplay(c.stored, c.commands), c.display);
        EXPECT_EQ(ToStored(c.display, c.commands), c.stored);
    }
}

TEST(ScriptDisplayForm, UnreadableFormsGiveNothing)
{
    const struct {
        bool commands;
        std::string from, display, stored; // stored form → display, display → stored
    } cases[] = {
        {false, "Q", "", ""},
        {false, "R", "", ""},
        {false, "T0", "onTimer ( )", "T"},
        {true, "X\nB\nK0\nK-3\nT3\nT65536\nZz\n\nXok", "send (ok)", "Xok"},
        {true, "Xa)", "send (a))", "Xa)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        EXPECT_EQ(ToDisplay(c.from, c.commands), c.display);
        EXPECT_EQ(ToStored(c.display, c.commands), c.stored);
    }
    // Display lines that cannot be read, and the details of what can.
    const struct {
        bool commands;
        std::string display, stored;
    } lines[] = {
        {false, "onreceive (x)", ""}, // names are case-sensitive
        {false, "onReceive x", ""},   // parentheses needed
        {false, "onReceive ()", ""},  // no pattern
        {false, "onTimer (0)", "T"},
        {false, "onConnect   ( )  ", "C"},
        {true, "colour (#0000ff)", "C255"},   // lower case reads the same
        {true, "colour (#0g0)", "C0"},        // other characters count as 0
        {true, "colour (#1FFFFFFFF)", "C-1"}, // an unsigned 32-bit value
        {true, "colour (0000FF)", ""},
        {true, "setTimer (0, 5)", ""},
        {true, "setTimer (5, 0)", ""},
        {true, "setTimer (5)", ""},
        {true, "setTimer (2,  1)", "T65538"},
        {true, "killTimer (0)", ""},
        {true, "send ()", ""},
        {true, "send (a\nsave (x)", "Sx"}, // a line feed splits: the reason fields stay single-line
    };
    for (const auto& c : lines) {
        SCOPED_TRACE(c.display);
        EXPECT_EQ(ToStored(c.display, c.commands), c.stored);
    }
    EXPECT_EQ(CScriptingDlg::SingleLine("a\r\nb\nc"), "a  b c");
}

class ScriptEditRows : public testing::Test, public brumble::test::CTestServices {
protected:
    void Store(const Strings& conditions, const Strings& commands)
    {
        m_scripts.SetScripts(conditions, commands);
    }
    CScriptingDlg m_scripts{services, "mud.example.org"};
};

TEST_F(ScriptEditRows, ScriptsTheEditorCannotShowStayInTheirPlace)
{
    // Scripts 1, 3 and 5 have no display form; 2 shows only part of its commands.
    Store({"C", "Qodd", "T4", "R", "R*x*", "Zlast"}, {"Xa", "Xb", "K0\nXc", "Xd", "Xe", "Xf"});
    std::vector<CScriptingDlg::DisplayScript> rows = m_scripts.DisplayScripts();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].condition, "onTimer (4)");
    EXPECT_EQ(rows[1].commands, "send (c)");

    // Unchanged, everything comes back as it was.
    m_scripts.SetDisplayScripts(rows);
    EXPECT_EQ(m_scripts.Conditions(), (Strings{"C", "Qodd", "T4", "R", "R*x*", "Zlast"}));
    EXPECT_EQ(m_scripts.CommandLists(), (Strings{"Xa", "Xb", "K0\nXc", "Xd", "Xe", "Xf"}));

    // Move the last row to the top, delete "T4", change "C" and add a new script: the hidden
    // ones stay before the script that followed them, or the next one still there.
    rows = m_scripts.DisplayScripts();
    CScriptingDlg::DisplayScript last = rows[2];
    rows = {last, rows[0], {"onTimer (9)", "killTimer (9)", CScriptingDlg::kNewScript}};
    rows[1].commands = "send (z)";
    m_scripts.SetDisplayScripts(rows);
    EXPECT_EQ(m_scripts.Conditions(), (Strings{"Qodd", "R", "R*x*", "C", "T9", "Zlast"}));
    EXPECT_EQ(m_scripts.CommandLists(), (Strings{"Xb", "Xd", "Xe", "Xz", "K9", "Xf"}));

    // Saved and loaded again, nothing is lost.
    m_scripts.Save();
    CScriptingDlg reloaded(services, "mud.example.org");
    EXPECT_EQ(reloaded.Conditions(), m_scripts.Conditions());
}

TEST_F(ScriptEditRows, RowsThatCannotBeStoredAreDroppedWithoutEndingTheList)
{
    m_scripts.SetDisplayScripts({{"onConnect ( )", "send (a)", CScriptingDlg::kNewScript},
                                 {"onReceive ()", "send (b)", CScriptingDlg::kNewScript},
                                 {"onConnect ( )", "setTimer (0, 1)", CScriptingDlg::kNewScript},
                                 {"onTimer (2)", "send (c)", CScriptingDlg::kNewScript}});
    m_scripts.Save();
    CScriptingDlg reloaded(services, "mud.example.org");
    EXPECT_EQ(reloaded.Conditions(), (Strings{"C", "T2"}));
    EXPECT_EQ(reloaded.CommandLists(), (Strings{"Xa", "Xc"}));
}

} // namespace
