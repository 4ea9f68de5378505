#pragma once
// The Add Script Command / Modify Script Command dialog: edits one command of a script in its
// display form ("send (hello)", "setTimer (3, 60)"), showing only the fields of the chosen
// command. The Add Script dialog runs it and takes GetCommandText() after OK.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "res/TextEncoding.h"

struct CAppServices;
class QComboBox;
class QLineEdit;
class QPushButton;
namespace Ui {
class AddScriptCmdDlg;
}

class CAddScriptCmdDlg final : public QDialog {
    Q_OBJECT
public:
    // The choices of the command list, in their order.
    enum Command { kBeep, kColour, kSend, kSetTimer, kKillTimer, kLine, kRead, kSave };
    static constexpr int kMaxPath = 255;
    static constexpr int kMaxColour = 7;
    static constexpr int kMaxTimer = 99;
    // The stored setTimer value keeps the delay in 15 bits.
    static constexpr int kMaxDelay = 32767;

    // Answers Browse with a path (Latin-1 text), or nothing when cancelled; given the command
    // (which chooser: a WAV file, a text file to read, one to save to) and the field's text.
    using FileChooser =
        std::function<std::optional<std::string>(Command command, const std::string& start)>;
    // Answers Colours with a colour reference (0x00BBGGRR), or nothing when cancelled.
    using ColourChooser = std::function<std::optional<std::uint32_t>(std::uint32_t start)>;

    // No line: add mode, starting with beep. A line: modify mode with its values.
    CAddScriptCmdDlg(const std::optional<std::string>& line, CAppServices& services,
                     QWidget* parent = nullptr,
                     CTextEncoding::Kind encoding = CTextEncoding::Kind::Latin1);
    ~CAddScriptCmdDlg() override;
    CAddScriptCmdDlg(const CAddScriptCmdDlg&) = delete;
    CAddScriptCmdDlg& operator=(const CAddScriptCmdDlg&) = delete;

    // The chosen command in display form.
    std::string GetCommandText() const;

    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void SetColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }

    // The colour a field's text names: up to six hexadecimal digits after a leading "#"
    // (reading stops at the first other character), 0 without the "#".
    static std::uint32_t ColourOf(const std::string& text);

    QComboBox* CommandBox() const;
    QComboBox* SoundBox() const;
    QLineEdit* ColourEdit() const;
    QLineEdit* SendEdit() const;
    QLineEdit* TimerEdit() const;
    QLineEdit* DelayEdit() const;
    QLineEdit* FileEdit() const;
    // The Browse button of the fields shown (sound or file).
    QPushButton* BrowseButton() const;
    QPushButton* ColourButton() const;
    QPushButton* OkButton() const;

public Q_SLOTS:
    void OnCommandChosen(int command);
    void OnBrowse();
    void OnColours();
    void accept() override;

private:
    Command Chosen() const;

    std::unique_ptr<Ui::AddScriptCmdDlg> m_ui;
    CAppServices& m_services;
    CTextEncoding::Kind m_encoding;
    FileChooser m_chooseFile;
    ColourChooser m_chooseColour;
};
