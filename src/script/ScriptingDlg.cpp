#include "script/ScriptingDlg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>

#include "alerts/SoundPlayer.h"
#include "base/AppServices.h"
#include "base/RandomGenerator.h"
#include "base/SessionView.h"
#include "res/StringTable.h"
#include "script/ScriptResources.h"
#include "script/WildcardMatcher.h"
#include "settings/NumberedList.h"

namespace {

constexpr std::string_view kConditionFormat = "Script Condition %02d";
constexpr std::string_view kCommandsFormat = "Script Commands %02d";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

// The read command sends a whole file as commands and runs on the UI thread, so a huge file
// would freeze the window and flood the server. It sends at most the first 10,000 lines
// within the first 1 MiB of the file; a line cut by the byte limit is left out rather than
// sent half. The line command chooses among the same lines, so it too reads no more than
// 1 MiB and never sends a piece of a line.
constexpr std::size_t kReadByteLimit = 1u << 20;
constexpr int kReadLineLimit = 10000;

// Script timer n is window timer n + 10.
constexpr int kScriptTimerBase = 10;

// Decimal number as the commands store it: leading white space and a sign, then digits up to
// the first other character; no digits gives 0. Saturates instead of overflowing; callers
// use the low 32 bits, as the value was written with "%ld".
std::int64_t ReadNumber(std::string_view text)
{
    std::size_t i = text.find_first_not_of(kWhiteSpace);
    if (i == std::string_view::npos)
        return 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::uint32_t Low32(std::int64_t value)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// A 32-bit number as the stored form writes it with "%ld".
std::string Decimal(std::uint32_t value)
{
    return std::to_string(static_cast<std::int32_t>(value));
}

// The codes of the commands, in the order of their names in the string table.
constexpr char kCommandCodes[] = {'B', 'C', 'X', 'T', 'K', 'L', 'R', 'S'};
constexpr int kCommandNames[] = {ScriptResources::kBeep,      ScriptResources::kColour,
                                 ScriptResources::kSend,      ScriptResources::kSetTimer,
                                 ScriptResources::kKillTimer, ScriptResources::kLine,
                                 ScriptResources::kRead,      ScriptResources::kSave};

std::string Name(int id)
{
    return LoadString(id);
}

// "name (parameter)"
std::string Named(int id, std::string_view parameter)
{
    std::string text = Name(id);
    text += " (";
    text += parameter;
    text += ')';
    return text;
}

// Calls f(piece) for every piece of text between line feeds.
template <typename F> void ForEachLine(std::string_view text, F f)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t lineFeed = text.find('\n', start);
        f(text.substr(start, lineFeed == std::string_view::npos ? std::string_view::npos
                                                                : lineFeed - start));
        if (lineFeed == std::string_view::npos)
            return;
        start = lineFeed + 1;
    }
}

void AppendLine(std::string& out, const std::string& line)
{
    if (line.empty())
        return;
    if (!out.empty())
        out += '\n';
    out += line;
}

// The parameter of a display line: the text after the name, trimmed at both ends, must be
// in parentheses; gives what is inside, or nothing when the line is not of that form.
std::optional<std::string_view> Parameter(std::string_view line, std::string_view name)
{
    std::string_view rest = line.substr(name.size());
    const std::size_t begin = rest.find_first_not_of(kWhiteSpace);
    if (begin == std::string_view::npos)
        return std::nullopt;
    rest = rest.substr(begin, rest.find_last_not_of(kWhiteSpace) - begin + 1);
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')')
        return std::nullopt;
    return rest.substr(1, rest.size() - 2);
}

// The hexadecimal digits of a colour, as an unsigned 32-bit value; a character that is not a
// digit counts as 0.
std::uint32_t ReadHex(std::string_view digits)
{
    std::uint32_t value = 0;
    for (char c : digits) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        value = value * 16 + digit;
    }
    return value;
}

std::string ConditionToDisplay(std::string_view stored)
{
    if (stored.empty())
        return {};
    const std::string_view rest = stored.substr(1);
    switch (stored.front()) {
    case 'C':
        return Name(ScriptResources::kOnConnect) + " ( )";
    case 'T': {
        const auto number = static_cast<std::int32_t>(Low32(ReadNumber(rest)));
        return number != 0 ? Named(ScriptResources::kOnTimer, std::to_string(number))
                           : Name(ScriptResources::kOnTimer) + " ( )";
    }
    case 'R':
        return rest.empty() ? std::string() : Named(ScriptResources::kOnReceive, rest);
    default:
        return {};
    }
}

std::string CommandToDisplay(std::string_view command)
{
    if (command.empty())
        return {};
    const std::string_view p = command.substr(1);
    switch (command.front()) {
    case 'B':
        return p.empty() ? std::string() : Named(ScriptResources::kBeep, p);
    case 'X':
        return p.empty() ? std::string() : Named(ScriptResources::kSend, p);
    case 'L':
        return p.empty() ? std::string() : Named(ScriptResources::kLine, p);
    case 'R':
        return p.empty() ? std::string() : Named(ScriptResources::kRead, p);
    case 'S':
        return p.empty() ? std::string() : Named(ScriptResources::kSave, p);
    case 'C': {
        // All 32 bits, so that "C-1" (the host's own text colour) shows as #FFFFFFFF and
        // comes back unchanged.
        char hex[16];
        std::snprintf(hex, sizeof hex, "#%06X", static_cast<unsigned>(Low32(ReadNumber(p))));
        return Named(ScriptResources::kColour, hex);
    }
    case 'T': {
        const std::uint32_t value = Low32(ReadNumber(p));
        const std::uint32_t timer = value & 0x7FFF;
        const std::uint32_t delay = (value >> 16) & 0x7FFF;
        if (timer == 0 || delay == 0)
            return {};
        return Named(ScriptResources::kSetTimer,
                     std::to_string(timer) + ", " + std::to_string(delay));
    }
    case 'K': {
        const auto number = static_cast<std::int32_t>(Low32(ReadNumber(p)));
        return number > 0 ? Named(ScriptResources::kKillTimer, std::to_string(number))
                          : std::string();
    }
    default:
        return {};
    }
}

std::string ConditionToStored(std::string_view display)
{
    static constexpr int kNames[] = {ScriptResources::kOnConnect, ScriptResources::kOnTimer,
                                     ScriptResources::kOnReceive};
    for (int id : kNames) {
        const std::string name = Name(id);
        if (!display.starts_with(name))
            continue;
        const auto rest = Parameter(display, name);
        if (!rest)
            return {};
        if (id == ScriptResources::kOnConnect)
            return "C";
        if (id == ScriptResources::kOnTimer) {
            const std::uint32_t number = Low32(ReadNumber(*rest));
            return number != 0 ? "T" + Decimal(number) : std::string("T");
        }
        return rest->empty() ? std::string() : "R" + std::string(*rest);
    }
    return {};
}

std::string CommandToStored(std::string_view line)
{
    for (std::size_t i = 0; i < std::size(kCommandNames); ++i) {
        const std::string name = Name(kCommandNames[i]);
        if (!line.starts_with(name))
            continue;
        const auto rest = Parameter(line, name);
        if (!rest)
            return {};
        const char code = kCommandCodes[i];
        switch (code) {
        case 'C':
            return rest->starts_with('#') ? "C" + Decimal(ReadHex(rest->substr(1))) : std::string();
        case 'T': {
            const std::size_t comma =
                rest->size() > 2 ? rest->find(',', 1) : std::string_view::npos;
            if (comma == std::string_view::npos)
                return {};
            const std::uint32_t value = Low32(ReadNumber(rest->substr(0, comma))) +
                                        65536u * Low32(ReadNumber(rest->substr(comma + 1)));
            if ((value & 0x7FFF) == 0 || ((value >> 16) & 0x7FFF) == 0)
                return {};
            return "T" + Decimal(value);
        }
        case 'K': {
            const auto number = static_cast<std::int32_t>(Low32(ReadNumber(*rest)));
            return number > 0 ? "K" + std::to_string(number) : std::string();
        }
        default:
            return rest->empty() ? std::string() : code + std::string(*rest);
        }
    }
    return {};
}

// A file descriptor that closes itself.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Fd() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};

// Opens a regular file only. O_NONBLOCK keeps a FIFO from stalling the UI thread while it
// waits for a peer; FIFOs, devices and folders are then refused like a missing file. The
// path is passed on as the bytes the user typed.
FileHandle OpenRegularFile(const std::string& path, int flags, off_t* size = nullptr)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return FileHandle(-1);
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FileHandle(-1);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return FileHandle(-1);
    }
    if (size)
        *size = info.st_size;
    return FileHandle(fd);
}

// pread that retries interruptions; returns the number of bytes read (0 at the end or on error).
std::size_t ReadAt(int fd, char* buffer, std::size_t count, off_t offset)
{
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, count, offset);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            return 0;
    }
}

// Reads up to limit bytes from the start of the file.
std::string ReadHead(int fd, std::size_t limit)
{
    std::string data;
    char buffer[65536];
    while (data.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - data.size());
        const std::size_t got = ReadAt(fd, buffer, want, static_cast<off_t>(data.size()));
        if (got == 0)
            break;
        data.append(buffer, got);
    }
    return data;
}

// The lines of a file that read sends and line chooses from: its first kReadLineLimit lines
// within its first kReadByteLimit bytes, each with its line end; a line the byte limit cuts
// is left out. A last line without a line end is kept when the file ends there.
std::string WholeLinesOfHead(int fd)
{
    std::string data = ReadHead(fd, kReadByteLimit + 1);
    const bool cut = data.size() > kReadByteLimit;
    if (cut)
        data.resize(kReadByteLimit);
    std::size_t end = 0;
    for (int lines = 0; end < data.size() && lines < kReadLineLimit; ++lines) {
        const std::size_t lineFeed = data.find('\n', end);
        if (lineFeed == std::string::npos) {
            if (!cut)
                end = data.size();
            break;
        }
        end = lineFeed + 1;
    }
    data.resize(end);
    return data;
}

// The line that starts at pos, without its line end (LF, or CR LF). A CR is part of a last
// line that has no line feed after it.
std::string_view LineAt(std::string_view data, std::size_t pos)
{
    const std::size_t lineFeed = data.find('\n', pos);
    if (lineFeed == std::string_view::npos)
        return data.substr(pos);
    std::string_view line = data.substr(pos, lineFeed - pos);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// The read command: every line of the file followed by CR LF.
void AppendFileLines(const std::string& path, std::string& out)
{
    FileHandle file = OpenRegularFile(path, O_RDONLY);
    if (!file.IsOpen())
        return;
    const std::string data = WholeLinesOfHead(file.Fd());
    std::size_t pos = 0;
    while (pos < data.size()) {
        out.append(LineAt(data, pos));
        out.append(kLineEnd);
        const std::size_t lineFeed = data.find('\n', pos);
        pos = lineFeed == std::string::npos ? data.size() : lineFeed + 1;
    }
}

// The save command: the line appended, separated from earlier contents by CR LF, so the file
// never ends with a line end.
void AppendToFile(const std::string& path, std::string_view line)
{
    off_t size = 0;
    FileHandle file = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, &size);
    if (!file.IsOpen())
        return;
    std::string record;
    if (size > 0)
        record.append(kLineEnd);
    record.append(line);
    std::size_t written = 0;
    while (written < record.size()) {
        const ssize_t done = ::write(file.Fd(), record.data() + written, record.size() - written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return;
        written += static_cast<std::size_t>(done);
    }
}

// The words of a received line for $1..$9: trimmed, split at single spaces, with the white
// space after each space skipped.
std::vector<std::string_view> WordsOf(std::string_view line)
{
    std::vector<std::string_view> words;
    const std::size_t begin = line.find_first_not_of(kWhiteSpace);
    if (begin == std::string_view::npos)
        return words;
    std::string_view rest = line.substr(begin, line.find_last_not_of(kWhiteSpace) - begin + 1);
    while (!rest.empty()) {
        const std::size_t space = rest.find(' ');
        if (space == std::string_view::npos) {
            words.push_back(rest);
            break;
        }
        words.push_back(rest.substr(0, space));
        rest.remove_prefix(space + 1);
        const std::size_t next = rest.find_first_not_of(kWhiteSpace);
        rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
    }
    return words;
}

} // namespace

CScriptingDlg::CScriptingDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

bool CScriptingDlg::MatchWildcards(std::string_view text, std::string_view pattern)
{
    return CWildcardMatcher::Match(text, pattern);
}

void CScriptingDlg::Load(std::string_view section)
{
    const NumberedList::Pairs pairs =
        NumberedList::LoadPairs(m_services.settings, section, kConditionFormat, kCommandsFormat);
    for (const auto& [condition, commands] : pairs) {
        if (condition.empty() || commands.empty())
            continue;
        m_conditions.push_back(condition);
        m_commandLists.push_back(commands);
    }
    CompileReceivePatterns();
}

void CScriptingDlg::Save()
{
    NumberedList::Pairs pairs;
    pairs.reserve(m_conditions.size());
    for (std::size_t i = 0; i < m_conditions.size(); ++i)
        pairs.emplace_back(m_conditions[i], m_commandLists[i]);
    NumberedList::SavePairs(m_services.settings, m_hostName, kConditionFormat, kCommandsFormat,
                            pairs);
}

void CScriptingDlg::CopyFrom(std::string_view section)
{
    m_conditions.clear();
    m_commandLists.clear();
    Load(section);
    Save();
}

void CScriptingDlg::SetScripts(const std::vector<std::string>& conditions,
                               const std::vector<std::string>& commandLists)
{
    m_conditions.clear();
    m_commandLists.clear();
    const std::size_t count = std::min(conditions.size(), commandLists.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (conditions[i].empty() || commandLists[i].empty())
            continue;
        m_conditions.push_back(conditions[i]);
        m_commandLists.push_back(commandLists[i]);
    }
    CompileReceivePatterns();
}

void CScriptingDlg::CompileReceivePatterns()
{
    std::vector<std::string_view> patterns;
    m_receiveScripts.clear();
    for (std::size_t i = 0; i < m_conditions.size(); ++i) {
        if (m_conditions[i].front() == 'R') {
            patterns.push_back(std::string_view(m_conditions[i]).substr(1));
            m_receiveScripts.push_back(i);
        }
    }
    m_receivePatterns.Build(patterns);
}

std::string CScriptingDlg::StoredToDisplay(std::string_view stored, bool isCommands)
{
    if (!isCommands)
        return ConditionToDisplay(stored);
    std::string out;
    ForEachLine(stored,
                [&out](std::string_view command) { AppendLine(out, CommandToDisplay(command)); });
    return out;
}

std::string CScriptingDlg::DisplayToStored(std::string_view display, bool isCommands)
{
    if (!isCommands)
        return ConditionToStored(display);
    std::string out;
    ForEachLine(display, [&out](std::string_view line) { AppendLine(out, CommandToStored(line)); });
    return out;
}

std::string CScriptingDlg::SingleLine(std::string_view text)
{
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

std::vector<CScriptingDlg::DisplayScript> CScriptingDlg::DisplayScripts() const
{
    std::vector<DisplayScript> rows;
    for (std::size_t i = 0; i < m_conditions.size(); ++i) {
        DisplayScript row{StoredToDisplay(m_conditions[i], false),
                          StoredToDisplay(m_commandLists[i], true), static_cast<int>(i)};
        if (!row.condition.empty() && !row.commands.empty())
            rows.push_back(std::move(row));
    }
    return rows;
}

void CScriptingDlg::SetDisplayScripts(const std::vector<DisplayScript>& rows)
{
    const std::size_t count = m_conditions.size();
    // Which of the scripts as they are now were shown, and which of those the rows still hold.
    std::vector<DisplayScript> shown(count);
    std::vector<bool> kept(count, false);
    for (std::size_t i = 0; i < count; ++i)
        shown[i] = {StoredToDisplay(m_conditions[i], false),
                    StoredToDisplay(m_commandLists[i], true), static_cast<int>(i)};
    auto wasShown = [&](std::size_t i) {
        return !shown[i].condition.empty() && !shown[i].commands.empty();
    };
    for (const DisplayScript& row : rows) {
        if (row.origin >= 0 && static_cast<std::size_t>(row.origin) < count &&
            wasShown(static_cast<std::size_t>(row.origin)))
            kept[static_cast<std::size_t>(row.origin)] = true;
    }
    // A hidden script goes before the first script after it that is still there.
    std::vector<std::size_t> anchor(count, count);
    for (std::size_t i = count; i-- > 0;) {
        if (wasShown(i))
            continue;
        for (std::size_t j = i + 1; j < count; ++j) {
            if (wasShown(j) && kept[j]) {
                anchor[i] = j;
                break;
            }
        }
    }

    std::vector<std::string> conditions, commandLists;
    auto putHidden = [&](std::size_t before) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!wasShown(i) && anchor[i] == before) {
                conditions.push_back(m_conditions[i]);
                commandLists.push_back(m_commandLists[i]);
            }
        }
    };
    for (const DisplayScript& row : rows) {
        const bool known = row.origin >= 0 && static_cast<std::size_t>(row.origin) < count &&
                           kept[static_cast<std::size_t>(row.origin)];
        if (known) {
            const auto origin = static_cast<std::size_t>(row.origin);
            putHidden(origin);
            // Shown once only: a second row claiming the same origin is converted.
            kept[origin] = false;
            if (row.condition == shown[origin].condition &&
                row.commands == shown[origin].commands) {
                conditions.push_back(m_conditions[origin]);
                commandLists.push_back(m_commandLists[origin]);
                continue;
            }
        }
        conditions.push_back(DisplayToStored(row.condition, false));
        commandLists.push_back(DisplayToStored(row.commands, true));
    }
    putHidden(count);
    SetScripts(conditions, commandLists);
}

std::string CScriptingDlg::RunConnectScripts(CSessionView* window)
{
    std::string out;
    for (std::size_t i = 0; i < m_conditions.size(); ++i) {
        if (m_conditions[i].front() == 'C')
            out += RunCommands(m_commandLists[i], 'C', window, nullptr, nullptr);
    }
    return out;
}

std::string CScriptingDlg::RunTimerScripts(int number, CSessionView* window)
{
    std::string out;
    // Script timers are numbered from 1; a "T" without a number (0) never fires.
    if (number == 0)
        return out;
    for (std::size_t i = 0; i < m_conditions.size(); ++i) {
        const std::string& condition = m_conditions[i];
        if (condition.front() == 'T' && ReadNumber(std::string_view(condition).substr(1)) == number)
            out += RunCommands(m_commandLists[i], 'T', window, nullptr, nullptr);
    }
    return out;
}

std::string CScriptingDlg::RunReceiveScripts(std::string_view line, CSessionView* window,
                                             std::optional<std::uint32_t>& colour)
{
    std::string out;
    // Matching has no side effects, so every pattern can be answered before any script
    // runs; the scripts then run in list order as before.
    m_receivePatterns.Match(line);
    for (const std::uint32_t k : m_receivePatterns.Matches())
        out += RunCommands(m_commandLists[m_receiveScripts[k]], 'R', window, &line, &colour);
    return out;
}

std::string CScriptingDlg::RunCommands(std::string_view commands, char event, CSessionView* window,
                                       const std::string_view* line,
                                       std::optional<std::uint32_t>* colour)
{
    // Only a received line has a line to send from, save or recolour.
    if (event != 'R') {
        line = nullptr;
        colour = nullptr;
    }
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lineFeed = commands.find('\n', start);
        const std::string_view command = commands.substr(
            start, lineFeed == std::string_view::npos ? std::string_view::npos : lineFeed - start);
        if (!command.empty()) {
            const std::string_view p = command.substr(1);
            switch (command.front()) {
            case 'B':
                PlayScriptSound(std::string(p));
                break;
            case 'C':
                if (colour)
                    *colour = Low32(ReadNumber(p));
                break;
            case 'K':
                if (window) {
                    const int timer = static_cast<int>(Low32(ReadNumber(p)) & 0x7FFF);
                    if (timer != 0)
                        window->KillWindowTimer(timer + kScriptTimerBase);
                }
                break;
            case 'L':
                if (window) {
                    if (const auto chosen = RandomLine(std::string(p))) {
                        out += *chosen;
                        out += kLineEnd;
                    }
                }
                break;
            case 'R':
                if (window)
                    AppendFileLines(std::string(p), out);
                break;
            case 'S':
                if (line)
                    AppendToFile(std::string(p), *line);
                break;
            case 'T':
                if (window) {
                    const std::uint32_t value = Low32(ReadNumber(p));
                    const int timer = static_cast<int>(value & 0x7FFF);
                    const int seconds = static_cast<int>((value >> 16) & 0x7FFF);
                    if (timer != 0 && seconds != 0)
                        window->SetWindowTimer(timer + kScriptTimerBase, seconds * 1000);
                }
                break;
            case 'X':
                if (line)
                    out += ExpandArguments(p, *line);
                else
                    out += p;
                out += kLineEnd;
                break;
            default:
                break;
            }
        }
        if (lineFeed == std::string_view::npos)
            break;
        start = lineFeed + 1;
    }
    return out;
}

void CScriptingDlg::PlayScriptSound(const std::string& name)
{
    static constexpr std::string_view kSystemSounds[] = {"Asterisk", "Exclamation", "Exit",
                                                         "Hand",     "Question",    "Start"};
    for (std::string_view sound : kSystemSounds) {
        if (EqualsNoCase(name, sound)) {
            m_services.sound.PlaySystemSound("System" + std::string(sound));
            return;
        }
    }
    if (EqualsNoCase(name, "YUM!"))
        m_services.sound.PlayEmbedded();
    else
        m_services.sound.PlayFile(name);
}

std::string CScriptingDlg::ExpandArguments(std::string_view text, std::string_view line) const
{
    const std::vector<std::string_view> words = WordsOf(line);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '$' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[i + 1];
        if (c == '*') {
            out += line;
        } else if (c >= '1' && c <= '9') {
            // A word beyond the last gives the last; a line without words gives nothing.
            const std::size_t k =
                std::min<std::size_t>(static_cast<std::size_t>(c - '0'), words.size());
            if (k > 0)
                out += words[k - 1];
        } else if (c == '$') {
            out += '$';
        } else {
            out += '$';
            out += c;
        }
        ++i;
    }
    return out;
}

std::optional<std::string> CScriptingDlg::RandomLine(const std::string& path)
{
    FileHandle file = OpenRegularFile(path, O_RDONLY);
    if (!file.IsOpen())
        return std::nullopt;
    const std::string data = WholeLinesOfHead(file.Fd());
    if (data.size() <= 1)
        return std::nullopt;
    // Two 15-bit draws make a 30-bit offset, so longer lines are more likely to be chosen.
    const std::int64_t first = m_services.random.Next();
    const std::int64_t second = m_services.random.Next();
    const std::size_t offset =
        static_cast<std::size_t>((first * 65536 + second) % static_cast<std::int64_t>(data.size()));
    // Back to the start of the line around the offset: after the last line feed at or before
    // it; the first byte is never looked at, so a file that starts with a line feed gives
    // its first, empty line for offsets inside the second.
    const std::size_t lineFeed = data.rfind('\n', offset);
    const std::size_t start = lineFeed == std::string::npos || lineFeed == 0 ? 0 : lineFeed + 1;
    return std::string(LineAt(data, start));
}
