#pragma once
// The "Copy settings from..." dialog (Tools > Copy From... of a connection window): the
// user picks the known host whose settings are to replace all of the window's host's.
// Only the choice is made here; the session does the copying.

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QPushButton;
class CSettingsStore;
struct CAppServices;
namespace Ui {
class CopyFromDlg;
}

class CCopyFromDlg final : public QDialog {
    Q_OBJECT
public:
    // Offers every known host except currentHost (in any letter case).
    CCopyFromDlg(CSettingsStore& store, std::string currentHost, QWidget* parent = nullptr);
    ~CCopyFromDlg() override;
    CCopyFromDlg(const CCopyFromDlg&) = delete;
    CCopyFromDlg& operator=(const CCopyFromDlg&) = delete;

    const std::string& CurrentHost() const { return m_currentHost; }
    // The chosen host, once OK closed the dialog.
    const std::string& SourceHost() const { return m_sourceHost; }

    QComboBox* HostBox() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

public Q_SLOTS:
    // Without a chosen host the dialog stays open.
    void accept() override;

private:
    std::unique_ptr<Ui::CopyFromDlg> m_ui;
    std::string m_currentHost;
    std::string m_sourceHost;
};

// Runs the dialog for currentHost with key interception paused: the chosen host after OK,
// nothing after Cancel.
std::optional<std::string> ChooseCopySource(CAppServices& services, const std::string& currentHost,
                                            QWidget* parent);
