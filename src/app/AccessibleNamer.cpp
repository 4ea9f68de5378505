#include "app/AccessibleNamer.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTextEdit>

namespace {

// What a user can act on; containers and labels are not controls.
bool IsControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QTabBar*>(w) ||
           (qobject_cast<const QAbstractScrollArea*>(w) && w->focusPolicy() != Qt::NoFocus);
}

// A label's text as read aloud: without the & of its shortcut and without a trailing colon.
QString Spoken(QString text)
{
    static const QRegularExpression mnemonic(QStringLiteral("&(?!&)"));
    text.remove(mnemonic);
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

QString BuddyText(const QWidget* w)
{
    const QWidget* window = w->window();
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() == w && !label->text().isEmpty())
            return label->text();
    }
    return {};
}

QString PlaceholderText(const QWidget* w)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(w))
        return line->placeholderText();
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->placeholderText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w))
        return plain->placeholderText();
    if (const auto* rich = qobject_cast<const QTextEdit*>(w))
        return rich->placeholderText();
    return {};
}

// A scroll bar and a combo box's own field are named after what they belong to.
QString OwnerText(const QWidget* w)
{
    QWidget* owner = w->parentWidget();
    while (owner && !qobject_cast<QAbstractScrollArea*>(owner) && !qobject_cast<QComboBox*>(owner))
        owner = owner->parentWidget();
    if (!owner)
        return {};
    QAccessibleInterface* ownerInterface = QAccessible::queryAccessibleInterface(owner);
    const QString ownerName = ownerInterface ? ownerInterface->text(QAccessible::Name) : QString();
    if (const auto* bar = qobject_cast<const QScrollBar*>(w)) {
        const QString what = bar->orientation() == Qt::Vertical ? QStringLiteral("vertical scroll bar")
                                                                : QStringLiteral("horizontal scroll bar");
        return ownerName.isEmpty() ? what : ownerName + QLatin1Char(' ') + what;
    }
    return ownerName;
}

} // namespace

void CAccessibleNamer::Install()
{
    static CAccessibleNamer* namer = [] {
        auto* made = new CAccessibleNamer(qApp);
        qApp->installEventFilter(made);
        return made;
    }();
    static_cast<void>(namer);
}

void CAccessibleNamer::NameControl(QWidget* w)
{
    // Qt reads most widgets' tool tips as their description, but not every kind (lists and
    // trees do not); a widget that would have none takes its tool tip.
    if (!w->toolTip().isEmpty() && w->accessibleDescription().isEmpty()) {
        QAccessibleInterface* described = QAccessible::queryAccessibleInterface(w);
        if (described && described->text(QAccessible::Description).isEmpty())
            w->setAccessibleDescription(w->toolTip());
    }
    if (!IsControl(w) || !w->accessibleName().isEmpty())
        return;
    QAccessibleInterface* asSeen = QAccessible::queryAccessibleInterface(w);
    if (!asSeen || !asSeen->text(QAccessible::Name).isEmpty())
        return; // Qt names it, and keeps the name up to date with the text
    for (const QString& candidate : {BuddyText(w), PlaceholderText(w), w->toolTip(), OwnerText(w)}) {
        const QString name = Spoken(candidate);
        if (!name.isEmpty()) {
            w->setAccessibleName(name);
            return;
        }
    }
}

void CAccessibleNamer::NameControls(QWidget* root)
{
    NameControl(root);
    for (QWidget* child : root->findChildren<QWidget*>())
        NameControl(child);
}

bool CAccessibleNamer::eventFilter(QObject* watched, QEvent* event)
{
    // A widget is polished just before it is first shown, when its labels, tool tips and
    // texts are in place; a window shown again is looked over whole, for what came since.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Polish || type == QEvent::Show) && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (type == QEvent::Polish)
            NameControl(w);
        else if (w->isWindow())
            NameControls(w);
    }
    return QObject::eventFilter(watched, event);
}
