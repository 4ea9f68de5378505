#include "session/ui/InputViewGuard.h"

#include <QObject>

#include "base/AppState.h"
#include "base/SessionView.h"

CInputViewGuard::CInputViewGuard(CAppState& app)
    : m_app(app), m_previous(app.SetInputView(nullptr)),
      m_previousObject(dynamic_cast<QObject*>(m_previous)),
      m_previousWasObject(!m_previousObject.isNull())
{
}

CInputViewGuard::~CInputViewGuard()
{
    const bool closed = m_previousWasObject && m_previousObject.isNull();
    m_app.SetInputView(closed ? nullptr : m_previous);
}
