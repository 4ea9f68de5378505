#pragma once
// The program's pseudo-random generator: the classic linear congruential generator
// (seed * 214013 + 2531011, 15-bit results), never seeded, one instance per program.

#include <cstdint>

class CRandomGenerator {
public:
    // The next value, 0 to 32767.
    int Next()
    {
        m_seed = m_seed * 214013u + 2531011u;
        return static_cast<int>((m_seed >> 16) & 0x7FFF);
    }

private:
    std::uint32_t m_seed = 1;
};
