#pragma once
// The Add Script / Modify Script dialog: one script's condition and its list of commands, in
// display form. The Scripting dialog runs it and takes GetConditionText() and
// GetCommandsText() after OK; each command is edited in the Add Script Command dialog.

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "res/TextEncoding.h"

class CAddScriptCmdDlg;
struct CAppServices;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
namespace Ui {
class AddScriptDlg;
}

class CAddScriptDlg final : public QDialog {
    Q_OBJECT
public:
    // The choices of the condition list, in their order.
    enum Condition { kOnConnect, kOnReceive, kOnTimer };
    static constexpr int kMaxTimer = 99;
    static constexpr int kFirstTickMs = 4000;
    static constexpr int kTickMs = 1000;

    // Runs the Add Script Command dialog (tests answer in its place); gives its result.
    using CommandDialogRunner = std::function<int(CAddScriptCmdDlg&)>;

    // No texts: add mode (onConnect, no commands). Texts: modify mode with their values.
    CAddScriptDlg(const std::optional<std::string>& condition,
                  const std::optional<std::string>& commands, CAppServices& services,
                  QWidget* parent = nullptr,
                  CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
    ~CAddScriptDlg() override;
    CAddScriptDlg(const CAddScriptDlg&) = delete;
    CAddScriptDlg& operator=(const CAddScriptDlg&) = delete;

    // The chosen event in display form.
    std::string GetConditionText() const;
    // The command lines joined with line feeds (empty when there are none).
    std::string GetCommandsText() const;

    void SetCommandDialogRunner(CommandDialogRunner runner)
    {
        m_runCommandDialog = std::move(runner);
    }

    // The help text one step of the ticker on.
    static QString ScrolledHelp(const QString& text);

    QComboBox* ConditionBox() const;
    QLineEdit* TimerEdit() const;
    QLineEdit* PatternEdit() const;
    QListWidget* CommandList() const;
    QPushButton* AddButton() const;
    QPushButton* ModifyButton() const;
    QPushButton* DeleteButton() const;
    QLabel* HelpText() const;
    QPushButton* OkButton() const;
    const QTimer& Ticker() const { return *m_ticker; }

public Q_SLOTS:
    void OnConditionChosen(int condition);
    void OnAdd();
    void OnModify();
    void OnDelete();
    void OnTick();
    void accept() override;

private:
    int RunCommandDialog(CAddScriptCmdDlg& dialog);
    void UpdateButtons();

    // Text of a field or a list row as the bytes stored for the host.
    std::string Stored(const QString& text) const;

    std::unique_ptr<Ui::AddScriptDlg> m_ui;
    CAppServices& m_services;
    CTextEncoding::Kind m_encoding;
    QTimer* m_ticker;
    CommandDialogRunner m_runCommandDialog;
};
