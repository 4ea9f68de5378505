#include "image/ImageThread.h"

#include <utility>

#include "image/GifDecoder.h"
#include "image/ImageResources.h"
#include "image/JpegDecoder.h"
#include "image/PictureMessage.h"
#include "image/PictureSink.h"
#include "res/StringTable.h"

namespace {

QByteArray Bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

bool EndsWithNoCase(const std::string& text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    for (std::size_t i = 0; i < ending.size(); ++i) {
        char c = text[text.size() - ending.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != ending[i])
            return false;
    }
    return true;
}

// Turns what a decoder delivers into the thread's signals for one load.
class SignalSink final : public CPictureSink {
public:
    SignalSink(CImageThread& thread, int load, const std::atomic<bool>& abort,
               void (CImageThread::*size)(int, int, int),
               void (CImageThread::*row)(int, int, const QByteArray&),
               void (CImageThread::*message)(int, const QByteArray&, const QByteArray&, int))
        : m_thread(thread), m_load(load), m_abort(abort), m_size(size), m_row(row),
          m_message(message)
    {
    }
    void OnPictureSize(int width, int height) override
    {
        Q_EMIT(m_thread.*m_size)(m_load, width, height);
    }
    void OnPictureRow(int y, const std::uint8_t* rgb, std::size_t bytes) override
    {
        Q_EMIT(m_thread.*m_row)
        (m_load, y, QByteArray(reinterpret_cast<const char*>(rgb), static_cast<qsizetype>(bytes)));
    }
    void OnPictureMessage(const CPictureMessage& message) override
    {
        // A picture given up for another says nothing more.
        if (m_abort.load())
            return;
        Q_EMIT(m_thread.*m_message)
        (m_load, Bytes(message.title), Bytes(message.text), static_cast<int>(message.icon));
    }
    bool ShouldStop() const override { return m_abort.load(); }

private:
    CImageThread& m_thread;
    int m_load;
    const std::atomic<bool>& m_abort;
    void (CImageThread::*m_size)(int, int, int);
    void (CImageThread::*m_row)(int, int, const QByteArray&);
    void (CImageThread::*m_message)(int, const QByteArray&, const QByteArray&, int);
};

} // namespace

CImageThread::CImageThread(CPictureFetch::Limits limits, QObject* parent)
    : QThread(parent), m_limits(limits)
{
}

CImageThread::~CImageThread()
{
    Stop();
}

CImageThread::Kind CImageThread::KindOf(const std::string& url)
{
    if (EndsWithNoCase(url, ".gif"))
        return Kind::Gif;
    if (EndsWithNoCase(url, ".jpg") || EndsWithNoCase(url, ".jpeg"))
        return Kind::Jpeg;
    return Kind::None;
}

void CImageThread::SetImageUrl(const std::string& url)
{
    {
        const std::lock_guard lock(m_mutex);
        m_nextUrl = url;
        m_abort = true;
    }
    m_wake.notify_all();
    if (!isRunning())
        start();
}

void CImageThread::Stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        m_abort = true;
    }
    m_wake.notify_all();
    wait();
}

void CImageThread::run()
{
    for (;;) {
        std::string url;
        int load = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || m_nextUrl.has_value(); });
            if (m_quit)
                return;
            url = std::move(*m_nextUrl);
            m_nextUrl.reset();
            m_abort = false;
            load = ++m_load;
        }
        Load(load, url);
    }
}

void CImageThread::Load(int load, const std::string& url)
{
    Q_EMIT PictureStarted(load, Bytes(url));
    const Kind kind = KindOf(url);
    if (kind == Kind::None) {
        Q_EMIT PictureFinished(load, Bytes(url));
        return;
    }

    CPictureFetch fetch(m_abort, m_limits);
    if (!fetch.Open(url)) {
        if (m_abort.load())
            return; // another URL (or the end) is waiting
        std::string caption = LoadString(ImageResources::kCaptionFetchFailed);
        caption.replace(caption.find("%1"), 2, url);
        caption.replace(caption.find("%2"), 2, fetch.Error());
        Q_EMIT PictureFinished(load, Bytes(caption));
        return;
    }

    SignalSink sink(*this, load, m_abort, &CImageThread::PictureSize, &CImageThread::PictureRow,
                    &CImageThread::PictureMessage);
    if (kind == Kind::Gif)
        CGifDecoder::Decode(fetch, sink);
    else
        CJpegDecoder::Decode(fetch, sink);
    if (!m_abort.load())
        Q_EMIT PictureFinished(load, Bytes(url));
}
