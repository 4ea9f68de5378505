#pragma once
// The small dialog that edits one alias for the Aliases dialog: a name and a multi-line
// action whose lines become separate commands. In Modify mode the name is fixed.

#include <QDialog>

#include <memory>
#include <string>

#include "res/TextEncoding.h"

class CMessageSink;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace Ui {
class AddAliasDlg;
}

class CAddAliasDlg final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Modify };

    // name and action are bytes as stored (lines of the action separated by "\r\n").
    CAddAliasDlg(Mode mode, const std::string& name, const std::string& action,
                 CMessageSink& messages, QWidget* parent = nullptr,
                 CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
    ~CAddAliasDlg() override;
    CAddAliasDlg(const CAddAliasDlg&) = delete;
    CAddAliasDlg& operator=(const CAddAliasDlg&) = delete;

    Mode GetMode() const { return m_mode; }
    std::string Name() const;
    // The action's lines joined with "\r\n"; an action shown and not edited comes back
    // byte for byte as it was given.
    std::string Action() const;

    QLineEdit* NameEdit() const;
    QPlainTextEdit* ActionEdit() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

public Q_SLOTS:
    // Refuses (with a message, keeping the dialog open) an entry the store could not hold.
    void accept() override;

private:
    std::unique_ptr<Ui::AddAliasDlg> m_ui;
    Mode m_mode;
    CMessageSink& m_messages;
    std::string m_originalAction;
    CTextEncoding::Kind m_encoding;
    QString m_originalText;
};
