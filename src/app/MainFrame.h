#pragma once
// The program's main window: the menus, the tool bar and the button bar (two movable bands
// along the top), the status bar, and the MDI area that holds the connection windows. Its
// commands act on the connection window the user works in. It remembers its own place and
// which bars are shown, and flashes its caption when a trigger asks for it.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class CBrumbleApp;
class CBrumbleDoc;
class CChildFrame;
class CFoundUrlHandler;
class CImageWnd;
struct CFoundUrl;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
struct CAppServices;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMaximizedStyle = 16777216;
    static constexpr int kFlashPeriodMs = 250; // timer 2
    static constexpr int kFlashToggles = 12;
    static constexpr int kRecentHostCount = 16;

    CMainFrame(CBrumbleApp& app, CAppServices& services);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Shows the window maximized or normal, as it was when it last closed.
    void ShowAsStored();

    // A new connection window for doc, placed from the settings of the next host.
    CChildFrame* AddConnectionWindow(std::unique_ptr<CBrumbleDoc> doc, const std::string& host);
    // The connection window the commands act on; none when no window is open.
    CChildFrame* CurrentFrame() const;
    std::vector<CChildFrame*> Frames() const;
    QMdiArea* MdiArea() const { return m_mdiArea; }

    // Starts or extends the caption flash: toggled now and on 12 (or, to keep the rhythm
    // of a flash already running, 13) further ticks of timer 2.
    void Flash();
    // A tick of timer 2 (public so that the rhythm can be checked without waiting).
    void OnFlashTimer();
    int FlashCount() const { return m_flashCount; }
    bool IsFlashTimerRunning() const { return m_flashTimer.isActive(); }
    bool IsCaptionHighlighted() const { return m_captionHighlighted; }

    // The message pane; the id form shows a string-table text and ignores an empty one.
    void SetStatusText(const QString& text);
    void SetStatusText(int stringId);
    QString StatusText() const;

    // The File menu's recent-host entries, read again from the settings.
    void RebuildRecentHosts();
    const std::vector<QAction*>& RecentHostActions() const { return m_recentActions; }

    // A URL found in a received line (queued from the session): the picture window gets
    // picture URLs; others are opened in the browser, asking first where they should be.
    void OnFoundUrl(const CFoundUrl& found);
    // Points the picture window at url, opening it when there is none.
    void ShowImage(const std::string& url);
    CImageWnd* ImageWindow() const;
    // Closes the picture window, which ends its fetch thread before it goes.
    void StopImageThread();

    QToolBar* ToolBar() const { return m_toolBar; }
    QToolBar* ButtonBar() const { return m_buttonBar; }

    // The commands, by what they do (menus, tool bar and keys all lead here).
    void OnFileNewConnection();
    void OnFileClose();
    void OnEditCopy();
    void OnEditCut();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateBars();
    void RestoreGeometry();
    void SaveBars();
    void SavePlacement();
    void UpdateCommandStates();
    void UpdateToolsMenu();
    void RebuildWindowMenu();
    void SetCaptionHighlight(bool on);
    // "Brumble", followed by " - " and the title of the current connection window when one
    // is open (maximized or not), behind the flash mark while it shows.
    void UpdateFrameTitle();
    void StopFlash();
    void UpdateLockIndicators(const QKeyEvent& key);
    // A command that needs the current connection window's view.
    template <typename Command> void OnViewCommand(Command command);
    QAction* AddCommand(QMenu* menu, const QString& text, int commandId);

    CBrumbleApp& m_app;
    CAppServices& m_services;
    QMdiArea* m_mdiArea = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolBar* m_buttonBar = nullptr;
    QLabel* m_messagePane = nullptr;
    QLabel* m_capsIndicator = nullptr;
    QLabel* m_numIndicator = nullptr;
    QLabel* m_scrollIndicator = nullptr;
    bool m_capsLock = false;
    bool m_numLock = false;
    bool m_scrollLock = false;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_toolsMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QAction* m_newAction = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_saveTextAction = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_recentSeparator = nullptr;
    QAction* m_noRecentAction = nullptr;
    std::vector<QAction*> m_recentActions;
    QAction* m_copyAction = nullptr;
    QAction* m_cutAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_insertFileAction = nullptr;
    QAction* m_statusBarAction = nullptr;
    QAction* m_localEchoAction = nullptr;
    QAction* m_aliasesAction = nullptr;
    QAction* m_triggersAction = nullptr;
    QAction* m_buttonTriggersAction = nullptr;
    QAction* m_scriptingAction = nullptr;
    QAction* m_buttonScriptingAction = nullptr;
    QAction* m_timedTextAction = nullptr;
    QAction* m_colouredTextAction = nullptr;
    QAction* m_shortcutKeysAction = nullptr;
    QAction* m_keypadKeysAction = nullptr;
    QAction* m_nextPaneAction = nullptr;
    QAction* m_prevPaneAction = nullptr;
    QAction* m_contextHelpAction = nullptr;
    QAction* m_exportSettingsAction = nullptr;
    QAction* m_importSettingsAction = nullptr;
    QAction* m_manageSettingsAction = nullptr;
    QAction* m_copyFromAction = nullptr;
    QAction* m_autoLogAction = nullptr;
    QAction* m_optionsAction = nullptr;
    QAction* m_buttonOptionsAction = nullptr;
    QAction* m_atImageAction = nullptr;
    QAction* m_logTextAction = nullptr;
    QAction* m_buttonLogTextAction = nullptr;
    QAction* m_cascadeAction = nullptr;
    QAction* m_tileAction = nullptr;
    QAction* m_helpAction = nullptr;
    QAction* m_aboutAction = nullptr;
    std::vector<QAction*> m_windowActions;

    std::unique_ptr<CFoundUrlHandler> m_foundUrls;
    QPointer<CImageWnd> m_imageWindow;

    QTimer m_flashTimer; // timer 2
    int m_flashCount = 0;
    bool m_captionHighlighted = false;
    bool m_startMaximized = false;
};
