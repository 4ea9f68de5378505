#include "shortcuts/ui/KeypadDialog.h"

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "base/RandomGenerator.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "shortcuts/ShortcutResources.h"
#include "shortcuts/ui/MultiLineText.h"
#include "ui_KeypadDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

const char* const kTips[CKeypadDialog::kTipCount] = {
    "   One use of keypad keys is to provide shortcuts to directional movement (e.g. 8 = go "
    "north, 4 = go west, 6 = go east, and 2 = go south). ",
    "   Put each command on a line of its own: a key can send several commands at once. ",
    "   Shift, Ctrl and Alt do not change a keypad key: it sends the same commands. ",
    "   A keypad key with nothing set types its character into the command line as usual. ",
    "   Keypad keys are kept for each host, so every world can have its own. "};

} // namespace

const char* CKeypadDialog::Tip(int index)
{
    return kTips[index];
}

CKeypadDialog::CKeypadDialog(CKeypadDlg& keypad, CAppServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::KeypadDialog>()), m_keypad(keypad),
      m_services(services), m_editing(keypad.KeyCommands()),
      m_encoding(ReadHostEncoding(services.settings, keypad.HostName())), m_ticker(new QTimer(this))
{
    m_ui->setupUi(this);
    m_buttons = {m_ui->divideButton, m_ui->multiplyButton, m_ui->subtractButton, m_ui->key7Button,
                 m_ui->key8Button,   m_ui->key9Button,     m_ui->addButton,      m_ui->key4Button,
                 m_ui->key5Button,   m_ui->key6Button,     m_ui->key1Button,     m_ui->key2Button,
                 m_ui->key3Button,   m_ui->key0Button,     m_ui->decimalButton};
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < CKeypadDlg::kKeyCount; ++i) {
        group->addButton(m_buttons[static_cast<std::size_t>(i)], i);
        m_buttons[static_cast<std::size_t>(i)]->setToolTip(
            ToolTipText(ShortcutResources::kFirstKeypadButton + i));
    }
    m_ui->commandsEdit->setToolTip(ToolTipText(ShortcutResources::kKeypadTextField));
    connect(group, &QButtonGroup::idClicked, this, &CKeypadDialog::SelectKey);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CKeypadDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CKeypadDialog::reject);

    // Opening shows "/" without storing anything for it first.
    m_selected = 0;
    m_buttons[0]->setChecked(true);
    m_ui->commandsEdit->setPlainText(MultiLineText::ToField(m_editing[0], m_encoding));
    m_shownText = m_ui->commandsEdit->toPlainText();
    m_ui->commandsLabel->setText(QStringLiteral("Enter commands for keypad key %1:")
                                     .arg(QLatin1Char(CKeypadDlg::kKeys[0].character)));
    m_ui->commandsEdit->setFocus();

    m_ui->tickerLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_ui->tickerLabel->setText(
        QString::fromLatin1(kTips[static_cast<unsigned>(services.random.Next()) % kTipCount]));
    m_ticker->setInterval(kTickerPeriodMs);
    connect(m_ticker, &QTimer::timeout, this, &CKeypadDialog::OnTick);
    m_ticker->start();
}

CKeypadDialog::~CKeypadDialog() = default;

QPushButton* CKeypadDialog::KeyButton(int index) const
{
    return m_buttons[static_cast<std::size_t>(index)];
}
QLabel* CKeypadDialog::CommandsLabel() const
{
    return m_ui->commandsLabel;
}
QPlainTextEdit* CKeypadDialog::CommandsEdit() const
{
    return m_ui->commandsEdit;
}
QLabel* CKeypadDialog::Ticker() const
{
    return m_ui->tickerLabel;
}
QPushButton* CKeypadDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}
QPushButton* CKeypadDialog::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

bool CKeypadDialog::StoreEditedText()
{
    // A text shown and not edited keeps its bytes (a lone CR or LF is not made CR LF).
    const QString field = m_ui->commandsEdit->toPlainText();
    if (field == m_shownText)
        return true;
    if (!MultiLineText::FitsField(field, m_encoding)) {
        m_services.messages.ShowMessage(LoadString(8419), CMessageSink::Icon::Exclamation,
                                        CMessageSink::Buttons::Ok);
        m_buttons[static_cast<std::size_t>(m_selected)]->setChecked(true);
        m_ui->commandsEdit->setFocus();
        return false;
    }
    m_editing[static_cast<std::size_t>(m_selected)] = MultiLineText::FromField(field, m_encoding);
    return true;
}

void CKeypadDialog::SelectKey(int index)
{
    if (index < 0 || index >= CKeypadDlg::kKeyCount)
        return;
    if (!StoreEditedText())
        return;
    m_selected = index;
    m_buttons[static_cast<std::size_t>(index)]->setChecked(true);
    m_ui->commandsEdit->setPlainText(
        MultiLineText::ToField(m_editing[static_cast<std::size_t>(index)], m_encoding));
    m_shownText = m_ui->commandsEdit->toPlainText();
    m_ui->commandsLabel->setText(
        QStringLiteral("Enter commands for keypad key %1:")
            .arg(QLatin1Char(CKeypadDlg::kKeys[static_cast<std::size_t>(index)].character)));
}

void CKeypadDialog::OnTick()
{
    QString text = m_ui->tickerLabel->text();
    if (text.size() > 1) {
        text.append(text.front());
        text.remove(0, 1);
        m_ui->tickerLabel->setText(text);
    }
}

void CKeypadDialog::accept()
{
    if (!StoreEditedText())
        return;
    m_keypad.SetKeyCommands(m_editing);
    m_keypad.Save();
    QDialog::accept();
}

void CKeypadDialog::done(int result)
{
    m_ticker->stop();
    QDialog::done(result);
}

bool EditKeypad(CKeypadDlg& keypad, CAppServices& services, QWidget* parent)
{
    CKeypadDialog dialog(keypad, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}
