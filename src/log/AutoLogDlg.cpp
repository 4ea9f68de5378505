#include "log/AutoLogDlg.h"

#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/AppServices.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::string_view kEnabledEntry = "AutoLog";
constexpr std::string_view kMethodEntry = "AutoLogMethod";
constexpr std::string_view kDirectoryEntry = "AutoLogDir";
constexpr std::string_view kCommandsEntry = "AutoLogCommands";

// A folder holding this many files of one day for a host is not being used for logging any
// more; the search for a free number stops there instead of going on without end.
constexpr int kMaxConnectionNumber = 10000;

// Logs are appended to, never truncated: another window of the same host may be writing the
// same day's file, and with O_APPEND every write lands at the end whoever wrote last.
constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CLOEXEC;
constexpr mode_t kFileMode = 0666; // narrowed by the user's umask

int OpenForAppending(const std::string& path, int extraFlags)
{
    int fd;
    do {
        fd = ::open(path.c_str(), kAppendFlags | extraFlags, kFileMode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

CAutoLogDlg::CAutoLogDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

CAutoLogDlg::~CAutoLogDlg()
{
    CloseFile();
}

std::string CAutoLogDlg::DefaultDirectory()
{
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .toStdString();
}

void CAutoLogDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    m_settings.enabled = store.ReadInt(section, kEnabledEntry, 0) != 0;
    const int method = store.ReadInt(section, kMethodEntry, kPerDay);
    // An unknown method (a damaged or hand-edited entry) logs per day, as the dialog shows it.
    m_settings.method = method == kPerWeek || method == kPerConnection ? method : kPerDay;
    m_settings.directory = store.ReadString(section, kDirectoryEntry, DefaultDirectory());
    m_settings.logCommands = store.ReadInt(section, kCommandsEntry, 0) != 0;
}

void CAutoLogDlg::Save()
{
    CSettingsStore& store = m_services.settings;
    store.WriteInt(m_hostName, kEnabledEntry, m_settings.enabled ? 1 : 0);
    store.WriteInt(m_hostName, kMethodEntry, m_settings.method);
    store.WriteString(m_hostName, kDirectoryEntry, m_settings.directory);
    store.WriteInt(m_hostName, kCommandsEntry, m_settings.logCommands ? 1 : 0);
}

void CAutoLogDlg::CopyFrom(std::string_view section)
{
    Load(section);
    Save();
}

void CAutoLogDlg::WriteAutoLog(std::string_view text)
{
    if (!m_settings.enabled)
        return;

    QDate date = (m_clock ? m_clock() : QDateTime::currentDateTime()).date();
    if (!date.isValid())
        return;
    // A week's file is named by the Sunday that began the week (Qt counts Monday as 1 and
    // Sunday as 7).
    if (m_settings.method == kPerWeek)
        date = date.addDays(-(date.dayOfWeek() % 7));

    // A new day (or week) starts a new file with its first text, not on a timer; a
    // connection's file is kept, whatever the time.
    if (!m_fileDate || (m_settings.method != kPerConnection && *m_fileDate != date)) {
        m_fileDate = date;
        CloseFile();
        m_claimedPath.clear();
    }

    // A file whose folder was deleted under it would swallow every later write unseen.
    if (m_fd >= 0 && FileWasRemoved())
        CloseFile();
    if (m_fd < 0 && !OpenFile())
        return;

    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A full disk or a failing device loses this text only: the next write opens
            // the file afresh.
            CloseFile();
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

bool CAutoLogDlg::IsUsableDirectory(const std::string& directory)
{
    return !directory.empty() && directory.front() == '/' &&
           directory.find('\\') == std::string::npos;
}

std::string CAutoLogDlg::FilePath(int number) const
{
    char name[48];
    if (number > 0)
        std::snprintf(name, sizeof name, "%04d%02d%02d-%d.txt", m_fileDate->year(),
                      m_fileDate->month(), m_fileDate->day(), number);
    else
        std::snprintf(name, sizeof name, "%04d%02d%02d.txt", m_fileDate->year(),
                      m_fileDate->month(), m_fileDate->day());
    const std::string& directory = m_settings.directory;
    return directory + (directory.back() == '/' ? "" : "/") + name;
}

bool CAutoLogDlg::OpenFile()
{
    if (m_settings.method == kPerConnection)
        return ClaimConnectionFile();
    if (!IsUsableDirectory(m_settings.directory))
        return false;
    std::string path = FilePath(0);
    m_fd = OpenForAppending(path, O_CREAT);
    if (m_fd < 0)
        return false;
    m_path = std::move(path);
    return true;
}

bool CAutoLogDlg::ClaimConnectionFile()
{
    if (!m_claimedPath.empty()) {
        m_fd = OpenForAppending(m_claimedPath, 0);
        if (m_fd >= 0) {
            m_path = m_claimedPath;
            return true;
        }
        if (errno != ENOENT)
            return false;
        // The file is gone; its number may be someone else's by now.
        m_claimedPath.clear();
    }
    if (!IsUsableDirectory(m_settings.directory))
        return false;
    // Creating the file exclusively claims its number: two windows of the same host never
    // end up in one connection file, however close together they start.
    for (int number = 1; number <= kMaxConnectionNumber; ++number) {
        std::string path = FilePath(number);
        m_fd = OpenForAppending(path, O_CREAT | O_EXCL);
        if (m_fd >= 0) {
            m_path = path;
            m_claimedPath = std::move(path);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

void CAutoLogDlg::CloseFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

bool CAutoLogDlg::FileWasRemoved() const
{
    struct stat info {};
    return ::fstat(m_fd, &info) == 0 && info.st_nlink == 0;
}
