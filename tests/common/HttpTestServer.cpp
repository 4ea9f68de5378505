#include "common/HttpTestServer.h"

#include <QMutexLocker>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace brumble::test {

class CHttpTestServer::Worker final : public QObject {
public:
    mutable QMutex mutex;
    std::map<QByteArray, Response> routes; // guarded by mutex
    QByteArray lastUserAgent;              // guarded by mutex
    int requests = 0;                      // guarded by mutex
    QTcpServer* server = nullptr;

    quint16 Listen()
    {
        server = new QTcpServer(this);
        server->listen(QHostAddress::LocalHost, 0);
        connect(server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server->nextPendingConnection())
                Accept(client);
        });
        return server->serverPort();
    }

private:
    void Accept(QTcpSocket* client)
    {
        auto* request = new QByteArray;
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QObject::destroyed, this, [request] { delete request; });
        connect(client, &QTcpSocket::readyRead, this, [this, client, request] {
            request->append(client->readAll());
            const qsizetype end = request->indexOf("\r\n\r\n");
            if (end < 0 || request->isEmpty())
                return;
            const QByteArray head = request->left(end);
            request->clear();
            request->append("\xff"); // answered: ignore anything further
            Answer(client, head);
        });
    }

    void Answer(QTcpSocket* client, const QByteArray& head)
    {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        const QByteArray path = first.value(1);
        Response response;
        bool found = false;
        {
            QMutexLocker lock(&mutex);
            ++requests;
            for (const QByteArray& line : lines) {
                if (line.toLower().startsWith("user-agent:"))
                    lastUserAgent = line.mid(11).trimmed();
            }
            auto it = routes.find(path);
            found = it != routes.end();
            if (found)
                response = it->second;
        }
        if (!found) {
            client->write("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found");
            client->disconnectFromHost();
            return;
        }
        if (response.mode == Response::Mode::Redirect) {
            client->write("HTTP/1.0 302 Found\r\nLocation: " + response.location +
                          "\r\nContent-Length: 0\r\n\r\n");
            client->disconnectFromHost();
            return;
        }
        client->write("HTTP/1.0 200 OK\r\nContent-Type: " + response.contentType +
                      "\r\nContent-Length: " + QByteArray::number(response.body.size()) +
                      "\r\n\r\n");
        switch (response.mode) {
        case Response::Mode::Whole:
            client->write(response.body);
            client->disconnectFromHost();
            break;
        case Response::Mode::Stall:
            // Keeps the connection open, sending nothing more, until the client goes.
            client->write(response.body.left(response.stallAfter));
            client->flush();
            break;
        case Response::Mode::Slow:
            SendSlowly(client, response, 0);
            break;
        case Response::Mode::Redirect:
            break;
        }
    }

    void SendSlowly(QTcpSocket* client, const Response& response, qsizetype offset)
    {
        if (offset >= response.body.size()) {
            client->disconnectFromHost();
            return;
        }
        client->write(response.body.mid(offset, response.chunkBytes));
        client->flush();
        QPointer<QTcpSocket> guard(client);
        QTimer::singleShot(response.chunkPauseMs, this, [this, guard, response, offset] {
            if (guard && guard->state() == QAbstractSocket::ConnectedState)
                SendSlowly(guard, response, offset + response.chunkBytes);
        });
    }
};

CHttpTestServer::CHttpTestServer()
{
    m_worker = new Worker;
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->Listen(); }, Qt::BlockingQueuedConnection);
}

CHttpTestServer::~CHttpTestServer()
{
    m_thread.quit();
    m_thread.wait();
}

void CHttpTestServer::Serve(const QByteArray& path, Response response)
{
    QMutexLocker lock(&m_worker->mutex);
    m_worker->routes[path] = std::move(response);
}

std::string CHttpTestServer::Url(const QByteArray& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path.toStdString();
}

QByteArray CHttpTestServer::LastUserAgent() const
{
    QMutexLocker lock(&m_worker->mutex);
    return m_worker->lastUserAgent;
}

int CHttpTestServer::RequestCount() const
{
    QMutexLocker lock(&m_worker->mutex);
    return m_worker->requests;
}

} // namespace brumble::test
