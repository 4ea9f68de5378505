#pragma once
// The per-user settings tree: sections holding named values, each a 32-bit number or a
// string, kept in an SQLite database (settings.db in the configuration folder).
// Section and value names compare without regard to (ASCII) case and keep the case they
// were first written with; sections and values enumerate in insertion order.
// Reads that fail return their default, writes that fail are ignored. Writes reach the file
// at once; read answers are remembered only until anything changes (see m_cache), so two
// running programs sharing the file see each other's writes within a few milliseconds.

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class CMessageSink;

class CSettingsStore final {
public:
    struct Value {
        std::string name;
        bool isNumber = false;
        std::int32_t number = 0;
        std::string text;
    };
    struct Section {
        std::string name;
        std::vector<Value> values;
    };

    // Opens the database at path, creating it only when nothing (not even a symbolic link)
    // is there; links are followed, never replaced. The user hears at most once, through
    // messages (when given), about a file that is not fully usable:
    // - damaged (SQLite finds no database, or a corrupt one): moved aside (to
    //   "<file>.damaged-<timestamp>", beside the link's target for a link) and replaced by a
    //   new, empty database;
    // - readable but not writable (permissions, a read-only disk): its settings are used,
    //   writes are ignored;
    // - anything else (unreadable, a dangling link, a folder, another program's database):
    //   left exactly as it is, and the store runs in memory for this run only.
    explicit CSettingsStore(const std::string& path, CMessageSink* messages = nullptr);
    ~CSettingsStore();
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // $BRUMBLE_CONFIG_DIR, else $XDG_CONFIG_HOME/brumble, else ~/.config/brumble; the folder
    // is created when missing. DefaultPath() is that folder + "/settings.db".
    static std::string ConfigDir();
    static std::string DefaultPath();

    // False only when not even a store in memory could be made.
    bool IsOpen() const { return m_db != nullptr; }
    const std::string& Path() const { return m_path; }

    // Reading opens the section, which creates it when missing (an empty section stays).
    std::int32_t ReadInt(std::string_view section, std::string_view entry, std::int32_t def);
    std::string ReadString(std::string_view section, std::string_view entry, std::string_view def);
    void WriteInt(std::string_view section, std::string_view entry, std::int32_t value);
    void WriteString(std::string_view section, std::string_view entry, std::string_view text);
    void DeleteSection(std::string_view section);
    // Removes every section (the import of a settings file starts from an empty tree).
    void DeleteAll();
    // Replaces the whole tree by the given one in a single transaction: either every section
    // and value is stored or the old tree stays exactly as it was. Sections named alike
    // (without regard to case) merge, a later value overwriting an earlier one of its name.
    bool ReplaceAll(const std::vector<Section>& tree);

    // A number that changes whenever an answer read before may have changed: at once after
    // our own writes, within the freshness interval after another program's. A reader that
    // keeps an answer with this number need not read again while it stays the same.
    std::uint64_t Generation();

    // Enumeration in a stable (insertion) order, for the export file.
    std::vector<std::string> Sections();
    std::vector<Value> Values(std::string_view section);

private:
    enum class OpenResult { Opened, ReadOnly, Damaged, Unusable };
    enum class Access { ReadWrite, ReadOnly, Immutable };
    enum Statement {
        kFindEntry,
        kFindSection,
        kInsertSection,
        kUpsertNumber,
        kUpsertString,
        kDeleteSectionEntries,
        kDeleteSectionRow,
        kDeleteAllEntries,
        kDeleteAllSections,
        kListSections,
        kListValues,
        kBegin,
        kCommit,
        kRollback,
        kDataVersion,
        kStatementCount
    };
    struct Found {
        bool exists = false;
        int kind = 0;
        std::int64_t number = 0;
        std::string text;
    };

    static const char* StatementText(Statement which);
    OpenResult OpenDatabase(bool mayCreate);
    int OpenAs(Access access, bool mayCreate);
    int PrepareStatements();
    bool OpenInMemory();
    void CloseDatabase();
    bool MoveDamagedFileAside(std::string& keptAs);
    void Tell(int messageId, const std::string& keptAs);

    bool Run(Statement s);
    bool Begin();
    bool Commit();
    Found FindEntry(std::string_view section, std::string_view entry);
    Found LookUpEntry(std::string_view section, std::string_view entry);
    void DropCache();
    void DropCacheIfChangedElsewhere();
    std::int64_t SectionId(std::string_view section); // opens (creates) it; -1 on failure
    void WriteValue(std::string_view section, std::string_view entry, bool isNumber,
                    std::int32_t number, std::string_view text);

    std::string m_path;
    CMessageSink* m_messages = nullptr;
    sqlite3* m_db = nullptr;
    // False for a file opened read-only: writes then return before touching it (so neither
    // the cache nor a lock wait is spent on a write that cannot succeed).
    bool m_writable = false;
    std::array<sqlite3_stmt*, kStatementCount> m_statements{};
    // Cached statements are not safe to share between threads; the lock keeps a stray
    // caller from another thread from corrupting an operation in progress.
    std::mutex m_mutex;

    // Settings are read at the moment of use, some of them after every network read, so
    // answers are kept until anything changes: our own writes drop the cache at once, and
    // another instance's commits (SQLite's data_version) are noticed within kCacheCheck.
    static constexpr std::chrono::milliseconds kCacheCheck{20};
    std::unordered_map<std::string, Found> m_cache;
    std::string m_key;             // the cache key of the read in progress, reused
    std::uint64_t m_generation = 0; // counts the times the cache was dropped
    std::int64_t m_dataVersion = -1;
    std::chrono::steady_clock::time_point m_lastVersionCheck{};
};
