#pragma once
// The running program's sound player: desktop event sounds of the freedesktop sound theme,
// WAV files and the program's embedded wave, all through libcanberra. Every call returns at
// once; a new sound cuts off the one playing; failures (no sound device, a bad file) are
// silent.

#include <memory>
#include <string>
#include <string_view>

#include "alerts/SoundPlayer.h"

struct ca_context;
class QTemporaryFile;

class CCanberraSoundPlayer final : public CSoundPlayer {
public:
    CCanberraSoundPlayer();
    ~CCanberraSoundPlayer() override;
    CCanberraSoundPlayer(const CCanberraSoundPlayer&) = delete;
    CCanberraSoundPlayer& operator=(const CCanberraSoundPlayer&) = delete;

    void PlaySystemSound(const std::string& name) override;
    void PlayFile(const std::string& path) override;
    void PlayEmbedded() override;
    void PlayAboutSound() override;

    // The theme's event id for a system sound name ("SystemHand" gives "dialog-error"),
    // compared without regard to case; any other name gives the default sound, "bell".
    static const char* EventIdFor(std::string_view systemName);

    // The private file the embedded wave was written to on first use; empty before that
    // or when it could not be written. It is removed when the player goes.
    std::string EmbeddedWaveFile() const;
    // The same for the About box's sound.
    std::string AboutWaveFile() const;

private:
    void PlayEvent(const char* eventId);
    void PlayPath(const std::string& path);
    // Writes wave to a private file held in slot, once; false when that cannot be done.
    static bool WriteWave(const std::string& wave, std::unique_ptr<QTemporaryFile>& slot);

    ca_context* m_context = nullptr;
    std::unique_ptr<QTemporaryFile> m_waveFile;
    std::unique_ptr<QTemporaryFile> m_aboutWaveFile;
};
