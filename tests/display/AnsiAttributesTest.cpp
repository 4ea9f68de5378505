#include <gtest/gtest.h>

#include "display/AnsiAttributes.h"

namespace {

constexpr std::uint32_t kIndexed = CAnsiAttributes::kIndexed;
constexpr std::uint32_t kDefault = CAnsiAttributes::kDefault;

TEST(AnsiAttributes, PaletteCoversTheBasicColoursTheCubeAndTheGreys)
{
    const struct {
        int index;
        std::uint32_t colour; // 0x00BBGGRR
    } cases[] = {
        {1, 0x3333CC},    {9, 0x5A5AF0},   {16, 0x000000},  {196, 0x0000FF},
        {21, 0xFF0000},   {231, 0xFFFFFF}, {232, 0x080808}, {255, 0xEEEEEE},
        {256, kDefault},  {-1, kDefault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CAnsiAttributes::PaletteColour(c.index), c.colour) << c.index;
}

TEST(AnsiAttributes, BoldBrightensTheBasicColoursAndReverseSwaps)
{
    const auto resolve = [](CAnsiAttributes a) {
        const auto r = a.Resolve();
        return std::tuple(r.foreground, r.background, r.swappedDefaults);
    };
    const std::uint32_t red = CAnsiAttributes::PaletteColour(1);
    const std::uint32_t brightRed = CAnsiAttributes::PaletteColour(9);
    EXPECT_EQ(resolve({kIndexed | 1, kDefault, true, false}), std::tuple(brightRed, kDefault, false));
    // Only the eight basic colours brighten.
    EXPECT_EQ(resolve({kIndexed | 196, kDefault, true, false}),
              std::tuple(CAnsiAttributes::PaletteColour(196), kDefault, false));
    EXPECT_EQ(resolve({kIndexed | 1, CAnsiAttributes::kRgb | 0x0A0B0C, false, true}),
              std::tuple(0x0A0B0Cu, red, true));
    EXPECT_EQ(resolve({kDefault, kDefault, false, true}), std::tuple(kDefault, kDefault, true));
}

TEST(AnsiAttributes, SlicesGiveEachRowTheRunsOfItsBytes)
{
    const CAnsiAttributes red{kIndexed | 1, kDefault, false, false};
    const CAnsiAttributes green{kIndexed | 2, kDefault, false, false};
    const CColourRuns line = {{2, red}, {6, {}}, {8, green}};
    const struct {
        std::size_t offset, length;
        CColourRuns runs;
    } cases[] = {
        {0, 2, {}},
        {0, 4, {{2, red}}},
        {3, 4, {{0, red}, {3, {}}}},
        {6, 2, {}},
        {7, 5, {{1, green}}},
        {9, 3, {{0, green}}},
    };
    for (const auto& c : cases) {
        CColourRuns out;
        SliceColourRuns(line, c.offset, c.length, out);
        EXPECT_EQ(out, c.runs) << c.offset;
    }
}

} // namespace
