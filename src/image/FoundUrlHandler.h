#pragma once
// What the main frame does with a URL the detector found: hands a picture URL to the
// picture window, or opens a URL in the desktop's browser, asking first where it should.
// One found URL is handled at a time: while a question is open, further URLs are dropped
// (a flood of links must not stack up boxes or tabs), and the same URL arriving again
// within a few seconds is taken once.

#include <QUrl>

#include <chrono>
#include <functional>
#include <string>

#include "image/FoundUrl.h"

class CMessageSink;

class CFoundUrlHandler final {
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    static constexpr std::chrono::milliseconds kRepeatWindow{3000};

    // showPicture gets picture URLs; openUrl asks the desktop to open a URL and tells
    // whether it could.
    CFoundUrlHandler(CMessageSink& messages, std::function<void(const std::string&)> showPicture,
                     std::function<bool(const QUrl&)> openUrl, Clock clock = SteadyClock());

    // False when the URL was dropped (busy, repeated, or not a URL).
    bool Handle(const CFoundUrl& found);
    bool IsBusy() const { return m_busy; }

    static Clock SteadyClock();

private:
    bool IsRepeat(const std::string& url, std::chrono::milliseconds now) const;

    CMessageSink& m_messages;
    std::function<void(const std::string&)> m_showPicture;
    std::function<bool(const QUrl&)> m_openUrl;
    Clock m_clock;
    bool m_busy = false;
    std::string m_lastUrl;
    std::chrono::milliseconds m_lastTime{0};
    bool m_hasLast = false;
};
