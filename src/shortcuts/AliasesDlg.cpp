#include "shortcuts/AliasesDlg.h"

#include "base/AppServices.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasResources.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::string_view kLegacySection = "Shortcuts";
constexpr std::string_view kAliasCharEntry = "Alias Char";
constexpr std::string_view kNameFormat = "Alias %02d";
constexpr std::string_view kActionFormat = "Alias Action %02d";
constexpr std::string_view kLegacyFormat = "Alias %d";
constexpr std::int32_t kDefaultAliasChar = 92; // backslash

// White space as the C library's isspace sees it in the "C" locale; bytes from 128 up are
// never white space, whatever the user's locale.
bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view TrimLeft(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsWhite(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view Trim(std::string_view s)
{
    s = TrimLeft(s);
    std::size_t n = s.size();
    while (n > 0 && IsWhite(s[n - 1]))
        --n;
    return s.substr(0, n);
}

// Words are separated by a space followed by any further white space; a tab that does not
// follow a space belongs to the word before it.
std::vector<std::string_view> SplitWords(std::string_view args)
{
    std::vector<std::string_view> words;
    std::string_view rest = Trim(args);
    while (!rest.empty()) {
        std::size_t space = rest.find(' ');
        if (space == std::string_view::npos) {
            words.push_back(rest);
            break;
        }
        words.push_back(rest.substr(0, space));
        rest = TrimLeft(rest.substr(space));
    }
    return words;
}

} // namespace

CAliasesDlg::CAliasesDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CAliasesDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    const std::int32_t globalChar =
        store.ReadInt(kLegacySection, kAliasCharEntry, kDefaultAliasChar);
    const std::int32_t hostChar = store.ReadInt(section, kAliasCharEntry, globalChar);
    m_aliasChar = static_cast<char>(static_cast<unsigned char>(hostChar & 0xFF));

    if (NumberedList::NeedsMigration(store, section, NumberedList::EntryName(kNameFormat, 1)))
        ImportLegacyList();

    // A pair with an empty action is skipped; the list ends at the first empty name.
    for (auto& [name, action] :
         NumberedList::LoadPairs(store, section, kNameFormat, kActionFormat)) {
        if (!action.empty())
            Append(std::move(name), std::move(action));
    }
}

void CAliasesDlg::ImportLegacyList()
{
    // Old global entries read "name=action"; the first "=" ends the name.
    for (const std::string& entry :
         NumberedList::LoadLegacy(m_services.settings, kLegacySection, kLegacyFormat)) {
        const std::size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0)
            continue;
        std::string action = entry.substr(eq + 1);
        if (!action.empty())
            Append(entry.substr(0, eq), std::move(action));
    }
}

void CAliasesDlg::Append(std::string name, std::string action)
{
    m_aliasNames.push_back(std::move(name));
    m_aliasActions.push_back(std::move(action));
}

void CAliasesDlg::Save()
{
    CSettingsStore& store = m_services.settings;
    store.WriteInt(m_hostName, kAliasCharEntry,
                   static_cast<std::int32_t>(static_cast<signed char>(m_aliasChar)));

    // A pair with an empty name would end the list for the next load and hide every alias
    // after it; one with an empty action would never be loaded. Neither is written.
    NumberedList::Pairs pairs;
    pairs.reserve(m_aliasNames.size());
    for (std::size_t i = 0; i < m_aliasNames.size(); ++i) {
        if (!m_aliasNames[i].empty() && !m_aliasActions[i].empty())
            pairs.emplace_back(m_aliasNames[i], m_aliasActions[i]);
    }
    NumberedList::SavePairs(store, m_hostName, kNameFormat, kActionFormat, pairs);
}

void CAliasesDlg::CopyFrom(std::string_view section)
{
    m_aliasNames.clear();
    m_aliasActions.clear();
    Load(section);
    Save();
}

CAliasesDlg::AliasList CAliasesDlg::Aliases() const
{
    AliasList list;
    list.reserve(m_aliasNames.size());
    for (std::size_t i = 0; i < m_aliasNames.size(); ++i)
        list.emplace_back(m_aliasNames[i], m_aliasActions[i]);
    return list;
}

void CAliasesDlg::SetAliases(char aliasChar, const AliasList& aliases)
{
    m_aliasChar = aliasChar;
    m_aliasNames.clear();
    m_aliasActions.clear();
    for (const auto& [name, action] : aliases)
        Append(name, action);
}

int CAliasesDlg::ValidateEntry(const std::string& name, const std::string& action, bool checkName)
{
    if (action.empty() || (checkName && name.empty()))
        return AliasResources::kMsgNameOrActionEmpty;
    return 0;
}

int CAliasesDlg::ExpandAlias(std::string& line) const
{
    std::size_t match = m_aliasNames.size();
    std::size_t prefixLength = 0;
    for (std::size_t i = 0; i < m_aliasNames.size(); ++i) {
        const std::string& name = m_aliasNames[i];
        prefixLength = name.size() + 2;
        if (line.size() >= prefixLength && line[0] == m_aliasChar &&
            line.compare(1, name.size(), name) == 0 && line[name.size() + 1] == ' ') {
            match = i;
            break;
        }
    }
    if (match == m_aliasNames.size())
        return 0;

    const std::string args = line.substr(prefixLength);
    const std::vector<std::string_view> words = SplitWords(args);
    std::string out = m_aliasActions[match];

    // Substituted text is never scanned again: scanning resumes after whatever was inserted.
    std::size_t pos = 0;
    while ((pos = out.find('$', pos)) != std::string::npos) {
        const std::size_t next = pos + 1;
        if (next < out.size() && out[next] == '*') {
            out.replace(pos, 2, args);
            pos += args.size();
            continue;
        }
        if (next < out.size() && IsDigit(out[next])) {
            std::size_t end = next;
            std::size_t number = 0;
            bool tooLarge = false;
            while (end < out.size() && IsDigit(out[end])) {
                // Numbers beyond the word count only need to be known as out of range.
                if (!tooLarge) {
                    number = number * 10 + static_cast<std::size_t>(out[end] - '0');
                    tooLarge = number > words.size();
                }
                ++end;
            }
            if (tooLarge || number > 0) {
                std::string_view word;
                if (!tooLarge)
                    word = words[number - 1];
                out.replace(pos, end - pos, word);
                pos += word.size();
                continue;
            }
        }
        ++pos; // $0, $00, $$, $x and a final $ stay as typed
    }
    line = std::move(out);
    return 0;
}
