#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "alerts/EmbeddedWave.h"

namespace {

std::uint32_t LittleEndian(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// Swings across the silent level 128, a stand-in for the pitch of a stretch; the small
// dead band keeps rounding noise near silence from counting.
int Crossings(const std::string& bytes, std::size_t from, std::size_t to)
{
    int count = 0;
    int side = 0;
    for (std::size_t i = from; i < to; ++i) {
        const int level = static_cast<unsigned char>(bytes[i]) - 128;
        const int now = level >= 3 ? 1 : level <= -3 ? -1 : 0;
        if (now != 0 && side != 0 && now != side)
            ++count;
        if (now != 0)
            side = now;
    }
    return count;
}

TEST(EmbeddedWave, IsAWellFormedShortPcmFile)
{
    const std::string& wave = EmbeddedWave::Bytes();
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(LittleEndian(wave, 4, 4), wave.size() - 8);
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(LittleEndian(wave, 16, 4), 16u);    // fmt size
    EXPECT_EQ(LittleEndian(wave, 20, 2), 1u);     // PCM
    EXPECT_EQ(LittleEndian(wave, 22, 2), 1u);     // mono
    EXPECT_EQ(LittleEndian(wave, 24, 4), 11025u); // rate
    EXPECT_EQ(LittleEndian(wave, 28, 4), 11025u); // bytes per second
    EXPECT_EQ(LittleEndian(wave, 32, 2), 1u);     // block align
    EXPECT_EQ(LittleEndian(wave, 34, 2), 8u);     // bits
    EXPECT_EQ(wave.substr(36, 4), "data");
    const std::uint32_t dataSize = LittleEndian(wave, 40, 4);
    EXPECT_EQ(dataSize, wave.size() - 44);
    EXPECT_EQ(dataSize % 2, 0u);
    const double seconds = static_cast<double>(dataSize) / 11025.0;
    EXPECT_GE(seconds, 0.3);
    EXPECT_LE(seconds, 0.5);
    EXPECT_EQ(&EmbeddedWave::Bytes(), &wave); // built once
}

TEST(EmbeddedWave, IsAnAudibleRisingChirpWithoutClicks)
{
    const std::string& wave = EmbeddedWave::Bytes();
    const std::size_t start = 44, end = wave.size();
    auto level = [&](std::size_t i) {
        return static_cast<int>(static_cast<unsigned char>(wave[i]));
    };
    // Starts and ends at silence, so there is no click either way.
    EXPECT_LE(std::abs(level(start) - 128), 2);
    EXPECT_LE(std::abs(level(end - 1) - 128), 2);
    int peak = 0;
    for (std::size_t i = start; i < end; ++i)
        peak = std::max(peak, std::abs(level(i) - 128));
    EXPECT_GE(peak, 50); // loud enough to hear
    EXPECT_LE(peak, 127);

    // Two notes, the second higher: compare the first quarter with the third.
    const std::size_t quarter = (end - start) / 4;
    const int low = Crossings(wave, start, start + quarter);
    const int high = Crossings(wave, start + 2 * quarter, start + 3 * quarter);
    EXPECT_GT(low, 100);
    EXPECT_GT(high, low * 13 / 10);
}

} // namespace
