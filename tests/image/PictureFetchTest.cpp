// Downloads from a real HTTP server on 127.0.0.1: redirects, the user agent, the size and
// time caps, a server that cannot be reached, and giving up a stalled download on request.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>

#include <atomic>
#include <thread>

#include "common/HttpTestServer.h"
#include "image/PictureFetch.h"

namespace {

using namespace brumble::test;
using Response = CHttpTestServer::Response;
using namespace std::chrono_literals;

std::string ReadAll(CPictureFetch& fetch)
{
    std::string all;
    std::uint8_t buffer[1000];
    for (std::size_t n; (n = fetch.Read(buffer, sizeof buffer)) > 0;)
        all.append(reinterpret_cast<char*>(buffer), n);
    return all;
}

TEST(PictureFetch, FollowsRedirectsNamesItselfAndIsCappedInSizeAndTime)
{
    CHttpTestServer server;
    const QByteArray body(5000, 'x');
    server.Serve("/pic.gif", body);
    Response redirect;
    redirect.mode = Response::Mode::Redirect;
    redirect.location = QByteArray::fromStdString(server.Url("/pic.gif"));
    server.Serve("/moved.gif", redirect);
    std::atomic<bool> abort{false};

    CPictureFetch fetch(abort, {});
    ASSERT_TRUE(fetch.Open(server.Url("/moved.gif"))) << fetch.Error();
    EXPECT_EQ(ReadAll(fetch), body.toStdString());
    EXPECT_EQ(server.LastUserAgent(), "Brumble");

    // Beyond the size cap the download ends (a length announced up front fails at once).
    Response slow{body, Response::Mode::Slow};
    slow.chunkBytes = 1000;
    slow.chunkPauseMs = 1;
    server.Serve("/slow.gif", slow);
    CPictureFetch capped(abort, {20s, 20s, 2500});
    EXPECT_FALSE(capped.Open(server.Url("/slow.gif")));

    // A server that stops sending is given up after the overall time limit.
    Response stall{body, Response::Mode::Stall};
    stall.stallAfter = 100;
    server.Serve("/stall.gif", stall);
    CPictureFetch timed(abort, {20s, 500ms, 1u << 20});
    ASSERT_TRUE(timed.Open(server.Url("/stall.gif")));
    EXPECT_EQ(ReadAll(timed).size(), 100u);
}

TEST(PictureFetch, AnUnreachableServerFailsToOpenWithTheReason)
{
    QTcpServer closed; // a port that was free a moment ago and has no listener now
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close();
    std::atomic<bool> abort{false};
    CPictureFetch fetch(abort, {});
    EXPECT_FALSE(fetch.Open("http://127.0.0.1:" + std::to_string(port) + "/a.gif"));
    EXPECT_FALSE(fetch.Error().empty());
    CPictureFetch local(abort, {});
    EXPECT_FALSE(local.Open("file:///etc/hostname"));
}

TEST(PictureFetch, AStalledReadGivesUpPromptlyWhenAborted)
{
    CHttpTestServer server;
    Response stall{QByteArray(5000, 'x'), Response::Mode::Stall};
    stall.stallAfter = 10;
    server.Serve("/stall.jpg", stall);
    std::atomic<bool> abort{false};
    CPictureFetch fetch(abort, {});
    ASSERT_TRUE(fetch.Open(server.Url("/stall.jpg")));
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        abort = true;
    });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ReadAll(fetch).size(), 10u);
    stopper.join();
    EXPECT_LT(timer.elapsed(), 5000);
}

} // namespace
