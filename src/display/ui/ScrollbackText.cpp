#include "display/ui/ScrollbackText.h"

#include <QAccessibleEvent>
#include <QWidget>

#include <algorithm>

#include "display/RowModel.h"
#include "res/WidgetText.h"

namespace {

// Control codes take their place in a row but show nothing: a screen reader hears a space.
bool IsShownAsBlank(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

} // namespace

CScrollbackText::CScrollbackText(const CRowModel& model, QWidget& view)
    : m_model(model), m_view(view)
{
    m_announceTimer.setSingleShot(true);
    connect(&m_announceTimer, &QTimer::timeout, this, &CScrollbackText::Announce);
    QAccessible::installActivationObserver(this);
    if (QAccessible::isActive())
        TakeSnapshot();
}

CScrollbackText::~CScrollbackText()
{
    QAccessible::removeActivationObserver(this);
}

void CScrollbackText::Build()
{
    m_text.clear();
    m_rowStarts.clear();
    m_rowStarts.reserve(m_model.Rows().size());
    bool first = true;
    for (const CRowModel::Row& row : m_model.Rows()) {
        if (!first && !row.continuation)
            m_text += QLatin1Char('\n');
        first = false;
        m_rowStarts.push_back(static_cast<int>(m_text.size()));
        QString shown = ToWidgetText(m_model.RowText(row), m_model.Encoding());
        for (QChar& c : shown) {
            if (IsShownAsBlank(c.unicode()))
                c = QLatin1Char(' ');
        }
        m_text += shown;
    }
    m_built = true;
}

const QString& CScrollbackText::Text()
{
    if (!m_built)
        Build();
    return m_text;
}

int CScrollbackText::RowStart(int row)
{
    Text();
    if (row < 0 || m_rowStarts.empty())
        return 0;
    if (row >= static_cast<int>(m_rowStarts.size()))
        return static_cast<int>(m_text.size());
    return m_rowStarts[static_cast<std::size_t>(row)];
}

int CScrollbackText::RowAt(int offset)
{
    Text();
    const auto after = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end(), offset);
    return std::max(0, static_cast<int>(after - m_rowStarts.begin()) - 1);
}

void CScrollbackText::RowsChanged()
{
    m_built = false;
    if (!QAccessible::isActive()) {
        // Nobody listens: nothing is built or kept.
        m_hasSnapshot = false;
        m_announced.clear();
        m_text.clear();
        m_rowStarts.clear();
        return;
    }
    if (m_announceTimer.isActive())
        return;
    const qint64 since =
        m_sinceAnnounce.isValid() ? m_sinceAnnounce.elapsed() : kAnnounceIntervalMs;
    // The first text after a quiet spell goes out at once; during a flood, what arrives
    // meanwhile waits for the next announcement.
    m_announceTimer.start(
        since >= kAnnounceIntervalMs ? 0 : static_cast<int>(kAnnounceIntervalMs - since));
}

void CScrollbackText::TakeSnapshot()
{
    m_announced = Text();
    m_announcedRemoved = m_model.RemovedLineTotal();
    m_hasSnapshot = true;
}

void CScrollbackText::Announce()
{
    m_announceTimer.stop();
    if (!QAccessible::isActive())
        return;
    if (!m_hasSnapshot) {
        TakeSnapshot();
        return;
    }
    m_sinceAnnounce.start();
    const QString& now = Text();

    // Lines dropped from the front since the last announcement: the text up to and including
    // the line end of the last of them left.
    std::uint64_t dropped = m_model.RemovedLineTotal() - m_announcedRemoved;
    qsizetype cut = 0;
    for (; dropped > 0; --dropped) {
        const qsizetype end = m_announced.indexOf(QLatin1Char('\n'), cut);
        if (end < 0) {
            cut = m_announced.size();
            break;
        }
        cut = end + 1;
    }
    if (cut > 0) {
        QAccessibleTextRemoveEvent removed(&m_view, 0, m_announced.left(cut));
        QAccessible::updateAccessibility(&removed);
    }

    // What stayed is normally the start of the new text; a line rewritten in place (a
    // carriage return) differs from where it changed.
    const QStringView kept = QStringView(m_announced).mid(cut);
    qsizetype same = 0;
    const qsizetype most = std::min(kept.size(), now.size());
    while (same < most && kept[same] == now[same])
        ++same;
    if (same < kept.size()) {
        QAccessibleTextRemoveEvent replaced(&m_view, static_cast<int>(same),
                                            kept.mid(same).toString());
        QAccessible::updateAccessibility(&replaced);
    }
    if (same < now.size()) {
        QAccessibleTextInsertEvent inserted(&m_view, static_cast<int>(same), now.mid(same));
        QAccessible::updateAccessibility(&inserted);
    }
    m_announced = now;
    m_announcedRemoved = m_model.RemovedLineTotal();
}

void CScrollbackText::accessibilityActiveChanged(bool active)
{
    if (active) {
        m_built = false;
        TakeSnapshot();
    } else {
        m_hasSnapshot = false;
        m_announced.clear();
    }
}
