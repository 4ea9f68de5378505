#include "app/MessageBoxSink.h"

#include <QMessageBox>

#include "session/ui/InputViewGuard.h"
#include "res/StringTable.h"

namespace {

QMessageBox::Icon BoxIcon(CMessageSink::Icon icon)
{
    switch (icon) {
    case CMessageSink::Icon::Information:
        return QMessageBox::Information;
    case CMessageSink::Icon::Exclamation:
        return QMessageBox::Warning;
    case CMessageSink::Icon::Question:
        return QMessageBox::Question;
    case CMessageSink::Icon::Error:
        return QMessageBox::Critical;
    case CMessageSink::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(CMessageSink::Buttons buttons)
{
    switch (buttons) {
    case CMessageSink::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case CMessageSink::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case CMessageSink::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case CMessageSink::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// What closing the box without a button (Escape, the window's close button) means: the
// safe answer of each button set.
CMessageSink::Answer EscapeAnswer(CMessageSink::Buttons buttons)
{
    switch (buttons) {
    case CMessageSink::Buttons::OkCancel:
    case CMessageSink::Buttons::YesNoCancel:
        return CMessageSink::Answer::Cancel;
    case CMessageSink::Buttons::YesNo:
        return CMessageSink::Answer::No;
    case CMessageSink::Buttons::Ok:
        break;
    }
    return CMessageSink::Answer::Ok;
}

} // namespace

CMessageBoxSink::CMessageBoxSink(CAppState& app) : m_app(app) {}

CMessageSink::Answer CMessageBoxSink::ShowMessage(const std::string& text, Icon icon,
                                                  Buttons buttons)
{
    return ShowTitledMessage(LoadString(128), text, icon, buttons);
}

CMessageSink::Answer CMessageBoxSink::ShowTitledMessage(const std::string& title,
                                                        const std::string& text, Icon icon,
                                                        Buttons buttons)
{
    // Keys typed while the box is up belong to the box, not to a connection window.
    const CInputViewGuard guard(m_app);

    QMessageBox box(BoxIcon(icon), QString::fromLatin1(title), QString::fromLatin1(text),
                    BoxButtons(buttons), m_parent);
    box.setTextFormat(Qt::PlainText); // server and file names must never be read as markup
    switch (buttons) {
    case Buttons::OkCancel:
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setEscapeButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::Ok:
        box.setEscapeButton(QMessageBox::Ok);
        break;
    }
    const int result = box.exec();

    switch (result) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        break;
    }
    return EscapeAnswer(buttons);
}
