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
// sequence.

#include <cstddef>
#include <cstdint>
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
    // An "ESC [" sequence that has had this many bytes without reaching its final byte is
    // given up: those bytes stay dropped and the next byte is text again. Real sequences
    // carry a handful of parameters; the bound keeps a stray or hostile "ESC [" from hiding
    // the text that follows it.
    static constexpr int kMaxSequenceLength = 64;
    // The same bound for the content of a telnet sub-negotiation (IAC SB ... IAC SE). Every
    // option is refused, so a well-behaved server sends none; the bound only limits what an
    // unended one can hide.
    static constexpr int kMaxSubnegotiationLength = 4096;

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

    std::deque<std::string>& Lines() { return m_lines; }
    const std::deque<std::string>& Lines() const { return m_lines; }
    int Column() const { return m_column; }
    int CurrentLine() const { return m_currentLine; }
    bool LastTextEndedLine() const { return m_lastTextEndedLine; }
    void SetLastTextEndedLine(bool ended) { m_lastTextEndedLine = ended; }
    bool TelnetOptions() const { return m_telnetOptions; }
    void SetTelnetOptions(bool on) { m_telnetOptions = on; }

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
    void EndCappedLine();
    // Records the server's echo, tells onServerEcho and answers DO or DONT ECHO.
    void ChangeServerEcho(bool on);

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
    std::deque<std::string> m_lines;
};
