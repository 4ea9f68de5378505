// Feeds an arbitrary byte stream to the receive filter twice: whole into one filter, and cut
// into pseudo-random pieces into another, as the socket's reads and the server's segments
// may cut it. The first byte of the input is not part of the stream: its lowest bit turns
// telnet commands on, the next two bits choose how long the pieces may be (up to 3, 17, 64
// or 508 bytes, the last being the socket's read size), the next turns colour on, the next
// two choose the line ends, and the whole byte seeds the cut points. The two filters must
// agree on the lines, the cursor, lastTextEndedLine, the telnet answers, the bells and the
// colour runs; and no line may hold a control byte, an ESC, or (with telnet on) an IAC, nor
// grow past the line cap, nor have more colour runs than their bound.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/ReceiveFilter.h"

namespace {

struct Recorded {
    CReceiveFilter filter;
    std::vector<std::string> answers;
    int bells = 0;

    explicit Recorded(std::uint8_t control)
    {
        filter.SetTelnetOptions((control & 1) != 0);
        filter.SetColour((control & 8) != 0);
        filter.SetLineEnds(static_cast<CReceiveFilter::LineEnds>((control >> 4) % 3));
        filter.onTelnetAnswer = [this](std::string_view a) { answers.emplace_back(a); };
        filter.onBell = [this] { ++bells; };
    }
};

bool SameRuns(const Recorded& a, const Recorded& b)
{
    for (std::size_t i = 0; i < a.filter.Lines().size(); ++i) {
        const CColourRuns* x = a.filter.Runs(i);
        const CColourRuns* y = b.filter.Runs(i);
        // The line being written is bounded by its length, the others by kMaxColourRuns.
        const std::size_t bound = static_cast<int>(i) == a.filter.CurrentLine()
                                      ? a.filter.Lines()[i].size() + 1
                                      : kMaxColourRuns;
        if ((x == nullptr) != (y == nullptr) || (x && (*x != *y || x->size() > bound)))
            return false;
    }
    return true;
}

bool SameOutcome(const Recorded& a, const Recorded& b)
{
    const CLineStore& x = a.filter.Lines();
    const CLineStore& y = b.filter.Lines();
    return std::equal(x.begin(), x.end(), y.begin(), y.end()) &&
           a.filter.Column() == b.filter.Column() &&
           a.filter.CurrentLine() == b.filter.CurrentLine() &&
           a.filter.LastTextEndedLine() == b.filter.LastTextEndedLine() && a.answers == b.answers &&
           a.bells == b.bells && a.filter.Attributes() == b.filter.Attributes() && SameRuns(a, b);
}

bool LinesAreClean(const CLineStore& lines, bool telnet)
{
    for (const std::string_view line : lines) {
        if (line.size() > static_cast<std::size_t>(CReceiveFilter::kMaxLineLength))
            return false;
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 32 || (telnet && byte == 255))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    const bool telnet = (control & 1) != 0;
    static constexpr std::size_t kPieceLimits[] = {3, 17, 64, 508};
    const std::size_t pieceLimit = kPieceLimits[(control >> 1) & 3];
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

    Recorded whole(control);
    whole.filter.Filter(stream);

    Recorded pieces(control);
    std::uint32_t random = control * 2654435761u + 1;
    for (std::size_t at = 0; at < stream.size();) {
        random = random * 1103515245u + 12345u;
        const std::size_t length = 1 + (random >> 16) % pieceLimit;
        pieces.filter.Filter(stream.substr(at, length));
        at += length;
    }

    if (!SameOutcome(whole, pieces) || !LinesAreClean(whole.filter.Lines(), telnet))
        __builtin_trap();
    return 0;
}
