#pragma once
// The start-up question whether Brumble should open the desktop's telnet: links, with the
// choice never to be asked again.

#include <QDialog>

class QCheckBox;

class CDefaultTelnetDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CDefaultTelnetDlg(QWidget* parent = nullptr);
    CDefaultTelnetDlg(const CDefaultTelnetDlg&) = delete;
    CDefaultTelnetDlg& operator=(const CDefaultTelnetDlg&) = delete;

    bool MakeDefault() const;
    bool DontShowAgain() const;

private:
    QCheckBox* m_makeDefault = nullptr;
    QCheckBox* m_dontShowAgain = nullptr;
};
