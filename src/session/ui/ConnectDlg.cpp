#include "session/ui/ConnectDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

#include "res/StringTable.h"
#include "ui_ConnectDlg.h"

namespace {

constexpr int kTipHost = 1002;
constexpr int kTipPort = 1003;
constexpr int kTipTls = 8449;
constexpr int kTipTelnetAlways = 8450;

QString ToQt(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// An editable QComboBox matches the typed text against its items when the field loses the
// focus or Return is pressed, and then selects the item as if the user had chosen it. Here
// a typed text must stay typed (a port name typed by hand is not a choice, and a host typed
// after its port must not replace that port), so those two links are cut and the list is
// only chosen from by the drop-down and the arrow keys. No completer either: the fields
// show what was typed, nothing more.
void MakeTypedTextStayTyped(QComboBox* combo)
{
    combo->setCompleter(nullptr);
    QLineEdit* edit = combo->lineEdit();
    QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
    QObject::disconnect(edit, &QLineEdit::returnPressed, combo, nullptr);
}

} // namespace

CConnectDlg::CConnectDlg(CAppServices& services, QWidget* parent)
    : QDialog(parent), m_services(services), m_ui(std::make_unique<Ui::CConnectDlg>())
{
    m_ui->setupUi(this);
    m_ui->hostCombo->setToolTip(ToQt(LoadString(kTipHost)));
    m_ui->portCombo->setToolTip(ToQt(LoadString(kTipPort)));
    m_ui->tlsCheck->setToolTip(ToQt(LoadString(kTipTls)));
    m_ui->telnetAlwaysCheck->setToolTip(ToQt(LoadString(kTipTelnetAlways)));
    MakeTypedTextStayTyped(m_ui->hostCombo);
    MakeTypedTextStayTyped(m_ui->portCombo);
    // Return in either field is OK, as everywhere else in a dialog.
    m_ui->hostCombo->lineEdit()->installEventFilter(this);
    m_ui->portCombo->lineEdit()->installEventFilter(this);

    FillLists();

    connect(m_ui->hostCombo, &QComboBox::activated, this, &CConnectDlg::OnHostChosen);
    connect(m_ui->hostCombo->lineEdit(), &QLineEdit::textEdited, this, &CConnectDlg::OnHostEdited);
    connect(m_ui->portCombo, &QComboBox::activated, this, &CConnectDlg::OnPortChosen);
    connect(m_ui->portCombo->lineEdit(), &QLineEdit::textEdited, this,
            [this] { m_portChosen = false; });
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CConnectDlg::OnOk);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_ui->hostCombo->setFocus();
}

CConnectDlg::~CConnectDlg() = default;

void CConnectDlg::FillLists()
{
    HostList::DialogLists lists = HostList::LoadDialogLists(m_services.settings);
    // The lists arrive sorted; adding them in order keeps them so.
    for (const auto& item : lists.hosts)
        m_ui->hostCombo->addItem(ToQt(item.text), QVariant::fromValue(item.port));
    for (const auto& item : lists.ports)
        m_ui->portCombo->addItem(ToQt(item.text), QVariant::fromValue(item.port));
    m_ports = std::move(lists.ports);

    // An editable combo box shows its first item once it has one; the host field starts
    // empty unless the last host is preselected.
    m_ui->hostCombo->setCurrentIndex(lists.hostIndex);
    if (lists.hostIndex < 0)
        m_ui->hostCombo->setEditText(QString());
    else
        ShowConnectionOptions(lists.hosts[static_cast<std::size_t>(lists.hostIndex)].text);
    SelectPort(lists.portIndex);
}

void CConnectDlg::SelectPort(int index)
{
    m_ui->portCombo->setCurrentIndex(index);
    // Selecting the item that is already current leaves typed text in the field otherwise.
    m_ui->portCombo->setEditText(m_ui->portCombo->itemText(index));
    m_portChosen = true;
}

void CConnectDlg::OnHostChosen(int index)
{
    if (index < 0)
        return;
    ShowConnectionOptions(FromQt(m_ui->hostCombo->itemText(index)));
    const unsigned port = m_ui->hostCombo->itemData(index).toUInt();
    const int portIndex = HostList::FindPort(m_ports, port);
    if (portIndex >= 0) {
        SelectPort(portIndex);
    } else if (port != 0) {
        // A host of the older list can carry a port the port list does not know. Leaving the
        // field as it was would connect to some other port; show the number instead, as if
        // typed, so OK uses it (and remembers it).
        m_ui->portCombo->setEditText(QString::number(port));
        m_portChosen = false;
    }
}

void CConnectDlg::ShowConnectionOptions(const std::string& host)
{
    // Only hosts from the list: reading a section creates it, and a host being typed has
    // none yet.
    const HostList::ConnectionOptions options =
        HostList::LoadConnectionOptions(m_services.settings, host);
    m_ui->tlsCheck->setChecked(options.tls);
    m_ui->telnetAlwaysCheck->setChecked(options.telnetAlways);
}

void CConnectDlg::OnHostEdited(const QString& text)
{
    // Host names are kept in lower case: convert as the letters are typed (or pasted),
    // without moving the caret.
    const QString lower = text.toLower();
    if (lower == text)
        return;
    QLineEdit* edit = m_ui->hostCombo->lineEdit();
    const int caret = edit->cursorPosition();
    edit->setText(lower);
    edit->setCursorPosition(caret);
}

void CConnectDlg::OnPortChosen(int index)
{
    if (index >= 0)
        SelectPort(index);
}

void CConnectDlg::OnOk()
{
    std::optional<unsigned> chosenPort;
    const int portIndex = m_ui->portCombo->currentIndex();
    if (m_portChosen && portIndex >= 0)
        chosenPort = m_ui->portCombo->itemData(portIndex).toUInt();
    const auto choice = HostList::Accept(
        m_services.settings, m_services.messages, FromQt(m_ui->hostCombo->currentText()),
        FromQt(m_ui->portCombo->currentText()), chosenPort, m_ports);
    if (!choice)
        return; // the message was shown; the fields stay as they are
    m_host = choice->host;
    m_port = choice->port;
    HostList::SaveConnectionOptions(
        m_services.settings, m_host,
        {m_ui->tlsCheck->isChecked(), m_ui->telnetAlwaysCheck->isChecked()});
    accept();
}

bool CConnectDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == m_ui->hostCombo->lineEdit() || watched == m_ui->portCombo->lineEdit())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            OnOk();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
