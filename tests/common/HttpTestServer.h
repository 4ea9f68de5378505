#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 for tests that fetch: it runs on a thread of its own
// (so a test may block on a fetch while it serves), and answers each path as the test set
// it up: the whole body at once, a redirect, the first bytes and then nothing (a stall), or
// the body in small pieces with pauses (a slow server).

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>

#include <map>
#include <memory>

namespace brumble::test {

class CHttpTestServer final {
public:
    struct Response {
        enum class Mode { Whole, Stall, Slow, Redirect };
        QByteArray body;
        Mode mode = Mode::Whole;
        qsizetype stallAfter = 0;  // Stall: bytes of the body sent before it stops
        qsizetype chunkBytes = 64; // Slow: bytes per piece
        int chunkPauseMs = 20;     // Slow: pause between pieces
        QByteArray location{};     // Redirect: where to
        QByteArray contentType = "application/octet-stream";
    };

    CHttpTestServer();
    ~CHttpTestServer();
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;

    void Serve(const QByteArray& path, Response response);
    void Serve(const QByteArray& path, const QByteArray& body) { Serve(path, Response{body}); }
    // "http://127.0.0.1:port" + path
    std::string Url(const QByteArray& path) const;
    quint16 Port() const { return m_port; }
    // The user agent of the most recent request.
    QByteArray LastUserAgent() const;
    int RequestCount() const;

    class Worker;

private:
    QThread m_thread;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
};

} // namespace brumble::test
