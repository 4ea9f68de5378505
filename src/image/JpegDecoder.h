#pragma once
// Decodes a JPEG file with libjpeg as its bytes arrive, one row at a time, delivering each
// row as soon as it is decoded. The library's errors and its first warning become messages
// titled "JPEG Library Error"; a fatal error ends the decoding (through the library's own
// setjmp/longjmp discipline, never unwinding C++ frames). Greyscale pictures are asked of
// the library as RGB; CMYK ones are converted here.

class CByteSource;
class CPictureSink;

class CJpegDecoder final {
public:
    enum class Result {
        Done,       // every row was decoded (warnings may have been shown)
        Failed,     // the library gave up, or the picture is too large: the user was told
        Stopped,    // the sink no longer wanted the picture
        Incomplete, // the header never completed
    };

    static Result Decode(CByteSource& source, CPictureSink& sink);
};
