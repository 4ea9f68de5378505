#include "image/JpegDecoder.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <string>
#include <vector>

#include "image/ByteSource.h"
#include "image/ImageResources.h"
#include "image/PictureBuffer.h"
#include "image/PictureMessage.h"
#include "image/PictureSink.h"
#include "res/StringTable.h"

namespace {

constexpr std::size_t kRefillBytes = 4096;
// libjpeg's own working memory (beyond our picture) is capped too.
constexpr long kLibraryMemory = 256L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so that the library's pointer is ours too
    std::jmp_buf jump;
    CPictureSink* sink;
    int warnings;
};

struct SourceManager {
    jpeg_source_mgr pub; // first, as above
    CByteSource* source;
    bool startOfFile;
    JOCTET buffer[kRefillBytes];
};

void TellUser(CPictureSink& sink, const std::string& text)
{
    sink.OnPictureMessage(
        {LoadString(ImageResources::kJpegErrorTitle), text, CMessageSink::Icon::Error});
}

void TellLibraryMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    TellUser(*errors->sink, text);
}

// Fatal errors: tell the user, then return to Decode through the library's longjmp.
// Nothing with a destructor is alive in this frame when it jumps.
[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    TellLibraryMessage(cinfo);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (level -1): the first is shown, the rest only counted. Trace messages are not.
void EmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (errors->warnings == 0)
        TellLibraryMessage(cinfo);
    ++errors->warnings;
    ++cinfo->err->num_warnings;
}

void OutputMessage(j_common_ptr cinfo)
{
    TellLibraryMessage(cinfo);
}

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<SourceManager*>(cinfo->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    std::size_t count = src->source->Read(src->buffer, kRefillBytes);
    if (count == 0) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // A fake end-of-image marker lets the library finish with what it has.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        count = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = count;
    src->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* src = cinfo->src;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// Everything the decoding touches lives here, in memory reached through one pointer, so
// that nothing the longjmp returns to is a stale register copy, and every object with a
// destructor outlives the setjmp point.
struct Decoding {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    SourceManager source{};
    CPictureBuffer picture;
    std::vector<JSAMPLE> row;
    bool created = false;
    bool adobe = false;
};

// Adobe writes CMYK inverted (0 = full ink); others store plain ink amounts.
void CmykToRgb(const JSAMPLE* in, std::uint8_t* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>(c * k / 255);
        out[1] = static_cast<std::uint8_t>(m * k / 255);
        out[2] = static_cast<std::uint8_t>(y * k / 255);
    }
}

CJpegDecoder::Result Run(Decoding& d, CByteSource& source, CPictureSink& sink)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    cinfo.err = jpeg_std_error(&d.errors.pub);
    d.errors.pub.error_exit = ErrorExit;
    d.errors.pub.emit_message = EmitMessage;
    d.errors.pub.output_message = OutputMessage;
    d.errors.sink = &sink;
    d.errors.warnings = 0;

    if (setjmp(d.errors.jump) != 0) {
        if (d.created)
            jpeg_destroy_decompress(&cinfo);
        d.created = false;
        return sink.ShouldStop() ? CJpegDecoder::Result::Stopped : CJpegDecoder::Result::Failed;
    }

    jpeg_create_decompress(&cinfo);
    d.created = true;
    cinfo.mem->max_memory_to_use = kLibraryMemory;
    d.source.source = &source;
    d.source.pub.init_source = InitSource;
    d.source.pub.fill_input_buffer = FillInputBuffer;
    d.source.pub.skip_input_data = SkipInputData;
    d.source.pub.resync_to_restart = jpeg_resync_to_restart;
    d.source.pub.term_source = TermSource;
    cinfo.src = &d.source.pub;

    CJpegDecoder::Result result = CJpegDecoder::Result::Done;
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        result = CJpegDecoder::Result::Incomplete;
    } else if (!CPictureBuffer::IsAcceptableSize(cinfo.image_width, cinfo.image_height)) {
        std::string text = LoadString(ImageResources::kMsgJpegTooLarge);
        const std::string width = std::to_string(cinfo.image_width);
        const std::string height = std::to_string(cinfo.image_height);
        text.replace(text.find("%1"), 2, width);
        text.replace(text.find("%2"), 2, height);
        TellUser(sink, text);
        result = CJpegDecoder::Result::Failed;
    } else {
        const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        d.adobe = cinfo.saw_Adobe_marker != 0;
        cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const int components = cinfo.output_components;
        if ((cmyk && components != 4) || (!cmyk && components != 3) ||
            !d.picture.Allocate(static_cast<int>(cinfo.output_width),
                                static_cast<int>(cinfo.output_height))) {
            TellUser(sink, LoadString(ImageResources::kMsgJpegColours));
            result = CJpegDecoder::Result::Failed;
        } else {
            sink.OnPictureSize(d.picture.Width(), d.picture.Height());
            // One row of the library's output, rounded up to whole 4-byte words.
            d.row.assign((static_cast<std::size_t>(components) * cinfo.output_width + 3) / 4 * 4,
                         0);
            while (cinfo.output_scanline < cinfo.output_height) {
                if (sink.ShouldStop()) {
                    result = CJpegDecoder::Result::Stopped;
                    break;
                }
                JSAMPROW rows[1] = {d.row.data()};
                if (jpeg_read_scanlines(&cinfo, rows, 1) != 1)
                    continue; // suspension cannot happen with our source; be safe anyway
                const int y = static_cast<int>(cinfo.output_scanline) - 1;
                std::uint8_t* out = d.picture.Row(y);
                if (cmyk)
                    CmykToRgb(d.row.data(), out, d.picture.Width(), d.adobe);
                else
                    std::copy_n(d.row.data(), d.picture.RowBytes(), out);
                sink.OnPictureRow(y, out, d.picture.RowBytes());
            }
            if (result == CJpegDecoder::Result::Done)
                jpeg_finish_decompress(&cinfo);
        }
    }
    jpeg_destroy_decompress(&cinfo);
    d.created = false;
    return result;
}

} // namespace

CJpegDecoder::Result CJpegDecoder::Decode(CByteSource& source, CPictureSink& sink)
{
    Decoding decoding;
    return Run(decoding, source, sink);
}
