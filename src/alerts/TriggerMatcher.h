#pragma once
// Finds whether any of a list of texts occurs in a stream of bytes, in one pass over the
// bytes however many texts there are (an Aho-Corasick automaton). The trigger store builds
// one from its list; the receive path feeds it every piece of server text, carrying the
// automaton's state from one piece to the next so that a text cut in two by the socket is
// still found.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CTriggerMatcher final {
public:
    // The state before any byte has been seen.
    static constexpr int kStart = 0;

    // Replaces the texts looked for. Empty texts are left out.
    void Build(const std::vector<std::string>& texts);
    bool IsEmpty() const { return m_nodes.size() <= 1; }

    // Whether any text occurs in bytes (compared byte for byte).
    bool Contains(std::string_view bytes) const;
    // Goes on from state through bytes, each byte first passed through fold (256 entries;
    // null for none). True when a text ends inside bytes; a text that ended before them is
    // not reported again. state is left after the last byte, ready for the next piece.
    bool Feed(std::string_view bytes, int& state, const unsigned char* fold = nullptr) const;

private:
    struct Node {
        int fail = kStart;
        // Children, sorted by byte, as a range of m_edgeBytes / m_edgeTargets; most nodes
        // have one or two.
        std::uint32_t firstEdge = 0;
        std::uint32_t edgeCount = 0;
        // A text ends here, or at a node this one falls back to.
        bool ends = false;
    };

    int Child(int node, unsigned char byte) const;
    int Step(int state, unsigned char byte) const;

    std::vector<Node> m_nodes{Node{}};
    std::vector<unsigned char> m_edgeBytes;
    std::vector<int> m_edgeTargets;
    // The root's children for every byte (-1 for none), the busiest look-up of all: most
    // bytes start no text, and are passed over with this alone.
    std::array<int, 256> m_rootNext{};
};
