#include "session/ReceiveFilter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum ByteClass : std::uint8_t {
    kOrdinary = 0,
    kDropped,
    kBell,
    kBackspace,
    kTab,
    kLineEnd, // LF, VT, FF
    kCarriageReturn,
    kEscape,
    kTelnetCommand,
};

constexpr unsigned char kIac = 255;
constexpr unsigned char kWill = 251;
constexpr unsigned char kWont = 252;
constexpr unsigned char kDo = 253;
constexpr unsigned char kDont = 254;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kEcho = 1; // RFC 857

// One table per telnet mode, so that the scan over ordinary text is a single lookup per
// byte. NUL is dropped like the other unused control bytes (RFC 854 makes it a no-op), so
// that whatever follows it in the same read is kept.
constexpr std::array<std::uint8_t, 256> MakeClassTable(bool telnet)
{
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 32; ++b)
        table[b] = kDropped;
    table[7] = kBell;
    table[8] = kBackspace;
    table[9] = kTab;
    table[10] = table[11] = table[12] = kLineEnd;
    table[13] = kCarriageReturn;
    table[27] = kEscape;
    if (telnet)
        table[kIac] = kTelnetCommand;
    return table;
}

constexpr std::array<std::uint8_t, 256> kPlainClasses = MakeClassTable(false);
constexpr std::array<std::uint8_t, 256> kTelnetClasses = MakeClassTable(true);

// The scan over ordinary text passes eight bytes at a time while none of them is a control
// byte (below 0x20) or, with telnet, IAC. That is what the tables make the non-ordinary
// bytes, which this keeps true.
constexpr bool OnlyControlBytesAndIacAreSpecial(const std::array<std::uint8_t, 256>& table,
                                                bool telnet)
{
    for (int b = 0; b < 256; ++b) {
        const bool special = b < 0x20 || (telnet && b == kIac);
        if ((table[b] != kOrdinary) != special)
            return false;
    }
    return true;
}
static_assert(OnlyControlBytesAndIacAreSpecial(kPlainClasses, false));
static_assert(OnlyControlBytesAndIacAreSpecial(kTelnetClasses, true));

// The index of the first byte at or after i that is not ordinary (size when there is none).
// Sixteen bytes are compared at a time where SSE2 is there: a byte is special when it is no
// more than 0x1F or, with telnet, is IAC, and the mask of them gives the first one at once.
// Elsewhere a word of eight is looked at: a byte below 0x20 leaves a borrow in its top bit
// when 0x20 is taken from each byte of the word, and so does IAC (0xFF) when 1 is taken from
// the inverted word. A borrow reaches the top bit of a higher byte only from a byte that is
// special itself, so a word without any is all ordinary; the word that has one is finished
// byte by byte.
std::size_t SkipOrdinary(const unsigned char* data, std::size_t i, std::size_t size,
                         const std::uint8_t* classes, bool telnet)
{
#if defined(__SSE2__)
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i iac = _mm_set1_epi8(static_cast<char>(telnet ? kIac : 0));
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        // With telnet off the IAC comparison is with 0, a control byte anyway.
        const __m128i special = _mm_or_si128(
            _mm_cmpeq_epi8(_mm_min_epu8(bytes, lastControl), bytes), _mm_cmpeq_epi8(bytes, iac));
        const int mask = _mm_movemask_epi8(special);
        if (mask != 0)
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
#else
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kTops = 0x8080808080808080ull;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, 8);
        std::uint64_t special = (word - kOnes * 0x20) & ~word;
        if (telnet)
            special |= (~word - kOnes) & word;
        if ((special & kTops) != 0)
            break;
    }
#endif
    while (i < size && classes[data[i]] == kOrdinary)
        ++i;
    return i;
}

// A CSI sequence ends at its first letter; CAN and SUB abort it.
constexpr std::array<bool, 256> MakeFinalTable()
{
    std::array<bool, 256> table{};
    for (int b = 'A'; b <= 'Z'; ++b)
        table[b] = true;
    for (int b = 'a'; b <= 'z'; ++b)
        table[b] = true;
    table[24] = true;
    table[26] = true;
    return table;
}

constexpr std::array<bool, 256> kSequenceFinal = MakeFinalTable();

// Emptied run lists of dropped lines, used again for new lines, so that a coloured flood
// costs no memory allocation per line. Shared by the filters of a thread (all of them run
// on the user-interface thread) and bounded.
constexpr std::size_t kMaxSpareRuns = 256;
thread_local std::vector<CColourRuns> t_spareRuns;

} // namespace

// Everything up to the first final byte belongs to the sequence, control bytes included;
// nothing of it is interpreted. Returns the index after the bytes taken.
std::size_t CReceiveFilter::SkipControlSequence(const unsigned char* data, std::size_t i,
                                                std::size_t size)
{
    if (m_colour)
        return ParseControlSequence(data, i, size);
    // Below the bound, so end > i whenever i < size.
    const std::size_t end =
        std::min(size, i + static_cast<std::size_t>(kMaxSequenceLength - m_sequenceLength));
    std::size_t j = i;
    while (j < end && !kSequenceFinal[data[j]])
        ++j;
    if (j < end) {
        m_sequence = Sequence::None;
        return j + 1;
    }
    m_sequenceLength += static_cast<int>(j - i);
    if (m_sequenceLength >= kMaxSequenceLength)
        m_sequence = Sequence::None;
    return j;
}

void CReceiveFilter::StartControlSequence()
{
    m_sequence = Sequence::ControlSequence;
    m_sequenceLength = 0;
    // The values past count are never read: three stores instead of clearing them.
    m_control.count = 0;
    m_control.current = 0;
    m_control.sgr = true;
}

// The same bytes and the same bound as SkipControlSequence, but the parameters are kept, so
// that a final "m" can set the colour. Anything but digits and ";" (a private marker, ":"
// sub-parameters, control bytes) makes the sequence one that is only skipped; a parameter is
// capped at 9999 and parameters past kMaxParams make it one too. The current parameter
// lives in the state, so a sequence cut anywhere gives the same colour.
std::size_t CReceiveFilter::ParseControlSequence(const unsigned char* data, std::size_t i,
                                                 std::size_t size)
{
    const std::size_t end =
        std::min(size, i + static_cast<std::size_t>(kMaxSequenceLength - m_sequenceLength));
    ControlParams& control = m_control;
    for (std::size_t j = i; j < end; ++j) {
        const unsigned char b = data[j];
        if (b >= '0' && b <= '9') {
            control.current =
                static_cast<std::uint16_t>(std::min(control.current * 10 + (b - '0'), 9999));
        } else if (b == ';') {
            if (control.count < kMaxParams)
                control.values[control.count++] = control.current;
            else
                control.sgr = false;
            control.current = 0;
        } else if (kSequenceFinal[b]) {
            m_sequence = Sequence::None;
            if (b == 'm') {
                // "ESC [ m" is a reset; otherwise the last parameter ends at the "m".
                if (m_sequenceLength > 0 || j > i) {
                    if (control.count < kMaxParams)
                        control.values[control.count++] = control.current;
                    else
                        control.sgr = false;
                }
                if (control.sgr)
                    m_attributes.ApplySgr(control.values, control.count);
            }
            return j + 1;
        } else {
            control.sgr = false;
        }
    }
    m_sequenceLength += static_cast<int>(end - i);
    if (m_sequenceLength >= kMaxSequenceLength)
        m_sequence = Sequence::None;
    return end;
}

void CReceiveFilter::LineFeedColumn()
{
    if (m_lineEnds == LineEnds::BareLfEndsLine ||
        (m_lineEnds == LineEnds::Auto && !m_sawCarriageReturn))
        m_column = 0;
}

void CReceiveFilter::StartConnection()
{
    m_sequence = Sequence::None;
    m_sawCarriageReturn = false;
    m_attributes = CAnsiAttributes{};
}

void CReceiveFilter::SetColour(bool on)
{
    m_colour = on;
    if (!on) {
        m_runs.clear();
        m_attributes = CAnsiAttributes{};
    }
}

void CReceiveFilter::Filter(std::string_view text)
{
    const bool telnet = m_telnetOptions;
    const std::uint8_t* classes = telnet ? kTelnetClasses.data() : kPlainClasses.data();
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    // A sequence cut by the end of the last read is completed first.
    if (m_sequence != Sequence::None) [[unlikely]]
        i = ContinueSequence(text, 0);
    std::size_t segmentStart = i;
    while (true) {
        i = SkipOrdinary(data, i, size, classes, telnet);
        if (i >= size)
            break;
        const std::string_view segment(text.data() + segmentStart, i - segmentStart);
        const std::uint8_t byteClass = classes[data[i]];
        if (byteClass == kLineEnd) {
            // Even an empty segment is placed: it records that the last text ended a line.
            PutText(segment, true);
            LeaveLine();
            if (data[i] == '\n' && m_lineEnds != LineEnds::AsSent)
                LineFeedColumn();
        } else {
            if (!segment.empty())
                PutText(segment, false);
            switch (byteClass) {
            case kBell:
                if (onBell)
                    onBell();
                break;
            case kBackspace:
                if (m_column > 0)
                    --m_column;
                break;
            case kTab:
                m_column = std::min((m_column / 8 + 1) * 8, kMaxLineLength);
                break;
            case kCarriageReturn:
                m_column = 0;
                m_sawCarriageReturn = true;
                break;
            case kEscape:
                // Most sequences come whole as "ESC [ ... final", so that shape goes straight
                // to the parameter scan; the state machine takes the rest. Both return the
                // index after the sequence; the step back lets every case leave through the
                // one "++i" below, which keeps the compiled scan over ordinary bytes tight.
                if (i + 1 < size && data[i + 1] == '[') {
                    StartControlSequence();
                    i = SkipControlSequence(data, i + 2, size) - 1;
                } else {
                    m_sequence = Sequence::Escape;
                    i = ContinueSequence(text, i + 1) - 1;
                }
                break;
            case kTelnetCommand:
                m_sequence = Sequence::Command;
                i = ContinueSequence(text, i + 1) - 1;
                break;
            default: // dropped
                break;
            }
        }
        ++i;
        segmentStart = i;
    }
    if (segmentStart < size)
        PutText(text.substr(segmentStart), false);
}

// Each byte is looked at once, whether the sequence arrives whole or in pieces, so a read
// full of unended "ESC [" costs linear time, and the outcome cannot depend on where the
// reads were cut: every decision rests on the byte and the state, never on the read's end.
std::size_t CReceiveFilter::ContinueSequence(std::string_view text, std::size_t i)
{
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    while (m_sequence != Sequence::None && i < size) {
        switch (m_sequence) {
        case Sequence::Escape:
            // ESC "[" opens a control sequence; ESC with any other byte is complete.
            if (data[i] == '[')
                StartControlSequence();
            else
                m_sequence = Sequence::None;
            ++i;
            break;
        case Sequence::ControlSequence:
            i = SkipControlSequence(data, i, size);
            break;
        case Sequence::Command: {
            const unsigned char command = data[i++];
            if (command == kDo || command == kWill) {
                m_command = command;
                m_sequence = Sequence::Option;
            } else if (command == kWont && m_acceptEcho) {
                m_sequence = Sequence::Refusal;
            } else if (command == kSb) {
                m_sequenceLength = 0;
                m_sequence = Sequence::Subnegotiation;
            } else {
                // IAC IAC, IAC SE and the two-byte commands end here; the option byte after
                // WONT or DONT is handled as an ordinary byte.
                m_sequence = Sequence::None;
            }
            break;
        }
        case Sequence::Option: {
            const unsigned char option = data[i++];
            m_sequence = Sequence::None;
            if (m_acceptEcho && m_command == kWill && option == kEcho) {
                // A mode already in effect is not acknowledged again (RFC 854), so a server
                // repeating itself cannot start an endless exchange.
                if (!m_serverEcho)
                    ChangeServerEcho(true);
                break;
            }
            // Every other option is refused (RFC 854: DO is answered WONT, WILL is DONT).
            const char answer[3] = {static_cast<char>(kIac),
                                    static_cast<char>(m_command == kDo ? kWont : kDont),
                                    static_cast<char>(option)};
            if (onTelnetAnswer)
                onTelnetAnswer(std::string_view(answer, 3));
            break;
        }
        case Sequence::Refusal:
            // WONT ECHO ends the server's echo; any other option byte is handled as after
            // a WONT without echo accepted, as an ordinary byte.
            m_sequence = Sequence::None;
            if (data[i] == kEcho) {
                ++i;
                if (m_serverEcho)
                    ChangeServerEcho(false);
            }
            break;
        case Sequence::Subnegotiation: {
            // The content is dropped up to the next IAC; the bound keeps an unended one from
            // hiding the rest of the session.
            const std::size_t end = std::min(
                size, i + static_cast<std::size_t>(kMaxSubnegotiationLength - m_sequenceLength));
            std::size_t j = i;
            while (j < end && data[j] != kIac)
                ++j;
            if (j < end) {
                m_sequence = Sequence::SubnegotiationIac;
                ++j;
            }
            m_sequenceLength += static_cast<int>(j - i);
            i = j;
            if (m_sequenceLength >= kMaxSubnegotiationLength)
                m_sequence = Sequence::None;
            break;
        }
        case Sequence::SubnegotiationIac:
            if (data[i] == kSe) {
                m_sequence = Sequence::None;
                ++i;
            } else if (data[i] == kIac) {
                // A doubled IAC is a data byte of the content.
                m_sequence = ++m_sequenceLength >= kMaxSubnegotiationLength
                                 ? Sequence::None
                                 : Sequence::Subnegotiation;
                ++i;
            } else {
                // A command without the closing IAC SE: the sub-negotiation is over and the
                // byte is read as the command after an IAC, so a request is still answered.
                m_sequence = Sequence::Command;
            }
            break;
        case Sequence::None:
            break;
        }
    }
    return i;
}

void CReceiveFilter::SetAcceptEcho(bool accept)
{
    m_acceptEcho = accept;
    if (m_serverEcho) {
        m_serverEcho = false;
        if (onServerEcho)
            onServerEcho(false);
    }
}

void CReceiveFilter::ChangeServerEcho(bool on)
{
    m_serverEcho = on;
    if (onServerEcho)
        onServerEcho(on);
    const char answer[3] = {static_cast<char>(kIac), static_cast<char>(on ? kDo : kDont),
                            static_cast<char>(kEcho)};
    if (onTelnetAnswer)
        onTelnetAnswer(std::string_view(answer, 3));
}

void CReceiveFilter::FilterLocal(std::string_view text)
{
    const Sequence sequence = std::exchange(m_sequence, Sequence::None);
    const unsigned char command = m_command;
    const int sequenceLength = m_sequenceLength;
    const ControlParams control = m_control;
    const bool telnet = std::exchange(m_telnetOptions, false);
    // The echo is the user's, in the default colour; its CR LF says nothing about how the
    // server ends its lines.
    const CAnsiAttributes attributes = std::exchange(m_attributes, CAnsiAttributes{});
    const bool sawCarriageReturn = m_sawCarriageReturn;
    Filter(text);
    m_sequence = sequence;
    m_command = command;
    m_sequenceLength = sequenceLength;
    m_control = control;
    m_telnetOptions = telnet;
    m_attributes = attributes;
    m_sawCarriageReturn = sawCarriageReturn;
}

int CReceiveFilter::PutText(std::string_view text, bool endsLine)
{
    m_lastTextEndedLine = endsLine;
    if (text.empty())
        return 0;
    const int placed = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
    while (!text.empty()) {
        if (m_column >= kMaxLineLength)
            EndCappedLine();
        while (m_currentLine >= static_cast<int>(m_lines.size()))
            m_lines.AppendLine();
        // The cursor never goes back up, so the line written is always the last.
        const auto column = static_cast<std::size_t>(m_column);
        const std::string_view piece = text.substr(0, kMaxLineLength - column);
        const std::size_t oldLength = m_lines.back().size();
        m_lines.WriteLast(column, piece);
        // Uncoloured text in a line without runs needs no look at the runs at all.
        if (m_colour &&
            (static_cast<std::size_t>(m_currentLine) < m_runs.size() || !m_attributes.IsDefault()))
            RecordColour(oldLength, column, piece.size());
        m_column += static_cast<int>(piece.size());
        text.remove_prefix(piece.size());
    }
    m_lastTextEndedLine = endsLine;
    return placed;
}

// The padding before the text has no colour; the text has the current one.
void CReceiveFilter::RecordColour(std::size_t oldLength, std::size_t column, std::size_t length)
{
    const auto index = static_cast<std::size_t>(m_currentLine);
    // Most text changes no run: uncoloured text in an uncoloured line, or text added in the
    // colour the line already ends in.
    if (index < m_runs.size()) {
        const CColourRuns& runs = m_runs[index];
        if (runs.empty() ? m_attributes.IsDefault()
                         : oldLength >= column && runs.back().start <= static_cast<int>(column) &&
                               runs.back().attributes == m_attributes)
            return;
    } else if (m_attributes.IsDefault()) {
        return;
    }
    while (m_runs.size() <= index) {
        if (t_spareRuns.empty()) {
            m_runs.emplace_back();
        } else {
            m_runs.push_back(std::move(t_spareRuns.back()));
            t_spareRuns.pop_back();
        }
    }
    CColourRuns& runs = m_runs[index];
    const auto lineLength = static_cast<int>(m_lines[index].size());
    if (oldLength < column)
        SetColourRange(runs, static_cast<int>(oldLength), static_cast<int>(column), lineLength,
                       CAnsiAttributes{});
    SetColourRange(runs, static_cast<int>(column), static_cast<int>(column + length), lineLength,
                   m_attributes);
}

// Deliberate limit: the text that would make a line longer than kMaxLineLength goes on as
// if a line feed and a carriage return had come before it.
void CReceiveFilter::EndCappedLine()
{
    m_lastTextEndedLine = true;
    LeaveLine();
    m_column = 0;
}

// The cursor never comes back to a line it leaves: its colours are final and are bounded now.
void CReceiveFilter::LeaveLine()
{
    if (static_cast<std::size_t>(m_currentLine) < m_runs.size())
        LimitColourRuns(m_runs[static_cast<std::size_t>(m_currentLine)]);
    if (m_currentLine < INT_MAX)
        ++m_currentLine;
}

void CReceiveFilter::DropFrontLines(int count)
{
    if (count <= 0)
        return;
    const auto drop = std::min(static_cast<std::size_t>(count), m_lines.size());
    m_lines.DropFront(drop);
    const auto droppedRuns = static_cast<std::ptrdiff_t>(std::min(drop, m_runs.size()));
    for (auto it = m_runs.begin(); it != m_runs.begin() + droppedRuns; ++it) {
        if (it->capacity() > 0 && t_spareRuns.size() < kMaxSpareRuns) {
            it->clear();
            t_spareRuns.push_back(std::move(*it));
        }
    }
    m_runs.erase(m_runs.begin(), m_runs.begin() + droppedRuns);
    m_currentLine = std::max(0, m_currentLine - static_cast<int>(drop));
}

void CReceiveFilter::LimitPendingLines(int maxGap)
{
    const long long lastIndex = static_cast<long long>(m_lines.size()) - 1;
    const long long highest = lastIndex + std::max(maxGap, 1);
    if (m_currentLine > highest)
        m_currentLine = static_cast<int>(highest);
}
