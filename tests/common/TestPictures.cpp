#include "common/TestPictures.h"

#include <gif_lib.h>

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cstdlib>
#include <cstring>

namespace brumble::test {

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    return length;
}

int MapSizeFor(std::size_t n)
{
    int size = 2;
    while (static_cast<std::size_t>(size) < n)
        size *= 2;
    return size;
}

ColorMapObject* MakeMap(const std::vector<std::uint32_t>& colours, int size)
{
    if (colours.empty())
        return nullptr;
    if (size == 0)
        size = MapSizeFor(colours.size());
    std::vector<GifColorType> entries(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size() && i < entries.size(); ++i)
        entries[i] = {static_cast<GifByteType>(colours[i] >> 16),
                      static_cast<GifByteType>(colours[i] >> 8),
                      static_cast<GifByteType>(colours[i])};
    return GifMakeMapObject(size, entries.data());
}

} // namespace

std::string MakeGif(const GifFile& file)
{
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = MakeMap(file.globalColours, 0);
    EGifPutScreenDesc(gif, file.width, file.height, 8, 0, global);
    for (const GifImage& image : file.images) {
        if (image.graphicControlBefore) {
            const GifByteType control[4] = {0x04, 10, 0, 3}; // transparent 3, delay 10
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        }
        ColorMapObject* local = MakeMap(image.localColours, image.mapSize);
        EGifPutImageDesc(gif, image.left, image.top, image.width, image.height, image.interlace,
                         local);
        std::vector<GifPixelType> line(static_cast<std::size_t>(image.width));
        auto putRow = [&](int y) {
            for (int x = 0; x < image.width; ++x)
                line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(image.index(x, y));
            EGifPutLine(gif, line.data(), image.width);
        };
        if (image.interlace) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < image.height; y += step[pass])
                    putRow(y);
        } else {
            for (int y = 0; y < image.height; ++y)
                putRow(y);
        }
        GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return out;
}

std::string MakeJpeg(int width, int height, int components,
                     const std::function<std::uint32_t(int x, int y)>& colour, bool progressive)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            for (int i = 0; i < components; ++i)
                row[static_cast<std::size_t>(x * components + i)] =
                    static_cast<JSAMPLE>(c >> (8 * (components - 1 - i)));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

void CRecordingPictureSink::OnPictureSize(int w, int h)
{
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3, 0xC0);
}

void CRecordingPictureSink::OnPictureRow(int y, const std::uint8_t* rgb, std::size_t bytes)
{
    rows.push_back(y);
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3,
                rgb, bytes);
}

std::uint32_t CRecordingPictureSink::Pixel(int x, int y) const
{
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)) *
                          3;
    return (std::uint32_t{pixels[i]} << 16) | (std::uint32_t{pixels[i + 1]} << 8) | pixels[i + 2];
}

} // namespace brumble::test
