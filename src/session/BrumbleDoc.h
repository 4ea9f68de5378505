#pragma once
// The session of one connection window: it owns the socket, the buffer of received lines
// and the cursor into it, the text log, and the per-host feature objects. Received bytes
// come in through OnReceiveText (logged, filtered into lines, handed to the views);
// everything sent leaves through SendCommand.

#include <QDateTime>
#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/AppServices.h"
#include "res/TextEncoding.h"
#include "session/ReceiveFilter.h"
#include "session/TelnetSocket.h"
#include "settings/KeptAnswer.h"

class CAliasesDlg;
class CShortcutsDlg;
class CKeypadDlg;
class CTimedTextDlg;
class CTriggersDlg;
class CColouredTextDlg;
class CAutoLogDlg;
class CAutoLogEditor;
class CAtImageDlg;
struct CFoundUrl;
class CScriptingDlg;
class CSessionView;
class QFile;

class CBrumbleDoc final : public QObject, public CSocketListener {
    Q_OBJECT
public:
    explicit CBrumbleDoc(CAppServices& services, QObject* parent = nullptr);
    // Closes the log, deletes the socket without messages, then the feature objects.
    ~CBrumbleDoc() override;
    CBrumbleDoc(const CBrumbleDoc&) = delete;
    CBrumbleDoc& operator=(const CBrumbleDoc&) = delete;

    // The framework's new-document step: the application's next host and port; an empty
    // host fails. Sets the title to the host.
    bool OnNewDocument();
    // (Re)connects to host and port. Telnet commands are interpreted on port 23 only,
    // decided afresh at every open. A live connection is dropped without a message; when
    // the new one cannot even be started, the views are told the connection is gone.
    bool OpenSession(const std::string& host, unsigned port);

    // CSocketListener
    void OnConnectionChanged(bool connected) override;
    void OnReceiveText(std::string_view text) override;
    // Within a read report the views are told of new lines once, at its end: lines that
    // the line buffer drops before then are never laid out. Scripts still see every line
    // as it completes.
    void BeginReadReport() override;
    void EndReadReport() override;
    // Local echo: text the user (or an alias, key or script) sent, shown and logged like
    // received text. The lines it writes are marked as local, so that receive scripts (and
    // everything else that reacts to the server) never see them: a script answering its
    // own echo would otherwise feed itself forever.
    void EchoText(std::string_view text);
    // Whether line index of GetLines() was last written by local echo.
    bool IsLocalLine(std::size_t index) const
    {
        return index < m_localLines.size() && m_localLines[index];
    }

    bool IsConnected() const;
    const std::string& GetHostName() const;
    const CLineStore& GetLines() const { return m_lines; }
    // The server colours of line index of GetLines(); null when it has none.
    const CColourRuns* GetRuns(std::size_t index) const { return m_filter.Runs(index); }
    // The feature objects (null before the first OpenSession), for their dialogs.
    CAliasesDlg* Aliases() const { return m_aliases.get(); }
    CColouredTextDlg* Highlights() const { return m_highlights.get(); }
    CScriptingDlg* Scripts() const { return m_scripts.get(); }
    CTriggersDlg* Triggers() const { return m_triggers.get(); }
    CTimedTextDlg* TimedText() const { return m_timedText.get(); }
    CAutoLogDlg* AutoLog() const { return m_autoLog.get(); }
    CAtImageDlg* ImageSettings() const { return m_imageSettings.get(); }
    CShortcutsDlg* FunctionKeys() const { return m_functionKeys.get(); }
    CKeypadDlg* Keypad() const { return m_keypad.get(); }
    void UpdateTitle();
    // "host (connected for H hours and M minutes)" after seconds connected.
    static std::string ConnectedTitle(const std::string& host, long long seconds);
    const std::string& Title() const { return m_title; }
    // Everything sent as text leaves here (telnet answers too, but those as they are). Under
    // Auto, once the server has sent UTF-8, bytes that are not UTF-8 go as the UTF-8 of their
    // Latin-1 characters, so an alias stored in Latin-1 reaches a UTF-8 server readable.
    void SendCommand(std::string_view text);

    // The host's "Encoding", read at every use (Auto without a connection).
    CTextEncoding::Kind Encoding();
    // Whether the server has sent a valid multi-byte UTF-8 sequence on this connection.
    bool ServerSentUtf8() const { return m_serverSentUtf8; }
    // Typed text as the bytes to send: Latin-1, UTF-8, or under Auto UTF-8 once the server
    // has sent UTF-8 (or when the text needs it) and Latin-1 before. False under Latin-1 for
    // a character it cannot carry: the caller refuses the text.
    bool EncodeTyped(const QString& text, std::string& out);
    // Timer 3: the next timed text, straight to the socket (neither echoed nor logged), and
    // only while connected: a socket that is not connected would keep it pending for ever.
    void SendTimedText();

    // The Triggers and Timed Text dialogs, run by the caller's runDialog (the window that
    // asked, which owns the widgets); each result is the dialog's. After the Timed Text
    // dialog's OK the first view restarts its timer with the new interval.
    bool EditTriggers(const std::function<bool(CTriggersDlg&)>& runDialog);
    bool EditTimedText(const std::function<bool(CTimedTextDlg&)>& runDialog);
    // The Scripting dialog on the session's own scripts; OK saves them and they run at once.
    bool EditScripts(const std::function<bool(CScriptingDlg&)>& runDialog);
    // Tools > Copy From...: chooseSource runs the "Copy settings from..." dialog for this
    // window's host and gives the host chosen, or nothing when it was cancelled. Then the
    // display options (dpi: the screen's, for a font size that was never stored) and every
    // feature object take the chosen host's settings, each saving them as this host's; the
    // caller re-reads the display options. True when confirmed; false without a session.
    bool CopySettingsFrom(
        const std::function<std::optional<std::string>(const std::string& currentHost)>&
            chooseSource,
        int dpi);

    bool IsLogging() const;
    // With a path: (re)opens the text log, truncating; false when it cannot be created.
    // With none: closes an open log (true) or does nothing (false).
    bool SetLogFile(const std::optional<std::string>& path);
    int LogCommandsEnabled();
    int AutoLogCommandsEnabled();
    // Whether received text goes to the auto-log (Tools > Auto Log's check mark).
    bool IsAutoLogging() const;
    // Tools > Auto Log...: the host's auto-log settings in editor; false without a session.
    bool EditAutoLog(CAutoLogEditor& editor);
    bool SaveText(const std::string& path);
    // Every view rebuilds its font; the session takes up the host's text options again
    // ("ANSI Colour", "Line Ends"), so a confirmed Options dialog acts on the next text.
    void RefreshViews();

    // Views attached to this session (the view registers itself when created).
    void AddView(CSessionView* view);
    void RemoveView(CSessionView* view);
    const std::vector<CSessionView*>& Views() const { return m_views; }

    // Feature forwarding. An absent feature object answers: no highlight, no script
    // output, no alias character match.
    std::optional<std::uint32_t> GetHighlight(std::string_view line);
    // Tools > Coloured Text...: edit runs the dialog on the highlights (the window hands it
    // in) and tells whether it was closed with OK; then every view rebuilds its rows, so
    // that lines already shown take their new colours. False without highlights.
    bool EditHighlights(const std::function<bool(CColouredTextDlg&)>& edit);
    char GetAliasChar() const;
    void ExpandAlias(std::string& line);
    // The text bound to a function key or keypad key code; false (text untouched for a
    // function key) when there is none or no session.
    bool FindShortcut(std::uint32_t keyCode, std::string& text) const;
    bool FindKeypadCommands(std::uint32_t keyCode, std::string& text) const;
    std::string GetConnectScript(CSessionView* view);
    std::string GetReceiveScript(std::string_view line, CSessionView* view,
                                 std::optional<std::uint32_t>& colour);
    std::string GetTimerScript(int timer, CSessionView* view);
    void DetectImageUrls(std::string_view line, CSessionView* view);
    // What a received line has to do in view besides being shown: receive scripts to run,
    // URLs to look for. A flood skips per line whichever is not wanted.
    bool RunsReceiveScripts() const;
    bool DetectsImageUrls(const CSessionView* view) const;
    // For lines [first, last) of GetLines(), 1 where a receive script may run and 0 where
    // none can.
    void FindScriptCandidates(std::size_t first, std::size_t last, std::vector<std::uint8_t>& out);

    // The line-buffer limit: host "Line Buffer", default "Display"/"Lines", default 250;
    // never below 1.
    int LineBufferLimit();

    // While the server echoes (it said WILL ECHO on a host with "Telnet Always"), what is
    // sent is neither echoed here nor logged, and the command line hides what is typed.
    bool ServerEchoes() const { return m_filter.ServerEchoes(); }
    bool TelnetOptions() const { return m_filter.TelnetOptions(); }
    void SetTelnetOptions(bool on) { m_filter.SetTelnetOptions(on); }
    int Column() const { return m_filter.Column(); }
    int CurrentLine() const { return m_filter.CurrentLine(); }
    bool LastTextEndedLine() const { return m_filter.LastTextEndedLine(); }
    const QDateTime& ConnectTime() const { return m_connectTime; }
    CTelnetSocket* Socket() const { return m_socket.get(); }
    CAppServices& Services() const { return m_services; }

    // Called when a flash trigger matched (the main frame flashes its caption).
    std::function<void()> onFlash;
    // Called with a URL found in a line of the input view; the main frame acts on it later
    // (the request is queued, so a question never opens in the middle of a received batch).
    std::function<void(const CFoundUrl&)> onFoundUrl;

Q_SIGNALS:
    void TitleChanged(const QString& title);

private:
    void CreateFeatureObjects(const std::string& host);
    void ReadTextOptions(const std::string& host);
    void DeleteFeatureObjects();
    void SetTitle(const std::string& title);
    // The views as they are now: a view may close (and unregister) while being called.
    std::vector<CSessionView*> ViewsSnapshot() const { return m_views; }
    bool HasView(const CSessionView* view) const;
    void WriteLog(std::string_view bytes);
    void Receive(std::string_view text, bool local);
    // Tells the views of the lines added since they were last told, then trims.
    void UpdateViews();
    // Drops the lines past the line buffer, telling the views first.
    void TrimLines();
    bool LooksForUrls(const CSessionView* view) const;
    // Sound now for a piece of server text holding a trigger; true when a flash is due
    // once the text is shown.
    bool CheckTriggers(std::string_view text);
    void StopServerEcho();
    // LineBufferLimit, read again only when the settings or the host may have changed it.
    int KeptLineBufferLimit();
    void SendRaw(std::string_view text);
    // Watches the server's text for UTF-8 until the first sequence is seen.
    void NoteUtf8(std::string_view text);

    CAppServices& m_services;
    std::string m_title;
    std::vector<CSessionView*> m_views;

    // Feature objects: null before the first OpenSession, rebuilt on every reconnect.
    // (@image arrives with its feature.)
    std::unique_ptr<CAutoLogDlg> m_autoLog;
    std::unique_ptr<CColouredTextDlg> m_highlights;
    std::unique_ptr<CTriggersDlg> m_triggers;
    std::unique_ptr<CTimedTextDlg> m_timedText;
    std::unique_ptr<CShortcutsDlg> m_functionKeys;
    std::unique_ptr<CKeypadDlg> m_keypad;
    std::unique_ptr<CAliasesDlg> m_aliases;
    std::unique_ptr<CScriptingDlg> m_scripts;
    std::unique_ptr<CAtImageDlg> m_imageSettings;

    std::unique_ptr<QFile> m_logFile;
    // lines, cursor (column, currentLine), lastTextEndedLine, telnetOptions
    CReceiveFilter m_filter;
    QDateTime m_connectTime;
    std::unique_ptr<CTelnetSocket> m_socket;
    const CLineStore& m_lines;
    // Beside m_lines: true where a line was last written by local echo.
    std::deque<bool> m_localLines;
    std::vector<std::string_view> m_candidateLines; // reused by FindScriptCandidates
    // The line-buffer limit as last read, and the one that holds for the current read report.
    CKeptAnswer<int> m_keptLimit;
    int m_limitInReport = 0;
    bool m_keptLimitInReport = false; // read during the current read report
    // New lines the views have not been told of, and whether the last one has ended.
    int m_unshownLines = 0;
    bool m_unshownLastComplete = false;
    bool m_viewsBehind = false;
    bool m_inReadReport = false;
    bool m_updatingViews = false;
    bool m_serverSentUtf8 = false;
    std::string m_utf8Tail; // a sequence the last read cut short
};
