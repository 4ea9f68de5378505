#pragma once
// The "Manage settings" dialog (Tools > Manage Settings, while no connection window is
// open): lists the known hosts and opens any feature's settings dialog for the chosen host
// without connecting to it, each on a feature object of its own made for that host and
// deleted when its dialog closes; or clears all of the host's settings.

#include <QDialog>

#include <array>
#include <memory>
#include <string>

class QListWidget;
class QPushButton;
struct CAppServices;
namespace Ui {
class ManageDlg;
}

class CManageDlg final : public QDialog {
    Q_OBJECT
public:
    // The feature buttons, top to bottom.
    enum Feature {
        kOptions,
        kColouredText,
        kTriggers,
        kTimedText,
        kShortcutKeys,
        kKeypadKeys,
        kAliases,
        kScripting,
        kAtImage,
        kAutoLog,
        kFeatureCount
    };

    explicit CManageDlg(CAppServices& services, QWidget* parent = nullptr);
    ~CManageDlg() override;
    CManageDlg(const CManageDlg&) = delete;
    CManageDlg& operator=(const CManageDlg&) = delete;

    // The selected host; empty when none is.
    std::string SelectedHost() const;

    // A feature button: the feature's dialog for the selected host; true when it was
    // confirmed (and so saved to that host). Nothing happens without a selection.
    bool OpenFeature(Feature feature);
    // Clear All, asking first; true when the host's settings were deleted.
    bool ClearAll();

    QListWidget* HostList() const;
    QPushButton* FeatureButton(Feature feature) const;
    QPushButton* ClearAllButton() const;
    QPushButton* CloseButton() const;

private:
    std::unique_ptr<Ui::ManageDlg> m_ui;
    CAppServices& m_services;
    std::array<QPushButton*, kFeatureCount> m_featureButtons{};
};

// Tools > Manage Settings: the dialog, run modally with key interception paused.
void ManageSettings(CAppServices& services, QWidget* parent);
