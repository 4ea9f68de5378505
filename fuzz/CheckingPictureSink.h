#pragma once
// The picture sink of the decoder fuzz targets: it aborts on any row outside the picture the
// decoder announced or of another width, and reads every byte of every row it is handed, so
// that a decoder writing or reading outside memory is caught by the sanitizers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/PictureMessage.h"
#include "image/PictureSink.h"

class CheckingPictureSink final : public CPictureSink {
public:
    void OnPictureSize(int width, int height) override
    {
        m_width = width;
        m_height = height;
    }
    void OnPictureRow(int y, const std::uint8_t* rgb, std::size_t bytes) override
    {
        if (y < 0 || y >= m_height || bytes != static_cast<std::size_t>(m_width) * 3)
            std::abort();
        volatile std::uint8_t sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum = static_cast<std::uint8_t>(sum + rgb[i]);
    }
    void OnPictureMessage(const CPictureMessage&) override {}

private:
    int m_width = 0;
    int m_height = 0;
};
