#include "shortcuts/ui/AddAliasDlg.h"

#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "base/MessageSink.h"
#include "shortcuts/AliasResources.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/ui/MultiLineText.h"
#include "ui_AddAliasDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

CAddAliasDlg::CAddAliasDlg(Mode mode, const std::string& name, const std::string& action,
                           CMessageSink& messages, QWidget* parent, CTextEncoding::Kind encoding)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddAliasDlg>()), m_mode(mode),
      m_messages(messages), m_originalAction(action), m_encoding(encoding)
{
    m_ui->setupUi(this);
    setWindowTitle(mode == Mode::Add ? QStringLiteral("Add Alias")
                                     : QStringLiteral("Modify Alias"));
    m_ui->nameEdit->setText(ToWidgetText(name, m_encoding));
    m_ui->nameEdit->setReadOnly(mode == Mode::Modify);
    m_ui->actionEdit->setPlainText(MultiLineText::ToField(action, m_encoding));
    // The field turns a lone CR into a line break of its own; remember what it shows.
    m_originalText = m_ui->actionEdit->toPlainText();
    m_ui->nameEdit->setToolTip(ToolTipText(AliasResources::kNameField));
    m_ui->actionEdit->setToolTip(ToolTipText(AliasResources::kActionField));

    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAddAliasDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAddAliasDlg::reject);

    if (mode == Mode::Modify)
        m_ui->actionEdit->setFocus();
    else
        m_ui->nameEdit->setFocus();
}

CAddAliasDlg::~CAddAliasDlg() = default;

std::string CAddAliasDlg::Name() const
{
    return MultiLineText::FromField(m_ui->nameEdit->text(), m_encoding);
}

std::string CAddAliasDlg::Action() const
{
    // Converting back would turn a lone CR or LF of a stored action into CR LF, so an action
    // that was not edited is returned as it came.
    const QString text = m_ui->actionEdit->toPlainText();
    return text == m_originalText ? m_originalAction : MultiLineText::FromField(text, m_encoding);
}

QLineEdit* CAddAliasDlg::NameEdit() const
{
    return m_ui->nameEdit;
}

QPlainTextEdit* CAddAliasDlg::ActionEdit() const
{
    return m_ui->actionEdit;
}

QPushButton* CAddAliasDlg::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CAddAliasDlg::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

void CAddAliasDlg::accept()
{
    if (!MultiLineText::FitsField(m_ui->nameEdit->text(), m_encoding) ||
        !MultiLineText::FitsField(m_ui->actionEdit->toPlainText(), m_encoding)) {
        m_messages.ShowMessage(LoadString(8419), CMessageSink::Icon::Exclamation,
                               CMessageSink::Buttons::Ok);
        return;
    }
    const int problem = CAliasesDlg::ValidateEntry(Name(), Action(), m_mode == Mode::Add);
    if (problem != 0) {
        m_messages.ShowMessage(LoadString(problem), CMessageSink::Icon::Exclamation,
                               CMessageSink::Buttons::Ok);
        if (m_mode == Mode::Add && Name().empty())
            m_ui->nameEdit->setFocus();
        else
            m_ui->actionEdit->setFocus();
        return;
    }
    QDialog::accept();
}
