#pragma once
// A host's keypad keys: the commands bound to each of the fifteen keys of the numeric
// keypad (the store, loaded from and saved to the host section) and the lookup the keyboard
// dispatch asks for every keypad key pressed. The Shortcut Keypad Keys dialog (shortcuts/ui)
// edits an object of this class; the session owns one per connection.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CAppServices;

class CKeypadDlg final {
public:
    static constexpr int kKeyCount = 15;
    // The keys in store order: the character on the key and its virtual-key code. Code 108
    // (the separator) has no entry.
    struct Key {
        char character;
        std::uint32_t virtualKey;
    };
    static constexpr std::array<Key, kKeyCount> kKeys = {{{'/', 111},
                                                          {'*', 106},
                                                          {'-', 109},
                                                          {'7', 103},
                                                          {'8', 104},
                                                          {'9', 105},
                                                          {'+', 107},
                                                          {'4', 100},
                                                          {'5', 101},
                                                          {'6', 102},
                                                          {'1', 97},
                                                          {'2', 98},
                                                          {'3', 99},
                                                          {'0', 96},
                                                          {'.', 110}}};

    // Loads the host's keypad keys at once.
    CKeypadDlg(CAppServices& services, std::string hostName);

    // Appends the fifteen texts of section ("Keypad Key 01" ... "Keypad Key 15").
    void Load(std::string_view section);
    // Writes the fifteen texts to the host section, empty ones as empty strings.
    void Save();
    // Replaces everything by the keypad keys of another host and saves them as this host's.
    void CopyFrom(std::string_view section);

    // The commands of the key whose virtual-key code is the low byte of keyCode (the
    // modifier does not count); text is emptied first. True when the key has commands.
    bool FindKeypadCommands(std::uint32_t keyCode, std::string& text) const;
    // The store index of a virtual-key code, or -1.
    static int IndexOf(std::uint32_t virtualKey);

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::string>& KeyCommands() const { return m_keyCommands; }
    // Replaces the texts (the dialog's OK); does not save. Always kept at fifteen.
    void SetKeyCommands(std::vector<std::string> commands);

private:
    CAppServices& m_services;
    std::string m_hostName;
    std::vector<std::string> m_keyCommands;
};
