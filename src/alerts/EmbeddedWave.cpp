#include "alerts/EmbeddedWave.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace {

struct Note {
    double frequency; // Hz
    std::uint32_t samples;
};

// G5 then D6, a rising fifth: bright enough to be noticed, short enough not to annoy.
constexpr Note kNotes[] = {{783.99, 1764}, {1174.66, 2426}}; // 0.16 s + 0.22 s
constexpr double kPeak = 0.6;                                // of full scale
constexpr double kAttackSeconds = 0.006;

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xffu);
}

void AppendNote(std::string& out, const Note& note)
{
    const double rate = EmbeddedWave::kSampleRate;
    const double attack = kAttackSeconds * rate;
    for (std::uint32_t i = 0; i < note.samples; ++i) {
        const double t = i / rate;
        // A quick linear attack avoids a click at the start; the exponential decay is pulled
        // down to exactly zero at the end of the note so that the next one starts cleanly.
        const double rise = i < attack ? i / attack : 1.0;
        const double left = static_cast<double>(note.samples - i) / note.samples;
        const double fall = std::exp(-3.0 * (1.0 - left)) * left;
        const double phase = 2.0 * std::numbers::pi * note.frequency * t;
        const double tone = 0.8 * std::sin(phase) + 0.2 * std::sin(2.0 * phase);
        const double sample = 128.0 + 127.0 * kPeak * rise * fall * tone;
        out += static_cast<char>(static_cast<unsigned char>(std::lround(sample)));
    }
}

std::string Build()
{
    std::string samples;
    for (const Note& note : kNotes)
        AppendNote(samples, note);
    return EmbeddedWave::WaveFile(std::move(samples));
}

} // namespace

namespace EmbeddedWave {

const std::string& Bytes()
{
    static const std::string wave = Build();
    return wave;
}

std::string WaveFile(std::string samples)
{
    if (samples.size() % 2 != 0) // RIFF chunks are padded to an even size
        samples += static_cast<char>(128);

    const auto dataSize = static_cast<std::uint32_t>(samples.size());
    std::string wave;
    wave.reserve(44 + samples.size());
    wave += "RIFF";
    PutLittleEndian(wave, 36 + dataSize, 4);
    wave += "WAVEfmt ";
    PutLittleEndian(wave, 16, 4);          // fmt chunk size
    PutLittleEndian(wave, 1, 2);           // PCM
    PutLittleEndian(wave, 1, 2);           // mono
    PutLittleEndian(wave, kSampleRate, 4); // samples per second
    PutLittleEndian(wave, kSampleRate, 4); // bytes per second
    PutLittleEndian(wave, 1, 2);           // block align
    PutLittleEndian(wave, 8, 2);           // bits per sample
    wave += "data";
    PutLittleEndian(wave, dataSize, 4);
    wave += samples;
    return wave;
}

} // namespace EmbeddedWave
