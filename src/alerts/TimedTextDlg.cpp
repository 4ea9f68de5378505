#include "alerts/TimedTextDlg.h"

#include <algorithm>
#include <cstdint>

#include "base/AppServices.h"
#include "base/RandomGenerator.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::string_view kListFormat = "Timed Text %02d";
constexpr std::string_view kIntervalEntry = "Interval";
constexpr std::string_view kLegacySection = "Auto Text";
constexpr std::string_view kLegacyFormat = "Text %d";
constexpr std::string_view kLegacyIntervalEntry = "Time";

} // namespace

CTimedTextDlg::CTimedTextDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CTimedTextDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    if (NumberedList::NeedsMigration(store, section, NumberedList::EntryName(kListFormat, 1))) {
        for (std::string& text : NumberedList::LoadLegacy(store, kLegacySection, kLegacyFormat))
            m_texts.push_back(std::move(text));
    }
    for (std::string& text : NumberedList::Load(store, section, kListFormat))
        m_texts.push_back(std::move(text));

    const std::int32_t legacy = store.ReadInt(kLegacySection, kLegacyIntervalEntry, 0);
    const std::int32_t stored = store.ReadInt(section, kIntervalEntry, legacy);
    // The dialog never stores more than 9999; a damaged entry must not become a timer of
    // weeks, nor a negative one a timer of 136 years.
    m_interval = static_cast<unsigned>(std::clamp<std::int32_t>(stored, 0, kMaxInterval));
}

void CTimedTextDlg::SaveTimedText()
{
    CSettingsStore& store = m_services.settings;
    NumberedList::Save(store, m_hostName, kListFormat, m_texts);
    store.WriteInt(m_hostName, kIntervalEntry, static_cast<std::int32_t>(m_interval));
}

void CTimedTextDlg::CopyFrom(std::string_view section)
{
    m_texts.clear();
    Load(section);
    SaveTimedText();
}

std::string CTimedTextDlg::NextText()
{
    if (m_texts.empty())
        return {};
    if (m_texts.size() == 1)
        return m_texts.front();
    const auto r = static_cast<std::size_t>(m_services.random.Next());
    return m_texts[r % m_texts.size()];
}
