#include "alerts/TriggerMatcher.h"

#include <algorithm>
#include <deque>

void CTriggerMatcher::Build(const std::vector<std::string>& texts)
{
    m_nodes.assign(1, Node{});
    std::fill(m_rootNext.begin(), m_rootNext.end(), -1);

    for (const std::string& text : texts) {
        if (text.empty())
            continue;
        int node = kStart;
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            int child = Child(node, byte);
            if (child < 0) {
                child = static_cast<int>(m_nodes.size());
                m_nodes.emplace_back();
                auto& next = m_nodes[static_cast<std::size_t>(node)].next;
                next.insert(std::lower_bound(next.begin(), next.end(), std::make_pair(byte, 0)),
                            {byte, child});
                if (node == kStart)
                    m_rootNext[byte] = child;
            }
            node = child;
        }
        m_nodes[static_cast<std::size_t>(node)].ends = true;
    }

    // Fallback links, breadth first so that every node's fallback is finished before it.
    std::deque<int> queue;
    for (const auto& [byte, child] : m_nodes[kStart].next)
        queue.push_back(child);
    while (!queue.empty()) {
        const int node = queue.front();
        queue.pop_front();
        for (const auto& [byte, child] : m_nodes[static_cast<std::size_t>(node)].next) {
            Node& target = m_nodes[static_cast<std::size_t>(child)];
            target.fail = Step(m_nodes[static_cast<std::size_t>(node)].fail, byte);
            target.ends = target.ends || m_nodes[static_cast<std::size_t>(target.fail)].ends;
            queue.push_back(child);
        }
    }
}

int CTriggerMatcher::Child(int node, unsigned char byte) const
{
    if (node == kStart)
        return m_rootNext[byte];
    const auto& next = m_nodes[static_cast<std::size_t>(node)].next;
    const auto it = std::lower_bound(next.begin(), next.end(), std::make_pair(byte, 0));
    return it != next.end() && it->first == byte ? it->second : -1;
}

int CTriggerMatcher::Step(int state, unsigned char byte) const
{
    for (;;) {
        const int child = Child(state, byte);
        if (child >= 0)
            return child;
        if (state == kStart)
            return kStart;
        state = m_nodes[static_cast<std::size_t>(state)].fail;
    }
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
    bool found = false;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (fold != nullptr)
            byte = fold[byte];
        state = Step(state, byte);
        found = found || m_nodes[static_cast<std::size_t>(state)].ends;
    }
    return found;
}
