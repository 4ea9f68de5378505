#include "display/ui/ScrollbackAccessible.h"

#include <algorithm>
#include <vector>

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

// One character of a row as the screen reader reads it: where its bytes start, its offset
// in the row's accessible text, its left edge and its width.
struct ShownChar {
    std::size_t byte;
    int textIndex;
    int x;
    int width;
};

// A row's characters in the host's encoding, ending with an entry for the row's end.
std::vector<ShownChar> ShownChars(const CRowModel& model, std::string_view text)
{
    std::vector<ShownChar> chars;
    chars.reserve(text.size() + 1);
    int textIndex = 0;
    int x = 0;
    for (std::size_t i = 0; i < text.size();) {
        const CTextEncoding::Char ch = CTextEncoding::Next(model.Encoding(), text, i);
        const int width = model.CodeWidth(ch.code);
        chars.push_back({i, textIndex, x, width});
        i += static_cast<std::size_t>(ch.length);
        textIndex += ch.code >= 0x10000 ? 2 : 1; // beyond the BMP: two UTF-16 units
        x += width;
    }
    chars.push_back({text.size(), textIndex, x, 0});
    return chars;
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
    const int index = offset - Text().RowStart(row);
    const std::vector<ShownChar> chars = ShownChars(model, model.RowText(row));
    // A line end sits after its row's last character and has no width.
    const auto at = std::find_if(chars.begin(), chars.end(),
                                 [index](const ShownChar& c) { return c.textIndex >= index; });
    const int x = at != chars.end() ? at->x : chars.back().x;
    const int width = at != chars.end() ? at->width : 0;
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
    // The cell's index counts bytes; the accessible text counts characters.
    const std::vector<ShownChar> chars = ShownChars(model, model.RowText(row));
    const auto at = std::find_if(chars.begin(), chars.end(), [&cell](const ShownChar& c) {
        return c.byte >= static_cast<std::size_t>(cell.index);
    });
    return Text().RowStart(row) + (at != chars.end() ? at->textIndex : chars.back().textIndex);
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
