#include "alerts/AboutWave.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "alerts/EmbeddedWave.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kRate = EmbeddedWave::kSampleRate;
constexpr double kPeak = 0.7; // of full scale, after mixing
constexpr double kAttackSeconds = 0.005;
constexpr double kFadeOutSeconds = 0.5; // the tail is pulled down to silence, no click

struct Bell {
    double frequency; // Hz
    double start;     // s
    double decay;     // s for the ring to fall to 1/e
    double level;
};

// C5 E5 G5 C6, a step up to D6, then a C major chord that rings out.
constexpr Bell kBells[] = {
    {523.25, 0.00, 0.45, 1.0},  {659.26, 0.20, 0.45, 1.0},  {783.99, 0.40, 0.45, 1.0},
    {1046.50, 0.60, 0.50, 0.9}, {1174.66, 0.95, 0.30, 0.8}, {1046.50, 1.30, 1.40, 0.9},
    {783.99, 1.30, 1.40, 0.6},  {659.26, 1.30, 1.40, 0.6},  {523.25, 1.30, 1.60, 0.5},
};

// A struck bell: the fundamental with a few quieter, slightly inharmonic partials that die
// away faster, so the attack shimmers and the tail is round.
double BellAt(const Bell& bell, double t)
{
    if (t < 0.0)
        return 0.0;
    const double rise = std::min(1.0, t / kAttackSeconds);
    const double phase = kTwoPi * bell.frequency * t;
    const double body = std::sin(phase) * std::exp(-t / bell.decay);
    const double overtones = 0.35 * std::sin(2.0 * phase) * std::exp(-t / (0.6 * bell.decay)) +
                             0.12 * std::sin(3.01 * phase) * std::exp(-t / (0.4 * bell.decay)) +
                             0.05 * std::sin(4.2 * phase) * std::exp(-t / (0.25 * bell.decay));
    return bell.level * rise * (body + overtones);
}

// The bee: a low buzz wavering in pitch, swelling in and fading out during the first bars.
double HumAt(double t)
{
    constexpr double kLength = 1.6;
    if (t >= kLength)
        return 0.0;
    const double envelope = std::sin(std::numbers::pi * t / kLength);
    // 196 Hz wavering by 6 Hz five and a half times a second; the phase is the integral of
    // that frequency, so the wavering never makes it jump.
    const double phase = kTwoPi * (196.0 * t - 6.0 / (kTwoPi * 5.5) * std::cos(kTwoPi * 5.5 * t));
    double buzz = 0.0;
    for (int k = 1; k <= 6; ++k) // a soft sawtooth: the partials that give the buzz
        buzz += std::sin(k * phase) / k;
    return 0.22 * envelope * envelope * buzz;
}

std::string Build()
{
    const std::size_t count = AboutWave::kSampleBytes;
    std::vector<double> mix(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double value = HumAt(t);
        for (const Bell& bell : kBells)
            value += 0.3 * BellAt(bell, t - bell.start);
        const double left = static_cast<double>(count - 1 - i) / kRate;
        mix[i] = value * std::min(1.0, left / kFadeOutSeconds);
    }
    double loudest = 0.0;
    for (double value : mix)
        loudest = std::max(loudest, std::abs(value));
    const double scale = loudest > 0.0 ? kPeak / loudest : 0.0;

    std::string samples;
    samples.reserve(count);
    for (double value : mix)
        samples += static_cast<char>(
            static_cast<unsigned char>(std::lround(128.0 + 127.0 * scale * value)));
    return EmbeddedWave::WaveFile(std::move(samples));
}

} // namespace

namespace AboutWave {

const std::string& Bytes()
{
    static const std::string wave = Build();
    return wave;
}

} // namespace AboutWave
