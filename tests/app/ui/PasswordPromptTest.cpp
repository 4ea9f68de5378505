// A game port that asks for a password the telnet way ("Password: " IAC WILL ECHO), through
// the whole program: with "Telnet Always" the typed password reaches the server and nowhere
// else; without it everything stays as it was.
#include <QDir>
#include <QLineEdit>

#include <string>

#include "AppFixture.h"
#include "common/WidgetChecks.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

class PasswordPromptTest : public AppFixture {
protected:
    // A window on the server with every log on: the text log, and the auto-log with commands.
    void Open(bool telnetAlways)
    {
        app = StartApp();
        CSettingsStore& store = app->Services().settings;
        store.WriteInt(kHost, "Telnet Always", telnetAlways ? 1 : 0);
        store.WriteInt(kHost, "LogCommands", 1);
        store.WriteInt(kHost, "AutoLog", 1);
        store.WriteInt(kHost, "AutoLogCommands", 1);
        ASSERT_TRUE(QDir().mkpath(AutoLogDir()));
        store.WriteString(kHost, "AutoLogDir", AutoLogDir().toStdString());
        frame = OpenTo(*app, server);
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(frame->Doc().SetLogFile(m_config.File("log.txt")));
        box = frame->CommandLine();
    }
    QString AutoLogDir() const { return QString::fromStdString(m_config.File("autolog")); }
    std::string AutoLogText() const
    {
        const QStringList files = QDir(AutoLogDir()).entryList({QStringLiteral("*.txt")});
        return files.size() == 1 ? FileBytes((AutoLogDir() + u'/' + files[0]).toStdString())
                                 : "<no file>";
    }
    std::string Everywhere() const
    {
        std::string shown;
        for (const std::string_view line : frame->Doc().GetLines())
            shown.append(line).append("|");
        return "shown:" + shown + " history:" + ItemTexts(box).join(u',').toStdString() +
               " log:" + FileBytes(m_config.File("log.txt")) + " autolog:" + AutoLogText();
    }
    bool ServerGot(const QByteArray& bytes)
    {
        return WaitUntil([&] { return server.Received().contains(bytes); });
    }

    CChildFrame* frame = nullptr;
    QComboBox* box = nullptr;
};

TEST_F(PasswordPromptTest, WhileTheServerEchoesTypingGoesToTheServerOnly)
{
    Open(true);
    server.Send("Password: \xff\xfb\x01");
    ASSERT_TRUE(ServerGot("\xff\xfd\x01"));
    ASSERT_TRUE(WaitUntil([&] { return box->lineEdit()->echoMode() == QLineEdit::Password; }));

    TypeAndEnter(box, QStringLiteral("hunter2"));
    ASSERT_TRUE(ServerGot("hunter2\r\n"));
    EXPECT_EQ(Everywhere().find("hunter2"), std::string::npos) << Everywhere();
    EXPECT_EQ(box->count(), 0);
    EXPECT_EQ(frame->Doc().GetLines().back(), "Password: ");

    // WONT ECHO ends it: typing is echoed, kept and logged again.
    server.Send("\xff\xfc\x01\r\nWelcome!\r\n");
    ASSERT_TRUE(ServerGot("\xff\xfe\x01"));
    ASSERT_TRUE(WaitUntil([&] { return box->lineEdit()->echoMode() == QLineEdit::Normal; }));
    TypeAndEnter(box, QStringLiteral("look"));
    ASSERT_TRUE(ServerGot("look\r\n"));
    ASSERT_TRUE(WaitUntil([&] {
        return AutoLogText().find("look\r\nlook\r\n") != std::string::npos;
    })) << Everywhere();
    EXPECT_EQ(box->itemText(0), QStringLiteral("look"));
    EXPECT_NE(FileBytes(m_config.File("log.txt")).find("look\r\nlook\r\n"), std::string::npos);

    // A server that never says WONT ECHO hides nothing of the next connection.
    server.Send("\xff\xfb\x01");
    ASSERT_TRUE(WaitUntil([&] { return frame->Doc().ServerEchoes(); }));
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([&] { return box->lineEdit()->echoMode() == QLineEdit::Normal; }));
    EXPECT_FALSE(frame->Doc().ServerEchoes());
}

TEST_F(PasswordPromptTest, WithoutTelnetAlwaysNothingChanges)
{
    Open(false);
    server.Send("Password: \xff\xfb\x01\r\n");
    ASSERT_TRUE(WaitUntil([&] { return frame->Doc().GetLines().size() >= 1; }));
    EXPECT_EQ(frame->Doc().GetLines().front(), "Password: \xff\xfb");
    TypeAndEnter(box, QStringLiteral("hunter2"));
    ASSERT_TRUE(ServerGot("hunter2\r\n"));
    EXPECT_EQ(server.Received(), "hunter2\r\n"); // no telnet answer
    EXPECT_EQ(box->lineEdit()->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(box->itemText(0), QStringLiteral("hunter2"));
    EXPECT_EQ(frame->Doc().GetLines().back(), "hunter2");
    EXPECT_NE(AutoLogText().find("hunter2\r\nhunter2\r\n"), std::string::npos) << Everywhere();
}

} // namespace
