#pragma once
// The "Brumble Options" dialog: edits one host's COptionsDlg (colours, font, line buffer,
// history size, Ctrl characters, encoding, ANSI colours, line ends) and, on OK, checks the
// fields and saves them.

#include <QDialog>

#include <functional>
#include <optional>

#include "display/OptionsDlg.h"

class CMessageSink;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

class COptionsDialog final : public QDialog {
    Q_OBJECT
public:
    COptionsDialog(COptionsDlg& options, CMessageSink& messages, QWidget* parent = nullptr);

    // The choosers, replaceable in tests; by default QColorDialog and QFontDialog.
    std::function<std::optional<std::uint32_t>(std::uint32_t)> chooseColour;
    std::function<std::optional<COptionsDlg::FontDescription>(const COptionsDlg::FontDescription&)>
        chooseFont;

    QLineEdit* LinesField() const { return m_lines; }
    QLineEdit* HistoryField() const { return m_history; }
    QComboBox* EncodingBox() const { return m_encoding; }
    QCheckBox* AnsiColourBox() const { return m_ansiColour; }
    QComboBox* LineEndsBox() const { return m_lineEnds; }

    void accept() override;

private:
    std::optional<COptionsDlg::FontDescription>
    DefaultChooseFont(const COptionsDlg::FontDescription& current);
    bool ReadField(QLineEdit* field, int min, int max, int& value);

    COptionsDlg& m_options;
    CMessageSink& m_messages;
    QWidget* m_sample = nullptr;
    QLineEdit* m_lines = nullptr;
    QLineEdit* m_history = nullptr;
    QCheckBox* m_sendCtrl = nullptr;
    QComboBox* m_encoding = nullptr;
    QCheckBox* m_ansiColour = nullptr;
    QComboBox* m_lineEnds = nullptr;
};

// Runs the dialog for options; true when it was confirmed (the options are then saved).
bool EditOptions(COptionsDlg& options, CMessageSink& messages, QWidget* parent);
