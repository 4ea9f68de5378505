// The keys that act on the connection wherever the focus is in its window: real key events
// through the application's shortcut handling, against a real loopback server.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifier kKeypad = Qt::KeypadModifier;

} // namespace

class KeyDispatchTest : public AppFixture {
protected:
    // A window on the server with these shortcuts and keypad keys stored, local echo off,
    // the main window active and the focus in the command line.
    CChildFrame* OpenWithKeys()
    {
        app = StartApp();
        CSettingsStore& store = app->Settings();
        store.WriteInt(kHost, "Local Echo", 0);
        const std::pair<int, const char*> shortcuts[] = {
            {628, "ctrl five"}, {372, "shift five\r\nsecond"}, {112, "f one"}};
        int n = 1;
        for (const auto& [code, text] : shortcuts) {
            const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
            ++n;
            store.WriteInt(kHost, "Shortcut Key " + number, code);
            store.WriteString(kHost, "Shortcut String " + number, text);
        }
        store.WriteString(kHost, "Keypad Key 05", "north");
        app->MainFrame()->activateWindow();
        CChildFrame* frame = OpenTo(*app, server);
        if (frame) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(app->MainFrame()));
            EXPECT_TRUE(WaitUntil([frame] { return frame->CommandLine()->hasFocus(); }));
        }
        return frame;
    }

    // What one key sent: a marker sent after it shows where its bytes end.
    QByteArray SentBy(const std::function<void()>& press, CChildFrame& frame)
    {
        server.ClearReceived();
        press();
        frame.View().SendLine("#");
        if (!WaitUntil([this] { return server.Received().endsWith('#'); }))
            return "timed out";
        return server.Received().chopped(1);
    }
};

TEST_F(KeyDispatchTest, BoundKeysSendTheirTextAndOthersPassOn)
{
    CChildFrame* frame = OpenWithKeys();
    ASSERT_NE(frame, nullptr);
    QComboBox* box = frame->CommandLine();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QByteArray sent;
        QString typed; // what reaches the command line
    } cases[] = {
        {Qt::Key_F5, kNone, "", {}},
        {Qt::Key_F5, Qt::ControlModifier, "ctrl five\r\n", {}},
        // Only one modifier counts, Shift before Ctrl; each line is a command.
        {Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier, "shift five\r\nsecond\r\n", {}},
        {Qt::Key_8, kKeypad, "north\r\n", {}},
        {Qt::Key_8, kKeypad | Qt::AltModifier, "north\r\n", {}},
        {Qt::Key_5, kKeypad, "", QStringLiteral("5")},
        {Qt::Key_8, kNone, "", QStringLiteral("8")}, // the 8 above the letters
        {Qt::Key_Escape, kNone, "\x1b", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        frame->ClearCommandText();
        EXPECT_EQ(SentBy([&] { QTest::keyClick(box, c.key, c.modifiers); }, *frame), c.sent);
        EXPECT_EQ(box->currentText(), c.typed);
    }

    // F1 with a shortcut sends it and opens no help; Shift+F1 has none and opens the help of
    // the connection window.
    EXPECT_EQ(SentBy([&] { QTest::keyClick(box, Qt::Key_F1); }, *frame), "f one\r\n");
    EXPECT_TRUE(openedUrls.empty());
    QTest::keyClick(box, Qt::Key_F1, Qt::ShiftModifier);
    ASSERT_EQ(openedUrls.size(), 1u);
    EXPECT_TRUE(openedUrls[0].toString().contains(QStringLiteral("window.html")));

    // Once the window is gone, F1 is the help key again.
    QPointer<QWidget> subWindow = frame->parentWidget();
    subWindow->close();
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return subWindow.isNull();
    }));
    QTest::keyClick(app->MainFrame(), Qt::Key_F1);
    EXPECT_EQ(openedUrls.size(), 2u);
}

TEST_F(KeyDispatchTest, SendCtrlDecidesBetweenControlBytesAndTheEditKeys)
{
    CChildFrame* frame = OpenWithKeys();
    ASSERT_NE(frame, nullptr);
    QComboBox* box = frame->CommandLine();
    QPointer<QWidget> subWindow = frame->parentWidget();

    // With "Send Ctrl" on, Ctrl+C, Ctrl+V and Ctrl+W send bytes 3, 22 and 23: nothing is
    // copied or pasted and the window stays.
    app->Settings().WriteInt(kHost, "Send Ctrl", 1);
    QApplication::clipboard()->setText(QStringLiteral("clip"));
    box->lineEdit()->setText(QStringLiteral("typed"));
    box->lineEdit()->selectAll();
    const std::pair<Qt::Key, QByteArray> controls[] = {
        {Qt::Key_C, "\x03"}, {Qt::Key_V, "\x16"}, {Qt::Key_W, "\x17"}};
    for (const auto& [key, byte] : controls)
        EXPECT_EQ(SentBy([&] { QTest::keyClick(box, key, Qt::ControlModifier); }, *frame), byte);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("clip"));
    EXPECT_EQ(box->currentText(), QStringLiteral("typed"));
    ASSERT_FALSE(subWindow.isNull());
    EXPECT_TRUE(subWindow->isVisible());

    // AltGr (Ctrl+Alt here) types its character even so.
    frame->ClearCommandText();
    EXPECT_EQ(SentBy(
                  [&] {
                      QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Q, QStringLiteral("@"),
                                          Qt::ControlModifier | Qt::AltModifier);
                  },
                  *frame),
              "");
    EXPECT_EQ(box->currentText(), QStringLiteral("@"));

    // Off, the keys copy, paste and close as they always do.
    app->Settings().WriteInt(kHost, "Send Ctrl", 0);
    box->lineEdit()->setText(QStringLiteral("mine"));
    box->lineEdit()->selectAll();
    EXPECT_EQ(SentBy([&] { QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier); }, *frame), "");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("mine"));
    frame->ClearCommandText();
    EXPECT_EQ(SentBy([&] { QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier); }, *frame), "");
    EXPECT_EQ(box->currentText(), QStringLiteral("mine"));
    QTest::keyClick(box, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(WaitUntil([&] { return subWindow.isNull() || !subWindow->isVisible(); }));
}

TEST_F(KeyDispatchTest, DialogsKeepTheirKeysAndF6StepsThroughTheWindows)
{
    CChildFrame* frame = OpenWithKeys();
    ASSERT_NE(frame, nullptr);
    QComboBox* box = frame->CommandLine();

    // Enter (and a bound key) in a modal dialog belong to the dialog: OK, nothing sent.
    QTest::keyClicks(box, QStringLiteral("look"));
    QAction* shortcuts = FindAction(app->MainFrame(), QStringLiteral("&Shortcut Keys..."));
    ASSERT_NE(shortcuts, nullptr);
    bool accepted = false;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        QObject::connect(dialog, &QDialog::accepted, [&] { accepted = true; });
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog) || !QApplication::focusWidget())
            return;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject();
    });
    EXPECT_EQ(SentBy([&] { shortcuts->trigger(); }, *frame), "");
    EXPECT_TRUE(accepted);
    EXPECT_EQ(box->currentText(), QStringLiteral("look"));

    // F6 and Shift+F6 move between the connection windows.
    CScriptedServer second;
    CChildFrame* other = OpenTo(*app, second);
    ASSERT_NE(other, nullptr);
    QMdiArea* area = app->MainFrame()->MdiArea();
    ASSERT_EQ(area->activeSubWindow()->widget(), other);
    app->MainFrame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app->MainFrame()));
    ASSERT_TRUE(WaitUntil([other] { return other->CommandLine()->hasFocus(); }));
    QTest::keyClick(other->CommandLine(), Qt::Key_F6);
    EXPECT_EQ(area->activeSubWindow()->widget(), frame);
    ASSERT_TRUE(WaitUntil([box] { return box->hasFocus(); }));
    QTest::keyClick(box, Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(area->activeSubWindow()->widget(), other);
}
