#pragma once
// Gives every control of every window and dialog a name for assistive technology. Qt names
// buttons, check boxes and labelled fields itself; a field, list or scroll bar that nothing
// names gets one when it is first shown: from the label that points at it, its placeholder
// or its tool tip. Descriptions come from tool tips by Qt's own rule. Watching the whole
// application, rather than naming controls dialog by dialog, keeps dialogs added later covered.

#include <QObject>

class QWidget;

class CAccessibleNamer final : public QObject {
    Q_OBJECT
public:
    // Watches every widget of the application from now on (once per program).
    static void Install();
    // Names root's unnamed controls, root included.
    static void NameControls(QWidget* root);
    // Names w when it is a control that nothing names.
    static void NameControl(QWidget* w);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
