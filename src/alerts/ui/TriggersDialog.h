#pragma once
// The Triggers dialog: edits a host's CTriggersDlg. Added and deleted triggers go into the
// session's object at once; the warning choice and the sound are written as they are
// chosen; Close (and Escape, which acts as Close) saves the list.

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "res/TextEncoding.h"

class CTriggersDlg;
struct CAppServices;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;
namespace Ui {
class TriggersDialog;
}

class CTriggersDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAdvertPeriodMs = 5000;
    static constexpr int kAdvertCount = 20;

    // Answers Browse with a WAV file's path (Latin-1 text as the settings keep it), or
    // nothing when cancelled; given the folder or file to start at.
    using WaveChooser = std::function<std::optional<std::string>(const std::string& start)>;

    CTriggersDialog(CTriggersDlg& triggers, CAppServices& services, QWidget* parent = nullptr);
    ~CTriggersDialog() override;
    CTriggersDialog(const CTriggersDialog&) = delete;
    CTriggersDialog& operator=(const CTriggersDialog&) = delete;

    // Replaces the file chooser of Browse (tests answer in its place).
    void SetWaveChooser(WaveChooser chooser) { m_chooseWave = std::move(chooser); }

    QListWidget* TriggerList() const;
    QLineEdit* TriggerField() const;
    QPushButton* AddButton() const;
    QPushButton* DeleteButton() const;
    QRadioButton* AudibleChoice() const;
    QRadioButton* VisualChoice() const;
    QRadioButton* BothChoice() const;
    QComboBox* SoundList() const;
    QPushButton* BrowseButton() const;
    QLabel* Advert() const;
    QPushButton* CloseButton() const;
    const QTimer& AdvertTimer() const { return *m_advertTimer; }

    static QString AdvertText(int index);

public Q_SLOTS:
    void OnAdd();
    void OnDelete();
    void OnWarningChosen(int warning);
    void OnSoundChosen(int index);
    void OnBrowse();
    // A new advert, picked at random.
    void OnAdvert();
    void accept() override;
    // Escape: the same as Close, so that nothing edited is lost.
    void reject() override;

private:
    // The host's encoding, for the texts shown and typed.
    CTextEncoding::Kind Encoding() const;
    void UpdateButtons();
    void InsertSorted(const std::string& text);
    void ShowStoredSound();
    void ShowWarning(int warning);
    void OnFieldEdited(const QString& text);

    std::unique_ptr<Ui::TriggersDialog> m_ui;
    CTriggersDlg& m_triggers;
    CAppServices& m_services;
    QTimer* m_advertTimer;
    WaveChooser m_chooseWave;
};

// Tools > Triggers...: runs the dialog modally; true when it was closed (it always saves).
bool EditTriggers(CTriggersDlg& triggers, CAppServices& services, QWidget* parent);
