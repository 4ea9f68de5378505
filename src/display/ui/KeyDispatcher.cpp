#include "display/ui/KeyDispatcher.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QWidget>

#include "base/AppState.h"
#include "display/RowModel.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"

namespace {

constexpr std::uint32_t kVirtualF1 = 112;
constexpr std::uint32_t kVirtualNumpad0 = 96;

// Only one modifier counts, Shift before Ctrl before Alt.
std::uint32_t ModifierOffset(Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ShiftModifier)
        return 256;
    if (modifiers & Qt::ControlModifier)
        return 512;
    if (modifiers & Qt::AltModifier)
        return 768;
    return 0;
}

// Posted, so that the key is finished before the view moves.
void PostScroll(CBrumbleView& view, CRowModel::Scroll request)
{
    QMetaObject::invokeMethod(
        &view, [v = &view, request] { v->OnVScroll(request); }, Qt::QueuedConnection);
}

} // namespace

CKeyDispatcher::CKeyDispatcher(CAppState& app, QObject* parent) : QObject(parent), m_app(app) {}

std::optional<std::uint32_t> CKeyDispatcher::FunctionKeyCode(const QKeyEvent& key)
{
    if (key.key() < Qt::Key_F1 || key.key() > Qt::Key_F12)
        return std::nullopt;
    return kVirtualF1 + static_cast<std::uint32_t>(key.key() - Qt::Key_F1) +
           ModifierOffset(key.modifiers());
}

std::optional<std::uint32_t> CKeyDispatcher::KeypadKeyCode(const QKeyEvent& key)
{
    // With Num Lock off the keypad sends Home, Up, ... which are not keypad keys here.
    if (!(key.modifiers() & Qt::KeypadModifier))
        return std::nullopt;
    std::uint32_t code = 0;
    if (key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9) {
        code = kVirtualNumpad0 + static_cast<std::uint32_t>(key.key() - Qt::Key_0);
    } else {
        switch (key.key()) {
        case Qt::Key_Asterisk:
            code = 106;
            break;
        case Qt::Key_Plus:
            code = 107;
            break;
        case Qt::Key_Minus:
            code = 109;
            break;
        case Qt::Key_Period:
        case Qt::Key_Comma: // the decimal key of layouts whose decimal sign is a comma
            code = 110;
            break;
        case Qt::Key_Slash:
            code = 111;
            break;
        default:
            return std::nullopt;
        }
    }
    return code + ModifierOffset(key.modifiers());
}

std::optional<char> CKeyDispatcher::CtrlChar(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    if (key.key() < Qt::Key_A || key.key() > Qt::Key_Z || !(modifiers & Qt::ControlModifier) ||
        (modifiers & (Qt::AltModifier | Qt::GroupSwitchModifier)))
        return std::nullopt;
    return static_cast<char>(key.key() - Qt::Key_A + 1);
}

CBrumbleView* CKeyDispatcher::TargetView(QObject* watched) const
{
    // The application sees an unhandled key once for each widget it travels up to: only
    // the first, at the focus widget, counts. A modal dialog clears the input view; the
    // check on the modal widget also covers message boxes opened by Qt itself.
    QWidget* focus = QApplication::focusWidget();
    if (watched != focus || !focus || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget())
        return nullptr;
    auto* view = dynamic_cast<CBrumbleView*>(m_app.InputView());
    if (!view)
        return nullptr;
    QWidget* frame = view->parentWidget() ? view->parentWidget() : view;
    if (focus != frame && !frame->isAncestorOf(focus))
        return nullptr;
    return view;
}

bool CKeyDispatcher::Claims(CBrumbleView& view, const QKeyEvent& key)
{
    if (key.key() == Qt::Key_Escape)
        return true;
    if (CtrlChar(key))
        return view.IsSendCtrl();
    if (const auto code = FunctionKeyCode(key))
        return view.HasHelpKeyShortcut(*code);
    if (const auto code = KeypadKeyCode(key)) {
        std::string text;
        return view.Doc().FindKeypadCommands(*code, text);
    }
    return false;
}

bool CKeyDispatcher::Dispatch(CBrumbleView& view, const QKeyEvent& key)
{
    const bool ctrl = key.modifiers() & Qt::ControlModifier;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        view.OnEnter();
        return true;
    }
    if (const auto c = CtrlChar(key))
        return view.SendCtrlChar(*c);
    if (key.key() == Qt::Key_Escape) {
        view.SendLine(std::string(1, '\x1b'));
        return true;
    }
    if (const auto code = FunctionKeyCode(key))
        return view.SendFunctionKey(*code);
    if (const auto code = KeypadKeyCode(key))
        return view.SendKeypadKey(*code);
    switch (key.key()) {
    case Qt::Key_PageDown:
        PostScroll(view, CRowModel::Scroll::PageDown);
        return true;
    case Qt::Key_PageUp:
        PostScroll(view, CRowModel::Scroll::PageUp);
        return true;
    case Qt::Key_Down:
        if (!ctrl)
            return false; // moves through the history
        PostScroll(view, CRowModel::Scroll::LineDown);
        return true;
    case Qt::Key_Up:
        if (!ctrl)
            return false;
        PostScroll(view, CRowModel::Scroll::LineUp);
        return true;
    default:
        return false;
    }
}

bool CKeyDispatcher::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    CBrumbleView* view = TargetView(watched);
    if (!view)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
        // Accepting the override keeps the shortcut from firing; the key press follows.
        if (Claims(*view, *key)) {
            key->accept();
            return true;
        }
        return false;
    }
    if (Dispatch(*view, *key)) {
        key->accept();
        return true;
    }
    return false;
}
