#pragma once
// The scrollback as one text for assistive technology. Built from the view's rows (what is
// shown): the rows of one line joined, lines separated by "\n", one character per byte.
// Kept while a screen reader reads it, and compared with what was last announced so that text
// that arrives is told as inserted text, gathered to at most a few announcements a second
// however fast the server floods. Owned by CBrumbleView; CScrollbackAccessible reads it.

#include <QAccessible>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <vector>

class CRowModel;
class QWidget;

class CScrollbackText final : public QObject, public QAccessible::ActivationObserver {
    Q_OBJECT
public:
    // Announcements of arriving text are at least this far apart.
    static constexpr int kAnnounceIntervalMs = 500;

    // view is the widget the announcements are about; model holds its rows.
    CScrollbackText(const CRowModel& model, QWidget& view);
    ~CScrollbackText() override;
    CScrollbackText(const CScrollbackText&) = delete;
    CScrollbackText& operator=(const CScrollbackText&) = delete;

    // The rows changed (added, removed, rewrapped): the text is built again when next read,
    // and, while assistive technology listens, what arrived is announced soon.
    void RowsChanged();
    // Announces what changed since the last announcement now.
    void Announce();

    const QString& Text();
    // Where row n (absolute) begins in Text(), and the row holding a text offset.
    int RowStart(int row);
    int RowAt(int offset);

    // The reading position a screen reader set (the display itself has no caret); -1 while
    // it follows the end of the text.
    int Caret() const { return m_caret; }
    void SetCaret(int offset) { m_caret = offset; }

    void accessibilityActiveChanged(bool active) override;

private:
    void Build();
    void TakeSnapshot();

    const CRowModel& m_model;
    QWidget& m_view;
    QString m_text;
    std::vector<int> m_rowStarts;
    bool m_built = false;
    int m_caret = -1;

    // What was last announced, and how many lines had left the front by then.
    QString m_announced;
    std::uint64_t m_announcedRemoved = 0;
    bool m_hasSnapshot = false;
    QTimer m_announceTimer;
    QElapsedTimer m_sinceAnnounce;
};
