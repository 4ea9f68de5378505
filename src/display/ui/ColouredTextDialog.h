#pragma once
// The Coloured Text Highlights dialog: edits a copy of a host's CColouredTextDlg entries in
// a list drawn in the session's font and colours. Double-click and a pop-up menu add,
// change, recolour and delete entries; OK hands the copy to the store and saves it, Cancel
// leaves the store exactly as it was.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "display/ColouredTextDlg.h"

struct CAppServices;
class CAddHighlightDlg;
class CHighlightList;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
namespace Ui {
class ColouredTextDialog;
}

class CColouredTextDialog final : public QDialog {
    Q_OBJECT
public:
    // Runs the Add/Modify dialog modally; returns its result (QDialog::Accepted or not).
    using AddDialogRunner = std::function<int(CAddHighlightDlg&)>;
    // Shows the pop-up menu at a screen position; returns the chosen item or null.
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    // Offers a colour, starting at one (0x00BBGGRR); nothing when cancelled.
    using ColourChooser = std::function<std::optional<std::uint32_t>(std::uint32_t)>;

    CColouredTextDialog(CColouredTextDlg& highlights, CAppServices& services,
                        QWidget* parent = nullptr);
    ~CColouredTextDialog() override;
    CColouredTextDialog(const CColouredTextDialog&) = delete;
    CColouredTextDialog& operator=(const CColouredTextDialog&) = delete;

    // Replace the modal parts (tests fill them in place).
    void SetAddDialogRunner(AddDialogRunner runner) { m_runAddDialog = std::move(runner); }
    void SetMenuRunner(MenuRunner runner) { m_runMenu = std::move(runner); }
    void SetColourChooser(ColourChooser chooser) { m_chooseColour = std::move(chooser); }

    // The entries as the dialog holds them now.
    const CColouredTextDlg::EntryList& Entries() const { return m_entries; }

    CHighlightList* List() const;
    QLabel* InfoLabel() const;
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

public Q_SLOTS:
    void OnRowDoubleClicked(int row);
    void OnRowMenu(int row, const QPoint& globalPos);
    // The pop-up menu's items, for the row it was opened on.
    void OnAddText();
    void OnSetColour();
    void OnModifyText();
    void OnDeleteText();
    void accept() override;

private:
    bool IsEntry(int row) const;
    // Asks for a mode and text; false on Cancel.
    bool AskEntry(int mode, const std::string& text, std::uint32_t& newMode, std::string& newText);
    void Modify(int row);
    void ShowEntries();
    void ApplyDisplaySettings();
    int ReadHostInt(const char* entry, const char* globalEntry, int def);

    std::unique_ptr<Ui::ColouredTextDialog> m_ui;
    CColouredTextDlg& m_highlights;
    CAppServices& m_services;
    CColouredTextDlg::EntryList m_entries;
    int m_menuRow = -1;
    AddDialogRunner m_runAddDialog;
    MenuRunner m_runMenu;
    ColourChooser m_chooseColour;
};

// Tools > Coloured Text...: runs the dialog modally for highlights; true when closed with OK.
bool EditColouredText(CColouredTextDlg& highlights, CAppServices& services, QWidget* parent);
