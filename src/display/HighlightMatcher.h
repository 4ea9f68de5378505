#pragma once
// Finds the first highlight rule, in list order, that a line matches: "starts with" rules
// match at the start of the line, "contains" rules anywhere, both byte for byte. Every
// rendered line (and every kept line on a rebuild) is asked, so the answer must not cost a
// pass over the rules: all texts go into one automaton, and a single pass over
// the line finds the lowest rule index among every text that occurs in it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteAutomaton.h"

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

    CByteAutomaton m_automaton;
    // Per node: the lowest "starts with" rule whose text is exactly the node's string.
    std::vector<std::int32_t> m_startsWith;
    // Per node: the lowest "contains" rule whose text is the node's string or a suffix of it.
    std::vector<std::int32_t> m_contains;
    // Per node: the lower of the two (whether anything ends there at all).
    std::vector<std::int32_t> m_anyText;
    std::int32_t m_emptyRule = kNone;
    bool m_anyContains = false;
};
