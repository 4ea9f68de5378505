#pragma once
// Bytes already in memory, read as if they were arriving: for tests and fuzz targets.

#include <algorithm>
#include <cstring>
#include <string_view>

#include "image/ByteSource.h"

class CMemoryByteSource final : public CByteSource {
public:
    explicit CMemoryByteSource(std::string_view bytes) : m_bytes(bytes) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override
    {
        const std::size_t n = std::min(count, m_bytes.size() - m_offset);
        if (n > 0)
            std::memcpy(buffer, m_bytes.data() + m_offset, n);
        m_offset += n;
        return n;
    }

private:
    std::string_view m_bytes;
    std::size_t m_offset = 0;
};
