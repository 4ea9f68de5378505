#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <map>

#include "app/BrumbleApp.h"
#include "app/ChildFrame.h"
#include "app/ProgramIcon.h"
#include "base/AppServices.h"
#include "base/AppState.h"
#include "display/ui/BrumbleView.h"
#include "res/StringTable.h"
#include "session/BrumbleDoc.h"
#include "session/HostList.h"
#include "session/ui/ConnectDlg.h"
#include "session/ui/InputViewGuard.h"
#include "settings/SettingsStore.h"
#include "image/FoundUrl.h"
#include "image/FoundUrlHandler.h"
#include "image/ui/ImageWnd.h"
#include "settings/ui/SettingsFileDialog.h"
#include "settings/ui/ManageDlg.h"

namespace {

constexpr std::string_view kSection = "MainFrame";
constexpr int kIdleMessage = 57345;
constexpr int kTitleString = 128;
constexpr int kFirstRecentHostCommand = 57616;
constexpr char kFlashMark[] = "* ";

// Command ids of the menus and bars (status text, line feed, tool tip, as in the string
// table; the texts here serve until the table carries its own).
enum Command {
    kCmdLocalEcho = 32771,
    kCmdLogText = 32772,
    kCmdTriggers = 32774,
    kCmdTimedText = 32775,
    kCmdAliases = 32781,
    kCmdColouredText = 32776,
    kCmdAutoLog = 32789,
    kCmdOptions = 32773,
    kCmdAtImage = 32788,
    kCmdExportSettings = 32790,
    kCmdImportSettings = 32791,
    kCmdManageSettings = 32803,
    kCmdCopyFrom = 32804,
    kCmdDialogBar = 32795,
    kCmdShortcutKeys = 32779,
    kCmdKeypadKeys = 32780,
    kCmdScripting = 32778,
    kCmdContextHelp = 57669,
    kCmdAbout = 57664,
    kCmdNextPane = 57680,
    kCmdPrevPane = 57681,
    kCmdNew = 57600,
    kCmdOpen = 57601,
    kCmdClose = 57602,
    kCmdSaveText = 57603,
    kCmdPrint = 57607,
    kCmdCopy = 57634,
    kCmdCut = 57635,
    kCmdPaste = 57637,
    kCmdInsertFile = 57639,
    kCmdCascade = 57650,
    kCmdTile = 57651,
    kCmdExit = 57665,
    kCmdHelpContents = 57667,
    kCmdToolBar = 59392,
    kCmdStatusBar = 59393,
};

std::string CommandTip(int id)
{
    std::string text = LoadString(id);
    if (!text.empty())
        return text;
    static const std::map<int, const char*> tips = {
        {kCmdLocalEcho, "Show the commands you send in the window\nLocal echo"},
        {kCmdLogText, "Log the received text to a file, or stop logging\nLog text"},
        {kCmdAliases, "Edit the aliases of this window's host\nAliases"},
        {kCmdTriggers, "Edit the trigger strings and warning of this window's host\nTriggers"},
        {kCmdTimedText, "Edit the timed text of this window's host\nTimed text"},
        {kCmdColouredText, "Colour the lines that start with or contain a text\nColoured text"},
        {kCmdAutoLog, "Log every connection to this window's host automatically\nAuto log"},
        {kCmdOptions, "Change the colours, font and buffers of this window's host\nOptions"},
        {kCmdAtImage, "Choose what is done with picture URLs and links this host sends\n@image"},
        {kCmdExportSettings, "Save all settings of every host to a file\nExport settings"},
        {kCmdImportSettings, "Replace all settings by those saved in a file\nImport settings"},
        {kCmdManageSettings,
         "Edit, copy or clear the settings of any host without connecting\nManage settings"},
        {kCmdCopyFrom,
         "Replace all settings of this window's host by those of another host\nCopy from"},
        {kCmdDialogBar, "Show or hide the button bar\nToggle button bar"},
        {kCmdShortcutKeys, "Edit the function-key shortcuts of this window's host\nShortcut keys"},
        {kCmdKeypadKeys, "Edit the keypad keys of this window's host\nKeypad keys"},
        {kCmdScripting, "Edit the scripts of this window's host\nScripting"},
        {kCmdContextHelp, "Display help for the active window\nHelp"},
        {kCmdNextPane, "Switch to the next connection window\nNext window"},
        {kCmdPrevPane, "Switch to the previous connection window\nPrevious window"},
        {kCmdOpen, "Connect this window to a server\nOpen connection"},
        {kCmdClose, "Close the active connection window\nClose connection"},
        {kCmdSaveText, "Save the text of the active window to a file\nSave text"},
        {kCmdPrint, "Print the visible text of the active window\nPrint"},
        {kCmdCopy, "Copy the selected command-line text to the clipboard\nCopy"},
        {kCmdCut, "Cut the selected command-line text to the clipboard\nCut"},
        {kCmdPaste, "Paste into the command line, sending every complete line\nPaste"},
        {kCmdInsertFile, "Send a text file to the server, one command per line\nInsert file"},
        {kCmdCascade, "Arrange the windows so that they overlap\nCascade windows"},
        {kCmdTile, "Arrange the windows side by side\nTile windows"},
        {kCmdExit, "Quit the application\nExit"},
        {kCmdHelpContents, "Open the help pages\nHelp"},
        {kCmdToolBar, "Show or hide the toolbar\nToggle toolbar"},
        {kCmdStatusBar, "Show or hide the status bar\nToggle status bar"},
    };
    auto it = tips.find(id);
    return it == tips.end() ? std::string() : std::string(it->second);
}

// The status text is the part before the line feed, the tool tip the part after it.
void ApplyTip(QAction* action, int id)
{
    const QString tip = QString::fromLatin1(CommandTip(id));
    const qsizetype feed = tip.indexOf(QLatin1Char('\n'));
    action->setStatusTip(feed < 0 ? tip : tip.left(feed));
    if (feed >= 0)
        action->setToolTip(tip.mid(feed + 1));
}

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A host name shown in a menu: an ampersand is a letter, not a mnemonic mark.
QString MenuText(const std::string& text)
{
    return Latin1(text).replace(u'&', QStringLiteral("&&"));
}

// The frame of a connection window in the MDI area. While it is maximized, Qt writes its
// title into the main window's caption in a form of its own ("Brumble - [title]") and again
// whenever the caption changes; the main window keeps its caption itself, maximized or not.
class CConnectionSubWindow final : public QMdiSubWindow {
public:
    using QMdiSubWindow::QMdiSubWindow;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowTitleChange && watched != this && watched == window())
            return false;
        return QMdiSubWindow::eventFilter(watched, event);
    }
};

} // namespace

CMainFrame::CMainFrame(CBrumbleApp& app, CAppServices& services) : m_app(app), m_services(services)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(Latin1(LoadString(kTitleString)));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this] {
        UpdateCommandStates();
        UpdateFrameTitle();
    });

    CreateActions();
    CreateMenus();
    CreateBars();
    RestoreGeometry();
    UpdateCommandStates();
    RebuildRecentHosts();

    m_flashTimer.setInterval(kFlashPeriodMs);
    connect(&m_flashTimer, &QTimer::timeout, this, &CMainFrame::OnFlashTimer);

    m_foundUrls = std::make_unique<CFoundUrlHandler>(
        m_services.messages, [this](const std::string& url) { ShowImage(url); },
        [this](const QUrl& url) { return m_app.openUrl && m_app.openUrl(url); });

    // The lock indicators follow every key the program sees.
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    m_flashTimer.stop();
    StopImageThread();
    // Each connection window stores its place while the area still holds it.
    m_mdiArea->closeAllSubWindows();
}

QAction* CMainFrame::AddCommand(QMenu* menu, const QString& text, int commandId)
{
    auto* action = new QAction(text, this);
    ApplyTip(action, commandId);
    if (menu)
        menu->addAction(action);
    return action;
}

void CMainFrame::CreateActions()
{
    QStyle* s = style();
    m_newAction = AddCommand(nullptr, tr("&New Connection"), kCmdNew);
    m_newAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_newAction->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    connect(m_newAction, &QAction::triggered, this, &CMainFrame::OnFileNewConnection);

    m_openAction = AddCommand(nullptr, tr("&Open Connection..."), kCmdOpen);
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_openAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnFileOpenConnection(); }); });

    m_closeAction = AddCommand(nullptr, tr("&Close"), kCmdClose);
    m_closeAction->setIcon(s->standardIcon(QStyle::SP_DialogCloseButton));
    connect(m_closeAction, &QAction::triggered, this, &CMainFrame::OnFileClose);

    m_saveTextAction = AddCommand(nullptr, tr("&Save Text..."), kCmdSaveText);
    m_saveTextAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_saveTextAction->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    connect(m_saveTextAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnFileSaveText(); }); });

    m_printAction = AddCommand(nullptr, tr("&Print..."), kCmdPrint);
    m_printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(m_printAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnFilePrint(); }); });

    m_exitAction = AddCommand(nullptr, tr("E&xit"), kCmdExit);
    m_exitAction->setMenuRole(QAction::QuitRole);
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);

    m_copyAction = AddCommand(nullptr, tr("&Copy"), kCmdCopy);
    m_copyAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    connect(m_copyAction, &QAction::triggered, this, &CMainFrame::OnEditCopy);

    m_cutAction = AddCommand(nullptr, tr("Cu&t"), kCmdCut);
    m_cutAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    connect(m_cutAction, &QAction::triggered, this, &CMainFrame::OnEditCut);

    m_pasteAction = AddCommand(nullptr, tr("&Paste"), kCmdPaste);
    m_pasteAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    m_pasteAction->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    connect(m_pasteAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnEditPaste(); }); });

    m_insertFileAction = AddCommand(nullptr, tr("&Insert File..."), kCmdInsertFile);
    m_insertFileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    m_insertFileAction->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));
    connect(m_insertFileAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnEditInsertFile(); }); });

    m_localEchoAction = AddCommand(nullptr, tr("Local &Echo"), kCmdLocalEcho);
    m_localEchoAction->setCheckable(true);
    connect(m_localEchoAction, &QAction::triggered, this, [this] {
        OnViewCommand([](CBrumbleView& v) { v.OnToolsLocalEcho(); });
        UpdateToolsMenu();
    });

    m_logTextAction = AddCommand(nullptr, tr("&Log Text..."), kCmdLogText);
    m_logTextAction->setCheckable(true);
    auto logText = [this] {
        OnViewCommand([](CBrumbleView& v) { v.OnToolsLogText(); });
        UpdateToolsMenu();
    };
    connect(m_logTextAction, &QAction::triggered, this, logText);
    m_buttonLogTextAction = AddCommand(nullptr, tr("Log Text..."), kCmdLogText);
    // A tool button would drop the dots of the text; on the button bar they belong.
    m_buttonLogTextAction->setIconText(tr("Log Text..."));
    connect(m_buttonLogTextAction, &QAction::triggered, this, logText);

    m_optionsAction = AddCommand(nullptr, tr("&Options..."), kCmdOptions);
    auto options = [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsOptions(); }); };
    connect(m_optionsAction, &QAction::triggered, this, options);
    m_buttonOptionsAction = AddCommand(nullptr, tr("Options..."), kCmdOptions);
    m_buttonOptionsAction->setIconText(tr("Options..."));
    connect(m_buttonOptionsAction, &QAction::triggered, this, options);
    m_autoLogAction = AddCommand(nullptr, tr("A&uto Log..."), kCmdAutoLog);
    m_autoLogAction->setCheckable(true);
    connect(m_autoLogAction, &QAction::triggered, this, [this] {
        OnViewCommand([](CBrumbleView& v) { v.OnToolsAutoLog(); });
        UpdateToolsMenu();
    });

    m_aliasesAction = AddCommand(nullptr, tr("&Aliases..."), kCmdAliases);
    connect(m_aliasesAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsAliases(); }); });

    m_triggersAction = AddCommand(nullptr, tr("&Triggers..."), kCmdTriggers);
    auto triggers = [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsTriggers(); }); };
    connect(m_triggersAction, &QAction::triggered, this, triggers);
    m_buttonTriggersAction = AddCommand(nullptr, tr("Triggers..."), kCmdTriggers);
    m_buttonTriggersAction->setIconText(tr("Triggers..."));
    connect(m_buttonTriggersAction, &QAction::triggered, this, triggers);
    m_scriptingAction = AddCommand(nullptr, tr("Sc&ripting..."), kCmdScripting);
    auto scripting = [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsScripting(); }); };
    connect(m_scriptingAction, &QAction::triggered, this, scripting);
    m_buttonScriptingAction = AddCommand(nullptr, tr("Scripting..."), kCmdScripting);
    m_buttonScriptingAction->setIconText(tr("Scripting..."));
    connect(m_buttonScriptingAction, &QAction::triggered, this, scripting);
    m_timedTextAction = AddCommand(nullptr, tr("T&imed Text..."), kCmdTimedText);
    connect(m_timedTextAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsTimedText(); }); });
    m_colouredTextAction = AddCommand(nullptr, tr("&Coloured Text..."), kCmdColouredText);
    connect(m_colouredTextAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsColouredText(); }); });
    m_atImageAction = AddCommand(nullptr, tr("@&Image..."), kCmdAtImage);
    connect(m_atImageAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsAtImage(); }); });

    // Only while no connection window is open: a window keeps the settings it loaded.
    m_exportSettingsAction = AddCommand(nullptr, tr("&Export Settings"), kCmdExportSettings);
    connect(m_exportSettingsAction, &QAction::triggered, this, [this] {
        CSettingsFileDialog::ExportSettings(this, m_services.settings, m_services.messages);
    });
    m_importSettingsAction = AddCommand(nullptr, tr("&Import Settings"), kCmdImportSettings);
    connect(m_importSettingsAction, &QAction::triggered, this, [this] {
        CSettingsFileDialog::ImportSettings(this, m_services.settings, m_services.messages);
    });
    m_manageSettingsAction = AddCommand(nullptr, tr("&Manage Settings"), kCmdManageSettings);
    connect(m_manageSettingsAction, &QAction::triggered, this,
            [this] { ManageSettings(m_services, this); });
    m_copyFromAction = AddCommand(nullptr, tr("Copy &From..."), kCmdCopyFrom);
    connect(m_copyFromAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsCopyFrom(); }); });

    m_cascadeAction = AddCommand(nullptr, tr("&Cascade"), kCmdCascade);
    connect(m_cascadeAction, &QAction::triggered, m_mdiArea, &QMdiArea::cascadeSubWindows);
    m_tileAction = AddCommand(nullptr, tr("&Tile"), kCmdTile);
    connect(m_tileAction, &QAction::triggered, m_mdiArea, &QMdiArea::tileSubWindows);

    m_shortcutKeysAction = AddCommand(nullptr, tr("&Shortcut Keys..."), kCmdShortcutKeys);
    connect(m_shortcutKeysAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsShortcutKeys(); }); });
    m_keypadKeysAction = AddCommand(nullptr, tr("&Keypad Keys..."), kCmdKeypadKeys);
    connect(m_keypadKeysAction, &QAction::triggered, this,
            [this] { OnViewCommand([](CBrumbleView& v) { v.OnToolsKeypadKeys(); }); });

    // F6 and Shift+F6 step through the connection windows (unless bound as shortcuts).
    m_nextPaneAction = AddCommand(nullptr, tr("Next Window"), kCmdNextPane);
    m_nextPaneAction->setShortcut(QKeySequence(Qt::Key_F6));
    connect(m_nextPaneAction, &QAction::triggered, m_mdiArea, &QMdiArea::activateNextSubWindow);
    m_prevPaneAction = AddCommand(nullptr, tr("Previous Window"), kCmdPrevPane);
    m_prevPaneAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(m_prevPaneAction, &QAction::triggered, m_mdiArea,
            &QMdiArea::activatePreviousSubWindow);
    addAction(m_nextPaneAction);
    addAction(m_prevPaneAction);
    m_contextHelpAction = AddCommand(nullptr, tr("Context &Help"), kCmdContextHelp);
    m_contextHelpAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(m_contextHelpAction, &QAction::triggered, this, [this] {
        m_app.WinHelp(CurrentFrame() ? CBrumbleApp::kHelpConnectionWindow : 0);
    });

    m_helpAction = AddCommand(nullptr, tr("&Contents"), kCmdHelpContents);
    m_helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    connect(m_helpAction, &QAction::triggered, this, [this] { m_app.WinHelp(0); });

    m_aboutAction = AddCommand(nullptr, tr("&About Brumble..."), kCmdAbout);
    m_aboutAction->setIcon(ProgramIcon());
    m_aboutAction->setMenuRole(QAction::AboutRole);
    connect(m_aboutAction, &QAction::triggered, this, [this] { m_app.OnAppAbout(); });
}

void CMainFrame::CreateMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->addAction(m_newAction);
    m_fileMenu->addAction(m_openAction);
    m_fileMenu->addAction(m_closeAction);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_saveTextAction);
    m_fileMenu->addAction(m_printAction);
    m_recentSeparator = m_fileMenu->addSeparator();
    m_noRecentAction = new QAction(tr("Recent Host"), this);
    m_noRecentAction->setEnabled(false);
    m_fileMenu->addAction(m_noRecentAction);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exitAction);
    connect(m_fileMenu, &QMenu::aboutToShow, this, [this] {
        RebuildRecentHosts();
        UpdateCommandStates();
    });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(m_copyAction);
    edit->addAction(m_cutAction);
    edit->addAction(m_pasteAction);
    edit->addSeparator();
    edit->addAction(m_insertFileAction);
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);

    // The view menu's entries need the bars; they are added in CreateBars.
    menuBar()->addMenu(tr("&View"))->setObjectName(QStringLiteral("viewMenu"));

    m_toolsMenu = menuBar()->addMenu(tr("&Tools"));
    m_toolsMenu->addAction(m_localEchoAction);
    m_toolsMenu->addAction(m_logTextAction);
    m_toolsMenu->addAction(m_autoLogAction);
    m_toolsMenu->addAction(m_optionsAction);
    m_toolsMenu->addSeparator();
    m_toolsMenu->addAction(m_colouredTextAction);
    m_toolsMenu->addAction(m_triggersAction);
    m_toolsMenu->addAction(m_timedTextAction);
    m_toolsMenu->addAction(m_shortcutKeysAction);
    m_toolsMenu->addAction(m_keypadKeysAction);
    m_toolsMenu->addAction(m_aliasesAction);
    m_toolsMenu->addAction(m_scriptingAction);
    m_toolsMenu->addAction(m_atImageAction);
    m_toolsMenu->addAction(m_copyFromAction);
    m_toolsMenu->addSeparator();
    m_toolsMenu->addAction(m_manageSettingsAction);
    m_toolsMenu->addAction(m_exportSettingsAction);
    m_toolsMenu->addAction(m_importSettingsAction);
    connect(m_toolsMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateToolsMenu);

    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &CMainFrame::RebuildWindowMenu);
    RebuildWindowMenu();

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(m_helpAction);
    help->addAction(m_contextHelpAction);
    help->addSeparator();
    help->addAction(m_aboutAction);
}

void CMainFrame::CreateBars()
{
    m_toolBar = new QToolBar(tr("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->addAction(m_newAction);
    m_toolBar->addAction(m_closeAction);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_saveTextAction);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_pasteAction);
    m_toolBar->addAction(m_insertFileAction);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_aboutAction);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    // The button bar sits as a second band beside the tool bar.
    m_buttonBar = new QToolBar(tr("Dialogbar"), this);
    m_buttonBar->setObjectName(QStringLiteral("dialogBar"));
    m_buttonBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_buttonBar->addAction(m_buttonOptionsAction);
    m_buttonBar->addAction(m_buttonLogTextAction);
    m_buttonBar->addAction(m_buttonTriggersAction);
    m_buttonBar->addAction(m_buttonScriptingAction);
    addToolBar(Qt::TopToolBarArea, m_buttonBar);

    m_messagePane = new QLabel(this);
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    statusBar()->addWidget(m_messagePane, 1);
    auto indicator = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(label);
        return label;
    };
    m_capsIndicator = indicator("capsIndicator");
    m_numIndicator = indicator("numIndicator");
    m_scrollIndicator = indicator("scrollIndicator");
    SetStatusText(kIdleMessage);

    QAction* toolBarAction = m_toolBar->toggleViewAction();
    toolBarAction->setText(tr("&Toolbar"));
    ApplyTip(toolBarAction, kCmdToolBar);
    m_statusBarAction = AddCommand(nullptr, tr("&Status Bar"), kCmdStatusBar);
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setChecked(true);
    connect(m_statusBarAction, &QAction::toggled, statusBar(), &QWidget::setVisible);
    QAction* buttonBarAction = m_buttonBar->toggleViewAction();
    buttonBarAction->setText(tr("&Dialogbar"));
    ApplyTip(buttonBarAction, kCmdDialogBar);

    QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
    view->addAction(toolBarAction);
    view->addAction(m_statusBarAction);
    view->addAction(buttonBarAction);

    CSettingsStore& store = m_services.settings;
    if (store.ReadInt(kSection, "toolbar", 1) == 0)
        m_toolBar->hide();
    if (store.ReadInt(kSection, "dialogbar", 1) == 0)
        m_buttonBar->hide();
    if (store.ReadInt(kSection, "statusbar", 1) == 0)
        m_statusBarAction->setChecked(false);
}

void CMainFrame::RestoreGeometry()
{
    // Proposed: three quarters of the screen, centred.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size(std::max(available.width() * 3 / 4, 480),
                     std::max(available.height() * 3 / 4, 320));
    QRect proposed(QPoint(0, 0), size);
    proposed.moveCenter(available.center());

    CSettingsStore& store = m_services.settings;
    QRect place(store.ReadInt(kSection, "x", proposed.x()),
                store.ReadInt(kSection, "y", proposed.y()),
                store.ReadInt(kSection, "cx", proposed.width()),
                store.ReadInt(kSection, "cy", proposed.height()));
    // A place on a screen that is no longer attached would leave the window unreachable.
    bool visible = false;
    for (const QScreen* each : QGuiApplication::screens())
        visible = visible || each->availableGeometry().intersects(place);
    if (!place.isValid() || place.width() < 200 || place.height() < 150 ||
        (!QGuiApplication::screens().isEmpty() && !visible))
        place = proposed;
    setGeometry(place);
    m_startMaximized = (store.ReadInt(kSection, "style", 0) & kMaximizedStyle) != 0;
}

void CMainFrame::ShowAsStored()
{
    if (m_startMaximized)
        showMaximized();
    else
        show();
}

void CMainFrame::SaveBars()
{
    CSettingsStore& store = m_services.settings;
    store.WriteInt(kSection, "toolbar", m_toolBar->isHidden() ? 0 : 1);
    store.WriteInt(kSection, "dialogbar", m_buttonBar->isHidden() ? 0 : 1);
    store.WriteInt(kSection, "statusbar", statusBar()->isHidden() ? 0 : 1);
}

void CMainFrame::SavePlacement()
{
    CSettingsStore& store = m_services.settings;
    const bool maximized = isMaximized();
    // A maximized window keeps the place it had before, so that it comes back there.
    if (!maximized) {
        const QRect place = geometry();
        store.WriteInt(kSection, "x", place.x());
        store.WriteInt(kSection, "y", place.y());
        store.WriteInt(kSection, "cx", place.width());
        store.WriteInt(kSection, "cy", place.height());
    }
    store.WriteInt(kSection, "style", maximized ? kMaximizedStyle : 0);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    SaveBars();
    m_mdiArea->closeAllSubWindows();
    SavePlacement();
    StopFlash();
    StopImageThread();
    event->accept();
}

void CMainFrame::OnFoundUrl(const CFoundUrl& found)
{
    m_foundUrls->Handle(found);
}

void CMainFrame::ShowImage(const std::string& url)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_imageWindow) {
        m_imageWindow = new CImageWnd(m_services, this);
        m_imageWindow->show();
    }
    m_imageWindow->SetUrl(url);
    QApplication::restoreOverrideCursor();
}

CImageWnd* CMainFrame::ImageWindow() const
{
    return m_imageWindow.data();
}

void CMainFrame::StopImageThread()
{
    // The window waits for its thread, which ends promptly: every read it may be blocked
    // in is given up as soon as it is asked to stop.
    if (m_imageWindow)
        delete m_imageWindow.data();
}

CChildFrame* CMainFrame::AddConnectionWindow(std::unique_ptr<CBrumbleDoc> doc,
                                             const std::string& host)
{
    auto* frame = new CChildFrame(std::move(doc), m_services);
    auto* subWindow = new CConnectionSubWindow;
    subWindow->setWidget(frame);
    m_mdiArea->addSubWindow(subWindow);
    subWindow->setAttribute(Qt::WA_DeleteOnClose);
    frame->PlaceInArea(subWindow, host);
    m_mdiArea->setActiveSubWindow(subWindow);
    UpdateCommandStates();
    // Queued: maximizing and restoring have Qt write the caption first.
    connect(frame, &QWidget::windowTitleChanged, this, &CMainFrame::UpdateFrameTitle,
            Qt::QueuedConnection);
    connect(subWindow, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateFrameTitle,
            Qt::QueuedConnection);
    connect(subWindow, &QObject::destroyed, this, &CMainFrame::UpdateFrameTitle,
            Qt::QueuedConnection);
    UpdateFrameTitle();
    return frame;
}

CChildFrame* CMainFrame::CurrentFrame() const
{
    // The current window, also while the main window itself is not active.
    QMdiSubWindow* subWindow = m_mdiArea->currentSubWindow();
    return subWindow ? qobject_cast<CChildFrame*>(subWindow->widget()) : nullptr;
}

std::vector<CChildFrame*> CMainFrame::Frames() const
{
    std::vector<CChildFrame*> frames;
    for (QMdiSubWindow* subWindow : m_mdiArea->subWindowList()) {
        if (auto* frame = qobject_cast<CChildFrame*>(subWindow->widget()))
            frames.push_back(frame);
    }
    return frames;
}

template <typename Command> void CMainFrame::OnViewCommand(Command command)
{
    if (CChildFrame* frame = CurrentFrame())
        command(frame->View());
}

void CMainFrame::OnFileNewConnection()
{
    CConnectDlg dialog(m_services, this);
    int result = QDialog::Rejected;
    {
        const CInputViewGuard guard(m_services.app);
        result = dialog.exec();
    }
    if (result != QDialog::Accepted)
        return;
    CAppState& state = m_services.app;
    state.nextHost = dialog.Host();
    state.nextPort = dialog.Port();
    m_app.OpenNewConnectionWindow(false);
    RebuildRecentHosts();
}

void CMainFrame::OnFileClose()
{
    if (QMdiSubWindow* subWindow = m_mdiArea->currentSubWindow())
        subWindow->close();
}

void CMainFrame::OnEditCopy()
{
    if (CChildFrame* frame = CurrentFrame(); frame && !frame->View().CopySelection())
        frame->CopyCommandText();
}

void CMainFrame::OnEditCut()
{
    if (CChildFrame* frame = CurrentFrame())
        frame->CutCommandText();
}

void CMainFrame::UpdateCommandStates()
{
    const bool hasWindow = CurrentFrame() != nullptr;
    for (QAction* action :
         {m_openAction, m_closeAction, m_saveTextAction, m_printAction, m_copyAction, m_cutAction,
          m_pasteAction, m_insertFileAction, m_localEchoAction, m_logTextAction,
          m_buttonLogTextAction, m_aliasesAction, m_atImageAction})
        action->setEnabled(hasWindow);
    for (QAction* action : {m_triggersAction, m_buttonTriggersAction, m_timedTextAction,
                            m_optionsAction, m_buttonOptionsAction})
        action->setEnabled(hasWindow);
    m_colouredTextAction->setEnabled(hasWindow);
    m_scriptingAction->setEnabled(hasWindow);
    m_buttonScriptingAction->setEnabled(hasWindow);
    m_shortcutKeysAction->setEnabled(hasWindow);
    m_keypadKeysAction->setEnabled(hasWindow);
    m_autoLogAction->setEnabled(hasWindow);
    m_cascadeAction->setEnabled(hasWindow);
    m_tileAction->setEnabled(hasWindow);
    m_exportSettingsAction->setVisible(!hasWindow);
    m_importSettingsAction->setVisible(!hasWindow);
    m_manageSettingsAction->setVisible(!hasWindow);
    m_copyFromAction->setEnabled(hasWindow);
    UpdateToolsMenu();
}

void CMainFrame::UpdateToolsMenu()
{
    CChildFrame* frame = CurrentFrame();
    m_localEchoAction->setChecked(frame && frame->View().IsLocalEcho());
    m_logTextAction->setChecked(frame && frame->Doc().IsLogging());
    m_autoLogAction->setChecked(frame && frame->Doc().IsAutoLogging());
}

void CMainFrame::RebuildRecentHosts()
{
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();

    const std::vector<std::string> hosts = HostList::RecentHosts(m_services.settings);
    const int count = std::min(static_cast<int>(hosts.size()), kRecentHostCount);
    m_noRecentAction->setVisible(count == 0);
    for (int i = 0; i < count; ++i) {
        const QString number =
            i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&%1").arg(i - 9);
        auto* action = new QAction(number + QLatin1Char(' ') + MenuText(hosts[i]), this);
        action->setStatusTip(QStringLiteral("Connect to this host"));
        action->setData(kFirstRecentHostCommand + i);
        const int entry = i + 1;
        connect(action, &QAction::triggered, this, [this, entry] { m_app.OpenRecentHost(entry); });
        m_fileMenu->insertAction(m_noRecentAction, action);
        m_recentActions.push_back(action);
    }
}

void CMainFrame::RebuildWindowMenu()
{
    m_windowMenu->clear();
    m_windowMenu->addAction(m_cascadeAction);
    m_windowMenu->addAction(m_tileAction);
    m_windowActions.clear();
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList();
    if (!windows.isEmpty())
        m_windowMenu->addSeparator();
    QMdiSubWindow* current = m_mdiArea->currentSubWindow();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* subWindow = windows[i];
        QString title = subWindow->windowTitle();
        title.replace(u'&', QStringLiteral("&&"));
        QAction* action =
            m_windowMenu->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title);
        action->setCheckable(true);
        action->setChecked(subWindow == current);
        connect(action, &QAction::triggered, this, [this, subWindow] {
            if (m_mdiArea->subWindowList().contains(subWindow))
                m_mdiArea->setActiveSubWindow(subWindow);
        });
        m_windowActions.push_back(action);
    }
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_messagePane->setText(text);
}

void CMainFrame::SetStatusText(int stringId)
{
    const std::string text = LoadString(stringId);
    if (!text.empty())
        SetStatusText(Latin1(text));
}

QString CMainFrame::StatusText() const
{
    return m_messagePane->text();
}

void CMainFrame::Flash()
{
    QApplication::alert(this);
    SetCaptionHighlight(!m_captionHighlighted);
    if (m_flashCount == 0)
        m_flashTimer.start();
    // Keeping the parity means a flash asked for during a flash does not end the caption
    // out of step.
    m_flashCount = kFlashToggles + m_flashCount % 2;
}

void CMainFrame::OnFlashTimer()
{
    SetCaptionHighlight(!m_captionHighlighted);
    --m_flashCount;
    if (m_flashCount < 1)
        StopFlash();
}

void CMainFrame::StopFlash()
{
    m_flashCount = 0;
    m_flashTimer.stop();
    SetCaptionHighlight(false);
}

void CMainFrame::SetCaptionHighlight(bool on)
{
    // The highlight is a mark in front of the caption: window managers draw the title bar,
    // so the caption text is the part of it that the program can change.
    m_captionHighlighted = on;
    const QString mark = QString::fromLatin1(kFlashMark);
    const QString title = windowTitle();
    if (on && !title.startsWith(mark))
        setWindowTitle(mark + title);
    else if (!on && title.startsWith(mark))
        setWindowTitle(title.mid(mark.size()));
}

void CMainFrame::UpdateFrameTitle()
{
    QString title = Latin1(LoadString(kTitleString));
    if (const CChildFrame* frame = CurrentFrame(); frame && !frame->windowTitle().isEmpty())
        title += QStringLiteral(" - ") + frame->windowTitle();
    if (m_captionHighlighted)
        title.prepend(QString::fromLatin1(kFlashMark));
    if (windowTitle() != title)
        setWindowTitle(title);
}

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        (m_flashCount > 0 || m_captionHighlighted))
        StopFlash();
    QMainWindow::changeEvent(event);
}

void CMainFrame::UpdateLockIndicators(const QKeyEvent& key)
{
    // X11 reports the lock state in every key event (Lock and Mod2 are Caps and Num Lock);
    // elsewhere the lock keys' presses are counted.
    const bool x11 = QGuiApplication::platformName() == QStringLiteral("xcb");
    if (x11 && key.nativeModifiers() != 0) {
        m_capsLock = key.nativeModifiers() & 0x02;
        m_numLock = key.nativeModifiers() & 0x10;
    }
    if (key.type() == QEvent::KeyPress && !key.isAutoRepeat()) {
        if (key.key() == Qt::Key_ScrollLock)
            m_scrollLock = !m_scrollLock;
        else if (!x11 && key.key() == Qt::Key_CapsLock)
            m_capsLock = !m_capsLock;
        else if (!x11 && key.key() == Qt::Key_NumLock)
            m_numLock = !m_numLock;
    }
    m_capsIndicator->setText(m_capsLock ? QStringLiteral("CAP") : QString());
    m_numIndicator->setText(m_numLock ? QStringLiteral("NUM") : QString());
    m_scrollIndicator->setText(m_scrollLock ? QStringLiteral("SCRL") : QString());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // Each key reaches its window object exactly once (widgets may see it several times).
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        watched->isWindowType())
        UpdateLockIndicators(*static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}
