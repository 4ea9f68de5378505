#pragma once
// The picture thread: fetches and decodes the picture URL it was last given, one at a time,
// and reports to the picture window only through queued signals (this object lives on the
// interface thread; its run() is the other thread). A new URL is handed over through a
// mutex-guarded slot and makes the picture being read give up at its next read or row, so
// any new URL starts afresh whatever is being read. Every signal carries the number of the
// load it belongs to, so the window can ignore what an abandoned load still had queued.

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "image/PictureFetch.h"

class CImageThread final : public QThread {
    Q_OBJECT
public:
    explicit CImageThread(CPictureFetch::Limits limits = {}, QObject* parent = nullptr);
    // Stops and waits for the thread.
    ~CImageThread() override;
    CImageThread(const CImageThread&) = delete;
    CImageThread& operator=(const CImageThread&) = delete;

    // Any thread: the URL to show next (starts the thread the first time).
    void SetImageUrl(const std::string& url);
    // Gives up the current fetch and waits until the thread has ended; it ends promptly,
    // since every read it may be blocked in looks at the abort flag.
    void Stop();

    // Whether a URL names a picture of a kind we decode.
    enum class Kind { None, Gif, Jpeg };
    static Kind KindOf(const std::string& url);

Q_SIGNALS:
    void PictureStarted(int load, const QByteArray& url);
    void PictureSize(int load, int width, int height);
    // Row y of the picture, 3 bytes per pixel: red, green, blue.
    void PictureRow(int load, int y, const QByteArray& rgb);
    void PictureMessage(int load, const QByteArray& title, const QByteArray& text, int icon);
    // The load is over: caption is the URL, or why it could not be fetched.
    void PictureFinished(int load, const QByteArray& caption);

protected:
    void run() override;

private:
    void Load(int load, const std::string& url);

    CPictureFetch::Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<std::string> m_nextUrl; // guarded by m_mutex
    bool m_quit = false;                  // guarded by m_mutex
    int m_load = 0;                       // guarded by m_mutex
    std::atomic<bool> m_abort{false};
};
