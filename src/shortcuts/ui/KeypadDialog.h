#pragma once
// The Shortcut Keypad Keys dialog: edits a host's CKeypadDlg on a keypad of push-buttons,
// one of which is down; the edit field beside it holds the commands of that key. Changes
// live in an editing copy until OK hands it to the store and saves.

#include <QDialog>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "res/TextEncoding.h"
#include "shortcuts/KeypadDlg.h"

struct CAppServices;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
namespace Ui {
class KeypadDialog;
}

class CKeypadDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTickerPeriodMs = 250;
    static constexpr int kTipCount = 5;

    CKeypadDialog(CKeypadDlg& keypad, CAppServices& services, QWidget* parent = nullptr);
    ~CKeypadDialog() override;
    CKeypadDialog(const CKeypadDialog&) = delete;
    CKeypadDialog& operator=(const CKeypadDialog&) = delete;

    // The key buttons by store index (0 is "/").
    QPushButton* KeyButton(int index) const;
    int SelectedKey() const { return m_selected; }
    QLabel* CommandsLabel() const;
    QPlainTextEdit* CommandsEdit() const;
    QLabel* Ticker() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    const QTimer& TickerTimer() const { return *m_ticker; }
    static const char* Tip(int index);

public Q_SLOTS:
    void SelectKey(int index);
    void OnTick();
    void accept() override;
    void done(int result) override;

private:
    // Keeps the field's text for the selected key; false (with a message, nothing kept) when
    // the host's encoding cannot carry it.
    bool StoreEditedText();

    std::unique_ptr<Ui::KeypadDialog> m_ui;
    CKeypadDlg& m_keypad;
    CAppServices& m_services;
    std::array<QPushButton*, CKeypadDlg::kKeyCount> m_buttons{};
    std::vector<std::string> m_editing;
    CTextEncoding::Kind m_encoding;
    int m_selected = 0;
    QString m_shownText; // what the field showed for the selected key, to keep its bytes
    QTimer* m_ticker;
};

// Tools > Keypad Keys...: runs the dialog modally; true when it was closed with OK.
bool EditKeypad(CKeypadDlg& keypad, CAppServices& services, QWidget* parent);
