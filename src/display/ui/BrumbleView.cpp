#include "display/ui/BrumbleView.h"

#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStatusTipEvent>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

#include "alerts/SoundPlayer.h"
#include "alerts/ui/TimedTextDialog.h"
#include "alerts/ui/TriggersDialog.h"
#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/MessageSink.h"
#include "display/RowSource.h"
#include "display/ui/ColouredTextDialog.h"
#include "display/ui/CommandLineHost.h"
#include "display/ui/OptionsDialog.h"
#include "display/ui/ScrollbackAccessible.h"
#include "display/ui/ScrollbackText.h"
#include "display/ui/WideText.h"
#include "image/AtImageDlg.h"
#include "image/ui/AtImageDialog.h"
#include "log/ui/AutoLogDialogEditor.h"
#include "res/StringTable.h"
#include "script/ui/ScriptingDialog.h"
#include "session/BrumbleDoc.h"
#include "session/ui/ConnectDlg.h"
#include "session/ui/InputViewGuard.h"
#include "settings/SettingsStore.h"
#include "settings/ui/CopyFromDlg.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/ui/AliasesDialog.h"
#include "shortcuts/ui/KeypadDialog.h"
#include "shortcuts/ui/ShortcutsDialog.h"

namespace {

constexpr int kStringAlreadyConnected = 8005;
constexpr int kDragStatusMessage = 8019;
constexpr int kStringNotCarried = 8419;
constexpr int kSmallestTimerMs = 10;
// A default no stored colour can equal: colour references have a top byte of 0.
constexpr int kNothingStored = INT_MIN;

// The session as the row model sees it.
class CDocRowSource final : public CRowSource {
public:
    CDocRowSource(CBrumbleDoc& doc, CSessionView& view) : m_doc(doc), m_view(view) {}

    const CLineStore& Lines() const override { return m_doc.GetLines(); }
    std::optional<std::uint32_t> Highlight(std::string_view line) override
    {
        return m_doc.GetHighlight(line);
    }
    std::string ReceiveScript(std::string_view line, std::optional<std::uint32_t>& colour) override
    {
        return m_doc.GetReceiveScript(line, &m_view, colour);
    }
    void DetectImageUrls(std::string_view line) override { m_doc.DetectImageUrls(line, &m_view); }
    LineWork WorkOnLines() const override
    {
        return {m_doc.RunsReceiveScripts(), m_doc.DetectsImageUrls(&m_view)};
    }
    void ScriptCandidates(std::size_t first, std::size_t last,
                          std::vector<std::uint8_t>& out) override
    {
        m_doc.FindScriptCandidates(first, last, out);
    }
    bool IsLocalLine(std::size_t index) const override { return m_doc.IsLocalLine(index); }
    const CColourRuns* Runs(std::size_t index) const override { return m_doc.GetRuns(index); }

private:
    CBrumbleDoc& m_doc;
    CSessionView& m_view;
};

// Control codes take their width in a row but show nothing.
bool HasPicture(unsigned char c)
{
    return c >= 0x20 && c != 0x7F && (c < 0x80 || c >= 0xA0);
}

QString ToWidgetText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// 0x00BBGGRR.
QColor ToColour(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// a * b / c with a 64-bit intermediate, rounded to the nearest, halves away from zero;
// -1 for a zero divisor (as the platform's own MulDiv answers).
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude =
        (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    const long long result = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(result, INT_MIN, INT_MAX));
}

// Paths are in the file system's encoding, messages are Latin-1 text: a path with accented
// letters must read as the user named it, not as its UTF-8 bytes.
std::string NotWritableMessage(const std::string& path)
{
    const QByteArray shown =
        QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())).toLatin1();
    return "Unable to open the selected file (" + shown.toStdString() +
           ") for logging. Perhaps the file is read only.";
}

} // namespace

CBrumbleView::CBrumbleView(CBrumbleDoc& doc, CAppServices& services, CCommandLineHost* frame,
                           QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_services(services), m_frame(frame),
      m_source(std::make_unique<CDocRowSource>(doc, *this)), m_model(*m_source)
{
    setObjectName(QStringLiteral("brumbleView"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);

    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(1);
    connect(bar, &QAbstractSlider::actionTriggered, this, &CBrumbleView::OnScrollAction);
    bar->installEventFilter(this);

    m_repaintTimer.setSingleShot(true);
    connect(&m_repaintTimer, &QTimer::timeout, this, &CBrumbleView::FlushRepaint);
    CScrollbackAccessible::Install();
    m_accessibleText = std::make_unique<CScrollbackText>(m_model, *this);

    CreateDisplayFont(false);
    m_model.SetClientWidth(viewport()->width());
    m_model.RewrapAll(PageRows());
    SyncScrollBar();

    m_doc.AddView(this);
}

CBrumbleView::~CBrumbleView()
{
    m_repaintTimer.stop();
    m_timers.clear();
    m_doc.RemoveView(this);
    if (m_services.app.InputView() == this)
        m_services.app.SetInputView(nullptr);
}

// ---- Rows -------------------------------------------------------------------------------

void CBrumbleView::AddText(int newCount, bool lastComplete)
{
    const CRowModel::Change change = m_model.AddText(
        newCount, lastComplete, [this](const std::string& text) { SendLine(text); });
    if (change.deferred)
        SetWindowTimer(kAddRetryTimer, kRetryPeriodMs);
    else
        ApplyChange(change);
}

void CBrumbleView::FinishLines(bool lastComplete)
{
    m_model.FinishLines(lastComplete, [this](const std::string& text) { SendLine(text); });
}

void CBrumbleView::RemoveLines(int count)
{
    const CRowModel::Change change = m_model.RemoveLines(count);
    if (change.deferred)
        SetWindowTimer(kRemoveRetryTimer, kRetryPeriodMs);
    else
        ApplyChange(change);
}

void CBrumbleView::RewrapAll()
{
    if (m_lineHeight <= 0)
        return;
    m_model.SetEncoding(m_doc.Encoding());
    m_model.SetClientWidth(viewport()->width());
    ApplyChange(m_model.RewrapAll(PageRows()));
    FlushRepaint();
}

int CBrumbleView::WrapLine(std::string_view text, std::vector<std::string>& rows) const
{
    return m_model.WrapLine(text, rows);
}

int CBrumbleView::PageRows() const
{
    return m_lineHeight > 0 ? std::max(1, viewport()->height() / m_lineHeight) : 1;
}

// ---- Repainting -------------------------------------------------------------------------

void CBrumbleView::ApplyChange(const CRowModel::Change& change)
{
    if (change.rowsRemoved > 0) {
        // Rows moved up; so did the position, and the picture still shows the same text.
        m_shownPos -= change.rowsRemoved;
        if (m_dirtyFirst >= 0) {
            m_dirtyFirst = std::max(0, m_dirtyFirst - change.rowsRemoved);
            m_dirtyLast -= change.rowsRemoved;
            if (m_dirtyLast < 0)
                m_dirtyFirst = m_dirtyLast = -1;
        }
    }
    if (change.all)
        m_dirtyAll = true;
    if (change.firstRow >= 0) {
        m_dirtyFirst = m_dirtyFirst < 0 ? change.firstRow : std::min(m_dirtyFirst, change.firstRow);
        m_dirtyLast = std::max(m_dirtyLast, change.lastRow);
    }
    m_accessibleText->RowsChanged();
    ScheduleRepaint();
}

void CBrumbleView::ScheduleRepaint()
{
    if (m_repaintTimer.isActive())
        return;
    // While text floods in, every read changes rows; painting once per interval keeps the
    // cost of drawing independent of how the text was cut into reads.
    const qint64 since = m_sinceRepaint.isValid() ? m_sinceRepaint.elapsed() : kRepaintIntervalMs;
    m_repaintTimer.start(
        since >= kRepaintIntervalMs ? 0 : static_cast<int>(kRepaintIntervalMs - since));
}

void CBrumbleView::FlushRepaint()
{
    m_repaintTimer.stop();
    m_sinceRepaint.start();
    SyncScrollBar();

    QWidget* area = viewport();
    const int pos = m_model.Pos();
    const int delta = pos - m_shownPos;
    if (m_dirtyAll || m_lineHeight <= 0 || std::abs(delta) >= m_model.Page()) {
        area->update();
    } else {
        if (delta != 0)
            area->scroll(0, -delta * m_lineHeight); // shifts the picture, repaints the strip
        if (m_dirtyFirst >= 0) {
            const int top = (m_dirtyFirst - pos) * m_lineHeight;
            const int bottom = (m_dirtyLast - pos + 1) * m_lineHeight;
            const QRect rows = QRect(0, top, area->width(), bottom - top) & area->rect();
            if (!rows.isEmpty())
                area->update(rows);
        }
    }
    m_shownPos = pos;
    m_dirtyAll = false;
    m_dirtyFirst = m_dirtyLast = -1;
}

void CBrumbleView::SyncScrollBar()
{
    QScrollBar* bar = verticalScrollBar();
    m_syncingScrollBar = true;
    bar->setPageStep(m_model.Page());
    bar->setRange(m_model.Min(), std::max(m_model.Min(), m_model.Bottom()));
    bar->setValue(m_model.Pos());
    m_syncingScrollBar = false;
}

void CBrumbleView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    // The picture shows m_shownPos until the next repaint moves it, so exposed parts are
    // drawn at that position too.
    DrawRows(painter, event->rect(), m_shownPos);
    if (!m_model.HasSelection() || m_lineHeight <= 0)
        return;
    // The selection shows inverted, whatever the colours of the rows under it.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    const int width = viewport()->width();
    for (int i = 0; i * m_lineHeight < viewport()->height(); ++i) {
        const auto [left, right] = m_model.SelectionSpan(m_shownPos + i, width);
        if (right > left)
            painter.fillRect(QRect(left, i * m_lineHeight, right - left, m_lineHeight), Qt::black);
    }
}

// ---- Selection --------------------------------------------------------------------------

CRowModel::Cell CBrumbleView::CellFor(const QPoint& point) const
{
    const int x = std::clamp(point.x(), 0, std::max(0, viewport()->width() - 1));
    const int y = std::clamp(point.y(), 0, std::max(0, viewport()->height() - 1));
    return m_model.CellAt(x, m_model.Pos() + y / std::max(1, m_lineHeight));
}

void CBrumbleView::ShowStatus(const QString& text)
{
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(window(), &tip);
}

void CBrumbleView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_model.IsSelecting()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // Text arriving during the drag waits for the release, so the cells stay where they are.
    m_model.SetBusy(true);
    m_model.BeginSelection(CellFor(event->position().toPoint()));
    viewport()->grabMouse();
    ShowStatus(ToWidgetText(LoadString(kDragStatusMessage)));
}

void CBrumbleView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_model.IsSelecting())
        return;
    const CRowModel::Cell cell = CellFor(event->position().toPoint());
    if (!m_model.HasSelection() && cell == m_model.SelectionAnchor())
        return;
    if (m_model.HasSelection() && cell == m_model.SelectionCurrent())
        return;
    m_model.ExtendSelection(cell);
    viewport()->update();
}

void CBrumbleView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_model.IsSelecting())
        return;
    EndSelection(true);
}

bool CBrumbleView::event(QEvent* event)
{
    // The pointer taken away mid-drag (a message box, another window) ends the drag without a
    // copy; otherwise the rows would stay held back and new text would never show.
    if (m_model.IsSelecting() &&
        (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide))
        EndSelection(false);
    return QAbstractScrollArea::event(event);
}

bool CBrumbleView::CopySelection()
{
    const std::string text = m_model.SelectedText();
    if (text.empty())
        return false; // an empty selection leaves the clipboard alone
    QGuiApplication::clipboard()->setText(CTextEncoding::Decode(m_model.Encoding(), text));
    return true;
}

void CBrumbleView::EndSelection(bool copy)
{
    viewport()->releaseMouse();
    if (copy && m_model.HasSelection())
        CopySelection();
    const bool highlighted = m_model.HasSelection();
    m_model.ClearSelection();
    m_model.SetBusy(false);
    if (highlighted)
        viewport()->update();
    ShowStatus(QString());
    if (m_frame)
        m_frame->FocusCommandLine();
}

void CBrumbleView::DrawRows(QPainter& painter, const QRect& clip, int topRow)
{
    if (clip.isEmpty() || m_lineHeight <= 0)
        return;
    // Read at every paint, so that a change of the options shows at once.
    const int background = ReadHostInt("Colour", "Display", "Colour", -1);
    if (background != -1)
        painter.fillRect(clip, ToColour(static_cast<std::uint32_t>(background)));
    // Black, the built-in text colour, is unreadable on the dark window background of a dark
    // desktop theme; where nothing is stored and the window keeps its own background, the
    // text takes the theme's text colour instead.
    const int storedText = ReadHostInt("Text Colour", "Display", "Text Colour", kNothingStored);
    QColor textColour;
    if (storedText != kNothingStored)
        textColour = ToColour(static_cast<std::uint32_t>(storedText));
    else if (background == -1)
        textColour = viewport()->palette().color(QPalette::Text);
    else
        textColour = ToColour(0);

    painter.save();
    painter.setFont(m_font);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setClipRect(clip);
    // Reverse video of the default colours shows the window's background as text.
    const QColor backColour = background != -1
                                  ? ToColour(static_cast<std::uint32_t>(background))
                                  : viewport()->palette().color(viewport()->backgroundRole());
    const auto& rows = m_model.Rows();
    const int first = std::max(0, clip.top()) / m_lineHeight;
    int y = first * m_lineHeight;
    long long index = static_cast<long long>(topRow) + first;
    while (y <= clip.bottom() && index < static_cast<long long>(rows.size())) {
        if (index >= 0) {
            const CRowModel::Row& row = rows[static_cast<std::size_t>(index)];
            const CColourRuns runs = (row.colour >> 24) != 0 ? m_model.RowRuns(row) : CColourRuns{};
            if (!runs.empty()) {
                DrawRowRuns(painter, m_model.RowText(row), runs, y, textColour, backColour);
            } else {
                painter.setPen((row.colour >> 24) == 0 ? ToColour(row.colour) : textColour);
                DrawRow(painter, m_model.RowText(row), y + m_ascent);
            }
        }
        y += m_lineHeight;
        ++index;
    }
    painter.restore();
}

int CBrumbleView::TextWidth(std::string_view text) const
{
    if (m_model.Encoding() == CTextEncoding::Kind::Latin1) {
        int width = 0;
        for (const char ch : text)
            width += m_model.CharWidth(static_cast<unsigned char>(ch));
        return width;
    }
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CTextEncoding::Char ch = CTextEncoding::Next(m_model.Encoding(), text, i);
        i += static_cast<std::size_t>(ch.length);
        width += m_model.CodeWidth(ch.code);
    }
    return width;
}

void CBrumbleView::DrawRowRuns(QPainter& painter, std::string_view text, const CColourRuns& runs,
                               int top, const QColor& textColour, const QColor& backColour)
{
    CAnsiAttributes attributes;
    std::size_t from = 0;
    int x = 0;
    for (std::size_t k = 0; k <= runs.size(); ++k) {
        const std::size_t to =
            k < runs.size() ? std::clamp(static_cast<std::size_t>(std::max(runs[k].start, 0)), from,
                                         text.size())
                            : text.size();
        if (to > from) {
            const std::string_view piece = text.substr(from, to - from);
            const int width = TextWidth(piece);
            const CAnsiAttributes::Resolved colours = attributes.Resolve();
            const bool swapped = colours.swappedDefaults;
            if (colours.background != CAnsiAttributes::kDefault)
                painter.fillRect(QRect(x, top, width, m_lineHeight), ToColour(colours.background));
            else if (swapped)
                painter.fillRect(QRect(x, top, width, m_lineHeight), textColour);
            painter.setPen(colours.foreground != CAnsiAttributes::kDefault
                               ? ToColour(colours.foreground)
                               : (swapped ? backColour : textColour));
            DrawRow(painter, piece, top + m_ascent, x);
            x += width;
            from = to;
        }
        if (k < runs.size())
            attributes = runs[k].attributes;
    }
}

void CBrumbleView::DrawRow(QPainter& painter, std::string_view text, int baseline, int left)
{
    // The wrap measured the row with the whole-pixel widths of the table; the font's own
    // (fractional) advances would draw it wider or narrower than that, cutting characters off
    // at the right edge. So every character goes exactly where the table puts it.
    m_runGlyphs.clear();
    m_runPositions.clear();
    int x = left;
    const bool bytes = m_model.Encoding() == CTextEncoding::Kind::Latin1;
    for (std::size_t i = 0; i < text.size();) {
        // A character of several bytes (or a byte shown as U+FFFD) is one cell.
        const CTextEncoding::Char ch =
            bytes ? CTextEncoding::Char{static_cast<unsigned char>(text[i]), 1}
                  : CTextEncoding::Next(m_model.Encoding(), text, i);
        i += static_cast<std::size_t>(ch.length);
        if (ch.code >= 256) {
            DrawWideChar(painter, ch.code, x, baseline);
            x += m_model.CodeWidth(ch.code);
            continue;
        }
        const auto c = static_cast<unsigned char>(ch.code);
        if (m_glyphs[c] != 0) {
            m_runGlyphs.push_back(m_glyphs[c]);
            m_runPositions.emplace_back(x, 0);
        } else if (HasPicture(c)) {
            // Not in the display font: the platform finds it in another one.
            painter.drawText(QPoint(x, baseline), QString(QChar(static_cast<char16_t>(c))));
        }
        x += m_model.CharWidth(c);
    }
    if (m_runGlyphs.empty())
        return;
    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setRawData(m_runGlyphs.data(), m_runPositions.data(), static_cast<int>(m_runGlyphs.size()));
    run.setUnderline(m_font.underline());
    run.setStrikeOut(m_font.strikeOut());
    painter.drawGlyphRun(QPointF(0, baseline), run);
}

// ---- Font -------------------------------------------------------------------------------

void CBrumbleView::CreateDisplayFont(bool redraw)
{
    CSettingsStore& store = m_services.settings;
    // Servers draw maps, tables and pictures in characters of one width; without a stored
    // font, the desktop's fixed-width font keeps them in line.
    const QFont base = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    int basePixels = base.pixelSize();
    if (basePixels <= 0)
        basePixels = std::max(1, qRound(base.pointSizeF() * dpi / 72.0));

    // Sizes are stored as negative pixel heights and carried between the layers in points,
    // so that a size chosen on one screen keeps its point size on another.
    int points = -MulDiv(-basePixels, 72, dpi);
    std::string face =
        store.ReadString("Display", "Font Face", base.family().toLatin1().toStdString());
    int size = store.ReadInt("Display", "Font Size", -MulDiv(points, dpi, 72));
    points = -MulDiv(size, 72, dpi);
    int weight = store.ReadInt("Display", "Font Weight", base.weight());
    int italic = store.ReadInt("Display", "Font Style", base.italic() ? 1 : 0);
    int underline = base.underline() ? 1 : 0;
    int strikeOut = base.strikeOut() ? 1 : 0;

    const std::string host = m_doc.GetHostName();
    if (!host.empty()) {
        face = store.ReadString(host, "Font Face", face);
        size = store.ReadInt(host, "Font Size", -MulDiv(points, dpi, 72));
        points = -MulDiv(size, 72, dpi);
        weight = store.ReadInt(host, "Font Weight", weight);
        italic = store.ReadInt(host, "Font Italic", italic);
        underline = store.ReadInt(host, "Font Underline", underline);
        strikeOut = store.ReadInt(host, "Font Strikeout", strikeOut);
    }

    const int height = -MulDiv(points, dpi, 72);
    int pixels = std::abs(height);
    if (pixels == 0 || pixels > 1000)
        pixels = basePixels; // a damaged setting must not give an invisible or huge font

    QFont display(ToWidgetText(face));
    display.setPixelSize(pixels);
    display.setWeight(static_cast<QFont::Weight>(weight <= 0 ? 400 : std::clamp(weight, 1, 1000)));
    display.setItalic(italic != 0);
    display.setUnderline(underline != 0);
    display.setStrikeOut(strikeOut != 0);
    // Rows are measured character by character; kerning would make the drawn text differ.
    display.setKerning(false);
    m_font = display;

    const QFontMetrics metrics(m_font);
    m_lineHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    std::array<int, 256> widths{};
    for (int c = 0; c < 256; ++c)
        widths[static_cast<std::size_t>(c)] = metrics.horizontalAdvance(QChar(c));
    m_model.SetWidthTable(widths, metrics.maxWidth());
    m_model.SetEncoding(m_doc.Encoding());
    m_model.SetWideCharWidth(WideCharMeasure(m_font));
    m_wideGlyphs.clear();

    m_rawFont = QRawFont::fromFont(m_font);
    m_glyphs.fill(0);
    if (m_rawFont.isValid()) {
        for (int c = 0; c < 256; ++c) {
            if (!HasPicture(static_cast<unsigned char>(c)))
                continue;
            const QChar ch(c);
            quint32 glyph = 0;
            int count = 1;
            if (m_rawFont.supportsCharacter(ch) &&
                m_rawFont.glyphIndexesForChars(&ch, 1, &glyph, &count) && count == 1)
                m_glyphs[static_cast<std::size_t>(c)] = glyph;
        }
    }

    if (redraw) {
        ApplyChange(m_model.SetPage(PageRows()));
        FlushRepaint();
    }
}

// ---- Scrolling --------------------------------------------------------------------------

void CBrumbleView::ScrollRows(int delta)
{
    m_model.ScrollTo(m_model.Pos() + delta);
    FlushRepaint();
}

void CBrumbleView::OnVScroll(CRowModel::Scroll request)
{
    m_model.ScrollBy(request);
    FlushRepaint();
}

void CBrumbleView::OnScrollAction(int action)
{
    CRowModel::Scroll request;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        request = CRowModel::Scroll::LineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        request = CRowModel::Scroll::LineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        request = CRowModel::Scroll::PageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        request = CRowModel::Scroll::PageDown;
        break;
    case QAbstractSlider::SliderToMinimum:
        request = CRowModel::Scroll::Top;
        break;
    case QAbstractSlider::SliderToMaximum:
        request = CRowModel::Scroll::Bottom;
        break;
    default:
        return; // dragging and the wheel give the position itself
    }
    // While text floods in the bar can lag the rows by a frame; steps count from the rows.
    SyncScrollBar();
    m_model.ScrollBy(request);
    verticalScrollBar()->setSliderPosition(m_model.Pos());
}

void CBrumbleView::scrollContentsBy(int dx, int dy)
{
    static_cast<void>(dx);
    static_cast<void>(dy);
    if (m_syncingScrollBar)
        return;
    m_model.ScrollTo(verticalScrollBar()->value());
    FlushRepaint();
}

bool CBrumbleView::eventFilter(QObject* watched, QEvent* event)
{
    // The end of a scroll with the mouse gives the keyboard back to the command line.
    if (watched == verticalScrollBar() && event->type() == QEvent::MouseButtonRelease && m_frame)
        m_frame->FocusCommandLine();
    return QAbstractScrollArea::eventFilter(watched, event);
}

void CBrumbleView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_lineHeight != 0)
        RewrapAll();
}

void CBrumbleView::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    ApplyChange(m_model.SetPage(PageRows()));
    FlushRepaint();
    // The command line waits for the connection (a fast one may already be there).
    if (m_frame)
        m_frame->EnableCommandLine(m_doc.IsConnected());
}

void CBrumbleView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_services.app.SetInputView(this);
}

void CBrumbleView::keyPressEvent(QKeyEvent* event)
{
    // The scrollback only has the keyboard after a click into it; what is typed then belongs
    // on the command line, where Enter sends it.
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // AltGr arrives as Ctrl+Alt on some platforms: what it types is text, not a command.
    const bool altGr = (modifiers & Qt::GroupSwitchModifier) ||
                       (modifiers & (Qt::ControlModifier | Qt::AltModifier)) ==
                           (Qt::ControlModifier | Qt::AltModifier);
    const bool command = !altGr && (modifiers & (Qt::ControlModifier | Qt::MetaModifier));
    const bool typed = !event->text().isEmpty() && event->text().front().isPrint();
    if (m_frame && !command && (typed || event->key() == Qt::Key_Backspace)) {
        m_frame->TypeIntoCommandLine(*event);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// ---- Timers -----------------------------------------------------------------------------

void CBrumbleView::SetWindowTimer(int id, int periodMs)
{
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        // A coarse timer may fire up to 5% early: the title's minute would then lag behind
        // the time connected, and a script's "every 10 seconds" would run short.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(std::max(periodMs, kSmallestTimerMs));
}

void CBrumbleView::KillWindowTimer(int id)
{
    auto it = m_timers.find(id);
    if (it != m_timers.end())
        it->second->stop();
}

bool CBrumbleView::IsWindowTimerActive(int id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

int CBrumbleView::WindowTimerInterval(int id) const
{
    auto it = m_timers.find(id);
    return it == m_timers.end() ? -1 : it->second->interval();
}

void CBrumbleView::SetTimedTextTimer(int seconds)
{
    KillWindowTimer(kTimedTextTimer);
    if (seconds > 0)
        SetWindowTimer(kTimedTextTimer, static_cast<int>(std::min<long long>(
                                            static_cast<long long>(seconds) * 1000, INT_MAX)));
}

void CBrumbleView::OnTimer(int id)
{
    switch (id) {
    case kTitleTimer:
        m_doc.UpdateTitle();
        return;
    case kTimedTextTimer:
        m_doc.SendTimedText();
        return;
    case kAddRetryTimer:
        if (m_model.IsBusy())
            return; // keeps running until the rows are free
        KillWindowTimer(kAddRetryTimer);
        if (m_model.HasPendingAdd())
            AddText(m_model.PendingAddCount(), m_model.PendingComplete());
        return;
    case kRemoveRetryTimer:
        if (m_model.IsBusy())
            return;
        KillWindowTimer(kRemoveRetryTimer);
        if (m_model.PendingRemoveCount() > 0)
            ApplyChange(m_model.RemovePending());
        return;
    default:
        break;
    }
    if (id >= kFirstScriptTimer) {
        const std::string text = m_doc.GetTimerScript(id - kFirstScriptTimer, this);
        if (!text.empty())
            SendLine(text);
    }
}

// ---- Sending ----------------------------------------------------------------------------

int CBrumbleView::ReadHostInt(const char* entry, const char* globalSection, const char* globalEntry,
                              int def)
{
    CSettingsStore& store = m_services.settings;
    const int global = globalSection ? store.ReadInt(globalSection, globalEntry, def) : def;
    const std::string host = m_doc.GetHostName();
    // Without a connection there is no host section; reading one named "" would create it.
    return host.empty() ? global : store.ReadInt(host, entry, global);
}

void CBrumbleView::OnEnter()
{
    if (!m_frame)
        return;
    std::optional<std::string> typed = m_frame->GetCommandText();
    if (!typed) {
        // Sent as '?' the text would mean something else; the user decides what to do.
        RefuseTypedText();
        return;
    }
    std::string text = std::move(*typed);
    // A line typed while the server echoes (a password) is not kept.
    if (!m_doc.ServerEchoes())
        m_frame->AddToHistory(text, ReadHostInt("History", "Display", "Commands", 50));
    ExpandIfAlias(text);
    text += "\r\n";
    SendLine(text);
    m_frame->ClearCommandText();
}

bool CBrumbleView::SendTyped(const QString& text)
{
    std::string bytes;
    if (!m_doc.EncodeTyped(text, bytes)) {
        RefuseTypedText();
        return false;
    }
    SendLine(bytes);
    return true;
}

void CBrumbleView::RefuseTypedText()
{
    ShowMessage(LoadString(kStringNotCarried));
}

void CBrumbleView::SendLine(const std::string& text)
{
    m_doc.SendCommand(text);
    if (IsLocalEcho() && !m_doc.ServerEchoes())
        m_doc.EchoText(text);
}

void CBrumbleView::OnServerEchoChanged(bool serverEchoes)
{
    if (m_frame)
        m_frame->MaskCommandLine(serverEchoes);
}

bool CBrumbleView::SendCtrlChar(char c)
{
    if (!IsSendCtrl())
        return false;
    SendLine(std::string(1, c));
    return true;
}

bool CBrumbleView::IsSendCtrl()
{
    return ReadHostInt("Send Ctrl", nullptr, nullptr, 0) != 0;
}

bool CBrumbleView::SendFunctionKey(std::uint32_t keyCode)
{
    // Sent as stored: no alias expansion, and "$" means nothing here.
    std::string text;
    if (!m_doc.FindShortcut(keyCode, text))
        return false;
    SendLine(text + "\r\n");
    return true;
}

bool CBrumbleView::SendKeypadKey(std::uint32_t keyCode)
{
    std::string text;
    if (!m_doc.FindKeypadCommands(keyCode, text))
        return false;
    SendLine(text + "\r\n");
    return true;
}

bool CBrumbleView::HasHelpKeyShortcut(std::uint32_t keyCode) const
{
    std::string text;
    return m_doc.FindShortcut(keyCode, text);
}

bool CBrumbleView::IsLocalEcho()
{
    return m_localEcho.Get(m_services.settings, m_doc.GetHostName(), [this] {
        return ReadHostInt("Local Echo", "Options", "Local Echo", 1) == 1;
    });
}

void CBrumbleView::ExpandIfAlias(std::string& text)
{
    if (!text.empty() && text.front() == m_doc.GetAliasChar())
        m_doc.ExpandAlias(text);
}

void CBrumbleView::OnConnectionChanged(bool connected)
{
    if (m_frame)
        m_frame->EnableCommandLine(connected);
    if (connected)
        SetWindowTimer(kTitleTimer, kTitlePeriodMs);
    else
        KillWindowTimer(kTitleTimer);
    m_doc.UpdateTitle();
    if (!connected)
        return;
    if (!m_services.app.pendingCommand.empty()) {
        // Emptied first: it is sent once, whatever sending it leads to.
        const std::string command = m_services.app.pendingCommand + "\r\n";
        m_services.app.pendingCommand.clear();
        m_doc.SendCommand(command);
    }
    const std::string script = m_doc.GetConnectScript(this);
    if (!script.empty())
        m_doc.SendCommand(script);
}

// ---- Commands ---------------------------------------------------------------------------

void CBrumbleView::ShowMessage(const std::string& text)
{
    m_services.messages.ShowMessage(text, CMessageSink::Icon::Exclamation,
                                    CMessageSink::Buttons::Ok);
}

std::optional<std::string> CBrumbleView::ChooseFile(const FileRequest& request)
{
    CInputViewGuard guard(m_services.app);
    return chooseFile ? chooseFile(request) : DefaultChooseFile(request);
}

std::optional<std::string> CBrumbleView::DefaultChooseFile(const FileRequest& request)
{
    QFileDialog dialog(this);
    dialog.setNameFilter(QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        dialog.selectFile(ToWidgetText(request.defaultName));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toLocal8Bit().toStdString();
}

void CBrumbleView::OnFileOpenConnection()
{
    if (m_doc.IsConnected() &&
        m_services.messages.ShowMessage(LoadString(kStringAlreadyConnected),
                                        CMessageSink::Icon::Exclamation,
                                        CMessageSink::Buttons::YesNo) != CMessageSink::Answer::Yes)
        return;
    CInputViewGuard guard(m_services.app);
    CConnectDlg dlg(m_services, this);
    if (dlg.exec() == QDialog::Accepted)
        m_doc.OpenSession(dlg.Host(), dlg.Port());
}

void CBrumbleView::OnFileSaveText()
{
    const std::optional<std::string> path = ChooseFile({true, "brumble"});
    if (!path)
        return;
    if (!m_doc.SaveText(*path))
        ShowMessage(NotWritableMessage(*path));
}

void CBrumbleView::OnToolsLogText()
{
    if (m_doc.IsLogging()) {
        m_doc.SetLogFile(std::nullopt);
        return;
    }
    const std::optional<std::string> path = ChooseFile({true, "log"});
    if (!path)
        return;
    if (!m_doc.SetLogFile(*path))
        ShowMessage(NotWritableMessage(*path));
}

void CBrumbleView::OnEditInsertFile()
{
    if (!m_doc.IsConnected()) {
        m_services.sound.Beep();
        return;
    }
    const std::optional<std::string> path = ChooseFile({false, {}});
    if (!path)
        return;
    QFile file(QString::fromLocal8Bit(path->data(), static_cast<qsizetype>(path->size())));
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage("Unable to open the selected file.");
        return;
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ShowMessage("Unable to open the selected file.");
        return;
    }
    // Line by line, as a text file reads: LF or CR LF ends a line, a last line without one
    // still counts.
    qsizetype start = 0;
    while (start < contents.size()) {
        qsizetype end = contents.indexOf('\n', start);
        if (end < 0)
            end = contents.size();
        qsizetype length = end - start;
        if (length > 0 && contents.at(start + length - 1) == '\r')
            --length;
        SendLine(std::string(contents.constData() + start, static_cast<std::size_t>(length)) +
                 "\r\n");
        start = end + 1;
    }
}

void CBrumbleView::OnEditPaste(PasteSource source)
{
    if (!m_doc.IsConnected()) {
        // Pasted lines would only be echoed, never sent.
        m_services.sound.Beep();
        return;
    }
    if (!m_frame)
        return;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QClipboard::Mode mode =
        source == PasteSource::Selection ? QClipboard::Selection : QClipboard::Clipboard;
    const QString text = clipboard ? clipboard->text(mode) : QString();
    if (text.isEmpty())
        return;
    // Clipboards here end lines with LF alone (now and then CR alone); a server expects CR LF
    // and echoes a bare LF as a step sideways. The text stays characters until it is sent.
    QString pasted;
    pasted.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            pasted += QStringLiteral("\r\n");
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            pasted += c;
        }
    }
    m_frame->PasteIntoCommandLine(*this, pasted);
}

void CBrumbleView::OnToolsLocalEcho()
{
    const std::string host = m_doc.GetHostName();
    if (host.empty())
        return;
    m_services.settings.WriteInt(host, "Local Echo", IsLocalEcho() ? 0 : 1);
}

bool CBrumbleView::OnToolsAliases()
{
    CAliasesDlg* aliases = m_doc.Aliases();
    return aliases != nullptr && EditAliases(*aliases, m_services, this);
}

bool CBrumbleView::OnToolsTriggers()
{
    return m_doc.EditTriggers(
        [this](CTriggersDlg& triggers) { return ::EditTriggers(triggers, m_services, this); });
}

bool CBrumbleView::OnToolsScripting()
{
    return m_doc.EditScripts(
        [this](CScriptingDlg& scripts) { return ::EditScripts(scripts, m_services, this); });
}

bool CBrumbleView::OnToolsTimedText()
{
    return m_doc.EditTimedText(
        [this](CTimedTextDlg& timedText) { return ::EditTimedText(timedText, m_services, this); });
}

bool CBrumbleView::OnToolsColouredText()
{
    return m_doc.EditHighlights([this](CColouredTextDlg& highlights) {
        return EditColouredText(highlights, m_services, this);
    });
}

bool CBrumbleView::OnToolsShortcutKeys()
{
    CShortcutsDlg* keys = m_doc.FunctionKeys();
    return keys != nullptr && EditShortcuts(*keys, m_services, this);
}

bool CBrumbleView::OnToolsKeypadKeys()
{
    CKeypadDlg* keypad = m_doc.Keypad();
    return keypad != nullptr && EditKeypad(*keypad, m_services, this);
}

bool CBrumbleView::OnToolsOptions()
{
    const std::string host = m_doc.GetHostName();
    if (host.empty())
        return false;
    COptionsDlg options(m_services.settings, host, m_services.random, logicalDpiY());
    {
        CInputViewGuard guard(m_services.app);
        if (!EditOptions(options, m_services.messages, this))
            return false;
    }
    m_doc.RefreshViews();
    RewrapAll();
    return true;
}

bool CBrumbleView::OnToolsCopyFrom()
{
    const bool copied = m_doc.CopySettingsFrom(
        [this](const std::string& host) { return ChooseCopySource(m_services, host, this); },
        logicalDpiY());
    if (!copied)
        return false;
    m_doc.RefreshViews();
    RewrapAll();
    return true;
}

bool CBrumbleView::OnToolsAutoLog()
{
    CAutoLogDialogEditor editor(m_services, this);
    return m_doc.EditAutoLog(editor);
}

bool CBrumbleView::OnToolsAtImage()
{
    CAtImageDlg* settings = m_doc.ImageSettings();
    return settings != nullptr && EditImageSettings(*settings, m_services, this);
}

void CBrumbleView::OnFilePrint()
{
    QPrinter printer;
    {
        CInputViewGuard guard(m_services.app);
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    Print(printer);
}

bool CBrumbleView::Print(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The text keeps the size it has on the screen.
    const double scale = static_cast<double>(printer.logicalDpiY()) / std::max(1, logicalDpiY());
    painter.scale(scale, scale);
    const QRect page(0, 0, static_cast<int>(printer.width() / scale),
                     static_cast<int>(printer.height() / scale));
    DrawRows(painter, page, m_model.Pos());
    return painter.end();
}
