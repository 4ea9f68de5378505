#include "image/ui/AtImageDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/AppServices.h"
#include "image/ImageResources.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "ui_AtImageDialog.h"

namespace {

// The fields hold the settings' own bytes; Latin-1 keeps every byte as it is.
QString Text(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

CAtImageDialog::CAtImageDialog(CAtImageDlg& settings, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AtImageDialog>()), m_settings(settings)
{
    m_ui->setupUi(this);
    m_ui->enableBox->setToolTip(ToolTipText(ImageResources::kEnableBox));
    m_ui->popupChoice->setToolTip(ToolTipText(ImageResources::kPopupChoice));
    m_ui->browserChoice->setToolTip(ToolTipText(ImageResources::kBrowserChoice));
    m_ui->imageTriggerField->setToolTip(ToolTipText(ImageResources::kImageTriggerField));
    m_ui->urlPrefixField->setToolTip(ToolTipText(ImageResources::kUrlPrefixField));
    m_ui->askBox->setToolTip(ToolTipText(ImageResources::kAskBox));

    const CAtImageDlg::Settings& values = settings.GetSettings();
    m_ui->enableBox->setChecked(values.enabled);
    m_ui->popupChoice->setChecked(values.displayMode != CAtImageDlg::kBrowser);
    m_ui->browserChoice->setChecked(values.displayMode == CAtImageDlg::kBrowser);
    m_ui->imageTriggerField->setText(Text(values.imageTrigger));
    m_ui->urlPrefixField->setText(Text(values.urlPrefix));
    m_ui->askBox->setChecked(values.askFirst);

    connect(m_ui->enableBox, &QCheckBox::toggled, this, &CAtImageDialog::UpdateEnabling);
    connect(m_ui->popupChoice, &QRadioButton::toggled, this, &CAtImageDialog::UpdateEnabling);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAtImageDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateEnabling();
}

CAtImageDialog::~CAtImageDialog() = default;

void CAtImageDialog::UpdateEnabling()
{
    const bool enabled = m_ui->enableBox->isChecked();
    const bool popup = m_ui->popupChoice->isChecked();
    m_ui->popupChoice->setEnabled(enabled);
    m_ui->browserChoice->setEnabled(enabled);
    m_ui->imageTriggerField->setEnabled(enabled && popup);
    m_ui->imageTriggerLabel->setEnabled(enabled && popup);
    m_ui->urlPrefixField->setEnabled(enabled && !popup);
    m_ui->urlPrefixLabel->setEnabled(enabled && !popup);
    m_ui->askBox->setEnabled(enabled && !popup);
}

CAtImageDlg::Settings CAtImageDialog::Values() const
{
    CAtImageDlg::Settings values;
    values.enabled = m_ui->enableBox->isChecked();
    values.displayMode =
        m_ui->browserChoice->isChecked() ? CAtImageDlg::kBrowser : CAtImageDlg::kPopupWindow;
    values.imageTrigger = FromWidgetText(m_ui->imageTriggerField->text());
    values.urlPrefix = FromWidgetText(m_ui->urlPrefixField->text());
    values.askFirst = m_ui->askBox->isChecked();
    return values;
}

void CAtImageDialog::accept()
{
    m_settings.SetSettings(Values());
    m_settings.SaveImageSettings();
    QDialog::accept();
}

QCheckBox* CAtImageDialog::EnableBox() const
{
    return m_ui->enableBox;
}
QRadioButton* CAtImageDialog::PopupChoice() const
{
    return m_ui->popupChoice;
}
QRadioButton* CAtImageDialog::BrowserChoice() const
{
    return m_ui->browserChoice;
}
QLineEdit* CAtImageDialog::ImageTriggerField() const
{
    return m_ui->imageTriggerField;
}
QLineEdit* CAtImageDialog::UrlPrefixField() const
{
    return m_ui->urlPrefixField;
}
QCheckBox* CAtImageDialog::AskBox() const
{
    return m_ui->askBox;
}
QPushButton* CAtImageDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

bool EditImageSettings(CAtImageDlg& settings, CAppServices& services, QWidget* parent)
{
    CAtImageDialog dialog(settings, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}
