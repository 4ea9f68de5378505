#pragma once
// The one TCP connection of a session: a non-blocking POSIX socket driven by
// QSocketNotifiers on the UI thread. It connects, hands every read on to its listener in
// pieces of at most 508 bytes, queues outgoing text until the network takes it, turns
// network errors into messages, and reports connects and disconnects.

#include <QObject>

#include <memory>
#include <string>
#include <string_view>

class CMessageSink;
class QSocketNotifier;

// What the socket tells its session (CBrumbleDoc implements it).
class CSocketListener {
public:
    virtual ~CSocketListener() = default;
    virtual void OnReceiveText(std::string_view text) = 0;
    virtual void OnConnectionChanged(bool connected) = 0;
};

class CTelnetSocket final : public QObject {
    Q_OBJECT
public:
    static constexpr int kReadPiece = 508; // bytes handed on per read
    static constexpr int kOobPiece = 1020; // bytes of one out-of-band read

    explicit CTelnetSocket(CMessageSink& messages, QObject* parent = nullptr);
    // Destruction closes a live connection without any notification or message.
    ~CTelnetSocket() override;
    CTelnetSocket(const CTelnetSocket&) = delete;
    CTelnetSocket& operator=(const CTelnetSocket&) = delete;

    // Stores the session and creates the socket handle; false when that fails.
    bool SetDocument(CSocketListener* session);
    // Resolves (dotted address, else a blocking look-up: no answer is error 10022) and
    // starts a non-blocking connect. False (after the message) when it cannot start.
    bool Connect(const std::string& host, unsigned port);
    // Queues text and sends what the network takes now; false when it stays queued.
    bool SendText(std::string_view text);
    // Every close, whoever asks for it, takes the disconnect path (OnClose with 0).
    void Close();
    // "Unable to connect to "/"A session was disconnected from " + host + ".\n" + reason.
    void ReportError(int code, bool connecting);

    bool IsConnected() const { return m_connected; }
    const std::string& GetHost() const { return m_host; }
    unsigned GetPort() const { return m_port; }
    int SendState() const { return m_sendState; }
    const std::string& PendingOutput() const { return m_pendingOutput; }

    // The Windows Sockets code for an errno value; an unmapped value is returned as it is,
    // so that the "Unknown error occured: %d" text shows it.
    static int ErrorCodeFromErrno(int err);
    // The reason text for a code, or "Unknown error occured: <code>".
    static std::string ErrorReason(int code);

private:
    bool CreateHandle();
    void CloseHandle();
    void OnConnect(int error);
    void OnReceive(int error);
    void OnSend(int error);
    void OnOutOfBandData(int error);
    void OnClose(int error);
    bool SendPending();
    void UpdateWriteNotifier();
    void EnableNotifiers(bool read, bool write, bool exception);
    void EnableReading(bool on); // the read and the urgent-data reports
    void OnReadable();
    void OnWritable();
    void OnException();

    std::string m_pendingOutput;
    int m_sendState = 0; // 0 not ready, 1 ready, -1 sending
    bool m_connected = false;
    unsigned m_port = 0;
    std::string m_host;
    CSocketListener* m_session = nullptr;

    CMessageSink& m_messages;
    int m_fd = -1;
    bool m_connecting = false;
    unsigned m_handleGeneration = 0; // changes with every new or closed handle
    int m_createError = 0;           // errno of the last failed handle creation
    int m_sendError = 0;             // a hard error met outside the read path, for the close
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    std::unique_ptr<QSocketNotifier> m_exceptionNotifier;
};
