#pragma once
// Application-wide state that sessions and views share: the host, port and first command
// of the next connection window, and the input view (the connection view that last had
// the keyboard focus; none while a modal dialog is shown). Owned by the application.

#include <string>

class CSessionView;

class CAppState {
public:
    std::string nextHost;
    unsigned nextPort = 8888;
    std::string pendingCommand;

    CSessionView* InputView() const { return m_inputView; }
    // Stores the input view and returns the previous one.
    CSessionView* SetInputView(CSessionView* view)
    {
        CSessionView* previous = m_inputView;
        m_inputView = view;
        return previous;
    }

private:
    CSessionView* m_inputView = nullptr;
};
