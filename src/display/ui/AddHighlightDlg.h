#pragma once
// The small dialog that asks for one highlight of the Coloured Text Highlights dialog: how
// the text is looked for in a line (at its start or anywhere) and the text itself. Titled
// "Modify Text to be Highlighted" when it opens with a text to change.

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

#include "res/TextEncoding.h"

class CMessageSink;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace Ui {
class AddHighlightDlg;
}

class CAddHighlightDlg final : public QDialog {
    Q_OBJECT
public:
    // mode: 0 "starts with", above 0 "contains", below 0 counts as 0. text: bytes as stored.
    CAddHighlightDlg(int mode, const std::string& text, CMessageSink& messages,
                     QWidget* parent = nullptr,
                     CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
    ~CAddHighlightDlg() override;
    CAddHighlightDlg(const CAddHighlightDlg&) = delete;
    CAddHighlightDlg& operator=(const CAddHighlightDlg&) = delete;

    // CColouredTextDlg::kStartsWith or kContains.
    std::uint32_t Mode() const;
    std::string Text() const;

    QRadioButton* StartsWithButton() const;
    QRadioButton* ContainsButton() const;
    QLineEdit* TextEdit() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

public Q_SLOTS:
    // Refuses an empty text (with a message, keeping the dialog open).
    void accept() override;

private:
    std::unique_ptr<Ui::AddHighlightDlg> m_ui;
    CMessageSink& m_messages;
    CTextEncoding::Kind m_encoding;
};
