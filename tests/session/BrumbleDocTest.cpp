#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>

#include <string>
#include <vector>

#include "common/RecordingView.h"
#include "common/TestSupport.h"
#include "script/RandomGenerator.h"
#include "session/AppState.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

using namespace std::string_literals;
using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::CRecordingView;
using brumble::test::ScopedTempDir;

namespace {

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll().toStdString();
}

std::vector<std::string> LinesOf(const CBrumbleDoc& doc)
{
    return {doc.GetLines().begin(), doc.GetLines().end()};
}

class BrumbleDocTest : public ::testing::Test {
protected:
    void SetUp() override { doc.AddView(&view); }

    ScopedTempDir dir;
    CSettingsStore settings{dir.File("settings.db")};
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
    CBrumbleDoc doc{services};
    CRecordingView view;
};

} // namespace

TEST_F(BrumbleDocTest, ViewsLearnHowManyLinesAreNewAndWhetherTheLastEnded)
{
    CRecordingView second;
    doc.AddView(&second);
    doc.AddView(&second); // registered once
    doc.OnReceiveText("abc\r\n");
    doc.OnReceiveText("abc\n\r");
    doc.OnReceiveText("> ");
    doc.OnReceiveText("\r\n");
    doc.OnReceiveText("\n\n\n");
    doc.OnReceiveText("\x07x");
    const std::vector<std::pair<int, bool>> expected = {{1, true}, {1, true}, {1, false},
                                                        {0, true}, {0, true}, {4, false}};
    EXPECT_EQ(view.added, expected);
    EXPECT_EQ(second.added, expected);
    EXPECT_EQ(LinesOf(doc), (std::vector<std::string>{"abc", "abc", "> ", "", "", "", "x"}));
    EXPECT_TRUE(view.removed.empty());
    EXPECT_EQ(sound.played, std::vector<std::string>{"system:SystemExclamation"}); // the BEL
}

TEST_F(BrumbleDocTest, BufferIsTrimmedToTheLimitAfterTheViewsAreTold)
{
    for (int i = 1; i <= 250; ++i)
        doc.OnReceiveText("line " + std::to_string(i) + "\r\n");
    EXPECT_EQ(doc.GetLines().size(), 250u);
    EXPECT_TRUE(view.removed.empty());

    std::size_t linesWhenTold = 0;
    view.onCall = [&](const std::string& call) {
        if (call.rfind("RemoveLines", 0) == 0)
            linesWhenTold = doc.GetLines().size();
    };
    doc.OnReceiveText("line 251\r\n");
    EXPECT_EQ(view.removed, std::vector<int>{1});
    EXPECT_EQ(linesWhenTold, 251u); // the lines are still there when the view is told
    ASSERT_EQ(doc.GetLines().size(), 250u);
    EXPECT_EQ(doc.GetLines().front(), "line 2");
    EXPECT_EQ(doc.GetLines().back(), "line 251");
    EXPECT_EQ(doc.CurrentLine(), 250);
    EXPECT_EQ(view.calls.back(), "RemoveLines(1)");
}

TEST_F(BrumbleDocTest, LineBufferComesFromDisplayLinesAndIsNeverBelowOne)
{
    EXPECT_EQ(doc.LineBufferLimit(), 250);
    settings.WriteInt("Display", "Lines", 10);
    EXPECT_EQ(doc.LineBufferLimit(), 10);
    for (int i = 0; i < 15; ++i)
        doc.OnReceiveText("l" + std::to_string(i) + "\r\n");
    EXPECT_EQ(doc.GetLines().size(), 10u);
    EXPECT_EQ(doc.GetLines().front(), "l5");

    for (int stored : {0, -5}) {
        settings.WriteInt("Display", "Lines", stored);
        EXPECT_EQ(doc.LineBufferLimit(), 1) << stored;
        doc.OnReceiveText("a\r\nb\r\nc");
        EXPECT_EQ(LinesOf(doc), std::vector<std::string>{"c"});
        EXPECT_EQ(doc.CurrentLine(), 0);
        doc.OnReceiveText("d\r\n");
        EXPECT_EQ(LinesOf(doc), std::vector<std::string>{"cd"});
        EXPECT_EQ(doc.CurrentLine(), 1);
    }
    // No connection means no host section: nothing is created under an empty name.
    for (const std::string& section : settings.Sections())
        EXPECT_FALSE(section.empty());
}

TEST_F(BrumbleDocTest, TextLogGetsEveryReadUnfiltered)
{
    EXPECT_FALSE(doc.SetLogFile(std::nullopt)); // nothing to close
    const std::string path = dir.File("session.log");
    ASSERT_TRUE(doc.SetLogFile(path));
    EXPECT_TRUE(doc.IsLogging());
    const std::string raw = "\x1b[31mred\x1b[0m\xff\xfb\x01\0x\x07\r\n"s;
    doc.OnReceiveText(raw);
    EXPECT_EQ(ReadFile(path), raw); // flushed after each read
    doc.OnReceiveText("more");
    EXPECT_EQ(ReadFile(path), raw + "more");

    // Opening again truncates; closing reports whether there was a log.
    ASSERT_TRUE(doc.SetLogFile(path));
    EXPECT_EQ(ReadFile(path), "");
    EXPECT_TRUE(doc.SetLogFile(std::nullopt));
    EXPECT_FALSE(doc.IsLogging());
    doc.OnReceiveText("not logged");
    EXPECT_EQ(ReadFile(path), "");

    // A log that cannot be created leaves logging off, closing the one that was open.
    ASSERT_TRUE(doc.SetLogFile(path));
    EXPECT_FALSE(doc.SetLogFile(dir.File("no/such/folder/x.log")));
    EXPECT_FALSE(doc.IsLogging());
}

TEST_F(BrumbleDocTest, SaveTextWritesEveryLineWithCrLf)
{
    const std::string path = dir.File("saved.txt");
    ASSERT_TRUE(doc.SaveText(path));
    EXPECT_EQ(ReadFile(path), "");
    doc.OnReceiveText("one\r\n\xe9t\xe9\r\nprompt> ");
    ASSERT_TRUE(doc.SaveText(path));
    EXPECT_EQ(ReadFile(path), "one\r\n\xe9t\xe9\r\nprompt> \r\n");
    EXPECT_FALSE(doc.SaveText(dir.File("no/such/folder/saved.txt")));
    // A device that takes nothing must not count as saved.
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        EXPECT_FALSE(doc.SaveText("/dev/full"));
    }
}

TEST_F(BrumbleDocTest, WithoutAConnectionNothingIsSentAndTheTitleSaysSo)
{
    QSignalSpy titles(&doc, &CBrumbleDoc::TitleChanged);
    doc.SendCommand("look\r\n");
    EXPECT_TRUE(sound.played.empty()); // no socket: not even a beep
    EXPECT_FALSE(doc.IsConnected());
    EXPECT_EQ(doc.GetHostName(), "");
    doc.UpdateTitle();
    EXPECT_EQ(doc.Title(), "No Connection");
    ASSERT_EQ(titles.count(), 1);
    EXPECT_EQ(titles.at(0).at(0).toString(), QStringLiteral("No Connection"));
    doc.SendTimedText(); // no timed text: nothing happens
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BrumbleDocTest, NewDocumentNeedsAHost)
{
    app.nextHost.clear();
    app.nextPort = 23;
    EXPECT_FALSE(doc.OnNewDocument());
    EXPECT_EQ(doc.Socket(), nullptr);
    EXPECT_FALSE(doc.TelnetOptions());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BrumbleDocTest, AbsentFeaturesAnswerNeutrally)
{
    EXPECT_EQ(doc.GetHighlight("anything"), std::nullopt);
    EXPECT_EQ(doc.GetAliasChar(), '\0');
    std::string line = "#alias";
    doc.ExpandAlias(line);
    EXPECT_EQ(line, "#alias");
    std::uint32_t colour = 0x123456;
    EXPECT_EQ(doc.GetConnectScript(&view), "");
    EXPECT_EQ(doc.GetReceiveScript("line", &view, colour), "");
    EXPECT_EQ(colour, 0x123456u);
    EXPECT_EQ(doc.GetTimerScript(3, &view), "");
    EXPECT_EQ(doc.LogCommandsEnabled(), 0);
    EXPECT_EQ(doc.AutoLogCommandsEnabled(), 0);
}

TEST_F(BrumbleDocTest, ViewsMayCloseOrEchoWhileBeingTold)
{
    CRecordingView closing;
    CRecordingView later;
    doc.AddView(&closing);
    doc.AddView(&later);
    // The first view closes the last one while it is being told of new text.
    view.onCall = [&](const std::string& call) {
        if (call.rfind("AddText", 0) == 0)
            doc.RemoveView(&later);
    };
    doc.OnReceiveText("hello\r\n");
    EXPECT_EQ(closing.added.size(), 1u);
    EXPECT_TRUE(later.calls.empty());
    EXPECT_EQ(doc.Views().size(), 2u);

    // A view that echoes script output from inside AddText, as the real one does.
    bool echoed = false;
    view.onCall = [&](const std::string& call) {
        if (call.rfind("AddText", 0) == 0 && !echoed) {
            echoed = true;
            doc.OnReceiveText("echo\r\n");
        }
    };
    doc.OnReceiveText("world\r\n");
    EXPECT_EQ(LinesOf(doc), (std::vector<std::string>{"hello", "world", "echo"}));

    doc.RefreshViews();
    EXPECT_EQ(view.calls.back(), "CreateDisplayFont(true)");
    EXPECT_EQ(closing.calls.back(), "CreateDisplayFont(true)");
}

TEST_F(BrumbleDocTest, FloodsWithoutLineEndsStayBounded)
{
    // Megabytes of text without a line end, in socket-sized reads.
    const std::string piece(508, 'z');
    for (int i = 0; i < 8000; ++i)
        doc.OnReceiveText(piece);
    EXPECT_LE(doc.GetLines().size(), 250u);
    for (const std::string& line : doc.GetLines())
        EXPECT_LE(line.size(), static_cast<std::size_t>(CReceiveFilter::kMaxLineLength));
    EXPECT_EQ(doc.GetLines().size(), 8000u * 508 / CReceiveFilter::kMaxLineLength + 1);

    // Nothing but line feeds, then one character: the result is what trimming would give.
    const std::string feeds(508, '\n');
    for (int i = 0; i < 2000; ++i)
        doc.OnReceiveText(feeds);
    view.added.clear();
    doc.OnReceiveText("\rx");
    ASSERT_EQ(doc.GetLines().size(), 250u);
    EXPECT_EQ(doc.GetLines().back(), "x");
    EXPECT_EQ(doc.GetLines().front(), "");
    EXPECT_EQ(doc.CurrentLine(), 249);
    ASSERT_EQ(view.added.size(), 1u);
    EXPECT_LE(view.added[0].first, 250);
}
