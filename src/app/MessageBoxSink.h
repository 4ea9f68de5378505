#pragma once
// The running program's way of showing a message to the user: a modal QMessageBox over the
// main window. Core code reaches it only through CMessageSink; tests use a recording double.

#include "base/MessageSink.h"

class CAppState;
class QWidget;

class CMessageBoxSink final : public CMessageSink {
public:
    explicit CMessageBoxSink(CAppState& app);

    // The window the boxes are centred on; none before the main window exists.
    void SetParentWindow(QWidget* parent) { m_parent = parent; }

    Answer ShowMessage(const std::string& text, Icon icon, Buttons buttons) override;
    Answer ShowTitledMessage(const std::string& title, const std::string& text, Icon icon,
                             Buttons buttons) override;

private:
    CAppState& m_app;
    QWidget* m_parent = nullptr;
};
