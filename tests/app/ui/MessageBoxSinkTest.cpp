#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include "app/MessageBoxSink.h"
#include "session/AppState.h"
#include "session/SessionView.h"

namespace {

// A stand-in for a connection view: the input view is a QObject in the running program.
class CIdleView final : public QObject, public CSessionView {
public:
    void AddText(int, bool) override {}
    void RemoveLines(int) override {}
    void OnConnectionChanged(bool) override {}
    void SetTimedTextTimer(int) override {}
    void CreateDisplayFont(bool) override {}
    void SetWindowTimer(int, int) override {}
    void KillWindowTimer(int) override {}
};

// Runs act on the message box as soon as it is shown.
void WhenBoxShown(std::function<void(QMessageBox&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            WhenBoxShown(act);
            return;
        }
        act(*box);
    });
}

} // namespace

TEST(MessageBoxSink, ShowsLatin1TextWithMappedIconAndButtonsAndReturnsTheAnswer)
{
    CAppState state;
    CIdleView view;
    state.SetInputView(&view);
    CMessageBoxSink sink(state);

    bool sawInputView = true;
    WhenBoxShown([&](QMessageBox& box) {
        sawInputView = state.InputView() != nullptr;
        EXPECT_EQ(box.text(), QString::fromLatin1("Caf\xe9 <b>closed</b>"));
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(sink.ShowMessage("Caf\xe9 <b>closed</b>", CMessageSink::Icon::Exclamation,
                               CMessageSink::Buttons::YesNo),
              CMessageSink::Answer::No);
    // No key goes to a connection window while the box is up; afterwards it is back.
    EXPECT_FALSE(sawInputView);
    EXPECT_EQ(state.InputView(), &view);

    WhenBoxShown([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        box.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(sink.ShowMessage("x", CMessageSink::Icon::None, CMessageSink::Buttons::Ok),
              CMessageSink::Answer::Ok);
}

TEST(MessageBoxSink, ClosingWithoutAButtonGivesTheSafeAnswer)
{
    CAppState state;
    CMessageBoxSink sink(state);
    WhenBoxShown([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        box.reject();
    });
    EXPECT_EQ(
        sink.ShowMessage("?", CMessageSink::Icon::Question, CMessageSink::Buttons::YesNoCancel),
        CMessageSink::Answer::Cancel);
    WhenBoxShown([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(sink.ShowMessage("?", CMessageSink::Icon::Error, CMessageSink::Buttons::YesNo),
              CMessageSink::Answer::No);
}

TEST(MessageBoxSink, AViewThatClosesDuringTheBoxIsNotPutBack)
{
    CAppState state;
    auto* view = new CIdleView;
    state.SetInputView(view);
    CMessageBoxSink sink(state);
    WhenBoxShown([view](QMessageBox& box) {
        delete view;
        box.button(QMessageBox::Ok)->click();
    });
    sink.ShowMessage("bye", CMessageSink::Icon::Information, CMessageSink::Buttons::Ok);
    EXPECT_EQ(state.InputView(), nullptr);
}
