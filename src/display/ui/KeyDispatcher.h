#pragma once
// The keys that act on a connection no matter which of its window's controls has the
// keyboard: Enter, Ctrl+letter ("Send Ctrl"), Escape, the function keys and keypad keys
// bound for the host, Page Up/Down and Ctrl+Up/Down. Installed on the application, it looks
// at every key before the focused widget and the shortcuts do, and acts for the input view
// only while the focus is inside that view's window and no modal dialog is up.
//
// Qt tries a widget's shortcuts before delivering the key, so the keys the dispatch takes
// over from shortcuts (bound function and keypad keys, Escape, Ctrl+letter with "Send Ctrl"
// on) are claimed on QEvent::ShortcutOverride; the key press that follows does the work.

#include <QObject>

#include <cstdint>
#include <optional>

class CAppState;
class CBrumbleView;
class QKeyEvent;

class CKeyDispatcher final : public QObject {
    Q_OBJECT
public:
    explicit CKeyDispatcher(CAppState& app, QObject* parent = nullptr);
    CKeyDispatcher(const CKeyDispatcher&) = delete;
    CKeyDispatcher& operator=(const CKeyDispatcher&) = delete;

    // The code a key is looked up by: its virtual-key code (F1-F12 112-123, keypad keys
    // 96-111) plus 256 for Shift, else 512 for Ctrl, else 768 for Alt. None for other keys.
    static std::optional<std::uint32_t> FunctionKeyCode(const QKeyEvent& key);
    static std::optional<std::uint32_t> KeypadKeyCode(const QKeyEvent& key);
    // The control character of Ctrl+letter (1-26); none when Alt or AltGr is held too, so
    // that characters typed with AltGr reach the command line.
    static std::optional<char> CtrlChar(const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The input view when watched is the focus widget inside its window; else null.
    CBrumbleView* TargetView(QObject* watched) const;
    // Whether the dispatch would take key (without acting).
    static bool Claims(CBrumbleView& view, const QKeyEvent& key);
    // Steps 1 to 7 in order; true when the key was used.
    static bool Dispatch(CBrumbleView& view, const QKeyEvent& key);

    CAppState& m_app;
};
