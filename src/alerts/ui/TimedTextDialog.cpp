#include "alerts/ui/TimedTextDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>

#include "alerts/AlertResources.h"
#include "alerts/SoundPlayer.h"
#include "alerts/TimedTextDlg.h"
#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "base/RandomGenerator.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "ui_TimedTextDialog.h"

namespace {

constexpr int kBytesRole = Qt::UserRole;

const char* const kCaptionRemarks[CTimedTextDialog::kCaptionCount] = {
    "say it again, Sam", "now and then",   "like clockwork",        "idle hands",
    "the talking clock", "tick, tock",     "random acts of typing", "keep the line warm",
    "still here",        "every so often",
};

// Sorted as a sorted list box sorts, ignoring case; texts that differ only in case are
// ordered by their bytes.
bool DisplayLess(const std::string& a, const std::string& b)
{
    const int folded = ToWidgetText(a).compare(ToWidgetText(b), Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

std::string RowBytes(const QListWidgetItem* row)
{
    return row->data(kBytesRole).toByteArray().toStdString();
}

// "%1" and "%2" filled in one pass.
std::string FillIn(const std::string& format, const std::string& first, const std::string& second)
{
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '1' || format[i + 1] == '2')) {
            out += format[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

} // namespace

CTimedTextDialog::CTimedTextDialog(CTimedTextDlg& timedText, CAppServices& services,
                                   QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TimedTextDialog>()), m_timedText(timedText),
      m_services(services), m_captionTimer(new QTimer(this))
{
    m_ui->setupUi(this);

    for (const std::string& text : timedText.Texts())
        InsertSorted(text);
    m_ui->intervalField->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), m_ui->intervalField));
    m_ui->intervalField->setText(QString::number(timedText.GetInterval()));

    using namespace AlertResources;
    m_ui->textList->setToolTip(ToolTipText(kTextList));
    m_ui->textField->setToolTip(ToolTipText(kTextField));
    m_ui->addButton->setToolTip(ToolTipText(kAddText));
    m_ui->removeButton->setToolTip(ToolTipText(kRemoveText));
    m_ui->intervalField->setToolTip(ToolTipText(kIntervalField));

    connect(m_ui->textField, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(m_ui->addButton, &QPushButton::clicked, this, &CTimedTextDialog::OnAdd);
    connect(m_ui->removeButton, &QPushButton::clicked, this, &CTimedTextDialog::OnRemove);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CTimedTextDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CTimedTextDialog::reject);
    UpdateButtons();

    m_captionTimer->setInterval(kCaptionPeriodMs);
    connect(m_captionTimer, &QTimer::timeout, this, &CTimedTextDialog::OnCaption);
    m_captionTimer->start();
}

CTimedTextDialog::~CTimedTextDialog() = default;

QString CTimedTextDialog::CaptionText(int index)
{
    if (index < 0 || index >= kCaptionCount)
        return {};
    return QStringLiteral("Timed Text (") + QString::fromLatin1(kCaptionRemarks[index]) +
           QStringLiteral(")");
}

std::vector<std::string> CTimedTextDialog::Rows() const
{
    std::vector<std::string> rows;
    for (int i = 0; i < m_ui->textList->count(); ++i)
        rows.push_back(RowBytes(m_ui->textList->item(i)));
    return rows;
}

void CTimedTextDialog::OnAdd()
{
    std::string text;
    if (!FromWidgetText(m_ui->textField->text(), Encoding(), text)) {
        m_services.messages.ShowMessage(LoadString(8419), CMessageSink::Icon::Exclamation,
                                        CMessageSink::Buttons::Ok);
        return;
    }
    if (text.empty()) {
        m_services.sound.Beep();
    } else {
        InsertSorted(text);
        m_ui->textField->clear();
    }
    UpdateButtons();
}

void CTimedTextDialog::OnRemove()
{
    const QList<QListWidgetItem*> selected = m_ui->textList->selectedItems();
    if (selected.isEmpty())
        m_services.sound.Beep();
    else
        delete selected.front();
    // The list box has no selection after a removal; the first entry gets it.
    m_ui->textList->clearSelection();
    UpdateButtons();
}

void CTimedTextDialog::OnCaption()
{
    setWindowTitle(CaptionText(m_services.random.Next() % kCaptionCount));
}

void CTimedTextDialog::accept()
{
    // Digits only, but there may be none, or too many for any number of seconds.
    const QString typed = m_ui->intervalField->text();
    bool ok = false;
    const qulonglong seconds = typed.toULongLong(&ok);
    if (!ok || seconds > CTimedTextDlg::kMaxInterval) {
        m_services.messages.ShowMessage(FillIn(LoadString(AlertResources::kMsgIntegerRange), "0",
                                               std::to_string(CTimedTextDlg::kMaxInterval)),
                                        CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
        m_ui->intervalField->setFocus();
        m_ui->intervalField->selectAll();
        return;
    }
    m_timedText.SetTexts(Rows());
    m_timedText.SetInterval(static_cast<unsigned>(seconds));
    m_timedText.SaveTimedText();
    QDialog::accept();
}

void CTimedTextDialog::done(int result)
{
    m_captionTimer->stop();
    QDialog::done(result);
}

void CTimedTextDialog::UpdateButtons()
{
    QListWidget* list = m_ui->textList;
    const bool empty = list->count() == 0;
    if (!empty && list->selectedItems().isEmpty())
        list->setCurrentRow(0);
    m_ui->removeButton->setEnabled(!empty);
    const bool typed = !m_ui->textField->text().isEmpty();
    m_ui->addButton->setEnabled(typed);
    // Enter adds what is being typed rather than closing the dialog without it.
    m_ui->addButton->setDefault(typed);
    OkButton()->setDefault(!typed);
}

void CTimedTextDialog::InsertSorted(const std::string& text)
{
    QListWidget* list = m_ui->textList;
    int at = list->count();
    for (int i = 0; i < list->count(); ++i) {
        if (DisplayLess(text, RowBytes(list->item(i)))) {
            at = i;
            break;
        }
    }
    auto* row = new QListWidgetItem(ToWidgetText(text, Encoding()));
    row->setData(kBytesRole, QByteArray::fromStdString(text));
    list->insertItem(at, row);
}

QListWidget* CTimedTextDialog::TextList() const
{
    return m_ui->textList;
}
QLineEdit* CTimedTextDialog::TextField() const
{
    return m_ui->textField;
}
QPushButton* CTimedTextDialog::AddButton() const
{
    return m_ui->addButton;
}
QPushButton* CTimedTextDialog::RemoveButton() const
{
    return m_ui->removeButton;
}
QLineEdit* CTimedTextDialog::IntervalField() const
{
    return m_ui->intervalField;
}
QPushButton* CTimedTextDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}
QPushButton* CTimedTextDialog::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

bool EditTimedText(CTimedTextDlg& timedText, CAppServices& services, QWidget* parent)
{
    CTimedTextDialog dialog(timedText, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}

CTextEncoding::Kind CTimedTextDialog::Encoding() const
{
    return ReadHostEncoding(m_services.settings, m_timedText.HostName());
}
