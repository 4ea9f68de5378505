#include "base/ByteAutomaton.h"

#include <algorithm>
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

#if defined(__SSE2__)
struct Sse2 {
    using Reg = __m128i;
    static constexpr std::size_t kWidth = 16;
    static Reg Load(const unsigned char* at)
    {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    }
    static Reg LoadBlock(const unsigned char* block)
    {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(block));
    }
    static Reg Zero() { return _mm_setzero_si128(); }
    static Reg CaseBit() { return _mm_set1_epi8(0x20); }
    static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg Eq(Reg a, Reg b) { return _mm_cmpeq_epi8(a, b); }
    static std::uint32_t Mask(Reg a) { return static_cast<std::uint32_t>(_mm_movemask_epi8(a)); }
};
#endif

bool g_wideSkip = ByteSkip::HasScan32();

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

// The bytes of a set (count of them), each repeated across a block.
void FillBlocks(unsigned char (*blocks)[ByteSkip::kWidest], const unsigned char* bytes, int count)
{
    for (int k = 0; k < count; ++k)
        std::memset(blocks[k], bytes[k], ByteSkip::kWidest);
}

} // namespace

#if defined(__SSE2__)
std::size_t ByteSkip::Scan16(const Sets& sets, const Text& text, std::size_t i)
{
    return detail::Scan<Sse2>(sets, text, i);
}
#endif

bool ByteSkip::HasScan32()
{
#if defined(BRUMBLE_AVX2)
    // Asked while static objects are made, perhaps before the compiler's own start-up code
    // has looked at the processor.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool CByteAutomaton::UseWideSkip(bool use)
{
    g_wideSkip = use && ByteSkip::HasScan32();
    return g_wideSkip;
}

const CByteAutomaton::Prefilter& CByteAutomaton::MakePrefilter(const unsigned char* map) const
{
    Prefilter filter;
    filter.map = map;
    filter.usable = true;
    ByteSkip::Sets& sets = filter.sets;
    sets.anySecond = m_oneByteText;
    unsigned char first[ByteSkip::kMaxBytes];
    unsigned char second[ByteSkip::kMaxBytes];
    for (int byte = 0; byte < 256; ++byte) {
        const unsigned char mapped = map[byte];
        if (m_firstBytes[mapped]) {
            if (sets.firstCount == ByteSkip::kMaxBytes)
                filter.usable = false;
            else
                first[sets.firstCount++] = static_cast<unsigned char>(byte);
        }
        if (!sets.anySecond && m_secondBytes[mapped]) {
            if (sets.secondCount == ByteSkip::kMaxBytes)
                filter.usable = false;
            else
                second[sets.secondCount++] = static_cast<unsigned char>(byte);
        }
    }
    sets.foldFirst = FoldCase(first, sets.firstCount);
    sets.foldSecond = FoldCase(second, sets.secondCount);
    FillBlocks(sets.firstBlocks, first, sets.firstCount);
    FillBlocks(sets.secondBlocks, second, sets.secondCount);
    m_prefilter = filter;
    return m_prefilter;
}

std::size_t CByteAutomaton::SkipToStart(const unsigned char* data, std::size_t i, std::size_t size,
                                        const unsigned char* map) const
{
#if defined(__SSE2__)
    // A block of positions at a time: a position is a candidate when its byte may begin a
    // text and the next may be that text's second byte; candidates are then tested as pairs.
    const Prefilter& filter = PrefilterFor(map);
    if (filter.usable && i + 17 <= size) {
        const ByteSkip::Text text{data, size, map, m_pairStarts.data()};
        i = g_wideSkip && i + 33 <= size ? ByteSkip::Scan32(filter.sets, text, i)
                                         : ByteSkip::Scan16(filter.sets, text, i);
        if (i + 1 < size)
            return i;
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
