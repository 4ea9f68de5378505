// The Triggers and Timed Text dialogs driven as a user would, offscreen.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "alerts/AlertResources.h"
#include "alerts/TimedTextDlg.h"
#include "alerts/TriggersDlg.h"
#include "alerts/ui/TimedTextDialog.h"
#include "alerts/ui/TriggersDialog.h"
#include "common/TestServices.h"
#include "common/WidgetChecks.h"
#include "settings/SettingsStore.h"

namespace {

using Strings = std::vector<std::string>;
using namespace brumble::test;

std::string Shown(const QListWidget* list)
{
    return ItemTexts(list).join(u'|').toStdString();
}

class AlertDialogs : public ::testing::Test, public brumble::test::CTestServices {};

TEST_F(AlertDialogs, TriggersAreTypedUpperCaseTakeEffectAtOnceAndEscapeSavesThem)
{
    settings.WriteString("mud", "Trigger 01", "ZOMBIE");
    CTriggersDlg triggers(services, "mud");
    CTriggersDialog dialog(triggers, services);
    dialog.show();
    EXPECT_FALSE(dialog.AddButton()->isEnabled());
    EXPECT_EQ(dialog.TriggerList()->currentRow(), 0);

    QTest::keyClicks(dialog.TriggerField(), QStringLiteral("dragon"));
    EXPECT_EQ(dialog.TriggerField()->text(), QStringLiteral("DRAGON"));
    QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.TriggerField()->text(), QString());
    EXPECT_FALSE(dialog.AddButton()->isEnabled());
    QTest::keyClicks(dialog.TriggerField(), QStringLiteral("Caf"));
    QTest::sendKeyEvent(QTest::Click, dialog.TriggerField(), Qt::Key_Eacute,
                        QString::fromLatin1("\xE9"), Qt::NoModifier);
    QTest::keyClick(dialog.TriggerField(), Qt::Key_Return);
    // Shown sorted, stored in the order added, and matching in the session at once.
    EXPECT_EQ(Shown(dialog.TriggerList()), "CAF\xC3\x89|DRAGON|ZOMBIE");
    EXPECT_EQ(triggers.Triggers(), (Strings{"ZOMBIE", "DRAGON", "CAF\xC9"}));
    EXPECT_TRUE(triggers.MatchesReceived("a dragon"));

    dialog.TriggerList()->setCurrentRow(2);
    QTest::mouseClick(dialog.DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(triggers.Triggers(), (Strings{"DRAGON", "CAF\xC9"}));
    EXPECT_EQ(dialog.TriggerList()->currentRow(), 0);

    // Escape closes as Close does: the list is saved for the next connection.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(CTriggersDlg(services, "mud").Triggers(), (Strings{"DRAGON", "CAF\xC9"}));
}

TEST_F(AlertDialogs, WarningAndSoundAreWrittenAsTheyAreChosenAndPlayed)
{
    const std::string wave = dir.File("ding.wav");
    QFile file(QString::fromStdString(wave));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    settings.WriteInt("mud", "Warning", 1005);
    CTriggersDlg triggers(services, "mud");
    CTriggersDialog dialog(triggers, services);
    std::string browsedFrom = "-";
    dialog.SetWaveChooser([&](const std::string& start) {
        browsedFrom = start;
        return std::optional<std::string>(wave);
    });
    dialog.show();

    // An empty stored sound shows (and plays) as Asterisk; Visual leaves sound choices off.
    EXPECT_TRUE(dialog.VisualChoice()->isChecked());
    EXPECT_EQ(dialog.SoundList()->count(), 7);
    EXPECT_EQ(dialog.SoundList()->currentText(), QStringLiteral("Asterisk"));
    EXPECT_FALSE(dialog.SoundList()->isEnabled());
    EXPECT_FALSE(dialog.BrowseButton()->isEnabled());

    dialog.BothChoice()->click(); // a radio button takes clicks on its label only
    EXPECT_EQ(settings.ReadInt("mud", "Warning", 0), 1006);
    EXPECT_TRUE(dialog.SoundList()->isEnabled());
    dialog.SoundList()->setCurrentIndex(3);
    Q_EMIT dialog.SoundList()->activated(3);
    dialog.SoundList()->setCurrentIndex(6);
    Q_EMIT dialog.SoundList()->activated(6);
    EXPECT_EQ(settings.ReadString("mud", "Sound", ""), "IDR_YUM");
    EXPECT_EQ(settings.ReadInt("mud", "Sound Type", 0), 1);

    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(browsedFrom, wave); // the second time from the file chosen the first
    EXPECT_EQ(dialog.SoundList()->count(), 8);
    EXPECT_EQ(dialog.SoundList()->currentText().toStdString(), wave);
    EXPECT_EQ(settings.ReadInt("mud", "Sound Type", 0), 2);
    EXPECT_EQ(sound.played,
              (Strings{"system:SystemHand", "embedded", "file:" + wave, "file:" + wave}));
    QTest::mouseClick(dialog.CloseButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    // Opened again, the WAV file is the extra entry, selected.
    CTriggersDialog again(triggers, services);
    EXPECT_EQ(again.SoundList()->currentIndex(), 7);
    EXPECT_TRUE(again.BothChoice()->isChecked());
}

TEST_F(AlertDialogs, EveryControlHasItsToolTipAndTheAdvertRotates)
{
    CTriggersDlg triggers(services, "mud");
    CTriggersDialog dialog(triggers, services);
    const std::vector<std::pair<QWidget*, int>> tips = {
        {dialog.TriggerList(), 1040},   {dialog.TriggerField(), 1041},
        {dialog.AddButton(), 1042},     {dialog.DeleteButton(), 1043},
        {dialog.AudibleChoice(), 1004}, {dialog.VisualChoice(), 1005},
        {dialog.BothChoice(), 1006},    {dialog.SoundList(), 1044},
        {dialog.BrowseButton(), 1045},  {dialog.Advert(), 1046},
        {dialog.CloseButton(), 1047}};
    ExpectToolTips(tips);
    // The generator's first value, 41, picks advert 1; the next, 18467, advert 7.
    EXPECT_EQ(dialog.Advert()->text(), CTriggersDialog::AdvertText(1));
    EXPECT_EQ(dialog.AdvertTimer().interval(), 5000);
    dialog.OnAdvert();
    EXPECT_EQ(dialog.Advert()->text(), CTriggersDialog::AdvertText(7));

    CTimedTextDlg timed(services, "mud");
    CTimedTextDialog timedDialog(timed, services);
    ExpectToolTips({{timedDialog.TextList(), 1050},
                    {timedDialog.TextField(), 1051},
                    {timedDialog.AddButton(), 1052},
                    {timedDialog.RemoveButton(), 1053},
                    {timedDialog.IntervalField(), 1054}});
    EXPECT_EQ(timedDialog.windowTitle(), QStringLiteral("Timed Text"));
    EXPECT_EQ(timedDialog.CaptionTimer().interval(), 10000);
    timedDialog.OnCaption(); // 6334 % 10
    EXPECT_EQ(timedDialog.windowTitle(), CTimedTextDialog::CaptionText(4));
    EXPECT_TRUE(timedDialog.windowTitle().startsWith(QStringLiteral("Timed Text (")));
}

TEST_F(AlertDialogs, TimedTextSavesTheShownOrderAndRefusesIntervalsOutOfRange)
{
    settings.WriteInt("mud", "Interval", 30);
    CTimedTextDlg timed(services, "mud");
    CTimedTextDialog dialog(timed, services);
    dialog.show();
    EXPECT_EQ(dialog.IntervalField()->text(), QStringLiteral("30"));
    EXPECT_FALSE(dialog.RemoveButton()->isEnabled());
    dialog.OnRemove();
    dialog.OnAdd();
    EXPECT_EQ(sound.played, (Strings{"system:SystemExclamation", "system:SystemExclamation"}));

    for (const char* text : {"b", "a"}) {
        QTest::keyClicks(dialog.TextField(), QString::fromLatin1(text));
        QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
    }
    QTest::keyClicks(dialog.TextField(), QStringLiteral("c"));
    QTest::keyClick(dialog.TextField(), Qt::Key_Return); // adds, does not close
    ASSERT_TRUE(dialog.isVisible());
    dialog.TextList()->setCurrentRow(2);
    QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
    EXPECT_EQ(Shown(dialog.TextList()), "a|b");

    // Letters cannot be typed; 10000 is refused and the dialog stays.
    dialog.IntervalField()->clear();
    QTest::keyClicks(dialog.IntervalField(), QStringLiteral("1x0000"));
    EXPECT_EQ(dialog.IntervalField()->text(), QStringLiteral("10000"));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Please enter an integer between 0 and 9999.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(timed.Texts(), Strings{});

    dialog.IntervalField()->setText(QStringLiteral("9999"));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    CTimedTextDlg saved(services, "mud");
    EXPECT_EQ(saved.Texts(), (Strings{"a", "b"}));
    EXPECT_EQ(saved.GetInterval(), 9999u);

    // Cancel changes nothing.
    CTimedTextDialog cancelled(saved, services);
    cancelled.show();
    cancelled.IntervalField()->setText(QStringLiteral("5"));
    QTest::mouseClick(cancelled.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(saved.GetInterval(), 9999u);
}

} // namespace
