#pragma once
// The user interface's answer to the session's request to edit the auto-log settings: the
// Auto-Log Text dialog, run modally with key interception for connection windows paused.

#include "log/AutoLogEditor.h"

class QWidget;
struct CAppServices;

class CAutoLogDialogEditor final : public CAutoLogEditor {
public:
    CAutoLogDialogEditor(CAppServices& services, QWidget* parent);

    bool EditAutoLog(CAutoLogDlg& autoLog) override;

private:
    CAppServices& m_services;
    QWidget* m_parent;
};
