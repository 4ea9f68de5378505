#include "display/ui/ScrollbackAccessible.h"

#include <algorithm>

#include "display/ui/BrumbleView.h"
#include "display/ui/ScrollbackText.h"

namespace {

QAccessibleInterface* ScrollbackFactory(const QString& key, QObject* object)
{
    static_cast<void>(key);
    if (auto* view = qobject_cast<CBrumbleView*>(object))
        return new CScrollbackAccessible(view);
    return nullptr;
}

} // namespace

CScrollbackAccessible::CScrollbackAccessible(CBrumbleView* view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

void CScrollbackAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(ScrollbackFactory);
        return true;
    }();
    static_cast<void>(installed);
}

CBrumbleView* CScrollbackAccessible::View() const
{
    return static_cast<CBrumbleView*>(widget());
}

CScrollbackText& CScrollbackAccessible::Text() const
{
    return View()->AccessibleText();
}

QAccessible::State CScrollbackAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    s.focusable = true;
    return s;
}

QString CScrollbackAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return Text().Text();
    QString result = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && result.isEmpty())
        result = QStringLiteral("Received text");
    return result;
}

void* CScrollbackAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

// The selection belongs to the mouse and lasts only while a button is held (the release
// copies it), so a screen reader neither sees nor makes one.
void CScrollbackAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    static_cast<void>(selectionIndex);
    *startOffset = *endOffset = 0;
}

int CScrollbackAccessible::selectionCount() const
{
    return 0;
}

void CScrollbackAccessible::addSelection(int startOffset, int endOffset)
{
    static_cast<void>(startOffset);
    static_cast<void>(endOffset);
}

void CScrollbackAccessible::removeSelection(int selectionIndex)
{
    static_cast<void>(selectionIndex);
}

void CScrollbackAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    static_cast<void>(selectionIndex);
    static_cast<void>(startOffset);
    static_cast<void>(endOffset);
}

int CScrollbackAccessible::cursorPosition() const
{
    const int count = characterCount();
    const int caret = Text().Caret();
    return caret < 0 ? count : std::min(caret, count);
}

void CScrollbackAccessible::setCursorPosition(int position)
{
    const int count = characterCount();
    // Moving to the very end makes the reading position follow the text as it arrives.
    Text().SetCaret(position >= count ? -1 : std::max(0, position));
    scrollToSubstring(position, position);
}

QString CScrollbackAccessible::text(int startOffset, int endOffset) const
{
    const QString& all = Text().Text();
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, all.size());
    const qsizetype end = std::clamp<qsizetype>(endOffset, start, all.size());
    return all.mid(start, end - start);
}

int CScrollbackAccessible::characterCount() const
{
    return static_cast<int>(Text().Text().size());
}

QRect CScrollbackAccessible::characterRect(int offset) const
{
    const CBrumbleView* view = View();
    const CRowModel& model = view->Model();
    if (offset < 0 || offset >= characterCount() || model.RowCount() == 0)
        return {};
    const int row = Text().RowAt(offset);
    const std::string& shown = model.Rows()[static_cast<std::size_t>(row)].text;
    const int index = offset - Text().RowStart(row);
    int x = 0;
    for (int i = 0; i < index && i < static_cast<int>(shown.size()); ++i)
        x += model.CharWidth(static_cast<unsigned char>(shown[static_cast<std::size_t>(i)]));
    // A line end sits after its row's last character and has no width.
    const int width = index < static_cast<int>(shown.size())
                          ? model.CharWidth(static_cast<unsigned char>(shown[index]))
                          : 0;
    const int y = (row - model.Pos()) * view->LineHeight();
    const QPoint topLeft = view->viewport()->mapToGlobal(QPoint(x, y));
    return QRect(topLeft, QSize(width, view->LineHeight()));
}

int CScrollbackAccessible::offsetAtPoint(const QPoint& point) const
{
    const CBrumbleView* view = View();
    const QWidget* area = view->viewport();
    const QPoint local = area->mapFromGlobal(point);
    if (!area->rect().contains(local) || view->LineHeight() <= 0)
        return -1;
    const CRowModel& model = view->Model();
    const int row = model.Pos() + local.y() / view->LineHeight();
    const CRowModel::Cell cell = model.CellAt(local.x(), row);
    if (cell.index < 0)
        return -1;
    return Text().RowStart(row) + cell.index;
}

void CScrollbackAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    static_cast<void>(endIndex);
    CBrumbleView* view = View();
    const CRowModel& model = view->Model();
    const int row = Text().RowAt(std::clamp(startIndex, 0, characterCount()));
    if (row < model.Pos())
        view->ScrollRows(row - model.Pos());
    else if (row >= model.Pos() + model.Page())
        view->ScrollRows(row - (model.Pos() + model.Page() - 1));
}

QString CScrollbackAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    static_cast<void>(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
