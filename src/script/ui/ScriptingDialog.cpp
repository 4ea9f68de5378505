#include "script/ui/ScriptingDialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "base/RandomGenerator.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "script/ScriptResources.h"
#include "script/ScriptingDlg.h"
#include "script/ui/AddScriptDlg.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "settings/SettingsStore.h"
#include "ui_ScriptingDialog.h"

namespace {

constexpr std::string_view kSection = "Scripts";
constexpr std::string_view kConditionWidth = "Condition Width";
constexpr std::string_view kCommandsWidth = "Commands Width";

// Each row keeps its texts in display form (the commands with their line feeds) and the
// index of the script it was made from; the cells show the commands on one line.
constexpr int kConditionRole = Qt::UserRole;
constexpr int kCommandsRole = Qt::UserRole + 1;
constexpr int kOriginRole = Qt::UserRole + 2;

const char* const kOkCaptions[CScriptingDialog::kCaptionCount] = {
    "OK",
    "Go on .. it's OK",
    "Skarn says YUM!",
    "Go for it!",
    "The Mushrooms are your Master!",
    "Just do it, OK",
    "Click me, click me!",
    "Commit me, permanently!",
    "That's what I want!",
    "OK, I'm done",
};
const char* const kCancelCaptions[CScriptingDialog::kCaptionCount] = {
    "Cancel",
    "Forget it!",
    "Perhaps not",
    "Don't do it!",
    "Well ... I messed that up!",
    "I've had second thoughts",
    "Scratch that",
    "I've changed my mind",
    "Just say no",
    "You don't want to do that!",
};

std::string Text(const QTreeWidgetItem* row, int role)
{
    return row->data(0, role).toByteArray().toStdString();
}

void SetTexts(QTreeWidgetItem* row, const std::string& condition, const std::string& commands,
              int origin, CTextEncoding::Kind encoding)
{
    row->setData(0, kConditionRole, QByteArray::fromStdString(condition));
    row->setData(0, kCommandsRole, QByteArray::fromStdString(commands));
    row->setData(0, kOriginRole, origin);
    row->setText(0, ToWidgetText(condition, encoding));
    QString shown = ToWidgetText(commands, encoding);
    shown.replace(QLatin1Char('\n'), QStringLiteral("; "));
    row->setText(1, shown);
}

} // namespace

CScriptingDialog::CScriptingDialog(CScriptingDlg& scripts, CAppServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ScriptingDialog>()), m_scripts(scripts),
      m_services(services), m_captionTimer(new QTimer(this))
{
    m_ui->setupUi(this);
    for (const CScriptingDlg::DisplayScript& script : scripts.DisplayScripts())
        AddRow(m_ui->scriptList->topLevelItemCount(), script.condition, script.commands,
               script.origin);

    // The columns keep the widths the user gave them; the last one does not stretch.
    m_ui->scriptList->header()->setStretchLastSection(false);
    const int conditionWidth = services.settings.ReadInt(kSection, kConditionWidth, -1);
    const int commandsWidth = services.settings.ReadInt(kSection, kCommandsWidth, -1);
    if (conditionWidth >= 0 && commandsWidth >= 0) {
        m_ui->scriptList->header()->resizeSection(0, conditionWidth);
        m_ui->scriptList->header()->resizeSection(1, commandsWidth);
        m_widthsSet = true;
    }

    using namespace ScriptResources;
    m_ui->scriptList->setToolTip(ToolTipText(kScriptList));
    m_ui->insertBeforeButton->setToolTip(ToolTipText(kInsertBefore));
    m_ui->insertAfterButton->setToolTip(ToolTipText(kInsertAfter));
    m_ui->modifyButton->setToolTip(ToolTipText(kModifyScript));
    m_ui->deleteButton->setToolTip(ToolTipText(kDeleteScript));
    m_ui->moveUpButton->setToolTip(ToolTipText(kMoveUp));
    m_ui->moveDownButton->setToolTip(ToolTipText(kMoveDown));

    connect(m_ui->insertBeforeButton, &QPushButton::clicked, this,
            &CScriptingDialog::OnInsertBefore);
    connect(m_ui->insertAfterButton, &QPushButton::clicked, this, &CScriptingDialog::OnInsertAfter);
    connect(m_ui->modifyButton, &QPushButton::clicked, this, &CScriptingDialog::OnModify);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CScriptingDialog::OnDelete);
    connect(m_ui->moveUpButton, &QPushButton::clicked, this, &CScriptingDialog::OnMoveUp);
    connect(m_ui->moveDownButton, &QPushButton::clicked, this, &CScriptingDialog::OnMoveDown);
    connect(m_ui->scriptList, &QTreeWidget::itemDoubleClicked, this, &CScriptingDialog::OnModify);
    connect(m_ui->scriptList, &QTreeWidget::itemClicked, this, &CScriptingDialog::UpdateButtons);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CScriptingDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CScriptingDialog::reject);
    UpdateButtons();

    // Wide enough for every caption, so that the game never shifts the dialog's layout.
    int widest = 0;
    for (int i = 0; i < kCaptionCount; ++i)
        widest = std::max({widest, fontMetrics().horizontalAdvance(OkCaption(i)),
                           fontMetrics().horizontalAdvance(CancelCaption(i))});
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setMinimumWidth(widest + 2 * fontMetrics().averageCharWidth() + 8);

    m_captionTimer->setInterval(kCaptionPeriodMs);
    connect(m_captionTimer, &QTimer::timeout, this, &CScriptingDialog::OnCaption);
    m_captionTimer->start();
}

CScriptingDialog::~CScriptingDialog() = default;

QString CScriptingDialog::OkCaption(int index)
{
    return index >= 0 && index < kCaptionCount ? QString::fromLatin1(kOkCaptions[index])
                                               : QString();
}

QString CScriptingDialog::CancelCaption(int index)
{
    return index >= 0 && index < kCaptionCount ? QString::fromLatin1(kCancelCaptions[index])
                                               : QString();
}

void CScriptingDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Without stored widths the two columns share the list's width.
    if (!m_widthsSet) {
        const int half = m_ui->scriptList->viewport()->width() / 2;
        m_ui->scriptList->header()->resizeSection(0, half);
        m_ui->scriptList->header()->resizeSection(1, half);
        m_widthsSet = true;
    }
}

void CScriptingDialog::AddRow(int at, const std::string& condition, const std::string& commands,
                              int origin)
{
    auto* row = new QTreeWidgetItem();
    SetTexts(row, condition, commands, origin, Encoding());
    m_ui->scriptList->insertTopLevelItem(at, row);
}

int CScriptingDialog::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_ui->scriptList->selectedItems();
    return selected.isEmpty() ? -1 : m_ui->scriptList->indexOfTopLevelItem(selected.front());
}

void CScriptingDialog::SwapRows(int a, int b)
{
    QTreeWidgetItem* first = m_ui->scriptList->topLevelItem(a);
    QTreeWidgetItem* second = m_ui->scriptList->topLevelItem(b);
    const std::string condition = Text(first, kConditionRole);
    const std::string commands = Text(first, kCommandsRole);
    const int origin = first->data(0, kOriginRole).toInt();
    SetTexts(first, Text(second, kConditionRole), Text(second, kCommandsRole),
             second->data(0, kOriginRole).toInt(), Encoding());
    SetTexts(second, condition, commands, origin, Encoding());
}

void CScriptingDialog::Insert(bool after)
{
    CAddScriptDlg dialog(std::nullopt, std::nullopt, m_services, this, Encoding());
    const int result = m_runScriptDialog ? m_runScriptDialog(dialog) : dialog.exec();
    if (result == QDialog::Accepted) {
        const int selected = SelectedRow();
        int at = after ? m_ui->scriptList->topLevelItemCount() : 0;
        if (selected >= 0)
            at = after ? selected + 1 : selected;
        AddRow(at, dialog.GetConditionText(), dialog.GetCommandsText(), CScriptingDlg::kNewScript);
    }
    UpdateButtons();
}

void CScriptingDialog::OnInsertBefore()
{
    Insert(false);
}

void CScriptingDialog::OnInsertAfter()
{
    Insert(true);
}

void CScriptingDialog::OnModify()
{
    const int selected = SelectedRow();
    if (selected >= 0) {
        QTreeWidgetItem* row = m_ui->scriptList->topLevelItem(selected);
        CAddScriptDlg dialog(Text(row, kConditionRole), Text(row, kCommandsRole), m_services, this,
                             Encoding());
        const int result = m_runScriptDialog ? m_runScriptDialog(dialog) : dialog.exec();
        if (result == QDialog::Accepted)
            SetTexts(row, dialog.GetConditionText(), dialog.GetCommandsText(),
                     row->data(0, kOriginRole).toInt(), Encoding());
    }
    UpdateButtons();
}

void CScriptingDialog::OnDelete()
{
    const int selected = SelectedRow();
    if (selected >= 0) {
        QTreeWidgetItem* row = m_ui->scriptList->topLevelItem(selected);
        const std::string question = LoadString(ScriptResources::kMsgRemoveScript) +
                                     Text(row, kConditionRole) + "\nTHEN " +
                                     Text(row, kCommandsRole);
        if (m_services.messages.ShowMessage(question, CMessageSink::Icon::Question,
                                            CMessageSink::Buttons::YesNo) ==
            CMessageSink::Answer::Yes) {
            delete row;
            // As in a list control, nothing is selected after a delete: the first row will be.
            m_ui->scriptList->clearSelection();
        }
    }
    UpdateButtons();
}

void CScriptingDialog::OnMoveUp()
{
    const int selected = SelectedRow();
    if (selected > 0)
        SwapRows(selected, selected - 1);
    UpdateButtons();
}

void CScriptingDialog::OnMoveDown()
{
    const int selected = SelectedRow();
    if (selected >= 0 && selected + 1 < m_ui->scriptList->topLevelItemCount())
        SwapRows(selected, selected + 1);
    UpdateButtons();
}

void CScriptingDialog::OnCaption()
{
    QPushButton* button = m_services.random.Next() % 2 == 0 ? m_ui->okButton : m_ui->cancelButton;
    const int index = m_services.random.Next() % kCaptionCount;
    button->setText(button == m_ui->okButton ? OkCaption(index) : CancelCaption(index));
}

void CScriptingDialog::UpdateButtons()
{
    QTreeWidget* list = m_ui->scriptList;
    const bool empty = list->topLevelItemCount() == 0;
    if (!empty && list->selectedItems().isEmpty()) {
        list->setCurrentItem(list->topLevelItem(0));
        list->topLevelItem(0)->setSelected(true);
    }
    for (QPushButton* button :
         {m_ui->modifyButton, m_ui->deleteButton, m_ui->moveUpButton, m_ui->moveDownButton})
        button->setEnabled(!empty);
}

void CScriptingDialog::accept()
{
    std::vector<CScriptingDlg::DisplayScript> rows;
    for (int i = 0; i < m_ui->scriptList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_ui->scriptList->topLevelItem(i);
        rows.push_back({Text(row, kConditionRole), Text(row, kCommandsRole),
                        row->data(0, kOriginRole).toInt()});
    }
    m_scripts.SetDisplayScripts(rows);
    m_scripts.Save();
    QDialog::accept();
}

void CScriptingDialog::done(int result)
{
    m_captionTimer->stop();
    QHeaderView* header = m_ui->scriptList->header();
    m_services.settings.WriteInt(kSection, kConditionWidth, header->sectionSize(0));
    m_services.settings.WriteInt(kSection, kCommandsWidth, header->sectionSize(1));
    QDialog::done(result);
}

QTreeWidget* CScriptingDialog::ScriptList() const
{
    return m_ui->scriptList;
}
QPushButton* CScriptingDialog::InsertBeforeButton() const
{
    return m_ui->insertBeforeButton;
}
QPushButton* CScriptingDialog::InsertAfterButton() const
{
    return m_ui->insertAfterButton;
}
QPushButton* CScriptingDialog::ModifyButton() const
{
    return m_ui->modifyButton;
}
QPushButton* CScriptingDialog::DeleteButton() const
{
    return m_ui->deleteButton;
}
QPushButton* CScriptingDialog::MoveUpButton() const
{
    return m_ui->moveUpButton;
}
QPushButton* CScriptingDialog::MoveDownButton() const
{
    return m_ui->moveDownButton;
}
QPushButton* CScriptingDialog::OkButton() const
{
    return m_ui->okButton;
}
QPushButton* CScriptingDialog::CancelButton() const
{
    return m_ui->cancelButton;
}

bool EditScripts(CScriptingDlg& scripts, CAppServices& services, QWidget* parent)
{
    CScriptingDialog dialog(scripts, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}

CTextEncoding::Kind CScriptingDialog::Encoding() const
{
    return ReadHostEncoding(m_services.settings, m_scripts.HostName());
}
