#include "shortcuts/ui/ShortcutsDialog.h"

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "settings/SettingsStore.h"
#include "shortcuts/ShortcutResources.h"
#include "shortcuts/ui/AddShortcutDlg.h"
#include "ui_ShortcutsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr std::string_view kWidthSection = "Shortcuts";
constexpr std::string_view kKeysWidthEntry = "Keys Width";
constexpr std::string_view kActionsWidthEntry = "Actions Width";
constexpr int kDefaultKeysWidth = 80;
constexpr int kDefaultActionsWidth = 270;

const char* const kTickerText = "Press a function key to send its text as commands.\n"
                                "Each line of the text is sent as a command of its own.\n"
                                "Shift, Ctrl and Alt give every key three more shortcuts.\n"
                                "F1 opens the help only while it has no shortcut.\n"
                                "Some keys may be taken by the desktop and never arrive.\n";

constexpr int kCodeRole = Qt::UserRole;
constexpr int kTextRole = Qt::UserRole + 1;

std::uint32_t Code(const QTreeWidgetItem* row)
{
    return row->data(0, kCodeRole).toUInt();
}

std::string Text(const QTreeWidgetItem* row)
{
    return row->data(0, kTextRole).toByteArray().toStdString();
}

// The list's order is the key names' as text: Alt+F1, Ctrl+F1, F1, F10, ..., Shift+F1.
bool KeyLess(std::uint32_t a, std::uint32_t b)
{
    return CShortcutsDlg::KeyName(a) < CShortcutsDlg::KeyName(b);
}

int SaneWidth(int stored, int fallback)
{
    return stored > 0 && stored <= 10000 ? stored : fallback;
}

void SetRow(QTreeWidgetItem* row, std::uint32_t keyCode, const std::string& text,
            CTextEncoding::Kind encoding)
{
    QString shown = ToWidgetText(text, encoding);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral(" \u21B5 "));
    row->setText(0, QString::fromStdString(CShortcutsDlg::KeyName(keyCode)));
    row->setText(1, shown);
    row->setData(0, kCodeRole, keyCode);
    row->setData(0, kTextRole, QByteArray::fromStdString(text));
}

bool Shown(std::uint32_t keyCode, const std::string& text)
{
    const std::uint32_t key = keyCode & 0xFF;
    return key >= CShortcutsDlg::kF1 && key <= CShortcutsDlg::kF12 && !text.empty();
}

} // namespace

CShortcutsDialog::CShortcutsDialog(CShortcutsDlg& shortcuts, CAppServices& services,
                                   QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ShortcutsDialog>()), m_shortcuts(shortcuts),
      m_services(services), m_ticker(new QTimer(this))
{
    m_ui->setupUi(this);
    CSettingsStore& settings = services.settings;
    QTreeWidget* list = m_ui->shortcutList;
    list->setColumnWidth(
        0, SaneWidth(settings.ReadInt(kWidthSection, kKeysWidthEntry, kDefaultKeysWidth),
                     kDefaultKeysWidth));
    list->setColumnWidth(
        1, SaneWidth(settings.ReadInt(kWidthSection, kActionsWidthEntry, kDefaultActionsWidth),
                     kDefaultActionsWidth));
    list->header()->setSectionsMovable(false);

    // Keys outside F1-F12 and empty texts stay in the store but are not shown, so the next
    // OK drops them.
    for (const auto& [code, text] : shortcuts.Shortcuts()) {
        if (Shown(code, text))
            InsertSorted(code, text);
    }

    list->setToolTip(ToolTipText(ShortcutResources::kShortcutList));
    m_ui->addButton->setToolTip(ToolTipText(ShortcutResources::kAddButton));
    m_ui->modifyButton->setToolTip(ToolTipText(ShortcutResources::kModifyButton));
    m_ui->deleteButton->setToolTip(ToolTipText(ShortcutResources::kDeleteButton));

    connect(m_ui->addButton, &QPushButton::clicked, this, &CShortcutsDialog::OnAdd);
    connect(m_ui->modifyButton, &QPushButton::clicked, this, &CShortcutsDialog::OnModify);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CShortcutsDialog::OnDelete);
    connect(list, &QTreeWidget::itemSelectionChanged, this, &CShortcutsDialog::UpdateButtons);
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
        m_ui->shortcutList->setCurrentItem(row);
        OnModify();
    });
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CShortcutsDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CShortcutsDialog::reject);
    UpdateButtons();

    m_ui->tickerText->setPlainText(QString::fromLatin1(kTickerText));
    m_ticker->setInterval(kTickerPeriodMs);
    connect(m_ticker, &QTimer::timeout, this, &CShortcutsDialog::OnTick);
    m_ticker->start();
}

CShortcutsDialog::~CShortcutsDialog() = default;

CShortcutsDlg::ShortcutList CShortcutsDialog::Rows() const
{
    CShortcutsDlg::ShortcutList rows;
    for (int i = 0; i < m_ui->shortcutList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_ui->shortcutList->topLevelItem(i);
        rows.emplace_back(Code(row), Text(row));
    }
    return rows;
}

QTreeWidget* CShortcutsDialog::ShortcutList() const
{
    return m_ui->shortcutList;
}
QPushButton* CShortcutsDialog::AddButton() const
{
    return m_ui->addButton;
}
QPushButton* CShortcutsDialog::ModifyButton() const
{
    return m_ui->modifyButton;
}
QPushButton* CShortcutsDialog::DeleteButton() const
{
    return m_ui->deleteButton;
}
QPushButton* CShortcutsDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}
QPushButton* CShortcutsDialog::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}
QPlainTextEdit* CShortcutsDialog::Ticker() const
{
    return m_ui->tickerText;
}

void CShortcutsDialog::OnAdd()
{
    std::string text;
    for (;;) {
        CAddShortcutDlg dialog(CAddShortcutDlg::Mode::Add, 0, CShortcutsDlg::kNone, text,
                               m_services.messages, this, Encoding());
        if (RunAddDialog(dialog) != QDialog::Accepted)
            break;
        const std::uint32_t code = dialog.KeyCode();
        text = dialog.Text();
        QTreeWidgetItem* existing = FindRow(code);
        if (existing == nullptr) {
            InsertSorted(code, text);
            break;
        }
        const auto answer = m_services.messages.ShowMessage(
            LoadString(ShortcutResources::kMsgOverwriteShortcut), CMessageSink::Icon::Question,
            CMessageSink::Buttons::YesNo);
        if (answer == CMessageSink::Answer::Yes) {
            SetRow(existing, code, text, Encoding());
            break;
        }
        // Ask again for another key, keeping the text.
    }
    UpdateButtons();
}

void CShortcutsDialog::OnModify()
{
    QTreeWidgetItem* row = SelectedRow();
    if (row != nullptr) {
        const std::uint32_t code = Code(row);
        CAddShortcutDlg dialog(CAddShortcutDlg::Mode::Modify, static_cast<int>(code & 0xFF) - 111,
                               static_cast<CShortcutsDlg::Modifier>((code >> 8) & 0xF), Text(row),
                               m_services.messages, this, Encoding());
        if (RunAddDialog(dialog) == QDialog::Accepted)
            SetRow(row, code, dialog.Text(), Encoding());
    }
    UpdateButtons();
}

void CShortcutsDialog::OnDelete()
{
    QTreeWidgetItem* row = SelectedRow();
    if (row != nullptr) {
        const std::string question = LoadString(ShortcutResources::kMsgRemoveShortcut) +
                                     CShortcutsDlg::KeyName(Code(row)) + ": " + Text(row);
        const auto answer = m_services.messages.ShowMessage(question, CMessageSink::Icon::None,
                                                            CMessageSink::Buttons::YesNo);
        if (answer == CMessageSink::Answer::Yes)
            delete row;
    }
    UpdateButtons();
}

void CShortcutsDialog::accept()
{
    m_shortcuts.SetShortcuts(Rows());
    m_shortcuts.Save();
    QDialog::accept();
}

void CShortcutsDialog::done(int result)
{
    m_ticker->stop();
    CSettingsStore& settings = m_services.settings;
    settings.WriteInt(kWidthSection, kKeysWidthEntry, m_ui->shortcutList->columnWidth(0));
    settings.WriteInt(kWidthSection, kActionsWidthEntry, m_ui->shortcutList->columnWidth(1));
    QDialog::done(result);
}

void CShortcutsDialog::OnTick()
{
    QString text = m_ui->tickerText->toPlainText();
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    if (end < 0 || end + 1 >= text.size())
        return;
    text = text.mid(end + 1) + text.left(end + 1);
    m_ui->tickerText->setPlainText(text);
}

void CShortcutsDialog::UpdateButtons()
{
    QTreeWidget* list = m_ui->shortcutList;
    const bool empty = list->topLevelItemCount() == 0;
    if (!empty && SelectedRow() == nullptr)
        list->setCurrentItem(list->topLevelItem(0));
    m_ui->modifyButton->setEnabled(!empty);
    m_ui->deleteButton->setEnabled(!empty);
}

void CShortcutsDialog::InsertSorted(std::uint32_t keyCode, const std::string& text)
{
    QTreeWidget* list = m_ui->shortcutList;
    int at = list->topLevelItemCount();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (KeyLess(keyCode, Code(list->topLevelItem(i)))) {
            at = i;
            break;
        }
    }
    auto* row = new QTreeWidgetItem();
    SetRow(row, keyCode, text, Encoding());
    list->insertTopLevelItem(at, row);
}

QTreeWidgetItem* CShortcutsDialog::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_ui->shortcutList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QTreeWidgetItem* CShortcutsDialog::FindRow(std::uint32_t keyCode) const
{
    for (int i = 0; i < m_ui->shortcutList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_ui->shortcutList->topLevelItem(i);
        if (Code(row) == keyCode)
            return row;
    }
    return nullptr;
}

int CShortcutsDialog::RunAddDialog(CAddShortcutDlg& dialog)
{
    if (m_runAddDialog)
        return m_runAddDialog(dialog);
    CInputViewGuard guard(m_services.app);
    return dialog.exec();
}

bool EditShortcuts(CShortcutsDlg& shortcuts, CAppServices& services, QWidget* parent)
{
    CShortcutsDialog dialog(shortcuts, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}

CTextEncoding::Kind CShortcutsDialog::Encoding() const
{
    return ReadHostEncoding(m_services.settings, m_shortcuts.HostName());
}
