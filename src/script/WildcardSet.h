#pragma once
// The wildcard patterns of a host's receive scripts, prepared once when the scripts are
// loaded or changed, and matched together against every complete received line.
//
// Most patterns need some text in the line ("*tells you*" needs "tells you"). Those texts
// of all patterns go into one automaton, so a single pass over the line tells
// which patterns can match at all; only those are matched in full, the ones made of plain
// text and stars by looking their pieces up in turn, the others by CWildcardMatcher. A
// hundred patterns that do not match a line cost about one scan of it. The answers are
// CWildcardMatcher's, pattern by pattern.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ByteAutomaton.h"

class CWildcardSet final {
public:
    // Replaces the patterns.
    void Build(const std::vector<std::string_view>& patterns);
    std::size_t Size() const { return m_patterns.size(); }

    // Whether each pattern, in Build's order, matches all of text. The answers stay valid
    // until the next call.
    const std::vector<std::uint8_t>& Match(std::string_view text);
    // The patterns the last Match answered yes for, in Build's order.
    const std::vector<std::uint32_t>& Matches() const { return m_matchedList; }
    // For each of texts, 1 when some pattern may match it and 0 when none can: every text
    // Match would answer yes for gets 1. Texts that lie one after another in memory (as the
    // session's lines do) are looked through in one pass, which passes over most lines of a
    // flood at the speed of the automaton's skip.
    void MayMatch(const std::vector<std::string_view>& texts, std::vector<std::uint8_t>& out) const;

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
    static bool MatchPieces(const Pattern& pattern, std::string_view text);
    void BuildAutomaton(const std::vector<std::string>& texts);
    void FindRequired(std::string_view text);

    std::vector<Pattern> m_patterns;
    CByteAutomaton m_automaton;
    // Per node, the needed texts that end there (its string or one of its suffixes), as a
    // range of m_ends.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_nodeEnds;
    std::vector<std::int32_t> m_ends;
    // Per needed text, the patterns that need it; the patterns that need nothing.
    std::vector<std::vector<std::uint32_t>> m_needing;
    std::vector<std::uint32_t> m_unconditional;
    // Per needed text, whether the current line holds it; the ones it holds.
    std::vector<std::uint8_t> m_found;
    std::vector<std::int32_t> m_foundList;
    // Per pattern, the answer; the patterns answered yes.
    std::vector<std::uint8_t> m_matched;
    std::vector<std::uint32_t> m_matchedList;
};
