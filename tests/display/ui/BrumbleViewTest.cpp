#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/RandomGenerator.h"
#include "common/ScriptedServer.h"
#include "common/TestSupport.h"
#include "display/ui/BrumbleView.h"
#include "res/TextEncoding.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

namespace {

using namespace brumble::test;

const std::string kHost = "127.0.0.1";

// A loopback server that sends coloured lines from its own thread as fast as the client takes
// them, until it has sent its limit or is destroyed.
class CFloodServer {
public:
    explicit CFloodServer(std::size_t limit)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (m_listener < 0 || ::bind(m_listener, any, length) != 0 ||
            ::listen(m_listener, 1) != 0 || ::getsockname(m_listener, any, &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, limit] {
            m_client = ::accept(m_listener, nullptr, nullptr);
            std::string block;
            for (int i = 0; block.size() < 64 * 1024; ++i)
                block +=
                    "\x1b[1;32mA flooding line " + std::to_string(i) + "\x1b[0m\twith a tab\r\n";
            while (m_client >= 0 && !m_stop && m_sent < limit) {
                const ssize_t n = ::send(m_client, block.data(), block.size(), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                m_sent += static_cast<std::size_t>(n);
            }
        });
    }
    ~CFloodServer()
    {
        m_stop = true;
        if (m_client >= 0) // ends a send blocked on a client that no longer reads
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
    int m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
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
        view = std::make_unique<CBrumbleView>(*doc, services, nullptr);
        view->resize(400, 300);
        view->show();
    }
    ~BrumbleViewTest() override
    {
        view.reset();
        doc.reset();
    }

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
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (const auto& row : view->Model().Rows())
            rows.emplace_back(view->Model().RowText(row));
        return rows;
    }
    bool RowsContain(const std::string& text) const
    {
        const auto rows = Rows();
        return std::find(rows.begin(), rows.end(), text) != rows.end();
    }

    ScopedTempDir dir;
    CSettingsStore settings;
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services;
    CScriptedServer server;
    std::unique_ptr<CBrumbleDoc> doc;
    std::unique_ptr<CBrumbleView> view;
};

TEST_F(BrumbleViewTest, WindowTimersAndTheInputViewFollowingFocus)
{
    Connect();
    EXPECT_TRUE(view->IsWindowTimerActive(CBrumbleView::kTitleTimer));
    EXPECT_EQ(view->WindowTimerInterval(CBrumbleView::kTitleTimer), 60000);
    EXPECT_NE(doc->Title().find("connected for 0 hours"), std::string::npos);
    server.CloseClient();
    ASSERT_TRUE(WaitUntil([this] { return !doc->IsConnected(); }));
    EXPECT_FALSE(view->IsWindowTimerActive(CBrumbleView::kTitleTimer));

    view->SetTimedTextTimer(5);
    EXPECT_EQ(view->WindowTimerInterval(CBrumbleView::kTimedTextTimer), 5000);
    EXPECT_TRUE(view->IsWindowTimerActive(CBrumbleView::kTimedTextTimer));
    view->SetTimedTextTimer(0);
    EXPECT_FALSE(view->IsWindowTimerActive(CBrumbleView::kTimedTextTimer));

    view->setFocus();
    ASSERT_TRUE(WaitUntil([this] { return app.InputView() == view.get(); }));
    view.reset();
    EXPECT_EQ(app.InputView(), nullptr);
    EXPECT_TRUE(doc->Views().empty());
}

TEST_F(BrumbleViewTest, LocalEchoShowsSentTextOnlyWhenExactlyOneAndCtrlNeedsTheHostsLeave)
{
    Connect();
    view->SendLine("say hello\r\n"); // on by default
    EXPECT_TRUE(RowsContain("say hello"));
    // Off globally; a host value overrides it; anything but 1 is off.
    settings.WriteInt("Options", "Local Echo", 0);
    view->SendLine("say secret\r\n");
    EXPECT_FALSE(RowsContain("say secret"));
    settings.WriteInt(kHost, "Local Echo", 1);
    EXPECT_TRUE(view->IsLocalEcho());
    settings.WriteInt(kHost, "Local Echo", 2);
    EXPECT_FALSE(view->IsLocalEcho());
    view->OnToolsLocalEcho(); // the menu command: on when it was off
    EXPECT_EQ(settings.ReadInt(kHost, "Local Echo", -5), 1);

    EXPECT_FALSE(view->SendCtrlChar('\x03'));
    settings.WriteInt(kHost, "Send Ctrl", 1);
    EXPECT_TRUE(view->SendCtrlChar('\x03'));
    ASSERT_TRUE(server.WaitForReceived(24));
    EXPECT_EQ(server.Received(), QByteArray("say hello\r\nsay secret\r\n\x03"));
}

TEST_F(BrumbleViewTest, FollowsTheEndUnlessScrolledBackAndRewrapsOnResize)
{
    Connect();
    const auto lines = [](int from, int count) {
        QByteArray bytes;
        for (int i = from; i < from + count; ++i)
            bytes += "line " + QByteArray::number(i) + " of the text\r\n";
        return bytes;
    };
    settings.WriteInt(kHost, "Line Buffer", 110);
    Receive(lines(0, 100), "line 99 of the text");
    const CRowModel& model = view->Model();
    EXPECT_TRUE(model.AtBottom());
    EXPECT_GT(model.Pos(), 0);
    EXPECT_EQ(model.RowText(model.Rows().back()), "line 99 of the text");
    // The scroll bar shows the model once the gathered repaint has run.
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_TRUE(WaitUntil([&] { return bar->value() == model.Pos(); }));
    EXPECT_EQ(bar->maximum(), model.Bottom());
    EXPECT_EQ(bar->pageStep(), model.Page());

    // Paging up through the scroll bar (as the Page Up key does) leaves the end; while old
    // lines are dropped at the buffer limit, the same text stays in view.
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int readingAt = model.Pos();
    EXPECT_EQ(readingAt, model.Bottom() - model.Page());
    const std::string reading = Rows()[readingAt];
    Receive(lines(100, 25), "line 124 of the text");
    EXPECT_EQ(doc->GetLines().size(), 110u);
    EXPECT_EQ(model.Pos(), readingAt - 15);
    EXPECT_EQ(Rows()[model.Pos()], reading);

    // Narrower, the lines wrap at the new width and the same fraction stays in view.
    const double fraction = static_cast<double>(model.Pos()) / model.Max();
    view->resize(150, 300);
    EXPECT_GT(model.RowCount(), 110);
    EXPECT_NEAR(static_cast<double>(model.Pos()) / model.Max(), fraction, 0.05);
    std::vector<std::string> expected;
    for (const auto& line : doc->GetLines())
        view->WrapLine(line, expected);
    EXPECT_EQ(Rows(), expected);

    // At the bottom it stays there through a resize.
    view->OnVScroll(CRowModel::Scroll::Bottom);
    view->resize(400, 300);
    EXPECT_TRUE(model.AtBottom());

    // Text arriving during a selection drag is shown by the retry timer afterwards.
    view->Model().SetBusy(true);
    Receive("during\r\n", "during");
    EXPECT_FALSE(RowsContain("during"));
    EXPECT_TRUE(view->IsWindowTimerActive(CBrumbleView::kAddRetryTimer));
    view->Model().SetBusy(false);
    ASSERT_TRUE(WaitUntil([this] { return RowsContain("during"); }));
    EXPECT_FALSE(view->IsWindowTimerActive(CBrumbleView::kAddRetryTimer));
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

TEST_F(BrumbleViewTest, FileCommandsAskWithoutAnInputViewAndSayWhenAFileFails)
{
    Connect();
    settings.WriteInt("Options", "Local Echo", 0);
    std::vector<CBrumbleView::FileRequest> requests;
    std::string answer; // empty: cancelled
    CSessionView* inputViewDuringDialog = view.get();
    app.SetInputView(view.get());
    view->chooseFile = [&](const CBrumbleView::FileRequest& request) {
        requests.push_back(request);
        inputViewDuringDialog = app.InputView();
        return answer.empty() ? std::nullopt : std::optional(answer);
    };
    const auto all = [this] {
        view->OnEditInsertFile();
        view->OnFileSaveText();
        view->OnToolsLogText();
    };

    // Insert File sends each line with CR LF, the last one too.
    answer = dir.File("commands.txt");
    QFile commands(QString::fromStdString(answer));
    ASSERT_TRUE(commands.open(QIODevice::WriteOnly));
    commands.write("north\nget all\r\nsay done");
    commands.close();
    view->OnEditInsertFile();
    ASSERT_TRUE(server.WaitForReceived(26));
    EXPECT_EQ(server.Received(), QByteArray("north\r\nget all\r\nsay done\r\n"));
    EXPECT_EQ(inputViewDuringDialog, nullptr);
    EXPECT_EQ(app.InputView(), view.get());
    // Save Text and Log Text ask for a file to write; Log Text again stops without asking.
    answer = dir.File("saved.txt");
    view->OnFileSaveText();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(answer)));
    view->OnToolsLogText();
    EXPECT_TRUE(doc->IsLogging());
    view->OnToolsLogText();
    EXPECT_FALSE(doc->IsLogging());
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].save);
    EXPECT_TRUE(requests[1].save && requests[2].save);
    EXPECT_EQ(requests[1].defaultName, "brumble");
    EXPECT_EQ(requests[2].defaultName, "log");
    EXPECT_TRUE(messages.shown.empty());

    // Files that cannot be opened: a message each, naming an accented path as typed (the
    // chooser gives UTF-8, messages are Latin-1); nothing sent or logged; cancelled choosers
    // do nothing.
    answer = dir.File("no such f\xc3\xa9lder/x.txt");
    all();
    answer.clear();
    all();
    EXPECT_FALSE(doc->IsLogging());
    const std::string notWritable = "Unable to open the selected file (" +
                                    dir.File("no such f\xe9lder/x.txt") +
                                    ") for logging. Perhaps the file is read only.";
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open the selected file.");
    EXPECT_EQ(messages.shown[1].text, notWritable);
    EXPECT_EQ(messages.shown[2].text, notWritable);
    EXPECT_EQ(server.Received().size(), 26);
}

TEST_F(BrumbleViewTest, PaintsInTheStoredFontAndColours)
{
    EXPECT_EQ(view->DisplayFont().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(view->DisplayFont().pixelSize(), 16);
    Connect();
    Receive("MMMMMMMM\r\n", "MMMMMMMM");
    view->FlushRepaint();
    const auto count = [this](const QImage& image, QColor colour) {
        int n = 0;
        for (int x = 0; x < 80; ++x) {
            for (int y = 0; y < view->LineHeight(); ++y)
                n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
        return n;
    };
    // No colours stored under a dark theme: the window's own background and the theme's
    // text colour; a stored 0 is black, on either background.
    QPalette dark = view->palette();
    dark.setColor(QPalette::Base, QColor(20, 20, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 200));
    view->setPalette(dark);
    const QImage plain = view->viewport()->grab().toImage();
    EXPECT_EQ(plain.pixelColor(plain.width() - 2, plain.height() - 2), QColor(20, 20, 30));
    EXPECT_GT(count(plain, QColor(230, 230, 200)), 10);
    settings.WriteInt("Display", "Text Colour", 0);
    EXPECT_GT(count(view->viewport()->grab().toImage(), QColor(0, 0, 0)), 10);
    // 0x00BBGGRR: a blue background, green text, read again at the next paint.
    settings.WriteInt("Display", "Colour", 0x00FF0000);
    settings.WriteInt(kHost, "Text Colour", 0x0000FF00);
    const QImage coloured = view->viewport()->grab().toImage();
    EXPECT_EQ(coloured.pixelColor(coloured.width() - 2, coloured.height() - 2), QColor(0, 0, 255));
    EXPECT_GT(count(coloured, QColor(0, 255, 0)), 10);

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
    const QFontMetrics metrics(view->DisplayFont());
    EXPECT_EQ(view->CharWidth('M'), metrics.horizontalAdvance(QLatin1Char('M')));
    EXPECT_EQ(view->CharWidth(0xE9), metrics.maxWidth());
    EXPECT_EQ(view->LineHeight(), metrics.height());

    // No font stored: the desktop's fixed-width font, whatever the widgets use.
    settings.DeleteSection("Display");
    settings.DeleteSection(kHost);
    view->CreateDisplayFont(true);
    EXPECT_EQ(view->DisplayFont().family().toStdString(),
              QFontDatabase::systemFont(QFontDatabase::FixedFont).family().toStdString());
}

TEST_F(BrumbleViewTest, RowsAreDrawnWithinTheWidthTheWrapUsed)
{
    // DejaVu Sans Mono advances by 0.602 of its size: fractional at every size here, while the
    // width table holds whole pixels. (At 96 dpi a stored -14 passes through 11 points and
    // comes out as 15 pixels.)
    Connect();
    view->resize(600, 300);
    std::string word;
    while (word.size() < 300)
        word += "western";
    Receive(QByteArray::fromStdString(word + "\r\n"), word);
    for (const int size : {-11, -12, -13, -14, -16}) {
        SCOPED_TRACE(size);
        settings.WriteInt("Display", "Font Size", size);
        doc->RefreshViews();
        view->RewrapAll();
        const QFontMetricsF metrics(view->DisplayFont());
        const double advance = metrics.horizontalAdvance(QLatin1Char('n'));
        ASSERT_NE(advance, std::round(advance)) << "the font's advances are whole pixels";

        const std::string row(view->Model().RowText(0));
        int rowWidth = 0;
        for (const char c : row)
            rowWidth += view->CharWidth(static_cast<unsigned char>(c));
        ASSERT_LE(rowWidth, view->viewport()->width());
        const QImage image = view->viewport()->grab().toImage();
        const QColor background = view->viewport()->palette().color(QPalette::Base);
        int rightmostInk = -1;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < view->LineHeight(); ++y) {
                if (image.pixelColor(x, y) != background)
                    rightmostInk = x;
            }
        }
        EXPECT_LT(rightmostInk, rowWidth);
        EXPECT_GE(rightmostInk, rowWidth - view->CharWidth(static_cast<unsigned char>(row.back())));
    }
}

} // namespace

TEST_F(BrumbleViewTest, OpenConnectionOnAConnectedWindowAsksAndNoKeepsTheSession)
{
    Connect();
    for (const auto answer : {CMessageSink::Answer::No, CMessageSink::Answer::Yes}) {
        messages.shown.clear();
        messages.QueueAnswer(answer);
        bool connectDialogShown = false;
        QTimer::singleShot(200, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                connectDialogShown = true;
                dialog->close(); // cancelled: the live session stays
            }
        });
        view->OnFileOpenConnection();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "This window is already connected. Do you want to disconnect the session?");
        EXPECT_EQ(messages.shown[0].buttons, CMessageSink::Buttons::YesNo);
        EXPECT_EQ(connectDialogShown, answer == CMessageSink::Answer::Yes);
        EXPECT_TRUE(doc->IsConnected());
    }
}

TEST_F(BrumbleViewTest, DragCopiesTheSelectedRowsAndHoldsNewTextBackUntilRelease)
{
    Connect();
    // The first line is wider than the window and wraps into two rows.
    const QString first =
        QStringLiteral("alpha bravo charlie delta echo foxtrot golf hotel india juliet");
    Receive(first.toLatin1() + "\r\nsecond line\r\n", "second line");
    view->FlushRepaint();
    ASSERT_EQ(view->Model().RowCount(), 3);
    QWidget* area = view->viewport();
    const int h = view->LineHeight();
    ASSERT_GT(h, 0);
    auto at = [&](int x, int row) { return QPoint(x, row * h + h / 2); };
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("untouched"));

    // A click that never leaves its cell copies nothing.
    QTest::mousePress(area, Qt::LeftButton, {}, at(2, 0));
    QTest::mouseRelease(area, Qt::LeftButton, {}, at(2, 0));
    EXPECT_EQ(clipboard->text(), QStringLiteral("untouched"));
    EXPECT_FALSE(view->Model().IsBusy());

    // Upwards from below the last row: both lines whole, the wrapped one as one line, and
    // text arriving meanwhile held back.
    const int rowsBefore = view->Model().RowCount();
    QTest::mousePress(area, Qt::LeftButton, {}, at(5, 8));
    EXPECT_TRUE(view->Model().IsBusy());
    QMouseEvent move(QEvent::MouseMove, at(1, 0), area->mapToGlobal(at(1, 0)), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(area, &move);
    Receive("third line\r\n", "third line");
    EXPECT_EQ(view->Model().RowCount(), rowsBefore);
    QTest::mouseRelease(area, Qt::LeftButton, {}, at(1, 0));
    EXPECT_EQ(clipboard->text(), first + QStringLiteral("\r\nsecond line"));
    EXPECT_FALSE(view->Model().IsBusy());
    EXPECT_TRUE(WaitUntil([&] { return view->Model().RowCount() == rowsBefore + 1; }));
}

TEST_F(BrumbleViewTest, ADragCutOffByAnotherWindowFreesTheRows)
{
    Connect();
    Receive("some text\r\n", "some text");
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_TRUE(view->Model().IsBusy());
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(view.get(), &deactivate);
    EXPECT_FALSE(view->Model().IsBusy());
    EXPECT_FALSE(view->Model().IsSelecting());
}

// A colour test card from a loopback server: the 16 colours and a 256-colour ramp as
// backgrounds, 24-bit colours, bold, reverse video, and a line a highlight colours.
TEST_F(BrumbleViewTest, ServerColoursAreDrawnWithTheOptionOnAndPlainTextWithItOff)
{
    settings.WriteInt(kHost, "ANSI Colour", 1);
    settings.WriteInt(kHost, "Colour", 0xFFFFFF);
    settings.WriteInt(kHost, "Text Colour", 0);
    settings.WriteString(kHost, "Hilight Text 01", "highlighted");
    settings.WriteInt(kHost, "Hilight Colour 01", 0x00FF0000);
    Connect();
    const int ramp[] = {16, 52, 88, 124, 160, 196, 232, 244, 255};
    std::string card;
    for (int i = 0; i < 16; ++i)
        card += "\x1b[" + std::to_string(i < 8 ? 40 + i : 92 + i) + "m  ";
    card += "\x1b[0m\r\n";
    for (const int n : ramp)
        card += "\x1b[48;5;" + std::to_string(n) + "m  ";
    card += "\x1b[0m\r\n\x1b[48;2;10;200;30m  \x1b[38;2;200;10;30mMMMM\x1b[0m\r\n";
    card += "\x1b[1;31mMMMM\x1b[22mMMMM\x1b[0m\r\n";
    card += "\x1b[7mMM\x1b[0m \x1b[7;32mMM\x1b[0m\r\n\x1b[42mhighlighted\x1b[0m\r\n";
    Receive(QByteArray::fromStdString(card), "highlighted");

    const int w = view->CharWidth(' ');
    const int h = view->LineHeight();
    const auto colour = [](std::uint32_t c) {
        return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                      static_cast<int>(c >> 16 & 0xFF));
    };
    // The colour at the top of cell (row, column), above any glyph.
    const auto cell = [&](const QImage& image, int row, int column) {
        return image.pixelColor(column * w + w / 2, row * h + 1);
    };
    const auto count = [&](const QImage& image, int row, int from, int to, QColor wanted) {
        int n = 0;
        for (int x = from * w; x < to * w; ++x) {
            for (int y = row * h; y < (row + 1) * h; ++y)
                n += image.pixelColor(x, y) == wanted ? 1 : 0;
        }
        return n;
    };
    const QColor white(255, 255, 255);
    const QColor trueColour(200, 10, 30);
    const QImage on = view->viewport()->grab().toImage();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(cell(on, 0, 2 * i + 1), colour(CAnsiAttributes::PaletteColour(i))) << i;
    for (std::size_t i = 0; i < std::size(ramp); ++i)
        EXPECT_EQ(cell(on, 1, 2 * static_cast<int>(i)), colour(CAnsiAttributes::PaletteColour(ramp[i])));
    EXPECT_EQ(cell(on, 2, 1), QColor(10, 200, 30));
    EXPECT_GT(count(on, 2, 2, 6, trueColour), 10);
    EXPECT_GT(count(on, 3, 0, 4, colour(CAnsiAttributes::PaletteColour(9))), 10); // bold: bright
    EXPECT_GT(count(on, 3, 4, 8, colour(CAnsiAttributes::PaletteColour(1))), 10);
    EXPECT_EQ(cell(on, 4, 0), QColor(0, 0, 0)); // reverse: the text colour behind
    EXPECT_GT(count(on, 4, 0, 2, white), 10);   // and the background's colour in front
    EXPECT_EQ(cell(on, 4, 3), colour(CAnsiAttributes::PaletteColour(2)));
    // The highlight colours the whole line and wins.
    EXPECT_EQ(cell(on, 5, 1), white);
    EXPECT_GT(count(on, 5, 0, 11, QColor(0, 0, 255)), 10);

    // Off: the same rows in the plain text colour on the plain background.
    settings.WriteInt(kHost, "ANSI Colour", 0);
    doc->RefreshViews();
    view->RewrapAll();
    const QImage off = view->viewport()->grab().toImage();
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 18; ++column)
            EXPECT_EQ(cell(off, row, column), white) << row << " " << column;
    }
    EXPECT_EQ(count(off, 2, 2, 6, trueColour), 0);
    EXPECT_GT(count(off, 2, 2, 6, QColor(0, 0, 0)), 10);
}

// UTF-8 from the server: rows hold whole characters, each row within the window at the font's
// widths; a drag copies the characters; under Latin-1 the same bytes are bytes again.
TEST_F(BrumbleViewTest, Utf8TextWrapsAtCharactersAndCopiesDecoded)
{
    Connect();
    view->resize(300, 300);
    std::string line;
    while (line.size() < 400)
        line += "Caf\xC3\xA9 na\xC3\xAFve \xE2\x80\x93 \xE2\x98\x83 "
                "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E ";
    Receive(QByteArray::fromStdString(line + "\r\n"), line);
    view->RewrapAll();
    const CRowModel& model = view->Model();
    ASSERT_GT(model.RowCount(), 2);
    std::string joined;
    for (const auto& shown : model.Rows()) {
        const std::string_view row = model.RowText(shown);
        const auto first = static_cast<unsigned char>(row.front());
        EXPECT_FALSE(first >= 0x80 && first < 0xC0) << "a row starts inside a character";
        EXPECT_FALSE(CTextEncoding::CutsSequence(row, row.size()));
        int width = 0;
        for (std::size_t i = 0; i < row.size();) {
            const auto c = CTextEncoding::Next(CTextEncoding::Kind::Auto, row, i);
            width += model.CodeWidth(c.code);
            i += static_cast<std::size_t>(c.length);
        }
        EXPECT_LE(width, view->viewport()->width());
        joined += row;
    }
    EXPECT_EQ(joined, line);
    // Measured by the font (a CJK font, where one is installed, makes it about two letters).
    EXPECT_EQ(model.CodeWidth(0x65E5),
              QFontMetrics(view->DisplayFont()).horizontalAdvance(QChar(0x65E5)));

    const int h = view->LineHeight();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(1, h / 2));
    QMouseEvent move(QEvent::MouseMove, QPoint(299, h / 2), QPoint(299, h / 2), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &move);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(299, h / 2));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString::fromUtf8(std::string(model.RowText(0)).c_str()));

    settings.WriteInt(kHost, "Encoding", 2);
    view->RewrapAll();
    EXPECT_EQ(view->Model().Encoding(), CTextEncoding::Kind::Latin1);
    // The second byte of the é is a character of its own again.
    const int x = view->Model().CharWidth('C') * 3 + view->Model().CharWidth(0xC3);
    EXPECT_EQ(view->Model().CellAt(x, 0).index, 4);
}
