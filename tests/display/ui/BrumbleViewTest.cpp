#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QScrollBar>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "display/ui/BrumbleView.h"
#include "display/ui/CommandLineHost.h"
#include "script/RandomGenerator.h"
#include "session/AppServices.h"
#include "session/AppState.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

namespace {

using brumble::test::CRecordingMessageSink;
using brumble::test::CRecordingSoundPlayer;
using brumble::test::CScriptedServer;
using brumble::test::ScopedTempDir;
using brumble::test::WaitUntil;

const std::string kHost = "127.0.0.1";

// The frame's side of the command line: a text, a newest-first history, and a paste that
// sends the complete lines through the view, all recorded.
class CFakeCommandLine final : public CCommandLineHost {
public:
    std::string GetCommandText() const override { return text; }
    void AddToHistory(const std::string& entry, int limit) override
    {
        limits.push_back(limit);
        while (limit > 0 && static_cast<int>(history.size()) >= limit)
            history.pop_back();
        history.insert(history.begin(), entry);
    }
    void ClearCommandText() override { text.clear(); }
    void PasteIntoCommandLine(CBrumbleView& view, const std::string& pasted) override
    {
        this->pasted.push_back(pasted);
        text += pasted;
        const std::size_t end = text.find_last_of("\r\n");
        if (end != std::string::npos) {
            view.SendLine(text.substr(0, end + 1));
            text.erase(0, end + 1);
        }
    }
    void EnableCommandLine(bool enable) override { enabled.push_back(enable); }
    void FocusCommandLine() override { ++focused; }

    std::string text;
    std::vector<std::string> history;
    std::vector<int> limits;
    std::vector<std::string> pasted;
    std::vector<bool> enabled;
    int focused = 0;
};

// A server on the loopback that sends lines as fast as the client takes them, from its own
// thread, until it has sent its limit or is stopped.
class CFloodServer {
public:
    explicit CFloodServer(std::size_t limit) : m_limit(limit)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~CFloodServer()
    {
        m_stop = true;
        // A send blocked on a client that no longer reads ends with the shutdown.
        if (m_client >= 0)
            ::shutdown(m_client, SHUT_RDWR);
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        if (m_client >= 0)
            ::close(m_client);
        ::close(m_listener);
    }
    unsigned Port() const { return m_port; }
    std::size_t Sent() const { return m_sent; }

private:
    void Run()
    {
        m_client = ::accept(m_listener, nullptr, nullptr);
        if (m_client < 0)
            return;
        std::string block;
        for (int i = 0; block.size() < 64 * 1024; ++i)
            block += "\x1b[1;32mA flooding line " + std::to_string(i) + "\x1b[0m\twith a tab\r\n";
        while (!m_stop && m_sent < m_limit) {
            const ssize_t n = ::send(m_client, block.data(), block.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            m_sent += static_cast<std::size_t>(n);
        }
    }

    std::size_t m_limit;
    int m_listener = -1;
    std::atomic<int> m_client{-1};
    unsigned m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_sent{0};
    std::thread m_thread;
};

class BrumbleViewTest : public testing::Test {
protected:
    BrumbleViewTest()
        : settings(dir.File("settings.db")), services{settings, messages, sound, random, app}
    {
        // Pixel checks need a known font.
        settings.WriteString("Display", "Font Face", "DejaVu Sans Mono");
        settings.WriteInt("Display", "Font Size", -16);
        doc = std::make_unique<CBrumbleDoc>(services);
        view = std::make_unique<CBrumbleView>(*doc, services, &frame);
        view->resize(400, 300);
        view->show();
    }
    ~BrumbleViewTest() override
    {
        view.reset();
        doc.reset();
    }

    // Connects the session to the scripted server on the loopback.
    void Connect()
    {
        ASSERT_TRUE(doc->OpenSession(kHost, server.Port()));
        ASSERT_TRUE(server.WaitForClient());
        ASSERT_TRUE(WaitUntil([this] { return doc->IsConnected(); }));
    }
    // Sends text from the server and waits until the session has the last line.
    void Receive(const QByteArray& bytes, const std::string& lastLine)
    {
        server.Send(bytes);
        ASSERT_TRUE(WaitUntil(
            [&] { return !doc->GetLines().empty() && doc->GetLines().back() == lastLine; }));
    }
    std::vector<std::string> RowTexts() const
    {
        std::vector<std::string> rows;
        for (const auto& row : view->Model().Rows())
            rows.push_back(row.text);
        return rows;
    }
    bool RowsContain(const std::string& text) const
    {
        for (const auto& row : view->Model().Rows()) {
            if (row.text == text)
                return true;
        }
        return false;
    }
    QByteArray Numbered(int from, int count) const
    {
        QByteArray bytes;
        for (int i = from; i < from + count; ++i)
            bytes += "line " + QByteArray::number(i) + "\r\n";
        return bytes;
    }

    ScopedTempDir dir;
    CSettingsStore settings;
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services;
    CScriptedServer server;
    CFakeCommandLine frame;
    std::unique_ptr<CBrumbleDoc> doc;
    std::unique_ptr<CBrumbleView> view;
};

TEST_F(BrumbleViewTest, ConnectingEnablesTheCommandLineAndSendsTheFirstCommandOnce)
{
    ASSERT_FALSE(frame.enabled.empty());
    EXPECT_FALSE(frame.enabled.back()); // shown before the connection: disabled

    app.pendingCommand = "connect guest";
    Connect();
    EXPECT_TRUE(frame.enabled.back());
    EXPECT_TRUE(view->IsWindowTimerActive(CBrumbleView::kTitleTimer));
    EXPECT_EQ(view->WindowTimerInterval(CBrumbleView::kTitleTimer), 60000);
    ASSERT_TRUE(server.WaitForReceived(15));
    EXPECT_EQ(server.Received(), QByteArray("connect guest\r\n"));
    EXPECT_TRUE(app.pendingCommand.empty());
    EXPECT_NE(doc->Title().find("connected for 0 hours"), std::string::npos);

    // The peer closes: the command line is disabled and the title timer stops.
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([this] { return !doc->IsConnected(); }));
    EXPECT_FALSE(frame.enabled.back());
    EXPECT_FALSE(view->IsWindowTimerActive(CBrumbleView::kTitleTimer));
    EXPECT_EQ(server.Received(), QByteArray("connect guest\r\n"));
}

TEST_F(BrumbleViewTest, EnterSendsTheLineWithCrLfAndKeepsItInTheHistory)
{
    Connect();
    frame.text = "look";
    view->OnEnter();
    frame.text = "";
    view->OnEnter(); // an empty line sends a bare line end
    frame.text = "look";
    view->OnEnter();
    ASSERT_TRUE(server.WaitForReceived(14));
    EXPECT_EQ(server.Received(), QByteArray("look\r\n\r\nlook\r\n"));
    EXPECT_TRUE(frame.text.empty());
    // Every send adds an entry, duplicates and empty ones too, with the default limit.
    EXPECT_EQ(frame.history, (std::vector<std::string>{"look", "", "look"}));
    EXPECT_EQ(frame.limits, (std::vector<int>{50, 50, 50}));

    // The limit comes from the host's "History", defaulting to "Display"/"Commands".
    settings.WriteInt("Display", "Commands", 3);
    for (const char* command : {"a", "b", "c", "d"}) {
        frame.text = command;
        view->OnEnter();
    }
    EXPECT_EQ(frame.history, (std::vector<std::string>{"d", "c", "b"}));
    settings.WriteInt(kHost, "History", 7);
    frame.text = "e";
    view->OnEnter();
    EXPECT_EQ(frame.limits.back(), 7);
}

TEST_F(BrumbleViewTest, LocalEchoShowsSentTextOnlyWhenExactlyOne)
{
    Connect();
    // On by default: the sent line shows in the scrollback.
    frame.text = "say hello";
    view->OnEnter();
    EXPECT_TRUE(view->IsLocalEcho());
    EXPECT_TRUE(RowsContain("say hello"));

    // Off globally; a host value overrides it; anything but 1 is off.
    settings.WriteInt("Options", "Local Echo", 0);
    EXPECT_FALSE(view->IsLocalEcho());
    frame.text = "say secret";
    view->OnEnter();
    EXPECT_FALSE(RowsContain("say secret"));
    settings.WriteInt(kHost, "Local Echo", 1);
    EXPECT_TRUE(view->IsLocalEcho());
    settings.WriteInt(kHost, "Local Echo", 2);
    EXPECT_FALSE(view->IsLocalEcho());

    // The menu command writes the host entry: on when it was off, off when it was on.
    view->OnToolsLocalEcho();
    EXPECT_EQ(settings.ReadInt(kHost, "Local Echo", -5), 1);
    view->OnToolsLocalEcho();
    EXPECT_EQ(settings.ReadInt(kHost, "Local Echo", -5), 0);
    ASSERT_TRUE(server.WaitForReceived(23));
    EXPECT_EQ(server.Received(), QByteArray("say hello\r\nsay secret\r\n"));
}

TEST_F(BrumbleViewTest, ControlCharactersAreSentOnlyWhenTheHostAllowsThem)
{
    Connect();
    settings.WriteInt("Options", "Local Echo", 0);
    EXPECT_FALSE(view->SendCtrlChar('\x03'));
    settings.WriteInt(kHost, "Send Ctrl", 1);
    EXPECT_TRUE(view->SendCtrlChar('\x03'));
    ASSERT_TRUE(server.WaitForReceived(1));
    EXPECT_EQ(server.Received(), QByteArray("\x03"));
}

TEST_F(BrumbleViewTest, PasteSendsCompleteLinesAndLeavesTheRest)
{
    Connect();
    settings.WriteInt("Options", "Local Echo", 0);
    QGuiApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
    view->OnEditPaste();
    ASSERT_TRUE(server.WaitForReceived(3));
    EXPECT_EQ(server.Received(), QByteArray("a\r\n"));
    EXPECT_EQ(frame.text, "b");

    // Without a line end the text only goes into the command line.
    server.ClearReceived();
    QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
    view->OnEditPaste();
    EXPECT_EQ(frame.text, "bxyz");
    // High Latin-1 characters arrive as their bytes.
    QGuiApplication::clipboard()->setText(QString::fromLatin1("caf\xE9\r\n"));
    view->OnEditPaste();
    ASSERT_TRUE(server.WaitForReceived(10));
    EXPECT_EQ(server.Received(), QByteArray("bxyzcaf\xE9\r\n"));

    // An empty clipboard does nothing.
    QGuiApplication::clipboard()->clear();
    const std::size_t pastes = frame.pasted.size();
    view->OnEditPaste();
    EXPECT_EQ(frame.pasted.size(), pastes);
}

TEST_F(BrumbleViewTest, FollowsTheEndUnlessScrolledBack)
{
    Connect();
    Receive(Numbered(0, 100), "line 99");
    const CRowModel& model = view->Model();
    EXPECT_TRUE(model.AtBottom());
    EXPECT_GT(model.Pos(), 0);
    EXPECT_EQ(model.Rows().back().text, "line 99");
    // The scroll bar shows the model once the gathered repaint has run.
    ASSERT_TRUE(WaitUntil([&] { return view->verticalScrollBar()->value() == model.Pos(); }));
    EXPECT_EQ(view->verticalScrollBar()->maximum(), model.Bottom());
    EXPECT_EQ(view->verticalScrollBar()->pageStep(), model.Page());

    // Paging up through the scroll bar (as the Page Up key does) leaves the end.
    view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int readingAt = model.Pos();
    EXPECT_EQ(readingAt, model.Bottom() - model.Page());
    const std::string reading = model.Rows()[static_cast<std::size_t>(readingAt)].text;
    Receive(Numbered(100, 20), "line 119");
    EXPECT_EQ(model.Pos(), readingAt);
    EXPECT_EQ(model.Rows()[static_cast<std::size_t>(model.Pos())].text, reading);
    EXPECT_FALSE(model.AtBottom());

    // Old lines dropped at the buffer limit: the same text stays in view.
    settings.WriteInt(kHost, "Line Buffer", 110);
    Receive(Numbered(120, 5), "line 124");
    EXPECT_EQ(doc->GetLines().size(), 110u);
    EXPECT_EQ(model.Rows()[static_cast<std::size_t>(model.Pos())].text, reading);

    // Back at the bottom, it follows again.
    view->OnVScroll(CRowModel::Scroll::Bottom);
    Receive(Numbered(125, 3), "line 127");
    EXPECT_TRUE(model.AtBottom());
    EXPECT_EQ(model.Rows().back().text, "line 127");
}

TEST_F(BrumbleViewTest, ScrollingBackWorksWhileTextFloodsIn)
{
    constexpr std::size_t kLimit = 400u * 1024 * 1024;
    std::size_t sentWhenScrolled = 0;
    {
        CFloodServer flood(kLimit);
        ASSERT_TRUE(doc->OpenSession(kHost, flood.Port()));
        const CRowModel& model = view->Model();
        ASSERT_TRUE(WaitUntil([&] { return model.RowCount() > 100; }));
        // Page Up, posted as the key handler does: it must be handled while the server is
        // still sending, not after the flood.
        bool handled = false;
        QMetaObject::invokeMethod(
            view.get(),
            [&] {
                view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
                sentWhenScrolled = flood.Sent();
                handled = true;
            },
            Qt::QueuedConnection);
        ASSERT_TRUE(WaitUntil([&] { return handled; }, 20000));
        EXPECT_FALSE(model.AtBottom());
        // More text does not take the reader back to the end.
        const std::size_t sent = flood.Sent();
        ASSERT_TRUE(WaitUntil([&] { return flood.Sent() > sent + 1024 * 1024; }, 20000));
        QCoreApplication::processEvents();
        EXPECT_FALSE(model.AtBottom());
        EXPECT_GT(model.RowCount(), model.Page());
    }
    EXPECT_LT(sentWhenScrolled, kLimit / 2);
}

TEST_F(BrumbleViewTest, ResizeKeepsTheEndOrTheRelativePosition)
{
    Connect();
    QByteArray longLines;
    for (int i = 0; i < 60; ++i)
        longLines += "row " + QByteArray::number(i) + " with enough words to wrap when narrow\r\n";
    Receive(longLines, "row 59 with enough words to wrap when narrow");
    const CRowModel& model = view->Model();
    ASSERT_TRUE(model.AtBottom());

    view->resize(200, 300);
    EXPECT_TRUE(model.AtBottom());
    EXPECT_GT(model.RowCount(), 60);

    // Scrolled back to about a third: the same fraction after widening again.
    view->ScrollRows(-(model.Pos() * 2 / 3));
    const double fraction = static_cast<double>(model.Pos()) / model.Max();
    view->resize(600, 300);
    EXPECT_FALSE(model.AtBottom());
    EXPECT_NEAR(static_cast<double>(model.Pos()) / model.Max(), fraction, 0.05);

    // The rows are always the lines wrapped at the window's width.
    std::vector<std::string> expected;
    for (const auto& line : doc->GetLines())
        view->WrapLine(line, expected);
    EXPECT_EQ(RowTexts(), expected);
}

TEST_F(BrumbleViewTest, TextArrivingWhileBusyIsShownByTheRetryTimer)
{
    Connect();
    Receive("before\r\n", "before");
    view->Model().SetBusy(true); // as during a mouse selection
    Receive("during\r\n", "during");
    EXPECT_FALSE(RowsContain("during"));
    EXPECT_TRUE(view->IsWindowTimerActive(CBrumbleView::kAddRetryTimer));
    view->Model().SetBusy(false);
    ASSERT_TRUE(WaitUntil([this] { return RowsContain("during"); }));
    EXPECT_FALSE(view->IsWindowTimerActive(CBrumbleView::kAddRetryTimer));
}

TEST_F(BrumbleViewTest, InsertFileSendsEachLineWithCrLf)
{
    Connect();
    settings.WriteInt("Options", "Local Echo", 0);
    const std::string path = dir.File("commands.txt");
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("north\nget all\r\nsay done");
    }
    std::vector<CBrumbleView::FileRequest> requests;
    CSessionView* inputViewDuringDialog = view.get();
    app.SetInputView(view.get());
    view->chooseFile = [&](const CBrumbleView::FileRequest& request) {
        requests.push_back(request);
        inputViewDuringDialog = app.InputView();
        return std::optional<std::string>(path);
    };
    view->OnEditInsertFile();
    ASSERT_TRUE(server.WaitForReceived(26));
    EXPECT_EQ(server.Received(), QByteArray("north\r\nget all\r\nsay done\r\n"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].save);
    // No key interception while the chooser is up; the input view comes back after it.
    EXPECT_EQ(inputViewDuringDialog, nullptr);
    EXPECT_EQ(app.InputView(), view.get());
    EXPECT_TRUE(frame.history.empty());

    // A file that cannot be read: the message, and nothing sent.
    view->chooseFile = [&](const CBrumbleView::FileRequest&) {
        return std::optional<std::string>(dir.File("missing.txt"));
    };
    view->OnEditInsertFile();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open the selected file.");
    // Cancelling the chooser does nothing.
    view->chooseFile = [](const CBrumbleView::FileRequest&) { return std::nullopt; };
    view->OnEditInsertFile();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(server.Received().size(), 26);
}

TEST_F(BrumbleViewTest, SaveTextWritesTheLinesOrSaysWhyNot)
{
    Connect();
    Receive("first\r\nsecond\r\n", "second");
    const std::string path = dir.File("saved.txt");
    std::string defaultName;
    view->chooseFile = [&](const CBrumbleView::FileRequest& request) {
        defaultName = request.defaultName;
        EXPECT_TRUE(request.save);
        return std::optional<std::string>(path);
    };
    view->OnFileSaveText();
    EXPECT_EQ(defaultName, "brumble");
    QFile saved(QString::fromStdString(path));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("first\r\nsecond\r\n"));
    EXPECT_TRUE(messages.shown.empty());

    const std::string bad = dir.File("no such folder/saved.txt");
    view->chooseFile = [&](const CBrumbleView::FileRequest&) {
        return std::optional<std::string>(bad);
    };
    view->OnFileSaveText();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open the selected file (" + bad +
                                          ") for logging. Perhaps the file is read only.");
}

TEST_F(BrumbleViewTest, LogTextStartsAndStopsTheLog)
{
    Connect();
    const std::string path = dir.File("session.log");
    std::string defaultName;
    view->chooseFile = [&](const CBrumbleView::FileRequest& request) {
        defaultName = request.defaultName;
        return std::optional<std::string>(path);
    };
    view->OnToolsLogText();
    EXPECT_EQ(defaultName, "log");
    EXPECT_TRUE(doc->IsLogging());
    Receive("logged\r\n", "logged");
    // A second time the command stops the log without asking for a file.
    defaultName.clear();
    view->OnToolsLogText();
    EXPECT_FALSE(doc->IsLogging());
    EXPECT_TRUE(defaultName.empty());
    QFile log(QString::fromStdString(path));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray("logged\r\n"));

    const std::string bad = dir.File("missing/session.log");
    view->chooseFile = [&](const CBrumbleView::FileRequest&) {
        return std::optional<std::string>(bad);
    };
    view->OnToolsLogText();
    EXPECT_FALSE(doc->IsLogging());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open the selected file (" + bad +
                                          ") for logging. Perhaps the file is read only.");
}

TEST_F(BrumbleViewTest, PaintsRowsInTheStoredColours)
{
    Connect();
    Receive("MMMMMMMM\r\n", "MMMMMMMM");
    view->FlushRepaint();

    // Nothing stored: the window's own background, black text.
    QImage plain = view->viewport()->grab().toImage();
    EXPECT_EQ(plain.pixelColor(plain.width() - 2, plain.height() - 2),
              view->viewport()->palette().color(QPalette::Base));
    bool black = false;
    for (int x = 0; x < 80 && !black; ++x) {
        for (int y = 0; y < view->LineHeight() && !black; ++y)
            black = plain.pixelColor(x, y) == QColor(0, 0, 0);
    }
    EXPECT_TRUE(black);

    // 0x00BBGGRR: a blue background, green text, read again at the next paint.
    settings.WriteInt("Display", "Colour", 0x00FF0000);
    settings.WriteInt(kHost, "Text Colour", 0x0000FF00);
    const QImage coloured = view->viewport()->grab().toImage();
    EXPECT_EQ(coloured.pixelColor(coloured.width() - 2, coloured.height() - 2), QColor(0, 0, 255));
    int green = 0;
    for (int x = 0; x < 80; ++x) {
        for (int y = 0; y < view->LineHeight(); ++y)
            green += coloured.pixelColor(x, y) == QColor(0, 255, 0) ? 1 : 0;
    }
    EXPECT_GT(green, 10);
}

TEST_F(BrumbleViewTest, TheDisplayFontFollowsTheSettings)
{
    EXPECT_EQ(view->DisplayFont().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(view->DisplayFont().pixelSize(), 16);
    Connect();
    // Host entries override the global ones; a refresh rebuilds the font.
    settings.WriteInt(kHost, "Font Size", -20);
    settings.WriteInt(kHost, "Font Weight", 700);
    settings.WriteInt(kHost, "Font Italic", 1);
    doc->RefreshViews();
    EXPECT_EQ(view->DisplayFont().pixelSize(), 20);
    EXPECT_EQ(view->DisplayFont().weight(), QFont::Bold);
    EXPECT_TRUE(view->DisplayFont().italic());
    // Sizes pass through whole points: at 96 dpi, 14 pixels are 10.5, so 11 points, so 15.
    if (view->logicalDpiY() == 96) {
        settings.WriteInt(kHost, "Font Size", -14);
        view->CreateDisplayFont(true);
        EXPECT_EQ(view->DisplayFont().pixelSize(), 15);
    }
    // The width table is the font's; high characters wrap at the widest width.
    EXPECT_EQ(view->CharWidth('M'),
              QFontMetrics(view->DisplayFont()).horizontalAdvance(QLatin1Char('M')));
    EXPECT_EQ(view->CharWidth(0xE9), QFontMetrics(view->DisplayFont()).maxWidth());
    EXPECT_EQ(view->LineHeight(), QFontMetrics(view->DisplayFont()).height());
}

TEST_F(BrumbleViewTest, TimersRunPerIdAndTheInputViewFollowsFocus)
{
    view->SetTimedTextTimer(5);
    EXPECT_EQ(view->WindowTimerInterval(CBrumbleView::kTimedTextTimer), 5000);
    EXPECT_TRUE(view->IsWindowTimerActive(CBrumbleView::kTimedTextTimer));
    view->SetTimedTextTimer(0);
    EXPECT_FALSE(view->IsWindowTimerActive(CBrumbleView::kTimedTextTimer));

    view->SetWindowTimer(CBrumbleView::kFirstScriptTimer + 2, 3000);
    view->SetWindowTimer(CBrumbleView::kFirstScriptTimer + 3, 4000);
    EXPECT_EQ(view->WindowTimerInterval(12), 3000);
    view->KillWindowTimer(12);
    EXPECT_FALSE(view->IsWindowTimerActive(12));
    EXPECT_TRUE(view->IsWindowTimerActive(13));

    view->setFocus();
    ASSERT_TRUE(WaitUntil([this] { return app.InputView() == view.get(); }));
    view.reset();
    EXPECT_EQ(app.InputView(), nullptr);
    EXPECT_TRUE(doc->Views().empty());
}

TEST_F(BrumbleViewTest, PrintsOnePageFromTheScrollPosition)
{
    Connect();
    Receive(Numbered(0, 30), "line 29");
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const std::string path = dir.File("page.pdf");
    printer.setOutputFileName(QString::fromStdString(path));
    ASSERT_TRUE(view->Print(printer));
    QFile pdf(QString::fromStdString(path));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

} // namespace
