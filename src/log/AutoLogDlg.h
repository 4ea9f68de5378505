#pragma once
// A host's auto-log: its four settings (kept in the host section) and the writer that puts
// every received string, and on request every command sent, into dated files in a folder.
// The session owns one per connection window and hands it the raw bytes before any
// filtering; the Auto-Log Text dialog (log/ui) edits an object of this class.

#include <QDate>
#include <QDateTime>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

struct CAppServices;

class CAutoLogDlg final {
public:
    // "AutoLogMethod": which file a piece of text goes into.
    enum Method { kPerDay = 0, kPerWeek = 1, kPerConnection = 2 };
    // The longest folder the dialog accepts.
    static constexpr int kMaxDirectoryLength = 255;

    struct Settings {
        bool enabled = false;
        int method = kPerDay;
        std::string directory; // 8-bit, as file paths are handed to the system
        bool logCommands = false;
    };

    using Clock = std::function<QDateTime()>;

    // Reads the host's four entries; no file is opened until the first text arrives.
    CAutoLogDlg(CAppServices& services, std::string hostName);
    // Closes the open file.
    ~CAutoLogDlg();
    CAutoLogDlg(const CAutoLogDlg&) = delete;
    CAutoLogDlg& operator=(const CAutoLogDlg&) = delete;

    // The folder used when the host has none stored: the user's documents folder.
    static std::string DefaultDirectory();

    // Reads the four entries of section (absent entries take their defaults).
    void Load(std::string_view section);
    // Writes the four entries to the host section.
    void Save();
    // Takes another host's four entries and saves them as this host's. A file that is
    // open stays open until the next roll-over.
    void CopyFrom(std::string_view section);

    bool IsAutoLogging() const { return m_settings.enabled; }
    const Settings& GetSettings() const { return m_settings; }
    // The dialog's OK: applies to the next write; does not save.
    void SetSettings(const Settings& settings) { m_settings = settings; }
    const std::string& HostName() const { return m_hostName; }

    // Writes text to the file for now, opening (or rolling over to) it first. Nothing
    // happens when auto-logging is off; a file that cannot be opened or written loses only
    // this text, and the next call tries again.
    void WriteAutoLog(std::string_view text);

    // The path of the open file, empty when none is open.
    const std::string& OpenFilePath() const { return m_path; }
    // Replaces the local clock (tests step through days with it).
    void SetClock(Clock clock) { m_clock = std::move(clock); }

private:
    // Whether the stored folder can be used here at all: an absolute POSIX path. Empty and
    // relative folders, and Windows paths carried over in an imported settings file, would
    // otherwise put logs wherever the program happened to be started.
    static bool IsUsableDirectory(const std::string& directory);
    std::string FilePath(int number) const;
    bool OpenFile();
    bool ClaimConnectionFile();
    void CloseFile();
    bool FileWasRemoved() const;

    CAppServices& m_services;
    std::string m_hostName;
    Settings m_settings;
    Clock m_clock;
    // The date that names the open file (for a file per week, its Sunday); none before the
    // first text.
    std::optional<QDate> m_fileDate;
    int m_fd = -1;
    std::string m_path;
    // The file a connection claimed: reopened after a failed write instead of claiming the
    // next number, so that a connection keeps to one file.
    std::string m_claimedPath;
};
