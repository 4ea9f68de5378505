#pragma once
// The vector pass of CByteAutomaton::SkipToStart, written once for any vector width: the
// 16-byte SSE2 pass every x86-64 processor has (ByteAutomaton.cpp), and the 32-byte AVX2
// pass (ByteSkipWide.cpp, built for AVX2 and called only where the processor has it).
//
// Nothing here calls an inline function that other files use too: the AVX2 build of such a
// function could be the copy the linker keeps for the whole program.

#include <cstddef>
#include <cstdint>

namespace ByteSkip {

inline constexpr int kMaxBytes = 8;
inline constexpr int kWidest = 32;

// The raw bytes that map to a first / second byte of some text, each repeated as wide as the
// widest vector, ready to compare a block with.
struct Sets {
    bool anySecond = false; // a text of one byte: any byte may follow
    // Bytes in pairs that differ only in 0x20 (a letter in both cases, as a case-blind map
    // gives) are kept as the one with 0x20 set, and compared with the block's bytes OR 0x20.
    bool foldFirst = false;
    bool foldSecond = false;
    int firstCount = 0;
    int secondCount = 0;
    alignas(kWidest) unsigned char firstBlocks[kMaxBytes][kWidest] = {};
    alignas(kWidest) unsigned char secondBlocks[kMaxBytes][kWidest] = {};
};

// What the scan needs besides the sets: the text, the map its bytes pass through, and one bit
// per pair of mapped bytes (first << 8 | second) with which some text starts.
struct Text {
    const unsigned char* data;
    std::size_t size;
    const unsigned char* map;
    const std::uint64_t* pairStarts;
};

// The first position from i on, before the last byte, at which a pair of bytes starts some
// text, or size - 1 when there is none. Needs i + width + 1 <= size.
std::size_t Scan16(const Sets& sets, const Text& text, std::size_t i);
std::size_t Scan32(const Sets& sets, const Text& text, std::size_t i);
// Whether Scan32 can run on this processor.
bool HasScan32();

namespace detail {

// V: a vector type's operations (kWidth bytes: Load, LoadBlock, Zero, CaseBit, Or, Eq, And,
// Mask). Each file defines its own V in an unnamed namespace, so that every function here is
// built apart for each width.
// The helpers are inlined into Scan: they run for every block.
template <class V>
[[gnu::always_inline]] inline typename V::Reg MatchesAny(const unsigned char* at, const unsigned char (*blocks)[kWidest],
                           int count, bool fold)
{
    typename V::Reg bytes = V::Load(at);
    if (fold)
        bytes = V::Or(bytes, V::CaseBit());
    typename V::Reg found = V::Zero();
    for (int k = 0; k < count; ++k)
        found = V::Or(found, V::Eq(bytes, V::LoadBlock(blocks[k])));
    return found;
}

// The candidate positions among the kWidth from at, as a bit mask.
template <class V>
[[gnu::always_inline]] inline std::uint32_t CandidatesAt(const Sets& sets, const unsigned char* at)
{
    typename V::Reg candidates =
        MatchesAny<V>(at, sets.firstBlocks, sets.firstCount, sets.foldFirst);
    if (!sets.anySecond)
        candidates = V::And(candidates, MatchesAny<V>(at + 1, sets.secondBlocks,
                                                      sets.secondCount, sets.foldSecond));
    return V::Mask(candidates);
}

// The first candidate from at that starts a text as a pair, or text.size.
template <class V>
[[gnu::always_inline]] inline std::size_t FirstStart(const Text& text, std::size_t at, std::uint32_t mask)
{
    for (; mask != 0; mask &= mask - 1) {
        const std::size_t k = at + static_cast<std::size_t>(__builtin_ctz(mask));
        const unsigned pair = unsigned{text.map[text.data[k]]} << 8 | text.map[text.data[k + 1]];
        if (((text.pairStarts[pair >> 6] >> (pair & 63)) & 1) != 0)
            return k;
    }
    return text.size;
}

template <class V>
std::size_t Scan(const Sets& sets, const Text& text, std::size_t i)
{
    constexpr std::size_t width = V::kWidth;
    const std::size_t size = text.size;
    for (; i + width + 1 <= size; i += width) {
        const std::size_t found = FirstStart<V>(text, i, CandidatesAt<V>(sets, text.data + i));
        if (found != size)
            return found;
    }
    // The positions left, up to the last pair, in one block that ends there: those of it
    // already looked at are masked off.
    if (i + 1 < size) {
        const std::size_t at = size - width - 1;
        const std::size_t found = FirstStart<V>(
            text, at, CandidatesAt<V>(sets, text.data + at) & (~std::uint32_t{0} << (i - at)));
        if (found != size)
            return found;
    }
    return size - 1;
}

} // namespace detail

} // namespace ByteSkip
