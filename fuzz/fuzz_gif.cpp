// Feeds arbitrary bytes to the GIF decoder as if they had been downloaded. It must deliver
// only rows inside the picture it announced, of the announced width, and never read or write
// outside memory, however the file lies about its sizes, maps and images.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "image/GifDecoder.h"
#include "image/MemoryByteSource.h"
#include "image/PictureMessage.h"
#include "image/PictureSink.h"

namespace {

class CheckingSink final : public CPictureSink {
public:
    void OnPictureSize(int width, int height) override
    {
        m_width = width;
        m_height = height;
    }
    void OnPictureRow(int y, const std::uint8_t* rgb, std::size_t bytes) override
    {
        if (y < 0 || y >= m_height || bytes != static_cast<std::size_t>(m_width) * 3)
            std::abort();
        volatile std::uint8_t sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum = static_cast<std::uint8_t>(sum + rgb[i]);
    }
    void OnPictureMessage(const CPictureMessage&) override {}

private:
    int m_width = 0;
    int m_height = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CMemoryByteSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckingSink sink;
    CGifDecoder::Decode(source, sink);
    return 0;
}
