#include "script/WildcardSet.h"

#include <algorithm>
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
    m_unconditional.clear();
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
        } else {
            m_unconditional.push_back(static_cast<std::uint32_t>(m_patterns.size()));
        }
        m_patterns.push_back(std::move(pattern));
    }
    m_needing.assign(texts.size(), {});
    for (std::size_t k = 0; k < m_patterns.size(); ++k) {
        if (m_patterns[k].required >= 0)
            m_needing[static_cast<std::size_t>(m_patterns[k].required)].push_back(
                static_cast<std::uint32_t>(k));
    }
    BuildAutomaton(texts);
    m_found.assign(texts.size(), 0);
    m_foundList.clear();
    m_matched.assign(m_patterns.size(), 0);
    m_matchedList.clear();
}

void CWildcardSet::BuildAutomaton(const std::vector<std::string>& texts)
{
    const std::vector<std::int32_t> endNodes =
        m_automaton.Build(std::vector<std::string_view>(texts.begin(), texts.end()));
    // The needed texts ending at each node: its own, then, breadth first, those of the node
    // it falls back to (a suffix of its string, so it occurs wherever the node's does).
    std::vector<std::vector<std::int32_t>> ends(m_automaton.NodeCount());
    for (std::size_t index = 0; index < texts.size(); ++index)
        ends[static_cast<std::size_t>(endNodes[index])].push_back(static_cast<std::int32_t>(index));
    for (const std::int32_t node : m_automaton.BreadthFirst()) {
        auto& own = ends[static_cast<std::size_t>(node)];
        const auto& inherited = ends[static_cast<std::size_t>(m_automaton.Fail(node))];
        own.insert(own.end(), inherited.begin(), inherited.end());
    }
    m_ends.clear();
    m_nodeEnds.resize(ends.size());
    for (std::size_t node = 0; node < ends.size(); ++node) {
        m_nodeEnds[node] = {static_cast<std::uint32_t>(m_ends.size()),
                            static_cast<std::uint32_t>(ends[node].size())};
        m_ends.insert(m_ends.end(), ends[node].begin(), ends[node].end());
    }
}

void CWildcardSet::FindRequired(std::string_view text)
{
    for (const std::int32_t index : m_foundList)
        m_found[static_cast<std::size_t>(index)] = 0;
    m_foundList.clear();
    if (m_automaton.IsEmpty())
        return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    const unsigned char* identity = CByteAutomaton::Identity();
    std::int32_t node = CByteAutomaton::kRoot;
    for (std::size_t i = 0; i < size; ++i) {
        if (node == CByteAutomaton::kRoot) {
            // Most bytes start no needed text: pass over them without stepping.
            i = m_automaton.SkipToStart(bytes, i, size, identity);
            if (i == size)
                break;
        }
        node = m_automaton.Step(node, bytes[i]);
        const auto [first, count] = m_nodeEnds[static_cast<std::size_t>(node)];
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::int32_t index = m_ends[first + k];
            if (m_found[static_cast<std::size_t>(index)] == 0) {
                m_found[static_cast<std::size_t>(index)] = 1;
                m_foundList.push_back(index);
            }
        }
    }
}

void CWildcardSet::MayMatch(const std::vector<std::string_view>& texts,
                            std::vector<std::uint8_t>& out) const
{
    // Without patterns nothing matches; with one that needs no text, anything may.
    out.assign(texts.size(), m_unconditional.empty() ? 0 : 1);
    if (!m_unconditional.empty() || m_automaton.IsEmpty())
        return;
    const unsigned char* identity = CByteAutomaton::Identity();
    for (std::size_t first = 0; first < texts.size();) {
        // The run of texts from first on that follow each other in memory, as one span.
        std::size_t last = first + 1;
        std::size_t spanSize = texts[first].size();
        while (last < texts.size() && texts[last - 1].data() + texts[last - 1].size() ==
                                          texts[last].data()) {
            spanSize += texts[last].size();
            ++last;
        }
        // Every place where a needed text may start, as the skip finds them: the text there
        // is a candidate, and the search goes on from the next one. A place found on the
        // last byte of a text (its pair reaching into the next) merely makes one candidate
        // too many.
        const auto* span = reinterpret_cast<const unsigned char*>(texts[first].data());
        std::size_t text = first;
        std::size_t textEnd = texts[first].size();
        for (std::size_t at = 0;;) {
            at = m_automaton.SkipToStart(span, at, spanSize, identity);
            if (at == spanSize)
                break;
            while (at >= textEnd)
                textEnd += texts[++text].size();
            out[text] = 1;
            at = textEnd;
        }
        first = last;
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
    for (const std::uint32_t k : m_matchedList)
        m_matched[k] = 0;
    m_matchedList.clear();
    FindRequired(text);
    // Only the patterns whose needed text the line holds, and those that need none, can
    // match at all; each of them is one of these lists only once.
    const auto matchIn = [&](const std::vector<std::uint32_t>& candidates) {
        for (const std::uint32_t k : candidates) {
            const Pattern& pattern = m_patterns[k];
            if (pattern.piecesOnly ? MatchPieces(pattern, text)
                                   : CWildcardMatcher::Match(text, pattern.text)) {
                m_matched[k] = 1;
                m_matchedList.push_back(k);
            }
        }
    };
    matchIn(m_unconditional);
    for (const std::int32_t index : m_foundList)
        matchIn(m_needing[static_cast<std::size_t>(index)]);
    std::sort(m_matchedList.begin(), m_matchedList.end());
    return m_matched;
}
