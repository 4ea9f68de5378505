#pragma once
// Finds whether any of a list of texts occurs in a stream of bytes, in one pass over the
// bytes however many texts there are. The trigger store builds one from its list; the
// receive path feeds it every piece of server text, carrying the automaton's state from one
// piece to the next so that a text cut in two by the socket is still found.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ByteAutomaton.h"

class CTriggerMatcher final {
public:
    // The state before any byte has been seen.
    static constexpr int kStart = CByteAutomaton::kRoot;

    // Replaces the texts looked for. Empty texts are left out.
    void Build(const std::vector<std::string>& texts);
    bool IsEmpty() const { return m_automaton.IsEmpty(); }

    // Whether any text occurs in bytes (compared byte for byte).
    bool Contains(std::string_view bytes) const;
    // Goes on from state through bytes, each byte first passed through fold (256 entries;
    // null for none). True when a text ends inside bytes; a text that ended before them is
    // not reported again. state is left after the last byte, ready for the next piece.
    bool Feed(std::string_view bytes, int& state, const unsigned char* fold = nullptr) const;

private:
    CByteAutomaton m_automaton;
    // Per node: a text ends there, or at a node it falls back to.
    std::vector<std::uint8_t> m_ends;
};
