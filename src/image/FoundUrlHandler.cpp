#include "image/FoundUrlHandler.h"

#include "base/MessageSink.h"
#include "image/AtImageDlg.h"
#include "image/ImageResources.h"
#include "res/StringTable.h"

CFoundUrlHandler::CFoundUrlHandler(CMessageSink& messages,
                                   std::function<void(const std::string&)> showPicture,
                                   std::function<bool(const QUrl&)> openUrl, Clock clock)
    : m_messages(messages), m_showPicture(std::move(showPicture)), m_openUrl(std::move(openUrl)),
      m_clock(std::move(clock))
{
}

CFoundUrlHandler::Clock CFoundUrlHandler::SteadyClock()
{
    return [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    };
}

bool CFoundUrlHandler::IsRepeat(const std::string& url, std::chrono::milliseconds now) const
{
    return m_hasLast && url == m_lastUrl && now - m_lastTime < kRepeatWindow;
}

bool CFoundUrlHandler::Handle(const CFoundUrl& found)
{
    // A question is open (this is a nested event loop): the user deals with one URL at a time.
    if (m_busy)
        return false;
    const std::chrono::milliseconds now = m_clock();
    if (IsRepeat(found.url, now))
        return false;
    m_lastUrl = found.url;
    m_lastTime = now;
    m_hasLast = true;

    if (found.kind == CFoundUrl::kShowPicture) {
        if (m_showPicture)
            m_showPicture(found.url);
        return true;
    }

    const QUrl url = CAtImageDlg::ParseUrl(found.url);
    if (!url.isValid())
        return false;
    // Only web addresses are ever opened unasked, whatever the request says.
    if (found.kind != CFoundUrl::kOpen || !CAtImageDlg::IsWebUrl(url)) {
        m_busy = true;
        const CMessageSink::Answer answer =
            m_messages.ShowMessage(LoadString(ImageResources::kMsgAskViewUrl) + found.url,
                                   CMessageSink::Icon::Question, CMessageSink::Buttons::YesNo);
        m_busy = false;
        // The time runs from the answer, so that a link repeated while the box was up is
        // not asked about again straight away.
        m_lastTime = m_clock();
        if (answer != CMessageSink::Answer::Yes)
            return false;
    }
    if (!m_openUrl || !m_openUrl(url)) {
        m_messages.ShowMessage(LoadString(ImageResources::kMsgNoBrowser),
                               CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
        return false;
    }
    return true;
}
