// The Manage settings and Copy settings from... dialogs, driven offscreen: which hosts they
// offer, what the buttons open and what Clear All leaves behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "alerts/TriggersDlg.h"
#include "alerts/ui/TriggersDialog.h"
#include "common/TestServices.h"
#include "common/WidgetChecks.h"
#include "settings/NumberedList.h"
#include "settings/SettingsStore.h"
#include "settings/ui/CopyFromDlg.h"
#include "settings/ui/ManageDlg.h"
#include "shortcuts/AliasesDlg.h"

using namespace brumble::test;

namespace {

// Clicks button; the dialog it opens is handed to look and then cancelled. Returns the
// dialog's class name, empty when nothing opened.
QString ClickAndCancel(QPushButton* button, const std::function<void(QDialog*)>& look = {})
{
    QString opened;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        opened = QString::fromLatin1(dialog->metaObject()->className());
        if (look)
            look(dialog);
        dialog->reject();
    });
    poll.start();
    QTest::mouseClick(button, Qt::LeftButton);
    return opened;
}

class ManageDlgTest : public ::testing::Test, public CTestServices {
protected:
    void KnowHosts(const std::vector<std::string>& hosts)
    {
        NumberedList::Save(settings, "Connect", "Host %02d", hosts);
    }
};

TEST_F(ManageDlgTest, WithNoKnownHostsOnlyCloseWorks)
{
    CManageDlg dialog(services);
    EXPECT_EQ(dialog.HostList()->count(), 0);
    for (int feature = 0; feature < CManageDlg::kFeatureCount; ++feature)
        EXPECT_FALSE(dialog.FeatureButton(static_cast<CManageDlg::Feature>(feature))->isEnabled());
    EXPECT_FALSE(dialog.ClearAllButton()->isEnabled());
    EXPECT_TRUE(dialog.CloseButton()->isEnabled());
}

TEST_F(ManageDlgTest, EachFeatureButtonOpensItsDialogForTheSelectedHost)
{
    KnowHosts({"b.example", "A.example"});
    settings.WriteString("b.example", "Trigger 01", "dragon");
    CManageDlg dialog(services);
    dialog.show();
    EXPECT_EQ(ItemTexts(dialog.HostList()),
              (QStringList{QStringLiteral("A.example"), QStringLiteral("b.example")}));
    EXPECT_EQ(dialog.SelectedHost(), "A.example");
    dialog.HostList()->setCurrentRow(1);
    const char* const expected[CManageDlg::kFeatureCount] = {
        "COptionsDialog",   "CColouredTextDialog", "CTriggersDialog", "CTimedTextDialog",
        "CShortcutsDialog", "CKeypadDialog",       "CAliasesDialog",  "CScriptingDialog",
        "CAtImageDialog",   "CAutoLogDialog"};
    QStringList triggersShown;
    for (int i = 0; i < CManageDlg::kFeatureCount; ++i) {
        QPushButton* button = dialog.FeatureButton(static_cast<CManageDlg::Feature>(i));
        SCOPED_TRACE(button->text().toStdString());
        ASSERT_TRUE(button->isEnabled());
        EXPECT_EQ(ClickAndCancel(button,
                                 [&](QDialog* opened) {
                                     if (auto* triggers = qobject_cast<CTriggersDialog*>(opened))
                                         triggersShown = ItemTexts(triggers->TriggerList());
                                 }),
                  QString::fromLatin1(expected[i]));
    }
    EXPECT_EQ(triggersShown, QStringList{QStringLiteral("dragon")}); // the selected host's

    // Without a selection a button does nothing.
    dialog.HostList()->clearSelection();
    EXPECT_EQ(ClickAndCancel(dialog.FeatureButton(CManageDlg::kTriggers)), QString());
}

TEST_F(ManageDlgTest, ClearAllAnsweredNoKeepsEverythingAndYesLeavesTheDefaults)
{
    KnowHosts({"mud.example"});
    settings.WriteString("mud.example", "Trigger 01", "dragon");
    settings.WriteInt("mud.example", "Warning", 1005);
    settings.WriteString("mud.example", "Alias 01", "n");
    settings.WriteString("mud.example", "Alias Action 01", "north");
    CManageDlg dialog(services);
    dialog.show();

    messages.QueueAnswer(CMessageSink::Answer::No);
    QTest::mouseClick(dialog.ClearAllButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Are you sure you want to clear all settings for this host?");
    EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Question);
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
    EXPECT_EQ(CTriggersDlg(services, "mud.example").Triggers(), std::vector<std::string>{"dragon"});
    EXPECT_EQ(CAliasesDlg(services, "mud.example").AliasNames().size(), 1u);

    messages.QueueAnswer(CMessageSink::Answer::Yes);
    QTest::mouseClick(dialog.ClearAllButton(), Qt::LeftButton);
    EXPECT_EQ(messages.shown.size(), 2u);
    const CTriggersDlg triggers(services, "mud.example");
    EXPECT_TRUE(triggers.Triggers().empty());
    EXPECT_EQ(triggers.Warning(), CTriggersDlg::kAudible);
    EXPECT_TRUE(CAliasesDlg(services, "mud.example").AliasNames().empty());
    EXPECT_EQ(ItemTexts(dialog.HostList()), QStringList{QStringLiteral("mud.example")});
    EXPECT_EQ(CManageDlg(services).HostList()->count(), 1);
}

TEST_F(ManageDlgTest, CopyFromOffersOnlyTheOtherHostsSortedAndReturnsTheChosenOne)
{
    KnowHosts({"mud.example", "Zeta.org", "MUD.Example", "alpha.net"});
    CCopyFromDlg dialog(settings, "mud.example");
    EXPECT_EQ(ItemTexts(dialog.HostBox()),
              (QStringList{QStringLiteral("alpha.net"), QStringLiteral("Zeta.org")}));
    EXPECT_EQ(dialog.HostBox()->currentIndex(), 0);
    ASSERT_TRUE(dialog.OkButton()->isEnabled());
    dialog.HostBox()->setCurrentIndex(1);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SourceHost(), "Zeta.org");

    // With only the window's own host (in any case) there is nothing to confirm.
    KnowHosts({"mud.example"});
    CCopyFromDlg alone(settings, "MUD.example");
    alone.show();
    EXPECT_EQ(alone.HostBox()->count(), 0);
    EXPECT_FALSE(alone.OkButton()->isEnabled());
    alone.accept();
    EXPECT_TRUE(alone.isVisible());
    EXPECT_TRUE(alone.SourceHost().empty());
}

} // namespace
