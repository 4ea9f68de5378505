#include "common/ScriptedServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <sys/socket.h>

#include <utility>

namespace brumble::test {

CScriptedServer::CScriptedServer(const QHostAddress& address) : m_server(new QTcpServer(this))
{
    m_server->listen(address, 0);
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* next = m_server->nextPendingConnection()) {
            // The newest client is the one the test talks to (a reconnect replaces the old).
            if (m_client) {
                m_client->disconnect(this);
                m_client->abort();
                m_client->deleteLater();
            }
            m_client = next;
            connect(next, &QTcpSocket::readyRead, this,
                    [this, next] { m_received += next->readAll(); });
            connect(next, &QTcpSocket::disconnected, this, [this, next] {
                // The client went away: keep what it sent, forget the connection.
                m_received += next->readAll();
                if (m_client == next)
                    m_client = nullptr;
                next->deleteLater();
            });
        }
    });
}

CScriptedServer::~CScriptedServer()
{
    if (m_client)
        m_client->disconnect(this);
}

bool CScriptedServer::IsListening() const
{
    return m_server->isListening();
}

quint16 CScriptedServer::Port() const
{
    return m_server->serverPort();
}

bool CScriptedServer::WaitForClient(int timeoutMs)
{
    return WaitUntil([this] { return m_client != nullptr; }, timeoutMs);
}

bool CScriptedServer::WaitForReceived(int byteCount, int timeoutMs)
{
    return WaitUntil([this, byteCount] { return m_received.size() >= byteCount; }, timeoutMs);
}

void CScriptedServer::Send(const QByteArray& bytes)
{
    if (!m_client)
        return;
    m_client->write(bytes);
    // Into the kernel now, without running the event loop: tests rely on the bytes waiting
    // for the client before its own notifier gets a chance to run.
    while (m_client->bytesToWrite() > 0) {
        if (!m_client->waitForBytesWritten(5000))
            break;
    }
}

void CScriptedServer::CloseClient()
{
    if (!m_client)
        return;
    QTcpSocket* client = std::exchange(m_client, nullptr);
    client->disconnect(this);
    m_received += client->readAll();
    client->disconnectFromHost(); // FIN once the written bytes are out
    if (client->state() != QAbstractSocket::UnconnectedState)
        client->waitForDisconnected(5000);
    client->deleteLater();
}

void CScriptedServer::ResetClient()
{
    if (!m_client)
        return;
    QTcpSocket* client = std::exchange(m_client, nullptr);
    client->disconnect(this);
    // A zero linger time turns the close into a reset.
    linger option{1, 0};
    ::setsockopt(static_cast<int>(client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &option,
                 sizeof option);
    client->abort();
    client->deleteLater();
}

} // namespace brumble::test
