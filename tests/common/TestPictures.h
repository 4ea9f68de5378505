#pragma once
// Test pictures made on the spot with giflib's and libjpeg's own encoders, and a picture
// sink that records what a decoder delivered.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/PictureMessage.h"
#include "image/PictureSink.h"

namespace brumble::test {

struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    std::vector<std::uint32_t> localColours; // 0xRRGGBB; empty: use the global map
    int mapSize = 0; // entries written for the local map (padded with black); 0: its size
    std::function<int(int x, int y)> index; // colour index of each pixel
    bool graphicControlBefore = false;
};

struct GifFile {
    int width = 0, height = 0;
    std::vector<std::uint32_t> globalColours; // empty: no global map
    std::vector<GifImage> images;
};

std::string MakeGif(const GifFile& file);

// components: 1 (grey), 3 (RGB) or 4 (Adobe CMYK); colour(x, y) gives 0xRRGGBB (for grey
// the low byte; for CMYK 0xCCMMYYKK).
std::string MakeJpeg(int width, int height, int components,
                     const std::function<std::uint32_t(int x, int y)>& colour,
                     bool progressive = false);

class CRecordingPictureSink final : public CPictureSink {
public:
    void OnPictureSize(int width, int height) override;
    void OnPictureRow(int y, const std::uint8_t* rgb, std::size_t bytes) override;
    void OnPictureMessage(const CPictureMessage& message) override { messages.push_back(message); }

    std::uint32_t Pixel(int x, int y) const; // 0xRRGGBB of what was delivered

    int width = -1, height = -1;
    std::vector<int> rows; // y of every delivered row, in order
    std::vector<std::uint8_t> pixels;
    std::vector<CPictureMessage> messages;
};

} // namespace brumble::test
