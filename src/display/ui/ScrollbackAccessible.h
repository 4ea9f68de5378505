#pragma once
// What assistive technology sees of a connection window's scrollback (CBrumbleView): a
// read-only, multi-line text whose lines can be read and walked by line, word and character,
// with a reading position of its own. The text is CScrollbackText, built from the view's rows.

#include <QAccessibleWidget>

class CBrumbleView;
class CScrollbackText;

class CScrollbackAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CScrollbackAccessible(CBrumbleView* view);

    // Makes Qt ask for this interface for every CBrumbleView (once per program).
    static void Install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    CBrumbleView* View() const;
    CScrollbackText& Text() const;
};
