#include "alerts/SoundPlayer.h"

#include <array>

bool CSoundPlayer::IsSystemSoundName(std::string_view name)
{
    static constexpr std::array<std::string_view, 6> kNames = {
        "SystemAsterisk", "SystemExclamation", "SystemExit",
        "SystemHand",     "SystemQuestion",    "SystemStart"};
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::string_view known : kNames) {
        if (known.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = lower(known[i]) == lower(name[i]);
        if (same)
            return true;
    }
    return false;
}
