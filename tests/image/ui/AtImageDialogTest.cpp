// The "@image display" dialog: which controls the enable box and the mode leave usable,
// tool tips on every control, OK storing all five values and Cancel none.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "common/TestServices.h"
#include "image/AtImageDlg.h"
#include "image/ui/AtImageDialog.h"
#include "settings/SettingsStore.h"

namespace {

class AtImageDialog : public ::testing::Test, public brumble::test::CTestServices {};

TEST_F(AtImageDialog, EnablingFollowsTheBoxAndTheModeOkStoresEverythingCancelNothing)
{
    CAtImageDlg settingsObject(services, "mud");
    {
        CAtImageDialog cancelled(settingsObject);
        cancelled.EnableBox()->setChecked(true);
        cancelled.reject();
        EXPECT_EQ(settingsObject.GetSettings(), CAtImageDlg::Settings());
        EXPECT_EQ(settings.ReadInt("mud", "AtImage Enabled", -1), -1);
    }
    CAtImageDialog dialog(settingsObject);
    const std::vector<QWidget*> controls = {dialog.PopupChoice(), dialog.BrowserChoice(),
                                            dialog.ImageTriggerField(), dialog.UrlPrefixField(),
                                            dialog.AskBox()};
    for (QWidget* control : controls)
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    for (QWidget* control : {static_cast<QWidget*>(dialog.EnableBox()), controls[0], controls[1],
                             controls[2], controls[3], controls[4]})
        EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();

    dialog.EnableBox()->setChecked(true);
    EXPECT_TRUE(dialog.PopupChoice()->isChecked());
    const std::vector<bool> popup = {true, true, true, false, false};
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->isEnabled(), popup[i]) << i;
    dialog.BrowserChoice()->setChecked(true);
    const std::vector<bool> browser = {true, true, false, true, true};
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->isEnabled(), browser[i]) << i;

    dialog.UrlPrefixField()->setText(QStringLiteral("https://"));
    dialog.AskBox()->setChecked(false);
    dialog.OkButton()->click();
    const CAtImageDlg::Settings expected{true, 1, "(@image)", "https://", false};
    EXPECT_EQ(settingsObject.GetSettings(), expected);
    EXPECT_EQ(CAtImageDlg(services, "mud").GetSettings(), expected);
}

} // namespace
