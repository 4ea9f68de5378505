#pragma once
// Sets the application's input view to none for the life of a modal dialog and puts the
// previous one back afterwards, so that no key is intercepted for a connection window while
// the dialog has the keyboard. A view that closed while the dialog was up is not put back.

#include <QPointer>

class CAppState;
class CSessionView;

class CInputViewGuard final {
public:
    explicit CInputViewGuard(CAppState& app);
    ~CInputViewGuard();
    CInputViewGuard(const CInputViewGuard&) = delete;
    CInputViewGuard& operator=(const CInputViewGuard&) = delete;

private:
    CAppState& m_app;
    CSessionView* m_previous = nullptr;
    // The same view seen as a QObject, to notice its end; views that are not QObjects
    // (test doubles) cannot be watched and are always put back.
    QPointer<QObject> m_previousObject;
    bool m_previousWasObject = false;
};
