#pragma once
// What the row model needs from the session: its received lines and, per line, the
// highlight colour, the receive scripts and the image-URL detector. The view forwards these
// to its CBrumbleDoc; the model's tests use a plain list of lines.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/AnsiAttributes.h"
#include "display/LineStore.h"

class CRowSource {
public:
    virtual ~CRowSource() = default;

    // The session's lines, oldest first, without line ends.
    virtual const CLineStore& Lines() const = 0;
    // The colour of a highlight matching the line, if one does.
    virtual std::optional<std::uint32_t> Highlight(std::string_view line) = 0;
    // Runs the receive scripts on a complete line; colour is set when they give it one.
    // Returns the text they want sent (possibly empty).
    virtual std::string ReceiveScript(std::string_view line,
                                      std::optional<std::uint32_t>& colour) = 0;
    // Looks for picture URLs in a complete line.
    virtual void DetectImageUrls(std::string_view line) = 0;
    // Which of ReceiveScript and DetectImageUrls complete lines need; a line that needs
    // neither is simply marked finished.
    struct LineWork {
        bool scripts = true;
        bool urls = true;
    };
    virtual LineWork WorkOnLines() const { return {}; }
    // For complete lines [first, last) of Lines(), 1 where a receive script may run and 0
    // where none can: ReceiveScript is asked only for the first kind.
    virtual void ScriptCandidates(std::size_t first, std::size_t last,
                                  std::vector<std::uint8_t>& out)
    {
        out.assign(last - first, 1);
    }
    // Whether line index of Lines() is the local echo of something sent: such a line is
    // shown and highlighted, but scripts and URL detection are for what the server sends.
    virtual bool IsLocalLine(std::size_t index) const
    {
        static_cast<void>(index);
        return false;
    }
    // The colour runs of line index (server colours), or null when it has none.
    virtual const CColourRuns* Runs(std::size_t index) const
    {
        static_cast<void>(index);
        return nullptr;
    }
};
