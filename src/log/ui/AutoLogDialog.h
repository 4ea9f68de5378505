#pragma once
// The Auto-Log Text dialog: edits a host's CAutoLogDlg. The folder is only ever chosen with
// the folder picker; OK checks its length, hands the settings to the object and saves them.

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CAutoLogDlg;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct CAppServices;
namespace Ui {
class AutoLogDialog;
}

class CAutoLogDialog final : public QDialog {
    Q_OBJECT
public:
    // Asks for a folder, starting at start (8-bit path); nothing when cancelled.
    using FolderChooser = std::function<std::optional<std::string>(const std::string& start)>;

    CAutoLogDialog(CAutoLogDlg& autoLog, CAppServices& services, QWidget* parent = nullptr);
    ~CAutoLogDialog() override;
    CAutoLogDialog(const CAutoLogDialog&) = delete;
    CAutoLogDialog& operator=(const CAutoLogDialog&) = delete;

    // Replaces the folder picker (tests answer in its place).
    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

    QCheckBox* EnabledBox() const;
    QCheckBox* CommandsBox() const;
    QLineEdit* DirectoryEdit() const;
    QPushButton* BrowseButton() const;
    QRadioButton* MethodButton(int method) const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

public Q_SLOTS:
    void OnBrowse();
    void accept() override;

private:
    void UpdateEnabling();
    void ShowDirectory();
    std::optional<std::string> DefaultChooseFolder(const std::string& start);

    std::unique_ptr<Ui::AutoLogDialog> m_ui;
    CAutoLogDlg& m_autoLog;
    CAppServices& m_services;
    std::string m_directory;
    FolderChooser m_chooseFolder;
};
