#include "display/HighlightMatcher.h"

#include <algorithm>
#include <deque>
#include <utility>

void CHighlightMatcher::Build(const std::vector<Rule>& rules)
{
    m_nodes.assign(1, Node{});
    m_edgeBytes.clear();
    m_edgeTargets.clear();
    m_emptyRule = kNone;
    m_anyContains = false;

    // The trie of all texts, children kept sorted by byte while it grows.
    std::vector<std::vector<std::pair<unsigned char, std::int32_t>>> children(1);
    for (std::size_t index = 0; index < rules.size(); ++index) {
        const Rule& rule = rules[index];
        const auto ruleIndex = static_cast<std::int32_t>(index);
        if (rule.text.empty()) {
            m_emptyRule = std::min(m_emptyRule, ruleIndex);
            continue;
        }
        std::int32_t node = 0;
        for (const char ch : rule.text) {
            const auto byte = static_cast<unsigned char>(ch);
            auto& edges = children[static_cast<std::size_t>(node)];
            auto at =
                std::lower_bound(edges.begin(), edges.end(), byte,
                                 [](const auto& edge, unsigned char b) { return edge.first < b; });
            if (at != edges.end() && at->first == byte) {
                node = at->second;
                continue;
            }
            const auto created = static_cast<std::int32_t>(m_nodes.size());
            Node fresh;
            fresh.depth = m_nodes[static_cast<std::size_t>(node)].depth + 1;
            m_nodes.push_back(fresh);
            edges.insert(at, {byte, created});
            children.emplace_back(); // edges is not used after this
            node = created;
        }
        Node& end = m_nodes[static_cast<std::size_t>(node)];
        if (rule.contains) {
            end.contains = std::min(end.contains, ruleIndex);
            m_anyContains = true;
        } else {
            end.startsWith = std::min(end.startsWith, ruleIndex);
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
    m_rootNext.fill(0);
    for (const auto& [byte, target] : children[0])
        m_rootNext[byte] = target;

    // Failure links breadth first, so that a node's link (always shallower) is done before
    // it is followed. A "contains" text that ends at a node's failure chain occurs wherever
    // the node's string does, so its index is carried down the chain.
    std::deque<std::int32_t> queue;
    for (const auto& [byte, target] : children[0])
        queue.push_back(target);
    while (!queue.empty()) {
        const std::int32_t node = queue.front();
        queue.pop_front();
        for (const auto& [byte, target] : children[static_cast<std::size_t>(node)]) {
            Node& child = m_nodes[static_cast<std::size_t>(target)];
            child.fail = Step(m_nodes[static_cast<std::size_t>(node)].fail, byte);
            child.contains =
                std::min(child.contains, m_nodes[static_cast<std::size_t>(child.fail)].contains);
            queue.push_back(target);
        }
    }
    for (Node& node : m_nodes)
        node.anyText = std::min(node.contains, node.startsWith);
}

std::int32_t CHighlightMatcher::Child(std::int32_t node, unsigned char byte) const
{
    const Node& n = m_nodes[static_cast<std::size_t>(node)];
    const auto first = m_edgeBytes.begin() + n.firstEdge;
    const auto last = first + n.edgeCount;
    const auto at = std::lower_bound(first, last, byte);
    if (at == last || *at != byte)
        return -1;
    return m_edgeTargets[static_cast<std::size_t>(at - m_edgeBytes.begin())];
}

std::int32_t CHighlightMatcher::Step(std::int32_t node, unsigned char byte) const
{
    while (node != 0) {
        const std::int32_t next = Child(node, byte);
        if (next >= 0)
            return next;
        node = m_nodes[static_cast<std::size_t>(node)].fail;
    }
    return m_rootNext[byte];
}

int CHighlightMatcher::Match(std::string_view line) const
{
    std::int32_t best = m_emptyRule;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t size = line.size();
    std::int32_t node = 0;
    // Whether the node still spells the whole line so far: only then can a "starts with"
    // text end at it. Without "contains" texts nothing can match once it does not.
    bool atStart = true;
    for (std::size_t i = 0; i < size && best > 0 && (atStart || m_anyContains); ++i) {
        if (node == 0) {
            // Most bytes start no text at all: pass over them without stepping.
            if (i > 0) {
                atStart = false;
                if (!m_anyContains)
                    break;
                while (i < size && m_rootNext[bytes[i]] == 0)
                    ++i;
                if (i == size)
                    break;
            }
            node = m_rootNext[bytes[i]];
            if (node == 0)
                continue;
        } else {
            node = Step(node, bytes[i]);
        }
        const Node& n = m_nodes[static_cast<std::size_t>(node)];
        atStart = atStart && static_cast<std::size_t>(n.depth) == i + 1;
        if (n.anyText >= best)
            continue;
        best = std::min(best, n.contains);
        if (atStart)
            best = std::min(best, n.startsWith);
    }
    return best == kNone ? -1 : best;
}
