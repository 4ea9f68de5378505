// What a session does with its triggers and timed text, against a real socket on
// 127.0.0.1: warnings for server text only, at most one per read, also for a trigger the
// socket cut in two; timed text straight to the socket, and only while connected.
#include <gtest/gtest.h>

#include <QFile>

#include "alerts/TimedTextDlg.h"
#include "alerts/TriggersDlg.h"
#include "common/RecordingView.h"
#include "common/ScriptedServer.h"
#include "common/TestServices.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;
using Strings = std::vector<std::string>;

namespace {

const std::string kHost = "127.0.0.1";

class SessionAlerts : public ::testing::Test, public CTestServices {
protected:
    void SetUp() override
    {
        doc.AddView(&view);
        doc.onFlash = [this] { ++flashes; };
        settings.WriteString(kHost, "Trigger 01", "DRAGON");
        settings.WriteString(kHost, "Trigger 02", "HELLO");
    }
    void Connect()
    {
        ASSERT_TRUE(doc.OpenSession(kHost, server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([&] { return doc.IsConnected(); }));
    }
    bool Shows(const std::string& text) const
    {
        for (const std::string_view line : doc.GetLines()) {
            if (line.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    CBrumbleDoc doc{services};
    CRecordingView view;
    CScriptedServer server;
    int flashes = 0;
};

TEST_F(SessionAlerts, EachReadGivesAtMostOneWarningOfTheKindChosen)
{
    Connect();
    const Strings asterisk{"system:SystemAsterisk"};
    const struct {
        int warning;
        std::vector<std::string> reads;
        Strings sounds;
        int flashes;
    } cases[] = {
        {1004, {"a dragon says hello\r\n"}, asterisk, 0},
        {1005, {"a dragon says hello\r\n"}, {}, 1},
        {1006, {"a dragon says hello\r\n"}, asterisk, 1},
        {1006, {"nothing here\r\n"}, {}, 0},
        // Cut in two by the reads, the trigger warns once; the end of a read that held one
        // whole does not warn again with the next read.
        {1006, {"the dra", "gon roars\r\n", "and flies\r\n"}, asterisk, 1},
        {1004, {"DRAG", "ON and HEL", "LO"}, {"system:SystemAsterisk", "system:SystemAsterisk"}, 0},
    };
    for (const auto& c : cases) {
        settings.WriteInt(kHost, "Warning", c.warning);
        sound.played.clear();
        flashes = 0;
        for (const std::string& read : c.reads)
            doc.OnReceiveText(read);
        EXPECT_EQ(sound.played, c.sounds) << c.warning << " " << c.reads.front();
        EXPECT_EQ(flashes, c.flashes) << c.warning << " " << c.reads.front();
    }
}

TEST_F(SessionAlerts, FlashComesAfterTheTextIsShown)
{
    Connect();
    settings.WriteInt(kHost, "Warning", 1005);
    bool shownFirst = false;
    doc.onFlash = [&] { shownFirst = Shows("HELLO there"); };
    doc.OnReceiveText("HELLO there\r\n");
    EXPECT_TRUE(shownFirst);
}

TEST_F(SessionAlerts, EchoedTextNeverWarns)
{
    Connect();
    settings.WriteInt(kHost, "Warning", 1006);
    doc.EchoText("hello dragon\r\n");
    // Nor does the echo's end join the next server read.
    doc.EchoText("drag");
    doc.OnReceiveText("on\r\n");
    EXPECT_TRUE(sound.played.empty());
    EXPECT_EQ(flashes, 0);
}

TEST_F(SessionAlerts, TriggerCutByTheSocketWarnsOnceAndAReconnectStartsAfresh)
{
    Connect();
    server.Send("the dra");
    ASSERT_TRUE(WaitUntil([&] { return Shows("the dra"); }));
    server.Send("gon roars\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Shows("the dragon roars"); }));
    EXPECT_EQ(sound.played, Strings{"system:SystemAsterisk"});

    server.Send("the dra");
    ASSERT_TRUE(WaitUntil([&] { return Shows("the dra"); }));
    sound.played.clear();
    Connect();
    server.Send("gon\r\n");
    ASSERT_TRUE(WaitUntil([&] { return Shows("gon"); }));
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(SessionAlerts, TimedTextGoesStraightToTheSocketOnlyWhileConnected)
{
    const std::string log = dir.File("log.txt");
    settings.WriteString(kHost, "Timed Text 01", "smile");
    settings.WriteInt(kHost, "Interval", 30);
    settings.WriteInt(kHost, "LogCommands", 1);
    settings.WriteInt(kHost, "Local Echo", 1);
    Connect();
    EXPECT_EQ(view.calls, (Strings{"Connected(true)", "SetTimedTextTimer(30)"}));
    ASSERT_TRUE(doc.SetLogFile(log));

    doc.SendTimedText();
    doc.SendTimedText();
    ASSERT_TRUE(server.WaitForReceived(14));
    EXPECT_EQ(server.Received().toStdString(), "smile\r\nsmile\r\n");
    EXPECT_FALSE(Shows("smile"));
    doc.SetLogFile(std::nullopt);
    QFile logged(QString::fromStdString(log));
    ASSERT_TRUE(logged.open(QIODevice::ReadOnly));
    EXPECT_EQ(logged.readAll().toStdString(), "");

    // The peer goes: the timer keeps running, but nothing piles up in the socket.
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([&] { return !doc.IsConnected(); }));
    doc.SendTimedText();
    EXPECT_EQ(doc.Socket()->PendingOutput(), "");
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(SessionAlerts, TimedTextDialogRestartsTheFirstViewsTimerOnlyOnOk)
{
    CRecordingView second;
    doc.AddView(&second);
    EXPECT_FALSE(doc.EditTimedText([](CTimedTextDlg&) { return true; })); // no session yet
    Connect();
    view.calls.clear();
    second.calls.clear();

    EXPECT_FALSE(doc.EditTimedText([](CTimedTextDlg& timed) {
        timed.SetInterval(5);
        return false;
    }));
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(doc.EditTimedText([](CTimedTextDlg& timed) {
        timed.SetInterval(20);
        return true;
    }));
    EXPECT_EQ(view.calls, Strings{"SetTimedTextTimer(20)"});
    EXPECT_TRUE(second.calls.empty());
    doc.RemoveView(&second);

    // The Triggers dialog edits the session's own object.
    EXPECT_TRUE(doc.EditTriggers([](CTriggersDlg& triggers) {
        triggers.AddTrigger("ORC");
        return true;
    }));
    settings.WriteInt(kHost, "Warning", 1005);
    doc.OnReceiveText("an orc\r\n");
    EXPECT_EQ(flashes, 1);
}

} // namespace
