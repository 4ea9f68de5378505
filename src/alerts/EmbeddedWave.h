#pragma once
// The program's own alert sound, made in code rather than carried as a binary file: a short
// rising two-note chirp as a complete WAV file (RIFF header, 8-bit unsigned mono PCM at
// 11025 Hz), ready to be written to disk and handed to the sound system.

#include <cstdint>
#include <string>

namespace EmbeddedWave {

inline constexpr std::uint32_t kSampleRate = 11025;

// The whole file, header included; built once, the same bytes on every call.
const std::string& Bytes();

// A complete WAV file around samples (8-bit unsigned mono PCM at kSampleRate), padded to an
// even size as RIFF asks.
std::string WaveFile(std::string samples);

} // namespace EmbeddedWave
