#pragma once
// The byte filter between the socket and the views: it turns each received string into
// lines of plain text. Telnet commands (when on), escape sequences and control characters
// are removed; carriage return, backspace, tab and line feed move a cursor (column, line)
// within the buffer, and text is written at that cursor, overwriting what is there.
//
// Widget-free and socket-free: what the session must do in reply (answer a telnet option
// request, beep for a BEL) is reported through two callbacks.
//
// The socket hands over reads of at most 508 bytes and the server's segments fall anywhere,
// so an escape sequence or telnet command may be cut by the end of a read. The filter keeps
// the unfinished sequence (a small state, never the bytes themselves) and completes it with
// the next read: the lines, the cursor, the answers and the bells come out the same however
// the stream is cut. A sequence still unfinished when the stream ends shows nothing.
//
// State kept across reads: the lines, the cursor, lastTextEndedLine and the unfinished
// sequence; with colour on, also the current colour and each line's colour runs.
//
// Two per-host choices change what the bytes mean. Colour: SGR sequences set the colour of
// the text that follows instead of being dropped unread. Line ends: a bare line feed keeps
// the column (as sent), always starts the next line at column 0, or (Auto) does the latter
// until the server has sent its first carriage return.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "display/AnsiAttributes.h"
#include "display/LineStore.h"

class CReceiveFilter final {
public:
    // A line never grows beyond this many bytes: text that would pass it continues on the
    // next line, so that a server sending endless text without a line end costs bounded
    // memory and constant time per read.
    static constexpr int kMaxLineLength = 32768;
    // An "ESC [" sequence that has had this many bytes without reaching its final byte is
    // given up: those bytes stay dropped and the next byte is text again. Real sequences
    // carry a handful of parameters; the bound keeps a stray or hostile "ESC [" from hiding
    // the text that follows it.
    static constexpr int kMaxSequenceLength = 64;
    // The same bound for the content of a telnet sub-negotiation (IAC SB ... IAC SE). Every
    // option is refused, so a well-behaved server sends none; the bound only limits what an
    // unended one can hide.
    static constexpr int kMaxSubnegotiationLength = 4096;

    // What a line feed does to the column.
    enum class LineEnds : std::uint8_t {
        Auto = 0,   // as BareLfEndsLine until the server sends a carriage return, then AsSent
        AsSent = 1, // the column is kept: a bare line feed makes a staircase
        BareLfEndsLine = 2,
    };

    CReceiveFilter() = default;
    CReceiveFilter(const CReceiveFilter&) = delete;
    CReceiveFilter& operator=(const CReceiveFilter&) = delete;

    // Called with the three bytes of a telnet refusal (IAC WONT/DONT option).
    std::function<void(std::string_view answer)> onTelnetAnswer;
    // Called for every BEL byte.
    std::function<void()> onBell;
    // Called when the server starts (true) or stops (false) echoing what we send, with echo
    // accepted (SetAcceptEcho).
    std::function<void(bool serverEchoes)> onServerEcho;

    // Filters one received string into the buffer.
    void Filter(std::string_view text);
    // Forgets an unfinished escape sequence or telnet command, so that the next read starts
    // as text (for a new connection, whose stream has nothing to do with the old one).
    void ForgetUnfinishedSequence() { m_sequence = Sequence::None; }
    // With accept on, the server's WILL ECHO is answered DO ECHO (RFC 857) and its WONT ECHO
    // ends it again; every other option is still refused. Either way the server does not
    // echo (any more): a new connection starts with our own echo.
    void SetAcceptEcho(bool accept);
    bool ServerEchoes() const { return m_serverEcho; }
    bool AcceptsEcho() const { return m_acceptEcho; }
    // A new connection: no unfinished sequence, no carriage return seen yet, default colour.
    void StartConnection();
    // Filters the local echo of something sent as a stream of its own: a sequence the server
    // left unfinished waits for the server's next read, and the user's own bytes are never
    // taken for telnet commands.
    void FilterLocal(std::string_view text);

    // Writes text at the cursor (padding the line with spaces up to the column, then
    // overwriting and appending) and moves the column past it. Sets lastTextEndedLine to
    // endsLine even for empty text. Returns the number of bytes placed.
    int PutText(std::string_view text, bool endsLine);

    // Removes count lines from the front and moves the cursor line with them.
    void DropFrontLines(int count);
    // Brings the cursor line back to at most maxGap lines past the last line.
    void LimitPendingLines(int maxGap);

    const CLineStore& Lines() const { return m_lines; }
    int Column() const { return m_column; }
    int CurrentLine() const { return m_currentLine; }
    bool LastTextEndedLine() const { return m_lastTextEndedLine; }
    void SetLastTextEndedLine(bool ended) { m_lastTextEndedLine = ended; }
    bool TelnetOptions() const { return m_telnetOptions; }
    void SetTelnetOptions(bool on) { m_telnetOptions = on; }

    void SetLineEnds(LineEnds mode) { m_lineEnds = mode; }
    LineEnds GetLineEnds() const { return m_lineEnds; }
    // Colour off forgets every run and the current colour: the lines show plain again.
    void SetColour(bool on);
    bool Colour() const { return m_colour; }
    const CAnsiAttributes& Attributes() const { return m_attributes; }
    // The colour runs of a line; null when it has none (all in the default colour).
    const CColourRuns* Runs(std::size_t line) const
    {
        return line < m_runs.size() && !m_runs[line].empty() ? &m_runs[line] : nullptr;
    }

private:
    // Where the filter stands inside an escape sequence or telnet command.
    enum class Sequence : std::uint8_t {
        None,              // text
        Escape,            // after ESC
        ControlSequence,   // after ESC [, looking for the final byte
        Command,           // after IAC
        Option,            // after IAC DO or IAC WILL, waiting for the option byte
        Refusal,           // after IAC WONT with echo accepted, waiting for the option byte
        Subnegotiation,    // inside IAC SB, dropping until IAC SE
        SubnegotiationIac, // an IAC inside a sub-negotiation
    };

    // Consumes the bytes of the sequence under way from text[i] on; returns the index of the
    // first byte that is text again, or text.size() when the sequence is still unfinished.
    std::size_t ContinueSequence(std::string_view text, std::size_t i);
    std::size_t SkipControlSequence(const unsigned char* data, std::size_t i, std::size_t size);
    // SkipControlSequence with colour on: collects the parameters and applies an SGR.
    std::size_t ParseControlSequence(const unsigned char* data, std::size_t i, std::size_t size);
    void StartControlSequence();
    void EndCappedLine();
    // Moves the cursor down a line.
    void LeaveLine();
    // Records the server's echo, tells onServerEcho and answers DO or DONT ECHO.
    void ChangeServerEcho(bool on);
    void LineFeedColumn();
    void RecordColour(std::size_t oldLength, std::size_t column, std::size_t length);

    bool m_lastTextEndedLine = false;
    int m_column = 0;
    int m_currentLine = 0;
    bool m_telnetOptions = false;
    bool m_acceptEcho = false;
    bool m_serverEcho = false;
    Sequence m_sequence = Sequence::None;
    // After IAC DO or WILL: which of the two, for the answer.
    unsigned char m_command = 0;
    // Bytes consumed so far by an "ESC [" sequence or a sub-negotiation, for their bounds.
    int m_sequenceLength = 0;
    CLineStore m_lines;

    LineEnds m_lineEnds = LineEnds::AsSent;
    bool m_sawCarriageReturn = false;

    // Colour: the attributes for the next text, and the runs beside m_lines (shorter than
    // m_lines where the last lines have none).
    bool m_colour = false;
    CAnsiAttributes m_attributes;
    std::deque<CColourRuns> m_runs;
    // The parameters of the "ESC [" sequence under way. It is bounded by kMaxSequenceLength
    // bytes, so at most half that many parameters; one with more digits is capped.
    static constexpr int kMaxParams = kMaxSequenceLength / 2 + 1;
    struct ControlParams {
        std::uint16_t values[kMaxParams] = {};
        int count = 0;
        std::uint16_t current = 0;
        bool sgr = true; // only digits and ";" so far
    };
    ControlParams m_control;
};
