#include "display/ui/HighlightList.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

CHighlightList::CHighlightList(QWidget* parent) : QAbstractScrollArea(parent)
{
    // Both bars are always there, as the dialog's own controls.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    viewport()->setAutoFillBackground(false);
    SetListFont(font());
}

void CHighlightList::SetListFont(const QFont& font)
{
    m_font = font;
    const QFontMetrics metrics(m_font);
    m_rowHeight = std::max(1, metrics.height() + 1);
    m_ascent = metrics.ascent();
    SetRows(std::move(m_rows));
}

void CHighlightList::SetBackground(const QColor& colour)
{
    m_background = colour;
    viewport()->update();
}

void CHighlightList::SetRows(std::vector<Row> rows)
{
    m_rows = std::move(rows);
    const QFontMetrics metrics(m_font);
    m_widest = 0;
    for (const Row& row : m_rows)
        m_widest = std::max(m_widest, metrics.horizontalAdvance(row.text));
    UpdateRanges();
    viewport()->update();
}

int CHighlightList::PageRows() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

int CHighlightList::RowAt(const QPoint& areaPos) const
{
    return areaPos.y() / m_rowHeight + verticalScrollBar()->value();
}

QPoint CHighlightList::RowPos(int row) const
{
    return QPoint(0, (row - verticalScrollBar()->value()) * m_rowHeight);
}

void CHighlightList::UpdateRanges()
{
    // The ranges run to one blank row past the entries and to the widest text; a bar's
    // largest position leaves a full page in view, so both stop where the last row or the
    // widest text's end just shows.
    const int page = PageRows();
    const int rowRange = std::max(static_cast<int>(m_rows.size()), page - 1);
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(0, rowRange - page + 1));

    const int width = std::max(1, viewport()->width());
    const int pixelRange = std::max(m_widest, width - 1);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(width);
    horizontal->setRange(0, std::max(0, pixelRange - width + 1));
}

void CHighlightList::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.fillRect(clip, m_background);
    painter.setFont(m_font);
    painter.setClipRect(clip);
    const int top = verticalScrollBar()->value();
    const int x = -horizontalScrollBar()->value();
    const int first = std::max(0, clip.top()) / m_rowHeight;
    for (int y = first * m_rowHeight, index = top + first;
         y <= clip.bottom() && index < static_cast<int>(m_rows.size()); y += m_rowHeight, ++index) {
        const Row& row = m_rows[static_cast<std::size_t>(index)];
        painter.setPen(row.colour);
        painter.drawText(QPoint(x, y + m_ascent), row.text);
    }
}

void CHighlightList::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateRanges();
}

void CHighlightList::scrollContentsBy(int dx, int dy)
{
    // Shift what is drawn and repaint only the strips uncovered.
    viewport()->scroll(dx, dy * m_rowHeight);
}

void CHighlightList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT RowDoubleClicked(RowAt(event->position().toPoint()));
}

void CHighlightList::contextMenuEvent(QContextMenuEvent* event)
{
    Q_EMIT RowMenuRequested(RowAt(event->pos()), event->globalPos());
}
