#pragma once
// Finds the first highlight rule, in list order, that a line matches: "starts with" rules
// match at the start of the line, "contains" rules anywhere, both byte for byte. Every
// rendered line (and every kept line on a rebuild) is asked, so the answer must not cost a
// pass over the rules: all texts go into one Aho-Corasick automaton, and a single pass over
// the line finds the lowest rule index among every text that occurs in it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CHighlightMatcher final {
public:
    struct Rule {
        std::string text;
        bool contains = false; // else "starts with"
    };

    CHighlightMatcher() = default;
    explicit CHighlightMatcher(const std::vector<Rule>& rules) { Build(rules); }

    // Replaces the rules. An empty text matches every line (its first zero characters).
    void Build(const std::vector<Rule>& rules);
    // The index of the first rule that line matches, or -1 when none does.
    int Match(std::string_view line) const;

private:
    static constexpr std::int32_t kNone = INT32_MAX;

    struct Node {
        std::int32_t fail = 0;
        std::int32_t depth = 0;
        // The lowest "starts with" rule whose text is exactly this node's string.
        std::int32_t startsWith = kNone;
        // The lowest "contains" rule whose text is this node's string or a suffix of it.
        std::int32_t contains = kNone;
        // The lower of the two: whether anything ends here at all.
        std::int32_t anyText = kNone;
        // Children, sorted by byte, as a range of m_edgeBytes / m_edgeTargets.
        std::uint32_t firstEdge = 0;
        std::uint32_t edgeCount = 0;
    };

    std::int32_t Child(std::int32_t node, unsigned char byte) const;
    std::int32_t Step(std::int32_t node, unsigned char byte) const;

    std::vector<Node> m_nodes;
    std::vector<unsigned char> m_edgeBytes;
    std::vector<std::int32_t> m_edgeTargets;
    // The root's transitions for every byte, so that the common case (a byte that starts no
    // rule text) costs one look-up.
    std::array<std::int32_t, 256> m_rootNext{};
    std::int32_t m_emptyRule = kNone;
    bool m_anyContains = false;
};
