#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include "app/MessageBoxSink.h"
#include "common/RecordingView.h"
#include "base/AppState.h"

namespace {

// Runs act on the message box as soon as it is shown.
void WhenBoxShown(std::function<void(QMessageBox&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box)
            act(*box);
        else
            WhenBoxShown(act);
    });
}

using Icon = CMessageSink::Icon;
using Buttons = CMessageSink::Buttons;
using Answer = CMessageSink::Answer;

} // namespace

TEST(MessageBoxSink, ShowsPlainLatin1TextWithTheMappedIconAndButtonsAndNoInputView)
{
    CAppState state;
    brumble::test::CRecordingView view;
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
    EXPECT_EQ(sink.ShowMessage("Caf\xe9 <b>closed</b>", Icon::Exclamation, Buttons::YesNo),
              Answer::No);
    EXPECT_FALSE(sawInputView);
    EXPECT_EQ(state.InputView(), &view);

    // Closed without a button: the safe answer of the button set.
    WhenBoxShown([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        box.reject();
    });
    EXPECT_EQ(sink.ShowMessage("?", Icon::Question, Buttons::YesNoCancel), Answer::Cancel);
    WhenBoxShown([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(sink.ShowMessage("?", Icon::Error, Buttons::YesNo), Answer::No);
}
