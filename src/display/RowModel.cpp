#include "display/RowModel.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "display/RowSource.h"

CRowModel::CRowModel(CRowSource& source) : m_source(source) {}

void CRowModel::SetWidthTable(const std::array<int, 256>& widths, int maxWidth)
{
    m_widths = widths;
    m_maxWidth = maxWidth;
    // High characters are measured at the widest width: many fonts have no glyph for them
    // and the table would say 0, which would let a row of them run off the window.
    for (int c = 0; c < 256; ++c)
        m_effective[c] = c < 128 ? widths[c] : maxWidth;
    // The widest entry may be wider than maxWidth (a font that underreports it).
    m_widestAscii = std::max(0, *std::max_element(m_effective.begin(), m_effective.begin() + 128));
    m_widestByte = std::max(m_widestAscii, maxWidth);
    m_widthsNonNegative = *std::min_element(m_effective.begin(), m_effective.end()) >= 0;
    m_narrowestPrintable =
        std::max(0, *std::min_element(m_effective.begin() + 0x20, m_effective.end()));
}

// Whether the bytes [from, n) of text fit the area, told without the character-by-character
// walk of Wrap where that is cheap; false also when it cannot be told so (Wrap then walks).
// Each byte is at most one character, and a character of a single byte (or any byte, under
// Latin-1) is no wider than the widest entry of the table: when even that many of the widest
// fit, nothing needs measuring. Otherwise the widths are summed in one plain pass, which
// under UTF-8 gives up at the first byte of 0x80 or above (such a character is measured on
// its own and may be wider). With no negative width in the table a running width only grows,
// so a sum within the area means Wrap would not have broken the text either.
bool CRowModel::FitsWhole(std::string_view text, std::size_t from) const
{
    const auto count = static_cast<long long>(text.size() - from);
    const bool bytes = m_encoding == CTextEncoding::Kind::Latin1;
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    if (count * (bytes ? m_widestByte : m_widestAscii) <= m_clientWidth) {
        if (bytes)
            return true;
        // Eight bytes at a time, for any byte with the top bit set.
        std::uint64_t high = 0;
        std::size_t i = from;
        for (; i + 8 <= text.size(); i += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, data + i, 8);
            high |= word;
        }
        for (; i < text.size(); ++i)
            high |= data[i];
        return (high & 0x8080808080808080ull) == 0;
    }
    // A text too long to fit even in the narrowest printable characters would be summed in
    // vain: it goes straight to the walk (which also copes with the control characters the
    // guess leaves out).
    if (!m_widthsNonNegative || count * m_narrowestPrintable > m_clientWidth)
        return false;
    int run = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (data[i] >= 0x80 && !bytes)
            return false;
        run += m_effective[data[i]];
        if (run > m_clientWidth)
            return false;
    }
    return true;
}

void CRowModel::SetWideCharWidth(std::function<int(char32_t)> measure)
{
    m_measure = std::move(measure);
    m_wideWidths.clear();
}

int CRowModel::WideWidth(char32_t code) const
{
    if (!m_measure)
        return m_maxWidth;
    auto it = m_wideWidths.find(code);
    if (it == m_wideWidths.end())
        it = m_wideWidths.emplace(code, std::max(0, m_measure(code))).first;
    return it->second;
}

// Calls emit(offset, length) for every row of text from offset `from` on; returns the
// number of rows. Only a row's own characters and the one that overflows it decide where
// it breaks, which is what lets an open line be rewrapped from its last row.
template <typename Emit>
int CRowModel::Wrap(std::string_view text, std::size_t from, Emit&& emit) const
{
    if (m_clientWidth < 0)
        return 0;
    const int width = m_clientWidth;
    const int limit = 2 * width / 3;
    const std::size_t n = text.size();
    const bool bytes = m_encoding == CTextEncoding::Kind::Latin1;
    const int blankWidth = m_effective[static_cast<unsigned char>(' ')];
    const std::size_t blanksPerRow =
        blankWidth > 0 ? static_cast<std::size_t>(width / blankWidth) : 0;
    int rows = 0;
    std::size_t start = from;
    for (;;) {
        // Most rows are the whole rest of a short line: told cheaply that it fits, the row is
        // what the walk below would give (it never breaks a text that fits).
        if (FitsWhole(text, start)) {
            emit(start, n - start);
            return rows + 1;
        }
        // A row of blanks with a blank after it (the padding of a line written at a far
        // column) is as many blanks as fit: the walk below would break it there too.
        if (blanksPerRow > 0 && start + blanksPerRow < n && text[start] == ' ') {
            const std::size_t stop = start + blanksPerRow + 1;
            std::size_t k = start;
            while (k < stop && text[k] == ' ')
                ++k;
            if (k == stop) {
                emit(start, blanksPerRow);
                ++rows;
                start += blanksPerRow;
                continue;
            }
        }
        int run = 0;
        std::size_t i = start;
        std::size_t length = 1; // of the character at i
        // Where the row may end after a space: the last space that fits and leaves the row
        // at least two thirds full (a break earlier than that would waste the row).
        std::size_t spaceEnd = start;
        while (i < n) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte < 0x80 || bytes) {
                run += m_effective[byte];
                length = 1;
            } else {
                const CTextEncoding::Char c = CTextEncoding::Next(m_encoding, text, i);
                run += CodeWidth(c.code);
                length = static_cast<std::size_t>(c.length);
            }
            if (run > width)
                break;
            i += length;
            if (byte == ' ' && run >= limit)
                spaceEnd = i;
        }
        if (i >= n) {
            emit(start, n - start);
            return rows + 1;
        }
        std::size_t end = i; // after the last character that fits: a break inside a word
        if (i == start)
            end = start + length; // a lone character wider than the area
        else if (spaceEnd > start)
            end = spaceEnd;
        emit(start, end - start);
        ++rows;
        start = end;
        // A lone last character ends the line: an empty row after it would belong to no
        // text, so nothing could ever match it when the line is dropped.
        if (start >= n)
            return rows;
    }
}

int CRowModel::WrapLine(std::string_view text, std::vector<std::string>& rows) const
{
    return Wrap(text, 0, [&](std::size_t offset, std::size_t length) {
        rows.emplace_back(text.substr(offset, length));
    });
}

std::uint32_t CRowModel::LineNumber(std::size_t index) const
{
    return static_cast<std::uint32_t>(m_source.Lines().FrontNumber() + index);
}

// Numbers wrap around at 2^32; the lines kept at any time are far fewer, so the distance
// from the first line kept tells every line apart.
std::string_view CRowModel::LineText(std::uint32_t number) const
{
    const std::uint32_t retained = number - m_retainedFront;
    if (retained < m_retainedLines.size())
        return m_retainedLines[retained];
    const CLineStore& lines = m_source.Lines();
    const std::uint32_t index = number - static_cast<std::uint32_t>(lines.FrontNumber());
    return index < lines.size() ? lines[index] : std::string_view();
}

const CColourRuns* CRowModel::LineRuns(std::uint32_t number) const
{
    const std::uint32_t retained = number - m_retainedFront;
    if (retained < m_retainedLines.size())
        return retained < m_retainedRuns.size() && !m_retainedRuns[retained].empty()
                   ? &m_retainedRuns[retained]
                   : nullptr;
    const std::uint32_t index = number - static_cast<std::uint32_t>(m_source.Lines().FrontNumber());
    return index < m_source.Lines().size() ? m_source.Runs(index) : nullptr;
}

std::string_view CRowModel::RowText(const Row& row) const
{
    const std::string_view line = LineText(row.line);
    return line.substr(std::min<std::size_t>(row.begin, line.size()), row.length);
}

CColourRuns CRowModel::RowRuns(const Row& row) const
{
    CColourRuns runs;
    if (const CColourRuns* all = LineRuns(row.line))
        SliceColourRuns(*all, row.begin, RowText(row).size(), runs);
    return runs;
}

void CRowModel::RetainFront(int count)
{
    if (m_retainedLines.empty())
        m_retainedFront = LineNumber(0);
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        m_retainedLines.emplace_back(m_source.Lines()[index]);
        const CColourRuns* runs = m_source.Runs(index);
        m_retainedRuns.push_back(runs ? *runs : CColourRuns{});
    }
}

void CRowModel::RememberOpenLine(std::size_t index)
{
    // Only a line of several rows keeps rows when it grows.
    if (m_openLineRows > 1)
        m_openText.assign(m_source.Lines()[index]);
    else
        m_openText.clear();
    m_openHadRuns = m_source.Runs(index) != nullptr;
}

int CRowModel::PresentLines() const
{
    return static_cast<int>(m_lineRows.size()) - m_droppedLines;
}

std::optional<std::uint32_t> CRowModel::FinishLine(std::size_t index, CRowSource::LineWork work,
                                                   std::string& toSend)
{
    std::optional<std::uint32_t> colour;
    if (!m_source.IsLocalLine(index)) {
        if (work.scripts) {
            // A script may run an event loop (a message) in which the session drops lines,
            // this one perhaps among them: the script works on a copy, and the line is
            // found again by its number.
            const std::uint32_t number = LineNumber(index);
            const std::string line(m_source.Lines()[index]);
            toSend += m_source.ReceiveScript(line, colour);
            const auto now = static_cast<std::int32_t>(number - LineNumber(0));
            if (now < 0)
                return colour; // dropped: RemoveLines moved m_finishedEnd past it
            index = static_cast<std::size_t>(now);
        }
        if (work.urls)
            m_source.DetectImageUrls(m_source.Lines()[index]);
    }
    m_finishedEnd = index + 1;
    return colour;
}

std::uint32_t CRowModel::CompleteLine(std::size_t index, std::string& toSend)
{
    std::optional<std::uint32_t> colour;
    if (index >= m_finishedEnd) {
        m_finishedUnshown = 0; // all of earlier lines
        m_finishedColours.clear();
        colour = FinishLine(index, m_source.WorkOnLines(), toSend);
    } else if (index >= m_finishedEnd - m_finishedUnshown) {
        ForgetFinishedColours(index);
        --m_finishedUnshown;
        if (!m_finishedColours.empty() && m_finishedColours.front().number == LineNumber(index)) {
            colour = m_finishedColours.front().colour;
            m_finishedColours.pop_front();
        }
    }
    // A script's colour wins over a highlight's.
    return colour ? *colour : m_source.Highlight(m_source.Lines()[index]).value_or(kTextColour);
}

void CRowModel::ForgetFinishedColours(std::size_t below)
{
    const std::size_t first = m_finishedEnd - m_finishedUnshown;
    if (below <= first)
        return;
    m_finishedUnshown -= std::min(below - first, m_finishedUnshown);
    // Colours are kept for the unshown lines only. Numbers wrap around, but the lines kept
    // are far fewer than 2^31: the sign of the difference tells which comes first.
    const std::uint32_t firstKept = LineNumber(m_finishedEnd - m_finishedUnshown);
    while (!m_finishedColours.empty() &&
           static_cast<std::int32_t>(m_finishedColours.front().number - firstKept) < 0)
        m_finishedColours.pop_front();
}

void CRowModel::KeepFinishedColour(std::uint32_t number, std::optional<std::uint32_t> colour)
{
    ++m_finishedUnshown;
    if (colour)
        m_finishedColours.push_back({number, *colour});
}

void CRowModel::FinishLines(bool lastComplete, const SendFn& send)
{
    if (m_finishing)
        return; // a script's echo: local lines, finished when next asked
    const std::size_t total = m_source.Lines().size();
    const std::size_t end = lastComplete || total == 0 ? total : total - 1;
    if (m_finishedEnd >= end)
        return;
    m_finishing = true;
    std::string toSend;
    // A script may run an event loop (a message) in which lines are dropped: the target
    // moves up with them.
    m_finishTarget = end;
    const CRowSource::LineWork work = m_source.WorkOnLines();
    if (!work.scripts && !work.urls) {
        // Nothing to run: the lines are finished, with no colour of their own.
        m_finishedUnshown += m_finishTarget - m_finishedEnd;
        m_finishedEnd = m_finishTarget;
    }
    // The lines no receive script can match are told apart in one pass; they are found by
    // line number, which dropped lines leave as it is.
    const std::uint32_t firstNumber = LineNumber(m_finishedEnd);
    if (work.scripts)
        m_source.ScriptCandidates(m_finishedEnd, m_finishTarget, m_scriptCandidates);
    while (m_finishedEnd < m_finishTarget) {
        CRowSource::LineWork lineWork = work;
        lineWork.scripts =
            work.scripts && m_scriptCandidates[LineNumber(m_finishedEnd) - firstNumber] != 0;
        if (lineWork.scripts || lineWork.urls) {
            const std::uint32_t number = LineNumber(m_finishedEnd);
            const std::optional<std::uint32_t> colour =
                FinishLine(m_finishedEnd, lineWork, toSend);
            // Only a line still there (not dropped while its script ran) is kept.
            if (m_finishedEnd > 0 && LineNumber(m_finishedEnd - 1) == number)
                KeepFinishedColour(number, colour);
        } else {
            ++m_finishedUnshown;
            ++m_finishedEnd;
        }
    }
    if (!toSend.empty() && send)
        send(toSend);
    m_finishing = false;
}

int CRowModel::RenderLine(std::size_t index, bool complete, int start, int oldRows,
                          std::string& toSend, int& firstChanged)
{
    const std::string_view line = m_source.Lines()[index];
    const std::uint32_t number = LineNumber(index);
    const bool hasRuns = m_source.Runs(index) != nullptr;
    const std::uint32_t colour =
        complete ? CompleteLine(index, toSend) : m_source.Highlight(line).value_or(kTextColour);

    // A line that only grew keeps all rows but its last: each of them broke on characters
    // that are still there, unchanged. Rewrapping from the last row makes a server that
    // sends endless text without a line end cost per read what the read added.
    int kept = 0;
    std::size_t offset = 0;
    if (oldRows > 1 && line.starts_with(m_openText) &&
        m_rows[static_cast<std::size_t>(start + oldRows - 1)].begin +
                std::size_t{m_rows[static_cast<std::size_t>(start + oldRows - 1)].length} ==
            m_openText.size()) {
        kept = oldRows - 1;
        offset = m_rows[static_cast<std::size_t>(start + kept)].begin;
        // A row that ended before a character of several bytes may have been broken while
        // only part of that character had come (its bytes measured one by one, perhaps even
        // split between the rows): the row before is wrapped again with the whole character.
        // Only the last row can have been broken so, so one row more is enough.
        if (m_encoding != CTextEncoding::Kind::Latin1 &&
            static_cast<unsigned char>(line[offset]) >= 0x80) {
            --kept;
            offset = m_rows[static_cast<std::size_t>(start + kept)].begin;
        }
    }

    firstChanged = start + kept;
    int written = kept;
    Wrap(line, offset, [&](std::size_t off, std::size_t length) {
        const auto at = static_cast<std::size_t>(start + written);
        Row& row = at < m_rows.size() ? m_rows[at] : m_rows.emplace_back();
        row = Row{number, static_cast<std::uint32_t>(off), static_cast<std::uint32_t>(length),
                  colour, written > 0};
        ++written;
    });
    // Kept rows keep their text, but text rewritten in place may have changed colour.
    for (int k = 0; k < kept; ++k) {
        Row& row = m_rows[static_cast<std::size_t>(start + k)];
        if (row.colour != colour || hasRuns || m_openHadRuns)
            firstChanged = std::min(firstChanged, start + k);
        row.colour = colour;
        row.line = number;
    }
    return written;
}

CRowModel::Change CRowModel::AddText(int newCount, bool lastComplete, const SendFn& send)
{
    Change change;
    if (m_busy || m_finishing) {
        m_pendingAdd += std::max(newCount, 0);
        m_pendingComplete = lastComplete;
        m_hasPendingAdd = true;
        change.deferred = true;
        return change;
    }
    m_busy = true;

    const CLineStore& lines = m_source.Lines();
    const int present = PresentLines();
    // Every session line past those with rows is new. This is normally newCount, but
    // counting from what is displayed stays right after adds were held back while lines
    // were dropped, or when a retry is overtaken by fresh text.
    const int fresh = std::max(0, static_cast<int>(lines.size()) - present);
    const int oldRowCount = RowCount();
    int firstDirty = std::max(0, oldRowCount - 1);
    bool rendered = false;
    std::string toSend;

    if (m_openLineRows > 0 && present > 0) {
        // The open line is complete once a line follows it or its line end has come.
        const bool complete = fresh > 0 || lastComplete;
        int first = 0;
        m_openLineRows = RenderLine(static_cast<std::size_t>(present - 1), complete,
                                    m_openLineStart, m_openLineRows, toSend, first);
        m_lineRows.back() = m_openLineRows;
        firstDirty = std::min(firstDirty, first);
        rendered = true;
        // The open line ends the list; a rewritten one can take fewer rows than before.
        const auto end = static_cast<std::size_t>(m_openLineStart + m_openLineRows);
        if (m_rows.size() > end)
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(end), m_rows.end());
    }
    for (int j = 0; j < fresh; ++j) {
        m_openLineStart += m_openLineRows;
        const bool complete = j < fresh - 1 || lastComplete;
        m_openLineRows = 0;
        int first = 0;
        m_openLineRows = RenderLine(static_cast<std::size_t>(present + j), complete,
                                    m_openLineStart, 0, toSend, first);
        m_lineRows.push_back(m_openLineRows);
        firstDirty = std::min(firstDirty, first);
        rendered = true;
    }
    if (lastComplete) {
        m_openLineRows = 0;
        m_openLineStart = RowCount();
    } else if (rendered) {
        RememberOpenLine(lines.size() - 1);
    }

    const int oldBottom = Bottom();
    const int oldPos = m_pos;
    SetRange();
    // Following the end, unless the reader had scrolled back before older rows went.
    const bool held = std::exchange(m_holdPosition, false);
    if (m_page <= m_max && oldPos == oldBottom && !held)
        m_pos = Bottom();
    m_pos = Clamp(m_pos);

    const int lastDirty = std::max(RowCount(), oldRowCount) - 1;
    if (rendered && lastDirty >= 0) {
        change.firstRow = std::min(firstDirty, lastDirty);
        change.lastRow = lastDirty;
    }

    m_pendingAdd = 0;
    m_hasPendingAdd = false;
    if (!toSend.empty() && send)
        send(toSend); // still busy: an echo of it is held back like any other add
    m_busy = false;
    return change;
}

CRowModel::Change CRowModel::RemoveLines(int count)
{
    Change change;
    if (count <= 0)
        return change;
    // Line numbers move up by count; what was kept for dropped lines goes with them.
    const std::size_t gone = std::min(static_cast<std::size_t>(count), m_finishedEnd);
    ForgetFinishedColours(gone);
    m_finishedEnd -= gone;
    m_finishTarget -= std::min(static_cast<std::size_t>(count), m_finishTarget);
    const int present = PresentLines();
    const int shown = std::min(count, present);
    // Dropped lines that never got rows need none removed, and must not be added later.
    m_pendingAdd = std::max(0, m_pendingAdd - (count - shown));
    if (m_busy) {
        RetainFront(shown);
        m_droppedLines += shown;
        change.deferred = true;
        return change;
    }
    m_busy = true;
    change = RemoveFront(m_droppedLines + shown);
    m_busy = false;
    return change;
}

CRowModel::Change CRowModel::RemovePending()
{
    Change change;
    if (m_busy || m_droppedLines == 0)
        return change;
    m_busy = true;
    change = RemoveFront(m_droppedLines);
    m_busy = false;
    return change;
}

CRowModel::Change CRowModel::RemoveFront(int lines)
{
    // A reader scrolled back stays off the end even when all the rows they saw go (a read
    // report can bring more lines than the buffer keeps).
    if (m_pos < Bottom())
        m_holdPosition = true;
    Change change;
    // The rows each line was given when it was last rendered, rather than a comparison of
    // the rows with the line's text: the session may already have dropped the text.
    int removed = 0;
    for (int i = 0; i < lines && !m_lineRows.empty(); ++i) {
        removed += m_lineRows.front();
        m_lineRows.pop_front();
        ++m_removedLineTotal;
    }
    m_droppedLines = 0;
    removed = std::min(removed, RowCount());
    m_rows.erase(m_rows.begin(), m_rows.begin() + removed);
    m_retainedLines.clear();
    m_retainedRuns.clear();
    if (m_lineRows.empty()) {
        // The open line went too: nothing is displayed.
        m_openLineRows = 0;
        m_openLineStart = RowCount();
    } else {
        m_openLineStart = std::max(0, m_openLineStart - removed);
    }
    change.rowsRemoved = removed;

    // The same text stays in view: the position moves up by the rows removed.
    const int newPos = m_pos - removed;
    SetRange();
    if (newPos < 0) {
        change.all = true;
        m_pos = Min();
    } else {
        m_pos = Clamp(newPos);
    }
    return change;
}

CRowModel::Change CRowModel::RewrapAll(int page)
{
    const bool atEnd = AtBottom();
    const int oldMax = m_max;
    const int oldPos = m_pos;
    const bool wasBusy = m_busy;
    m_busy = true;

    const CLineStore& lines = m_source.Lines();
    // Lines held back by a pending add keep waiting for it, so that their scripts run.
    const int count = m_hasPendingAdd ? std::min(PresentLines(), static_cast<int>(lines.size()))
                                      : static_cast<int>(lines.size());
    // The lines laid out here take their highlight colours afresh.
    if (m_finishedEnd > lines.size()) { // the list was replaced
        m_finishedEnd = lines.size();
        m_finishedUnshown = 0;
        m_finishedColours.clear();
    }
    ForgetFinishedColours(static_cast<std::size_t>(count));
    m_rows.clear();
    m_lineRows.clear();
    m_retainedLines.clear();
    m_retainedRuns.clear();
    // Lines dropped while busy lose their rows here, with every other row.
    m_removedLineTotal += static_cast<std::uint64_t>(m_droppedLines);
    m_droppedLines = 0;
    m_openLineStart = 0;
    int lastRows = 0;
    for (int i = 0; i < count; ++i) {
        const std::string_view line = lines[static_cast<std::size_t>(i)];
        const std::uint32_t colour = m_source.Highlight(line).value_or(kTextColour);
        const std::uint32_t number = LineNumber(static_cast<std::size_t>(i));
        m_openLineStart += lastRows;
        int written = 0;
        lastRows = Wrap(line, 0, [&](std::size_t off, std::size_t length) {
            m_rows.push_back(Row{number, static_cast<std::uint32_t>(off),
                                 static_cast<std::uint32_t>(length), colour, written++ > 0});
        });
        m_lineRows.push_back(lastRows);
    }
    if (m_openLineRows < 1 || count == 0) {
        m_openLineStart += lastRows;
        m_openLineRows = 0;
    } else {
        m_openLineRows = lastRows;
        RememberOpenLine(static_cast<std::size_t>(count - 1));
    }

    m_page = std::max(1, page);
    SetRange();
    bool end = atEnd;
    if (m_max < m_page)
        end = false;
    int newPos = oldPos;
    if (oldMax > 0)
        newPos = static_cast<int>(static_cast<long long>(oldPos) * m_max / oldMax);
    else
        end = true;
    newPos = std::max(newPos, 0);
    if (end || newPos > Bottom())
        newPos = Bottom();
    m_pos = Clamp(newPos);

    m_busy = wasBusy;
    Change change;
    change.all = true;
    return change;
}

CRowModel::Change CRowModel::SetPage(int page)
{
    m_page = std::max(1, page);
    SetRange();
    m_pos = Clamp(m_pos);
    Change change;
    change.all = true;
    return change;
}

void CRowModel::SetRange()
{
    m_max = std::max(RowCount() - 1, m_page - 1);
}

int CRowModel::Clamp(int pos) const
{
    return std::clamp(pos, Min(), std::max(Min(), Bottom()));
}

int CRowModel::ScrollTo(int pos)
{
    m_holdPosition = false;
    const int old = m_pos;
    m_pos = Clamp(pos);
    return m_pos - old;
}

int CRowModel::ScrollBy(Scroll request)
{
    switch (request) {
    case Scroll::LineUp:
        return ScrollTo(m_pos - 1);
    case Scroll::LineDown:
        return ScrollTo(m_pos + 1);
    case Scroll::PageUp:
        return ScrollTo(m_pos - m_page);
    case Scroll::PageDown:
        return ScrollTo(m_pos + m_page);
    case Scroll::Top:
        return ScrollTo(Min());
    case Scroll::Bottom:
        return ScrollTo(Bottom());
    }
    return 0;
}

CRowModel::Cell CRowModel::CellAt(int x, int row) const
{
    Cell cell{row, -1, 0, 0};
    if (row < 0 || row >= RowCount())
        return cell;
    const std::string_view text = RowText(row);
    cell.index = 0;
    int left = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CTextEncoding::Char c = CTextEncoding::Next(m_encoding, text, i);
        const int right = left + CodeWidth(c.code);
        cell.index = static_cast<int>(i); // the character's first byte
        cell.left = left;
        cell.right = right;
        if (x < right)
            break;
        left = right;
        i += static_cast<std::size_t>(c.length);
    }
    return cell;
}

void CRowModel::BeginSelection(const Cell& anchor)
{
    m_selecting = true;
    m_hasCurrent = false;
    m_anchor = anchor;
    m_current = Cell{};
}

void CRowModel::ExtendSelection(const Cell& current)
{
    if (!m_selecting)
        return;
    m_hasCurrent = true;
    m_current = current;
}

void CRowModel::ClearSelection()
{
    m_selecting = false;
    m_hasCurrent = false;
    m_anchor = Cell{};
    m_current = Cell{};
}

namespace {

// Reading order: higher row first, on one row the one further left.
bool Before(const CRowModel::Cell& a, const CRowModel::Cell& b)
{
    return a.row != b.row ? a.row < b.row : a.left < b.left;
}

} // namespace

std::pair<int, int> CRowModel::SelectionSpan(int row, int clientWidth) const
{
    if (!HasSelection())
        return {0, 0};
    const bool anchorFirst = !Before(m_current, m_anchor);
    const Cell& first = anchorFirst ? m_anchor : m_current;
    const Cell& last = anchorFirst ? m_current : m_anchor;
    if (row < first.row || row > last.row)
        return {0, 0};
    if (first.row == last.row)
        return {first.left, last.right};
    if (row == first.row)
        return {first.left, clientWidth};
    if (row == last.row)
        return {0, last.right};
    return {0, clientWidth};
}

std::string CRowModel::SelectedText() const
{
    std::string text;
    if (!HasSelection() || m_rows.empty())
        return text;
    const bool anchorFirst = !Before(m_current, m_anchor);
    Cell first = anchorFirst ? m_anchor : m_current;
    Cell last = anchorFirst ? m_current : m_anchor;
    if (first.row >= RowCount())
        return text;
    if (last.row >= RowCount()) {
        // Below the text: everything through the end of the last row.
        last.row = RowCount() - 1;
        last.index = static_cast<int>(RowText(m_rows.back()).size());
    }
    for (int r = first.row; r <= last.row; ++r) {
        const Row& row = m_rows[static_cast<std::size_t>(r)];
        if (r > first.row && !row.continuation)
            text += "\r\n";
        const std::string_view shown = RowText(row);
        const std::size_t from = r == first.row ? static_cast<std::size_t>(first.index) : 0;
        std::size_t to = shown.size();
        if (r == last.row && static_cast<std::size_t>(last.index) < shown.size())
            to = static_cast<std::size_t>(last.index) +
                 static_cast<std::size_t>(CharLength(shown, static_cast<std::size_t>(last.index)));
        if (from < shown.size() && to > from)
            text.append(shown, from, to - from);
    }
    return text;
}
