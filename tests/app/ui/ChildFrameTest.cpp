#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

QStringList History(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void TypeAndEnter(QComboBox* box, const QString& text)
{
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class ChildFrameTest : public AppFixture {};

TEST_F(ChildFrameTest, EnterSendsTheLineAndKeepsHistoryNewestFirstWithDuplicates)
{
    auto app = StartApp();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    app->Settings().WriteInt("127.0.0.1", "History", 3);
    QComboBox* box = frame->CommandLine();

    TypeAndEnter(box, QStringLiteral("look"));
    ASSERT_TRUE(server.WaitForReceived(6));
    EXPECT_EQ(server.Received(), QByteArray("look\r\n"));
    EXPECT_EQ(box->currentText(), QString());

    TypeAndEnter(box, QStringLiteral("look"));
    TypeAndEnter(box, QString()); // an empty line is sent and remembered too
    EXPECT_EQ(History(box),
              (QStringList{QString(), QStringLiteral("look"), QStringLiteral("look")}));

    // The limit of 3 drops the oldest entry for the fourth.
    TypeAndEnter(box, QStringLiteral("north"));
    EXPECT_EQ(History(box),
              (QStringList{QStringLiteral("north"), QString(), QStringLiteral("look")}));
    ASSERT_TRUE(server.WaitForReceived(6 + 6 + 2 + 7));
    EXPECT_EQ(server.Received(), QByteArray("look\r\nlook\r\n\r\nnorth\r\n"));

    // Down walks from the newest entry to older ones, Up back again.
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentText(), QStringLiteral("north"));
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentText(), QStringLiteral("look"));
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->currentText(), QString());
}

TEST_F(ChildFrameTest, HistoryChangesLeaveTheTypedTextAlone)
{
    auto app = StartApp();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QComboBox* box = frame->CommandLine();

    QTest::keyClicks(box, QStringLiteral("half typed"));
    box->lineEdit()->setCursorPosition(4);
    frame->AddToHistory("older", 2);
    frame->AddToHistory("newer", 2);
    frame->AddToHistory("newest", 2);
    EXPECT_EQ(History(box), (QStringList{QStringLiteral("newest"), QStringLiteral("newer")}));
    EXPECT_EQ(frame->GetCommandText(), "half typed");
    EXPECT_EQ(box->lineEdit()->cursorPosition(), 4);

    // A limit of 0 or less sets no bound.
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
}

TEST_F(ChildFrameTest, PasteSendsCompleteLinesAndKeepsTheUnfinishedRest)
{
    auto app = StartApp();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QLineEdit* edit = frame->CommandLine()->lineEdit();

    // a CR LF b: the first line goes at once, b stays with the caret after it.
    frame->PasteIntoCommandLine(frame->View(), "a\r\nb");
    ASSERT_TRUE(server.WaitForReceived(3));
    EXPECT_EQ(server.Received(), QByteArray("a\r\n"));
    EXPECT_EQ(edit->text(), QStringLiteral("b"));
    EXPECT_EQ(edit->cursorPosition(), 1);

    // Without a line end the text replaces the selection at the caret; nothing is sent.
    server.ClearReceived();
    edit->setText(QStringLiteral("say hello world"));
    edit->setSelection(4, 5);
    frame->PasteIntoCommandLine(frame->View(), "goodbye");
    EXPECT_EQ(edit->text(), QStringLiteral("say goodbye world"));
    EXPECT_EQ(edit->cursorPosition(), 11);
    EXPECT_FALSE(edit->hasSelectedText());

    // Text before the caret joins the first pasted line; three complete lines go in one
    // piece and leave the box empty.
    edit->setText(QStringLiteral("x"));
    edit->setCursorPosition(1);
    frame->PasteIntoCommandLine(frame->View(), "1\r\n2\r\n3\r\n");
    ASSERT_TRUE(server.WaitForReceived(10));
    EXPECT_EQ(server.Received(), QByteArray("x1\r\n2\r\n3\r\n"));
    EXPECT_EQ(edit->text(), QString());
    EXPECT_EQ(edit->cursorPosition(), 0);

    // A lone CR after the last LF counts as the later line end; text after the caret stays.
    server.ClearReceived();
    edit->setText(QStringLiteral("tail"));
    edit->setCursorPosition(0);
    frame->PasteIntoCommandLine(frame->View(), "p\nq\rr");
    ASSERT_TRUE(server.WaitForReceived(4));
    EXPECT_EQ(server.Received(), QByteArray("p\nq\r"));
    EXPECT_EQ(edit->text(), QStringLiteral("rtail"));
    EXPECT_EQ(edit->cursorPosition(), 1);
}

TEST_F(ChildFrameTest, CtrlVInTheCommandLineUsesTheSendingPaste)
{
    auto app = StartApp();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QLineEdit* edit = frame->CommandLine()->lineEdit();

    QApplication::clipboard()->setText(QStringLiteral("first\nsec"));
    QTest::keyClick(frame->CommandLine(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(server.WaitForReceived(6));
    EXPECT_EQ(server.Received(), QByteArray("first\n"));
    EXPECT_EQ(edit->text(), QStringLiteral("sec"));
}

TEST_F(ChildFrameTest, PageKeysInTheCommandLineScrollTheView)
{
    auto app = StartApp();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line " + QByteArray::number(i) + "\r\n";
    server.Send(text);

    QScrollBar* bar = nullptr;
    for (QScrollBar* each : frame->View().findChildren<QScrollBar*>()) {
        if (each->orientation() == Qt::Vertical)
            bar = each;
    }
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(WaitUntil([bar] { return bar->maximum() > 50 && bar->value() > 50; }));
    const int bottom = bar->value();

    QComboBox* box = frame->CommandLine();
    QLineEdit* edit = box->lineEdit();
    QTest::keyClick(box, Qt::Key_PageUp);
    ASSERT_TRUE(WaitUntil([&] { return bar->value() < bottom; }));
    const int pagedUp = bar->value();
    QTest::keyClick(box, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(WaitUntil([&] { return bar->value() == pagedUp - 1; }));
    QTest::keyClick(box, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_PageDown);
    EXPECT_TRUE(WaitUntil([&] { return bar->value() == bottom; }));
    // The keys scrolled; they neither typed nor chose a history entry.
    EXPECT_EQ(edit->text(), QString());
}

TEST_F(ChildFrameTest, PlacementIsRestoredPerHostAndCutToTheArea)
{
    auto app = StartApp();
    {
        CScriptedServer server;
        CChildFrame* frame = OpenTo(*app, server);
        ASSERT_NE(frame, nullptr);
        auto* subWindow = qobject_cast<QMdiSubWindow*>(frame->parentWidget());
        ASSERT_NE(subWindow, nullptr);
        subWindow->setGeometry(30, 40, 400, 260);
        subWindow->close();
    }
    CSettingsStore& store = app->Settings();
    EXPECT_EQ(store.ReadInt("127.0.0.1", "x", -1), 30);
    EXPECT_EQ(store.ReadInt("127.0.0.1", "cy", -1), 260);
    EXPECT_EQ(store.ReadInt("127.0.0.1", "style", -1), 0);

    {
        CScriptedServer server;
        CChildFrame* frame = OpenTo(*app, server);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->parentWidget()->geometry(), QRect(30, 40, 400, 260));
        frame->parentWidget()->close();
    }

    // A place stored on a bigger screen is cut to the area; one entirely outside it is
    // replaced by the proposed place.
    const QRect area = app->MainFrame()->MdiArea()->viewport()->rect();
    store.WriteInt("127.0.0.1", "x", 50);
    store.WriteInt("127.0.0.1", "y", -20);
    store.WriteInt("127.0.0.1", "cx", area.width() + 500);
    store.WriteInt("127.0.0.1", "cy", 200);
    {
        CScriptedServer server;
        CChildFrame* frame = OpenTo(*app, server);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->parentWidget()->geometry(),
                  QRect(QPoint(50, 0), QPoint(area.right(), 179)));
        frame->parentWidget()->close();
    }
    store.WriteInt("127.0.0.1", "x", area.width() + 100);
    {
        CScriptedServer server;
        CChildFrame* frame = OpenTo(*app, server);
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(area.contains(frame->parentWidget()->geometry()));
        frame->parentWidget()->close();
    }
}

TEST_F(ChildFrameTest, MaximizedWindowReopensMaximizedAndKeepsItsNormalPlace)
{
    auto app = StartApp();
    {
        CScriptedServer server;
        CChildFrame* frame = OpenTo(*app, server);
        ASSERT_NE(frame, nullptr);
        auto* subWindow = qobject_cast<QMdiSubWindow*>(frame->parentWidget());
        subWindow->setGeometry(10, 20, 300, 200);
        subWindow->showMaximized();
        subWindow->close();
    }
    CSettingsStore& store = app->Settings();
    EXPECT_EQ(store.ReadInt("127.0.0.1", "style", 0), CChildFrame::kMaximizedStyle);
    EXPECT_EQ(store.ReadInt("127.0.0.1", "cx", 0), 300);

    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    auto* subWindow = qobject_cast<QMdiSubWindow*>(frame->parentWidget());
    EXPECT_TRUE(subWindow->isMaximized());
    subWindow->showNormal();
    EXPECT_EQ(subWindow->geometry(), QRect(10, 20, 300, 200));
}

TEST_F(ChildFrameTest, ClosingTheWindowEndsTheSessionWithoutMessages)
{
    auto app = StartApp();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    QPointer<QWidget> subWindow = frame->parentWidget();
    QPointer<CBrumbleView> view = &frame->View();
    subWindow->close();
    EXPECT_TRUE(WaitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return subWindow.isNull() && view.isNull();
    }));
    // The server sees the connection end; the user is told nothing.
    server.Send("anyone there?\r\n");
    QTest::qWait(50);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(app->Services().app.InputView(), nullptr);
    EXPECT_EQ(app->MainFrame()->CurrentFrame(), nullptr);
}

TEST_F(ChildFrameTest, TitleFollowsTheSessionAndTheCommandLineTakesTheFocus)
{
    auto app = StartApp();
    app->MainFrame()->activateWindow();
    CScriptedServer server;
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->windowTitle().startsWith(QStringLiteral("127.0.0.1 (connected for")));
    EXPECT_TRUE(WaitUntil([frame] { return frame->CommandLine()->hasFocus(); }));
    EXPECT_EQ(QApplication::focusWidget(), frame->CommandLine());
    // The command line is stretched across the window.
    EXPECT_GT(frame->CommandLine()->width(), frame->width() - 20);
    // The window that has the command line's focus is the input view.
    EXPECT_EQ(app->Services().app.InputView(), static_cast<CSessionView*>(&frame->View()));
}
