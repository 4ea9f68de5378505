#pragma once
// A host's trigger texts and the warning they give: the store (the host section's
// "Trigger %02d" list), the matcher the session runs on every piece of text the server
// sends, and the warning settings ("Warning", "Sound", "Sound Type"), which are read again
// whenever the settings have changed, so that a change made in the dialog counts at once. The Triggers
// dialog (alerts/ui) edits an object of this class; the session owns one per connection.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "alerts/TriggerMatcher.h"
#include "settings/KeptAnswer.h"

struct CAppServices;

class CTriggersDlg final {
public:
    // "Warning": the ids of the dialog's three choices.
    static constexpr int kAudible = 1004;
    static constexpr int kVisual = 1005;
    static constexpr int kBoth = 1006;
    // "Sound Type".
    static constexpr int kSystemSound = 0;
    static constexpr int kEmbeddedWave = 1;
    static constexpr int kWaveFile = 2;
    // The one wave carried in the program, and the system sound of a host with none chosen.
    static constexpr std::string_view kEmbeddedName = "IDR_YUM";
    static constexpr std::string_view kDefaultSound = "SystemAsterisk";
    // The dialog's fixed sound list: entries 0 to 5 are system sounds ("System" + text),
    // entry 6 is the embedded wave.
    static constexpr std::array<std::string_view, 7> kSoundEntries = {
        "Asterisk", "Exclamation", "Exit", "Hand", "Question", "Start", "YUM!"};
    static constexpr int kEmbeddedEntry = 6;

    struct Sound {
        std::string name;
        int type = kSystemSound;
    };

    // Loads the host's triggers at once.
    CTriggersDlg(CAppServices& services, std::string hostName);

    // Appends the triggers of section; a section that has never held a trigger list first
    // takes the old global "Warnings" list.
    void Load(std::string_view section);
    // Writes the list to the host section, ended by an empty entry.
    void SaveTriggers();
    // Replaces the list and the warning settings by another host's, and saves them here.
    void CopyFrom(std::string_view section);

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::string>& Triggers() const { return m_triggers; }
    // Both count for matching at once; neither saves.
    void AddTrigger(const std::string& text);
    // Removes the first trigger equal to text without regard to case; false when none is.
    bool DeleteTrigger(std::string_view text);

    // Whether any trigger occurs in text, which the caller has upper-cased.
    bool MatchesText(std::string_view upperText) const;
    // The receive path's test of one piece of server text, as it arrived: upper-cased here,
    // and matched as a continuation of the pieces before it, so that a trigger cut in two
    // by the socket still counts (once, in the piece where it ends). A new object (one per
    // connection) starts afresh.
    bool MatchesReceived(std::string_view piece);

    // "Warning" (default 1004): sound for 1004 and 1006, flash for 1005 and 1006.
    int Warning() const;
    void SetWarning(int warning);

    // "Sound" and "Sound Type" of section as they are stored (an empty name stays empty).
    Sound StoredSound(std::string_view section) const;
    void SetSound(const Sound& sound);
    // Plays the host's warning sound (a name left empty is the default system sound). A
    // sound that cannot be found plays nothing; nothing here waits for a sound.
    void PlayWarningSound() const;
    // The warning for a trigger found in received text: plays the sound when the host wants
    // one, and returns whether it wants the window flashed.
    bool GiveWarning() const;

    // The upper case the dialog's entry field types and the receive path compares in: ASCII
    // letters and the Latin-1 letters with an upper-case form in Latin-1.
    static unsigned char UpperCase(unsigned char c);
    static std::string UpperCase(std::string_view text);
    // How the dialog's sound list shows a stored sound name: "System" taken off the front,
    // and the program's wave names as their list entries ("IDR_YUM" is "YUM!").
    static std::string DisplayName(std::string_view storedName);

private:
    void Rebuild();
    // The host's warning settings, as the receive path asks for them at every trigger.
    struct Alert {
        int warning = kAudible;
        Sound sound;
    };
    const Alert& KeptAlert() const;
    void PlaySound(const Sound& chosen) const;

    CAppServices& m_services;
    std::string m_hostName;
    std::vector<std::string> m_triggers;
    CTriggerMatcher m_matcher;
    // Where the matcher stands after the last piece received.
    int m_receiveState = CTriggerMatcher::kStart;
    mutable CKeptAnswer<Alert> m_alert;
};
