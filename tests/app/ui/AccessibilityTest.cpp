// What assistive technology is told: every control of every window and dialog has a name,
// the scrollback reads as the text it shows, and what arrives is announced as inserted text.
#include <QAccessible>
#include <QAccessibleEvent>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "alerts/TimedTextDlg.h"
#include "alerts/TriggersDlg.h"
#include "alerts/ui/TimedTextDialog.h"
#include "alerts/ui/TriggersDialog.h"
#include "app/AccessibleNamer.h"
#include "app/AboutDlg.h"
#include "app/DefaultTelnetDlg.h"
#include "app/MainFrame.h"
#include "display/ColouredTextDlg.h"
#include "display/OptionsDlg.h"
#include "display/ui/AddHighlightDlg.h"
#include "display/ui/BrumbleView.h"
#include "display/ui/ColouredTextDialog.h"
#include "display/ui/OptionsDialog.h"
#include "display/ui/ScrollbackText.h"
#include "image/AtImageDlg.h"
#include "image/ui/AtImageDialog.h"
#include "image/ui/ImageWnd.h"
#include "log/AutoLogDlg.h"
#include "log/ui/AutoLogDialog.h"
#include "script/ScriptingDlg.h"
#include "script/ui/AddScriptCmdDlg.h"
#include "script/ui/AddScriptDlg.h"
#include "script/ui/ScriptingDialog.h"
#include "session/ui/ConnectDlg.h"
#include "settings/ui/CopyFromDlg.h"
#include "settings/ui/ManageDlg.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/KeypadDlg.h"
#include "shortcuts/ShortcutsDlg.h"
#include "shortcuts/ui/AddAliasDlg.h"
#include "shortcuts/ui/AddShortcutDlg.h"
#include "shortcuts/ui/AliasesDialog.h"
#include "shortcuts/ui/KeypadDialog.h"
#include "shortcuts/ui/ShortcutsDialog.h"

namespace brumble::test {
namespace {

// The per-host objects the feature dialogs edit.
struct Features {
    explicit Features(CAppServices& s)
        : aliases(s, "mud"), shortcuts(s, "mud"), keypad(s, "mud"), triggers(s, "mud"),
          timedText(s, "mud"), highlights(s, "mud"), image(s, "mud"), autoLog(s, "mud"),
          options(s.settings, "mud", s.random, 96), scripts(s, "mud")
    {
    }
    CAliasesDlg aliases;
    CShortcutsDlg shortcuts;
    CKeypadDlg keypad;
    CTriggersDlg triggers;
    CTimedTextDlg timedText;
    CColouredTextDlg highlights;
    CAtImageDlg image;
    CAutoLogDlg autoLog;
    COptionsDlg options;
    CScriptingDlg scripts;
};

using Factory = std::function<std::unique_ptr<QWidget>(CAppServices&, Features&)>;
template <typename W, typename... A> std::unique_ptr<QWidget> Make(A&&... args)
{
    return std::make_unique<W>(std::forward<A>(args)...);
}

// Every dialog of the program; a new one is one more line.
const std::vector<std::pair<std::string, Factory>>& Dialogs()
{
    using S = CAppServices;
    using F = Features;
    static const std::vector<std::pair<std::string, Factory>> dialogs = {
        {"Connect", [](S& s, F&) { return Make<CConnectDlg>(s, nullptr); }},
        {"Aliases", [](S& s, F& f) { return Make<CAliasesDialog>(f.aliases, s); }},
        {"Add alias", [](S& s, F&) {
             return Make<CAddAliasDlg>(CAddAliasDlg::Mode::Add, "", "", s.messages);
         }},
        {"Shortcut keys", [](S& s, F& f) { return Make<CShortcutsDialog>(f.shortcuts, s); }},
        {"Add shortcut", [](S& s, F&) {
             return Make<CAddShortcutDlg>(CAddShortcutDlg::Mode::Add, 0, CShortcutsDlg::kNone, "",
                                          s.messages);
         }},
        {"Keypad keys", [](S& s, F& f) { return Make<CKeypadDialog>(f.keypad, s); }},
        {"Triggers", [](S& s, F& f) { return Make<CTriggersDialog>(f.triggers, s); }},
        {"Timed text", [](S& s, F& f) { return Make<CTimedTextDialog>(f.timedText, s); }},
        {"Coloured text", [](S& s, F& f) { return Make<CColouredTextDialog>(f.highlights, s); }},
        {"Add highlight", [](S& s, F&) { return Make<CAddHighlightDlg>(0, "", s.messages); }},
        {"Options", [](S& s, F& f) { return Make<COptionsDialog>(f.options, s.messages); }},
        {"@image", [](S&, F& f) { return Make<CAtImageDialog>(f.image); }},
        {"Picture window", [](S& s, F&) { return Make<CImageWnd>(s); }},
        {"Auto log", [](S& s, F& f) { return Make<CAutoLogDialog>(f.autoLog, s); }},
        {"Telnet links", [](S&, F&) { return Make<CDefaultTelnetDlg>(); }},
        {"Scripting", [](S& s, F& f) { return Make<CScriptingDialog>(f.scripts, s); }},
        {"Add script", [](S& s, F&) {
             return Make<CAddScriptDlg>(std::nullopt, std::nullopt, s);
         }},
        {"Add script command", [](S& s, F&) { return Make<CAddScriptCmdDlg>(std::nullopt, s); }},
        {"Manage settings", [](S& s, F&) { return Make<CManageDlg>(s); }},
        {"Copy from", [](S& s, F&) { return Make<CCopyFromDlg>(s.settings, "mud"); }},
        {"About", [](S& s, F&) { return Make<CAboutDlg>(s.sound); }},
    };
    return dialogs;
}

bool IsControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton: case QAccessible::CheckBox: case QAccessible::RadioButton:
    case QAccessible::ComboBox: case QAccessible::EditableText: case QAccessible::SpinBox:
    case QAccessible::Slider: case QAccessible::ScrollBar: case QAccessible::Dial:
    case QAccessible::List: case QAccessible::Table: case QAccessible::Tree:
    case QAccessible::PageTabList: case QAccessible::PageTab: case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown: case QAccessible::MenuItem:
        return true;
    default:
        return false;
    }
}

// Walks what assistive technology sees below node and lists the shown controls without a name.
void FindUnnamed(QAccessibleInterface* node, std::vector<std::string>& unnamed, int depth = 0)
{
    for (int i = 0; node && depth < 30 && i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        const QAccessible::Role role = child->role();
        if (IsControl(role) && child->text(QAccessible::Name).trimmed().isEmpty()) {
            const QObject* object = child->object();
            unnamed.push_back(std::string(object ? object->metaObject()->className() : "?") +
                              " '" + (object ? object->objectName().toStdString() : "") + "'");
        }
        // The rows of a list are its content, not controls.
        if (role != QAccessible::List && role != QAccessible::Table && role != QAccessible::Tree)
            FindUnnamed(child, unnamed, depth + 1);
    }
}

void ExpectEveryControlNamed(QWidget& window)
{
    window.show();
    QCoreApplication::processEvents();
    std::vector<std::string> unnamed;
    FindUnnamed(QAccessible::queryAccessibleInterface(&window), unnamed);
    EXPECT_TRUE(unnamed.empty()) << ::testing::PrintToString(unnamed);
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->toolTip().isEmpty() && w->accessibleDescription().isEmpty()) {
            EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description),
                      w->toolTip());
        }
    }
}

struct Announced {
    QAccessible::Event type;
    int position;
    QString text;
};
std::vector<Announced> g_announced;

void RecordAnnouncement(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TextInserted) {
        auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
        g_announced.push_back({event->type(), inserted->changePosition(), inserted->textInserted()});
    } else if (event->type() == QAccessible::TextRemoved) {
        auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
        g_announced.push_back({event->type(), removed->changePosition(), removed->textRemoved()});
    }
}

class AccessibilityTest : public AppFixture {};

// Qt passes events on only while assistive technology listens, which takes a platform with an
// accessibility bus: these run on a virtual screen with the desktop's bus (see
// announce_over_atspi.sh) and are skipped on the offscreen platform.
class AnnouncementTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        g_announced.clear();
        if (!WaitUntil([] { return QAccessible::isActive(); }, 3000))
            GTEST_SKIP() << "no assistive technology listens on this platform";
        m_previousHandler = QAccessible::installUpdateHandler(RecordAnnouncement);
    }
    void TearDown() override
    {
        if (m_previousHandler)
            QAccessible::installUpdateHandler(m_previousHandler);
    }
    QAccessible::UpdateHandler m_previousHandler = nullptr;
};

TEST_F(AccessibilityTest, EveryControlOfEveryWindowAndDialogHasAName)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    {
        SCOPED_TRACE("main window with a connection window");
        ExpectEveryControlNamed(*app->MainFrame());
    }
    Features features(app->Services());
    for (const auto& [name, make] : Dialogs()) {
        SCOPED_TRACE(name);
        const std::unique_ptr<QWidget> dialog = make(app->Services(), features);
        ExpectEveryControlNamed(*dialog);
    }
}

TEST_F(AccessibilityTest, TheScrollbackReadsAsTheTextItShows)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    CBrumbleView& view = frame->View();
    const auto showsText = [&view](const std::string& text) {
        const auto& rows = view.Model().Rows();
        return !rows.empty() && view.Model().RowText(rows.back()).find(text) != std::string::npos;
    };
    server.Send("first line\r\nsecond line, long enough to be wrapped in a narrow window: "
                "sixty characters and more\r\n\xe9t\xe9> ");
    ASSERT_TRUE(WaitUntil([&] { return showsText("> "); }));
    frame->parentWidget()->resize(180, 300); // narrow: the long line takes several rows
    QCoreApplication::processEvents();

    QAccessibleInterface* scrollback = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(scrollback, nullptr);
    EXPECT_FALSE(scrollback->text(QAccessible::Name).isEmpty());
    EXPECT_TRUE(scrollback->state().readOnly);
    QAccessibleTextInterface* text = scrollback->textInterface();
    ASSERT_NE(text, nullptr);
    const QString expected = QStringLiteral("first line\nsecond line, long enough to be wrapped in a "
                                            "narrow window: sixty characters and more\n") +
                             QString::fromLatin1("\xe9t\xe9> ");
    EXPECT_EQ(text->text(0, text->characterCount()), expected);
    // What is shown: the rows, one after another.
    QString rows;
    for (const CRowModel::Row& row : view.Model().Rows())
        rows += QString::fromLatin1(std::string(view.Model().RowText(row)).c_str());
    EXPECT_GT(view.Model().RowCount(), 3);
    EXPECT_EQ(QString(expected).remove(QLatin1Char('\n')), rows);
    int start = 0;
    int end = 0;
    EXPECT_EQ(text->textAtOffset(19, QAccessible::LineBoundary, &start, &end).trimmed(),
              QStringLiteral("second line, long enough to be wrapped in a narrow window: sixty "
                             "characters and more"));
    EXPECT_EQ(text->textAtOffset(19, QAccessible::WordBoundary, &start, &end), QStringLiteral("line"));
}

TEST_F(AnnouncementTest, AReceivedLineIsAnnouncedAsInsertedText)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    CBrumbleView& view = frame->View();
    server.Send("look\r\n> ");
    ASSERT_TRUE(WaitUntil([&] { return view.Model().RowCount() == 2; }));
    // The open line grows and a line follows: one insertion, at the end of the old text.
    view.AccessibleText().Announce(); // what arrived before goes out first
    g_announced.clear();
    server.Send("north\r\nA troll arrives.\r\n");
    ASSERT_TRUE(WaitUntil([&] { return !g_announced.empty(); }));
    ASSERT_EQ(g_announced.size(), 1u);
    EXPECT_EQ(g_announced[0].type, QAccessible::TextInserted);
    EXPECT_EQ(g_announced[0].position, 7); // after "look\n> "
    EXPECT_EQ(g_announced[0].text, QStringLiteral("north\nA troll arrives."));
}

TEST_F(AnnouncementTest, AFloodIsAnnouncedAFewTimesASecondAndNothingIsLost)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    app->Settings().WriteInt(kHost, "Line Buffer", 50); // old lines leave the front too
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 400; ++i) {
        server.Send(QByteArray("flood line ") + QByteArray::number(i) + "\r\n");
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WaitUntil([&] {
        return !g_announced.empty() && g_announced.back().text.contains(QStringLiteral("flood line 399"));
    }));
    int insertions = 0;
    QString mirror; // what a screen reader following the events would hold
    for (const Announced& event : g_announced) {
        if (event.type == QAccessible::TextInserted) {
            ++insertions;
            mirror.insert(event.position, event.text);
        } else {
            mirror.remove(event.position, event.text.size());
        }
    }
    const int intervals = static_cast<int>(clock.elapsed() / CScrollbackText::kAnnounceIntervalMs);
    EXPECT_LE(insertions, intervals + 2);
    QAccessibleTextInterface* text =
        QAccessible::queryAccessibleInterface(&frame->View())->textInterface();
    EXPECT_EQ(mirror, text->text(0, text->characterCount()));
}

} // namespace
} // namespace brumble::test
