#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/TestServices.h"
#include "res/StringTable.h"
#include "session/HostList.h"
#include "session/ui/ConnectDlg.h"
#include "settings/SettingsStore.h"

using namespace brumble::test;

namespace {

void TypeInto(QComboBox* combo, const QString& text)
{
    combo->lineEdit()->selectAll();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(combo->lineEdit(), text);
}

// Picks row from the open drop-down list with the mouse, as a user does.
void ChooseFromPopup(QComboBox* combo, int row)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

class ConnectDlgTest : public testing::Test, public brumble::test::CTestServices {
protected:
    // Stores a host with its port as a successful OK of an earlier dialog would.
    void Remember(const std::string& host, const std::string& port)
    {
        ASSERT_TRUE(HostList::Accept(settings, messages, host, port, std::nullopt,
                                     HostList::LoadDialogLists(settings).ports));
    }
    // Shows a new dialog as the active window, so that focus moves as it does for a user (a
    // field losing the focus is what makes a combo box match typed text against its list).
    void Open()
    {
        dlg = std::make_unique<CConnectDlg>(services, nullptr);
        host = dlg->findChild<QComboBox*>(QStringLiteral("hostCombo"));
        port = dlg->findChild<QComboBox*>(QStringLiteral("portCombo"));
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    }
    QPushButton* Button(QDialogButtonBox::StandardButton which)
    {
        return dlg->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
    }
    void Click(QDialogButtonBox::StandardButton which)
    {
        QTest::mouseClick(Button(which), Qt::LeftButton);
    }

    std::unique_ptr<CConnectDlg> dlg;
    QComboBox* host = nullptr;
    QComboBox* port = nullptr;
};

} // namespace

TEST_F(ConnectDlgTest, CapitalsTypedAreLowerCasedWhereTheyAreTyped)
{
    Open();
    QLineEdit* edit = host->lineEdit();
    QTest::keyClicks(edit, QStringLiteral("Mud.EXAMPLE.org"));
    EXPECT_EQ(edit->text(), QStringLiteral("mud.example.org"));
    EXPECT_EQ(edit->cursorPosition(), 15);
    // Typed in the middle, the caret stays just after the new letter.
    edit->setCursorPosition(3);
    QTest::keyClicks(edit, QStringLiteral("XY"));
    EXPECT_EQ(edit->text(), QStringLiteral("mudxy.example.org"));
    EXPECT_EQ(edit->cursorPosition(), 5);
    TypeInto(port, QStringLiteral("4000"));
    QTest::keyClick(port->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Host(), "mudxy.example.org");
    EXPECT_EQ(dlg->Port(), 4000u);
    EXPECT_EQ(HostList::StoredHostPort(settings, "mudxy.example.org"), 4000u);
}

TEST_F(ConnectDlgTest, ChoosingAStoredHostSelectsItsPort)
{
    Remember("alpha.example.org", "23");
    Remember("beta.example.org", "4000");
    Open();
    ASSERT_EQ(host->count(), 2);
    EXPECT_EQ(host->currentText(), QStringLiteral("beta.example.org")); // the last host
    EXPECT_EQ(port->currentText(), QStringLiteral("4000"));
    ChooseFromPopup(host, 0);
    EXPECT_EQ(host->currentText(), QStringLiteral("alpha.example.org"));
    EXPECT_EQ(port->currentText(), QStringLiteral("Telnet (23)"));
    // The arrow keys choose too.
    QTest::keyClick(host, Qt::Key_Down);
    EXPECT_EQ(host->currentText(), QStringLiteral("beta.example.org"));
    EXPECT_EQ(port->currentText(), QStringLiteral("4000"));
    QTest::keyClick(host, Qt::Key_Up);
    EXPECT_EQ(port->currentText(), QStringLiteral("Telnet (23)"));

    // Typed text equal to the current item, then the host chosen again: a choice once more.
    TypeInto(port, QStringLiteral("Telnet (23)"));
    ChooseFromPopup(host, 0);
    Click(QDialogButtonBox::Ok);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Host(), "alpha.example.org");
    EXPECT_EQ(dlg->Port(), 23u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ConnectDlgTest, HostTypedAfterThePortKeepsTheTypedPort)
{
    Remember("alpha.example.org", "23");
    Remember("beta.example.org", "80"); // the preselected host, so typing alpha changes it
    Open();
    port->lineEdit()->setFocus();
    TypeInto(port, QStringLiteral("5000"));
    host->lineEdit()->setFocus();
    TypeInto(host, QStringLiteral("alpha.example.org"));
    Click(QDialogButtonBox::Ok); // the host field loses the focus
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Port(), 5000u);
    EXPECT_EQ(HostList::StoredHostPort(settings, "alpha.example.org"), 5000u);
}

TEST_F(ConnectDlgTest, OlderHostWithAnUnlistedPortBringsItsNumber)
{
    settings.WriteString("Host", "Item 1", "old.example.org");
    settings.WriteInt("Port", "Item 1", 5555);
    Open();
    ChooseFromPopup(host, 0);
    EXPECT_EQ(port->currentText(), QStringLiteral("5555"));
    Click(QDialogButtonBox::Ok);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Port(), 5555u);
    EXPECT_EQ(settings.ReadInt("Connect", "Port 01", 0), 5555);
}

TEST_F(ConnectDlgTest, EmptyHostOrTypedBuiltInTextIsRefusedAndTheDialogStaysOpen)
{
    Open();
    EXPECT_EQ(host->currentText(), QString());
    EXPECT_EQ(port->currentText(), QStringLiteral("MUCK (8888)"));
    Click(QDialogButtonBox::Ok);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, LoadString(8002));
    EXPECT_EQ(messages.shown[0].icon, CRecordingMessageSink::Icon::None);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_NE(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(port->currentText(), QStringLiteral("MUCK (8888)"));

    QTest::keyClicks(host->lineEdit(), QStringLiteral("mud.example.org"));
    // Even in another letter case and with the focus leaving the field, a typed row text
    // stays typed text, which names no port.
    for (const QString& text : {QStringLiteral("Telnet (23)"), QStringLiteral("telnet (23)")}) {
        messages.shown.clear();
        port->lineEdit()->setFocus();
        TypeInto(port, text);
        Click(QDialogButtonBox::Ok);
        EXPECT_TRUE(Button(QDialogButtonBox::Ok)->hasFocus());
        ASSERT_EQ(messages.shown.size(), 1u) << text.toStdString();
        EXPECT_EQ(messages.shown[0].text, LoadString(8001));
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(port->currentText(), text);
    }
    EXPECT_EQ(settings.ReadString("Connect", "Last Host", ""), "");

    // Choosing it from the list is a choice.
    messages.shown.clear();
    ChooseFromPopup(port, port->findText(QStringLiteral("Telnet (23)")));
    QTest::keyClick(host->lineEdit(), Qt::Key_Enter);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->Port(), 23u);
    EXPECT_EQ(settings.ReadInt("Connect", "Port 01", 0), 0);

    // Cancel stores nothing.
    Open();
    TypeInto(host, QStringLiteral("other.example.org"));
    Click(QDialogButtonBox::Cancel);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(HostList::RecentHosts(settings), std::vector<std::string>{"mud.example.org"});
}

TEST_F(ConnectDlgTest, ConnectionOptionsAreKeptPerHost)
{
    Remember("plain.example.org", "4000");
    Remember("secure.example.org", "4443");
    HostList::SaveConnectionOptions(settings, "secure.example.org", {true, true});
    Open();
    auto* tls = dlg->findChild<QCheckBox*>(QStringLiteral("tlsCheck"));
    auto* telnet = dlg->findChild<QCheckBox*>(QStringLiteral("telnetAlwaysCheck"));
    ASSERT_TRUE(tls && telnet);
    EXPECT_EQ(tls->text(), QStringLiteral("Secure connection (TLS)"));
    EXPECT_EQ(telnet->text(), QStringLiteral("Understand telnet commands on every port"));
    // The last host (secure) shows its options; choosing the other shows its own.
    EXPECT_TRUE(tls->isChecked() && telnet->isChecked());
    ChooseFromPopup(host, 0);
    EXPECT_FALSE(tls->isChecked() || telnet->isChecked());
    tls->setChecked(true);
    Click(QDialogButtonBox::Ok);
    ASSERT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(settings.ReadInt("plain.example.org", "TLS", -1), 1);
    EXPECT_EQ(settings.ReadInt("plain.example.org", "Telnet Always", -1), 0);
    EXPECT_EQ(settings.ReadInt("secure.example.org", "TLS", -1), 1);
}
