#pragma once
// The "Scripting for Brumble" dialog: lists a host's scripts in their evaluation order, in
// display form, and lets the user insert, modify, delete and reorder them. OK writes the rows
// back into the CScriptingDlg it was opened on and saves it; Cancel changes nothing.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "res/TextEncoding.h"

class CAddScriptDlg;
class CScriptingDlg;
struct CAppServices;
class QPushButton;
class QTimer;
class QTreeWidget;
namespace Ui {
class ScriptingDialog;
}

class CScriptingDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCaptionPeriodMs = 5000;
    static constexpr int kCaptionCount = 10;

    // Runs the Add Script dialog (tests answer in its place); gives its result.
    using ScriptDialogRunner = std::function<int(CAddScriptDlg&)>;

    CScriptingDialog(CScriptingDlg& scripts, CAppServices& services, QWidget* parent = nullptr);
    ~CScriptingDialog() override;
    CScriptingDialog(const CScriptingDialog&) = delete;
    CScriptingDialog& operator=(const CScriptingDialog&) = delete;

    void SetScriptDialogRunner(ScriptDialogRunner runner) { m_runScriptDialog = std::move(runner); }

    // The captions OK and Cancel take by turns.
    static QString OkCaption(int index);
    static QString CancelCaption(int index);

    QTreeWidget* ScriptList() const;
    QPushButton* InsertBeforeButton() const;
    QPushButton* InsertAfterButton() const;
    QPushButton* ModifyButton() const;
    QPushButton* DeleteButton() const;
    QPushButton* MoveUpButton() const;
    QPushButton* MoveDownButton() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    const QTimer& CaptionTimer() const { return *m_captionTimer; }

public Q_SLOTS:
    void OnInsertBefore();
    void OnInsertAfter();
    void OnModify();
    void OnDelete();
    void OnMoveUp();
    void OnMoveDown();
    // One of OK and Cancel gets a new caption, picked at random.
    void OnCaption();
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Insert(bool after);
    void AddRow(int at, const std::string& condition, const std::string& commands, int origin);
    void SwapRows(int a, int b);
    int SelectedRow() const;
    void UpdateButtons();
    // The host's encoding: how its pattern and send texts read as characters.
    CTextEncoding::Kind Encoding() const;

    std::unique_ptr<Ui::ScriptingDialog> m_ui;
    CScriptingDlg& m_scripts;
    CAppServices& m_services;
    QTimer* m_captionTimer;
    ScriptDialogRunner m_runScriptDialog;
    bool m_widthsSet = false;
};

// Tools > Scripting... and the Manage settings dialog's Scripting button: runs the dialog
// modally on scripts; true when closed with OK (which saved them).
bool EditScripts(CScriptingDlg& scripts, CAppServices& services, QWidget* parent);
