#include "script/ui/AddScriptCmdDlg.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "script/ScriptResources.h"
#include "script/ScriptingDlg.h"
#include "script/ui/ScriptFields.h"
#include "ui_AddScriptCmdDlg.h"

namespace {

// The names in the order of the Command choices.
constexpr int kNames[] = {ScriptResources::kBeep,      ScriptResources::kColour,
                          ScriptResources::kSend,      ScriptResources::kSetTimer,
                          ScriptResources::kKillTimer, ScriptResources::kLine,
                          ScriptResources::kRead,      ScriptResources::kSave};
constexpr const char* kSounds[] = {"Asterisk", "Exclamation", "Exit", "Hand",
                                   "Question", "Start",       "YUM!"};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

CAddScriptCmdDlg::CAddScriptCmdDlg(const std::optional<std::string>& line, CAppServices& services,
                                   QWidget* parent, CTextEncoding::Kind encoding)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddScriptCmdDlg>()), m_services(services),
      m_encoding(encoding)
{
    m_ui->setupUi(this);
    for (int id : kNames)
        m_ui->commandBox->addItem(ToWidgetText(LoadString(id)));
    for (const char* sound : kSounds)
        m_ui->soundBox->addItem(QString::fromLatin1(sound));
    m_ui->soundBox->setCurrentIndex(-1);
    m_ui->timerEdit->setText(QStringLiteral("1"));
    m_ui->delayEdit->setText(QStringLiteral("60"));
    m_ui->colourEdit->setText(QStringLiteral("#"));

    Command command = kBeep;
    if (line) {
        setWindowTitle(QStringLiteral("Modify Script Command"));
        for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) {
            const std::string name = LoadString(kNames[i]);
            if (!line->starts_with(name))
                continue;
            command = static_cast<Command>(i);
            // The parameter: after the name and " (", without the last character.
            std::string parameter =
                line->size() > name.size() + 2 ? line->substr(name.size() + 2) : std::string();
            if (!parameter.empty())
                parameter.pop_back();
            const QString text = ToWidgetText(parameter, m_encoding);
            switch (command) {
            case kBeep:
                m_ui->soundBox->setEditText(text);
                break;
            case kColour:
                m_ui->colourEdit->setText(parameter.empty() ? QStringLiteral("#") : text);
                break;
            case kSend:
                m_ui->sendEdit->setText(text);
                break;
            case kSetTimer: {
                m_ui->timerEdit->setText(QString::number(ScriptFields::LeadingInt(parameter)));
                const std::size_t comma = parameter.find(',');
                m_ui->delayEdit->setText(QString::number(
                    comma == std::string::npos
                        ? 0
                        : ScriptFields::LeadingInt(std::string_view(parameter).substr(comma + 1))));
                break;
            }
            case kKillTimer:
                m_ui->timerEdit->setText(QString::number(ScriptFields::LeadingInt(parameter)));
                break;
            default:
                m_ui->fileEdit->setText(text);
                break;
            }
            break;
        }
    }
    // A limit that is checked at OK too, so that a longer stored text is shown whole and
    // refused rather than cut without a word.
    m_ui->soundBox->lineEdit()->setMaxLength(
        std::max<int>(kMaxPath, static_cast<int>(m_ui->soundBox->currentText().size())));
    m_ui->colourEdit->setMaxLength(
        std::max<int>(kMaxColour, static_cast<int>(m_ui->colourEdit->text().size())));
    m_ui->fileEdit->setMaxLength(
        std::max<int>(kMaxPath, static_cast<int>(m_ui->fileEdit->text().size())));
    for (QLineEdit* field : {m_ui->soundBox->lineEdit(), m_ui->colourEdit, m_ui->sendEdit,
                             m_ui->timerEdit, m_ui->delayEdit, m_ui->fileEdit})
        ScriptFields::KeepSingleLine(field);

    using namespace ScriptResources;
    m_ui->commandBox->setToolTip(ToolTipText(kCommandChoice));
    m_ui->soundBox->setToolTip(ToolTipText(kSoundField));
    m_ui->soundBrowseButton->setToolTip(ToolTipText(kBrowseFile));
    m_ui->fileBrowseButton->setToolTip(ToolTipText(kBrowseFile));
    m_ui->timerEdit->setToolTip(ToolTipText(kCommandTimer));
    m_ui->fileEdit->setToolTip(ToolTipText(kFileField));
    m_ui->colourEdit->setToolTip(ToolTipText(kColourField));
    m_ui->colourButton->setToolTip(ToolTipText(kColourChooser));
    m_ui->sendEdit->setToolTip(ToolTipText(kSendField));
    m_ui->delayEdit->setToolTip(ToolTipText(kDelayField));

    connect(m_ui->commandBox, &QComboBox::currentIndexChanged, this,
            &CAddScriptCmdDlg::OnCommandChosen);
    connect(m_ui->soundBrowseButton, &QPushButton::clicked, this, &CAddScriptCmdDlg::OnBrowse);
    connect(m_ui->fileBrowseButton, &QPushButton::clicked, this, &CAddScriptCmdDlg::OnBrowse);
    connect(m_ui->colourButton, &QPushButton::clicked, this, &CAddScriptCmdDlg::OnColours);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CAddScriptCmdDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CAddScriptCmdDlg::reject);

    m_ui->commandBox->setCurrentIndex(command);
    OnCommandChosen(command);
}

CAddScriptCmdDlg::~CAddScriptCmdDlg() = default;

CAddScriptCmdDlg::Command CAddScriptCmdDlg::Chosen() const
{
    const int index = m_ui->commandBox->currentIndex();
    return index >= 0 && index <= kSave ? static_cast<Command>(index) : kBeep;
}

void CAddScriptCmdDlg::OnCommandChosen(int index)
{
    const Command command = index >= 0 && index <= kSave ? static_cast<Command>(index) : kBeep;
    const bool file = command == kLine || command == kRead || command == kSave;
    const bool timer = command == kSetTimer || command == kKillTimer;
    m_ui->soundLabel->setVisible(command == kBeep);
    m_ui->soundBox->setVisible(command == kBeep);
    m_ui->soundBrowseButton->setVisible(command == kBeep);
    m_ui->colourLabel->setVisible(command == kColour);
    m_ui->colourEdit->setVisible(command == kColour);
    m_ui->colourButton->setVisible(command == kColour);
    m_ui->sendLabel->setVisible(command == kSend);
    m_ui->sendEdit->setVisible(command == kSend);
    m_ui->timerLabel->setVisible(timer);
    m_ui->timerEdit->setVisible(timer);
    m_ui->delayLabel->setVisible(command == kSetTimer);
    m_ui->delayEdit->setVisible(command == kSetTimer);
    m_ui->fileLabel->setVisible(file);
    m_ui->fileEdit->setVisible(file);
    m_ui->fileBrowseButton->setVisible(file);
}

std::uint32_t CAddScriptCmdDlg::ColourOf(const std::string& text)
{
    std::uint32_t colour = 0;
    if (!text.starts_with('#'))
        return 0;
    for (std::size_t i = 1; i < text.size() && i <= 6; ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0)
            break;
        colour = colour * 16 + static_cast<std::uint32_t>(digit);
    }
    return colour;
}

void CAddScriptCmdDlg::OnBrowse()
{
    const Command command = Chosen();
    QLineEdit* field = command == kBeep ? m_ui->soundBox->lineEdit() : m_ui->fileEdit;
    const std::string start = FromWidgetText(field->text());
    std::optional<std::string> path;
    if (m_chooseFile) {
        path = m_chooseFile(command, start);
    } else {
        const QString wav = QStringLiteral("WAV Files (*.wav)");
        const QString text = QStringLiteral("Text Files (*.txt);;All Files (*)");
        const QString chosen =
            command == kSave
                ? QFileDialog::getSaveFileName(this, QString(), ToWidgetText(start), text)
                : QFileDialog::getOpenFileName(this, QString(), ToWidgetText(start),
                                               command == kBeep ? wav : text);
        if (!chosen.isEmpty())
            path = FromWidgetText(chosen);
    }
    if (!path || path->empty())
        return;
    const QString text = ToWidgetText(*path);
    field->setMaxLength(std::max<int>(field->maxLength(), static_cast<int>(text.size())));
    if (command == kBeep)
        m_ui->soundBox->setEditText(text);
    else
        field->setText(text);
}

void CAddScriptCmdDlg::OnColours()
{
    const std::uint32_t start = ColourOf(FromWidgetText(m_ui->colourEdit->text()));
    std::optional<std::uint32_t> chosen;
    if (m_chooseColour) {
        chosen = m_chooseColour(start);
    } else {
        const QColor colour = QColorDialog::getColor(QColor(static_cast<int>(start & 0xFF),
                                                            static_cast<int>((start >> 8) & 0xFF),
                                                            static_cast<int>((start >> 16) & 0xFF)),
                                                     this);
        if (colour.isValid())
            chosen = static_cast<std::uint32_t>(colour.red()) |
                     static_cast<std::uint32_t>(colour.green()) << 8 |
                     static_cast<std::uint32_t>(colour.blue()) << 16;
    }
    if (!chosen)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(*chosen));
    m_ui->colourEdit->setText(QString::fromLatin1(text));
}

void CAddScriptCmdDlg::accept()
{
    CMessageSink& messages = m_services.messages;
    switch (Chosen()) {
    case kBeep:
        if (!ScriptFields::CheckLength(m_ui->soundBox->lineEdit(), kMaxPath, messages))
            return;
        break;
    case kColour:
        if (!ScriptFields::CheckLength(m_ui->colourEdit, kMaxColour, messages))
            return;
        break;
    case kSetTimer:
        if (!ScriptFields::CheckNumber(m_ui->timerEdit, 1, kMaxTimer, messages) ||
            !ScriptFields::CheckNumber(m_ui->delayEdit, 1, kMaxDelay, messages))
            return;
        break;
    case kKillTimer:
        if (!ScriptFields::CheckNumber(m_ui->timerEdit, 1, kMaxTimer, messages))
            return;
        break;
    case kSend: {
        std::string sent;
        if (!FromWidgetText(m_ui->sendEdit->text(), m_encoding, sent)) {
            messages.ShowMessage(FromWidgetText(TextNotCarriedMessage()),
                                 CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
            m_ui->sendEdit->setFocus();
            return;
        }
        break;
    }
    default:
        if (!ScriptFields::CheckLength(m_ui->fileEdit, kMaxPath, messages))
            return;
        break;
    }
    QDialog::accept();
}

std::string CAddScriptCmdDlg::GetCommandText() const
{
    const Command command = Chosen();
    std::string text = LoadString(kNames[command]) + " (";
    switch (command) {
    case kBeep:
        text += FromWidgetText(m_ui->soundBox->currentText());
        break;
    case kColour: {
        const std::string colour = FromWidgetText(m_ui->colourEdit->text());
        if (!colour.starts_with('#'))
            text += '#';
        text += colour;
        break;
    }
    case kSend:
        // accept() refused what the host's encoding cannot carry.
        if (std::string sent; FromWidgetText(m_ui->sendEdit->text(), m_encoding, sent))
            text += sent;
        else
            text += FromWidgetText(m_ui->sendEdit->text());
        break;
    case kSetTimer:
        text += std::to_string(ScriptFields::LeadingInt(FromWidgetText(m_ui->timerEdit->text()))) +
                ", " +
                std::to_string(ScriptFields::LeadingInt(FromWidgetText(m_ui->delayEdit->text())));
        break;
    case kKillTimer:
        text += std::to_string(ScriptFields::LeadingInt(FromWidgetText(m_ui->timerEdit->text())));
        break;
    default:
        text += FromWidgetText(m_ui->fileEdit->text());
        break;
    }
    text += ')';
    // Whatever reached a field, the line stays one command.
    return CScriptingDlg::SingleLine(text);
}

QComboBox* CAddScriptCmdDlg::CommandBox() const
{
    return m_ui->commandBox;
}
QComboBox* CAddScriptCmdDlg::SoundBox() const
{
    return m_ui->soundBox;
}
QLineEdit* CAddScriptCmdDlg::ColourEdit() const
{
    return m_ui->colourEdit;
}
QLineEdit* CAddScriptCmdDlg::SendEdit() const
{
    return m_ui->sendEdit;
}
QLineEdit* CAddScriptCmdDlg::TimerEdit() const
{
    return m_ui->timerEdit;
}
QLineEdit* CAddScriptCmdDlg::DelayEdit() const
{
    return m_ui->delayEdit;
}
QLineEdit* CAddScriptCmdDlg::FileEdit() const
{
    return m_ui->fileEdit;
}
QPushButton* CAddScriptCmdDlg::BrowseButton() const
{
    return Chosen() == kBeep ? m_ui->soundBrowseButton : m_ui->fileBrowseButton;
}
QPushButton* CAddScriptCmdDlg::ColourButton() const
{
    return m_ui->colourButton;
}
QPushButton* CAddScriptCmdDlg::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}
