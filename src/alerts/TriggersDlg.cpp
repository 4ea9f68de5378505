#include "alerts/TriggersDlg.h"

#include <filesystem>
#include <system_error>

#include "alerts/SoundPlayer.h"
#include "base/AppServices.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::string_view kListFormat = "Trigger %02d";
constexpr std::string_view kLegacySection = "Warnings";
constexpr std::string_view kLegacyFormat = "String%d";
constexpr std::string_view kWarningEntry = "Warning";
constexpr std::string_view kSoundEntry = "Sound";
constexpr std::string_view kSoundTypeEntry = "Sound Type";

struct UpperTable {
    std::array<unsigned char, 256> map{};
    constexpr UpperTable()
    {
        for (int c = 0; c < 256; ++c) {
            const bool ascii = c >= 'a' && c <= 'z';
            // à-þ except the division sign; ß and ÿ have no upper case in Latin-1.
            const bool latin = c >= 0xE0 && c <= 0xFE && c != 0xF7;
            map[static_cast<std::size_t>(c)] =
                static_cast<unsigned char>(ascii || latin ? c - 32 : c);
        }
    }
};
constexpr UpperTable kUpper;

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (CTriggersDlg::UpperCase(static_cast<unsigned char>(a[i])) !=
            CTriggersDlg::UpperCase(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

CTriggersDlg::CTriggersDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CTriggersDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    if (NumberedList::NeedsMigration(store, section, NumberedList::EntryName(kListFormat, 1))) {
        for (std::string& text : NumberedList::LoadLegacy(store, kLegacySection, kLegacyFormat))
            m_triggers.push_back(std::move(text));
    }
    for (std::string& text : NumberedList::Load(store, section, kListFormat))
        m_triggers.push_back(std::move(text));
    Rebuild();
}

void CTriggersDlg::SaveTriggers()
{
    NumberedList::Save(m_services.settings, m_hostName, kListFormat, m_triggers);
}

void CTriggersDlg::CopyFrom(std::string_view section)
{
    m_triggers.clear();
    Load(section);
    SaveTriggers();
    CSettingsStore& store = m_services.settings;
    store.WriteInt(m_hostName, kWarningEntry, store.ReadInt(section, kWarningEntry, kAudible));
    store.WriteString(m_hostName, kSoundEntry, store.ReadString(section, kSoundEntry, ""));
    store.WriteInt(m_hostName, kSoundTypeEntry,
                   store.ReadInt(section, kSoundTypeEntry, kSystemSound));
}

void CTriggersDlg::AddTrigger(const std::string& text)
{
    m_triggers.push_back(text);
    Rebuild();
}

bool CTriggersDlg::DeleteTrigger(std::string_view text)
{
    for (auto it = m_triggers.begin(); it != m_triggers.end(); ++it) {
        if (EqualsNoCase(*it, text)) {
            m_triggers.erase(it);
            Rebuild();
            return true;
        }
    }
    return false;
}

void CTriggersDlg::Rebuild()
{
    m_matcher.Build(m_triggers);
    // A state of the old automaton means nothing in the new one; at worst a trigger cut
    // across the very next piece is missed once.
    m_receiveState = CTriggerMatcher::kStart;
}

bool CTriggersDlg::MatchesText(std::string_view upperText) const
{
    return m_matcher.Contains(upperText);
}

bool CTriggersDlg::MatchesReceived(std::string_view piece)
{
    return m_matcher.Feed(piece, m_receiveState, kUpper.map.data());
}

int CTriggersDlg::Warning() const
{
    return m_services.settings.ReadInt(m_hostName, kWarningEntry, kAudible);
}

const CTriggersDlg::Alert& CTriggersDlg::KeptAlert() const
{
    return m_alert.Get(m_services.settings, m_hostName,
                       [this] { return Alert{Warning(), StoredSound(m_hostName)}; });
}

void CTriggersDlg::SetWarning(int warning)
{
    m_services.settings.WriteInt(m_hostName, kWarningEntry, warning);
}

CTriggersDlg::Sound CTriggersDlg::StoredSound(std::string_view section) const
{
    CSettingsStore& store = m_services.settings;
    return {store.ReadString(section, kSoundEntry, ""),
            store.ReadInt(section, kSoundTypeEntry, kSystemSound)};
}

void CTriggersDlg::SetSound(const Sound& sound)
{
    m_services.settings.WriteString(m_hostName, kSoundEntry, sound.name);
    m_services.settings.WriteInt(m_hostName, kSoundTypeEntry, sound.type);
}

void CTriggersDlg::PlayWarningSound() const
{
    PlaySound(KeptAlert().sound);
}

bool CTriggersDlg::GiveWarning() const
{
    const Alert& alert = KeptAlert();
    if (alert.warning == kAudible || alert.warning == kBoth)
        PlaySound(alert.sound);
    return alert.warning == kVisual || alert.warning == kBoth;
}

void CTriggersDlg::PlaySound(const Sound& chosen) const
{
    // Copy From leaves an empty name where the source host never chose a sound; the dialog
    // shows that as Asterisk, so that is what it plays.
    static const Sound kDefault{std::string(kDefaultSound), kSystemSound};
    const Sound& sound = chosen.name.empty() ? kDefault : chosen;

    // The sound player falls back to a default sound for what it cannot find (the script
    // command wants that); a warning the user did not choose would only confuse, so an
    // unknown name or a missing file plays nothing.
    CSoundPlayer& player = m_services.sound;
    switch (sound.type) {
    case kSystemSound:
        if (CSoundPlayer::IsSystemSoundName(sound.name))
            player.PlaySystemSound(sound.name);
        return;
    case kEmbeddedWave:
        if (EqualsNoCase(sound.name, kEmbeddedName))
            player.PlayEmbedded();
        return;
    case kWaveFile: {
        std::error_code ec;
        if (std::filesystem::is_regular_file(sound.name, ec))
            player.PlayFile(sound.name);
        return;
    }
    default:
        return;
    }
}

unsigned char CTriggersDlg::UpperCase(unsigned char c)
{
    return kUpper.map[c];
}

std::string CTriggersDlg::UpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(kUpper.map[static_cast<unsigned char>(c)]);
    return upper;
}

std::string CTriggersDlg::DisplayName(std::string_view storedName)
{
    static constexpr std::pair<std::string_view, std::string_view> kWaves[] = {
        {"IDR_TOADSTOOLS", "Mushrooms"}, {"IDR_WEH", "WEH!"}, {"IDR_YUM", "YUM!"}};
    for (const auto& [resource, shown] : kWaves) {
        if (EqualsNoCase(storedName, resource))
            return std::string(shown);
    }
    if (StartsWithNoCase(storedName, "System"))
        return std::string(storedName.substr(6));
    return std::string(storedName);
}
