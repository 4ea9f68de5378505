#include "app/InputViewGuard.h"

#include <QObject>

#include "session/AppState.h"
#include "session/SessionView.h"

CInputViewGuard::CInputViewGuard(CAppState& app)
    : m_app(app), m_previous(app.SetInputView(nullptr)),
      m_previousAlive(dynamic_cast<QObject*>(m_previous))
{
}

CInputViewGuard::~CInputViewGuard()
{
    m_app.SetInputView(m_previousAlive ? m_previous : nullptr);
}
