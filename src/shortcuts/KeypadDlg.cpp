#include "shortcuts/KeypadDlg.h"

#include "base/AppServices.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"

#include <cstddef>

namespace {

constexpr std::string_view kEntryFormat = "Keypad Key %02d";

} // namespace

CKeypadDlg::CKeypadDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CKeypadDlg::Load(std::string_view section)
{
    for (int n = 1; n <= kKeyCount; ++n)
        m_keyCommands.push_back(
            m_services.settings.ReadString(section, NumberedList::EntryName(kEntryFormat, n), ""));
    // Loading twice without emptying keeps the first fifteen, as the lookup reads them.
    m_keyCommands.resize(kKeyCount);
}

void CKeypadDlg::Save()
{
    for (int n = 1; n <= kKeyCount; ++n)
        m_services.settings.WriteString(m_hostName, NumberedList::EntryName(kEntryFormat, n),
                                        m_keyCommands[static_cast<std::size_t>(n - 1)]);
}

void CKeypadDlg::CopyFrom(std::string_view section)
{
    m_keyCommands.clear();
    Load(section);
    Save();
}

int CKeypadDlg::IndexOf(std::uint32_t virtualKey)
{
    for (int i = 0; i < kKeyCount; ++i) {
        if (kKeys[static_cast<std::size_t>(i)].virtualKey == virtualKey)
            return i;
    }
    return -1;
}

bool CKeypadDlg::FindKeypadCommands(std::uint32_t keyCode, std::string& text) const
{
    text.clear();
    const int index = IndexOf(keyCode & 0xFF);
    if (index >= 0)
        text = m_keyCommands[static_cast<std::size_t>(index)];
    return !text.empty();
}

void CKeypadDlg::SetKeyCommands(std::vector<std::string> commands)
{
    m_keyCommands = std::move(commands);
    m_keyCommands.resize(kKeyCount);
}
