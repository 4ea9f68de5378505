#include "log/ui/AutoLogDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "log/AutoLogDlg.h"
#include "log/AutoLogResources.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "ui_AutoLogDialog.h"

namespace {

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

CAutoLogDialog::CAutoLogDialog(CAutoLogDlg& autoLog, CAppServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AutoLogDialog>()), m_autoLog(autoLog),
      m_services(services)
{
    m_ui->setupUi(this);

    const CAutoLogDlg::Settings& settings = autoLog.GetSettings();
    m_ui->enabledBox->setChecked(settings.enabled);
    m_ui->commandsBox->setChecked(settings.logCommands);
    m_directory = settings.directory;
    ShowDirectory();
    MethodButton(settings.method)->setChecked(true);

    using namespace AutoLogResources;
    m_ui->enabledBox->setToolTip(ToolTipText(kEnabledBox));
    m_ui->commandsBox->setToolTip(ToolTipText(kCommandsBox));
    m_ui->directoryEdit->setToolTip(ToolTipText(kDirectoryField));
    m_ui->browseButton->setToolTip(ToolTipText(kBrowseButton));
    m_ui->perDayButton->setToolTip(ToolTipText(kPerDayChoice));
    m_ui->perWeekButton->setToolTip(ToolTipText(kPerWeekChoice));
    m_ui->perConnectionButton->setToolTip(ToolTipText(kPerConnectionChoice));

    connect(m_ui->enabledBox, &QCheckBox::toggled, this, &CAutoLogDialog::UpdateEnabling);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CAutoLogDialog::OnBrowse);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAutoLogDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAutoLogDialog::reject);
    UpdateEnabling();
}

CAutoLogDialog::~CAutoLogDialog() = default;

QCheckBox* CAutoLogDialog::EnabledBox() const
{
    return m_ui->enabledBox;
}

QCheckBox* CAutoLogDialog::CommandsBox() const
{
    return m_ui->commandsBox;
}

QLineEdit* CAutoLogDialog::DirectoryEdit() const
{
    return m_ui->directoryEdit;
}

QPushButton* CAutoLogDialog::BrowseButton() const
{
    return m_ui->browseButton;
}

QRadioButton* CAutoLogDialog::MethodButton(int method) const
{
    switch (method) {
    case CAutoLogDlg::kPerWeek:
        return m_ui->perWeekButton;
    case CAutoLogDlg::kPerConnection:
        return m_ui->perConnectionButton;
    default:
        return m_ui->perDayButton;
    }
}

QPushButton* CAutoLogDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CAutoLogDialog::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

void CAutoLogDialog::UpdateEnabling()
{
    const bool on = m_ui->enabledBox->isChecked();
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->commandsBox), static_cast<QWidget*>(m_ui->directoryLabel),
          static_cast<QWidget*>(m_ui->directoryEdit), static_cast<QWidget*>(m_ui->browseButton),
          static_cast<QWidget*>(m_ui->perDayButton), static_cast<QWidget*>(m_ui->perWeekButton),
          static_cast<QWidget*>(m_ui->perConnectionButton)})
        control->setEnabled(on);
}

void CAutoLogDialog::ShowDirectory()
{
    m_ui->directoryEdit->setText(PathText(m_directory));
}

void CAutoLogDialog::OnBrowse()
{
    const std::optional<std::string> chosen =
        m_chooseFolder ? m_chooseFolder(m_directory) : DefaultChooseFolder(m_directory);
    if (!chosen || chosen->empty())
        return;
    m_directory = *chosen;
    ShowDirectory();
}

std::optional<std::string> CAutoLogDialog::DefaultChooseFolder(const std::string& start)
{
    // A folder that is not there (or a Windows path from an imported settings file) would
    // leave the picker wherever it pleases; the documents folder is a better start.
    QString folder = PathText(start);
    if (!QDir::isAbsolutePath(folder) || !QDir(folder).exists())
        folder = PathText(CAutoLogDlg::DefaultDirectory());
    QFileDialog picker(this, windowTitle(), folder);
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly, true);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(picker.selectedFiles().front()).toStdString();
}

void CAutoLogDialog::accept()
{
    if (m_ui->directoryEdit->text().size() > CAutoLogDlg::kMaxDirectoryLength) {
        std::string message = LoadString(AutoLogResources::kMsgTooManyCharacters);
        const std::size_t at = message.find("%1");
        if (at != std::string::npos)
            message.replace(at, 2, std::to_string(CAutoLogDlg::kMaxDirectoryLength));
        m_services.messages.ShowMessage(message, CMessageSink::Icon::Exclamation,
                                        CMessageSink::Buttons::Ok);
        return;
    }
    CAutoLogDlg::Settings settings;
    settings.enabled = m_ui->enabledBox->isChecked();
    settings.logCommands = m_ui->commandsBox->isChecked();
    settings.directory = m_directory;
    settings.method = m_ui->perWeekButton->isChecked()         ? CAutoLogDlg::kPerWeek
                      : m_ui->perConnectionButton->isChecked() ? CAutoLogDlg::kPerConnection
                                                               : CAutoLogDlg::kPerDay;
    m_autoLog.SetSettings(settings);
    m_autoLog.Save();
    QDialog::accept();
}
