#include "display/ColouredTextDlg.h"

#include "base/AppServices.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

#include <utility>

namespace {

constexpr std::string_view kTextFormat = "Hilight Text %02d";
constexpr std::string_view kColourFormat = "Hilight Colour %02d";

} // namespace

CColouredTextDlg::CColouredTextDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CColouredTextDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    const std::vector<std::string> texts = NumberedList::Load(store, section, kTextFormat);
    m_entries.reserve(m_entries.size() + texts.size());
    int n = 1;
    for (const std::string& text : texts) {
        // A missing colour is black, "starts with".
        const std::int32_t stored =
            store.ReadInt(section, NumberedList::EntryName(kColourFormat, n++), 0);
        m_entries.push_back({text, static_cast<std::uint32_t>(stored)});
    }
    Rebuild();
}

void CColouredTextDlg::Save()
{
    CSettingsStore& store = m_services.settings;
    std::vector<std::string> texts;
    texts.reserve(m_entries.size());
    int n = 1;
    for (const Entry& entry : m_entries) {
        texts.push_back(entry.text);
        store.WriteInt(m_hostName, NumberedList::EntryName(kColourFormat, n++),
                       static_cast<std::int32_t>(entry.value));
    }
    NumberedList::Save(store, m_hostName, kTextFormat, texts);
}

void CColouredTextDlg::CopyFrom(std::string_view section)
{
    m_entries.clear();
    Load(section);
    Save();
}

bool CColouredTextDlg::MatchLine(std::string_view line, std::uint32_t& colour) const
{
    const int match = m_matcher.Match(line);
    if (match < 0)
        return false;
    colour = Colour(m_entries[static_cast<std::size_t>(match)].value);
    return true;
}

void CColouredTextDlg::SetEntries(EntryList entries)
{
    m_entries = std::move(entries);
    Rebuild();
}

std::string CColouredTextDlg::DisplayText(const Entry& entry)
{
    return Mode(entry.value) == kStartsWith ? entry.text + "..." : "..." + entry.text + "...";
}

void CColouredTextDlg::Rebuild()
{
    std::vector<CHighlightMatcher::Rule> rules;
    rules.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        rules.push_back({entry.text, Mode(entry.value) != kStartsWith});
    m_matcher.Build(rules);
}
