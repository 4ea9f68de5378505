#pragma once
// The "@image display" dialog: edits a host's CAtImageDlg. The choices and fields follow
// the enable box and the chosen mode; OK hands the values to the object and saves them.

#include <QDialog>

#include <memory>

#include "image/AtImageDlg.h"

struct CAppServices;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace Ui {
class AtImageDialog;
}

class CAtImageDialog final : public QDialog {
    Q_OBJECT
public:
    CAtImageDialog(CAtImageDlg& settings, QWidget* parent = nullptr);
    ~CAtImageDialog() override;
    CAtImageDialog(const CAtImageDialog&) = delete;
    CAtImageDialog& operator=(const CAtImageDialog&) = delete;

    // What the controls say now.
    CAtImageDlg::Settings Values() const;

    QCheckBox* EnableBox() const;
    QRadioButton* PopupChoice() const;
    QRadioButton* BrowserChoice() const;
    QLineEdit* ImageTriggerField() const;
    QLineEdit* UrlPrefixField() const;
    QCheckBox* AskBox() const;
    QPushButton* OkButton() const;

public Q_SLOTS:
    void accept() override;

private:
    void UpdateEnabling();

    std::unique_ptr<Ui::AtImageDialog> m_ui;
    CAtImageDlg& m_settings;
};

// Tools > @Image...: runs the dialog modally; true when it was closed with OK.
bool EditImageSettings(CAtImageDlg& settings, CAppServices& services, QWidget* parent);
