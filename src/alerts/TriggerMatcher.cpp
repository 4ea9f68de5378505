#include "alerts/TriggerMatcher.h"

void CTriggerMatcher::Build(const std::vector<std::string>& texts)
{
    std::vector<std::string_view> kept;
    for (const std::string& text : texts) {
        if (!text.empty())
            kept.push_back(text);
    }
    const std::vector<std::int32_t> ends = m_automaton.Build(kept);
    m_ends.assign(m_automaton.NodeCount(), 0);
    for (const std::int32_t node : ends)
        m_ends[static_cast<std::size_t>(node)] = 1;
    for (const std::int32_t node : m_automaton.BreadthFirst()) {
        if (m_ends[static_cast<std::size_t>(m_automaton.Fail(node))] != 0)
            m_ends[static_cast<std::size_t>(node)] = 1;
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
    if (state < 0 || static_cast<std::size_t>(state) >= m_automaton.NodeCount())
        state = kStart;
    const unsigned char* map = fold != nullptr ? fold : CByteAutomaton::Identity();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    bool found = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (state == kStart) {
            i = m_automaton.SkipToStart(data, i, size, map);
            if (i == size)
                break;
        }
        state = m_automaton.Step(state, map[data[i]]);
        found = found || m_ends[static_cast<std::size_t>(state)] != 0;
    }
    return found;
}
