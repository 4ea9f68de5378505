#pragma once
// What a connection view asks of the frame that holds its command line (CChildFrame
// implements it). Text is 8-bit program text in the host's encoding; the frame converts at
// the widget boundary. Pasted text stays characters until its complete lines are sent.

#include <QString>

#include <optional>
#include <string>

class CBrumbleView;
class QKeyEvent;

class CCommandLineHost {
public:
    virtual ~CCommandLineHost() = default;
    // Nothing when the host's encoding cannot carry a character of it (Latin-1).
    virtual std::optional<std::string> GetCommandText() const = 0;
    // While the list holds at least limit entries (limit > 0), drop the last; then insert
    // text as entry 0.
    virtual void AddToHistory(const std::string& text, int limit) = 0;
    virtual void ClearCommandText() = 0;
    // Inserts text at the caret; sends every complete line through view.SendTyped.
    virtual void PasteIntoCommandLine(CBrumbleView& view, const QString& text) = 0;
    virtual void EnableCommandLine(bool enable) = 0;
    virtual void FocusCommandLine() = 0;
    // A key typed while another part of the window had the keyboard: the command line takes
    // the focus and the key.
    virtual void TypeIntoCommandLine(const QKeyEvent& key) = 0;
    // While masked (the server echoes, so it asks for a password) what is typed is shown
    // as dots.
    virtual void MaskCommandLine(bool masked) { static_cast<void>(masked); }
};
