#include "alerts/TriggerMatcher.h"

#include <algorithm>
#include <deque>
#include <numeric>
#include <utility>

namespace {

// The fold that changes nothing, so that the scan has one shape.
const std::array<unsigned char, 256> kIdentity = [] {
    std::array<unsigned char, 256> map{};
    std::iota(map.begin(), map.end(), 0);
    return map;
}();

} // namespace

void CTriggerMatcher::Build(const std::vector<std::string>& texts)
{
    m_nodes.assign(1, Node{});
    m_edgeBytes.clear();
    m_edgeTargets.clear();
    m_rootNext.fill(-1);

    // The trie of all texts, children kept sorted by byte while it grows.
    std::vector<std::vector<std::pair<unsigned char, int>>> children(1);
    for (const std::string& text : texts) {
        if (text.empty())
            continue;
        int node = kStart;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            auto& edges = children[static_cast<std::size_t>(node)];
            const auto at = std::lower_bound(edges.begin(), edges.end(), std::make_pair(byte, 0));
            if (at != edges.end() && at->first == byte) {
                node = at->second;
                continue;
            }
            const auto created = static_cast<int>(m_nodes.size());
            m_nodes.emplace_back();
            edges.insert(at, {byte, created});
            children.emplace_back(); // edges is not used after this
            node = created;
        }
        m_nodes[static_cast<std::size_t>(node)].ends = true;
    }

    for (std::size_t node = 0; node < m_nodes.size(); ++node) {
        m_nodes[node].firstEdge = static_cast<std::uint32_t>(m_edgeBytes.size());
        m_nodes[node].edgeCount = static_cast<std::uint32_t>(children[node].size());
        for (const auto& [byte, target] : children[node]) {
            m_edgeBytes.push_back(byte);
            m_edgeTargets.push_back(target);
        }
    }
    for (const auto& [byte, target] : children[kStart])
        m_rootNext[byte] = target;

    // Fallback links, breadth first so that every node's fallback is finished before it.
    std::deque<int> queue;
    for (const auto& [byte, child] : children[kStart])
        queue.push_back(child);
    while (!queue.empty()) {
        const int node = queue.front();
        queue.pop_front();
        for (const auto& [byte, child] : children[static_cast<std::size_t>(node)]) {
            Node& target = m_nodes[static_cast<std::size_t>(child)];
            target.fail = Step(m_nodes[static_cast<std::size_t>(node)].fail, byte);
            target.ends = target.ends || m_nodes[static_cast<std::size_t>(target.fail)].ends;
            queue.push_back(child);
        }
    }
}

int CTriggerMatcher::Child(int node, unsigned char byte) const
{
    const Node& n = m_nodes[static_cast<std::size_t>(node)];
    const auto first = m_edgeBytes.begin() + n.firstEdge;
    const auto last = first + n.edgeCount;
    const auto at = std::lower_bound(first, last, byte);
    if (at == last || *at != byte)
        return -1;
    return m_edgeTargets[static_cast<std::size_t>(at - m_edgeBytes.begin())];
}

int CTriggerMatcher::Step(int state, unsigned char byte) const
{
    while (state != kStart) {
        const int child = Child(state, byte);
        if (child >= 0)
            return child;
        state = m_nodes[static_cast<std::size_t>(state)].fail;
    }
    return std::max(m_rootNext[byte], kStart);
}

bool CTriggerMatcher::Contains(std::string_view bytes) const
{
    int state = kStart;
    return Feed(bytes, state);
}

bool CTriggerMatcher::Feed(std::string_view bytes, int& state, const unsigned char* fold) const
{
    if (IsEmpty()) {
        state = kStart;
        return false;
    }
    // A state from an automaton built for another list means nothing here.
    if (state < 0 || state >= static_cast<int>(m_nodes.size()))
        state = kStart;
    const unsigned char* map = fold != nullptr ? fold : kIdentity.data();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    bool found = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (state == kStart) {
            // Most bytes start no text: pass over them without stepping.
            while (i < size && m_rootNext[map[data[i]]] < 0)
                ++i;
            if (i == size)
                break;
            state = m_rootNext[map[data[i]]];
        } else {
            state = Step(state, map[data[i]]);
        }
        found = found || m_nodes[static_cast<std::size_t>(state)].ends;
    }
    return found;
}
