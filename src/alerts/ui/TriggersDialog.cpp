#include "alerts/ui/TriggersDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "alerts/AlertResources.h"
#include "alerts/TriggersDlg.h"
#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "base/RandomGenerator.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "ui_TriggersDialog.h"

namespace {

constexpr int kBytesRole = Qt::UserRole;
constexpr int kWaveEntry = static_cast<int>(CTriggersDlg::kSoundEntries.size());

const char* const kAdverts[CTriggersDialog::kAdvertCount] = {
    "Type a word, press Add, and never miss it again.",
    "Your name is a fine first trigger.",
    "Tells are easier to notice with a chime.",
    "A flashing window can be seen from across the room.",
    "Choose Both when you are likely to be looking away.",
    "Triggers are matched without regard to case.",
    "Each host keeps a list of its own.",
    "Any WAV file can be your warning sound.",
    "One piece of text gives one warning, however many triggers it holds.",
    "Short triggers match often; long ones match rarely.",
    "Delete a trigger as soon as it gets noisy.",
    "Pick a sound from the list to hear it.",
    "A trigger can be any part of a line.",
    "Going AFK? Add the words that need you back.",
    "Watch for 'HUNGRY' and 'THIRSTY' while you explore.",
    "Combat messages make good triggers too.",
    "Your own commands never set off a trigger.",
    "Changes count at once in the open window.",
    "YUM! is Brumble's very own sound.",
    "Close saves the list for the next connection.",
};

// The list shows its entries sorted as a sorted list box does, ignoring case; entries that
// differ only in case are ordered by their bytes.
bool DisplayLess(const std::string& a, const std::string& b)
{
    const int folded = ToWidgetText(a).compare(ToWidgetText(b), Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

bool EndsWithWav(const QString& text)
{
    return text.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive);
}

} // namespace

CTriggersDialog::CTriggersDialog(CTriggersDlg& triggers, CAppServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TriggersDialog>()), m_triggers(triggers),
      m_services(services), m_advertTimer(new QTimer(this))
{
    m_ui->setupUi(this);

    for (const std::string& text : triggers.Triggers())
        InsertSorted(text);
    ShowWarning(triggers.Warning());
    for (std::string_view entry : CTriggersDlg::kSoundEntries)
        m_ui->soundBox->addItem(
            QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
    ShowStoredSound();

    using namespace AlertResources;
    m_ui->triggerList->setToolTip(ToolTipText(kTriggerList));
    m_ui->triggerField->setToolTip(ToolTipText(kTriggerField));
    m_ui->addButton->setToolTip(ToolTipText(kAddTrigger));
    m_ui->deleteButton->setToolTip(ToolTipText(kDeleteTrigger));
    m_ui->audibleRadio->setToolTip(ToolTipText(kAudibleChoice));
    m_ui->visualRadio->setToolTip(ToolTipText(kVisualChoice));
    m_ui->bothRadio->setToolTip(ToolTipText(kBothChoice));
    m_ui->soundBox->setToolTip(ToolTipText(kSoundList));
    m_ui->browseButton->setToolTip(ToolTipText(kBrowseSound));
    m_ui->advertLabel->setToolTip(ToolTipText(kAdvert));
    m_ui->closeButton->setToolTip(ToolTipText(kCloseTriggers));

    connect(m_ui->triggerField, &QLineEdit::textEdited, this, &CTriggersDialog::OnFieldEdited);
    connect(m_ui->triggerField, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(m_ui->triggerField, &QLineEdit::returnPressed, this, [this] {
        if (m_ui->addButton->isEnabled())
            OnAdd();
    });
    connect(m_ui->addButton, &QPushButton::clicked, this, &CTriggersDialog::OnAdd);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CTriggersDialog::OnDelete);
    connect(m_ui->audibleRadio, &QRadioButton::clicked, this,
            [this] { OnWarningChosen(CTriggersDlg::kAudible); });
    connect(m_ui->visualRadio, &QRadioButton::clicked, this,
            [this] { OnWarningChosen(CTriggersDlg::kVisual); });
    connect(m_ui->bothRadio, &QRadioButton::clicked, this,
            [this] { OnWarningChosen(CTriggersDlg::kBoth); });
    connect(m_ui->soundBox, &QComboBox::activated, this, &CTriggersDialog::OnSoundChosen);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CTriggersDialog::OnBrowse);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &CTriggersDialog::accept);
    UpdateButtons();

    OnAdvert();
    m_advertTimer->setInterval(kAdvertPeriodMs);
    connect(m_advertTimer, &QTimer::timeout, this, &CTriggersDialog::OnAdvert);
    m_advertTimer->start();
}

CTriggersDialog::~CTriggersDialog() = default;

QString CTriggersDialog::AdvertText(int index)
{
    return index >= 0 && index < kAdvertCount ? QString::fromLatin1(kAdverts[index]) : QString();
}

void CTriggersDialog::ShowWarning(int warning)
{
    m_ui->audibleRadio->setChecked(warning == CTriggersDlg::kAudible);
    m_ui->visualRadio->setChecked(warning == CTriggersDlg::kVisual);
    m_ui->bothRadio->setChecked(warning == CTriggersDlg::kBoth);
    const bool sound = warning != CTriggersDlg::kVisual;
    m_ui->soundBox->setEnabled(sound);
    m_ui->browseButton->setEnabled(sound);
}

void CTriggersDialog::ShowStoredSound()
{
    CTriggersDlg::Sound sound = m_triggers.StoredSound(m_triggers.HostName());
    if (sound.name.empty())
        sound = {std::string(CTriggersDlg::kDefaultSound), CTriggersDlg::kSystemSound};
    if (sound.type == CTriggersDlg::kWaveFile) {
        m_ui->soundBox->addItem(ToWidgetText(sound.name));
        m_ui->soundBox->setCurrentIndex(kWaveEntry);
        return;
    }
    // The first entry that begins with the shown name, as a list box finds it.
    const QString shown = ToWidgetText(CTriggersDlg::DisplayName(sound.name));
    int found = -1;
    for (int i = 0; i < kWaveEntry && found < 0; ++i) {
        if (m_ui->soundBox->itemText(i).startsWith(shown, Qt::CaseInsensitive))
            found = i;
    }
    m_ui->soundBox->setCurrentIndex(found);
}

void CTriggersDialog::OnFieldEdited(const QString& text)
{
    // Every letter typed (or pasted) becomes upper case, as the matching expects.
    QString upper = text;
    for (QChar& c : upper) {
        if (c.unicode() <= 0xFF)
            c = QChar(static_cast<char16_t>(
                CTriggersDlg::UpperCase(static_cast<unsigned char>(c.unicode()))));
    }
    if (upper != text) {
        const int cursor = m_ui->triggerField->cursorPosition();
        m_ui->triggerField->setText(upper);
        m_ui->triggerField->setCursorPosition(cursor);
    }
}

void CTriggersDialog::OnAdd()
{
    std::string text;
    if (!FromWidgetText(m_ui->triggerField->text(), Encoding(), text)) {
        m_services.messages.ShowMessage(LoadString(8419), CMessageSink::Icon::Exclamation,
                                        CMessageSink::Buttons::Ok);
        return;
    }
    if (!text.empty()) {
        m_triggers.AddTrigger(text);
        InsertSorted(text);
        m_ui->triggerField->clear();
    }
    UpdateButtons();
}

void CTriggersDialog::OnDelete()
{
    const QList<QListWidgetItem*> selected = m_ui->triggerList->selectedItems();
    if (!selected.isEmpty()) {
        QListWidgetItem* row = selected.front();
        m_triggers.DeleteTrigger(row->data(kBytesRole).toByteArray().toStdString());
        delete row;
        // The list box has no selection after a delete; the first entry gets it.
        m_ui->triggerList->clearSelection();
    }
    UpdateButtons();
}

void CTriggersDialog::OnWarningChosen(int warning)
{
    m_triggers.SetWarning(warning);
    ShowWarning(warning);
}

void CTriggersDialog::OnSoundChosen(int index)
{
    if (index < 0)
        return;
    if (index < CTriggersDlg::kEmbeddedEntry) {
        const std::string_view entry = CTriggersDlg::kSoundEntries[static_cast<std::size_t>(index)];
        m_triggers.SetSound({"System" + std::string(entry), CTriggersDlg::kSystemSound});
    } else if (index == CTriggersDlg::kEmbeddedEntry) {
        m_triggers.SetSound(
            {std::string(CTriggersDlg::kEmbeddedName), CTriggersDlg::kEmbeddedWave});
    }
    // The WAV entry was written when it was browsed for; choosing it again only plays it.
    m_triggers.PlayWarningSound();
}

void CTriggersDialog::OnBrowse()
{
    const QString current = m_ui->soundBox->currentText();
    const std::string start = EndsWithWav(current) ? FromWidgetText(current) : std::string();
    std::optional<std::string> path;
    {
        CInputViewGuard guard(m_services.app);
        if (m_chooseWave) {
            path = m_chooseWave(start);
        } else {
            const QString chosen = QFileDialog::getOpenFileName(
                this, QString(), ToWidgetText(start), QStringLiteral("WAV Files (*.wav)"));
            if (!chosen.isEmpty())
                path = FromWidgetText(chosen);
        }
    }
    if (!path || path->empty())
        return;
    while (m_ui->soundBox->count() > kWaveEntry)
        m_ui->soundBox->removeItem(kWaveEntry);
    m_ui->soundBox->addItem(ToWidgetText(*path));
    m_ui->soundBox->setCurrentIndex(kWaveEntry);
    m_triggers.SetSound({*path, CTriggersDlg::kWaveFile});
    m_triggers.PlayWarningSound();
}

void CTriggersDialog::OnAdvert()
{
    m_ui->advertLabel->setText(AdvertText(m_services.random.Next() % kAdvertCount));
}

void CTriggersDialog::accept()
{
    m_advertTimer->stop();
    m_triggers.SaveTriggers();
    QDialog::accept();
}

void CTriggersDialog::reject()
{
    accept();
}

void CTriggersDialog::UpdateButtons()
{
    QListWidget* list = m_ui->triggerList;
    const bool empty = list->count() == 0;
    if (!empty && list->selectedItems().isEmpty())
        list->setCurrentRow(0);
    m_ui->deleteButton->setEnabled(!empty);
    m_ui->addButton->setEnabled(!m_ui->triggerField->text().isEmpty());
}

void CTriggersDialog::InsertSorted(const std::string& text)
{
    QListWidget* list = m_ui->triggerList;
    int at = list->count();
    for (int i = 0; i < list->count(); ++i) {
        if (DisplayLess(text, list->item(i)->data(kBytesRole).toByteArray().toStdString())) {
            at = i;
            break;
        }
    }
    auto* row = new QListWidgetItem(ToWidgetText(text, Encoding()));
    row->setData(kBytesRole, QByteArray::fromStdString(text));
    list->insertItem(at, row);
}

QListWidget* CTriggersDialog::TriggerList() const
{
    return m_ui->triggerList;
}
QLineEdit* CTriggersDialog::TriggerField() const
{
    return m_ui->triggerField;
}
QPushButton* CTriggersDialog::AddButton() const
{
    return m_ui->addButton;
}
QPushButton* CTriggersDialog::DeleteButton() const
{
    return m_ui->deleteButton;
}
QRadioButton* CTriggersDialog::AudibleChoice() const
{
    return m_ui->audibleRadio;
}
QRadioButton* CTriggersDialog::VisualChoice() const
{
    return m_ui->visualRadio;
}
QRadioButton* CTriggersDialog::BothChoice() const
{
    return m_ui->bothRadio;
}
QComboBox* CTriggersDialog::SoundList() const
{
    return m_ui->soundBox;
}
QPushButton* CTriggersDialog::BrowseButton() const
{
    return m_ui->browseButton;
}
QLabel* CTriggersDialog::Advert() const
{
    return m_ui->advertLabel;
}
QPushButton* CTriggersDialog::CloseButton() const
{
    return m_ui->closeButton;
}

bool EditTriggers(CTriggersDlg& triggers, CAppServices& services, QWidget* parent)
{
    CTriggersDialog dialog(triggers, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}

CTextEncoding::Kind CTriggersDialog::Encoding() const
{
    return ReadHostEncoding(m_services.settings, m_triggers.HostName());
}
