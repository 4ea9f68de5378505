#pragma once
// The small dialog that edits one function-key shortcut for the Shortcut Function Keys
// dialog: the key number (1-12), the modifier and the multi-line text whose lines become
// separate commands. In Modify mode only the text can change.

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

#include "res/TextEncoding.h"

#include "shortcuts/ShortcutsDlg.h"

class CMessageSink;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
namespace Ui {
class AddShortcutDlg;
}

class CAddShortcutDlg final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // text is bytes as stored (lines separated by "\r\n"); number 0 shows an empty choice.
    CAddShortcutDlg(Mode mode, int number, CShortcutsDlg::Modifier modifier,
                    const std::string& text, CMessageSink& messages, QWidget* parent = nullptr,
                    CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
    ~CAddShortcutDlg() override;
    CAddShortcutDlg(const CAddShortcutDlg&) = delete;
    CAddShortcutDlg& operator=(const CAddShortcutDlg&) = delete;

    Mode GetMode() const { return m_mode; }
    int Number() const;
    CShortcutsDlg::Modifier Modifier() const;
    // (modifier << 8) + number + 111.
    std::uint32_t KeyCode() const;
    // The lines joined with "\r\n"; a text shown and not edited comes back as it was given.
    std::string Text() const;

    QLineEdit* NumberEdit() const;
    QRadioButton* ModifierButton(CShortcutsDlg::Modifier modifier) const;
    QPlainTextEdit* TextEdit() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

public Q_SLOTS:
    // Refuses (with the range message, keeping the dialog open) a number outside 1 to 12.
    void accept() override;

private:
    std::unique_ptr<Ui::AddShortcutDlg> m_ui;
    Mode m_mode;
    CMessageSink& m_messages;
    std::string m_originalText;
    QString m_originalField;
    CTextEncoding::Kind m_encoding;
};
