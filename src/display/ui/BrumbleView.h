#pragma once
// The scrollback of one connection window. The session (CBrumbleDoc) announces new and
// dropped lines; the view hands them to its row model, which wraps them and says which rows
// changed, and paints only those, at most once per frame interval while text floods in.
// It owns the display font, the window timers (title, timed text, the retries of held-back
// adds and removals, script timers) and the window's send paths and file commands.

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QRawFont>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/SessionView.h"
#include "display/RowModel.h"
#include "settings/KeptAnswer.h"

class CBrumbleDoc;
class CCommandLineHost;
class CRowSource;
class QColor;
class CScrollbackText;
class QPainter;
class QPrinter;
struct CAppServices;

class CBrumbleView final : public QAbstractScrollArea, public CSessionView {
    Q_OBJECT
public:
    // Window timer ids; script timer n runs as id kFirstScriptTimer + n.
    static constexpr int kTitleTimer = 1;
    static constexpr int kTimedTextTimer = 3;
    static constexpr int kAddRetryTimer = 4;
    static constexpr int kRemoveRetryTimer = 5;
    static constexpr int kFirstScriptTimer = 10;
    static constexpr int kTitlePeriodMs = 60000;
    static constexpr int kRetryPeriodMs = 500;
    // Repaints while text floods in are gathered over this interval.
    static constexpr int kRepaintIntervalMs = 16;

    // What a file chooser is asked for.
    struct FileRequest {
        bool save = false;       // a file to write (else an existing file to read)
        std::string defaultName; // "brumble", "log"; saving adds ".txt" when none is typed
    };
    // Answers a file request with a path (8-bit, as the session's file operations take
    // it), or nothing when cancelled.
    using FileChooser = std::function<std::optional<std::string>(const FileRequest&)>;

    // Registers with doc; frame (may be null in tests) holds the command line.
    CBrumbleView(CBrumbleDoc& doc, CAppServices& services, CCommandLineHost* frame,
                 QWidget* parent = nullptr);
    ~CBrumbleView() override;
    CBrumbleView(const CBrumbleView&) = delete;
    CBrumbleView& operator=(const CBrumbleView&) = delete;

    // CSessionView
    void AddText(int newCount, bool lastComplete) override;
    void FinishLines(bool lastComplete) override;
    void RemoveLines(int count) override;
    void OnConnectionChanged(bool connected) override;
    void SetTimedTextTimer(int seconds) override;
    void CreateDisplayFont(bool redraw) override;
    void SetWindowTimer(int id, int periodMs) override;
    void KillWindowTimer(int id) override;
    void OnServerEchoChanged(bool serverEchoes) override;

    // Rebuilds all rows at the current width (after a size, font or option change).
    void RewrapAll() override;
    int WrapLine(std::string_view text, std::vector<std::string>& rows) const;
    int CharWidth(unsigned char c) const { return m_model.CharWidth(c); }
    // Moves the visible text by delta rows.
    void ScrollRows(int delta);
    void OnVScroll(CRowModel::Scroll request);

    // Sending.
    void OnEnter();
    void SendLine(const std::string& text);
    // Text typed or pasted by the user, in the bytes of the host's encoding; refused with a
    // message (false, nothing sent) when the host reads Latin-1 and a character is beyond it.
    bool SendTyped(const QString& text);
    void RefuseTypedText();
    bool SendCtrlChar(char c);
    // Whether Ctrl+letter sends a control character for this host ("Send Ctrl").
    bool IsSendCtrl();
    // The text bound to a function key or keypad key code (see CShortcutsDlg, CKeypadDlg),
    // with CR LF appended and echoed like a typed command; false when nothing is bound.
    bool SendFunctionKey(std::uint32_t keyCode);
    bool SendKeypadKey(std::uint32_t keyCode);
    // Whether a function-key shortcut is bound to keyCode; sends nothing.
    bool HasHelpKeyShortcut(std::uint32_t keyCode) const;
    bool IsLocalEcho();
    void ExpandIfAlias(std::string& text);

    // The window's commands (menus, tool bar, keys).
    void OnFileOpenConnection();
    void OnFileSaveText();
    void OnFilePrint();
    // Where pasted text comes from: the clipboard, or the text last selected with the mouse
    // (the middle button's paste).
    enum class PasteSource { Clipboard, Selection };
    // Without a connection both only beep: nothing is typed, sent or echoed.
    void OnEditPaste(PasteSource source = PasteSource::Clipboard);
    void OnEditInsertFile();
    void OnToolsLogText();
    void OnToolsLocalEcho();
    // The host's aliases, in the Aliases dialog; false when there are none or on Cancel.
    bool OnToolsAliases();
    // The host's triggers and timed text, in their dialogs; false when there is no session
    // object (or the Timed Text dialog is cancelled).
    bool OnToolsTriggers();
    bool OnToolsTimedText();
    bool OnToolsScripting();
    // The host's highlights, in the Coloured Text Highlights dialog; false on Cancel.
    bool OnToolsColouredText();
    // The host's auto-log settings, in the Auto-Log Text dialog; false on Cancel.
    bool OnToolsAutoLog();
    // The host's display options, in the Options dialog; on OK every view of the session
    // rebuilds its font and this one rewraps. False on Cancel or without a connection.
    bool OnToolsOptions();
    // The host's @image settings, in the "@image display" dialog; false without a session or
    // on Cancel.
    bool OnToolsAtImage();
    // The host's function-key shortcuts and keypad keys, in their dialogs; false on Cancel.
    bool OnToolsShortcutKeys();
    bool OnToolsKeypadKeys();
    // Tools > Copy From...: all of another host's settings replace this host's; then every
    // view of the session rebuilds its font and this one rewraps. False on Cancel or without
    // a session.
    bool OnToolsCopyFrom();
    // Prints one page: the rows from the current scroll position. False when the printer
    // cannot be drawn on.
    bool Print(QPrinter& printer);

    // Replaceable in tests; by default a QFileDialog.
    FileChooser chooseFile;

    CBrumbleDoc& Doc() const { return m_doc; }
    const CRowModel& Model() const { return m_model; }
    CRowModel& Model() { return m_model; }
    const QFont& DisplayFont() const { return m_font; }
    int LineHeight() const { return m_lineHeight; }
    bool IsWindowTimerActive(int id) const;
    int WindowTimerInterval(int id) const; // -1 when the timer does not exist
    // Paints what is waiting for the next frame now (tests, printing).
    void FlushRepaint();
    // Copies the text selected with the mouse; false when nothing is selected.
    bool CopySelection();
    // The rows as one text for assistive technology (see CScrollbackAccessible).
    CScrollbackText& AccessibleText() { return *m_accessibleText; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Draws the rows from topRow on that meet clip (paint and print share it).
    void DrawRows(QPainter& painter, const QRect& clip, int topRow);
    // Draws one row with its baseline at y, each character at the place the wrap gave it,
    // the first at x = left.
    void DrawRow(QPainter& painter, std::string_view text, int baseline, int left = 0);
    // Draws a row in its server colours (backgrounds first, then each run's text).
    void DrawRowRuns(QPainter& painter, std::string_view text, const CColourRuns& runs, int top,
                     const QColor& textColour, const QColor& backColour);
    int TextWidth(std::string_view text) const;
    // A character beyond Latin-1 (see WideText.cpp): a glyph of the display font when it has
    // one, else drawn in whatever font the platform finds for it.
    void DrawWideChar(QPainter& painter, char32_t code, int x, int baseline);
    void ApplyChange(const CRowModel::Change& change);
    void ScheduleRepaint();
    void SyncScrollBar();
    void OnScrollAction(int action);
    void OnTimer(int id);
    int PageRows() const;
    // The host entry, whose default is the global entry, whose default is def.
    int ReadHostInt(const char* entry, const char* globalSection, const char* globalEntry, int def);
    std::optional<std::string> ChooseFile(const FileRequest& request);
    std::optional<std::string> DefaultChooseFile(const FileRequest& request);
    void ShowMessage(const std::string& text);
    CRowModel::Cell CellFor(const QPoint& point) const;
    // Ends a drag: copies when asked and something is selected, frees the rows again.
    void EndSelection(bool copy);
    void ShowStatus(const QString& text);

    CBrumbleDoc& m_doc;
    CAppServices& m_services;
    CCommandLineHost* m_frame = nullptr;
    std::unique_ptr<CRowSource> m_source;
    CRowModel m_model;

    QFont m_font;
    // The display font's glyphs by character code (0 where the font has none), so that a
    // row is drawn as one run of glyphs placed by the width table.
    QRawFont m_rawFont;
    std::array<quint32, 256> m_glyphs{};
    std::unordered_map<char32_t, quint32> m_wideGlyphs; // beyond 255, as they are met
    std::vector<quint32> m_runGlyphs; // reused by every row drawn
    std::vector<QPointF> m_runPositions;
    int m_lineHeight = 0;
    int m_ascent = 0;
    bool m_shown = false;

    std::map<int, std::unique_ptr<QTimer>> m_timers;
    // "Local Echo", asked at every line a script sends.
    CKeptAnswer<bool> m_localEcho;

    // Repaint gathering: rows changed since the last repaint (absolute, as now numbered),
    // and the scroll position the window's picture shows.
    QTimer m_repaintTimer;
    QElapsedTimer m_sinceRepaint;
    int m_dirtyFirst = -1;
    int m_dirtyLast = -1;
    bool m_dirtyAll = false;
    int m_shownPos = 0;
    bool m_syncingScrollBar = false;

    std::unique_ptr<CScrollbackText> m_accessibleText;
};
