#pragma once
// A host's function-key shortcuts: the store (loaded from and saved to the host section)
// and the lookup that the keyboard dispatch asks when F1 to F12 are pressed, alone or with
// Shift, Ctrl or Alt. The Shortcut Function Keys dialog (shortcuts/ui) edits an object of
// this class; the session owns one per connection.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CAppServices;

class CShortcutsDlg final {
public:
    // A key code is the function key's code (112 for F1 ... 123 for F12) in the low byte
    // and the modifier in bits 8 to 11.
    enum Modifier : std::uint32_t { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 3 };
    static constexpr std::uint32_t kF1 = 112;
    static constexpr std::uint32_t kF12 = 123;

    using Shortcut = std::pair<std::uint32_t, std::string>; // key code, text
    using ShortcutList = std::vector<Shortcut>;

    // Loads the host's shortcuts at once.
    CShortcutsDlg(CAppServices& services, std::string hostName);

    // Appends the shortcuts of section; a section that has never held a shortcut list
    // first takes the old global "Shortcuts" list.
    void Load(std::string_view section);
    // Writes the list to the host section, ended by key 0 with an empty text.
    void Save();
    // Replaces everything by the shortcuts of another host and saves them as this host's.
    void CopyFrom(std::string_view section);

    // The text of the first shortcut whose code equals keyCode exactly; text is left alone
    // when there is none.
    bool FindShortcut(std::uint32_t keyCode, std::string& text) const;
    // "F5", "Shift+F5", "Ctrl+F5", "Alt+F5".
    static void FormatKeyName(std::uint32_t keyCode, std::string& name);
    static std::string KeyName(std::uint32_t keyCode);
    // (modifier << 8) + number + 111, for the key number 1 to 12.
    static std::uint32_t MakeKeyCode(int number, Modifier modifier);

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::uint32_t>& KeyCodes() const { return m_keyCodes; }
    const std::vector<std::string>& KeyTexts() const { return m_keyTexts; }
    ShortcutList Shortcuts() const;
    // Replaces both lists (the dialog's OK); does not save.
    void SetShortcuts(const ShortcutList& shortcuts);

private:
    void ImportLegacyList();
    void Append(std::uint32_t keyCode, std::string text);

    CAppServices& m_services;
    std::string m_hostName;
    std::vector<std::uint32_t> m_keyCodes;
    std::vector<std::string> m_keyTexts;
};
