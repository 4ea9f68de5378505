#include "image/PictureBuffer.h"

bool CPictureBuffer::IsAcceptableSize(long long width, long long height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3 <= kMaxBytes;
}

bool CPictureBuffer::Allocate(int width, int height)
{
    m_pixels.clear();
    m_width = m_height = 0;
    if (!IsAcceptableSize(width, height))
        return false;
    m_width = width;
    m_height = height;
    m_pixels.assign(RowBytes() * static_cast<std::size_t>(height), kGrey);
    return true;
}
