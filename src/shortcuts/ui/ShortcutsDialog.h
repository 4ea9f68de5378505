#pragma once
// The Shortcut Function Keys dialog: edits a host's CShortcutsDlg. Rows are added, modified
// and deleted in the dialog's own list (kept sorted by key name); only OK hands them to the
// store and saves.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>

#include "res/TextEncoding.h"
#include "shortcuts/ShortcutsDlg.h"

struct CAppServices;
class CAddShortcutDlg;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
namespace Ui {
class ShortcutsDialog;
}

class CShortcutsDialog final : public QDialog {
    Q_OBJECT
public:
    // Runs an Add/Modify Shortcut dialog and returns its result (QDialog::Accepted or not).
    using AddDialogRunner = std::function<int(CAddShortcutDlg&)>;
    static constexpr int kTickerPeriodMs = 1500;

    CShortcutsDialog(CShortcutsDlg& shortcuts, CAppServices& services, QWidget* parent = nullptr);
    ~CShortcutsDialog() override;
    CShortcutsDialog(const CShortcutsDialog&) = delete;
    CShortcutsDialog& operator=(const CShortcutsDialog&) = delete;

    // Replaces the modal run of the Add/Modify Shortcut dialog (tests fill it in place).
    void SetAddDialogRunner(AddDialogRunner runner) { m_runAddDialog = std::move(runner); }

    // The dialog's rows in the order the list shows them.
    CShortcutsDlg::ShortcutList Rows() const;

    QTreeWidget* ShortcutList() const;
    QPushButton* AddButton() const;
    QPushButton* ModifyButton() const;
    QPushButton* DeleteButton() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    QPlainTextEdit* Ticker() const;
    const QTimer& TickerTimer() const { return *m_ticker; }

public Q_SLOTS:
    void OnAdd();
    void OnModify();
    void OnDelete();
    // One step of the information ticker: its first line moves to the end.
    void OnTick();
    void accept() override;
    void done(int result) override;

private:
    // The host's encoding, for the texts shown and typed.
    CTextEncoding::Kind Encoding() const;
    void UpdateButtons();
    void InsertSorted(std::uint32_t keyCode, const std::string& text);
    QTreeWidgetItem* SelectedRow() const;
    QTreeWidgetItem* FindRow(std::uint32_t keyCode) const;
    int RunAddDialog(CAddShortcutDlg& dialog);

    std::unique_ptr<Ui::ShortcutsDialog> m_ui;
    CShortcutsDlg& m_shortcuts;
    CAppServices& m_services;
    QTimer* m_ticker;
    AddDialogRunner m_runAddDialog;
};

// Tools > Shortcut Keys...: runs the dialog modally; true when it was closed with OK.
bool EditShortcuts(CShortcutsDlg& shortcuts, CAppServices& services, QWidget* parent);
