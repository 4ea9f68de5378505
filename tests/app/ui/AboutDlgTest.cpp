#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "AppFixture.h"
#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "display/ui/BrumbleView.h"

using namespace brumble::test;

namespace {

QString LabelText(const QWidget& dialog, const char* name)
{
    const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("(missing)");
}

} // namespace

TEST(AboutDlg, ShowsItsContentsAndEachClickOnTheIconRestartsTheSound)
{
    CRecordingSoundPlayer sound;
    CAboutDlg dialog(sound);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Brumble"));
    EXPECT_EQ(LabelText(dialog, "titleLine"), QStringLiteral("Brumble - Version 3.0.0"));
    EXPECT_TRUE(LabelText(dialog, "makerLine").contains(QStringLiteral("Brumble developers")));
    EXPECT_FALSE(LabelText(dialog, "notice").isEmpty());
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().endsWith(u':'))
            labels << label->text();
    }
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Author:"), QStringLiteral("WWW:"),
                                   QStringLiteral("Credits:"), QStringLiteral("Thanks:")}));
    int separators = 0;
    for (const QFrame* frame : dialog.findChildren<QFrame*>())
        separators += frame->frameShape() == QFrame::HLine ? 1 : 0;
    EXPECT_EQ(separators, 2);
    auto* icon = dialog.findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_EQ(dialog.IconRect(), icon->geometry());

    // On the icon (on the dialog at its place, and on the picture itself): played, and
    // played again from the start on the second click rather than queued behind the first.
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, dialog.IconRect().center());
    EXPECT_EQ(sound.played, std::vector<std::string>{"about"});
    QTest::mouseClick(icon, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(sound.played, (std::vector<std::string>{"about", "about"}));

    // Elsewhere, or with another button: nothing.
    QTest::mouseClick(&dialog, Qt::RightButton, {}, dialog.IconRect().center());
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, dialog.IconRect().bottomRight() + QPoint(3, 3));
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(dialog.width() - 2, dialog.height() - 2));
    auto* title = dialog.findChild<QLabel*>(QStringLiteral("titleLine"));
    QTest::mouseClick(title, Qt::LeftButton, {}, title->rect().center());
    EXPECT_EQ(sound.played.size(), 2u);

    auto* close = dialog.findChild<QPushButton*>(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    close->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

class AboutCommandTest : public AppFixture {};

TEST_F(AboutCommandTest, HelpMenuAndToolBarOpenTheBoxModallyWithNoInputView)
{
    CChildFrame* window = StartAndOpen();
    ASSERT_NE(window, nullptr);
    app->SetInputView(&window->View());
    CMainFrame* frame = app->MainFrame();
    // Brumble's own icon on every window, in every size it comes in.
    const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256)));
    EXPECT_EQ(frame->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());

    QAction* about = FindAction(frame, QStringLiteral("&About Brumble..."));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->toolTip(), QStringLiteral("About"));
    const QList<QAction*> helpEntries = frame->menuBar()->actions().last()->menu()->actions();
    EXPECT_TRUE(helpEntries.contains(about));
    auto* button = qobject_cast<QToolButton*>(frame->ToolBar()->widgetForAction(about));
    ASSERT_NE(button, nullptr);

    int shown = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        ++shown;
        EXPECT_EQ(app->Services().app.InputView(), nullptr);
        QTest::mouseClick(dialog, Qt::LeftButton, {}, dialog->IconRect().center());
        dialog->accept();
    });
    poll.start();
    about->trigger();
    EXPECT_EQ(shown, 1);
    button->click();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(sound.played, (std::vector<std::string>{"about", "about"}));
    EXPECT_EQ(app->Services().app.InputView(), &window->View());
}
