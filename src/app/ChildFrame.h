#pragma once
// The content of one connection window (an MDI sub-window): the session's scrollback view
// above a bar holding the command line, an editable drop-down whose list is the command
// history, newest first. The frame owns the session (CBrumbleDoc) and the view; it keeps the
// keyboard on the command line, routes Enter and the scrolling keys to the view, and keeps
// the window's place per host.

#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

#include "display/RowModel.h"
#include "display/ui/CommandLineHost.h"

class CBrumbleDoc;
class CBrumbleView;
class QComboBox;
class QMdiSubWindow;
struct CAppServices;

class CChildFrame final : public QWidget, public CCommandLineHost {
    Q_OBJECT
public:
    // The maximized bit of the stored "style" entries.
    static constexpr int kMaximizedStyle = 16777216;

    CChildFrame(std::unique_ptr<CBrumbleDoc> doc, CAppServices& services,
                QWidget* parent = nullptr);
    // The view goes before its session (it refers to it to the end), then the session,
    // whose socket closes without any message.
    ~CChildFrame() override;
    CChildFrame(const CChildFrame&) = delete;
    CChildFrame& operator=(const CChildFrame&) = delete;

    CBrumbleDoc& Doc() const { return *m_doc; }
    CBrumbleView& View() const { return *m_view; }
    QComboBox* CommandLine() const { return m_commandLine; }

    // Called once the frame sits in its sub-window: places it from the host's stored
    // "x", "y", "cx", "cy" and "style" (proposed values where none are stored), cut to the
    // area that holds the connection windows, and shows it.
    void PlaceInArea(QMdiSubWindow* subWindow, const std::string& host);
    // Stores the window's place in the host section (nothing without a sub-window or host).
    void SavePlacement(const std::string& host);

    // CCommandLineHost
    std::optional<std::string> GetCommandText() const override;
    void AddToHistory(const std::string& text, int limit) override;
    void ClearCommandText() override;
    void PasteIntoCommandLine(CBrumbleView& view, const QString& text) override;
    void EnableCommandLine(bool enable) override;
    void FocusCommandLine() override;
    void TypeIntoCommandLine(const QKeyEvent& key) override;
    void MaskCommandLine(bool masked) override;

    // Edit > Copy and Cut act on the command line's selection.
    void CopyCommandText();
    void CutCommandText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Enter, the scrolling keys and Paste, wherever in the window they are typed; true
    // when the key was used.
    bool HandleKey(const QKeyEvent& key);
    void ScrollView(CRowModel::Scroll request);
    // Up (step 1, older) and Down (step -1, newer) through the history; below the newest
    // entry lies what was being typed when the walk began.
    void StepHistory(int step);
    // The line edit's own menu, with its Paste going through the window's paste.
    void ShowCommandLineMenu(const QPoint& globalPos);
    QMdiSubWindow* SubWindow() const;
    void OnSubWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);

    CAppServices& m_services;
    std::unique_ptr<CBrumbleDoc> m_doc;
    CBrumbleView* m_view = nullptr;
    QWidget* m_commandBar = nullptr;
    QComboBox* m_commandLine = nullptr;
    int m_historyIndex = -1; // the entry shown by the history walk; -1: the typed line
    QString m_draft;         // the line being typed when the walk left it
    QTimer m_focusTimer;     // timer 1: focus back to the command line
    QRect m_normalGeometry;  // the sub-window's place when last neither maximized nor
                             // minimized, so a maximized window keeps where it was
};
