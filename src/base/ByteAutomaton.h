#pragma once
// The trie and fallback links of an Aho-Corasick automaton over bytes: one pass over a text
// finds every occurrence of any of many texts. The matchers that look for a user's many texts
// in every received line or piece (triggers, highlights, script patterns) each build one and
// keep their own facts per node (which of their texts end there) in arrays indexed by node.
//
// Most bytes of real text start none of the texts; SkipToStart passes over them, testing
// each byte together with the one after it, so that common letters that merely begin a text
// ("t" for "TRIGGER") are not stepped through unless the next letter fits too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/ByteSkip.h"

class CByteAutomaton final {
public:
    static constexpr std::int32_t kRoot = 0;

    // Builds the trie of texts and its links. Returns, per text, the node where it ends
    // (kRoot for an empty text).
    std::vector<std::int32_t> Build(const std::vector<std::string_view>& texts);

    std::size_t NodeCount() const { return m_nodes.size(); }
    bool IsEmpty() const { return m_nodes.size() <= 1; }
    // The length of the node's string.
    std::int32_t Depth(std::int32_t node) const { return At(node).depth; }
    // The node of the longest proper suffix of the node's string that is in the trie.
    std::int32_t Fail(std::int32_t node) const { return At(node).fail; }
    // Every node but the root, each after the node it falls back to (breadth first): the
    // order in which facts are carried down the fallback links.
    const std::vector<std::int32_t>& BreadthFirst() const { return m_breadthFirst; }

    // The node after byte, from node.
    std::int32_t Step(std::int32_t node, unsigned char byte) const;
    // The node after byte from the root.
    std::int32_t Enter(unsigned char byte) const { return m_rootNext[byte]; }
    // The first position from i on at which a text may start, or size: the bytes skipped
    // leave the automaton at the root. Each byte is first passed through map (256 entries).
    std::size_t SkipToStart(const unsigned char* data, std::size_t i, std::size_t size,
                            const unsigned char* map) const;

    // The map that passes bytes unchanged.
    static const unsigned char* Identity();

    // The skip tests 32 positions at a time where the processor has AVX2, else 16. Tests
    // turn the wide pass off to check the other on the same machine; returns whether the
    // wide pass is now used (never where the processor lacks it).
    static bool UseWideSkip(bool use);

private:
    struct Node {
        std::int32_t fail = kRoot;
        std::int32_t depth = 0;
        // Children, sorted by byte, as a range of m_edgeBytes / m_edgeTargets.
        std::uint32_t firstEdge = 0;
        std::uint32_t edgeCount = 0;
    };

    // The byte sets of the vector pass for one map; made again when another map is used.
    struct Prefilter {
        const unsigned char* map = nullptr;
        bool usable = false; // few enough bytes to compare against
        ByteSkip::Sets sets;
    };

    const Node& At(std::int32_t node) const { return m_nodes[static_cast<std::size_t>(node)]; }
    std::int32_t Child(std::int32_t node, unsigned char byte) const;
    bool PairStarts(unsigned char first, unsigned char second) const
    {
        const unsigned pair = unsigned{first} << 8 | second;
        return ((m_pairStarts[pair >> 6] >> (pair & 63)) & 1) != 0;
    }
    // The prefilter for map, made when another map was used last.
    const Prefilter& PrefilterFor(const unsigned char* map) const
    {
        return m_prefilter.map == map ? m_prefilter : MakePrefilter(map);
    }
    const Prefilter& MakePrefilter(const unsigned char* map) const;

    std::vector<Node> m_nodes{Node{}};
    std::vector<unsigned char> m_edgeBytes;
    std::vector<std::int32_t> m_edgeTargets;
    std::vector<std::int32_t> m_breadthFirst;
    // The root's children for every byte (kRoot for none), the busiest look-up of all.
    std::array<std::int32_t, 256> m_rootNext{};
    // One bit per pair of bytes (first << 8 | second) with which some text starts; a text of
    // one byte starts every pair that begins with it.
    std::array<std::uint64_t, 65536 / 64> m_pairStarts{};
    std::array<bool, 256> m_firstBytes{};
    std::array<bool, 256> m_secondBytes{};
    bool m_oneByteText = false;
    mutable Prefilter m_prefilter;
};
