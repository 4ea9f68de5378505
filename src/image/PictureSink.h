#pragma once
// Where a decoder delivers the picture as it decodes it: the size first (the picture then
// is all light grey), then every row as soon as it changed, in the order it was decoded.

#include <cstddef>
#include <cstdint>

struct CPictureMessage;

class CPictureSink {
public:
    virtual ~CPictureSink() = default;
    virtual void OnPictureSize(int width, int height) = 0;
    // Row y of the picture, 3 bytes per pixel in the order red, green, blue.
    virtual void OnPictureRow(int y, const std::uint8_t* rgb, std::size_t bytes) = 0;
    virtual void OnPictureMessage(const CPictureMessage& message) = 0;
    // Asked between rows: the picture is no longer wanted.
    virtual bool ShouldStop() const { return false; }
};
