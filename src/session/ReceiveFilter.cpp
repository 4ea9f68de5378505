#include "session/ReceiveFilter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

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

inline unsigned char ByteAt(std::string_view text, std::size_t i)
{
    return static_cast<unsigned char>(text[i]);
}

} // namespace

void CReceiveFilter::Filter(std::string_view text)
{
    const std::uint8_t* classes = m_telnetOptions ? kTelnetClasses.data() : kPlainClasses.data();
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t segmentStart = 0;
    std::size_t noFinalFrom = SIZE_MAX;
    std::size_t i = 0;
    while (true) {
        while (i < size && classes[data[i]] == kOrdinary)
            ++i;
        if (i >= size)
            break;
        const std::string_view segment(text.data() + segmentStart, i - segmentStart);
        const std::uint8_t byteClass = classes[data[i]];
        if (byteClass == kLineEnd) {
            // Even an empty segment is placed: it records that the last text ended a line.
            PutText(segment, true);
            if (m_currentLine < INT_MAX)
                ++m_currentLine;
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
                break;
            case kEscape:
                i = SkipEscapeSequence(text, i, &noFinalFrom);
                break;
            case kTelnetCommand:
                i = HandleTelnetCommand(text, i);
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
            m_lines.emplace_back();
        std::string& line = m_lines[static_cast<std::size_t>(m_currentLine)];
        const auto column = static_cast<std::size_t>(m_column);
        const std::string_view piece = text.substr(0, kMaxLineLength - column);
        if (line.size() < column)
            line.resize(column, ' ');
        const std::size_t overwrite = std::min(line.size() - column, piece.size());
        if (overwrite > 0)
            line.replace(column, overwrite, piece.data(), overwrite);
        line.append(piece.data() + overwrite, piece.size() - overwrite);
        m_column += static_cast<int>(piece.size());
        text.remove_prefix(piece.size());
    }
    m_lastTextEndedLine = endsLine;
    return placed;
}

// Deliberate limit: the text that would make a line longer than kMaxLineLength goes on as
// if a line feed and a carriage return had come before it.
void CReceiveFilter::EndCappedLine()
{
    m_lastTextEndedLine = true;
    if (m_currentLine < INT_MAX)
        ++m_currentLine;
    m_column = 0;
}

std::size_t CReceiveFilter::SkipEscapeSequence(std::string_view text, std::size_t i,
                                               std::size_t* noFinalFrom) const
{
    if (i + 1 >= text.size())
        return i;
    if (text[i + 1] != '[')
        return i + 1;
    if (i + 2 >= text.size())
        return i + 1;
    if (noFinalFrom == nullptr || i + 2 < *noFinalFrom) {
        for (std::size_t j = i + 2; j < text.size(); ++j) {
            if (kSequenceFinal[ByteAt(text, j)])
                return j;
        }
        if (noFinalFrom != nullptr)
            *noFinalFrom = i + 2;
    }
    // No end in this read: only ESC, "[" and one more byte go; the rest shows as text.
    return i + 2;
}

std::size_t CReceiveFilter::HandleTelnetCommand(std::string_view text, std::size_t i)
{
    if (i + 1 >= text.size())
        return i;
    const unsigned char command = ByteAt(text, i + 1);
    if (command != kDo && command != kWill)
        return i + 1;
    if (i + 2 >= text.size())
        return i + 1;
    // Every option is refused (RFC 854: DO is answered WONT, WILL is answered DONT).
    const char answer[3] = {static_cast<char>(kIac),
                            static_cast<char>(command == kDo ? kWont : kDont), text[i + 2]};
    if (onTelnetAnswer)
        onTelnetAnswer(std::string_view(answer, 3));
    return i + 2;
}

void CReceiveFilter::DropFrontLines(int count)
{
    if (count <= 0)
        return;
    const auto drop = std::min(static_cast<std::size_t>(count), m_lines.size());
    m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(drop));
    m_currentLine = std::max(0, m_currentLine - static_cast<int>(drop));
}

void CReceiveFilter::LimitPendingLines(int maxGap)
{
    const long long lastIndex = static_cast<long long>(m_lines.size()) - 1;
    const long long highest = lastIndex + std::max(maxGap, 1);
    if (m_currentLine > highest)
        m_currentLine = static_cast<int>(highest);
}
