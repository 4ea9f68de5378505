#pragma once
// The Aliases dialog: edits a host's CAliasesDlg. Rows are added, modified and deleted in
// the dialog's own list (kept sorted by name); only OK hands them to the store and saves.

#include <QDialog>

#include <functional>
#include <memory>

#include "res/TextEncoding.h"

#include "shortcuts/AliasesDlg.h"

struct CAppServices;
class CAddAliasDlg;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
namespace Ui {
class AliasesDialog;
}

class CAliasesDialog final : public QDialog {
    Q_OBJECT
public:
    // Runs an Add/Modify Alias dialog and returns its result (QDialog::Accepted or not).
    using AddDialogRunner = std::function<int(CAddAliasDlg&)>;

    CAliasesDialog(CAliasesDlg& aliases, CAppServices& services, QWidget* parent = nullptr);
    ~CAliasesDialog() override;
    CAliasesDialog(const CAliasesDialog&) = delete;
    CAliasesDialog& operator=(const CAliasesDialog&) = delete;

    // Replaces the modal run of the Add/Modify Alias dialog (tests fill it in place).
    void SetAddDialogRunner(AddDialogRunner runner) { m_runAddDialog = std::move(runner); }

    // The dialog's rows in the order the list shows them.
    CAliasesDlg::AliasList Rows() const;

    QTreeWidget* AliasList() const;
    QComboBox* AliasCharBox() const;
    QPushButton* AddButton() const;
    QPushButton* ModifyButton() const;
    QPushButton* DeleteButton() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    QLabel* Ticker() const;
    const QTimer& TickerTimer() const { return *m_ticker; }

public Q_SLOTS:
    void OnAdd();
    void OnModify();
    void OnDelete();
    // One step of the information ticker: its first character moves to the end.
    void OnTick();
    void accept() override;
    void done(int result) override;

private:
    // The host's encoding, for the texts shown and typed.
    CTextEncoding::Kind Encoding() const;
    void UpdateButtons();
    void InsertSorted(const std::string& name, const std::string& action);
    QTreeWidgetItem* SelectedRow() const;
    QTreeWidgetItem* FindRow(const std::string& name) const;
    int RunAddDialog(CAddAliasDlg& dialog);

    std::unique_ptr<Ui::AliasesDialog> m_ui;
    CAliasesDlg& m_aliases;
    CAppServices& m_services;
    QTimer* m_ticker;
    AddDialogRunner m_runAddDialog;
};

// Tools > Aliases...: runs the dialog modally for aliases; true when it was closed with OK.
bool EditAliases(CAliasesDlg& aliases, CAppServices& services, QWidget* parent);
