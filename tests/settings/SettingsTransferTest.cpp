#include <gtest/gtest.h>

#include <QFile>

#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>

#include <cstdint>
#include <string>
#include <vector>

#include "common/TestServices.h"
#include "res/StringTable.h"
#include "settings/SettingsFileReader.h"
#include "settings/SettingsFileWriter.h"
#include "settings/SettingsTransfer.h"

namespace {

using brumble::test::CTestServices;
using brumble::test::FileBytes;
using brumble::test::PutFile;
using Answer = CMessageSink::Answer;

std::string U32(std::uint32_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

std::string Counted(const std::string& s)
{
    return U32(static_cast<std::uint32_t>(s.size())) + s;
}
std::string Key(const std::string& path)
{
    return U32(0) + Counted(path);
}
std::string Str(const std::string& name, const std::string& text)
{
    return U32(1) + Counted(name) + Counted(text);
}
std::string Num(const std::string& name, const std::string& data)
{
    return U32(4) + Counted(name) + Counted(data);
}

// The file of a tree with one host h holding a trigger and a warning choice.
const std::string kExample = "Brumble3" + Key("\\h") + Str("Trigger 01", "X") +
                             Num("Warning", std::string("\xEC\x03\x00\x00", 4)) + Key("");

class SettingsTransfer : public ::testing::Test, public CTestServices {
protected:
    CSettingsTransfer transfer{settings, messages};

    std::string Put(const std::string& name, const std::string& bytes)
    {
        PutFile(dir.File(name), bytes);
        return dir.File(name);
    }
    void FillOldSettings()
    {
        settings.WriteString("old host", "Alias 01", "kept");
        settings.WriteInt("Display", "Lines", 300);
    }
    void ExpectOldSettingsIntact()
    {
        EXPECT_EQ(settings.Sections(), (std::vector<std::string>{"old host", "Display"}));
        EXPECT_EQ(settings.ReadString("old host", "Alias 01", ""), "kept");
        EXPECT_EQ(settings.ReadInt("Display", "Lines", 0), 300);
    }
    std::string LastMessage() const
    {
        return messages.shown.empty() ? "" : messages.shown.back().text;
    }
};

TEST_F(SettingsTransfer, ExportWritesTheDescribedFileByteForByte)
{
    settings.WriteString("h", "Trigger 01", "X");
    settings.WriteInt("h", "Warning", 1004);
    ASSERT_TRUE(transfer.Export(dir.File("brumble.brx")));
    EXPECT_EQ(FileBytes(dir.File("brumble.brx")), kExample);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SettingsTransfer, ExportImportExportGivesAnIdenticalFileAndKeepsEmptySections)
{
    settings.WriteString("mud.example", "Alias 01", std::string("a\xFF\x01z", 4));
    settings.WriteInt("mud.example", "Colour", -1);
    settings.ReadInt("empty host", "Lines", 0); // leaves an empty section
    settings.WriteString("Display", "Font Face", "Courier New");
    ASSERT_TRUE(transfer.Export(dir.File("a.brx")));
    const std::string first = FileBytes(dir.File("a.brx"));

    settings.WriteString("stranger", "x", "y");
    messages.QueueAnswer(Answer::Yes);
    ASSERT_TRUE(transfer.Import(dir.File("a.brx")));
    ASSERT_TRUE(transfer.Export(dir.File("b.brx")));
    EXPECT_EQ(FileBytes(dir.File("b.brx")), first);
    EXPECT_EQ(settings.Sections(),
              (std::vector<std::string>{"mud.example", "empty host", "Display"}));
    EXPECT_EQ(settings.ReadInt("mud.example", "Colour", 0), -1);
}

TEST_F(SettingsTransfer, ImportAsksFirstAndAHeaderOnlyFileInCapitalsEmptiesTheTree)
{
    FillOldSettings();
    const std::string path = Put("upper.brx", "BRUMBLE3");
    messages.QueueAnswer(Answer::No);
    EXPECT_FALSE(transfer.Import(path));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadString(8143));
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
    ExpectOldSettingsIntact();

    messages.QueueAnswer(Answer::Yes);
    EXPECT_TRUE(transfer.Import(path));
    EXPECT_TRUE(settings.Sections().empty());
}

TEST_F(SettingsTransfer, ADeeperPathBecomesASectionOfItsWholeName)
{
    messages.QueueAnswer(Answer::Yes);
    ASSERT_TRUE(transfer.Import(
        Put("deep.brx", "Brumble3" + Key("\\a\\b") + Str("v", "1") + Key("plain") + Key(""))));
    EXPECT_EQ(settings.Sections(), (std::vector<std::string>{"a\\b", "plain"}));
    EXPECT_EQ(settings.ReadString("a\\b", "v", ""), "1");
}

TEST_F(SettingsTransfer, EveryDamagedFileIsRefusedBeforeTheQuestionWithTheOldSettingsIntact)
{
    const std::string huge = U32(0xFFFFFFF0u);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"header ending in 2", "Brumble2" + Key("\\h")},
        {"shorter than the header", "Brum"},
        {"cut inside a value record", kExample.substr(0, 30)},
        {"cut inside a type", "Brumble3" + Key("\\h") + std::string("\x01\x00", 2)},
        {"cut one byte short", kExample.substr(0, kExample.size() - 1)},
        {"a number of length 2", "Brumble3" + Key("\\h") + Num("Warning", "\xEC\x03")},
        {"an unknown type", "Brumble3" + Key("\\h") + U32(2) + Counted("n") + Counted("d")},
        {"a value before any key", "Brumble3" + Str("n", "v") + Key("")},
        {"a huge path length", "Brumble3" + U32(0) + huge + "xx"},
        {"a huge data length", "Brumble3" + Key("\\h") + U32(1) + Counted("n") + huge},
    };
    FillOldSettings();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.shown.clear();
        messages.QueueAnswer(Answer::Yes);
        EXPECT_FALSE(transfer.Import(Put("bad.brx", c.bytes)));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, LoadString(8144));
        EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Exclamation);
        ExpectOldSettingsIntact();
    }
}

TEST_F(SettingsTransfer, AValueTheStoreRefusesMidwayLeavesTheOldTreeAndSaysSo)
{
    FillOldSettings();
    // The database itself refuses one value, after the old tree was deleted in the same
    // transaction and the first values were written.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.File("settings.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(
            db,
            "CREATE TRIGGER refuse BEFORE INSERT ON entries WHEN CAST(NEW.name AS TEXT) = 'boom' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
            nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    messages.QueueAnswer(Answer::Yes);
    EXPECT_FALSE(transfer.Import(
        Put("good.brx", "Brumble3" + Key("\\h") + Str("fine", "1") + Str("boom", "2") + Key(""))));
    EXPECT_EQ(LastMessage(), LoadString(8144));
    ExpectOldSettingsIntact();
}

TEST_F(SettingsTransfer, FilesThatCannotBeOpenedNameThePath)
{
    const std::string missing = dir.File("no/such/folder/x.brx");
    EXPECT_FALSE(transfer.Import(missing));
    EXPECT_EQ(LastMessage(), "An error occurred opening the import file (" + missing +
                                 "). Please choose another file.");
    EXPECT_FALSE(transfer.Export(missing));
    EXPECT_EQ(LastMessage(), "An error occurred opening the export file (" + missing +
                                 "). Please choose another file.");
}

TEST_F(SettingsTransfer, AFailedExportLeavesTheEarlierFileUntouched)
{
    const std::string path = Put("backup.brx", kExample);
    settings.WriteString("h", "Trigger 01", std::string(4096, 'x'));
    // A file size limit makes the write fail part-way, for root as for anyone.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool exported = transfer.Export(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(exported);
    EXPECT_EQ(LastMessage(), LoadString(8141));
    EXPECT_EQ(FileBytes(path), kExample);
}

} // namespace
