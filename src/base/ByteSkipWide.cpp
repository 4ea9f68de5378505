// The 32-byte pass of the automaton's skip. This file alone is built for AVX2 (see
// CMakeLists.txt); Scan32 runs only where HasScan32() says the processor has it.
#include "base/ByteSkip.h"

#if defined(BRUMBLE_AVX2)
#include <immintrin.h>

namespace {

struct Avx2 {
    using Reg = __m256i;
    static constexpr std::size_t kWidth = 32;
    static Reg Load(const unsigned char* at)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    }
    static Reg LoadBlock(const unsigned char* block)
    {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(block));
    }
    static Reg Zero() { return _mm256_setzero_si256(); }
    static Reg CaseBit() { return _mm256_set1_epi8(0x20); }
    static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg Eq(Reg a, Reg b) { return _mm256_cmpeq_epi8(a, b); }
    static std::uint32_t Mask(Reg a) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(a)); }
};

} // namespace

std::size_t ByteSkip::Scan32(const Sets& sets, const Text& text, std::size_t i)
{
    return detail::Scan<Avx2>(sets, text, i);
}

#elif defined(__SSE2__)

std::size_t ByteSkip::Scan32(const Sets& sets, const Text& text, std::size_t i)
{
    return Scan16(sets, text, i);
}

#endif
