#pragma once
// The application object: owns the program-wide services (settings store, message boxes,
// sounds, the random generator, the shared application state) and the main window, runs the
// start-up, opens connection windows, offers to open the desktop's telnet: links, and opens
// the help pages.
//
// Start-up can be kept from asking about telnet: links with the argument --no-telnet-offer
// or the environment variable BRUMBLE_NO_TELNET_OFFER=1 (tests and `make run` use them).
// --help and --version never get this far: main() answers them before Qt starts.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/RandomGenerator.h"

class CChildFrame;
class CKeyDispatcher;
class CMainFrame;
class CMessageBoxSink;
class CMessageSink;
class CSessionView;
class CSettingsStore;
class CSoundPlayer;

class CBrumbleApp final : public QObject {
    Q_OBJECT
public:
    struct Options {
        QStringList arguments; // the program's arguments, without the program name
        // Replacements for the message boxes and the sound device (tests record them).
        CMessageSink* messages = nullptr;
        CSoundPlayer* sound = nullptr;
    };

    explicit CBrumbleApp(Options options);
    ~CBrumbleApp() override;
    CBrumbleApp(const CBrumbleApp&) = delete;
    CBrumbleApp& operator=(const CBrumbleApp&) = delete;

    // The start-up, in order: socket layer, telnet-link offer, main window, the connection
    // named on the command line. False when the program cannot run.
    bool InitInstance();

    // A new connection window for the application's next host and port; none (and nothing
    // left behind) when the session cannot be opened. fromCommandLine keeps the first
    // command for this window; any other window drops a first command that was not used.
    CChildFrame* OpenNewConnectionWindow(bool fromCommandLine);
    // Recent-host entry n (1-16): opens the host with its stored port and moves it to the
    // top of the list; false (nothing happens) when the host is no longer stored.
    bool OpenRecentHost(int n);
    CSessionView* SetInputView(CSessionView* view) { return m_state.SetInputView(view); }

    // The desktop's handler for telnet: links (through xdg-mime, which may be missing). An
    // installed program registers the desktop entry it was installed with; one run from its
    // build folder (or from anywhere the desktop does not look) writes a private entry.
    void OfferTelnetHandler();
    // Writes the private desktop entry that lets the desktop start this program for telnet:
    // links.
    bool InstallDesktopEntry(const QString& programPath) const;
    static QString DesktopExecLine(const QString& programPath);

    // The help context of a connection window (Shift+F1 while one is active).
    static constexpr int kHelpConnectionWindow = 0x20081;
    // Help: contextId 0 opens the contents, another id the topic it maps to. False when the
    // pages cannot be found or opened.
    bool WinHelp(int contextId);
    // Help > About Brumble... and the tool bar's About button: the About box, modally.
    void OnAppAbout();
    // The page to open for a help request; empty when the pages are not installed.
    QUrl HelpUrl(int contextId) const;

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CAppServices& Services() { return m_services; }
    CSettingsStore& Settings() { return *m_settings; }
    bool TelnetOfferWanted() const { return m_telnetOffer; }

    // How URLs are opened (the desktop's browser); tests look instead of launching one.
    std::function<bool(const QUrl&)> openUrl;
    // The xdg-mime program asked about the telnet: handler.
    QString xdgMimeProgram = QStringLiteral("xdg-mime");
    // The program's own file, from which its installed files are found (tests point it into
    // an install of their own).
    QString programPath;

private:
    // Runs xdg-mime with arguments, time-limited; its output, or none when it cannot run.
    std::optional<QString> RunXdgMime(const QStringList& arguments) const;

    CAppState m_state;
    std::unique_ptr<CMessageBoxSink> m_messageBoxes;
    CMessageSink* m_messages = nullptr;
    std::unique_ptr<CSettingsStore> m_settings;
    std::unique_ptr<CSoundPlayer> m_ownSound;
    CSoundPlayer* m_sound = nullptr;
    CRandomGenerator m_random;
    CAppServices m_services;
    std::unique_ptr<CMainFrame> m_mainFrame;
    // Looks at every key before the widgets do (see CKeyDispatcher).
    std::unique_ptr<CKeyDispatcher> m_keyDispatcher;
    std::string m_commandLine;
    bool m_telnetOffer = true;
};
