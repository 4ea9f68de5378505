#include "base/ByteAutomaton.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <utility>

const unsigned char* CByteAutomaton::Identity()
{
    static const std::array<unsigned char, 256> map = [] {
        std::array<unsigned char, 256> bytes{};
        std::iota(bytes.begin(), bytes.end(), 0);
        return bytes;
    }();
    return map.data();
}

std::vector<std::int32_t> CByteAutomaton::Build(const std::vector<std::string_view>& texts)
{
    m_nodes.assign(1, Node{});
    m_edgeBytes.clear();
    m_edgeTargets.clear();
    m_breadthFirst.clear();
    m_rootNext.fill(kRoot);
    m_pairStarts.fill(0);
    m_firstBytes.fill(false);
    m_secondBytes.fill(false);
    m_oneByteText = false;
    m_prefilter = Prefilter{};

    // The trie, children kept sorted by byte while it grows.
    std::vector<std::vector<std::pair<unsigned char, std::int32_t>>> children(1);
    std::vector<std::int32_t> ends;
    ends.reserve(texts.size());
    for (const std::string_view text : texts) {
        std::int32_t node = kRoot;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            auto& edges = children[static_cast<std::size_t>(node)];
            const auto at = std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, 0));
            if (at != edges.end() && at->first == byte) {
                node = at->second;
                continue;
            }
            const auto created = static_cast<std::int32_t>(m_nodes.size());
            Node fresh;
            fresh.depth = At(node).depth + 1;
            m_nodes.push_back(fresh);
            edges.insert(at, {byte, created});
            children.emplace_back(); // edges is not used after this
            node = created;
        }
        ends.push_back(node);
        if (!text.empty()) {
            const unsigned first = static_cast<unsigned char>(text[0]);
            m_firstBytes[first] = true;
            if (text.size() == 1)
                m_oneByteText = true;
            else
                m_secondBytes[static_cast<unsigned char>(text[1])] = true;
            for (unsigned second = 0; second < 256; ++second) {
                if (text.size() == 1 || second == static_cast<unsigned char>(text[1])) {
                    const unsigned pair = first << 8 | second;
                    m_pairStarts[pair >> 6] |= std::uint64_t{1} << (pair & 63);
                }
            }
        }
    }

    for (std::size_t node = 0; node < m_nodes.size(); ++node) {
        m_nodes[node].firstEdge = static_cast<std::uint32_t>(m_edgeBytes.size());
        m_nodes[node].edgeCount = static_cast<std::uint32_t>(children[node].size());
        for (const auto& [byte, target] : children[node]) {
            m_edgeBytes.push_back(byte);
            m_edgeTargets.push_back(target);
        }
    }
    for (const auto& [byte, target] : children[kRoot])
        m_rootNext[byte] = target;

    // Fallback links breadth first: a node's link is shallower, so finished before it.
    for (const auto& [byte, target] : children[kRoot])
        m_breadthFirst.push_back(target);
    for (std::size_t k = 0; k < m_breadthFirst.size(); ++k) {
        const std::int32_t node = m_breadthFirst[k];
        for (const auto& [byte, target] : children[static_cast<std::size_t>(node)]) {
            m_nodes[static_cast<std::size_t>(target)].fail = Step(At(node).fail, byte);
            m_breadthFirst.push_back(target);
        }
    }
    return ends;
}

std::int32_t CByteAutomaton::Child(std::int32_t node, unsigned char byte) const
{
    const Node& n = At(node);
    const auto first = m_edgeBytes.begin() + n.firstEdge;
    const auto last = first + n.edgeCount;
    const auto at = std::lower_bound(first, last, byte);
    if (at == last || *at != byte)
        return -1;
    return m_edgeTargets[static_cast<std::size_t>(at - m_edgeBytes.begin())];
}

std::int32_t CByteAutomaton::Step(std::int32_t node, unsigned char byte) const
{
    while (node != kRoot) {
        const std::int32_t child = Child(node, byte);
        if (child >= 0)
            return child;
        node = At(node).fail;
    }
    return m_rootNext[byte];
}

namespace {

// When bytes (count of them) come in pairs that differ only in 0x20 (a letter in both cases,
// as a case-blind map gives), keeps the one of each pair with 0x20 set and says so: a byte
// OR 0x20 equals one of those exactly when the byte is one of the pairs.
bool FoldCase(unsigned char* bytes, int& count)
{
    unsigned char* const end = bytes + count;
    for (const unsigned char* b = bytes; b != end; ++b) {
        if (std::find(bytes, end, *b ^ 0x20) == end)
            return false;
    }
    count = static_cast<int>(
        std::remove_if(bytes, end, [](unsigned char b) { return (b & 0x20) == 0; }) - bytes);
    return count > 0;
}

} // namespace

const CByteAutomaton::Prefilter& CByteAutomaton::PrefilterFor(const unsigned char* map) const
{
    if (m_prefilter.map == map)
        return m_prefilter;
    Prefilter filter;
    filter.map = map;
    filter.anySecond = m_oneByteText;
    filter.usable = true;
    for (int byte = 0; byte < 256; ++byte) {
        const unsigned char mapped = map[byte];
        if (m_firstBytes[mapped]) {
            if (filter.firstCount == Prefilter::kMaxBytes)
                filter.usable = false;
            else
                filter.first[filter.firstCount++] = static_cast<unsigned char>(byte);
        }
        if (!filter.anySecond && m_secondBytes[mapped]) {
            if (filter.secondCount == Prefilter::kMaxBytes)
                filter.usable = false;
            else
                filter.second[filter.secondCount++] = static_cast<unsigned char>(byte);
        }
    }
    filter.foldFirst = FoldCase(filter.first, filter.firstCount);
    filter.foldSecond = FoldCase(filter.second, filter.secondCount);
    for (int k = 0; k < filter.firstCount; ++k)
        std::memset(filter.firstBlocks[k], filter.first[k], 16);
    for (int k = 0; k < filter.secondCount; ++k)
        std::memset(filter.secondBlocks[k], filter.second[k], 16);
    m_prefilter = filter;
    return m_prefilter;
}

std::size_t CByteAutomaton::SkipToStart(const unsigned char* data, std::size_t i, std::size_t size,
                                        const unsigned char* map) const
{
#if defined(__SSE2__)
    // Sixteen positions at a time: a position is a candidate when its byte may begin a text
    // and the next may be that text's second byte; candidates are then tested as pairs.
    const Prefilter& filter = PrefilterFor(map);
    if (filter.usable && i + 17 <= size) {
        // Which of the sixteen bytes from at equal one of the count blocks.
        const __m128i caseBit = _mm_set1_epi8(0x20);
        const auto matchesAny = [&](std::size_t at, const unsigned char(*blocks)[16], int count,
                                    bool fold) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
            if (fold)
                bytes = _mm_or_si128(bytes, caseBit);
            __m128i found = _mm_setzero_si128();
            for (int k = 0; k < count; ++k)
                found = _mm_or_si128(
                    found, _mm_cmpeq_epi8(
                               bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(blocks[k]))));
            return found;
        };
        // The candidate positions among the sixteen from at, as a bit mask.
        const auto candidatesAt = [&](std::size_t at) {
            __m128i candidates =
                matchesAny(at, filter.firstBlocks, filter.firstCount, filter.foldFirst);
            if (!filter.anySecond)
                candidates = _mm_and_si128(candidates, matchesAny(at + 1, filter.secondBlocks,
                                                                  filter.secondCount,
                                                                  filter.foldSecond));
            return static_cast<unsigned>(_mm_movemask_epi8(candidates));
        };
        const auto firstStart = [&](std::size_t at, unsigned mask) {
            for (; mask != 0; mask &= mask - 1) {
                const std::size_t k = at + static_cast<std::size_t>(std::countr_zero(mask));
                if (PairStarts(map[data[k]], map[data[k + 1]]))
                    return k;
            }
            return size;
        };
        for (; i + 17 <= size; i += 16) {
            const std::size_t found = firstStart(i, candidatesAt(i));
            if (found != size)
                return found;
        }
        // The positions left, up to the last pair, in one block that ends there: those of it
        // already looked at are masked off.
        if (i + 1 < size) {
            const std::size_t at = size - 17;
            const std::size_t found = firstStart(at, candidatesAt(at) & (~0u << (i - at)));
            if (found != size)
                return found;
            i = size - 1;
        }
    }
#endif
    for (; i + 1 < size; ++i) {
        if (PairStarts(map[data[i]], map[data[i + 1]]))
            return i;
    }
    // The last byte has no partner here (the next piece may bring it).
    if (i < size && m_rootNext[map[data[i]]] != kRoot)
        return i;
    return size;
}
