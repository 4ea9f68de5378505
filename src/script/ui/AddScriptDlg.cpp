#include "script/ui/AddScriptDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <iterator>

#include "alerts/SoundPlayer.h"
#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "script/ScriptResources.h"
#include "script/ui/AddScriptCmdDlg.h"
#include "script/ui/ScriptFields.h"
#include "ui_AddScriptDlg.h"

namespace {

// The names in the order of the Condition choices.
constexpr int kNames[] = {ScriptResources::kOnConnect, ScriptResources::kOnReceive,
                          ScriptResources::kOnTimer};

std::string Name(int condition)
{
    return LoadString(kNames[condition]);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    return ToWidgetText(text).startsWith(ToWidgetText(prefix), Qt::CaseInsensitive);
}

} // namespace

CAddScriptDlg::CAddScriptDlg(const std::optional<std::string>& condition,
                             const std::optional<std::string>& commands, CAppServices& services,
                             QWidget* parent, CTextEncoding::Kind encoding)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddScriptDlg>()), m_services(services),
      m_encoding(encoding), m_ticker(new QTimer(this))
{
    m_ui->setupUi(this);
    for (int id : kNames)
        m_ui->conditionBox->addItem(ToWidgetText(LoadString(id)));
    m_ui->timerEdit->setText(QStringLiteral("1"));

    int chosen = kOnConnect;
    if (condition) {
        setWindowTitle(QStringLiteral("Modify Script"));
        for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) {
            const std::string name = Name(i);
            if (!StartsWithNoCase(*condition, name))
                continue;
            chosen = i;
            // The parameter: after the name and " (", without the last character.
            std::string parameter = condition->size() > name.size() + 2
                                        ? condition->substr(name.size() + 2)
                                        : std::string();
            if (i == kOnReceive) {
                if (!parameter.empty())
                    parameter.pop_back();
                m_ui->patternEdit->setText(ToWidgetText(parameter, m_encoding));
            } else if (i == kOnTimer) {
                m_ui->timerEdit->setText(QString::number(ScriptFields::LeadingInt(parameter)));
            }
            break;
        }
    }
    if (commands && !commands->empty()) {
        for (const QString& line : ToWidgetText(*commands, m_encoding).split(QLatin1Char('\n')))
            m_ui->commandList->addItem(line);
    }
    ScriptFields::KeepSingleLine(m_ui->timerEdit);
    ScriptFields::KeepSingleLine(m_ui->patternEdit);

    using namespace ScriptResources;
    m_ui->conditionBox->setToolTip(ToolTipText(kConditionChoice));
    m_ui->timerEdit->setToolTip(ToolTipText(kConditionTimer));
    m_ui->patternEdit->setToolTip(ToolTipText(kConditionPattern));
    m_ui->commandList->setToolTip(ToolTipText(kCommandList));
    m_ui->addButton->setToolTip(ToolTipText(kAddCommand));
    m_ui->modifyButton->setToolTip(ToolTipText(kModifyCommand));
    m_ui->deleteButton->setToolTip(ToolTipText(kDeleteCommand));
    m_ui->helpLabel->setToolTip(ToolTipText(kHelpTicker));
    m_ui->helpLabel->setText(ToWidgetText(LoadString(kScriptHelpText)));

    connect(m_ui->conditionBox, &QComboBox::currentIndexChanged, this,
            &CAddScriptDlg::OnConditionChosen);
    connect(m_ui->addButton, &QPushButton::clicked, this, &CAddScriptDlg::OnAdd);
    connect(m_ui->modifyButton, &QPushButton::clicked, this, &CAddScriptDlg::OnModify);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CAddScriptDlg::OnDelete);
    connect(m_ui->commandList, &QListWidget::itemDoubleClicked, this, &CAddScriptDlg::OnModify);
    connect(m_ui->commandList, &QListWidget::itemClicked, this, &CAddScriptDlg::UpdateButtons);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAddScriptDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAddScriptDlg::reject);

    m_ui->conditionBox->setCurrentIndex(chosen);
    OnConditionChosen(chosen);
    UpdateButtons();

    // The help text starts to scroll after a pause, then moves on a word every second.
    m_ticker->setInterval(kFirstTickMs);
    connect(m_ticker, &QTimer::timeout, this, &CAddScriptDlg::OnTick);
    m_ticker->start();
}

CAddScriptDlg::~CAddScriptDlg() = default;

void CAddScriptDlg::OnConditionChosen(int condition)
{
    m_ui->timerLabel->setVisible(condition == kOnTimer);
    m_ui->timerEdit->setVisible(condition == kOnTimer);
    m_ui->patternLabel->setVisible(condition == kOnReceive);
    m_ui->patternEdit->setVisible(condition == kOnReceive);
}

QString CAddScriptDlg::ScrolledHelp(const QString& text)
{
    if (text.isEmpty())
        return text;
    // The first word with its space moves to the end; a text without a space moves a letter.
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    const qsizetype cut = space < 0 ? 1 : space + 1;
    return text.mid(cut) + text.left(cut);
}

void CAddScriptDlg::OnTick()
{
    m_ticker->setInterval(kTickMs);
    m_ui->helpLabel->setText(ScrolledHelp(m_ui->helpLabel->text()));
}

int CAddScriptDlg::RunCommandDialog(CAddScriptCmdDlg& dialog)
{
    return m_runCommandDialog ? m_runCommandDialog(dialog) : dialog.exec();
}

void CAddScriptDlg::OnAdd()
{
    CAddScriptCmdDlg dialog(std::nullopt, m_services, this, m_encoding);
    if (RunCommandDialog(dialog) == QDialog::Accepted)
        m_ui->commandList->addItem(ToWidgetText(dialog.GetCommandText(), m_encoding));
    UpdateButtons();
}

void CAddScriptDlg::OnModify()
{
    QListWidgetItem* row = m_ui->commandList->currentItem();
    if (!row || !row->isSelected()) {
        m_services.sound.Beep();
        return;
    }
    CAddScriptCmdDlg dialog(Stored(row->text()), m_services, this, m_encoding);
    if (RunCommandDialog(dialog) == QDialog::Accepted)
        row->setText(ToWidgetText(dialog.GetCommandText(), m_encoding));
    UpdateButtons();
}

void CAddScriptDlg::OnDelete()
{
    QListWidgetItem* row = m_ui->commandList->currentItem();
    if (row && row->isSelected())
        delete row;
    UpdateButtons();
}

void CAddScriptDlg::UpdateButtons()
{
    QListWidget* list = m_ui->commandList;
    const bool empty = list->count() == 0;
    if (!empty && list->selectedItems().isEmpty())
        list->setCurrentRow(0);
    m_ui->modifyButton->setEnabled(!empty);
    m_ui->deleteButton->setEnabled(!empty);
}

void CAddScriptDlg::accept()
{
    const int condition = m_ui->conditionBox->currentIndex();
    if (condition == kOnTimer &&
        !ScriptFields::CheckNumber(m_ui->timerEdit, 1, kMaxTimer, m_services.messages))
        return;
    if (condition < kOnConnect || condition > kOnTimer ||
        (condition == kOnReceive && m_ui->patternEdit->text().isEmpty())) {
        m_services.messages.ShowMessage(LoadString(ScriptResources::kMsgInvalidCondition),
                                        CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
        return;
    }
    std::string pattern;
    if (condition == kOnReceive &&
        !FromWidgetText(m_ui->patternEdit->text(), m_encoding, pattern)) {
        m_services.messages.ShowMessage(FromWidgetText(TextNotCarriedMessage()),
                                        CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
        m_ui->patternEdit->setFocus();
        return;
    }
    m_ticker->stop();
    QDialog::accept();
}

std::string CAddScriptDlg::Stored(const QString& text) const
{
    // accept() refused what the host's encoding cannot carry; a list row came from bytes.
    std::string bytes;
    return FromWidgetText(text, m_encoding, bytes) ? bytes : FromWidgetText(text);
}

std::string CAddScriptDlg::GetConditionText() const
{
    const int condition = m_ui->conditionBox->currentIndex();
    if (condition < kOnConnect || condition > kOnTimer)
        return {};
    if (condition == kOnReceive)
        return Name(condition) + " (" + Stored(m_ui->patternEdit->text()) + ")";
    if (condition == kOnTimer) {
        const int number = ScriptFields::LeadingInt(FromWidgetText(m_ui->timerEdit->text()));
        if (number != 0)
            return Name(condition) + " (" + std::to_string(number) + ")";
    }
    return Name(condition) + " ( )";
}

std::string CAddScriptDlg::GetCommandsText() const
{
    std::string text;
    for (int i = 0; i < m_ui->commandList->count(); ++i) {
        if (i > 0)
            text += '\n';
        text += Stored(m_ui->commandList->item(i)->text());
    }
    return text;
}

QComboBox* CAddScriptDlg::ConditionBox() const
{
    return m_ui->conditionBox;
}
QLineEdit* CAddScriptDlg::TimerEdit() const
{
    return m_ui->timerEdit;
}
QLineEdit* CAddScriptDlg::PatternEdit() const
{
    return m_ui->patternEdit;
}
QListWidget* CAddScriptDlg::CommandList() const
{
    return m_ui->commandList;
}
QPushButton* CAddScriptDlg::AddButton() const
{
    return m_ui->addButton;
}
QPushButton* CAddScriptDlg::ModifyButton() const
{
    return m_ui->modifyButton;
}
QPushButton* CAddScriptDlg::DeleteButton() const
{
    return m_ui->deleteButton;
}
QLabel* CAddScriptDlg::HelpText() const
{
    return m_ui->helpLabel;
}
QPushButton* CAddScriptDlg::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}
