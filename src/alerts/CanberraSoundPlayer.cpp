#include "alerts/CanberraSoundPlayer.h"

#include <canberra.h>

#include <QDir>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#include "alerts/AboutWave.h"
#include "alerts/EmbeddedWave.h"

namespace {

// One id for every sound: cancelling it before each play is what makes a new sound cut
// off the previous one.
constexpr std::uint32_t kPlayId = 1;
constexpr const char* kDefaultEvent = "bell";

struct SystemSound {
    std::string_view name;
    const char* eventId;
};

constexpr SystemSound kSystemSounds[] = {
    {"SystemAsterisk", "dialog-information"}, {"SystemExclamation", "dialog-warning"},
    {"SystemHand", "dialog-error"},           {"SystemQuestion", "dialog-question"},
    {"SystemStart", "service-login"},         {"SystemExit", "service-logout"},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

CCanberraSoundPlayer::CCanberraSoundPlayer()
{
    if (ca_context_create(&m_context) != CA_SUCCESS) {
        m_context = nullptr;
        return;
    }
    ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Brumble", CA_PROP_APPLICATION_ID,
                            "brumble", nullptr);
}

CCanberraSoundPlayer::~CCanberraSoundPlayer()
{
    if (m_context != nullptr)
        ca_context_destroy(m_context);
}

const char* CCanberraSoundPlayer::EventIdFor(std::string_view systemName)
{
    for (const SystemSound& sound : kSystemSounds) {
        if (EqualsIgnoringCase(sound.name, systemName))
            return sound.eventId;
    }
    return kDefaultEvent;
}

void CCanberraSoundPlayer::PlaySystemSound(const std::string& name)
{
    PlayEvent(EventIdFor(name));
}

void CCanberraSoundPlayer::PlayFile(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        PlayEvent(kDefaultEvent);
        return;
    }
    PlayPath(std::filesystem::absolute(path, ec).string());
}

void CCanberraSoundPlayer::PlayEmbedded()
{
    if (WriteWave(EmbeddedWave::Bytes(), m_waveFile))
        PlayPath(EmbeddedWaveFile());
    else
        PlayEvent(kDefaultEvent);
}

// Silent when the wave cannot be written: the About box makes no noise of another kind.
void CCanberraSoundPlayer::PlayAboutSound()
{
    if (WriteWave(AboutWave::Bytes(), m_aboutWaveFile))
        PlayPath(AboutWaveFile());
}

std::string CCanberraSoundPlayer::EmbeddedWaveFile() const
{
    return m_waveFile ? m_waveFile->fileName().toStdString() : std::string();
}

std::string CCanberraSoundPlayer::AboutWaveFile() const
{
    return m_aboutWaveFile ? m_aboutWaveFile->fileName().toStdString() : std::string();
}

void CCanberraSoundPlayer::PlayEvent(const char* eventId)
{
    if (m_context == nullptr)
        return;
    ca_context_cancel(m_context, kPlayId);
    const int rc = ca_context_play(m_context, kPlayId, CA_PROP_EVENT_ID, eventId, nullptr);
    // Not every theme has every event (the freedesktop theme has no "dialog-question"): a
    // missing one still deserves a sound.
    if (rc == CA_ERROR_NOTFOUND && std::string_view(eventId) != kDefaultEvent)
        ca_context_play(m_context, kPlayId, CA_PROP_EVENT_ID, kDefaultEvent, nullptr);
}

void CCanberraSoundPlayer::PlayPath(const std::string& path)
{
    if (m_context == nullptr)
        return;
    ca_context_cancel(m_context, kPlayId);
    ca_context_play(m_context, kPlayId, CA_PROP_MEDIA_FILENAME, path.c_str(),
                    CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr);
}

bool CCanberraSoundPlayer::WriteWave(const std::string& wave, std::unique_ptr<QTemporaryFile>& slot)
{
    if (slot)
        return true;
    // QTemporaryFile creates the file readable by its owner only and removes it again.
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                 QStringLiteral("/brumble-wave-XXXXXX.wav"));
    if (!file->open())
        return false;
    const auto size = static_cast<qint64>(wave.size());
    if (file->write(wave.data(), size) != size || !file->flush())
        return false;
    file->close();
    slot = std::move(file);
    return true;
}
