// GIF and JPEG pictures fetched from a real HTTP server on 127.0.0.1 and decoded as they
// arrive: what the picture window is given, row by row, and what the user is told.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "common/HttpTestServer.h"
#include "common/TestPictures.h"
#include "image/GifDecoder.h"
#include "image/JpegDecoder.h"
#include "image/PictureFetch.h"

namespace {

using namespace brumble::test;

constexpr std::uint32_t kGrey = 0xC0C0C0;
const std::vector<std::uint32_t> kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

class PictureDecoding : public ::testing::Test {
protected:
    CHttpTestServer server;
    std::atomic<bool> abort{false};

    CRecordingPictureSink Fetch(const QByteArray& path, const std::string& bytes, bool gif)
    {
        server.Serve(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        CRecordingPictureSink sink;
        CPictureFetch fetch(abort, {});
        EXPECT_TRUE(fetch.Open(server.Url(path))) << fetch.Error();
        if (gif)
            CGifDecoder::Decode(fetch, sink);
        else
            CJpegDecoder::Decode(fetch, sink);
        return sink;
    }
};

GifImage Stripes(int width, int height, bool interlace = false)
{
    GifImage image;
    image.width = width;
    image.height = height;
    image.interlace = interlace;
    image.index = [](int, int y) { return y % 4; };
    return image;
}

std::vector<int> Range(int from, int to, int step)
{
    std::vector<int> rows;
    for (int y = from; y < to; y += step)
        rows.push_back(y);
    return rows;
}

TEST_F(PictureDecoding, GifRowsArriveInFileOrderInterlacedOnesPassByPass)
{
    const CRecordingPictureSink plain =
        Fetch("/plain.gif", MakeGif({6, 10, kColours, {Stripes(6, 10)}}), true);
    EXPECT_EQ(plain.width, 6);
    EXPECT_EQ(plain.height, 10);
    EXPECT_EQ(plain.rows, Range(0, 10, 1));
    EXPECT_TRUE(plain.messages.empty());
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(plain.Pixel(5, y), kColours[static_cast<std::size_t>(y % 4)]) << y;

    const CRecordingPictureSink interlaced =
        Fetch("/interlaced.gif", MakeGif({5, 20, kColours, {Stripes(5, 20, true)}}), true);
    std::vector<int> expected = Range(0, 20, 8);
    for (const std::vector<int>& pass : {Range(4, 20, 8), Range(2, 20, 4), Range(1, 20, 2)})
        expected.insert(expected.end(), pass.begin(), pass.end());
    EXPECT_EQ(interlaced.rows, expected);
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(interlaced.Pixel(0, y), kColours[static_cast<std::size_t>(y % 4)]) << y;
}

TEST_F(PictureDecoding, EveryImageOfAGifIsDrawnInTurnAtItsPlaceExtensionsChangeNothing)
{
    GifImage first = Stripes(8, 8);
    first.index = [](int, int) { return 0; }; // red everywhere
    GifImage second;
    second.left = 4;
    second.top = 4;
    second.width = 6; // runs past the right edge: those pixels are skipped
    second.height = 2;
    second.graphicControlBefore = true;
    second.localColours = {0x123456, 0x654321};
    second.index = [](int, int) { return 1; };
    GifImage third = second;
    third.top = 7;
    third.height = 3; // runs past the bottom
    third.localColours = {};
    third.index = [](int, int) { return 2; }; // blue from the global map
    const CRecordingPictureSink sink =
        Fetch("/several.gif", MakeGif({8, 8, kColours, {first, second, third}}), true);
    std::vector<int> expected = Range(0, 8, 1);
    expected.insert(expected.end(), {4, 5, 7});
    EXPECT_EQ(sink.rows, expected);
    EXPECT_EQ(sink.Pixel(3, 4), 0xFF0000u);
    EXPECT_EQ(sink.Pixel(4, 4), 0x654321u);
    EXPECT_EQ(sink.Pixel(7, 5), 0x654321u);
    EXPECT_EQ(sink.Pixel(4, 6), 0xFF0000u);
    EXPECT_EQ(sink.Pixel(7, 7), 0x0000FFu);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(PictureDecoding, GifPixelsWithoutAColourStayGrey)
{
    GifImage beyond = Stripes(4, 2);
    beyond.localColours = {0x00FF00, 0x0000FF};
    beyond.index = [](int x, int) { return x == 3 ? 3 : 1; }; // 3 is past a 2-entry map
    GifImage noMap = Stripes(4, 2);
    noMap.top = 2;
    noMap.index = [](int, int) { return 1; };
    // giflib will not write an image without any colour map: take the global one out after.
    std::string bytes = MakeGif({4, 4, {0x111111, 0x222222}, {beyond, noMap}});
    bytes[10] = static_cast<char>(bytes[10] & 0x78);
    bytes.erase(13, 6);
    const CRecordingPictureSink sink = Fetch("/maps.gif", bytes, true);
    EXPECT_EQ(sink.Pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(sink.Pixel(3, 0), kGrey);
    EXPECT_EQ(sink.Pixel(1, 3), kGrey);
    EXPECT_EQ(sink.rows.size(), 4u);
}

TEST_F(PictureDecoding, BrokenOrAbsurdGifsAreTheInvalidGifMessageOrStopQuietly)
{
    GifImage noisy = Stripes(200, 100);
    noisy.index = [](int x, int y) { return (x * 7 + y * 13 + x * y) % 4; };
    const std::string whole = MakeGif({200, 100, kColours, {noisy}});
    const CRecordingPictureSink truncated =
        Fetch("/cut.gif", whole.substr(0, whole.size() / 2), true);
    EXPECT_EQ(truncated.width, 200);
    EXPECT_GT(truncated.rows.size(), 10u);
    EXPECT_LT(truncated.rows.size(), 100u);
    EXPECT_EQ(truncated.Pixel(199, 99), kGrey);
    EXPECT_TRUE(truncated.messages.empty());

    for (const auto& [path, bytes] :
         {std::pair<QByteArray, std::string>{"/page.gif", "<html>Not found</html>"},
          {"/huge.gif", MakeGif({65535, 65535, kColours, {Stripes(2, 2)}})},
          {"/wide.gif", MakeGif({8193, 1, kColours, {Stripes(2, 1)}})}}) {
        const CRecordingPictureSink sink = Fetch(path, bytes, true);
        EXPECT_EQ(sink.width, -1) << path.constData();
        ASSERT_EQ(sink.messages.size(), 1u) << path.constData();
        EXPECT_EQ(sink.messages[0].text, "URL pointed to an invalid GIF image.");
        EXPECT_EQ(sink.messages[0].icon, CMessageSink::Icon::Information);
    }
}

TEST_F(PictureDecoding, JpegsOfEveryColourKindBecomeRgbRowsInOrder)
{
    const struct {
        const char* path;
        int components;
        std::uint32_t stored;
        std::uint32_t shown;
        bool progressive;
    } cases[] = {
        {"/rgb.jpg", 3, 0x3366CC, 0x3366CC, false},
        {"/progressive.JPEG", 3, 0xCC6633, 0xCC6633, true},
        {"/grey.jpg", 1, 0x80, 0x808080, false},
        // Adobe CMYK is stored inverted: full values of cyan's complement and black's mean red.
        {"/cmyk.jpg", 4, 0xFF0000FF, 0xFF0000, false},
    };
    for (const auto& c : cases) {
        const std::string bytes = MakeJpeg(
            21, 13, c.components, [&](int, int) { return c.stored; }, c.progressive);
        const CRecordingPictureSink sink = Fetch(c.path, bytes, false);
        EXPECT_EQ(sink.width, 21) << c.path;
        EXPECT_EQ(sink.height, 13) << c.path;
        EXPECT_EQ(sink.rows, Range(0, 13, 1)) << c.path;
        EXPECT_TRUE(sink.messages.empty()) << c.path;
        for (int shift : {16, 8, 0}) {
            const int got = static_cast<int>((sink.Pixel(20, 12) >> shift) & 0xFF);
            const int want = static_cast<int>((c.shown >> shift) & 0xFF);
            EXPECT_NEAR(got, want, 3) << c.path;
        }
    }
}

TEST_F(PictureDecoding, JpegTroubleIsTheLibrarysMessageTitledJpegLibraryError)
{
    const std::string good = MakeJpeg(64, 64, 3, [](int x, int y) {
        return static_cast<std::uint32_t>((x * 4) << 16 | (y * 4) << 8);
    });
    // Width and height sit in the start-of-frame segment (0xFF 0xC0): make them absurd.
    std::string huge = good;
    const std::size_t sof = huge.find("\xFF\xC0");
    huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = '\xEA';

    const struct {
        QByteArray path;
        std::string bytes;
        std::string message;
        bool rowsAllDelivered;
    } cases[] = {
        {"/cut.jpg", good.substr(0, good.size() / 2), "Premature end of JPEG file", true},
        {"/page.jpg", "<html>Not found</html>", "Not a JPEG file: starts with 0x3c 0x68", false},
        {"/huge.jpg", huge, "The picture is too large to show (60138 x 60138 pixels).", false},
        {"/empty.jpg", "", "Empty input file", false},
    };
    for (const auto& c : cases) {
        const CRecordingPictureSink sink = Fetch(c.path, c.bytes, false);
        ASSERT_EQ(sink.messages.size(), 1u) << c.path.constData();
        EXPECT_EQ(sink.messages[0].title, "JPEG Library Error");
        EXPECT_EQ(sink.messages[0].text, c.message);
        EXPECT_EQ(sink.messages[0].icon, CMessageSink::Icon::Error);
        EXPECT_EQ(sink.rows.size(), c.rowsAllDelivered ? 64u : 0u) << c.path.constData();
    }
}

} // namespace
