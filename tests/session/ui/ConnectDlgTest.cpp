#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/TestSupport.h"
#include "res/StringTable.h"
#include "script/RandomGenerator.h"
#include "session/AppState.h"
#include "session/HostList.h"
#include "session/ui/ConnectDlg.h"
#include "settings/SettingsStore.h"

using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::ScopedTempDir;

namespace {

class ConnectDlgTest : public testing::Test {
protected:
    ScopedTempDir m_dir;
    CSettingsStore m_store{m_dir.File("settings.db")};
    CRecordingMessageSink m_messages;
    CRecordingSoundPlayer m_sound;
    CRandomGenerator m_random;
    CAppState m_app;
    CAppServices m_services{m_store, m_messages, m_sound, m_random, m_app};

    // Stores a host with its port as a successful OK of an earlier dialog would.
    void Remember(const std::string& host, const std::string& port)
    {
        ASSERT_TRUE(HostList::Accept(m_store, m_messages, host, port, std::nullopt,
                                     HostList::LoadDialogLists(m_store).ports));
    }
};

QComboBox* HostCombo(CConnectDlg& dlg)
{
    return dlg.findChild<QComboBox*>(QStringLiteral("hostCombo"));
}
QComboBox* PortCombo(CConnectDlg& dlg)
{
    return dlg.findChild<QComboBox*>(QStringLiteral("portCombo"));
}
QPushButton* OkButton(CConnectDlg& dlg)
{
    return dlg.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
        ->button(QDialogButtonBox::Ok);
}

void TypeInto(QComboBox* combo, const QString& text)
{
    combo->lineEdit()->selectAll();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(combo->lineEdit(), text);
}

// Shows the dialog as the active window, so that focus moves as it does for a user (a field
// losing the focus is what makes a combo box match typed text against its list).
void ShowActive(CConnectDlg& dlg)
{
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
}

// Picks row from the open drop-down list with the mouse, as a user does.
void ChooseFromPopup(QComboBox* combo, int row)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    const QRect rect = view->visualRect(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

TEST_F(ConnectDlgTest, OpensWithCaptionTipsAndDefaults)
{
    CConnectDlg dlg(m_services, nullptr);
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Connect");
    EXPECT_EQ(HostCombo(dlg)->toolTip().toStdString(), LoadString(1002));
    EXPECT_EQ(PortCombo(dlg)->toolTip().toStdString(), LoadString(1003));
    EXPECT_EQ(HostCombo(dlg)->currentText().toStdString(), "");
    EXPECT_EQ(HostCombo(dlg)->count(), 0);
    EXPECT_EQ(PortCombo(dlg)->count(), 18);
    EXPECT_EQ(PortCombo(dlg)->currentText().toStdString(), "MUCK (8888)");
    EXPECT_EQ(PortCombo(dlg)->itemText(0).toStdString(), "CharGen (19)");
    EXPECT_EQ(PortCombo(dlg)->itemData(0).toUInt(), 19u);
}

TEST_F(ConnectDlgTest, CapitalsTypedAreLowerCasedWhereTheyAreTyped)
{
    CConnectDlg dlg(m_services, nullptr);
    dlg.show();
    QLineEdit* edit = HostCombo(dlg)->lineEdit();
    QTest::keyClicks(edit, QStringLiteral("Mud.EXAMPLE.org"));
    EXPECT_EQ(edit->text().toStdString(), "mud.example.org");
    EXPECT_EQ(edit->cursorPosition(), 15);

    // Typed in the middle, the caret stays just after the new letter.
    edit->setCursorPosition(3);
    QTest::keyClicks(edit, QStringLiteral("XY"));
    EXPECT_EQ(edit->text().toStdString(), "mudxy.example.org");
    EXPECT_EQ(edit->cursorPosition(), 5);

    QTest::keyClick(PortCombo(dlg)->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Host(), "mudxy.example.org");
    EXPECT_EQ(dlg.Port(), 8888u);
}

TEST_F(ConnectDlgTest, ChoosingAStoredHostSelectsItsPort)
{
    Remember("alpha.example.org", "23");
    Remember("beta.example.org", "4000");
    CConnectDlg dlg(m_services, nullptr);
    dlg.show();
    QComboBox* host = HostCombo(dlg);
    QComboBox* port = PortCombo(dlg);
    ASSERT_EQ(host->count(), 2);
    EXPECT_EQ(host->currentText().toStdString(), "beta.example.org"); // the last host
    EXPECT_EQ(port->currentText().toStdString(), "4000");

    ChooseFromPopup(host, 0);
    EXPECT_EQ(host->currentText().toStdString(), "alpha.example.org");
    EXPECT_EQ(port->currentText().toStdString(), "Telnet (23)");

    // The arrow keys choose too.
    QTest::keyClick(host, Qt::Key_Down);
    EXPECT_EQ(host->currentText().toStdString(), "beta.example.org");
    EXPECT_EQ(port->currentText().toStdString(), "4000");

    QTest::mouseClick(OkButton(dlg), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Host(), "beta.example.org");
    EXPECT_EQ(dlg.Port(), 4000u);
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(ConnectDlgTest, ChoosingAHostAfterTypingAPortReplacesTheTypedText)
{
    Remember("alpha.example.org", "23");
    CConnectDlg dlg(m_services, nullptr);
    dlg.show();
    TypeInto(PortCombo(dlg), QStringLiteral("Telnet (23)"));
    // The typed text equals the current item, yet choosing the host must make it a choice.
    ChooseFromPopup(HostCombo(dlg), 0);
    QTest::mouseClick(OkButton(dlg), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Port(), 23u);
}

TEST_F(ConnectDlgTest, HostTypedAfterThePortKeepsTheTypedPort)
{
    Remember("alpha.example.org", "23");
    Remember("beta.example.org", "80"); // the preselected host, so typing alpha changes it
    CConnectDlg dlg(m_services, nullptr);
    ShowActive(dlg);
    PortCombo(dlg)->lineEdit()->setFocus();
    TypeInto(PortCombo(dlg), QStringLiteral("5000"));
    HostCombo(dlg)->lineEdit()->setFocus();
    TypeInto(HostCombo(dlg), QStringLiteral("alpha.example.org"));
    QTest::mouseClick(OkButton(dlg), Qt::LeftButton); // the host field loses the focus
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Port(), 5000u);
    EXPECT_EQ(HostList::StoredHostPort(m_store, "alpha.example.org"), 5000u);
}

TEST_F(ConnectDlgTest, OlderHostWithAnUnlistedPortBringsItsNumber)
{
    m_store.WriteString("Host", "Item 1", "old.example.org");
    m_store.WriteInt("Port", "Item 1", 5555);
    CConnectDlg dlg(m_services, nullptr);
    dlg.show();
    ChooseFromPopup(HostCombo(dlg), 0);
    EXPECT_EQ(PortCombo(dlg)->currentText().toStdString(), "5555");
    QTest::mouseClick(OkButton(dlg), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Port(), 5555u);
    EXPECT_EQ(m_store.ReadInt("Connect", "Port 01", 0), 5555);
}

TEST_F(ConnectDlgTest, OkWithEmptyHostShowsMessageAndStaysOpen)
{
    CConnectDlg dlg(m_services, nullptr);
    dlg.show();
    QTest::mouseClick(OkButton(dlg), Qt::LeftButton);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, LoadString(8002));
    EXPECT_EQ(m_messages.shown[0].icon, CRecordingMessageSink::Icon::None);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(PortCombo(dlg)->currentText().toStdString(), "MUCK (8888)");
    EXPECT_EQ(m_store.ReadString("Connect", "Last Port", ""), "");
}

TEST_F(ConnectDlgTest, TypedPortIsStoredAndOfferedNextTime)
{
    {
        CConnectDlg dlg(m_services, nullptr);
        dlg.show();
        QTest::keyClicks(HostCombo(dlg)->lineEdit(), QStringLiteral("Mud.Example.org"));
        TypeInto(PortCombo(dlg), QStringLiteral("4000"));
        QTest::mouseClick(OkButton(dlg), Qt::LeftButton);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.Host(), "mud.example.org");
        EXPECT_EQ(dlg.Port(), 4000u);
    }
    EXPECT_EQ(m_store.ReadInt("Connect", "Port 01", 0), 4000);
    EXPECT_EQ(HostList::RecentHosts(m_store), std::vector<std::string>{"mud.example.org"});

    CConnectDlg again(m_services, nullptr);
    EXPECT_EQ(HostCombo(again)->currentText().toStdString(), "mud.example.org");
    EXPECT_EQ(PortCombo(again)->currentText().toStdString(), "4000");
    EXPECT_EQ(PortCombo(again)->findText(QStringLiteral("4000")), 0);
    EXPECT_EQ(PortCombo(again)->itemData(0).toUInt(), 4000u);
}

TEST_F(ConnectDlgTest, TypedBuiltInTextIsNotAChoice)
{
    CConnectDlg dlg(m_services, nullptr);
    ShowActive(dlg);
    QTest::keyClicks(HostCombo(dlg)->lineEdit(), QStringLiteral("mud.example.org"));
    // Even in another letter case and with the focus leaving the field, a typed row text
    // stays typed text, which names no port.
    for (const char* text : {"Telnet (23)", "telnet (23)"}) {
        m_messages.shown.clear();
        PortCombo(dlg)->lineEdit()->setFocus();
        TypeInto(PortCombo(dlg), QString::fromLatin1(text));
        QTest::mouseClick(OkButton(dlg), Qt::LeftButton);
        EXPECT_TRUE(OkButton(dlg)->hasFocus());
        ASSERT_EQ(m_messages.shown.size(), 1u) << text;
        EXPECT_EQ(m_messages.shown[0].text, LoadString(8001));
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(PortCombo(dlg)->currentText(), QString::fromLatin1(text));
    }
    EXPECT_EQ(m_store.ReadString("Connect", "Host 01", ""), "");

    // Choosing it from the list is a choice.
    m_messages.shown.clear();
    ChooseFromPopup(PortCombo(dlg), PortCombo(dlg)->findText(QStringLiteral("Telnet (23)")));
    EXPECT_EQ(PortCombo(dlg)->currentText().toStdString(), "Telnet (23)");
    QTest::keyClick(HostCombo(dlg)->lineEdit(), Qt::Key_Enter);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Port(), 23u);
    EXPECT_EQ(m_store.ReadInt("Connect", "Port 01", 0), 0);
}

TEST_F(ConnectDlgTest, CancelStoresNothing)
{
    CConnectDlg dlg(m_services, nullptr);
    dlg.show();
    QTest::keyClicks(HostCombo(dlg)->lineEdit(), QStringLiteral("mud.example.org"));
    QTest::mouseClick(dlg.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))
                          ->button(QDialogButtonBox::Cancel),
                      Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(m_store.ReadString("Connect", "Last Host", ""), "");
    EXPECT_TRUE(HostList::RecentHosts(m_store).empty());
}
