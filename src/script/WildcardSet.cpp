#include "script/WildcardSet.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "script/WildcardMatcher.h"

namespace {

// Splits a pattern made only of plain characters (escaped ones included) and stars into the
// pieces between the runs of stars. False when it holds anything else.
bool SplitAtStars(std::string_view pattern, std::vector<std::string>& pieces, bool& hasStar)
{
    pieces.assign(1, std::string());
    hasStar = false;
    bool afterStar = false;
    for (std::size_t p = 0; p < pattern.size(); ++p) {
        const char c = pattern[p];
        if (c == '?' || c == '[' || c == '{')
            return false;
        if (c == '*') {
            if (!afterStar && hasStar)
                pieces.emplace_back();
            if (!hasStar)
                pieces.emplace_back(); // the first piece ends at the first star
            hasStar = true;
            afterStar = true;
            continue;
        }
        afterStar = false;
        if (c == '\\' && p + 1 < pattern.size()) {
            const char next = pattern[p + 1];
            if (next == '*' || next == '?' || next == '[' || next == '\\' || next == '{') {
                pieces.back() += next;
                ++p;
                continue;
            }
        }
        pieces.back() += c; // a backslash before anything else stands for itself
    }
    return true;
}

} // namespace

void CWildcardSet::Build(const std::vector<std::string_view>& patterns)
{
    m_patterns.clear();
    std::vector<std::string> texts; // the distinct needed texts
    for (const std::string_view text : patterns) {
        Pattern pattern;
        pattern.text = std::string(text);
        pattern.piecesOnly = SplitAtStars(text, pattern.pieces, pattern.hasStar);
        const std::string required = CWildcardMatcher::RequiredText(text);
        if (!required.empty()) {
            const auto known = std::find(texts.begin(), texts.end(), required);
            pattern.required = static_cast<int>(known - texts.begin());
            if (known == texts.end())
                texts.push_back(required);
        }
        m_patterns.push_back(std::move(pattern));
    }
    BuildAutomaton(texts);
    m_found.assign(texts.size(), 0);
    m_matched.assign(m_patterns.size(), 0);
}

void CWildcardSet::BuildAutomaton(const std::vector<std::string>& texts)
{
    m_nodes.assign(1, Node{});
    m_edgeBytes.clear();
    m_edgeTargets.clear();
    m_ends.clear();

    // The trie, children kept sorted by byte while it grows; the needed texts ending at
    // each node.
    std::vector<std::vector<std::pair<unsigned char, std::int32_t>>> children(1);
    std::vector<std::vector<std::int32_t>> ends(1);
    for (std::size_t index = 0; index < texts.size(); ++index) {
        std::int32_t node = 0;
        for (const char ch : texts[index]) {
            const auto byte = static_cast<unsigned char>(ch);
            auto& edges = children[static_cast<std::size_t>(node)];
            auto at = std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, 0));
            if (at != edges.end() && at->first == byte) {
                node = at->second;
                continue;
            }
            const auto created = static_cast<std::int32_t>(m_nodes.size());
            m_nodes.emplace_back();
            edges.insert(at, {byte, created});
            children.emplace_back(); // edges is not used after this
            ends.emplace_back();
            node = created;
        }
        ends[static_cast<std::size_t>(node)].push_back(static_cast<std::int32_t>(index));
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

    // Failure links breadth first (a node's link is shallower, so finished before it); a
    // text that ends at the link ends here too.
    std::vector<std::int32_t> order;
    std::deque<std::int32_t> queue;
    for (const auto& [byte, target] : children[0])
        queue.push_back(target);
    while (!queue.empty()) {
        const std::int32_t node = queue.front();
        queue.pop_front();
        order.push_back(node);
        for (const auto& [byte, target] : children[static_cast<std::size_t>(node)]) {
            const std::int32_t fail = Step(m_nodes[static_cast<std::size_t>(node)].fail, byte);
            m_nodes[static_cast<std::size_t>(target)].fail = fail;
            auto& own = ends[static_cast<std::size_t>(target)];
            const auto& inherited = ends[static_cast<std::size_t>(fail)];
            own.insert(own.end(), inherited.begin(), inherited.end());
            queue.push_back(target);
        }
    }
    for (std::size_t node = 0; node < m_nodes.size(); ++node) {
        m_nodes[node].firstEnd = static_cast<std::uint32_t>(m_ends.size());
        m_nodes[node].endCount = static_cast<std::uint32_t>(ends[node].size());
        m_ends.insert(m_ends.end(), ends[node].begin(), ends[node].end());
    }
}

std::int32_t CWildcardSet::Step(std::int32_t node, unsigned char byte) const
{
    while (node != 0) {
        const Node& n = m_nodes[static_cast<std::size_t>(node)];
        const auto first = m_edgeBytes.begin() + n.firstEdge;
        const auto last = first + n.edgeCount;
        const auto at = std::lower_bound(first, last, byte);
        if (at != last && *at == byte)
            return m_edgeTargets[static_cast<std::size_t>(at - m_edgeBytes.begin())];
        node = n.fail;
    }
    return m_rootNext[byte];
}

void CWildcardSet::FindRequired(std::string_view text)
{
    std::fill(m_found.begin(), m_found.end(), 0);
    if (m_nodes.size() <= 1)
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::int32_t node = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (node == 0) {
            // Most bytes start no needed text: pass over them without stepping.
            while (i < size && m_rootNext[bytes[i]] == 0)
                ++i;
            if (i == size)
                break;
            node = m_rootNext[bytes[i]];
        } else {
            node = Step(node, bytes[i]);
        }
        const Node& n = m_nodes[static_cast<std::size_t>(node)];
        for (std::uint32_t k = 0; k < n.endCount; ++k)
            m_found[static_cast<std::size_t>(m_ends[n.firstEnd + k])] = 1;
    }
}

bool CWildcardSet::MatchPieces(const Pattern& pattern, std::string_view text)
{
    const std::vector<std::string>& pieces = pattern.pieces;
    if (!pattern.hasStar)
        return text == pieces.front();
    // The first piece starts the line and the last ends it; the ones between follow each
    // other in order, and the leftmost place for each leaves the most room to the rest.
    const std::string& head = pieces.front();
    const std::string& tail = pieces.back();
    if (text.size() < head.size() + tail.size() || text.substr(0, head.size()) != head ||
        text.substr(text.size() - tail.size()) != tail)
        return false;
    const std::string_view middle =
        text.substr(head.size(), text.size() - head.size() - tail.size());
    std::size_t at = 0;
    for (std::size_t k = 1; k + 1 < pieces.size(); ++k) {
        at = middle.find(pieces[k], at);
        if (at == std::string_view::npos)
            return false;
        at += pieces[k].size();
    }
    return true;
}

const std::vector<std::uint8_t>& CWildcardSet::Match(std::string_view text)
{
    FindRequired(text);
    for (std::size_t k = 0; k < m_patterns.size(); ++k) {
        const Pattern& pattern = m_patterns[k];
        bool matched = false;
        if (pattern.required < 0 || m_found[static_cast<std::size_t>(pattern.required)] != 0)
            matched = pattern.piecesOnly ? MatchPieces(pattern, text)
                                         : CWildcardMatcher::Match(text, pattern.text);
        m_matched[k] = matched ? 1 : 0;
    }
    return m_matched;
}
