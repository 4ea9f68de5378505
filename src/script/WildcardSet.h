#pragma once
// The wildcard patterns of a host's receive scripts, prepared once when the scripts are
// loaded or changed, and matched together against every complete received line.
//
// Most patterns need some text in the line ("*tells you*" needs "tells you"). Those texts
// of all patterns go into one Aho-Corasick automaton, so a single pass over the line tells
// which patterns can match at all; only those are matched in full, the ones made of plain
// text and stars by looking their pieces up in turn, the others by CWildcardMatcher. A
// hundred patterns that do not match a line cost about one scan of it. The answers are
// CWildcardMatcher's, pattern by pattern.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CWildcardSet final {
public:
    // Replaces the patterns.
    void Build(const std::vector<std::string_view>& patterns);
    std::size_t Size() const { return m_patterns.size(); }

    // Whether each pattern, in Build's order, matches all of text. The answers stay valid
    // until the next call.
    const std::vector<std::uint8_t>& Match(std::string_view text);

private:
    struct Pattern {
        std::string text;
        int required = -1; // the index of the text it needs in the automaton, -1 for none
        // Only plain characters and stars: the characters between the runs of stars, the
        // first one anchored at the line's start unless a star leads, the last at its end.
        bool piecesOnly = false;
        bool hasStar = false;
        std::vector<std::string> pieces;
    };
    struct Node {
        std::int32_t fail = 0;
        std::uint32_t firstEdge = 0;
        std::uint32_t edgeCount = 0;
        // The needed texts that end here (this node's string or one of its suffixes), as a
        // range of m_ends.
        std::uint32_t firstEnd = 0;
        std::uint32_t endCount = 0;
    };

    static bool MatchPieces(const Pattern& pattern, std::string_view text);
    void BuildAutomaton(const std::vector<std::string>& texts);
    std::int32_t Step(std::int32_t node, unsigned char byte) const;
    void FindRequired(std::string_view text);

    std::vector<Pattern> m_patterns;
    std::vector<Node> m_nodes;
    std::vector<unsigned char> m_edgeBytes;
    std::vector<std::int32_t> m_edgeTargets;
    std::vector<std::int32_t> m_ends;
    // The root's transitions for every byte (0: none), so that the usual byte, which starts
    // no needed text, costs one look-up.
    std::array<std::int32_t, 256> m_rootNext{};
    // Per needed text, whether the current line holds it; per pattern, the answer.
    std::vector<std::uint8_t> m_found;
    std::vector<std::uint8_t> m_matched;
};
