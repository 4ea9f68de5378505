#pragma once
// The About box's sound, made in code like the alert chirp (see EmbeddedWave): a bee's hum
// under a rising bell-like arpeggio that settles on a chord and dies away. A complete WAV
// file, 8-bit unsigned mono PCM at 11025 Hz, exactly kSampleBytes of samples (about 4.9 s).

#include <cstddef>
#include <string>

namespace AboutWave {

inline constexpr std::size_t kSampleBytes = 54070;

// The whole file, header included; built once, the same bytes on every call.
const std::string& Bytes();

} // namespace AboutWave
