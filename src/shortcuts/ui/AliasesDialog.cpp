#include "shortcuts/ui/AliasesDialog.h"

#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/MessageSink.h"
#include "base/SessionView.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasResources.h"
#include "shortcuts/ui/AddAliasDlg.h"
#include "ui_AliasesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr std::string_view kWidthSection = "Aliases";
constexpr std::string_view kAliasWidthEntry = "Alias Width";
constexpr std::string_view kActionWidthEntry = "Action Width";
constexpr int kDefaultAliasWidth = 100;
constexpr int kDefaultActionWidth = 250;
constexpr int kTickerPeriodMs = 250;

const char* const kOverwriteQuestion =
    "That alias already exists. Do you want to overwrite the existing one?";
const char* const kDeleteQuestion =
    "Are you certain that you want to remove the following Alias?\n";
const char* const kTickerText =
    "Type the alias indicator, the alias name and a space, then any words you like: "
    "$1, $2, ... in the commands become those words and $* becomes everything typed after "
    "the name.   ***   ";

constexpr int kNameRole = Qt::UserRole;
constexpr int kActionRole = Qt::UserRole + 1;

std::string Bytes(const QTreeWidgetItem* row, int role)
{
    return row->data(0, role).toByteArray().toStdString();
}

// Ascending by name, ignoring case first so that "Go" and "go" sit together; names that
// differ only in case are ordered by their bytes.
bool NameLess(const std::string& a, const std::string& b)
{
    const int folded = QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

// A stored width outside any sensible range (a damaged entry) would hide or swamp a column.
int SaneWidth(int stored, int fallback)
{
    return stored > 0 && stored <= 10000 ? stored : fallback;
}

// The list shows a multi-line action on one row, its lines separated by a return arrow.
QString DisplayAction(const std::string& action, CTextEncoding::Kind encoding)
{
    QString text = ToWidgetText(action, encoding);
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" \u21B5 "));
    return text;
}

// A row keeps the exact bytes of name and action; its texts are only for showing them.
void SetRowAction(QTreeWidgetItem* row, const std::string& action, CTextEncoding::Kind encoding)
{
    row->setText(1, DisplayAction(action, encoding));
    row->setData(0, kActionRole, QByteArray::fromStdString(action));
}

QTreeWidgetItem* MakeRow(const std::string& name, const std::string& action,
                         CTextEncoding::Kind encoding)
{
    auto* row = new QTreeWidgetItem();
    row->setText(0, ToWidgetText(name, encoding));
    row->setData(0, kNameRole, QByteArray::fromStdString(name));
    SetRowAction(row, action, encoding);
    return row;
}

} // namespace

CAliasesDialog::CAliasesDialog(CAliasesDlg& aliases, CAppServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AliasesDialog>()), m_aliases(aliases),
      m_services(services), m_ticker(new QTimer(this))
{
    m_ui->setupUi(this);

    for (char c : kAliasIndicatorChars)
        m_ui->aliasCharBox->addItem(QString(QLatin1Char(c)));
    const auto found = kAliasIndicatorChars.find(aliases.GetAliasChar());
    m_ui->aliasCharBox->setCurrentIndex(found == std::string_view::npos ? 0
                                                                        : static_cast<int>(found));

    CSettingsStore& settings = services.settings;
    m_ui->aliasList->setColumnWidth(
        0, SaneWidth(settings.ReadInt(kWidthSection, kAliasWidthEntry, kDefaultAliasWidth),
                     kDefaultAliasWidth));
    m_ui->aliasList->setColumnWidth(
        1, SaneWidth(settings.ReadInt(kWidthSection, kActionWidthEntry, kDefaultActionWidth),
                     kDefaultActionWidth));
    m_ui->aliasList->header()->setSectionsMovable(false);

    CAliasesDlg::AliasList rows = aliases.Aliases();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return NameLess(a.first, b.first); });
    for (const auto& [name, action] : rows)
        m_ui->aliasList->addTopLevelItem(MakeRow(name, action, Encoding()));

    m_ui->aliasList->setToolTip(ToolTipText(AliasResources::kAliasList));
    m_ui->aliasCharBox->setToolTip(ToolTipText(AliasResources::kAliasCharChoice));
    m_ui->addButton->setToolTip(ToolTipText(AliasResources::kAddButton));
    m_ui->modifyButton->setToolTip(ToolTipText(AliasResources::kModifyButton));
    m_ui->deleteButton->setToolTip(ToolTipText(AliasResources::kDeleteButton));

    connect(m_ui->addButton, &QPushButton::clicked, this, &CAliasesDialog::OnAdd);
    connect(m_ui->modifyButton, &QPushButton::clicked, this, &CAliasesDialog::OnModify);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CAliasesDialog::OnDelete);
    connect(m_ui->aliasList, &QTreeWidget::itemSelectionChanged, this,
            &CAliasesDialog::UpdateButtons);
    connect(m_ui->aliasList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
        m_ui->aliasList->setCurrentItem(row);
        OnModify();
    });
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAliasesDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAliasesDialog::reject);
    UpdateButtons();

    // The ticker label must not ask for the width of its whole (long) text.
    m_ui->tickerLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_ui->tickerLabel->setText(QString::fromLatin1(kTickerText));
    m_ticker->setInterval(kTickerPeriodMs);
    connect(m_ticker, &QTimer::timeout, this, &CAliasesDialog::OnTick);
    m_ticker->start();
}

CAliasesDialog::~CAliasesDialog() = default;

CAliasesDlg::AliasList CAliasesDialog::Rows() const
{
    CAliasesDlg::AliasList rows;
    const int count = m_ui->aliasList->topLevelItemCount();
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* row = m_ui->aliasList->topLevelItem(i);
        rows.emplace_back(Bytes(row, kNameRole), Bytes(row, kActionRole));
    }
    return rows;
}

QTreeWidget* CAliasesDialog::AliasList() const
{
    return m_ui->aliasList;
}
QComboBox* CAliasesDialog::AliasCharBox() const
{
    return m_ui->aliasCharBox;
}
QPushButton* CAliasesDialog::AddButton() const
{
    return m_ui->addButton;
}
QPushButton* CAliasesDialog::ModifyButton() const
{
    return m_ui->modifyButton;
}
QPushButton* CAliasesDialog::DeleteButton() const
{
    return m_ui->deleteButton;
}
QLabel* CAliasesDialog::Ticker() const
{
    return m_ui->tickerLabel;
}

QPushButton* CAliasesDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CAliasesDialog::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

void CAliasesDialog::OnAdd()
{
    std::string name;
    std::string action;
    for (;;) {
        CAddAliasDlg dialog(CAddAliasDlg::Mode::Add, name, action, m_services.messages, this,
                            Encoding());
        if (RunAddDialog(dialog) != QDialog::Accepted)
            break;
        name = dialog.Name();
        action = dialog.Action();
        QTreeWidgetItem* existing = FindRow(name);
        if (existing == nullptr) {
            InsertSorted(name, action);
            break;
        }
        const auto answer = m_services.messages.ShowMessage(
            kOverwriteQuestion, CMessageSink::Icon::Question, CMessageSink::Buttons::YesNo);
        if (answer == CMessageSink::Answer::Yes) {
            SetRowAction(existing, action, Encoding());
            break;
        }
        // Ask again for a different name, keeping what was typed as the commands.
        name.clear();
    }
    UpdateButtons();
}

void CAliasesDialog::OnModify()
{
    QTreeWidgetItem* row = SelectedRow();
    if (row != nullptr) {
        CAddAliasDlg dialog(CAddAliasDlg::Mode::Modify, Bytes(row, kNameRole),
                            Bytes(row, kActionRole), m_services.messages, this, Encoding());
        if (RunAddDialog(dialog) == QDialog::Accepted)
            SetRowAction(row, dialog.Action(), Encoding());
    }
    UpdateButtons();
}

void CAliasesDialog::OnDelete()
{
    QTreeWidgetItem* row = SelectedRow();
    if (row != nullptr) {
        const std::string question =
            kDeleteQuestion + Bytes(row, kNameRole) + ": " + Bytes(row, kActionRole);
        const auto answer = m_services.messages.ShowMessage(question, CMessageSink::Icon::None,
                                                            CMessageSink::Buttons::YesNo);
        if (answer == CMessageSink::Answer::Yes)
            delete row;
    }
    UpdateButtons();
}

void CAliasesDialog::accept()
{
    const int index = std::max(0, m_ui->aliasCharBox->currentIndex());
    m_aliases.SetAliases(kAliasIndicatorChars[static_cast<std::size_t>(index)], Rows());
    m_aliases.Save();
    QDialog::accept();
}

void CAliasesDialog::done(int result)
{
    m_ticker->stop();
    CSettingsStore& settings = m_services.settings;
    settings.WriteInt(kWidthSection, kAliasWidthEntry, m_ui->aliasList->columnWidth(0));
    settings.WriteInt(kWidthSection, kActionWidthEntry, m_ui->aliasList->columnWidth(1));
    QDialog::done(result);
}

void CAliasesDialog::OnTick()
{
    QString text = m_ui->tickerLabel->text();
    if (text.size() > 1) {
        text.append(text.front());
        text.remove(0, 1);
        m_ui->tickerLabel->setText(text);
    }
}

void CAliasesDialog::UpdateButtons()
{
    QTreeWidget* list = m_ui->aliasList;
    const bool empty = list->topLevelItemCount() == 0;
    if (!empty && SelectedRow() == nullptr)
        list->setCurrentItem(list->topLevelItem(0));
    m_ui->modifyButton->setEnabled(!empty);
    m_ui->deleteButton->setEnabled(!empty);
}

void CAliasesDialog::InsertSorted(const std::string& name, const std::string& action)
{
    // After any rows of the same name, so equal names keep the order they came in.
    QTreeWidget* list = m_ui->aliasList;
    int at = list->topLevelItemCount();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (NameLess(name, Bytes(list->topLevelItem(i), kNameRole))) {
            at = i;
            break;
        }
    }
    list->insertTopLevelItem(at, MakeRow(name, action, Encoding()));
}

QTreeWidgetItem* CAliasesDialog::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = m_ui->aliasList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QTreeWidgetItem* CAliasesDialog::FindRow(const std::string& name) const
{
    for (int i = 0; i < m_ui->aliasList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_ui->aliasList->topLevelItem(i);
        if (Bytes(row, kNameRole) == name)
            return row;
    }
    return nullptr;
}

int CAliasesDialog::RunAddDialog(CAddAliasDlg& dialog)
{
    if (m_runAddDialog)
        return m_runAddDialog(dialog);
    CInputViewGuard guard(m_services.app);
    return dialog.exec();
}

bool EditAliases(CAliasesDlg& aliases, CAppServices& services, QWidget* parent)
{
    CAliasesDialog dialog(aliases, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}

CTextEncoding::Kind CAliasesDialog::Encoding() const
{
    return ReadHostEncoding(m_services.settings, m_aliases.HostName());
}
