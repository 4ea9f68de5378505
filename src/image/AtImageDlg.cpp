#include "image/AtImageDlg.h"

#include <QUrl>

#include <cstdint>

#include "base/AppServices.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::string_view kEnabledEntry = "AtImage Enabled";
constexpr std::string_view kDisplayEntry = "AtImage Display";
constexpr std::string_view kTriggerEntry = "AtImage Trigger";
constexpr std::string_view kUrlsEntry = "AtImage URLs";
constexpr std::string_view kAskEntry = "AtImage Ask";

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithNoCase(std::string_view text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    text.remove_prefix(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (Lower(text[i]) != ending[i])
            return false;
    }
    return true;
}

// A URL in a line ends before a space, a double quote or a closing parenthesis.
std::string_view CutAtUrlEnd(std::string_view candidate)
{
    return candidate.substr(0, candidate.find_first_of(" \")"));
}

} // namespace

CAtImageDlg::CAtImageDlg(CAppServices& services, std::string hostName)
    : m_services(services), m_hostName(std::move(hostName))
{
    Load(m_hostName);
}

void CAtImageDlg::Load(std::string_view section)
{
    CSettingsStore& store = m_services.settings;
    const Settings defaults;
    m_settings.enabled = store.ReadInt(section, kEnabledEntry, 0) != 0;
    m_settings.displayMode = store.ReadInt(section, kDisplayEntry, defaults.displayMode);
    m_settings.imageTrigger = store.ReadString(section, kTriggerEntry, defaults.imageTrigger);
    m_settings.urlPrefix = store.ReadString(section, kUrlsEntry, defaults.urlPrefix);
    m_settings.askFirst = store.ReadInt(section, kAskEntry, 1) != 0;
}

void CAtImageDlg::SaveImageSettings()
{
    CSettingsStore& store = m_services.settings;
    store.WriteInt(m_hostName, kEnabledEntry, m_settings.enabled ? 1 : 0);
    store.WriteInt(m_hostName, kDisplayEntry, m_settings.displayMode);
    store.WriteString(m_hostName, kTriggerEntry, m_settings.imageTrigger);
    store.WriteString(m_hostName, kUrlsEntry, m_settings.urlPrefix);
    store.WriteInt(m_hostName, kAskEntry, m_settings.askFirst ? 1 : 0);
}

void CAtImageDlg::CopyFrom(std::string_view section)
{
    m_settings = Settings();
    Load(section);
    SaveImageSettings();
}

std::optional<std::string> CAtImageDlg::PictureCandidate(std::string_view line,
                                                         std::size_t found) const
{
    const std::size_t triggerLength = m_settings.imageTrigger.size();
    std::string_view candidate = line.substr(found);
    if (candidate.size() <= triggerLength + 9)
        return std::nullopt;
    candidate.remove_prefix(triggerLength + 1);
    // Pictures are fetched over https as well as http.
    if (!candidate.starts_with("http://") && !candidate.starts_with("https://"))
        return std::nullopt;
    candidate = CutAtUrlEnd(candidate);
    if (!EndsWithNoCase(candidate, ".gif") && !EndsWithNoCase(candidate, ".jpg") &&
        !EndsWithNoCase(candidate, ".jpeg"))
        return std::nullopt;
    return std::string(candidate);
}

std::optional<std::string> CAtImageDlg::BrowserCandidate(std::string_view line,
                                                         std::size_t found) const
{
    std::string_view candidate = line.substr(found);
    if (candidate.size() <= m_settings.urlPrefix.size() + 3)
        return std::nullopt;
    candidate = CutAtUrlEnd(candidate);
    // Whatever the prefix, only something that reads as a URL is worth a browser.
    if (!ParseUrl(candidate).isValid())
        return std::nullopt;
    return std::string(candidate);
}

bool CAtImageDlg::DetectsUrls() const
{
    // An empty prefix would make the first word of every line a "URL".
    return m_settings.enabled &&
           (m_settings.displayMode == kPopupWindow || !m_settings.urlPrefix.empty());
}

std::optional<CFoundUrl> CAtImageDlg::DetectUrls(std::string_view line) const
{
    if (!DetectsUrls())
        return std::nullopt;
    const bool pictures = m_settings.displayMode == kPopupWindow;
    const std::string search = pictures ? m_settings.imageTrigger + " http" : m_settings.urlPrefix;

    for (std::size_t found = line.find(search); found != std::string_view::npos;
         found = line.find(search, found + 1)) {
        const std::optional<std::string> url =
            pictures ? PictureCandidate(line, found) : BrowserCandidate(line, found);
        if (!url)
            continue;
        if (pictures)
            return CFoundUrl{CFoundUrl::kShowPicture, *url};
        const bool ask = m_settings.askFirst || !IsWebUrl(ParseUrl(*url));
        return CFoundUrl{ask ? CFoundUrl::kAskThenOpen : CFoundUrl::kOpen, *url};
    }
    return std::nullopt;
}

QUrl CAtImageDlg::ParseUrl(std::string_view text)
{
    const QString string = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    // "www.example.org/x" is meant for the browser as much as "http://www.example.org/x".
    QUrl url = QUrl::fromUserInput(string);
    if (!url.isValid() || url.scheme().isEmpty())
        return QUrl();
    return url;
}

bool CAtImageDlg::IsWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() &&
           (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) &&
           !url.host().isEmpty();
}
