#pragma once
// Asynchronous sounds: desktop event sounds by their described system names
// ("SystemExclamation", "SystemAsterisk", ...), WAV files and the program's embedded wave.
// Playing never blocks and never reports a failure; a new sound cuts off the one playing.

#include <string>

class CSoundPlayer {
public:
    virtual ~CSoundPlayer() = default;
    virtual void PlaySystemSound(const std::string& name) = 0;
    virtual void PlayFile(const std::string& path) = 0;
    virtual void PlayEmbedded() = 0;

    // The platform's warning beep (BEL received, sending while not connected).
    void Beep() { PlaySystemSound("SystemExclamation"); }
};
