// The @image settings and the URL detector: which URL a received line yields, and what is
// done with it (shown, asked about, opened).
#include <gtest/gtest.h>

#include <QUrl>

#include <optional>
#include <string>
#include <vector>

#include "common/TestServices.h"
#include "image/AtImageDlg.h"
#include "image/FoundUrlHandler.h"
#include "settings/SettingsStore.h"

namespace {

using Settings = CAtImageDlg::Settings;

class AtImage : public ::testing::Test, public brumble::test::CTestServices {
protected:
    std::optional<CFoundUrl> Detect(const Settings& s, const std::string& line)
    {
        CAtImageDlg detector(services, "mud");
        detector.SetSettings(s);
        return detector.DetectUrls(line);
    }
};

Settings Pictures(std::string trigger = "(@image)")
{
    Settings s;
    s.enabled = true;
    s.imageTrigger = std::move(trigger);
    return s;
}

Settings Browser(std::string prefix = "http://", bool ask = true)
{
    Settings s;
    s.enabled = true;
    s.displayMode = CAtImageDlg::kBrowser;
    s.urlPrefix = std::move(prefix);
    s.askFirst = ask;
    return s;
}

TEST_F(AtImage, DetectorEdgeCases)
{
    constexpr int kNone = -1;
    const struct {
        Settings settings;
        std::string line;
        int kind;
        std::string url;
    } cases[] = {
        // Pictures: the trigger, one space, an http URL naming a GIF or JPEG.
        {Pictures(), "You see (@image) http://x.org/a/Cat.GIF here", 0, "http://x.org/a/Cat.GIF"},
        {Pictures(), "(@image) http://x.org/cat.png then (@image) http://y.org/dog.jpg!", kNone,
         ""},
        {Pictures(), "(@image) http://x.org/cat.png then (@image) http://y.org/dog.jpg", 0,
         "http://y.org/dog.jpg"},
        {Pictures(), "(@image)  http://x.org/cat.gif", kNone, ""},
        {Pictures(), "(@image) http://x.org/cat.jpeg\"more", 0, "http://x.org/cat.jpeg"},
        {Pictures(), "(@image) https://x.org/cat.Jpg", 0, "https://x.org/cat.Jpg"},
        {Pictures(), "(@image) http://a.gif", 0, "http://a.gif"},
        {Pictures(), "(@image) http://g", kNone, ""}, // not more than L + 9 characters
        {Pictures("[pic]"), "[pic] http://x.org/1.gif", 0, "http://x.org/1.gif"},
        {Pictures(), "(@IMAGE) http://x.org/cat.gif", kNone, ""},
        // Browser: anything starting with the prefix, cut at a space, quote or parenthesis.
        {Browser(), "(see http://x.org/page) now", 1, "http://x.org/page"},
        {Browser("http://", false), "see http://x.org/page now", 2, "http://x.org/page"},
        {Browser(), "http://x.", kNone, ""},    // prefix + 2 more characters
        {Browser(), "a http://x.o", kNone, ""}, // not more than prefix + 3
        {Browser(), "a http://x.or", 1, "http://x.or"},
        {Browser("www.", false), "go to www.x.org/a", 2, "www.x.org/a"},
        // A web address is only opened unasked when it is one; a local file never is.
        {Browser("file:", false), "file:///etc/passwd", 1, "file:///etc/passwd"},
        {Browser("", false), "http://x.org/page", kNone, ""},
        {Browser("mailto:", false), "write to mailto:me@x.org", 1, "mailto:me@x.org"},
    };
    for (const auto& c : cases) {
        const std::optional<CFoundUrl> found = Detect(c.settings, c.line);
        if (c.kind == kNone) {
            EXPECT_FALSE(found) << c.line << " gave " << (found ? found->url : "");
            continue;
        }
        ASSERT_TRUE(found) << c.line;
        EXPECT_EQ(found->kind, c.kind) << c.line;
        EXPECT_EQ(found->url, c.url) << c.line;
    }

    Settings off = Pictures();
    off.enabled = false;
    EXPECT_FALSE(Detect(off, "(@image) http://x.org/cat.gif"));
}

TEST_F(AtImage, SettingsLoadSaveAndCopyFromAnotherHost)
{
    CAtImageDlg fresh(services, "mud");
    EXPECT_EQ(fresh.GetSettings(), Settings());

    settings.WriteInt("other", "AtImage Enabled", 1);
    settings.WriteInt("other", "AtImage Display", 1);
    settings.WriteString("other", "AtImage Trigger", "<img>");
    settings.WriteString("other", "AtImage URLs", "https://");
    settings.WriteInt("other", "AtImage Ask", 0);
    const Settings expected{true, 1, "<img>", "https://", false};
    EXPECT_EQ(CAtImageDlg(services, "other").GetSettings(), expected);

    fresh.CopyFrom("other");
    EXPECT_EQ(fresh.GetSettings(), expected);
    EXPECT_EQ(CAtImageDlg(services, "mud").GetSettings(), expected);
    EXPECT_EQ(settings.ReadString("mud", "AtImage URLs", ""), "https://");
}

class FoundUrls : public ::testing::Test, public brumble::test::CTestServices {
protected:
    std::chrono::milliseconds now{100000};
    std::vector<std::string> pictures;
    std::vector<QString> opened;
    bool openWorks = true;
    CFoundUrlHandler handler{messages, [this](const std::string& url) { pictures.push_back(url); },
                             [this](const QUrl& url) {
                                 opened.push_back(url.toString());
                                 return openWorks;
                             },
                             [this] { return now; }};
};

TEST_F(FoundUrls, PicturesGoToTheWindowBrowserUrlsAreAskedAboutOrOpened)
{
    EXPECT_TRUE(handler.Handle({0, "http://x.org/a.gif"}));
    EXPECT_EQ(pictures, std::vector<std::string>{"http://x.org/a.gif"});

    messages.QueueAnswer(CMessageSink::Answer::No);
    EXPECT_FALSE(handler.Handle({1, "http://x.org/no"}));
    messages.QueueAnswer(CMessageSink::Answer::Yes);
    EXPECT_TRUE(handler.Handle({1, "http://x.org/yes"}));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "Do you wish to view the URL: http://x.org/no");
    EXPECT_EQ(messages.shown[0].icon, CMessageSink::Icon::Question);
    EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);

    EXPECT_TRUE(handler.Handle({2, "http://x.org/unasked"}));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(opened, (std::vector<QString>{QStringLiteral("http://x.org/yes"),
                                            QStringLiteral("http://x.org/unasked")}));

    openWorks = false;
    EXPECT_FALSE(handler.Handle({2, "http://x.org/nobrowser"}));
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[2].text,
              "Unable to display URL. No default browser has been installed.");
    EXPECT_EQ(messages.shown[2].icon, CMessageSink::Icon::Exclamation);
}

TEST_F(FoundUrls, LocalUrlsAreAlwaysAskedAboutEvenWhenTheRequestSaysOpen)
{
    messages.QueueAnswer(CMessageSink::Answer::No);
    EXPECT_FALSE(handler.Handle({2, "file:///etc/passwd"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Do you wish to view the URL: file:///etc/passwd");
    EXPECT_TRUE(opened.empty());
}

TEST_F(FoundUrls, OneAtATimeAndARepeatWithinSecondsIsTakenOnce)
{
    // Another URL arriving while the question is open is dropped, not stacked.
    class NestingSink final : public CMessageSink {
    public:
        std::function<void()> whileOpen;
        int asked = 0;
        Answer ShowMessage(const std::string&, Icon, Buttons) override
        {
            ++asked;
            if (whileOpen)
                whileOpen();
            return Answer::Yes;
        }
    } sink;
    std::vector<QString> open;
    CFoundUrlHandler nested(
        sink, nullptr,
        [&](const QUrl& url) {
            open.push_back(url.toString());
            return true;
        },
        [this] { return now; });
    sink.whileOpen = [&] { EXPECT_FALSE(nested.Handle({1, "http://x.org/second"})); };
    EXPECT_TRUE(nested.Handle({1, "http://x.org/first"}));
    EXPECT_EQ(sink.asked, 1);
    EXPECT_EQ(open, std::vector<QString>{QStringLiteral("http://x.org/first")});

    // The same URL again at once is dropped; after the repeat window it is taken again.
    sink.whileOpen = nullptr;
    EXPECT_FALSE(nested.Handle({1, "http://x.org/first"}));
    now += CFoundUrlHandler::kRepeatWindow;
    EXPECT_TRUE(nested.Handle({1, "http://x.org/first"}));
    EXPECT_TRUE(handler.Handle({0, "http://x.org/a.gif"}));
    EXPECT_FALSE(handler.Handle({0, "http://x.org/a.gif"}));
    EXPECT_TRUE(handler.Handle({0, "http://x.org/b.gif"}));
    EXPECT_EQ(pictures.size(), 2u);
}

} // namespace
