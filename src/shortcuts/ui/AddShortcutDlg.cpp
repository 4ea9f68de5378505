#include "shortcuts/ui/AddShortcutDlg.h"

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "shortcuts/ShortcutResources.h"
#include "shortcuts/ui/MultiLineText.h"
#include "ui_AddShortcutDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kMsgIntegerRange = 61715;
constexpr int kFirstKey = 1;
constexpr int kLastKey = 12;

} // namespace

CAddShortcutDlg::CAddShortcutDlg(Mode mode, int number, CShortcutsDlg::Modifier modifier,
                                 const std::string& text, CMessageSink& messages, QWidget* parent,
                                 CTextEncoding::Kind encoding)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddShortcutDlg>()), m_mode(mode),
      m_messages(messages), m_originalText(text), m_encoding(encoding)
{
    m_ui->setupUi(this);
    setWindowTitle(mode == Mode::Add ? QStringLiteral("Add Shortcut Key")
                                     : QStringLiteral("Modify Shortcut"));
    m_ui->numberEdit->setText(QString::number(number));
    ModifierButton(modifier)->setChecked(true);
    m_ui->textEdit->setPlainText(MultiLineText::ToField(text, m_encoding));
    m_originalField = m_ui->textEdit->toPlainText();
    if (mode == Mode::Modify) {
        m_ui->numberEdit->setEnabled(false);
        m_ui->modifierGroup->setEnabled(false);
        m_ui->textEdit->setFocus();
    } else {
        m_ui->numberEdit->setFocus();
        m_ui->numberEdit->selectAll();
    }

    m_ui->numberEdit->setToolTip(ToolTipText(ShortcutResources::kKeyNumberField));
    m_ui->normalButton->setToolTip(ToolTipText(ShortcutResources::kNormalChoice));
    m_ui->shiftButton->setToolTip(ToolTipText(ShortcutResources::kShiftChoice));
    m_ui->controlButton->setToolTip(ToolTipText(ShortcutResources::kControlChoice));
    m_ui->altButton->setToolTip(ToolTipText(ShortcutResources::kAltChoice));
    m_ui->textEdit->setToolTip(ToolTipText(ShortcutResources::kTextField));

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAddShortcutDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAddShortcutDlg::reject);
}

CAddShortcutDlg::~CAddShortcutDlg() = default;

int CAddShortcutDlg::Number() const
{
    bool ok = false;
    const int number = m_ui->numberEdit->text().trimmed().toInt(&ok);
    return ok ? number : 0;
}

CShortcutsDlg::Modifier CAddShortcutDlg::Modifier() const
{
    if (m_ui->shiftButton->isChecked())
        return CShortcutsDlg::kShift;
    if (m_ui->controlButton->isChecked())
        return CShortcutsDlg::kCtrl;
    if (m_ui->altButton->isChecked())
        return CShortcutsDlg::kAlt;
    return CShortcutsDlg::kNone;
}

std::uint32_t CAddShortcutDlg::KeyCode() const
{
    return CShortcutsDlg::MakeKeyCode(Number(), Modifier());
}

std::string CAddShortcutDlg::Text() const
{
    // Converting back would turn a lone CR or LF of a stored text into CR LF.
    const QString field = m_ui->textEdit->toPlainText();
    return field == m_originalField ? m_originalText : MultiLineText::FromField(field, m_encoding);
}

QLineEdit* CAddShortcutDlg::NumberEdit() const
{
    return m_ui->numberEdit;
}

QRadioButton* CAddShortcutDlg::ModifierButton(CShortcutsDlg::Modifier modifier) const
{
    switch (modifier) {
    case CShortcutsDlg::kShift:
        return m_ui->shiftButton;
    case CShortcutsDlg::kCtrl:
        return m_ui->controlButton;
    case CShortcutsDlg::kAlt:
        return m_ui->altButton;
    default:
        return m_ui->normalButton;
    }
}

QPlainTextEdit* CAddShortcutDlg::TextEdit() const
{
    return m_ui->textEdit;
}

QPushButton* CAddShortcutDlg::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CAddShortcutDlg::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

void CAddShortcutDlg::accept()
{
    const int number = Number();
    if (number < kFirstKey || number > kLastKey) {
        QString message = QString::fromLatin1(LoadString(kMsgIntegerRange));
        message.replace(QStringLiteral("%1"), QString::number(kFirstKey))
            .replace(QStringLiteral("%2"), QString::number(kLastKey));
        m_messages.ShowMessage(message.toStdString(), CMessageSink::Icon::Exclamation,
                               CMessageSink::Buttons::Ok);
        m_ui->numberEdit->setFocus();
        m_ui->numberEdit->selectAll();
        return;
    }
    if (!MultiLineText::FitsField(m_ui->textEdit->toPlainText(), m_encoding)) {
        m_messages.ShowMessage(LoadString(8419), CMessageSink::Icon::Exclamation,
                               CMessageSink::Buttons::Ok);
        m_ui->textEdit->setFocus();
        return;
    }
    QDialog::accept();
}
