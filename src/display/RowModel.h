#pragma once
// The display rows of one connection view: every session line broken by word wrap into the
// pieces that fit the window's width, each with a colour, plus the vertical scroll state.
// Data flows session -> row model -> view: the session announces new and dropped lines, the
// model rewraps only what changed and reports which rows need repainting; the widget
// (CBrumbleView) measures the font, paints and runs the retry timers. Widget-free, so it is
// tested with a fixed width table and a plain list of lines.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "display/AnsiAttributes.h"
#include "display/RowSource.h"
#include "res/TextEncoding.h"

class CRowModel final {
public:
    // A row colour whose top byte is not 0 means "the session's text colour".
    static constexpr std::uint32_t kTextColour = 0xFFFFFFFF;

    // A row refers to its line's text rather than holding a copy: RowText gives its bytes
    // and RowRuns its server colours.
    struct Row {
        std::uint32_t line = 0;  // its line's number in the session's list (low 32 bits)
        std::uint32_t begin = 0; // its bytes in the line: [begin, begin + length)
        std::uint32_t length = 0;
        std::uint32_t colour = kTextColour;
        bool continuation = false; // not the first row of its line (wrapped on from above)
    };

    // What an operation changed. Row numbers are absolute (0 = oldest row kept) and refer
    // to the rows after the change.
    struct Change {
        bool deferred = false; // held back while busy: (re)start the retry timer
        int firstRow = -1;     // rows to repaint, inclusive; -1 when none
        int lastRow = -1;
        bool all = false;    // repaint the whole area
        int rowsRemoved = 0; // rows dropped from the front: older row numbers moved up
    };

    enum class Scroll { LineUp, LineDown, PageUp, PageDown, Top, Bottom };

    // The character under a point of an absolute row, with its span in pixels. A row at or
    // beyond the row count gives index -1 and a zero-width span at x = 0; an empty row gives
    // index 0 and a zero-width span.
    struct Cell {
        int row = 0;
        int index = 0;
        int left = 0;
        int right = 0;
        bool operator==(const Cell&) const = default;
    };

    // Receives the receive scripts' output of one batch, while the model is still busy.
    using SendFn = std::function<void(const std::string& text)>;

    explicit CRowModel(CRowSource& source);
    CRowModel(const CRowModel&) = delete;
    CRowModel& operator=(const CRowModel&) = delete;

    // Font measurements: pixel widths of the codes 0-255 and the widest character.
    void SetWidthTable(const std::array<int, 256>& widths, int maxWidth);
    const std::array<int, 256>& WidthTable() const { return m_widths; }
    int MaxCharWidth() const { return m_maxWidth; }
    // The width used for wrapping: the table for 0-127, the maximum width for 128-255.
    int CharWidth(unsigned char c) const { return m_effective[c]; }
    // How the rows' bytes read as characters (Latin-1 until told otherwise). Rows keep their
    // bytes; a character of several bytes is measured, hit and copied as one, never split.
    void SetEncoding(CTextEncoding::Kind encoding) { m_encoding = encoding; }
    CTextEncoding::Kind Encoding() const { return m_encoding; }
    // Measures characters beyond U+00FF (the font's real width, CJK double); each code point
    // is measured once. Without it they take the maximum character width.
    void SetWideCharWidth(std::function<int(char32_t)> measure);
    int CodeWidth(char32_t code) const { return code < 256 ? m_effective[code] : WideWidth(code); }
    // The number of bytes of the character at byte at of a row or line.
    int CharLength(std::string_view text, std::size_t at) const
    {
        return CTextEncoding::Next(m_encoding, text, at).length;
    }
    // The available width in pixels; negative while there is no window (nothing wraps).
    void SetClientWidth(int width) { m_clientWidth = width; }
    int ClientWidth() const { return m_clientWidth; }

    // Appends the rows of one line and returns their number: an empty line gives one empty
    // row; a row breaks after the last space in its final third, otherwise after the last
    // character that fits; a character wider than the area stands alone.
    int WrapLine(std::string_view text, std::vector<std::string>& rows) const;

    // The session's list changed: the last newCount lines are new and the line before them
    // (the open line) may have grown. Runs the receive scripts and URL detection once per
    // completed line and hands their output to send before the model stops being busy.
    // While busy, the call is recorded and Change::deferred asks for the retry timer.
    Change AddText(int newCount, bool lastComplete, const SendFn& send);
    // Runs the receive scripts and URL detection of the lines completed since, at once, and
    // keeps their colours for when they are laid out: what the scripts answer goes out as
    // the text comes in, however long the views wait to show it.
    void FinishLines(bool lastComplete, const SendFn& send);
    // The session is about to drop its count oldest lines (still present). While busy the
    // rows stay until RemovePending(); their number is taken now.
    Change RemoveLines(int count);
    // Removes the rows of lines that were dropped while busy (the retry timer).
    Change RemovePending();
    // Rebuilds every row at the current width for a page of the given height in rows,
    // keeping the view at the end or at the same relative position.
    Change RewrapAll(int page);
    // A new page height (font or size change) without rewrapping.
    Change SetPage(int page);

    // Retry state for the timers.
    bool HasPendingAdd() const { return m_hasPendingAdd; }
    int PendingAddCount() const { return m_pendingAdd; }
    bool PendingComplete() const { return m_pendingComplete; }
    int PendingRemoveCount() const { return m_droppedLines; }
    // How many lines have had their rows removed since the model was made; what reads the
    // rows now and then (the scrollback's accessible text) tells from it what left the front.
    std::uint64_t RemovedLineTotal() const { return m_removedLineTotal; }

    // Set while rows change and while the user drags a selection.
    bool IsBusy() const { return m_busy; }
    void SetBusy(bool busy) { m_busy = busy; }

    const std::deque<Row>& Rows() const { return m_rows; }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // The text of a row, or of absolute row index.
    std::string_view RowText(const Row& row) const;
    std::string_view RowText(int row) const
    {
        return RowText(m_rows[static_cast<std::size_t>(row)]);
    }
    // The server colours of a row, starts counted from its first byte (none for a line in the
    // default colour). They are drawn only while the row has no colour of its own (a
    // highlight or a script's colour wins).
    CColourRuns RowRuns(const Row& row) const;
    int OpenLineStart() const { return m_openLineStart; }
    int OpenLineRows() const { return m_openLineRows; }
    // Rows of each displayed line, oldest first.
    const std::deque<int>& LineRowCounts() const { return m_lineRows; }

    // The cell at pixel x of an absolute row (x beyond the text: the row's last character).
    Cell CellAt(int x, int row) const;

    // The mouse selection: from the anchor (the press) to the current cell (the pointer),
    // both included, in reading order. The widget paints it inverted from here.
    void BeginSelection(const Cell& anchor);
    void ExtendSelection(const Cell& current);
    void ClearSelection();
    bool IsSelecting() const { return m_selecting; }
    // True once the pointer has left the anchor cell.
    bool HasSelection() const { return m_selecting && m_hasCurrent; }
    const Cell& SelectionAnchor() const { return m_anchor; }
    const Cell& SelectionCurrent() const { return m_current; }
    // The highlighted pixels [first, second) of an absolute row; first >= second when none.
    std::pair<int, int> SelectionSpan(int row, int clientWidth) const;
    // The selected text as displayed: rows of one line joined, lines separated by CR LF. A
    // selection that ends below the last row runs through the end of the last row.
    std::string SelectedText() const;

    // Scroll state: range Min()..Max(), Page() rows visible, first visible row Pos().
    int Min() const { return 0; }
    int Max() const { return m_max; }
    int Page() const { return m_page; }
    int Pos() const { return m_pos; }
    int Bottom() const { return m_max - m_page - Min() + 1; }
    bool AtBottom() const { return m_pos == Bottom(); }
    // Moves to pos, limited to Min()..Bottom(); returns how far it moved.
    int ScrollTo(int pos);
    int ScrollBy(Scroll request);

private:
    // Lines of the session that have rows and are still in its list.
    int PresentLines() const;
    // Renders line index of the source at row start (replacing rows there, appending beyond the
    // end); oldRows is what the line had before (for the open line), 0 for a new line. Returns its
    // number of rows and sets firstChanged to the first row that changed.
    int RenderLine(std::size_t index, bool complete, int start, int oldRows, std::string& toSend,
                   int& firstChanged);
    // What every complete line gets once, shown or not (unless echoed locally): the receive
    // scripts and URL detection. Returns the colour the scripts gave it, if any.
    std::optional<std::uint32_t> FinishLine(std::size_t index, CRowSource::LineWork work,
                                            std::string& toSend);
    // The colour of a complete line being laid out, finishing it first if FinishLines has
    // not already.
    std::uint32_t CompleteLine(std::size_t index, std::string& toSend);
    // Lets go of the colours kept for finished lines before session line index below.
    void ForgetFinishedColours(std::size_t below);
    // Keeps the colour FinishLines gave the line of that number (the line after the last
    // kept) until the line is laid out.
    void KeepFinishedColour(std::uint32_t number, std::optional<std::uint32_t> colour);
    Change RemoveFront(int lines);
    void SetRange();
    int Clamp(int pos) const;

    // The number rows give session line index, and the text and colours of a line by number
    // (also of a line the session has dropped while its rows stay).
    std::uint32_t LineNumber(std::size_t index) const;
    std::string_view LineText(std::uint32_t number) const;
    const CColourRuns* LineRuns(std::uint32_t number) const;
    // Keeps the text of the count oldest lines for the rows that outlive them.
    void RetainFront(int count);
    // Keeps a copy of the open line as laid out, to tell later whether it only grew.
    void RememberOpenLine(std::size_t index);
    int WideWidth(char32_t code) const;
    bool FitsWhole(std::string_view text, std::size_t from) const;
    template <typename Emit> int Wrap(std::string_view text, std::size_t from, Emit&& emit) const;

    CRowSource& m_source;

    std::deque<Row> m_rows;
    // Lines the session dropped while the model was busy, whose rows are still shown:
    // numbered from m_retainedFront on.
    std::deque<std::string> m_retainedLines;
    std::deque<CColourRuns> m_retainedRuns;
    std::uint32_t m_retainedFront = 0;
    // The open line's text and whether it had colours when its rows were laid out.
    std::string m_openText;
    bool m_openHadRuns = false;
    std::deque<int> m_lineRows; // rows per displayed line; the first m_droppedLines are
                                // lines the session has dropped while the model was busy
    int m_droppedLines = 0;
    std::uint64_t m_removedLineTotal = 0;
    int m_openLineStart = 0;
    int m_openLineRows = 0;
    int m_pendingAdd = 0;
    // Lines before this session line index have been finished (FinishLine); the last
    // m_finishedUnshown of them are not yet laid out, and the colours their scripts gave
    // them wait in m_finishedColours, by line number, in order (only lines given one: most
    // of a flood's lines are given none).
    struct FinishedColour {
        std::uint32_t number;
        std::uint32_t colour;
    };
    std::size_t m_finishedEnd = 0;
    std::size_t m_finishedUnshown = 0;
    std::deque<FinishedColour> m_finishedColours;
    bool m_finishing = false;
    std::size_t m_finishTarget = 0;
    std::vector<std::uint8_t> m_scriptCandidates; // of the lines FinishLines works on
    bool m_pendingComplete = false;
    bool m_hasPendingAdd = false;
    bool m_busy = false;

    bool m_selecting = false;
    bool m_hasCurrent = false;
    Cell m_anchor;
    Cell m_current;

    std::array<int, 256> m_widths{};
    std::array<int, 256> m_effective{};
    int m_maxWidth = 0;
    int m_widestAscii = 0; // the widest of m_effective[0..127]
    int m_widestByte = 0;  // the widest of all of m_effective
    bool m_widthsNonNegative = true;
    int m_narrowestPrintable = 0; // the narrowest of m_effective[0x20..0xFF]
    CTextEncoding::Kind m_encoding = CTextEncoding::Kind::Latin1;
    std::function<int(char32_t)> m_measure;
    mutable std::unordered_map<char32_t, int> m_wideWidths;
    int m_clientWidth = -1;

    int m_max = 0;
    int m_page = 1;
    int m_pos = 0;
    bool m_holdPosition = false;
};
