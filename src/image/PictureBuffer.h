#pragma once
// The picture a decoder draws into: rows of 3-byte red, green, blue pixels, top row first,
// starting light grey (0xC0C0C0) so that what is not decoded yet shows as grey. Sizes are
// computed in size_t and capped, so that a header cannot ask for absurd amounts of memory.

#include <cstddef>
#include <cstdint>
#include <vector>

class CPictureBuffer final {
public:
    static constexpr int kMaxSide = 8192;
    static constexpr std::size_t kMaxBytes = std::size_t{64} * 1024 * 1024;
    static constexpr std::uint8_t kGrey = 0xC0;

    // Whether a picture of this size may be allocated at all.
    static bool IsAcceptableSize(long long width, long long height);
    // A grey picture; false (and nothing allocated) for an unacceptable size.
    bool Allocate(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(m_width) * 3; }
    std::uint8_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
    const std::uint8_t* Row(int y) const
    {
        return m_pixels.data() + static_cast<std::size_t>(y) * RowBytes();
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_pixels;
};
