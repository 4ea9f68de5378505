#include "log/ui/AutoLogDialogEditor.h"

#include "base/AppServices.h"
#include "log/ui/AutoLogDialog.h"
#include "session/ui/InputViewGuard.h"

CAutoLogDialogEditor::CAutoLogDialogEditor(CAppServices& services, QWidget* parent)
    : m_services(services), m_parent(parent)
{
}

bool CAutoLogDialogEditor::EditAutoLog(CAutoLogDlg& autoLog)
{
    CAutoLogDialog dialog(autoLog, m_services, m_parent);
    CInputViewGuard guard(m_services.app);
    return dialog.exec() == QDialog::Accepted;
}
