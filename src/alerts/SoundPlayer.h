#pragma once
// Asynchronous sounds: desktop event sounds by their described system names
// ("SystemExclamation", "SystemAsterisk", ...), WAV files and the program's two embedded
// waves (the alert chirp and the About box's sound).
// Playing never blocks and never reports a failure; a new sound cuts off the one playing.

#include <string>
#include <string_view>

class CSoundPlayer {
public:
    virtual ~CSoundPlayer() = default;
    virtual void PlaySystemSound(const std::string& name) = 0;
    virtual void PlayFile(const std::string& path) = 0;
    virtual void PlayEmbedded() = 0;
    virtual void PlayAboutSound() = 0;

    // The platform's warning beep (BEL received, sending while not connected).
    void Beep() { PlaySystemSound("SystemExclamation"); }

    // Whether name is one of the system sounds this player knows ("SystemAsterisk",
    // "SystemExclamation", "SystemExit", "SystemHand", "SystemQuestion", "SystemStart"),
    // compared without regard to case. Any other name gets a default sound from
    // PlaySystemSound; callers that want silence for an unknown name ask first.
    static bool IsSystemSoundName(std::string_view name);
};
