// Feeds arbitrary bytes to the JPEG decoder as if they had been downloaded. It must deliver
// only rows inside the picture it announced, of the announced width, and never read or write
// outside memory, however the file lies about its sizes, markers and colour spaces.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "image/JpegDecoder.h"
#include "image/MemoryByteSource.h"

#include "CheckingPictureSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CMemoryByteSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckingPictureSink sink;
    CJpegDecoder::Decode(source, sink);
    return 0;
}
