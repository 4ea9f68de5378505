#pragma once
// The byte filter between the socket and the views: it turns each received string into
// lines of plain text. Telnet commands (when on), escape sequences and control characters
// are removed; carriage return, backspace, tab and line feed move a cursor (column, line)
// within the buffer, and text is written at that cursor, overwriting what is there.
//
// Widget-free and socket-free: what the session must do in reply (answer a telnet option
// request, beep for a BEL) is reported through two callbacks.
//
// State kept across reads: the lines, the cursor and lastTextEndedLine. Deliberately not
// kept: an escape sequence or telnet command cut by the end of a read is not carried over
// to the next one (its tail shows up as text), as servers are expected to send them whole.

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

class CReceiveFilter final {
public:
    // A line never grows beyond this many bytes: text that would pass it continues on the
    // next line, so that a server sending endless text without a line end costs bounded
    // memory and constant time per read.
    static constexpr int kMaxLineLength = 32768;

    CReceiveFilter() = default;
    CReceiveFilter(const CReceiveFilter&) = delete;
    CReceiveFilter& operator=(const CReceiveFilter&) = delete;

    // Called with the three bytes of a telnet refusal (IAC WONT/DONT option).
    std::function<void(std::string_view answer)> onTelnetAnswer;
    // Called for every BEL byte.
    std::function<void()> onBell;

    // Filters one received string into the buffer.
    void Filter(std::string_view text);

    // Writes text at the cursor (padding the line with spaces up to the column, then
    // overwriting and appending) and moves the column past it. Sets lastTextEndedLine to
    // endsLine even for empty text. Returns the number of bytes placed.
    int PutText(std::string_view text, bool endsLine);
    // i is the index of an ESC byte; returns the index of the last byte of the sequence.
    // noFinalFrom, when given, remembers across the calls of one read from where on the
    // read holds no final byte, so that a read full of unended "ESC [" costs linear time.
    std::size_t SkipEscapeSequence(std::string_view text, std::size_t i,
                                   std::size_t* noFinalFrom = nullptr) const;
    // i is the index of an IAC byte; returns the index of the last byte consumed.
    std::size_t HandleTelnetCommand(std::string_view text, std::size_t i);

    // Removes count lines from the front and moves the cursor line with them.
    void DropFrontLines(int count);
    // Brings the cursor line back to at most maxGap lines past the last line.
    void LimitPendingLines(int maxGap);

    std::deque<std::string>& Lines() { return m_lines; }
    const std::deque<std::string>& Lines() const { return m_lines; }
    int Column() const { return m_column; }
    int CurrentLine() const { return m_currentLine; }
    bool LastTextEndedLine() const { return m_lastTextEndedLine; }
    void SetLastTextEndedLine(bool ended) { m_lastTextEndedLine = ended; }
    bool TelnetOptions() const { return m_telnetOptions; }
    void SetTelnetOptions(bool on) { m_telnetOptions = on; }

private:
    void EndCappedLine();

    bool m_lastTextEndedLine = false;
    int m_column = 0;
    int m_currentLine = 0;
    bool m_telnetOptions = false;
    std::deque<std::string> m_lines;
};
