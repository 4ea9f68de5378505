#include "image/GifDecoder.h"

#include <gif_lib.h>

#include <climits>
#include <vector>

#include "image/ByteSource.h"
#include "image/ImageResources.h"
#include "image/PictureBuffer.h"
#include "image/PictureMessage.h"
#include "image/PictureSink.h"
#include "res/StringTable.h"

namespace {

// Interlaced images store rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ..., then the
// odd rows.
constexpr int kPassStart[] = {0, 4, 2, 1};
constexpr int kPassStep[] = {8, 8, 4, 2};

int ReadFromSource(GifFileType* gif, GifByteType* buffer, int length)
{
    if (length <= 0)
        return 0;
    auto* source = static_cast<CByteSource*>(gif->UserData);
    return static_cast<int>(source->Read(buffer, static_cast<std::size_t>(length)));
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser()
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

void TellInvalid(CPictureSink& sink)
{
    sink.OnPictureMessage({std::string(), LoadString(ImageResources::kMsgInvalidGif),
                           CMessageSink::Icon::Information});
}

// Draws the rows of the image just described; false when reading stopped early.
bool DrawImage(GifFileType* gif, CPictureBuffer& picture, CPictureSink& sink, bool& stopped)
{
    const GifImageDesc& image = gif->Image;
    const long long imageWidth = image.Width;
    const long long imageHeight = image.Height;
    if (imageWidth <= 0 || imageHeight <= 0)
        return false;
    // An image far larger than any picture we show is damage, not content: decoding its
    // rows would only burn time.
    if (!CPictureBuffer::IsAcceptableSize(imageWidth, imageHeight))
        return false;
    const ColorMapObject* map = image.ColorMap ? image.ColorMap : gif->SColorMap;
    std::vector<GifPixelType> line(static_cast<std::size_t>(imageWidth));

    const int passes = image.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = image.Interlace ? kPassStart[pass] : 0;
        const int step = image.Interlace ? kPassStep[pass] : 1;
        for (long long r = start; r < imageHeight; r += step) {
            if (sink.ShouldStop()) {
                stopped = true;
                return false;
            }
            if (DGifGetLine(gif, line.data(), static_cast<int>(imageWidth)) != GIF_OK)
                return false;
            const long long y = image.Top + r;
            if (y >= picture.Height())
                continue;
            std::uint8_t* row = picture.Row(static_cast<int>(y));
            for (long long x = 0; x < imageWidth; ++x) {
                const long long px = image.Left + x;
                if (px >= picture.Width())
                    break;
                const int index = line[static_cast<std::size_t>(x)];
                // No colour for this index: the pixel keeps what it had (grey at first).
                if (map == nullptr || map->Colors == nullptr || index >= map->ColorCount)
                    continue;
                const GifColorType& colour = map->Colors[index];
                std::uint8_t* pixel = row + px * 3;
                pixel[0] = colour.Red;
                pixel[1] = colour.Green;
                pixel[2] = colour.Blue;
            }
            sink.OnPictureRow(static_cast<int>(y), row, picture.RowBytes());
        }
    }
    return true;
}

bool SkipExtension(GifFileType* gif)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK)
        return false;
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK)
            return false;
    }
    return true;
}

} // namespace

CGifDecoder::Result CGifDecoder::Decode(CByteSource& source, CPictureSink& sink)
{
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadFromSource, &error);
    if (gif == nullptr) {
        if (sink.ShouldStop())
            return Result::Stopped;
        TellInvalid(sink);
        return Result::Invalid;
    }
    const GifCloser closer{gif};

    CPictureBuffer picture;
    if (!picture.Allocate(gif->SWidth, gif->SHeight)) {
        TellInvalid(sink);
        return Result::Invalid;
    }
    sink.OnPictureSize(picture.Width(), picture.Height());

    bool stopped = false;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            break;
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK)
                break;
            // giflib keeps a copy of every descriptor read; a file of a million tiny images
            // must not pile them up, and we never look back at them.
            const bool drawn = DrawImage(gif, picture, sink, stopped);
            GifFreeSavedImages(gif);
            gif->ImageCount = 0;
            if (!drawn)
                break;
        } else if (type == EXTENSION_RECORD_TYPE) {
            if (!SkipExtension(gif))
                break;
        } else if (type == TERMINATE_RECORD_TYPE) {
            break;
        }
    }
    return stopped || sink.ShouldStop() ? Result::Stopped : Result::Done;
}
