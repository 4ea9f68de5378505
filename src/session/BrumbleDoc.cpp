#include "session/BrumbleDoc.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "alerts/SoundPlayer.h"
#include "alerts/TimedTextDlg.h"
#include "alerts/TriggersDlg.h"
#include "base/AppState.h"
#include "base/MessageSink.h"
#include "base/SessionView.h"
#include "display/ColouredTextDlg.h"
#include "display/OptionsDlg.h"
#include "image/AtImageDlg.h"
#include "log/AutoLogDlg.h"
#include "log/AutoLogEditor.h"
#include "res/StringTable.h"
#include "script/ScriptingDlg.h"
#include "session/CertificateTrust.h"
#include "settings/HostEncoding.h"
#include "settings/SettingsStore.h"
#include "shortcuts/AliasesDlg.h"
#include "shortcuts/KeypadDlg.h"
#include "shortcuts/ShortcutsDlg.h"

namespace {

constexpr int kDefaultLineBuffer = 250;

} // namespace

CBrumbleDoc::CBrumbleDoc(CAppServices& services, QObject* parent)
    : QObject(parent), m_services(services), m_lines(m_filter.Lines())
{
    // Telnet refusals leave like every other command, so they are logged with them.
    m_filter.onTelnetAnswer = [this](std::string_view answer) { SendRaw(answer); };
    m_filter.onBell = [this] { m_services.sound.Beep(); };
    m_filter.onServerEcho = [this](bool serverEchoes) {
        for (CSessionView* view : ViewsSnapshot()) {
            if (HasView(view))
                view->OnServerEchoChanged(serverEchoes);
        }
    };
}

CBrumbleDoc::~CBrumbleDoc()
{
    m_logFile.reset();
    m_socket.reset();
    DeleteFeatureObjects();
}

bool CBrumbleDoc::OnNewDocument()
{
    const std::string host = m_services.app.nextHost;
    const unsigned port = m_services.app.nextPort;
    if (host.empty())
        return false;
    SetTitle(host);
    return OpenSession(host, port);
}

bool CBrumbleDoc::OpenSession(const std::string& host, unsigned port)
{
    // A live connection is dropped silently: the user already agreed to disconnect.
    const bool hadSocket = m_socket != nullptr;
    m_socket.reset();
    // A window reopened on another port must treat byte 255 as that port needs, and a
    // sequence the old server left unfinished must not swallow the new server's first bytes.
    // "Telnet Always" (per host) interprets telnet on every port and lets the server echo.
    const bool telnetAlways = m_services.settings.ReadInt(host, "Telnet Always", 0) == 1;
    SetTelnetOptions(port == 23 || telnetAlways);
    m_filter.StartConnection();
    m_filter.SetAcceptEcho(telnetAlways);
    ReadTextOptions(host);
    // Auto sends Latin-1 again until this server shows that it speaks UTF-8.
    m_serverSentUtf8 = false;
    m_utf8Tail.clear();

    m_socket = std::make_unique<CTelnetSocket>(m_services.messages);
    if (m_services.settings.ReadInt(host, "TLS", 0) == 1) {
        m_socket->UseTls(true, [this, host](const CTlsCertificate& certificate) {
            return CertificateTrust::Decide(m_services.settings, m_services.messages, host,
                                            certificate);
        });
    }
    // A handle that cannot be created makes Connect fail with its own message.
    m_socket->SetDocument(this);
    if (!m_socket->Connect(host, port)) {
        m_socket.reset();
        if (hadSocket) {
            // The window had a connection a moment ago: it must not go on looking connected.
            UpdateTitle();
            for (CSessionView* view : ViewsSnapshot()) {
                if (HasView(view))
                    view->OnConnectionChanged(false);
            }
        }
        return false;
    }
    CreateFeatureObjects(host);
    return true;
}

void CBrumbleDoc::CreateFeatureObjects(const std::string& host)
{
    // Each feature object loads the host's settings when constructed; a reconnect gets
    // fresh ones. Order: auto-log, highlights, triggers, timed text, function keys,
    // keypad, aliases, scripts, @image.
    DeleteFeatureObjects();
    m_autoLog = std::make_unique<CAutoLogDlg>(m_services, host);
    m_highlights = std::make_unique<CColouredTextDlg>(m_services, host);
    m_triggers = std::make_unique<CTriggersDlg>(m_services, host);
    m_timedText = std::make_unique<CTimedTextDlg>(m_services, host);
    m_functionKeys = std::make_unique<CShortcutsDlg>(m_services, host);
    m_keypad = std::make_unique<CKeypadDlg>(m_services, host);
    m_aliases = std::make_unique<CAliasesDlg>(m_services, host);
    m_scripts = std::make_unique<CScriptingDlg>(m_services, host);
    m_imageSettings = std::make_unique<CAtImageDlg>(m_services, host);
}

void CBrumbleDoc::DeleteFeatureObjects()
{
    // Deleted in the order they are created (see CreateFeatureObjects).
    m_autoLog.reset();
    m_highlights.reset();
    m_triggers.reset();
    m_timedText.reset();
    m_functionKeys.reset();
    m_keypad.reset();
    m_aliases.reset();
    m_scripts.reset();
    m_imageSettings.reset();
}

void CBrumbleDoc::OnConnectionChanged(bool connected)
{
    StopServerEcho(); // the echo a server asked for ends with its connection
    if (connected) {
        m_filter.SetLastTextEndedLine(false);
        m_connectTime = QDateTime::currentDateTime();
        for (CSessionView* view : ViewsSnapshot()) {
            if (!HasView(view))
                continue;
            view->OnConnectionChanged(true);
            if (m_timedText && HasView(view))
                view->SetTimedTextTimer(static_cast<int>(m_timedText->GetInterval()));
        }
        return;
    }
    UpdateTitle();
    for (CSessionView* view : ViewsSnapshot()) {
        if (HasView(view))
            view->OnConnectionChanged(false);
    }
    m_services.messages.ShowMessage(LoadString(8004) + GetHostName(),
                                    CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
}

bool CBrumbleDoc::IsConnected() const
{
    return m_socket && m_socket->IsConnected();
}

const std::string& CBrumbleDoc::GetHostName() const
{
    static const std::string kNoHost;
    return m_socket ? m_socket->GetHost() : kNoHost;
}

void CBrumbleDoc::UpdateTitle()
{
    if (!IsConnected()) {
        SetTitle(LoadString(8006));
        return;
    }
    // Counted from the connect time itself, so the minutes never lag behind the timer.
    std::string title =
        ConnectedTitle(GetHostName(), m_connectTime.secsTo(QDateTime::currentDateTime()));
    if (m_socket->IsSecure()) {
        std::string secure = LoadString(8446);
        secure.replace(secure.find("%1"), 2, m_socket->TlsVersion());
        title += secure;
    }
    SetTitle(title);
}

std::string CBrumbleDoc::ConnectedTitle(const std::string& host, long long seconds)
{
    // A clock set back must not give a negative time.
    seconds = std::max(0LL, seconds);
    char times[96];
    std::snprintf(times, sizeof times, " (connected for %lld hours and %d minutes)", seconds / 3600,
                  static_cast<int>(seconds % 3600 / 60));
    // The host goes in as it is, never through a format (it may hold a "%").
    return host + times;
}

void CBrumbleDoc::SetTitle(const std::string& title)
{
    m_title = title;
    Q_EMIT TitleChanged(
        QString::fromLatin1(m_title.data(), static_cast<qsizetype>(m_title.size())));
}

void CBrumbleDoc::SendCommand(std::string_view text)
{
    if (m_serverSentUtf8 && Encoding() == CTextEncoding::Kind::Auto) {
        SendRaw(CTextEncoding::ToUtf8FromAuto(text));
        return;
    }
    SendRaw(text);
}

CTextEncoding::Kind CBrumbleDoc::Encoding()
{
    return ReadHostEncoding(m_services.settings, GetHostName());
}

bool CBrumbleDoc::EncodeTyped(const QString& text, std::string& out)
{
    return CTextEncoding::Encode(Encoding(), text, m_serverSentUtf8, out);
}

void CBrumbleDoc::NoteUtf8(std::string_view text)
{
    if (m_serverSentUtf8 || text.empty())
        return;
    // A sequence cut across reads counts too: it lies within the last three bytes of the
    // read before and the first three of this one.
    if (!m_utf8Tail.empty()) {
        m_utf8Tail.append(text.substr(0, 3));
        m_serverSentUtf8 = CTextEncoding::HasUtf8Sequence(m_utf8Tail);
    }
    m_serverSentUtf8 = m_serverSentUtf8 || CTextEncoding::HasUtf8Sequence(text);
    m_utf8Tail.assign(text.substr(text.size() - std::min<std::size_t>(3, text.size())));
}

void CBrumbleDoc::SendRaw(std::string_view text)
{
    if (!m_socket)
        return;
    if (!m_socket->IsConnected()) {
        m_services.sound.Beep();
        return;
    }
    m_socket->SendText(text);
    // What is typed while the server echoes (a password) is written nowhere.
    if (ServerEchoes())
        return;
    if (m_logFile && LogCommandsEnabled() != 0)
        WriteLog(text);
    if (IsAutoLogging() && AutoLogCommandsEnabled() != 0)
        m_autoLog->WriteAutoLog(text);
}

void CBrumbleDoc::SendTimedText()
{
    if (!m_timedText || !IsConnected())
        return;
    std::string text = m_timedText->NextText();
    if (text.empty())
        return;
    text += "\r\n";
    if (m_serverSentUtf8 && Encoding() == CTextEncoding::Kind::Auto)
        text = CTextEncoding::ToUtf8FromAuto(text);
    m_socket->SendText(text);
}

bool CBrumbleDoc::EditTriggers(const std::function<bool(CTriggersDlg&)>& runDialog)
{
    return m_triggers && runDialog && runDialog(*m_triggers);
}

bool CBrumbleDoc::EditScripts(const std::function<bool(CScriptingDlg&)>& runDialog)
{
    return m_scripts && runDialog && runDialog(*m_scripts);
}

bool CBrumbleDoc::EditTimedText(const std::function<bool(CTimedTextDlg&)>& runDialog)
{
    if (!m_timedText || !runDialog || !runDialog(*m_timedText))
        return false;
    if (!m_views.empty() && m_timedText)
        m_views.front()->SetTimedTextTimer(static_cast<int>(m_timedText->GetInterval()));
    return true;
}

void CBrumbleDoc::OnReceiveText(std::string_view text)
{
    Receive(text, false);
}

void CBrumbleDoc::BeginReadReport()
{
    if (m_inReadReport)
        return;
    m_inReadReport = true;
    m_keptLimitInReport = false;
    if (m_socket)
        m_socket->HoldSends(true);
    // Should the report be cut short without its end (the socket closed under it), the
    // views still catch up as soon as the event loop runs.
    QTimer::singleShot(0, this, [this] { EndReadReport(); });
}

void CBrumbleDoc::EndReadReport()
{
    m_inReadReport = false;
    UpdateViews();
    if (m_socket)
        m_socket->HoldSends(false);
}

void CBrumbleDoc::UpdateViews()
{
    // A script's answer echoed while the views are being told comes round again here.
    if (m_updatingViews)
        return;
    m_updatingViews = true;
    while (m_viewsBehind) {
        m_viewsBehind = false;
        const int added = std::exchange(m_unshownLines, 0);
        for (CSessionView* view : ViewsSnapshot()) {
            if (HasView(view))
                view->AddText(added, m_unshownLastComplete);
        }
        TrimLines();
    }
    m_updatingViews = false;
}

void CBrumbleDoc::TrimLines()
{
    const long long excess = static_cast<long long>(m_lines.size()) - KeptLineBufferLimit();
    if (excess <= 0)
        return;
    for (CSessionView* view : ViewsSnapshot()) {
        if (HasView(view))
            view->RemoveLines(static_cast<int>(excess));
    }
    m_filter.DropFrontLines(static_cast<int>(excess));
    m_localLines.erase(m_localLines.begin(),
                       m_localLines.begin() +
                           static_cast<std::ptrdiff_t>(std::min<long long>(
                               excess, static_cast<long long>(m_localLines.size()))));
}

void CBrumbleDoc::EchoText(std::string_view text)
{
    Receive(text, true);
}

void CBrumbleDoc::Receive(std::string_view text, bool local)
{
    if (m_logFile)
        WriteLog(text);
    // Local echo is logged like received text: the log reads as the window shows it.
    if (IsAutoLogging())
        m_autoLog->WriteAutoLog(text);
    // Triggers answer the server only: the user's own echoed words never warn.
    const bool flash = !local && CheckTriggers(text);
    if (!local)
        NoteUtf8(text);

    const auto linesBefore = static_cast<long long>(m_lines.size());
    const auto firstWritten = static_cast<std::size_t>(m_filter.CurrentLine());
    if (local)
        m_filter.FilterLocal(text);
    else
        m_filter.Filter(text);
    const auto added = static_cast<int>(static_cast<long long>(m_lines.size()) - linesBefore);
    // Text is only ever written at the cursor line and below, so the lines from the cursor
    // line on are the ones this text wrote (or created on its way).
    m_localLines.resize(m_lines.size(), false);
    for (std::size_t i = firstWritten; i < m_localLines.size(); ++i)
        m_localLines[i] = local;

    m_unshownLines += added;
    m_unshownLastComplete = m_filter.LastTextEndedLine();
    m_viewsBehind = true;
    for (CSessionView* view : ViewsSnapshot()) {
        if (HasView(view))
            view->FinishLines(m_filter.LastTextEndedLine());
    }
    // Within a read report the views wait for its end, but the buffer keeps its size: the
    // lines it drops meanwhile are never laid out at all.
    if (m_inReadReport)
        TrimLines();
    else
        UpdateViews();
    // Line feeds without text only move the cursor line; lines past it are created when
    // text comes. A server sending nothing but line feeds would make that one huge burst
    // of empty lines, of which all but the last `limit` are trimmed at once anyway, so the
    // cursor is kept within `limit` lines of the buffer's end.
    m_filter.LimitPendingLines(KeptLineBufferLimit());

    if (flash && onFlash)
        onFlash();
}

void CBrumbleDoc::StopServerEcho()
{
    m_filter.SetAcceptEcho(m_filter.AcceptsEcho());
}

bool CBrumbleDoc::CheckTriggers(std::string_view text)
{
    // One piece gives at most one sound and one flash however many triggers it holds. The
    // piece is matched as it came from the socket, before any filtering, and as the
    // continuation of the pieces before it.
    return m_triggers && m_triggers->MatchesReceived(text) && m_triggers->GiveWarning();
}

void CBrumbleDoc::WriteLog(std::string_view bytes)
{
    m_logFile->write(bytes.data(), static_cast<qint64>(bytes.size()));
    m_logFile->flush();
}

bool CBrumbleDoc::IsLogging() const
{
    return m_logFile != nullptr;
}

bool CBrumbleDoc::SetLogFile(const std::optional<std::string>& path)
{
    if (!path) {
        if (!m_logFile)
            return false;
        m_logFile.reset();
        return true;
    }
    m_logFile.reset();
    auto file = std::make_unique<QFile>(
        QString::fromLocal8Bit(path->data(), static_cast<qsizetype>(path->size())));
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_logFile = std::move(file);
    return true;
}

int CBrumbleDoc::LogCommandsEnabled()
{
    const std::string host = GetHostName();
    return host.empty() ? 0 : m_services.settings.ReadInt(host, "LogCommands", 0);
}

int CBrumbleDoc::AutoLogCommandsEnabled()
{
    const std::string host = GetHostName();
    return host.empty() ? 0 : m_services.settings.ReadInt(host, "AutoLogCommands", 0);
}

bool CBrumbleDoc::IsAutoLogging() const
{
    return m_autoLog && m_autoLog->IsAutoLogging();
}

bool CBrumbleDoc::EditAutoLog(CAutoLogEditor& editor)
{
    return m_autoLog && editor.EditAutoLog(*m_autoLog);
}

bool CBrumbleDoc::CopySettingsFrom(
    const std::function<std::optional<std::string>(const std::string&)>& chooseSource, int dpi)
{
    const std::string host = GetHostName();
    if (host.empty() || !m_autoLog)
        return false;
    const std::optional<std::string> source = chooseSource(host);
    if (!source)
        return false;
    // Display options first, then the feature objects in the order they are made; each
    // replaces this window's own settings as well as the host section's.
    COptionsDlg(m_services.settings, host, m_services.random, dpi).CopyFrom(*source);
    m_autoLog->CopyFrom(*source);
    m_highlights->CopyFrom(*source);
    m_triggers->CopyFrom(*source);
    m_timedText->CopyFrom(*source);
    m_functionKeys->CopyFrom(*source);
    m_keypad->CopyFrom(*source);
    m_aliases->CopyFrom(*source);
    m_scripts->CopyFrom(*source);
    m_imageSettings->CopyFrom(*source);
    return true;
}

bool CBrumbleDoc::SaveText(const std::string& path)
{
    QFile file(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // A full disk must not look like a saved file.
    bool ok = true;
    for (const std::string_view line : m_lines) {
        ok = ok && file.write(line.data(), static_cast<qint64>(line.size())) ==
                       static_cast<qint64>(line.size());
        ok = ok && file.write("\r\n", 2) == 2;
    }
    ok = file.flush() && ok;
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

void CBrumbleDoc::ReadTextOptions(const std::string& host)
{
    // Host entries only, 0 by default: no colour, Auto line ends. An unknown line-end value
    // counts as Auto.
    CSettingsStore& store = m_services.settings;
    m_filter.SetColour(store.ReadInt(host, "ANSI Colour", 0) != 0);
    const int lineEnds = store.ReadInt(host, "Line Ends", 0);
    m_filter.SetLineEnds(lineEnds == 1   ? CReceiveFilter::LineEnds::AsSent
                         : lineEnds == 2 ? CReceiveFilter::LineEnds::BareLfEndsLine
                                         : CReceiveFilter::LineEnds::Auto);
}

void CBrumbleDoc::RefreshViews()
{
    if (const std::string host = GetHostName(); !host.empty())
        ReadTextOptions(host);
    for (CSessionView* view : ViewsSnapshot()) {
        if (HasView(view))
            view->CreateDisplayFont(true);
    }
}

void CBrumbleDoc::AddView(CSessionView* view)
{
    if (view && !HasView(view))
        m_views.push_back(view);
}

void CBrumbleDoc::RemoveView(CSessionView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

bool CBrumbleDoc::HasView(const CSessionView* view) const
{
    return std::find(m_views.begin(), m_views.end(), view) != m_views.end();
}

std::optional<std::uint32_t> CBrumbleDoc::GetHighlight(std::string_view line)
{
    std::uint32_t colour = 0;
    if (m_highlights && m_highlights->MatchLine(line, colour))
        return colour;
    return std::nullopt;
}

bool CBrumbleDoc::EditHighlights(const std::function<bool(CColouredTextDlg&)>& edit)
{
    if (!m_highlights || !edit(*m_highlights))
        return false;
    for (CSessionView* view : ViewsSnapshot()) {
        if (HasView(view))
            view->RewrapAll();
    }
    return true;
}

char CBrumbleDoc::GetAliasChar() const
{
    // Without aliases, byte 0 never starts a command line, so nothing is expanded.
    return m_aliases ? m_aliases->GetAliasChar() : 0;
}

void CBrumbleDoc::ExpandAlias(std::string& line)
{
    if (m_aliases)
        m_aliases->ExpandAlias(line);
}

bool CBrumbleDoc::FindShortcut(std::uint32_t keyCode, std::string& text) const
{
    return m_functionKeys && m_functionKeys->FindShortcut(keyCode, text);
}

bool CBrumbleDoc::FindKeypadCommands(std::uint32_t keyCode, std::string& text) const
{
    if (!m_keypad) {
        text.clear();
        return false;
    }
    return m_keypad->FindKeypadCommands(keyCode, text);
}

std::string CBrumbleDoc::GetConnectScript(CSessionView* view)
{
    return m_scripts ? m_scripts->RunConnectScripts(view) : std::string();
}

std::string CBrumbleDoc::GetReceiveScript(std::string_view line, CSessionView* view,
                                          std::optional<std::uint32_t>& colour)
{
    return m_scripts ? m_scripts->RunReceiveScripts(line, view, colour) : std::string();
}

std::string CBrumbleDoc::GetTimerScript(int timer, CSessionView* view)
{
    return m_scripts ? m_scripts->RunTimerScripts(timer, view) : std::string();
}

bool CBrumbleDoc::RunsReceiveScripts() const
{
    return m_scripts && m_scripts->HasReceiveScripts();
}

void CBrumbleDoc::FindScriptCandidates(std::size_t first, std::size_t last,
                                       std::vector<std::uint8_t>& out)
{
    if (!m_scripts) {
        out.assign(last - first, 0);
        return;
    }
    m_candidateLines.clear();
    for (std::size_t i = first; i < last; ++i)
        m_candidateLines.push_back(m_lines[i]);
    m_scripts->ReceiveCandidates(m_candidateLines, out);
}

bool CBrumbleDoc::DetectsImageUrls(const CSessionView* view) const
{
    return LooksForUrls(view) && m_imageSettings->DetectsUrls();
}

bool CBrumbleDoc::LooksForUrls(const CSessionView* view) const
{
    // Only the window the user works in looks for URLs, and none while a dialog is open.
    return m_imageSettings && view != nullptr && view == m_services.app.InputView();
}

void CBrumbleDoc::DetectImageUrls(std::string_view line, CSessionView* view)
{
    if (!LooksForUrls(view))
        return;
    const std::optional<CFoundUrl> found = m_imageSettings->DetectUrls(line);
    if (found && onFoundUrl)
        onFoundUrl(*found);
}

int CBrumbleDoc::KeptLineBufferLimit()
{
    // Asked after every piece of received text, thousands of times a second in a flood. A
    // read report lasts a few milliseconds: the limit found at its first piece holds for the
    // rest, and outside reports the store is read again only when it or the host changed.
    if (m_inReadReport && m_keptLimitInReport)
        return m_limitInReport;
    m_keptLimitInReport = m_inReadReport;
    m_limitInReport = m_keptLimit.Get(m_services.settings, GetHostName(),
                                      [this] { return LineBufferLimit(); });
    return m_limitInReport;
}

int CBrumbleDoc::LineBufferLimit()
{
    const int displayLines = m_services.settings.ReadInt("Display", "Lines", kDefaultLineBuffer);
    const std::string host = GetHostName();
    // Without a connection there is no host section; reading one named "" would create it.
    const int limit = host.empty() ? displayLines
                                   : m_services.settings.ReadInt(host, "Line Buffer", displayLines);
    return std::max(limit, 1);
}
