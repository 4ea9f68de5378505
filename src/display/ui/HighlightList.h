#pragma once
// The list area of the Coloured Text Highlights dialog: it draws each entry in the entry's
// own colour on the session's background, in the session's display font, so the user sees
// the highlight as the window will show it. Scrolls by rows vertically and by pixels
// horizontally; one blank row always follows the entries, to be double-clicked for a new
// one. It only shows rows and reports clicks by row; the dialog decides what they do.

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QString>

#include <vector>

class CHighlightList final : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Row {
        QString text;
        QColor colour;
    };

    explicit CHighlightList(QWidget* parent = nullptr);

    // The font rows are drawn in; a row is its cell height + 1 pixels high.
    void SetListFont(const QFont& font);
    const QFont& ListFont() const { return m_font; }
    void SetBackground(const QColor& colour);
    const QColor& Background() const { return m_background; }
    // Replaces the rows, recomputes both scroll ranges (keeping the positions within them)
    // and repaints.
    void SetRows(std::vector<Row> rows);
    const std::vector<Row>& Rows() const { return m_rows; }

    int RowHeight() const { return m_rowHeight; }
    // Rows that fit the area (at least 1).
    int PageRows() const;
    // The row index under a point of the area; an index at or past the count is blank.
    int RowAt(const QPoint& areaPos) const;
    // The area position of the top-left corner of a row (for tests and menus).
    QPoint RowPos(int row) const;

Q_SIGNALS:
    void RowDoubleClicked(int row);
    void RowMenuRequested(int row, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UpdateRanges();

    std::vector<Row> m_rows;
    QFont m_font;
    QColor m_background = Qt::white;
    int m_rowHeight = 1;
    int m_ascent = 0;
    int m_widest = 0;
};
