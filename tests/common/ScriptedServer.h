#pragma once
// A real TCP server on 127.0.0.1 (or another local address; an ephemeral port) for network
// tests: it accepts one client, records what the client sends, sends what the test says,
// and can close the connection normally or reset it.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

class QTcpServer;
class QTcpSocket;

namespace brumble::test {

class CScriptedServer final : public QObject {
    Q_OBJECT
public:
    explicit CScriptedServer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    ~CScriptedServer() override;

    bool IsListening() const; // false when the address is not on this machine
    quint16 Port() const;
    // Event-loop waits; false on time-out.
    bool WaitForClient(int timeoutMs = 5000);
    bool WaitForReceived(int byteCount, int timeoutMs = 5000);
    void Send(const QByteArray& bytes); // written and flushed at once
    QByteArray Received() const { return m_received; }
    void ClearReceived() { m_received.clear(); }
    void CloseClient(); // orderly close (FIN)
    void ResetClient(); // abortive close (RST, SO_LINGER 0)
    bool HasClient() const { return m_client != nullptr; }

private:
    QTcpServer* m_server = nullptr;
    QTcpSocket* m_client = nullptr;
    QByteArray m_received;
};

// Runs the Qt event loop until pred() is true or timeoutMs passes; returns pred().
template <typename Pred> bool WaitUntil(Pred pred, int timeoutMs = 5000);

} // namespace brumble::test

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

template <typename Pred> bool brumble::test::WaitUntil(Pred pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}
