// The picture thread against a real HTTP server: a new URL replaces the one being read, a
// URL that cannot be fetched says so and does not stick, and stopping while the server
// stalls ends the thread promptly.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>

#include "common/HttpTestServer.h"
#include "common/ScriptedServer.h"
#include "common/TestPictures.h"
#include "image/ImageThread.h"

namespace {

using namespace brumble::test;
using Response = CHttpTestServer::Response;

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

QByteArray NoisyGif(int width, int height)
{
    GifImage image;
    image.width = width;
    image.height = height;
    image.index = [](int x, int y) { return (x * 7 + y * 13 + x * y) % 4; };
    return Bytes(MakeGif({width, height, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, {image}}));
}

TEST(ImageThread, ASecondUrlReplacesTheFirstWhileItIsStillLoading)
{
    CHttpTestServer server;
    Response slow{NoisyGif(300, 300), Response::Mode::Slow};
    slow.chunkBytes = 200;
    slow.chunkPauseMs = 50;
    server.Serve("/first.gif", slow);
    server.Serve("/second.jpg", Bytes(MakeJpeg(40, 30, 3, [](int, int) { return 0x3366CCu; })));

    CImageThread thread;
    QSignalSpy sizes(&thread, &CImageThread::PictureSize);
    QSignalSpy finished(&thread, &CImageThread::PictureFinished);
    thread.SetImageUrl(server.Url("/first.gif"));
    ASSERT_TRUE(WaitUntil([&] { return sizes.count() == 1; }));
    thread.SetImageUrl(server.Url("/second.jpg"));
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 1; }, 10000));
    EXPECT_EQ(finished[0][0].toInt(), 2); // the first load never finished
    EXPECT_EQ(finished[0][1].toByteArray(), Bytes(server.Url("/second.jpg")));
    EXPECT_EQ(sizes.last()[1].toInt(), 40);
}

TEST(ImageThread, AFailedFetchIsInTheCaptionAndTheNextUrlStartsAfresh)
{
    CHttpTestServer server;
    server.Serve("/ok.gif", NoisyGif(10, 10));
    CImageThread thread;
    QSignalSpy finished(&thread, &CImageThread::PictureFinished);
    thread.SetImageUrl("http://127.0.0.1:1/nothing.gif");
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 1; }, 10000));
    EXPECT_TRUE(finished[0][1].toByteArray().startsWith(
        "Unable to fetch http://127.0.0.1:1/nothing.gif: "));
    thread.SetImageUrl(server.Url("/ok.gif"));
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 2; }, 10000));
    EXPECT_EQ(finished[1][1].toByteArray(), Bytes(server.Url("/ok.gif")));
}

TEST(ImageThread, StoppingWhileTheServerStallsEndsTheThreadPromptly)
{
    CHttpTestServer server;
    Response stall{NoisyGif(300, 300), Response::Mode::Stall};
    stall.stallAfter = 100;
    server.Serve("/stall.gif", stall);
    CImageThread thread;
    QSignalSpy sizes(&thread, &CImageThread::PictureSize);
    thread.SetImageUrl(server.Url("/stall.gif"));
    ASSERT_TRUE(WaitUntil([&] { return sizes.count() == 1; }));
    QElapsedTimer timer;
    timer.start();
    thread.Stop();
    EXPECT_TRUE(thread.isFinished());
    EXPECT_LT(timer.elapsed(), 2000);
}

} // namespace
