#pragma once
// The Timed Text dialog: edits a host's CTimedTextDlg. Texts are added to and removed from
// the dialog's own (sorted) list; only OK checks the interval, hands list and interval to
// the store and saves them.

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "res/TextEncoding.h"

class CTimedTextDlg;
struct CAppServices;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
namespace Ui {
class TimedTextDialog;
}

class CTimedTextDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCaptionPeriodMs = 10000;
    static constexpr int kCaptionCount = 10;

    CTimedTextDialog(CTimedTextDlg& timedText, CAppServices& services, QWidget* parent = nullptr);
    ~CTimedTextDialog() override;
    CTimedTextDialog(const CTimedTextDialog&) = delete;
    CTimedTextDialog& operator=(const CTimedTextDialog&) = delete;

    // The texts in the order the list shows them.
    std::vector<std::string> Rows() const;

    QListWidget* TextList() const;
    QLineEdit* TextField() const;
    QPushButton* AddButton() const;
    QPushButton* RemoveButton() const;
    QLineEdit* IntervalField() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;
    const QTimer& CaptionTimer() const { return *m_captionTimer; }

    static QString CaptionText(int index);

public Q_SLOTS:
    void OnAdd();
    void OnRemove();
    // A new caption, picked at random.
    void OnCaption();
    void accept() override;
    void done(int result) override;

private:
    // The host's encoding, for the texts shown and typed.
    CTextEncoding::Kind Encoding() const;
    void UpdateButtons();
    void InsertSorted(const std::string& text);

    std::unique_ptr<Ui::TimedTextDialog> m_ui;
    CTimedTextDlg& m_timedText;
    CAppServices& m_services;
    QTimer* m_captionTimer;
};

// Tools > Timed Text...: runs the dialog modally; true when it was closed with OK.
bool EditTimedText(CTimedTextDlg& timedText, CAppServices& services, QWidget* parent);
