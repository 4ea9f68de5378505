#pragma once
// The per-user settings tree: sections holding named values, each a 32-bit number or a
// string, kept in an SQLite database (settings.db in the configuration folder).
// Section and value names compare without regard to (ASCII) case and keep the case they
// were first written with; sections and values enumerate in insertion order.
// Reads that fail return their default, writes that fail are ignored; there is no cache,
// so two running programs sharing the file see each other's writes at once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
class CMessageSink;

class CSettingsStore final {
public:
    struct Value {
        std::string name;
        bool isNumber = false;
        std::int32_t number = 0;
        std::string text;
    };

    // Opens (creating when needed) the database at path. A file that cannot be opened or
    // is damaged is moved aside (to "<path>.damaged-<timestamp>"), the user is told once
    // through messages (when given), and the store continues with a new, empty database.
    explicit CSettingsStore(const std::string& path, CMessageSink* messages = nullptr);
    ~CSettingsStore();
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // $BRUMBLE_CONFIG_DIR, else $XDG_CONFIG_HOME/brumble, else ~/.config/brumble; the folder
    // is created when missing. DefaultPath() is that folder + "/settings.db".
    static std::string ConfigDir();
    static std::string DefaultPath();

    bool IsOpen() const { return m_db != nullptr; }
    const std::string& Path() const { return m_path; }

    // Reading opens the section, which creates it when missing (an empty section stays).
    std::int32_t ReadInt(std::string_view section, std::string_view entry, std::int32_t def);
    std::string ReadString(std::string_view section, std::string_view entry,
                           std::string_view def);
    void WriteInt(std::string_view section, std::string_view entry, std::int32_t value);
    void WriteString(std::string_view section, std::string_view entry, std::string_view text);
    void DeleteSection(std::string_view section);
    // Removes every section (the import of a settings file starts from an empty tree).
    void DeleteAll();

    // Enumeration in a stable (insertion) order, for the export file.
    std::vector<std::string> Sections();
    std::vector<Value> Values(std::string_view section);

private:
    bool OpenDatabase();
    void MoveDamagedFileAside(const std::string& reason);
    std::int64_t SectionId(std::string_view section); // opens (creates) it; -1 on failure

    std::string m_path;
    CMessageSink* m_messages = nullptr;
    sqlite3* m_db = nullptr;
};
