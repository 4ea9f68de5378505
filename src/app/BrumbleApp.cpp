#include "app/BrumbleApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <csignal>
#include <map>

#include "alerts/CanberraSoundPlayer.h"
#include "app/AboutDlg.h"
#include "app/AccessibleNamer.h"
#include "app/ChildFrame.h"
#include "app/DefaultTelnetDlg.h"
#include "app/MainFrame.h"
#include "image/FoundUrl.h"
#include "app/MessageBoxSink.h"
#include "app/ProgramIcon.h"
#include "display/ui/KeyDispatcher.h"
#include "session/BrumbleDoc.h"
#include "session/CommandLine.h"
#include "session/HostList.h"
#include "session/ui/InputViewGuard.h"
#include "res/InstallLayout.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kNoTelnetOfferVariable[] = "BRUMBLE_NO_TELNET_OFFER";
constexpr char kTelnetScheme[] = "x-scheme-handler/telnet";
constexpr char kDesktopFile[] = "brumble.desktop";
constexpr int kXdgMimeStartMs = 3000;
constexpr int kXdgMimeRunMs = 5000;

// Help topics by context id: the page, and the anchor on it.
const std::map<int, QString>& HelpTopics()
{
    static const std::map<int, QString> topics = {
        {0, QStringLiteral("index.html")},
        {132, QStringLiteral("connecting.html#connect-dialog")}, // the Connect dialog
        {CBrumbleApp::kHelpConnectionWindow, QStringLiteral("window.html")},
    };
    return topics;
}

// Characters that the desktop-entry rules require an Exec argument to be quoted for.
bool NeedsQuoting(const QString& text)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (QChar c : text) {
        if (reserved.contains(c))
            return true;
    }
    return false;
}

// The desktop entry installed with the program, when the desktop looks for entries where it
// lies, so that registering its name reaches this program; empty otherwise.
QString InstalledEntryTheDesktopFinds(const QString& programDir)
{
    const QString installed = InstallLayout::InstalledDesktopEntry(programDir);
    if (installed.isEmpty())
        return {};
    const QString canonical = QFileInfo(installed).canonicalFilePath();
    const QStringList found = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                        QStringLiteral("applications/") +
                                                            QString::fromLatin1(kDesktopFile));
    for (const QString& entry : found) {
        if (QFileInfo(entry).canonicalFilePath() == canonical)
            return installed;
    }
    return {};
}

} // namespace

CBrumbleApp::CBrumbleApp(Options options)
    : m_messageBoxes(std::make_unique<CMessageBoxSink>(m_state)),
      m_messages(options.messages ? options.messages : m_messageBoxes.get()),
      m_settings(std::make_unique<CSettingsStore>(CSettingsStore::DefaultPath(), m_messages)),
      m_ownSound(options.sound ? nullptr : std::make_unique<CCanberraSoundPlayer>()),
      m_sound(options.sound ? options.sound : m_ownSound.get()), m_services{*m_settings,
                                                                            *m_messages, *m_sound,
                                                                            m_random, m_state}
{
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    programPath = QCoreApplication::applicationFilePath();
    // Every window and dialog shows Brumble's own icon.
    QApplication::setWindowIcon(ProgramIcon());

    if (qEnvironmentVariable(kNoTelnetOfferVariable) == QStringLiteral("1"))
        m_telnetOffer = false;
    // The arguments' own bytes: what the user typed is sent as typed.
    std::vector<std::string> arguments;
    for (const QString& argument : options.arguments) {
        const QByteArray bytes = argument.toLocal8Bit();
        arguments.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    const CProgramArguments parsed = ParseProgramArguments(arguments);
    if (!parsed.telnetOffer)
        m_telnetOffer = false;
    m_commandLine = parsed.commandLine;
}

CBrumbleApp::~CBrumbleApp()
{
    // The windows (and their sessions) go while the services they use still exist.
    m_messageBoxes->SetParentWindow(nullptr);
    m_mainFrame.reset();
}

bool CBrumbleApp::InitInstance()
{
    // A peer that vanishes while we write must show as a socket error, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // Before the first window, the telnet-link question included.
    CAccessibleNamer::Install();

    if (m_telnetOffer)
        OfferTelnetHandler();

    m_mainFrame = std::make_unique<CMainFrame>(*this, m_services);
    m_keyDispatcher = std::make_unique<CKeyDispatcher>(m_state);
    qApp->installEventFilter(m_keyDispatcher.get());
    m_messageBoxes->SetParentWindow(m_mainFrame.get());
    m_mainFrame->ShowAsStored();

    const std::optional<CStartRequest> request = ParseCommandLine(m_commandLine);
    if (request) {
        m_state.nextHost = request->host;
        m_state.nextPort = request->port;
        m_state.pendingCommand = request->command;
        // A telnets: link asks for TLS, remembered for the host like the Connect dialog's box.
        if (request->tls)
            m_services.settings.WriteInt(request->host, "TLS", 1);
        OpenNewConnectionWindow(true);
    }
    return true;
}

CChildFrame* CBrumbleApp::OpenNewConnectionWindow(bool fromCommandLine)
{
    // A first command belongs to the server named with it on the command line, never to
    // another one.
    if (!fromCommandLine)
        m_state.pendingCommand.clear();
    if (!m_mainFrame)
        return nullptr;

    const std::string host = m_state.nextHost;
    auto doc = std::make_unique<CBrumbleDoc>(m_services);
    doc->onFlash = [this] {
        if (m_mainFrame)
            m_mainFrame->Flash();
    };
    doc->onFoundUrl = [this](const CFoundUrl& found) {
        // Posted, not called: the question or the picture window must not open in the
        // middle of the received batch that is being shown.
        if (m_mainFrame)
            QMetaObject::invokeMethod(
                m_mainFrame.get(), [frame = m_mainFrame.get(), found] { frame->OnFoundUrl(found); },
                Qt::QueuedConnection);
    };
    if (!doc->OnNewDocument()) {
        m_state.pendingCommand.clear();
        return nullptr;
    }
    return m_mainFrame->AddConnectionWindow(std::move(doc), host);
}

bool CBrumbleApp::OpenRecentHost(int n)
{
    const std::vector<std::string> hosts = HostList::RecentHosts(*m_settings);
    if (n < 1 || n > static_cast<int>(hosts.size()))
        return false;
    const std::string host = hosts[static_cast<std::size_t>(n - 1)];
    const std::optional<unsigned> port = HostList::StoredHostPort(*m_settings, host);
    if (!port)
        return false;
    m_state.nextHost = host;
    m_state.nextPort = *port;
    HostList::AddToRecentFileList(*m_settings, host);
    if (m_mainFrame)
        m_mainFrame->RebuildRecentHosts();
    OpenNewConnectionWindow(false);
    return true;
}

std::optional<QString> CBrumbleApp::RunXdgMime(const QStringList& arguments) const
{
    QProcess process;
    process.setProgram(xdgMimeProgram);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(kXdgMimeStartMs))
        return std::nullopt;
    if (!process.waitForFinished(kXdgMimeRunMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

void CBrumbleApp::OfferTelnetHandler()
{
    const std::optional<QString> handler = RunXdgMime(
        {QStringLiteral("query"), QStringLiteral("default"), QString::fromLatin1(kTelnetScheme)});
    if (!handler)
        return; // no xdg-mime: nothing to offer
    if (handler->contains(QStringLiteral("brumble"), Qt::CaseInsensitive))
        return;
    if (m_settings->ReadInt("Register", "Dialog", 1) == 0)
        return;

    CDefaultTelnetDlg dialog(m_mainFrame.get());
    int result = QDialog::Rejected;
    {
        const CInputViewGuard guard(m_state);
        result = dialog.exec();
    }
    // Closing the question without Continue leaves everything as it was.
    if (result != QDialog::Accepted)
        return;
    m_settings->WriteInt("Register", "Dialog", dialog.DontShowAgain() ? 0 : 1);
    if (!dialog.MakeDefault())
        return;
    // A private entry in the user's folder would hide the installed one and tie the links to
    // one path for good: an installed program names the entry it came with instead.
    const QString programDir = QFileInfo(programPath).absolutePath();
    if (InstalledEntryTheDesktopFinds(programDir).isEmpty() && !InstallDesktopEntry(programPath))
        return;
    RunXdgMime({QStringLiteral("default"), QString::fromLatin1(kDesktopFile),
                QString::fromLatin1(kTelnetScheme)});
}

QString CBrumbleApp::DesktopExecLine(const QString& programPath)
{
    QString argument = programPath;
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (NeedsQuoting(argument)) {
        QString quoted;
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The value is itself an escaped string, in which a backslash is written twice.
    argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return argument + QStringLiteral(" %u");
}

bool CBrumbleApp::InstallDesktopEntry(const QString& programPath) const
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/applications");
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile file(folder + QLatin1Char('/') + QString::fromLatin1(kDesktopFile));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Brumble\n"
                                         "Comment=Client for MUDs, MUCKs and MUSHes\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n"
                                         "Categories=Network;Game;\n"
                                         "MimeType=x-scheme-handler/telnet;\n")
                              .arg(DesktopExecLine(programPath));
    file.write(entry.toUtf8());
    return file.commit();
}

QUrl CBrumbleApp::HelpUrl(int contextId) const
{
    const QString folder = InstallLayout::HelpFolder(QFileInfo(programPath).absolutePath());
    if (folder.isEmpty())
        return {};

    auto topic = HelpTopics().find(contextId);
    QString page = topic == HelpTopics().end() ? QStringLiteral("index.html") : topic->second;
    QString anchor;
    if (const qsizetype hash = page.indexOf(QLatin1Char('#')); hash >= 0) {
        anchor = page.mid(hash + 1);
        page = page.left(hash);
    }
    if (!QFileInfo::exists(folder + QLatin1Char('/') + page)) {
        page = QStringLiteral("index.html");
        anchor.clear();
    }
    QUrl url = QUrl::fromLocalFile(folder + QLatin1Char('/') + page);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

bool CBrumbleApp::WinHelp(int contextId)
{
    const QUrl url = HelpUrl(contextId);
    if (url.isEmpty() || !openUrl)
        return false;
    return openUrl(url);
}

void CBrumbleApp::OnAppAbout()
{
    CAboutDlg dialog(*m_sound, m_mainFrame.get());
    const CInputViewGuard guard(m_state);
    dialog.exec();
}
