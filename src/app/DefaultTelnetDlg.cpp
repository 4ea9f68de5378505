#include "app/DefaultTelnetDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CDefaultTelnetDlg::CDefaultTelnetDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Set Brumble as the default telnet app"));

    m_makeDefault =
        new QCheckBox(QStringLiteral("I would like Brumble to be my default telnet app"), this);
    m_makeDefault->setObjectName(QStringLiteral("makeDefault"));
    m_makeDefault->setChecked(true);
    m_makeDefault->setToolTip(
        QStringLiteral("Open telnet: links from other programs in a Brumble window."));

    m_dontShowAgain = new QCheckBox(QStringLiteral("Don't show this window again"), this);
    m_dontShowAgain->setObjectName(QStringLiteral("dontShowAgain"));
    m_dontShowAgain->setToolTip(QStringLiteral("Do not ask this question when Brumble starts."));

    auto* proceed = new QPushButton(QStringLiteral("Continue"), this);
    proceed->setObjectName(QStringLiteral("continueButton"));
    proceed->setDefault(true);
    proceed->setToolTip(QStringLiteral("Apply the choice and start Brumble."));
    connect(proceed, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(proceed);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_makeDefault);
    layout->addWidget(m_dontShowAgain);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
}

bool CDefaultTelnetDlg::MakeDefault() const
{
    return m_makeDefault->isChecked();
}

bool CDefaultTelnetDlg::DontShowAgain() const
{
    return m_dontShowAgain->isChecked();
}
