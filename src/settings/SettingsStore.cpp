#include "settings/SettingsStore.h"

#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>

#include "base/MessageSink.h"
#include "res/StringTable.h"

static_assert(SQLITE_VERSION_NUMBER >= 3035000, "the upserts and sqlite_schema need SQLite 3.35");

namespace {

namespace fs = std::filesystem;

constexpr int kKindNumber = 1;
constexpr int kKindString = 2;
// Long enough for the other instance's longest transaction (a list save is a handful of
// rows), short enough that a wedged lock cannot freeze the program for long.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kDamagedMessage = 8100;
constexpr int kUnavailableMessage = 8099;
constexpr int kReadOnlyMessage = 8098;

// Names are bytes; only ASCII letters fold, so that every other byte keeps its identity.
void AppendLowerAscii(std::string& out, std::string_view text)
{
    for (const char c : text)
        out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
}

std::string LowerAscii(std::string_view text)
{
    std::string key(text);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::string ColumnBytes(sqlite3_stmt* statement, int column)
{
    const void* data = sqlite3_column_blob(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    if (data == nullptr || size <= 0)
        return std::string();
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

// Binds parameters of a cached statement and always leaves it reset and unbound, so that
// an early return can never keep a read transaction open behind the next operation's back.
class CBoundStatement {
public:
    explicit CBoundStatement(sqlite3_stmt* statement) : m_statement(statement) {}
    ~CBoundStatement()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    CBoundStatement(const CBoundStatement&) = delete;
    CBoundStatement& operator=(const CBoundStatement&) = delete;

    void Bytes(int index, std::string_view bytes)
    {
        // A null pointer would bind SQL NULL rather than an empty value.
        const char* data = bytes.empty() ? "" : bytes.data();
        sqlite3_bind_blob(m_statement, index, data, static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
    void Number(int index, std::int64_t value) { sqlite3_bind_int64(m_statement, index, value); }
    int Step() { return sqlite3_step(m_statement); }
    sqlite3_stmt* Get() const { return m_statement; }

private:
    sqlite3_stmt* m_statement;
};

// Replaces %1 and %2 in one pass over the template, so that a path which itself contains
// "%2" is shown as it is.
std::string FillIn(const std::string& text, const std::string& first, const std::string& second)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            out += text[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool PathExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// A URI naming the file read-only and unchanging, so that SQLite neither locks it nor looks
// for its shared-memory index. Every byte a URI could read as syntax is escaped.
std::string ImmutableUri(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    // An empty authority, so that a path beginning with "//" is never taken for a host.
    std::string uri = path.starts_with('/') ? "file://" : "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') ||
            std::string_view("/-._~").find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xf];
        }
    }
    return uri + "?mode=ro&immutable=1";
}

// The integrity check reads every page of the (small) file; "ok" is its only good answer.
int QuickCheck(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    bool healthy = false;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const unsigned char* line = sqlite3_column_text(statement, 0);
        healthy = line != nullptr && std::string_view(reinterpret_cast<const char*>(line)) == "ok";
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        return rc;
    return healthy ? SQLITE_OK : SQLITE_CORRUPT;
}

// Counts the tables of the database, and among them the two of ours.
int CountTables(sqlite3* db, int& all, int& ours)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT count(*), total(name IN ('sections', 'entries')) FROM "
                                "sqlite_schema WHERE type = 'table'",
                                -1, &statement, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        all = sqlite3_column_int(statement, 0);
        ours = sqlite3_column_int(statement, 1);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc;
}

// Names and keys are BLOBs so that every byte survives and comparisons are plain byte
// comparisons; the row ids give the insertion order that enumeration follows.
constexpr const char* kSchema =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS sections(id INTEGER PRIMARY KEY, name BLOB NOT NULL, "
    "key BLOB NOT NULL UNIQUE);"
    "CREATE TABLE IF NOT EXISTS entries(id INTEGER PRIMARY KEY, section INTEGER NOT NULL, "
    "name BLOB NOT NULL, key BLOB NOT NULL, kind INTEGER NOT NULL, "
    "number INTEGER NOT NULL DEFAULT 0, text BLOB, UNIQUE(section, key));"
    "COMMIT;";

} // namespace

const char* CSettingsStore::StatementText(Statement which)
{
    switch (which) {
    case kFindEntry:
        return "SELECT e.kind, e.number, e.text FROM entries e JOIN sections s ON s.id = e.section "
               "WHERE s.key = ?1 AND e.key = ?2";
    case kFindSection:
        return "SELECT id FROM sections WHERE key = ?1";
    case kInsertSection:
        return "INSERT INTO sections(name, key) VALUES(?1, ?2) ON CONFLICT(key) DO NOTHING";
    case kUpsertNumber:
        return "INSERT INTO entries(section, name, key, kind, number, text) "
               "VALUES(?1, ?2, ?3, 1, ?4, NULL) "
               "ON CONFLICT(section, key) DO UPDATE SET kind = 1, number = excluded.number, "
               "text = NULL";
    case kUpsertString:
        return "INSERT INTO entries(section, name, key, kind, number, text) "
               "VALUES(?1, ?2, ?3, 2, 0, ?4) "
               "ON CONFLICT(section, key) DO UPDATE SET kind = 2, number = 0, "
               "text = excluded.text";
    case kDeleteSectionEntries:
        return "DELETE FROM entries WHERE section IN (SELECT id FROM sections WHERE key = ?1)";
    case kDeleteSectionRow:
        return "DELETE FROM sections WHERE key = ?1";
    case kDeleteAllEntries:
        return "DELETE FROM entries";
    case kDeleteAllSections:
        return "DELETE FROM sections";
    case kListSections:
        return "SELECT name FROM sections ORDER BY id";
    case kListValues:
        return "SELECT e.name, e.kind, e.number, e.text FROM entries e "
               "JOIN sections s ON s.id = e.section WHERE s.key = ?1 ORDER BY e.id";
    case kBegin:
        return "BEGIN IMMEDIATE";
    case kCommit:
        return "COMMIT";
    case kRollback:
        return "ROLLBACK";
    case kDataVersion:
        return "PRAGMA data_version";
    case kStatementCount:
        break;
    }
    return nullptr;
}

CSettingsStore::CSettingsStore(const std::string& path, CMessageSink* messages)
    : m_path(path), m_messages(messages)
{
    // A dangling link counts as something there: its target may be on a disk that is not
    // mounted yet, and a new file made through the link would hide it once it is.
    switch (OpenDatabase(!PathExists(m_path))) {
    case OpenResult::Opened:
        return;
    case OpenResult::ReadOnly:
        Tell(kReadOnlyMessage, std::string());
        return;
    case OpenResult::Damaged: {
        std::string keptAs;
        if (!MoveDamagedFileAside(keptAs))
            break;
        // The old file is safe under its new name, so its name is free for a new one (made
        // through the link, when there is one); whether or not that works, the user hears
        // about it once.
        if (OpenDatabase(true) != OpenResult::Opened)
            OpenInMemory();
        Tell(kDamagedMessage, keptAs);
        return;
    }
    case OpenResult::Unusable:
        break;
    }
    OpenInMemory();
    Tell(kUnavailableMessage, std::string());
}

CSettingsStore::~CSettingsStore()
{
    CloseDatabase();
}

std::string CSettingsStore::ConfigDir()
{
    std::string dir;
    const char* own = std::getenv("BRUMBLE_CONFIG_DIR");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (own != nullptr && *own != '\0') {
        dir = own;
    } else if (xdg != nullptr && *xdg == '/') { // relative values are invalid by the XDG rules
        dir = std::string(xdg) + "/brumble";
    } else {
        std::string home;
        if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
            home = env;
        } else {
            passwd entry{};
            passwd* found = nullptr;
            char buffer[4096];
            if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
                home = found->pw_dir;
        }
        dir = home + "/.config/brumble";
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

std::string CSettingsStore::DefaultPath()
{
    return ConfigDir() + "/settings.db";
}

CSettingsStore::OpenResult CSettingsStore::OpenDatabase(bool mayCreate)
{
    CloseDatabase();
    std::error_code ec;
    const fs::path parent = fs::path(m_path).parent_path();
    if (mayCreate && !parent.empty())
        fs::create_directories(parent, ec);

    // Each way of opening asks less of the file than the one before: to read and write it;
    // to read it; to read it as a file that nothing changes (no locks, no shared-memory
    // index). Only the last can read a WAL database in a folder we may not write to, such as
    // one on a read-only disk, where SQLite can neither make that index nor find one. It is
    // safe there, as a program writing the file would keep the index beside it and the
    // second way would have used it. (A WAL left behind by a crash is not read then: the
    // settings are a little older, and as nothing is written, nothing of it is lost.)
    for (Access access : {Access::ReadWrite, Access::ReadOnly, Access::Immutable}) {
        const int rc = OpenAs(access, mayCreate);
        if (rc == SQLITE_OK)
            return m_writable ? OpenResult::Opened : OpenResult::ReadOnly;
        CloseDatabase();
        switch (rc & 0xff) {
        // Only SQLite's verdict on the bytes of the file counts as damage. A file it cannot
        // reach, a lock held too long, a full disk or another program's database say nothing
        // against the file and must never get it moved.
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return OpenResult::Damaged;
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
            continue; // perhaps it can be read with less
        default:
            return OpenResult::Unusable;
        }
    }
    return OpenResult::Unusable;
}

int CSettingsStore::OpenAs(Access access, bool mayCreate)
{
    std::string name = m_path;
    int flags = SQLITE_OPEN_READONLY;
    if (access == Access::ReadWrite)
        flags = SQLITE_OPEN_READWRITE | (mayCreate ? SQLITE_OPEN_CREATE : 0);
    if (access == Access::Immutable) {
        name = ImmutableUri(m_path);
        flags |= SQLITE_OPEN_URI;
    }
    int rc = sqlite3_open_v2(name.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // SQLite quietly opens a file it may not write read-only.
    m_writable = sqlite3_db_readonly(m_db, "main") == 0;

    // Everything is read and checked before anything is written, so that a file we cannot
    // use (another program's database, say) is left exactly as it was.
    int all = 0;
    int ours = 0;
    rc = QuickCheck(m_db);
    if (rc == SQLITE_OK)
        rc = CountTables(m_db, all, ours);
    if (rc != SQLITE_OK)
        return rc;
    const bool fresh = all == 0;
    if (!fresh && ours != 2)
        return SQLITE_EMPTY; // not ours; no verdict on the file
    if (!fresh && (rc = PrepareStatements()) != SQLITE_OK)
        return rc;
    if (!m_writable)
        return fresh ? SQLITE_EMPTY : SQLITE_OK; // an empty file read-only: nothing to use

    // WAL lets one instance read while the other writes. A file that is writable in a
    // folder that is not can keep neither a WAL nor a journal beside it: it is read-only
    // in effect, and the next way of opening treats it so.
    rc = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    const int primary = rc & 0xff;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT || primary == SQLITE_READONLY ||
        primary == SQLITE_CANTOPEN)
        return rc;
    sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    if (!fresh)
        return SQLITE_OK;
    rc = sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return rc;
    }
    return PrepareStatements();
}

int CSettingsStore::PrepareStatements()
{
    // Preparing every statement also proves the schema usable: a table of the same name but
    // other columns, or without the unique keys the upserts rely on, fails here.
    int rc = SQLITE_OK;
    for (int i = 0; rc == SQLITE_OK && i < kStatementCount; ++i)
        rc = sqlite3_prepare_v3(m_db, StatementText(static_cast<Statement>(i)), -1,
                                SQLITE_PREPARE_PERSISTENT,
                                &m_statements[static_cast<std::size_t>(i)], nullptr);
    return rc;
}

bool CSettingsStore::OpenInMemory()
{
    CloseDatabase();
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
        PrepareStatements() == SQLITE_OK) {
        m_writable = true;
        return true;
    }
    CloseDatabase();
    return false;
}

void CSettingsStore::CloseDatabase()
{
    DropCache();
    m_dataVersion = -1;
    for (sqlite3_stmt*& statement : m_statements) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    if (m_db != nullptr)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_writable = false;
}

bool CSettingsStore::MoveDamagedFileAside(std::string& keptAs)
{
    // Behind a symbolic link the damaged file is the target: it is set aside in its own
    // folder, where SQLite also keeps its journals, and the link stays as the user made it,
    // so that the new database is made where the link points.
    std::error_code ec;
    fs::path file = m_path;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        file = fs::canonical(file, ec);
        if (ec)
            return false;
    }
    const std::string damaged = file.string();
    if (!PathExists(damaged))
        return false;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = damaged + ".damaged-" + stamp;
    std::string target = base;
    for (int counter = 2; PathExists(target); ++counter) {
        if (counter > 1000)
            return false;
        target = base + "-" + std::to_string(counter);
    }
    fs::rename(damaged, target, ec);
    if (ec)
        return false;
    // A journal left beside the new empty file would be replayed into it; it belongs to the
    // old file, so it travels with it.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        if (PathExists(damaged + suffix))
            fs::rename(damaged + suffix, target + suffix, ec);
    }
    keptAs = target;
    return true;
}

void CSettingsStore::Tell(int messageId, const std::string& keptAs)
{
    if (m_messages == nullptr)
        return;
    m_messages->ShowMessage(FillIn(LoadString(messageId), m_path, keptAs),
                            CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
}

bool CSettingsStore::Run(Statement s)
{
    CBoundStatement statement(m_statements[s]);
    return statement.Step() == SQLITE_DONE;
}

bool CSettingsStore::Begin()
{
    if (!sqlite3_get_autocommit(m_db)) // never build on a transaction a failure left open
        Run(kRollback);
    return Run(kBegin);
}

bool CSettingsStore::Commit()
{
    if (Run(kCommit))
        return true;
    Run(kRollback);
    return false;
}

CSettingsStore::Found CSettingsStore::FindEntry(std::string_view section, std::string_view entry)
{
    if (m_db == nullptr)
        return {};
    DropCacheIfChangedElsewhere();
    // The key is built in the same buffer every time: a read answered from the cache
    // allocates nothing.
    m_key.clear();
    AppendLowerAscii(m_key, section);
    m_key.push_back('\0');
    AppendLowerAscii(m_key, entry);
    if (auto it = m_cache.find(m_key); it != m_cache.end())
        return it->second;
    Found found = LookUpEntry(section, entry);
    if (m_cache.size() >= 4096)
        DropCache();
    m_cache.emplace(m_key, found);
    return found;
}

void CSettingsStore::DropCache()
{
    m_cache.clear();
    ++m_generation;
}

std::uint64_t CSettingsStore::Generation()
{
    std::lock_guard lock(m_mutex);
    if (m_db != nullptr)
        DropCacheIfChangedElsewhere();
    return m_generation;
}

void CSettingsStore::DropCacheIfChangedElsewhere()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastVersionCheck < kCacheCheck && m_dataVersion >= 0)
        return;
    m_lastVersionCheck = now;
    std::int64_t version = -1;
    {
        CBoundStatement statement(m_statements[kDataVersion]);
        if (statement.Step() == SQLITE_ROW)
            version = sqlite3_column_int64(statement.Get(), 0);
    }
    if (version != m_dataVersion || version < 0)
        DropCache();
    m_dataVersion = version;
}

CSettingsStore::Found CSettingsStore::LookUpEntry(std::string_view section, std::string_view entry)
{
    Found found;
    if (m_db == nullptr)
        return found;
    {
        CBoundStatement statement(m_statements[kFindEntry]);
        statement.Bytes(1, LowerAscii(section));
        statement.Bytes(2, LowerAscii(entry));
        if (statement.Step() == SQLITE_ROW) {
            found.exists = true;
            found.kind = sqlite3_column_int(statement.Get(), 0);
            found.number = sqlite3_column_int64(statement.Get(), 1);
            found.text = ColumnBytes(statement.Get(), 2);
            return found;
        }
    }
    SectionId(section); // reading opens the section, and opening creates it
    return found;
}

std::int64_t CSettingsStore::SectionId(std::string_view section)
{
    const std::string key = LowerAscii(section);
    auto find = [&]() -> std::int64_t {
        CBoundStatement statement(m_statements[kFindSection]);
        statement.Bytes(1, key);
        return statement.Step() == SQLITE_ROW ? sqlite3_column_int64(statement.Get(), 0) : -1;
    };
    std::int64_t id = find();
    if (id >= 0 || !m_writable)
        return id;
    {
        // Another instance may create the same section at the same moment: the conflict
        // clause lets both succeed, and the second look-up finds whichever row won.
        CBoundStatement statement(m_statements[kInsertSection]);
        statement.Bytes(1, section);
        statement.Bytes(2, key);
        statement.Step();
    }
    return find();
}

std::int32_t CSettingsStore::ReadInt(std::string_view section, std::string_view entry,
                                     std::int32_t def)
{
    std::lock_guard lock(m_mutex);
    const Found found = FindEntry(section, entry);
    if (!found.exists || found.kind != kKindNumber ||
        found.number < std::numeric_limits<std::int32_t>::min() ||
        found.number > std::numeric_limits<std::int32_t>::max())
        return def;
    return static_cast<std::int32_t>(found.number);
}

std::string CSettingsStore::ReadString(std::string_view section, std::string_view entry,
                                       std::string_view def)
{
    std::lock_guard lock(m_mutex);
    Found found = FindEntry(section, entry);
    if (!found.exists || found.kind != kKindString)
        return std::string(def);
    return std::move(found.text);
}

void CSettingsStore::WriteInt(std::string_view section, std::string_view entry, std::int32_t value)
{
    std::lock_guard lock(m_mutex);
    WriteValue(section, entry, true, value, {});
}

void CSettingsStore::WriteString(std::string_view section, std::string_view entry,
                                 std::string_view text)
{
    std::lock_guard lock(m_mutex);
    WriteValue(section, entry, false, 0, text);
}

void CSettingsStore::WriteValue(std::string_view section, std::string_view entry, bool isNumber,
                                std::int32_t number, std::string_view text)
{
    if (m_db == nullptr || !m_writable || !Begin())
        return;
    DropCache();
    const std::int64_t sectionId = SectionId(section);
    bool written = false;
    if (sectionId >= 0) {
        // The upsert keeps the row (and so its place in the enumeration) and the name as
        // first written; only the type and the value change.
        CBoundStatement statement(m_statements[isNumber ? kUpsertNumber : kUpsertString]);
        statement.Number(1, sectionId);
        statement.Bytes(2, entry);
        statement.Bytes(3, LowerAscii(entry));
        if (isNumber)
            statement.Number(4, number);
        else
            statement.Bytes(4, text);
        written = statement.Step() == SQLITE_DONE;
    }
    if (written)
        Commit();
    else
        Run(kRollback);
}

void CSettingsStore::DeleteSection(std::string_view section)
{
    std::lock_guard lock(m_mutex);
    if (m_db == nullptr || !m_writable || !Begin())
        return;
    DropCache();
    const std::string key = LowerAscii(section);
    bool done = false;
    {
        CBoundStatement entries(m_statements[kDeleteSectionEntries]);
        entries.Bytes(1, key);
        done = entries.Step() == SQLITE_DONE;
    }
    if (done) {
        CBoundStatement row(m_statements[kDeleteSectionRow]);
        row.Bytes(1, key);
        done = row.Step() == SQLITE_DONE;
    }
    if (done)
        Commit();
    else
        Run(kRollback);
}

void CSettingsStore::DeleteAll()
{
    std::lock_guard lock(m_mutex);
    if (m_db == nullptr || !m_writable || !Begin())
        return;
    DropCache();
    if (Run(kDeleteAllEntries) && Run(kDeleteAllSections))
        Commit();
    else
        Run(kRollback);
}

bool CSettingsStore::ReplaceAll(const std::vector<Section>& tree)
{
    std::lock_guard lock(m_mutex);
    if (m_db == nullptr || !m_writable || !Begin())
        return false;
    DropCache();
    bool done = Run(kDeleteAllEntries) && Run(kDeleteAllSections);
    for (const Section& section : tree) {
        if (!done)
            break;
        const std::int64_t sectionId = SectionId(section.name);
        done = sectionId >= 0;
        for (const Value& value : section.values) {
            if (!done)
                break;
            CBoundStatement statement(m_statements[value.isNumber ? kUpsertNumber : kUpsertString]);
            statement.Number(1, sectionId);
            statement.Bytes(2, value.name);
            statement.Bytes(3, LowerAscii(value.name));
            if (value.isNumber)
                statement.Number(4, value.number);
            else
                statement.Bytes(4, value.text);
            done = statement.Step() == SQLITE_DONE;
        }
    }
    if (done)
        return Commit();
    Run(kRollback);
    return false;
}

std::vector<std::string> CSettingsStore::Sections()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    if (m_db == nullptr)
        return names;
    CBoundStatement statement(m_statements[kListSections]);
    while (statement.Step() == SQLITE_ROW)
        names.push_back(ColumnBytes(statement.Get(), 0));
    return names;
}

std::vector<CSettingsStore::Value> CSettingsStore::Values(std::string_view section)
{
    std::lock_guard lock(m_mutex);
    std::vector<Value> values;
    if (m_db == nullptr)
        return values;
    CBoundStatement statement(m_statements[kListValues]);
    statement.Bytes(1, LowerAscii(section));
    while (statement.Step() == SQLITE_ROW) {
        sqlite3_stmt* row = statement.Get();
        Value value;
        value.name = ColumnBytes(row, 0);
        const int kind = sqlite3_column_int(row, 1);
        const std::int64_t number = sqlite3_column_int64(row, 2);
        if (kind == kKindNumber && number >= std::numeric_limits<std::int32_t>::min() &&
            number <= std::numeric_limits<std::int32_t>::max()) {
            value.isNumber = true;
            value.number = static_cast<std::int32_t>(number);
        } else if (kind == kKindString) {
            value.text = ColumnBytes(row, 3);
        } else {
            continue; // a row no version of the program writes: not exported
        }
        values.push_back(std::move(value));
    }
    return values;
}
