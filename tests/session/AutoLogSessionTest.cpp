// The session feeding its auto-log, against a real socket on 127.0.0.1: what arrives, what
// is echoed and (when asked) what is sent, in the order it passed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "common/RecordingView.h"
#include "common/ScriptedServer.h"
#include "common/TestServices.h"
#include "log/AutoLogDlg.h"
#include "log/AutoLogEditor.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

const std::string kHost = "127.0.0.1";

// Answers the session's request to edit the auto-log by switching it off.
class CSwitchOffEditor final : public CAutoLogEditor {
public:
    bool EditAutoLog(CAutoLogDlg& autoLog) override
    {
        CAutoLogDlg::Settings settings = autoLog.GetSettings();
        settings.enabled = false;
        autoLog.SetSettings(settings);
        autoLog.Save();
        return true;
    }
};

class SessionAutoLog : public ::testing::Test, public CTestServices {
protected:
    void SetUp() override { doc.AddView(&view); }

    // The one file in the log folder (the name carries today's date).
    std::string LogText() const
    {
        const QStringList files =
            QDir(QString::fromStdString(dir.Path())).entryList({QStringLiteral("*.txt")});
        if (files.size() != 1)
            return "<" + std::to_string(files.size()) + " files>";
        QFile file(QString::fromStdString(dir.Path()) + u'/' + files.front());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
    }

    CBrumbleDoc doc{services};
    CRecordingView view;
    CScriptedServer server;
};

TEST_F(SessionAutoLog, ReceivedTextEchoAndCommandsWhenAskedGoToTheFileInTheirOrder)
{
    settings.WriteInt(kHost, "AutoLog", 1);
    settings.WriteString(kHost, "AutoLogDir", dir.Path());
    EXPECT_FALSE(doc.IsAutoLogging()); // no session yet
    CSwitchOffEditor editor;
    EXPECT_FALSE(doc.EditAutoLog(editor));

    ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
    ASSERT_TRUE(server.WaitForClient());
    ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));
    EXPECT_TRUE(doc.IsAutoLogging());

    server.Send("\x1b[32mWelcome\x1b[0m\r\n> ");
    ASSERT_TRUE(WaitUntil([&] { return LogText() == "\x1b[32mWelcome\x1b[0m\r\n> "; }));
    doc.SendCommand("look\r\n"); // "AutoLogCommands" is off: not written
    doc.EchoText("look\r\n");    // but its local echo is, like received text
    settings.WriteInt(kHost, "AutoLogCommands", 1);
    doc.SendCommand("say hi\r\n");
    server.Send("You say hi\r\n");
    ASSERT_TRUE(server.WaitForReceived(14));
    ASSERT_TRUE(WaitUntil([&] { return LogText().ends_with("You say hi\r\n"); }));
    EXPECT_EQ(LogText(), "\x1b[32mWelcome\x1b[0m\r\n> look\r\nsay hi\r\nYou say hi\r\n");

    // Switched off in the dialog: nothing more is written.
    EXPECT_TRUE(doc.EditAutoLog(editor));
    EXPECT_FALSE(doc.IsAutoLogging());
    doc.EchoText("quiet\r\n");
    doc.SendCommand("quiet\r\n");
    EXPECT_EQ(LogText(), "\x1b[32mWelcome\x1b[0m\r\n> look\r\nsay hi\r\nYou say hi\r\n");
    EXPECT_EQ(settings.ReadInt(kHost, "AutoLog", 1), 0);
}

} // namespace
