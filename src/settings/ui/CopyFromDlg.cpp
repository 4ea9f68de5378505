#include "settings/ui/CopyFromDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include <utility>

#include "base/AppServices.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostSettings.h"
#include "ui_CopyFromDlg.h"

namespace {

// Tool tips (string-table ids).
constexpr int kHostBoxTip = 1640;
constexpr int kOkTip = 1641;
constexpr int kCancelTip = 1642;

} // namespace

CCopyFromDlg::CCopyFromDlg(CSettingsStore& store, std::string currentHost, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CopyFromDlg>()),
      m_currentHost(std::move(currentHost))
{
    m_ui->setupUi(this);
    m_ui->hostBox->setToolTip(ToolTipText(kHostBoxTip));
    OkButton()->setToolTip(ToolTipText(kOkTip));
    CancelButton()->setToolTip(ToolTipText(kCancelTip));
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CCopyFromDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    for (const std::string& host : HostSettings::CopySources(store, m_currentHost))
        m_ui->hostBox->addItem(ToWidgetText(host));
    // A non-editable box selects its first entry by itself; with none there is nothing to
    // copy from.
    OkButton()->setEnabled(m_ui->hostBox->count() > 0);
}

CCopyFromDlg::~CCopyFromDlg() = default;

void CCopyFromDlg::accept()
{
    if (m_ui->hostBox->currentIndex() < 0)
        return;
    m_sourceHost = FromWidgetText(m_ui->hostBox->currentText());
    QDialog::accept();
}

QComboBox* CCopyFromDlg::HostBox() const
{
    return m_ui->hostBox;
}

QPushButton* CCopyFromDlg::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CCopyFromDlg::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

std::optional<std::string> ChooseCopySource(CAppServices& services, const std::string& currentHost,
                                            QWidget* parent)
{
    CCopyFromDlg dialog(services.settings, currentHost, parent);
    const CInputViewGuard guard(services.app);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.SourceHost();
}
