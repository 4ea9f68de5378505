#pragma once
// A host's @image settings and the URL detector the session runs on every complete server
// line of the window the user works in. What to do with a found URL is the main frame's
// business (CFoundUrlHandler); the "@image display" dialog (image/ui) edits an object of
// this class; the session owns one per connection.

#include <optional>
#include <string>
#include <string_view>

#include "image/FoundUrl.h"

struct CAppServices;
class QUrl;

class CAtImageDlg final {
public:
    enum DisplayMode { kPopupWindow = 0, kBrowser = 1 };

    struct Settings {
        bool enabled = false;
        int displayMode = kPopupWindow;
        std::string imageTrigger = "(@image)";
        std::string urlPrefix = "http://";
        bool askFirst = true;

        bool operator==(const Settings&) const = default;
    };

    // Loads the host's five entries at once.
    CAtImageDlg(CAppServices& services, std::string hostName);

    void Load(std::string_view section);
    void SaveImageSettings();
    // Takes another host's settings and saves them as this host's.
    void CopyFrom(std::string_view section);

    const Settings& GetSettings() const { return m_settings; }
    // The dialog's OK: the detector uses the new values at once; does not save.
    void SetSettings(const Settings& settings) { m_settings = settings; }
    const std::string& HostName() const { return m_hostName; }

    // The first acceptable URL of line, or none. In picture mode the URL follows the trigger
    // and one space and names a .gif, .jpg or .jpeg; in browser mode it starts with the
    // prefix. A browser URL is opened without a question only when asking is off and it is
    // a web address: the server never decides on its own that a local file or a program
    // handler is opened.
    std::optional<CFoundUrl> DetectUrls(std::string_view line) const;
    // Whether DetectUrls can find anything at all: detection is on, and in browser mode
    // there is a prefix to look for.
    bool DetectsUrls() const;

    // The URL a found text stands for (scheme-less web addresses become http); an invalid
    // one when the text is no URL at all.
    static QUrl ParseUrl(std::string_view text);
    static bool IsWebUrl(const QUrl& url);

private:
    std::optional<std::string> PictureCandidate(std::string_view line, std::size_t found) const;
    std::optional<std::string> BrowserCandidate(std::string_view line, std::size_t found) const;

    CAppServices& m_services;
    std::string m_hostName;
    Settings m_settings;
};
