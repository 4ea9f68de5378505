#include "display/HighlightMatcher.h"

#include <algorithm>

void CHighlightMatcher::Build(const std::vector<Rule>& rules)
{
    m_emptyRule = kNone;
    m_anyContains = false;
    std::vector<std::string_view> texts;
    texts.reserve(rules.size());
    for (const Rule& rule : rules)
        texts.push_back(rule.text);
    const std::vector<std::int32_t> ends = m_automaton.Build(texts);

    const std::size_t nodes = m_automaton.NodeCount();
    m_startsWith.assign(nodes, kNone);
    m_contains.assign(nodes, kNone);
    for (std::size_t index = 0; index < rules.size(); ++index) {
        const auto ruleIndex = static_cast<std::int32_t>(index);
        if (rules[index].text.empty()) {
            m_emptyRule = std::min(m_emptyRule, ruleIndex);
            continue;
        }
        const auto node = static_cast<std::size_t>(ends[index]);
        if (rules[index].contains) {
            m_contains[node] = std::min(m_contains[node], ruleIndex);
            m_anyContains = true;
        } else {
            m_startsWith[node] = std::min(m_startsWith[node], ruleIndex);
        }
    }
    // A "contains" text that ends at a node's fallback occurs wherever the node's string
    // does, so its index is carried down the links.
    for (const std::int32_t node : m_automaton.BreadthFirst()) {
        const auto at = static_cast<std::size_t>(node);
        m_contains[at] =
            std::min(m_contains[at], m_contains[static_cast<std::size_t>(m_automaton.Fail(node))]);
    }
    m_anyText.resize(nodes);
    for (std::size_t node = 0; node < nodes; ++node)
        m_anyText[node] = std::min(m_contains[node], m_startsWith[node]);
}

int CHighlightMatcher::Match(std::string_view line) const
{
    std::int32_t best = m_emptyRule;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t size = line.size();
    const unsigned char* identity = CByteAutomaton::Identity();
    std::int32_t node = CByteAutomaton::kRoot;
    // Whether the node still spells the whole line so far: only then can a "starts with"
    // text end at it. Without "contains" texts nothing can match once it does not.
    bool atStart = true;
    for (std::size_t i = 0; i < size && best > 0 && (atStart || m_anyContains); ++i) {
        if (node == CByteAutomaton::kRoot) {
            if (i > 0) {
                atStart = false;
                if (!m_anyContains)
                    break;
                // Most bytes start no text at all: pass over them without stepping.
                i = m_automaton.SkipToStart(bytes, i, size, identity);
                if (i == size)
                    break;
            }
            node = m_automaton.Enter(bytes[i]);
            if (node == CByteAutomaton::kRoot)
                continue;
        } else {
            node = m_automaton.Step(node, bytes[i]);
        }
        const auto at = static_cast<std::size_t>(node);
        atStart = atStart && static_cast<std::size_t>(m_automaton.Depth(node)) == i + 1;
        if (m_anyText[at] >= best)
            continue;
        best = std::min(best, m_contains[at]);
        if (atStart)
            best = std::min(best, m_startsWith[at]);
    }
    return best == kNone ? -1 : best;
}
