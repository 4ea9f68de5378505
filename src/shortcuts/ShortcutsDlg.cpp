#include "shortcuts/ShortcutsDlg.h"

#include "base/AppServices.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

#include <cstddef>

namespace {

constexpr std::string_view kLegacySection = "Shortcuts";
constexpr std::string_view kKeyFormat = "Shortcut Key %02d";
constexpr std::string_view kTextFormat = "Shortcut String %02d";
constexpr std::string_view kLegacyFormat = "FnKey %d";

// The leading decimal number of text, as the C library's atoi reads it (white space and a
// sign first); 0 when there is none.
std::uint32_t LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

} // namespace

CShortcutsDlg::CShortcutsDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CShortcutsDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    if (NumberedList::NeedsMigration(store, section, NumberedList::EntryName(kTextFormat, 1)))
        ImportLegacyList();

    // The list ends at the first empty text; a pair with key 0 is skipped.
    for (int n = 1;; ++n) {
        const auto key = static_cast<std::uint32_t>(
            store.ReadInt(section, NumberedList::EntryName(kKeyFormat, n), 0));
        std::string text = store.ReadString(section, NumberedList::EntryName(kTextFormat, n), "");
        if (text.empty())
            break;
        if (key != 0)
            Append(key, std::move(text));
    }
}

void CShortcutsDlg::ImportLegacyList()
{
    // Old global entries read "code,text"; the text may be empty.
    for (const std::string& entry :
         NumberedList::LoadLegacy(m_services.settings, kLegacySection, kLegacyFormat)) {
        const std::size_t comma = entry.find(',');
        const std::uint32_t key = LeadingNumber(entry);
        if (comma != std::string::npos && comma > 0 && key != 0)
            Append(key, entry.substr(comma + 1));
    }
}

void CShortcutsDlg::Append(std::uint32_t keyCode, std::string text)
{
    m_keyCodes.push_back(keyCode);
    m_keyTexts.push_back(std::move(text));
}

void CShortcutsDlg::Save()
{
    CSettingsStore& store = m_services.settings;
    int n = 1;
    for (std::size_t i = 0; i < m_keyCodes.size(); ++i, ++n) {
        store.WriteInt(m_hostName, NumberedList::EntryName(kKeyFormat, n),
                       static_cast<std::int32_t>(m_keyCodes[i]));
        store.WriteString(m_hostName, NumberedList::EntryName(kTextFormat, n), m_keyTexts[i]);
    }
    store.WriteInt(m_hostName, NumberedList::EntryName(kKeyFormat, n), 0);
    store.WriteString(m_hostName, NumberedList::EntryName(kTextFormat, n), "");
}

void CShortcutsDlg::CopyFrom(std::string_view section)
{
    m_keyCodes.clear();
    m_keyTexts.clear();
    Load(section);
    Save();
}

bool CShortcutsDlg::FindShortcut(std::uint32_t keyCode, std::string& text) const
{
    for (std::size_t i = 0; i < m_keyCodes.size(); ++i) {
        if (m_keyCodes[i] == keyCode) {
            text = m_keyTexts[i];
            return true;
        }
    }
    return false;
}

void CShortcutsDlg::FormatKeyName(std::uint32_t keyCode, std::string& name)
{
    name.clear();
    switch ((keyCode >> 8) & 0xF) {
    case kShift:
        name = "Shift+";
        break;
    case kCtrl:
        name = "Ctrl+";
        break;
    case kAlt:
        name = "Alt+";
        break;
    default:
        break;
    }
    name += "F" + std::to_string(static_cast<int>(keyCode & 0xFF) - 111);
}

std::string CShortcutsDlg::KeyName(std::uint32_t keyCode)
{
    std::string name;
    FormatKeyName(keyCode, name);
    return name;
}

std::uint32_t CShortcutsDlg::MakeKeyCode(int number, Modifier modifier)
{
    return (static_cast<std::uint32_t>(modifier) << 8) + static_cast<std::uint32_t>(number) + 111;
}

CShortcutsDlg::ShortcutList CShortcutsDlg::Shortcuts() const
{
    ShortcutList list;
    list.reserve(m_keyCodes.size());
    for (std::size_t i = 0; i < m_keyCodes.size(); ++i)
        list.emplace_back(m_keyCodes[i], m_keyTexts[i]);
    return list;
}

void CShortcutsDlg::SetShortcuts(const ShortcutList& shortcuts)
{
    m_keyCodes.clear();
    m_keyTexts.clear();
    for (const auto& [key, text] : shortcuts)
        Append(key, text);
}
