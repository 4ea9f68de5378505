// Tools > Export Settings and Import Settings in the running program: shown only while no
// connection window is open, with their file chooser, and carrying the whole tree across.
#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QTimer>

#include "AppFixture.h"
#include "app/MainFrame.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

class SettingsMenuTest : public AppFixture {
protected:
    // Triggers the entry and accepts the name its file chooser proposes in folder.
    QFileDialog* Choose(const QString& entry, const QString& folder, QString* proposed = nullptr,
                        QStringList* filters = nullptr)
    {
        QAction* action = FindAction(app->MainFrame(), entry);
        EXPECT_NE(action, nullptr);
        if (!action)
            return nullptr;
        QFileDialog* seen = nullptr;
        QTimer::singleShot(50, [&] {
            seen = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!seen)
                return;
            if (proposed)
                *proposed = seen->selectedFiles().value(0);
            if (filters)
                *filters = seen->nameFilters();
            // The proposed name in the given folder.
            seen->setDirectory(folder);
            QMetaObject::invokeMethod(seen, "accept");
        });
        action->trigger();
        return seen;
    }
};

TEST_F(SettingsMenuTest, EntriesShowOnlyWhileNoConnectionWindowIsOpen)
{
    app = StartApp();
    QAction* exporting = FindAction(app->MainFrame(), QStringLiteral("&Export Settings"));
    QAction* importing = FindAction(app->MainFrame(), QStringLiteral("&Import Settings"));
    ASSERT_TRUE(exporting && importing);
    EXPECT_TRUE(exporting->isVisible() && importing->isVisible());
    CChildFrame* frame = OpenTo(*app, server);
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(exporting->isVisible() || importing->isVisible());
    app->MainFrame()->findChild<QMdiArea*>()->closeAllSubWindows();
    ASSERT_TRUE(WaitUntil([&] { return app->MainFrame()->Frames().empty(); }));
    EXPECT_TRUE(exporting->isVisible() && importing->isVisible());
}

TEST_F(SettingsMenuTest, ExportThenImportThroughTheFileChooserRestoresTheSettings)
{
    app = StartApp();
    app->Settings().WriteString("mud.example", "Alias 01", "kept");
    const QString folder = QString::fromStdString(m_config.Path());
    const QString path = QString::fromStdString(m_config.File("brumble.brx"));
    QString proposed;
    QStringList filters;
    ASSERT_NE(Choose(QStringLiteral("&Export Settings"), folder, &proposed, &filters), nullptr);
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("/brumble.brx"))) << proposed.toStdString();
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Brumble Export Files (*.brx)"),
                                    QStringLiteral("All Files (*.*)")}));
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_TRUE(messages.shown.empty());

    app->Settings().WriteString("mud.example", "Alias 01", "changed");
    app->Settings().WriteString("stranger", "x", "y");
    messages.QueueAnswer(CMessageSink::Answer::Yes);
    ASSERT_NE(Choose(QStringLiteral("&Import Settings"), folder), nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(app->Settings().ReadString("mud.example", "Alias 01", ""), "kept");
    EXPECT_EQ(app->Settings().ReadString("stranger", "x", "gone"), "gone");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
