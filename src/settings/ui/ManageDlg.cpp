#include "settings/ui/ManageDlg.h"

#include <QListWidget>
#include <QPushButton>

#include "alerts/TimedTextDlg.h"
#include "alerts/TriggersDlg.h"
#include "alerts/ui/TimedTextDialog.h"
#include "alerts/ui/TriggersDialog.h"
#include "base/AppServices.h"
#include "display/ColouredTextDlg.h"
#include "display/OptionsDlg.h"
#include "display/ui/ColouredTextDialog.h"
#include "display/ui/OptionsDialog.h"
#include "image/AtImageDlg.h"
#include "image/ui/AtImageDialog.h"
#include "log/AutoLogDlg.h"
#include "log/ui/AutoLogDialogEditor.h"
#include "res/WidgetText.h"
#include "script/ScriptingDlg.h"
#include "script/ui/ScriptingDialog.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostSettings.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/KeypadDlg.h"
#include "shortcuts/ShortcutsDlg.h"
#include "shortcuts/ui/AliasesDialog.h"
#include "shortcuts/ui/KeypadDialog.h"
#include "shortcuts/ui/ShortcutsDialog.h"
#include "ui_ManageDlg.h"

namespace {

// Tool tips of the list and the buttons (string-table ids).
constexpr int kHostListTip = 1620;
constexpr int kFirstFeatureTip = 1621; // one per feature, in button order
constexpr int kClearAllTip = 1631;
constexpr int kCloseTip = 1632;

// Makes the feature object for host (it loads the host's settings), runs its dialog and
// deletes the object again.
template <typename Feature, auto Edit>
bool OpenWith(CAppServices& services, const std::string& host, QWidget* parent)
{
    Feature feature(services, host);
    return Edit(feature, services, parent);
}

bool OpenOptions(CAppServices& services, const std::string& host, QWidget* parent)
{
    COptionsDlg options(services.settings, host, services.random, parent->logicalDpiY());
    const CInputViewGuard guard(services.app);
    return EditOptions(options, services.messages, parent);
}

bool OpenAutoLog(CAppServices& services, const std::string& host, QWidget* parent)
{
    CAutoLogDlg autoLog(services, host);
    return CAutoLogDialogEditor(services, parent).EditAutoLog(autoLog);
}

bool OpenScripts(CAppServices& services, const std::string& host, QWidget* parent)
{
    CScriptingDlg scripts(services, host);
    return EditScripts(scripts, services, parent);
}

using Opener = bool (*)(CAppServices&, const std::string&, QWidget*);

// What each feature button opens, in CManageDlg::Feature order.
constexpr std::array<Opener, CManageDlg::kFeatureCount> kOpeners = {
    &OpenOptions,
    &OpenWith<CColouredTextDlg, &EditColouredText>,
    &OpenWith<CTriggersDlg, &EditTriggers>,
    &OpenWith<CTimedTextDlg, &EditTimedText>,
    &OpenWith<CShortcutsDlg, &EditShortcuts>,
    &OpenWith<CKeypadDlg, &EditKeypad>,
    &OpenWith<CAliasesDlg, &EditAliases>,
    &OpenScripts,
    &OpenWith<CAtImageDlg, &EditImageSettings>,
    &OpenAutoLog,
};

} // namespace

CManageDlg::CManageDlg(CAppServices& services, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ManageDlg>()), m_services(services)
{
    m_ui->setupUi(this);
    m_featureButtons = {m_ui->optionsButton,   m_ui->colouredTextButton, m_ui->triggersButton,
                        m_ui->timedTextButton, m_ui->shortcutKeysButton, m_ui->keypadKeysButton,
                        m_ui->aliasesButton,   m_ui->scriptingButton,    m_ui->atImageButton,
                        m_ui->autoLogButton};

    m_ui->hostList->setToolTip(ToolTipText(kHostListTip));
    m_ui->clearAllButton->setToolTip(ToolTipText(kClearAllTip));
    m_ui->closeButton->setToolTip(ToolTipText(kCloseTip));
    for (int feature = 0; feature < kFeatureCount; ++feature) {
        QPushButton* button = m_featureButtons[static_cast<std::size_t>(feature)];
        button->setToolTip(ToolTipText(kFirstFeatureTip + feature));
        connect(button, &QPushButton::clicked, this,
                [this, feature] { OpenFeature(static_cast<Feature>(feature)); });
    }
    connect(m_ui->clearAllButton, &QPushButton::clicked, this, &CManageDlg::ClearAll);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);

    for (const std::string& host : HostSettings::KnownHosts(services.settings))
        m_ui->hostList->addItem(ToWidgetText(host));
    const bool any = m_ui->hostList->count() > 0;
    if (any)
        m_ui->hostList->setCurrentRow(0);
    for (QPushButton* button : m_featureButtons)
        button->setEnabled(any);
    m_ui->clearAllButton->setEnabled(any);
    m_ui->hostList->setFocus();
}

CManageDlg::~CManageDlg() = default;

std::string CManageDlg::SelectedHost() const
{
    const QListWidgetItem* item = m_ui->hostList->currentItem();
    return item && item->isSelected() ? FromWidgetText(item->text()) : std::string();
}

bool CManageDlg::OpenFeature(Feature feature)
{
    const std::string host = SelectedHost();
    if (host.empty() || feature < 0 || feature >= kFeatureCount)
        return false;
    return kOpeners[static_cast<std::size_t>(feature)](m_services, host, this);
}

bool CManageDlg::ClearAll()
{
    const std::string host = SelectedHost();
    return !host.empty() && HostSettings::ClearAll(m_services.settings, m_services.messages, host);
}

QListWidget* CManageDlg::HostList() const
{
    return m_ui->hostList;
}

QPushButton* CManageDlg::FeatureButton(Feature feature) const
{
    return m_featureButtons.at(static_cast<std::size_t>(feature));
}

QPushButton* CManageDlg::ClearAllButton() const
{
    return m_ui->clearAllButton;
}

QPushButton* CManageDlg::CloseButton() const
{
    return m_ui->closeButton;
}

void ManageSettings(CAppServices& services, QWidget* parent)
{
    CManageDlg dialog(services, parent);
    const CInputViewGuard guard(services.app);
    dialog.exec();
}
