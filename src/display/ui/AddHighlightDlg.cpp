#include "display/ui/AddHighlightDlg.h"

#include "base/MessageSink.h"
#include "display/ColouredTextDlg.h"
#include "display/HighlightResources.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "ui_AddHighlightDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

CAddHighlightDlg::CAddHighlightDlg(int mode, const std::string& text, CMessageSink& messages,
                                   QWidget* parent, CTextEncoding::Kind encoding)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddHighlightDlg>()), m_messages(messages),
      m_encoding(encoding)
{
    m_ui->setupUi(this);
    if (!text.empty())
        setWindowTitle(QStringLiteral("Modify Text to be Highlighted"));
    (mode > 0 ? m_ui->containsButton : m_ui->startsWithButton)->setChecked(true);
    m_ui->textEdit->setText(ToWidgetText(text, m_encoding));
    m_ui->startsWithButton->setToolTip(ToolTipText(HighlightResources::kStartsWithButton));
    m_ui->containsButton->setToolTip(ToolTipText(HighlightResources::kContainsButton));
    m_ui->textEdit->setToolTip(ToolTipText(HighlightResources::kTextField));

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAddHighlightDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAddHighlightDlg::reject);
    m_ui->textEdit->setFocus();
}

CAddHighlightDlg::~CAddHighlightDlg() = default;

std::uint32_t CAddHighlightDlg::Mode() const
{
    return m_ui->containsButton->isChecked() ? CColouredTextDlg::kContains
                                             : CColouredTextDlg::kStartsWith;
}

std::string CAddHighlightDlg::Text() const
{
    std::string text;
    if (!FromWidgetText(m_ui->textEdit->text(), m_encoding, text))
        text = FromWidgetText(m_ui->textEdit->text()); // refused by accept()
    return text;
}

QRadioButton* CAddHighlightDlg::StartsWithButton() const
{
    return m_ui->startsWithButton;
}

QRadioButton* CAddHighlightDlg::ContainsButton() const
{
    return m_ui->containsButton;
}

QLineEdit* CAddHighlightDlg::TextEdit() const
{
    return m_ui->textEdit;
}

QPushButton* CAddHighlightDlg::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CAddHighlightDlg::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

void CAddHighlightDlg::accept()
{
    if (Text().empty()) {
        m_messages.ShowMessage(LoadString(HighlightResources::kMsgEmptyText),
                               CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
        m_ui->textEdit->setFocus();
        return;
    }
    std::string text;
    if (!FromWidgetText(m_ui->textEdit->text(), m_encoding, text)) {
        m_messages.ShowMessage(LoadString(8419), CMessageSink::Icon::Exclamation,
                               CMessageSink::Buttons::Ok);
        m_ui->textEdit->setFocus();
        return;
    }
    QDialog::accept();
}
