#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "common/WidgetChecks.h"
#include "display/ui/BrumbleView.h"
#include "res/StringTable.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

class ChildFrameTest : public AppFixture {};

TEST_F(ChildFrameTest, TheCommandLineSendsKeepsTheHistoryAndScrollsTheView)
{
    app = StartApp();
    app->MainFrame()->activateWindow();
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QComboBox* box = frame->CommandLine();
    EXPECT_TRUE(WaitUntil([box] { return box->hasFocus(); }));
    EXPECT_GT(box->width(), frame->width() - 20); // stretched across the window
    EXPECT_EQ(app->Services().app.InputView(), static_cast<CSessionView*>(&frame->View()));

    // With nothing stored the history holds 50 commands.
    QByteArray numbers;
    for (int i = 0; i <= 50; ++i) {
        TypeAndEnter(box, QString::number(i));
        numbers += QByteArray::number(i) + "\r\n";
    }
    EXPECT_EQ(box->count(), 50);
    EXPECT_EQ(box->itemText(0), QStringLiteral("50"));
    ASSERT_TRUE(server.WaitForReceived(numbers.size()));
    server.ClearReceived();

    // A click into the scrollback ends like a drag: the command line has the keyboard again.
    QTest::mouseClick(frame->View().viewport(), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] {
        return box->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == box;
    }));
    // Keys typed while the scrollback has the keyboard go to the command line.
    frame->View().setFocus();
    ASSERT_TRUE(frame->View().hasFocus());
    for (const char c : {'s', 'a', 'y', ' ', 'h', 'i'})
        QTest::keyClick(QApplication::focusWidget(), c);
    EXPECT_EQ(box->currentText(), QStringLiteral("say hi"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(server.WaitForReceived(8));
    EXPECT_EQ(server.Received(), QByteArray("say hi\r\n"));
    server.ClearReceived();

    // The host's limit over the global one; newest first, duplicates and empty lines too.
    app->Settings().WriteInt("Display", "Commands", 2);
    app->Settings().WriteInt(kHost, "History", 3);
    TypeAndEnter(box, QStringLiteral("look"));
    ASSERT_TRUE(server.WaitForReceived(6));
    EXPECT_EQ(box->currentText(), QString());
    TypeAndEnter(box, QStringLiteral("look"));
    TypeAndEnter(box, QString());
    EXPECT_EQ(ItemTexts(box),
              (QStringList{QString(), QStringLiteral("look"), QStringLiteral("look")}));
    TypeAndEnter(box, QStringLiteral("north"));
    EXPECT_EQ(ItemTexts(box),
              (QStringList{QStringLiteral("north"), QString(), QStringLiteral("look")}));
    ASSERT_TRUE(server.WaitForReceived(6 + 6 + 2 + 7));
    EXPECT_EQ(server.Received(), QByteArray("look\r\nlook\r\n\r\nnorth\r\n"));

    // Up walks from the newest entry to older ones and Down back; below the newest lies the
    // line that was being typed.
    QTest::keyClicks(box, QStringLiteral("half"));
    for (const auto& [key, shown] :
         {std::pair(Qt::Key_Up, "north"), std::pair(Qt::Key_Up, ""), std::pair(Qt::Key_Up, "look"),
          std::pair(Qt::Key_Up, "look"), std::pair(Qt::Key_Down, ""),
          std::pair(Qt::Key_Down, "north"), std::pair(Qt::Key_Down, "half"),
          std::pair(Qt::Key_Down, "half")}) {
        QTest::keyClick(box, key);
        EXPECT_EQ(box->currentText(), QString::fromLatin1(shown));
    }

    // Changes of the list leave what is being typed alone; a limit of 0 sets no bound.
    frame->ClearCommandText();
    QTest::keyClicks(box, QStringLiteral("half typed"));
    box->lineEdit()->setCursorPosition(4);
    frame->AddToHistory("older", 2);
    frame->AddToHistory("newer", 2);
    EXPECT_EQ(ItemTexts(box), (QStringList{QStringLiteral("newer"), QStringLiteral("older")}));
    EXPECT_EQ(frame->GetCommandText(), "half typed");
    EXPECT_EQ(box->lineEdit()->cursorPosition(), 4);
    for (int i = 0; i < 5; ++i)
        frame->AddToHistory("x", 0);
    EXPECT_EQ(box->count(), 7);
    // Bytes above 127 survive the way into the box and back.
    frame->ClearCommandText();
    frame->AddToHistory("caf\xe9", 10);
    EXPECT_EQ(box->itemText(0), QString::fromLatin1("caf\xe9"));
    for (QChar c : QString::fromLatin1("\xe0\xff")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
    }
    EXPECT_EQ(frame->GetCommandText(), "\xe0\xff");
    frame->ClearCommandText();

    // Page Up/Down and Ctrl+Up/Down scroll the view; they neither type nor choose an entry.
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + "\r\n";
    server.Send(text);
    QScrollBar* bar = frame->View().verticalScrollBar();
    ASSERT_TRUE(WaitUntil([bar] { return bar->maximum() > 50 && bar->value() > 50; }));
    const int bottom = bar->value();
    QTest::keyClick(box, Qt::Key_PageUp);
    ASSERT_TRUE(WaitUntil([&] { return bar->value() < bottom; }));
    const int pagedUp = bar->value();
    QTest::keyClick(box, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(WaitUntil([&] { return bar->value() == pagedUp - 1; }));
    QTest::keyClick(box, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_PageDown);
    EXPECT_TRUE(WaitUntil([&] { return bar->value() == bottom; }));
    EXPECT_EQ(box->currentText(), QString());
}

TEST_F(ChildFrameTest, PasteSendsCompleteLinesAndKeepsTheUnfinishedRest)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    QLineEdit* edit = frame->CommandLine()->lineEdit();
    const struct {
        const char* before;
        int selectionStart, selectionLength; // a length of 0: the caret at the start
        std::string pasted;
        QByteArray sent;
        const char* after;
        int caret;
    } cases[] = {
        {"", 0, 0, "a\r\nb", "a\r\n", "b", 1},
        // Without a line end the text replaces the selection; nothing is sent.
        {"say hello world", 4, 5, "goodbye", "", "say goodbye world", 11},
        // Text before the caret joins the first line; complete lines go in one piece.
        {"x", 1, 0, "1\r\n2\r\n3\r\n", "x1\r\n2\r\n3\r\n", "", 0},
        // A lone CR after the last LF is the later line end; text after the caret stays.
        {"tail", 0, 0, "p\nq\rr", "p\nq\r", "rtail", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted);
        server.ClearReceived();
        edit->setText(QString::fromLatin1(c.before));
        if (c.selectionLength > 0)
            edit->setSelection(c.selectionStart, c.selectionLength);
        else
            edit->setCursorPosition(c.selectionStart);
        frame->PasteIntoCommandLine(
            frame->View(),
            QString::fromLatin1(c.pasted.data(), static_cast<qsizetype>(c.pasted.size())));
        ASSERT_TRUE(server.WaitForReceived(c.sent.size()));
        EXPECT_EQ(server.Received(), c.sent);
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.after));
        EXPECT_EQ(edit->cursorPosition(), c.caret);
        EXPECT_FALSE(edit->hasSelectedText());
    }

    // Ctrl+V and the line edit's own menu paste the clipboard this way, high Latin-1
    // characters as their bytes, a lone LF or CR as CR LF.
    server.ClearReceived();
    edit->clear();
    QApplication::clipboard()->setText(QString::fromLatin1("caf\xe9\neast\r\nup\rsec"));
    QTest::keyClick(frame->CommandLine(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(server.WaitForReceived(16));
    EXPECT_EQ(server.Received(), QByteArray("caf\xe9\r\neast\r\nup\r\n"));
    EXPECT_EQ(edit->text(), QStringLiteral("sec"));
    server.ClearReceived();
    QApplication::clipboard()->setText(QStringLiteral("ond\nwest"));
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        if (auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste")))
            paste->trigger();
        menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2),
                                edit->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(edit, &menuEvent);
    ASSERT_TRUE(server.WaitForReceived(8));
    EXPECT_EQ(server.Received(), QByteArray("second\r\n"));
    EXPECT_EQ(edit->text(), QStringLiteral("west"));

    // Disconnected, Paste and Insert File only beep: nothing is asked, sent or echoed.
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([frame] { return !frame->Doc().IsConnected(); }));
    sound.played.clear();
    bool asked = false;
    frame->View().chooseFile = [&asked](const CBrumbleView::FileRequest&) {
        asked = true;
        return std::optional<std::string>();
    };
    QApplication::clipboard()->setText(QStringLiteral("gone\n"));
    edit->clear();
    frame->View().OnEditPaste();
    frame->View().OnEditInsertFile();
    EXPECT_FALSE(asked);
    EXPECT_EQ(sound.played,
              (std::vector<std::string>{"system:SystemExclamation", "system:SystemExclamation"}));
    const auto& lines = frame->Doc().GetLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "gone"), 0);
}

TEST_F(ChildFrameTest, PlacementIsRestoredPerHostAndCutToTheArea)
{
    app = StartApp();
    std::deque<CScriptedServer> servers;
    const auto open = [&] {
        CChildFrame* frame = OpenTo(*app, servers.emplace_back());
        return frame ? qobject_cast<QMdiSubWindow*>(frame->parentWidget()) : nullptr;
    };
    QMdiSubWindow* window = open();
    ASSERT_NE(window, nullptr);
    window->setGeometry(30, 40, 400, 260);
    window->close();
    CSettingsStore& store = app->Settings();
    EXPECT_EQ(store.ReadInt(kHost, "x", -1), 30);
    EXPECT_EQ(store.ReadInt(kHost, "cy", -1), 260);
    EXPECT_EQ(store.ReadInt(kHost, "style", -1), 0);
    window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), QRect(30, 40, 400, 260));
    // A second window for the host, while the first sits at its place, steps aside as a
    // cascade would.
    QMdiSubWindow* second = open();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->geometry(), QRect(54, 64, 400, 260));
    second->close();

    // Maximized it reopens maximized and keeps its normal place.
    window->setGeometry(10, 20, 300, 200);
    window->showMaximized();
    window->close();
    EXPECT_EQ(store.ReadInt(kHost, "style", 0), CChildFrame::kMaximizedStyle);
    EXPECT_EQ(store.ReadInt(kHost, "cx", 0), 300);
    window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
    EXPECT_EQ(window->geometry(), QRect(10, 20, 300, 200));
    window->close();

    // A place stored on a bigger screen is cut to the area; one entirely outside it is
    // replaced by the proposed place.
    const QRect area = app->MainFrame()->MdiArea()->viewport()->rect();
    store.WriteInt(kHost, "x", 50);
    store.WriteInt(kHost, "y", -20);
    store.WriteInt(kHost, "cx", area.width() + 500);
    store.WriteInt(kHost, "cy", 200);
    store.WriteInt(kHost, "style", 0);
    window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometry(), QRect(QPoint(50, 0), QPoint(area.right(), 179)));
    window->close();
    store.WriteInt(kHost, "x", area.width() + 100);
    window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(area.contains(window->geometry()));
}

TEST_F(ChildFrameTest, ClosingTheWindowEndsTheSessionWithoutMessages)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    QPointer<QWidget> subWindow = frame->parentWidget();
    QPointer<CBrumbleView> view = &frame->View();
    subWindow->close();
    EXPECT_TRUE(WaitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return subWindow.isNull() && view.isNull();
    }));
    server.Send("anyone there?\r\n");
    QTest::qWait(50);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(app->Services().app.InputView(), nullptr);
    EXPECT_EQ(app->MainFrame()->CurrentFrame(), nullptr);
}

// Under Latin-1 a character it cannot carry is refused before anything is sent, typed or
// pasted; the text stays to be changed. Under Auto the same text goes as UTF-8.
TEST_F(ChildFrameTest, TextTheEncodingCannotCarryIsRefusedNotSentAsQuestionMarks)
{
    CChildFrame* frame = StartAndOpen();
    ASSERT_NE(frame, nullptr);
    QComboBox* box = frame->CommandLine();
    app->Services().settings.WriteInt(kHost, "Encoding", 2);
    const QString snowman = QString::fromUtf8("a \xE2\x98\x83");
    // (QTest types ASCII only.)
    auto enter = [box](const QString& text) {
        box->lineEdit()->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
    };
    enter(snowman);
    frame->PasteIntoCommandLine(frame->View(), QStringLiteral(" b\r\n"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, LoadString(8419));
    EXPECT_TRUE(box->currentText().startsWith(snowman + QStringLiteral(" b")));
    EXPECT_EQ(box->count(), 0);
    QTest::qWait(50);
    EXPECT_TRUE(server.Received().isEmpty());

    app->Services().settings.WriteInt(kHost, "Encoding", 0);
    enter(snowman);
    ASSERT_TRUE(server.WaitForReceived(7));
    EXPECT_EQ(server.Received(), QByteArray("a \xE2\x98\x83\r\n"));
    EXPECT_EQ(box->itemText(0), snowman);
}
