#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "alerts/AboutWave.h"
#include "alerts/EmbeddedWave.h"

namespace {

// Checks that wave is a complete 8-bit mono 11025 Hz PCM file that is audible and starts and
// ends at silence (128), so there is no click either way; gives its number of sample bytes.
std::uint32_t CheckPcmWave(const std::string& wave)
{
    EXPECT_GT(wave.size(), 44u);
    if (wave.size() <= 44)
        return 0;
    auto field = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value =
                (value << 8) | static_cast<unsigned char>(wave[at + static_cast<std::size_t>(i)]);
        return value;
    };
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(wave.substr(36, 4), "data");
    const std::uint32_t dataSize = field(40, 4);
    EXPECT_EQ(dataSize, wave.size() - 44);
    EXPECT_EQ(dataSize % 2, 0u);
    // RIFF size, fmt size, PCM, mono, rate, bytes per second, block align, bits per sample.
    const std::uint32_t fields[][3] = {
        {4, 4, dataSize + 36}, {16, 4, 16},    {20, 2, 1}, {22, 2, 1},
        {24, 4, 11025},        {28, 4, 11025}, {32, 2, 1}, {34, 2, 8}};
    for (const auto& [at, size, expected] : fields)
        EXPECT_EQ(field(at, static_cast<int>(size)), expected) << "at " << at;

    int peak = 0;
    for (std::size_t i = 44; i < wave.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<unsigned char>(wave[i]) - 128));
    EXPECT_GE(peak, 50);
    EXPECT_LT(peak, 127); // never clipped
    EXPECT_LE(std::abs(static_cast<unsigned char>(wave[44]) - 128), 2);
    EXPECT_LE(std::abs(static_cast<unsigned char>(wave.back()) - 128), 2);
    return dataSize;
}

TEST(EmbeddedWave, IsAWellFormedShortPcmFile)
{
    const std::string& wave = EmbeddedWave::Bytes();
    const std::uint32_t dataSize = CheckPcmWave(wave);
    EXPECT_GE(dataSize, 0.3 * 11025);
    EXPECT_LE(dataSize, 0.5 * 11025);
    EXPECT_EQ(&EmbeddedWave::Bytes(), &wave); // built once
}

TEST(AboutWave, IsAPcmFileOfExactlyTheDescribedLength)
{
    const std::string& wave = AboutWave::Bytes();
    EXPECT_EQ(CheckPcmWave(wave), 54070u);
    EXPECT_EQ(&AboutWave::Bytes(), &wave);
    EXPECT_NE(wave, EmbeddedWave::Bytes());
    // Sound all the way through, not a blip and then silence: every half second is heard.
    for (std::size_t from = 44; from + 5512 <= wave.size() - 5512; from += 5512) {
        int loudest = 0;
        for (std::size_t i = from; i < from + 5512; ++i)
            loudest = std::max(loudest, std::abs(static_cast<unsigned char>(wave[i]) - 128));
        EXPECT_GE(loudest, 5) << "around sample " << from - 44;
    }
}

} // namespace
