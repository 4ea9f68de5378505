#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>

#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "settings/SettingsStore.h"

namespace {

using brumble::test::CRecordingMessageSink;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Strings Names(const std::vector<CSettingsStore::Value>& values)
{
    Strings names;
    for (const auto& value : values)
        names.push_back(value.name);
    return names;
}

class SettingsStore : public testing::Test {
protected:
    // Every file beside settings.db that the store has moved aside.
    Strings KeptAside() const
    {
        Strings kept;
        for (const auto& item : fs::directory_iterator(dir.Path())) {
            const std::string name = item.path().filename().string();
            if (name.starts_with("settings.db.damaged-") && !name.ends_with("-wal") &&
                !name.ends_with("-shm"))
                kept.push_back(item.path().string());
        }
        return kept;
    }

    brumble::test::ScopedTempDir dir;
    const std::string path = dir.File("settings.db");
};

TEST_F(SettingsStore, NumbersAndStringsAreDistinctTypesAndRoundTripEveryByte)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += static_cast<char>(c);
    const std::string large(200000, '\xff');
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    {
        CSettingsStore store(path);
        ASSERT_TRUE(store.IsOpen());
        store.WriteInt("host", "Lines", 42);
        store.WriteString("host", "Name", "17");
        EXPECT_EQ(store.ReadInt("host", "Lines", -1), 42);
        EXPECT_EQ(store.ReadString("host", "Lines", "dflt"), "dflt");
        EXPECT_EQ(store.ReadInt("host", "Name", -1), -1); // "17" is text, not a number
        EXPECT_EQ(store.ReadString("host", "Name", ""), "17");
        store.WriteString("host", "Empty", ""); // a value of its own, not a missing one
        EXPECT_EQ(store.ReadString("host", "Empty", "dflt"), "");

        // Rewriting may change the type and keeps the value's place.
        store.WriteString("host", "Lines", "many");
        EXPECT_EQ(store.ReadInt("host", "Lines", -1), -1);
        const auto values = store.Values("host");
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(values[0].name, "Lines");
        EXPECT_FALSE(values[0].isNumber);
        EXPECT_EQ(values[0].text, "many");
        EXPECT_FALSE(values[1].isNumber);
        EXPECT_EQ(values[1].text, "17");

        store.WriteString("h\xe9te", "bytes", everyByte);
        store.WriteString("h\xe9te", "large", large);
        store.WriteString("h\xe9te", everyByte, "named by every byte");
        store.WriteInt("n", "min", kMin);
        store.WriteInt("n", "max", kMax);
        store.WriteInt("n", "colour", static_cast<std::int32_t>(0xFF000000u));
        store.WriteInt("n", "zero", 0);
    }
    CSettingsStore store(path); // from the file, not from memory
    EXPECT_EQ(store.ReadString("H\xe9TE", "bytes", ""), everyByte);
    EXPECT_EQ(store.ReadString("h\xe9te", "large", ""), large);
    EXPECT_EQ(store.ReadString("h\xe9te", everyByte, ""), "named by every byte");
    EXPECT_EQ(store.Sections(), (Strings{"host", "h\xe9te", "n"}));
    EXPECT_EQ(store.ReadInt("n", "min", 1), kMin);
    EXPECT_EQ(store.ReadInt("n", "max", 1), kMax);
    EXPECT_EQ(static_cast<std::uint32_t>(store.ReadInt("n", "colour", 1)), 0xFF000000u);
    EXPECT_EQ(store.ReadInt("n", "zero", 1), 0);
}

TEST_F(SettingsStore, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    CSettingsStore store(path);
    store.WriteString("MUD.Example.ORG", "Trigger 01", "first");
    EXPECT_EQ(store.ReadString("mud.example.org", "TRIGGER 01", ""), "first");
    store.WriteString("mud.EXAMPLE.org", "trigger 01", "second");
    EXPECT_EQ(store.Sections(), Strings{"MUD.Example.ORG"});
    const auto values = store.Values("MUD.EXAMPLE.ORG");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, "Trigger 01");
    EXPECT_EQ(values[0].text, "second");

    // Only ASCII letters fold: other bytes keep their identity.
    store.WriteString("h", "\xc9t\xe9", "upper");
    store.WriteString("h", "\xe9t\xe9", "lower");
    EXPECT_EQ(store.ReadString("h", "\xc9T\xe9", ""), "upper");
    EXPECT_EQ(store.ReadString("h", "\xe9T\xe9", ""), "lower");
}

TEST_F(SettingsStore, EnumeratesInInsertionOrderAndDeletes)
{
    CSettingsStore store(path);
    for (const char* section : {"zeta", "alpha", "Mid"})
        store.WriteInt(section, "x", 1);
    for (const char* entry : {"Z", "b", "A", "c"})
        store.WriteInt("alpha", entry, 2);
    store.WriteInt("alpha", "b", 3); // a rewrite does not move it
    EXPECT_EQ(store.Sections(), (Strings{"zeta", "alpha", "Mid"}));
    EXPECT_EQ(Names(store.Values("alpha")), (Strings{"x", "Z", "b", "A", "c"}));

    // A deleted and recreated section goes to the end.
    store.DeleteSection("ZETA");
    EXPECT_EQ(store.ReadInt("zeta", "x", 9), 9);
    store.WriteInt("zeta", "y", 1);
    EXPECT_EQ(store.Sections(), (Strings{"alpha", "Mid", "zeta"}));
    EXPECT_EQ(Names(store.Values("zeta")), Strings{"y"});
    store.DeleteAll();
    EXPECT_TRUE(store.Sections().empty());
    EXPECT_EQ(store.ReadInt("alpha", "b", 0), 0);
}

TEST_F(SettingsStore, ReadingANewHostLeavesAnEmptySection)
{
    CSettingsStore store(path);
    EXPECT_EQ(store.ReadInt("new.host", "Lines", 1000), 1000);
    EXPECT_EQ(store.ReadString("other.host", "Alias 01", "-"), "-");
    EXPECT_TRUE(store.Values("new.host").empty());
    EXPECT_TRUE(store.Values("never.read").empty()); // enumerating creates nothing
    EXPECT_EQ(store.Sections(), (Strings{"new.host", "other.host"}));
}

TEST_F(SettingsStore, TwoStoresOnOneFileSeeEachOtherAtOnce)
{
    CSettingsStore first(path);
    CSettingsStore second(path);
    first.WriteString("host", "x", "one");
    EXPECT_EQ(second.ReadString("host", "x", ""), "one");
    second.DeleteSection("host");
    EXPECT_EQ(first.ReadString("host", "x", "none"), "none");

    // Answers are remembered between reads, but a change made through another connection
    // is seen shortly after, and our own writes at once.
    EXPECT_EQ(first.ReadInt("host", "n", 0), 0);
    second.WriteInt("host", "n", 7);
    ASSERT_TRUE(brumble::test::WaitUntil([&] { return first.ReadInt("host", "n", 0) == 7; }, 1000));
    first.WriteInt("host", "n", 8);
    EXPECT_EQ(first.ReadInt("host", "n", 0), 8);
}

TEST_F(SettingsStore, DamagedFileIsKeptAsideWithOneMessage)
{
    const std::string garbage = "this is no database\n" + std::string(5000, 'x');
    WriteFile(path, garbage);
    CRecordingMessageSink messages;
    {
        CSettingsStore store(path, &messages);
        ASSERT_TRUE(store.IsOpen());
        store.WriteInt("h", "n", 5);
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    const Strings kept = KeptAside();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadFile(kept[0]), garbage);
    EXPECT_EQ(messages.shown[0].text, "The settings file " + path +
                                          " could not be read and was kept as " + kept[0] +
                                          ". Brumble is starting with empty settings.");
    EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Exclamation);

    // The new database is sound: opening it again says nothing and finds the value.
    EXPECT_EQ(CSettingsStore(path, &messages).ReadInt("h", "n", 0), 5);
    EXPECT_EQ(messages.shown.size(), 1u);

    // Damage found again (even within the same second) never overwrites what was kept.
    for (int round = 0; round < 2; ++round) {
        WriteFile(path, "damage " + std::to_string(round));
        EXPECT_TRUE(CSettingsStore(path, &messages).IsOpen());
    }
    EXPECT_EQ(KeptAside().size(), 3u);
    EXPECT_EQ(messages.shown.size(), 3u);

    // Corrupt pages behind a readable header count as damage.
    {
        CSettingsStore store(path);
        for (int i = 0; i < 50; ++i)
            store.WriteString("host", "entry " + std::to_string(i), std::string(300, 'v'));
    }
    std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 8192u);
    std::fill(bytes.begin() + 4096, bytes.begin() + 8192, '\x5a');
    WriteFile(path, bytes);
    EXPECT_TRUE(CSettingsStore(path, &messages).Sections().empty());
    EXPECT_EQ(messages.shown.size(), 4u);

    // So does a sound database made by something else, with our table name but other columns.
    fs::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE sections(x); INSERT INTO sections VALUES(1);", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    CSettingsStore store(path, &messages);
    EXPECT_EQ(messages.shown.size(), 5u);
    EXPECT_EQ(KeptAside().size(), 5u);
    store.WriteInt("h", "n", 3);
    EXPECT_EQ(store.ReadInt("h", "n", 0), 3);
}

TEST_F(SettingsStore, UnopenablePathsLeaveAUsableStore)
{
    // A folder where the file should be is moved aside like a damaged file.
    fs::create_directory(path);
    WriteFile(path + "/inside", "keep me");
    CRecordingMessageSink messages;
    EXPECT_TRUE(CSettingsStore(path, &messages).IsOpen());
    EXPECT_EQ(messages.shown.size(), 1u);
    ASSERT_EQ(KeptAside().size(), 1u);
    EXPECT_EQ(ReadFile(KeptAside()[0] + "/inside"), "keep me");

    // Below a plain file nothing can be created: defaults, ignored writes, one message.
    WriteFile(dir.File("plain"), "x");
    CRecordingMessageSink failed;
    CSettingsStore store(dir.File("plain") + "/settings.db", &failed);
    EXPECT_FALSE(store.IsOpen());
    store.WriteInt("h", "n", 1);
    store.WriteString("h", "s", "t");
    store.DeleteSection("h");
    store.DeleteAll();
    EXPECT_EQ(store.ReadInt("h", "n", 7), 7);
    EXPECT_EQ(store.ReadString("h", "s", "d"), "d");
    EXPECT_TRUE(store.Sections().empty());
    EXPECT_TRUE(store.Values("h").empty());
    ASSERT_EQ(failed.shown.size(), 1u);
    EXPECT_NE(failed.shown[0].text.find("could not be opened"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("plain")), "x");
}

TEST_F(SettingsStore, ConfigDirFollowsTheEnvironmentAndIsCreated)
{
    std::optional<std::string> saved[3];
    const char* names[] = {"BRUMBLE_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) {
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    }
    setenv("BRUMBLE_CONFIG_DIR", dir.File("own/deeper").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.File("xdg").c_str(), 1);
    setenv("HOME", dir.File("home").c_str(), 1);
    EXPECT_EQ(CSettingsStore::ConfigDir(), dir.File("own/deeper"));
    EXPECT_TRUE(fs::is_directory(dir.File("own/deeper")));
    EXPECT_EQ(CSettingsStore::DefaultPath(), dir.File("own/deeper/settings.db"));
    unsetenv("BRUMBLE_CONFIG_DIR");
    EXPECT_EQ(CSettingsStore::ConfigDir(), dir.File("xdg/brumble"));
    EXPECT_TRUE(fs::is_directory(dir.File("xdg/brumble")));
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(CSettingsStore::ConfigDir(), dir.File("home/.config/brumble"));
    EXPECT_TRUE(fs::is_directory(dir.File("home/.config/brumble")));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CSettingsStore::ConfigDir(), dir.File("home/.config/brumble"));

    for (int i = 0; i < 3; ++i) {
        if (saved[i])
            setenv(names[i], saved[i]->c_str(), 1);
        else
            unsetenv(names[i]);
    }
}

// Two real processes and this one write to one file at the same time; every write must arrive.
constexpr int kWritesPerWriter = 600;

void WriteManyValues(CSettingsStore& store, const std::string& writer)
{
    for (int i = 0; i < kWritesPerWriter; ++i) {
        const std::string n = std::to_string(i);
        store.WriteString("Shared", writer + " " + n, writer + " value " + n);
        store.WriteInt(writer, "Number " + n, i);
        store.ReadInt("Fresh " + n, "x", 0); // all create the same sections at once
    }
}

// Runs only as a child of SettingsStore.TwoProcessesWritingAtOnceLoseNothing.
TEST(SettingsStoreWriter, WritesItsShare)
{
    const char* path = std::getenv("BRUMBLE_TEST_WRITER_DB");
    const char* name = std::getenv("BRUMBLE_TEST_WRITER_NAME");
    if (path == nullptr || name == nullptr)
        GTEST_SKIP() << "helper process of a concurrency test";
    CSettingsStore store(path);
    ASSERT_TRUE(store.IsOpen());
    WriteManyValues(store, name);
}

TEST_F(SettingsStore, TwoProcessesWritingAtOnceLoseNothing)
{
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char* name : {"first", "second"}) {
        auto& process = writers.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRUMBLE_TEST_WRITER_DB"), QString::fromStdString(path));
        env.insert(QStringLiteral("BRUMBLE_TEST_WRITER_NAME"), QLatin1String(name));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--gtest_filter=SettingsStoreWriter.WritesItsShare")});
    }
    {
        CSettingsStore store(path);
        WriteManyValues(store, "third");
    }
    for (auto& process : writers) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0) << process->readAll().toStdString();
    }

    CSettingsStore store(path);
    EXPECT_EQ(store.Values("Shared").size(), 3u * kWritesPerWriter);
    for (const std::string writer : {"first", "second", "third"}) {
        EXPECT_EQ(store.Values(writer).size(), static_cast<std::size_t>(kWritesPerWriter));
        for (int i = 0; i < kWritesPerWriter; ++i) {
            const std::string n = std::to_string(i);
            ASSERT_EQ(store.ReadString("Shared", writer + " " + n, ""), writer + " value " + n);
            ASSERT_EQ(store.ReadInt(writer, "Number " + n, -1), i);
        }
    }
    EXPECT_EQ(store.Sections().size(), 4u + kWritesPerWriter); // each Fresh section once
}

} // namespace
