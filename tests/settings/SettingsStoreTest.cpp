#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QProcess>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "settings/SettingsStore.h"
#include "settings/writer/ConcurrentWrites.h"

namespace {

using brumble::test::CRecordingMessageSink;
using brumble::test::FileBytes;
using brumble::test::PutFile;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

Strings Names(const std::vector<CSettingsStore::Value>& values)
{
    Strings names;
    for (const auto& value : values)
        names.push_back(value.name);
    return names;
}

// Every file in folder that the store has moved aside.
Strings KeptAsideIn(const std::string& folder)
{
    Strings kept;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec)) {
        const std::string name = item.path().filename().string();
        if (name.find(".damaged-") != std::string::npos && !name.ends_with("-wal") &&
            !name.ends_with("-shm"))
            kept.push_back(item.path().string());
    }
    return kept;
}

class SettingsStore : public testing::Test {
protected:
    Strings KeptAside() const { return KeptAsideIn(dir.Path()); }

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

    // The generation tells a reader that keeps an answer when to read again: reads leave it,
    // our writes change it at once, the other connection's within the same short while.
    const std::uint64_t before = first.Generation();
    EXPECT_EQ(first.ReadInt("host", "n", 0), 8);
    EXPECT_EQ(first.Generation(), before);
    first.WriteInt("host", "n", 9);
    const std::uint64_t afterOwnWrite = first.Generation();
    EXPECT_NE(afterOwnWrite, before);
    second.WriteInt("host", "n", 10);
    ASSERT_TRUE(brumble::test::WaitUntil([&] { return first.Generation() != afterOwnWrite; }, 1000));
    EXPECT_EQ(first.ReadInt("host", "n", 0), 10);
}

TEST_F(SettingsStore, DamageFoundAgainNeverOverwritesWhatWasKept)
{
    CRecordingMessageSink messages;
    // Found twice, mostly within one second: the second file needs a name beyond the time.
    for (int round = 0; round < 2; ++round) {
        PutFile(path, "damage " + std::to_string(round));
        CSettingsStore store(path, &messages);
        store.WriteInt("h", "n", round + 1);
    }
    EXPECT_EQ(CSettingsStore(path, &messages).ReadInt("h", "n", 0), 2); // a sound new file
    Strings kept = KeptAside();
    std::sort(kept.begin(), kept.end());
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(FileBytes(kept[0]) + FileBytes(kept[1]), "damage 0damage 1");
    EXPECT_EQ(messages.shown.size(), 2u);

    // Corrupt pages behind a readable header count as damage.
    {
        CSettingsStore store(path);
        for (int i = 0; i < 50; ++i)
            store.WriteString("host", "entry " + std::to_string(i), std::string(300, 'v'));
    }
    std::string bytes = FileBytes(path);
    ASSERT_GT(bytes.size(), 8192u);
    std::fill(bytes.begin() + 4096, bytes.begin() + 8192, '\x5a');
    PutFile(path, bytes);
    EXPECT_TRUE(CSettingsStore(path, &messages).Sections().empty());
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(KeptAside().size(), 3u);
}

// Root reads and writes past file permissions through two capabilities. While this lives the
// calling thread (the one the store runs on) goes without them, so that a read-only file is
// read-only to root as well; for anyone else it changes nothing.
class CScopedPermissionChecks {
public:
    CScopedPermissionChecks()
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~CScopedPermissionChecks()
    {
        if (m_lowered)
            syscall(SYS_capset, &m_header, m_saved);
    }
    CScopedPermissionChecks(const CScopedPermissionChecks&) = delete;
    CScopedPermissionChecks& operator=(const CScopedPermissionChecks&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

enum class Layout {
    IntactFile,
    DamagedFile,
    NoFile,
    LinkToIntactFile,
    LinkToDamagedFile,
    DanglingLink,
    FolderInItsPlace,
    OtherProgramsDatabase,
    PlainFileForFolder,
};
enum class Told { Nothing, CannotOpen, ReadOnly, KeptAside };

struct FileState {
    const char* name;
    Layout layout;
    fs::perms fileMode; // fs::perms::unknown: as created
    bool folderReadOnly;
    bool settingsSeen; // the stored value is read
    bool changesSeen;  // a change is read back in the same run
    bool changesSaved; // a change is there in the next run (once permissions are back)
    Told told;
    bool movedAside;
};

bool CanOpen(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags, 0600);
    if (fd < 0)
        return false;
    close(fd);
    if (flags & O_CREAT)
        unlink(path.c_str());
    return true;
}

// What a user could tell apart at the path: what kind of thing it is, where a link points,
// and the bytes of the file it leads to.
std::string Snapshot(const std::string& path)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    std::string shot = std::to_string(static_cast<int>(status.type()));
    if (fs::is_symlink(status))
        shot += " -> " + fs::read_symlink(path, ec).string();
    if (fs::is_regular_file(path, ec)) {
        const std::string bytes = FileBytes(path);
        shot += ": " + std::to_string(bytes.size()) + " bytes, hash " +
                std::to_string(std::hash<std::string>()(bytes));
    }
    return shot;
}

TEST_F(SettingsStore, FileStatesDecideWhatIsUsedSavedToldAndMoved)
{
    using P = fs::perms;
    constexpr P kAsIs = P::unknown;
    constexpr P kReadOnly = P::owner_read | P::group_read | P::others_read;
    // clang-format off
    const FileState states[] = {
        // name                           layout                        file mode   ro folder  seen   changes saved  told              moved
        {"intact",                        Layout::IntactFile,           kAsIs,      false,     true,  true,   true,  Told::Nothing,    false},
        {"not there yet",                 Layout::NoFile,               kAsIs,      false,     false, true,   true,  Told::Nothing,    false},
        {"link to an intact file",        Layout::LinkToIntactFile,     kAsIs,      false,     true,  true,   true,  Told::Nothing,    false},
        {"file read-only",                Layout::IntactFile,           kReadOnly,  false,     true,  false,  false, Told::ReadOnly,   false},
        {"folder read-only",              Layout::IntactFile,           kAsIs,      true,      true,  false,  false, Told::ReadOnly,   false},
        {"read-only disk",                Layout::IntactFile,           kReadOnly,  true,      true,  false,  false, Told::ReadOnly,   false},
        {"unreadable",                    Layout::IntactFile,           P::none,    false,     false, true,   false, Told::CannotOpen, false},
        {"dangling link",                 Layout::DanglingLink,         kAsIs,      false,     false, true,   false, Told::CannotOpen, false},
        {"a folder in its place",         Layout::FolderInItsPlace,     kAsIs,      false,     false, true,   false, Told::CannotOpen, false},
        {"another program's database",    Layout::OtherProgramsDatabase, kAsIs,     false,     false, true,   false, Told::CannotOpen, false},
        {"not there, folder read-only",   Layout::NoFile,               kAsIs,      true,      false, true,   false, Told::CannotOpen, false},
        {"below a plain file",            Layout::PlainFileForFolder,   kAsIs,      false,     false, true,   false, Told::CannotOpen, false},
        {"damaged",                       Layout::DamagedFile,          kAsIs,      false,     false, true,   true,  Told::KeptAside,  true},
        {"link to a damaged file",        Layout::LinkToDamagedFile,    kAsIs,      false,     false, true,   true,  Told::KeptAside,  true},
        {"damaged on a read-only disk",   Layout::DamagedFile,          kReadOnly,  true,      false, true,   false, Told::CannotOpen, false},
    };
    // clang-format on
    const std::string garbage = "this is no database\n" + std::string(5000, 'x');
    Strings unenforced;
    for (const FileState& state : states) {
        SCOPED_TRACE(state.name);
        brumble::test::ScopedTempDir root;
        // Characters a URI would read as syntax, for the ways of opening that use one.
        const std::string folder = root.File("a ?#%41 b");
        const std::string file = folder + "/settings.db";
        const std::string elsewhere = root.File("elsewhere");
        const std::string target = elsewhere + "/real.db";
        fs::create_directories(folder);
        fs::create_directories(elsewhere);
        {
            CSettingsStore store(file);
            store.WriteInt("h", "n", 5);
        }
        switch (state.layout) {
        case Layout::IntactFile:
            break;
        case Layout::DamagedFile:
            PutFile(file, garbage);
            break;
        case Layout::NoFile:
            fs::remove(file);
            break;
        case Layout::LinkToIntactFile:
            fs::rename(file, target);
            fs::create_symlink(target, file);
            break;
        case Layout::LinkToDamagedFile:
            PutFile(target, garbage);
            fs::remove(file);
            fs::create_symlink(target, file);
            break;
        case Layout::DanglingLink:
            fs::remove(file);
            // The folder it points into is there, as a mount point is while nothing is mounted.
            fs::create_directory(root.File("mount point"));
            fs::create_symlink(root.File("mount point/settings.db"), file);
            break;
        case Layout::FolderInItsPlace:
            fs::remove(file);
            fs::create_directory(file);
            PutFile(file + "/inside", "keep me");
            break;
        case Layout::OtherProgramsDatabase: {
            fs::remove(file);
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
            sqlite3_exec(db, "CREATE TABLE sections(x); INSERT INTO sections VALUES(1);", nullptr,
                         nullptr, nullptr);
            sqlite3_close(db);
            break;
        }
        case Layout::PlainFileForFolder:
            fs::remove_all(folder);
            PutFile(folder, "x");
            break;
        }
        const std::string before = Snapshot(file);
        if (state.fileMode != kAsIs)
            fs::permissions(file, state.fileMode);
        if (state.folderReadOnly)
            fs::permissions(folder, kReadOnly | P::owner_exec | P::group_exec | P::others_exec);

        CRecordingMessageSink messages;
        std::int32_t readFirst = 0;
        std::int32_t readAfterWrite = 0;
        {
            CScopedPermissionChecks asAnyUser;
            // A user whom permissions do not bind would make these rows meaningless.
            const bool enforced =
                (state.fileMode == kAsIs ||
                 !CanOpen(file, state.fileMode == P::none ? O_RDONLY : O_WRONLY)) &&
                (!state.folderReadOnly || !CanOpen(folder + "/probe", O_WRONLY | O_CREAT));
            if (!enforced) {
                unenforced.push_back(state.name);
            } else {
                CSettingsStore store(file, &messages);
                readFirst = store.ReadInt("h", "n", 0);
                store.WriteInt("h", "n", 9);
                store.WriteString("h", "s", "new");
                readAfterWrite = store.ReadInt("h", "n", 0);
            }
        }
        if (state.folderReadOnly)
            fs::permissions(folder, P::owner_all);
        if (state.fileMode != kAsIs)
            fs::permissions(file, P::owner_read | P::owner_write);
        if (!unenforced.empty() && unenforced.back() == state.name)
            continue;

        EXPECT_EQ(readFirst, state.settingsSeen ? 5 : 0);
        EXPECT_EQ(readAfterWrite, state.changesSeen ? 9 : readFirst);

        const Strings kept =
            KeptAsideIn(state.layout == Layout::LinkToDamagedFile ? elsewhere : folder);
        EXPECT_EQ(kept.size(), state.movedAside ? 1u : 0u);
        if (state.movedAside && kept.size() == 1u) {
            EXPECT_EQ(FileBytes(kept[0]), garbage);
        }
        if (!state.changesSaved) {
            EXPECT_EQ(Snapshot(file), before);
        }
        if (state.layout == Layout::LinkToIntactFile || state.layout == Layout::LinkToDamagedFile) {
            EXPECT_TRUE(fs::is_symlink(file));
        }
        // Last, as a file still damaged is moved aside now.
        EXPECT_EQ(CSettingsStore(file).ReadInt("h", "n", 0) == 9, state.changesSaved);

        std::string text;
        switch (state.told) {
        case Told::Nothing:
            break;
        case Told::CannotOpen:
            text = "The settings file " + file +
                   " could not be opened. Brumble is starting with "
                   "empty settings, and changes to them will not be saved.";
            break;
        case Told::ReadOnly:
            text = "The settings file " + file +
                   " can be read but not written. Brumble is using "
                   "the settings in it, but changes to them will not be saved.";
            break;
        case Told::KeptAside:
            text = "The settings file " + file + " could not be read and was kept as " +
                   (kept.empty() ? std::string() : kept[0]) +
                   ". Brumble is starting with empty settings.";
            break;
        }
        ASSERT_EQ(messages.shown.size(), text.empty() ? 0u : 1u);
        if (!text.empty()) {
            EXPECT_EQ(messages.shown[0].text, text);
            EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Exclamation);
        }
    }
    if (!unenforced.empty())
        GTEST_SKIP() << "file permissions do not bind this user, so these rows were not run: "
                     << testing::PrintToString(unenforced);
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
TEST_F(SettingsStore, TwoProcessesWritingAtOnceLoseNothing)
{
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const char* name : {"first", "second"}) {
        auto& process = writers.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral(BRUMBLE_SETTINGS_WRITER),
                       {QString::fromStdString(path), QLatin1String(name)});
    }
    {
        CSettingsStore store(path);
        brumble::test::WriteManyValues(store, "third");
    }
    for (auto& process : writers) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0) << process->readAll().toStdString();
    }

    CSettingsStore store(path);
    EXPECT_EQ(store.Values("Shared").size(), 3u * brumble::test::kWritesPerWriter);
    for (const std::string writer : {"first", "second", "third"}) {
        EXPECT_EQ(store.Values(writer).size(),
                  static_cast<std::size_t>(brumble::test::kWritesPerWriter));
        for (int i = 0; i < brumble::test::kWritesPerWriter; ++i) {
            const std::string n = std::to_string(i);
            ASSERT_EQ(store.ReadString("Shared", writer + " " + n, ""), writer + " value " + n);
            ASSERT_EQ(store.ReadInt(writer, "Number " + n, -1), i);
        }
    }
    EXPECT_EQ(store.Sections().size(),
              4u + brumble::test::kWritesPerWriter); // each Fresh section once
}

} // namespace
