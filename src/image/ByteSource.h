#pragma once
// The one read function the picture decoders pull their bytes through: the fetcher in the
// running program, a byte string in tests and fuzz targets.

#include <cstddef>
#include <cstdint>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Fills buffer with count bytes, blocking until it has them; fewer only when the data
    // has ended or the fetch was given up.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t count) = 0;
};
