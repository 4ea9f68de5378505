// The picture window: its client size follows the picture within limits, rows show as they
// arrive, a real fetch ends with the URL as caption, and its place is remembered.
#include <gtest/gtest.h>

#include <QScrollBar>

#include "common/HttpTestServer.h"
#include "common/ScriptedServer.h"
#include "common/TestPictures.h"
#include "common/TestServices.h"
#include "image/ui/ImageWnd.h"

namespace {

using namespace brumble::test;

class ImageWindow : public ::testing::Test, public CTestServices {};

TEST_F(ImageWindow, ClientAreaTakesThePictureSizeWithinLimitsWithScrollBarsBeyond)
{
    const struct {
        int width, height;
        QSize client;
        bool horizontalBar, verticalBar;
    } cases[] = {
        {1000, 50, {620, 50}, true, false},
        {10, 10, {32, 32}, false, false},
        {300, 900, {300, 440}, false, true},
        {700, 500, {620, 440}, true, true},
    };
    for (const auto& c : cases) {
        CImageWnd window(services);
        window.show();
        window.OnPictureStarted(1, "http://x/a.gif");
        window.OnPictureSize(1, c.width, c.height);
        EXPECT_EQ(window.viewport()->size(), c.client) << c.width << "x" << c.height;
        EXPECT_EQ(window.horizontalScrollBar()->isVisible(), c.horizontalBar) << c.width;
        EXPECT_EQ(window.verticalScrollBar()->isVisible(), c.verticalBar) << c.width;
        EXPECT_EQ(window.horizontalScrollBar()->maximum(), std::max(0, c.width - c.client.width()));
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Loading..."));
    }
}

TEST_F(ImageWindow, RowsShowAsTheyArriveOnGreyAndStaleLoadsAreIgnored)
{
    CImageWnd window(services);
    window.show();
    window.OnPictureStarted(2, "http://x/a.gif");
    window.OnPictureSize(2, 10, 10);
    window.OnPictureRow(2, 3, QByteArray(30, '\x11'));
    window.OnPictureRow(1, 4, QByteArray(30, '\x22')); // from an abandoned load
    const QImage shown = window.viewport()->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 3) & 0xFFFFFF, 0x111111u);
    EXPECT_EQ(shown.pixel(5, 4) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(shown.pixel(20, 20) & 0xFFFFFF, 0xC0C0C0u); // grey around a small picture
}

TEST_F(ImageWindow, AFetchedPictureEndsWithItsUrlAsCaptionAndThePlaceIsStored)
{
    CHttpTestServer server;
    const std::string jpeg = MakeJpeg(50, 40, 3, [](int, int) { return 0x3366CCu; });
    server.Serve("/pic.jpg", QByteArray(jpeg.data(), static_cast<qsizetype>(jpeg.size())));
    server.Serve("/bad.gif", QByteArray("<html>no</html>"));
    {
        CImageWnd window(services);
        window.show();
        window.SetUrl(server.Url("/pic.jpg"));
        ASSERT_TRUE(WaitUntil([&] { return !window.IsLoading(); }, 10000));
        EXPECT_EQ(window.windowTitle(), QString::fromStdString(server.Url("/pic.jpg")));
        EXPECT_EQ(window.Picture().size(), QSize(50, 40));
        EXPECT_EQ(window.viewport()->size(), QSize(50, 40));

        window.SetUrl(server.Url("/bad.gif"));
        ASSERT_TRUE(WaitUntil([&] { return !window.IsLoading(); }, 10000));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "URL pointed to an invalid GIF image.");
        EXPECT_EQ(window.windowTitle(), QString::fromStdString(server.Url("/bad.gif")));
        window.move(123, 77);
    }
    EXPECT_EQ(settings.ReadInt("Image Window", "XPos", -1), 123);
    EXPECT_EQ(settings.ReadInt("Image Window", "YPos", -1), 77);
}

} // namespace
