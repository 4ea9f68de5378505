#pragma once
// The one TCP connection of a session: a non-blocking POSIX socket driven by
// QSocketNotifiers on the UI thread. It looks the host up without blocking, connects (IPv4
// or IPv6), hands every read on to its listener in pieces of at most 508 bytes, queues
// outgoing text until the network takes it, turns network errors into messages, and
// reports connects and disconnects.

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

class CMessageSink;
class CTlsConnection;
struct CTlsCertificate;
class QHostInfo;
class QSocketNotifier;

// What the socket tells its session (CBrumbleDoc implements it).
class CSocketListener {
public:
    virtual ~CSocketListener() = default;
    virtual void OnReceiveText(std::string_view text) = 0;
    virtual void OnConnectionChanged(bool connected) = 0;
    // Around the pieces of one read report: a listener may gather what the pieces change
    // and show it once at the end. An end may be missed when the report is cut short.
    virtual void BeginReadReport() {}
    virtual void EndReadReport() {}
};

class CTelnetSocket final : public QObject {
    Q_OBJECT
public:
    static constexpr int kReadPiece = 508; // bytes handed on per read
    static constexpr int kOobPiece = 1020; // bytes of one out-of-band read
    // Most text that may wait for a server that stopped reading. Beyond it a connected
    // socket disconnects with a message, and one not connected drops the text.
    static constexpr std::size_t kMaxPendingOutput = 4 * 1024 * 1024;
    // The reason shown when a server stopped reading what we send.
    static constexpr int kStringStoppedReading = 8007;
    // The close code of a connection whose TLS layer failed (its reason is kept apart).
    static constexpr int kTlsFailure = 8440;
    // A TLS handshake that has not finished by then fails (a server that never answers).
    static constexpr int kHandshakeTimeoutMs = 30000;
    // Decides about a certificate that did not verify: true to connect anyway.
    using CertificateDecider = std::function<bool(const CTlsCertificate&)>;

    explicit CTelnetSocket(CMessageSink& messages, QObject* parent = nullptr);
    // Destruction closes a live connection without any notification or message.
    ~CTelnetSocket() override;
    CTelnetSocket(const CTelnetSocket&) = delete;
    CTelnetSocket& operator=(const CTelnetSocket&) = delete;

    // Stores the session and creates the socket handle; false when that fails.
    bool SetDocument(CSocketListener* session);
    // Starts a non-blocking connect. A literal address (IPv4, IPv6, IPv6 in brackets) is
    // tried at once: false (after the message) when it cannot start. A name is looked up
    // in the background and true is returned; a name that does not resolve then shows
    // error 10022 and reports the failed connect to the session, like a refused one.
    bool Connect(const std::string& host, unsigned port);
    // Connects to the first of the addresses that takes the connection, in order, each
    // with a handle of its own family; a failure shows the error of the last address.
    // The host only names the connection. Results as for a literal address in Connect.
    bool ConnectToAddresses(const std::string& host, unsigned port,
                            const std::vector<QHostAddress>& addresses);
    // Queues text and sends what the network takes now; false when it stays queued.
    // While sends are held it is queued and counts as sent.
    // Never closes under its caller: an overflow is handled from the event loop.
    bool SendText(std::string_view text);
    // Holds sends back (their order kept) and, when hold is false, sends what waits: the
    // answers that scripts and telnet give during a read report go out in one write.
    void HoldSends(bool hold);
    // Every close, whoever asks for it, takes the disconnect path (OnClose with 0).
    void Close();
    // Whether the next connects speak TLS. The session hears of the connection only after
    // the handshake and, for a certificate that did not verify, after decide agreed (no
    // decider: such a certificate ends the connection).
    void UseTls(bool on, CertificateDecider decide = {});
    bool IsSecure() const { return m_connected && m_tls != nullptr; }
    std::string TlsVersion() const; // "TLSv1.3"; empty when not secure
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
    bool BeginConnect(const std::string& host, unsigned port);
    bool FailConnect(int code);
    bool WalkAddresses(const std::vector<QHostAddress>& addresses);
    int TryNextAddresses(int lastError);
    int StartAttempt(const QHostAddress& address);
    void OnLookedUp(const QHostInfo& info, unsigned generation);
    bool CreateHandle(int family);
    void CloseHandle();
    void OnConnect(int error);
    void ReportConnected();
    void BeginHandshake();
    void ContinueHandshake();
    void FailTls(const std::string& reason);
    // recv, or the TLS layer's decrypting read, with recv's results.
    ssize_t ReadSome(char* buffer, std::size_t size);
    void OnReceive(int error);
    void OnSend(int error);
    void OnOutOfBandData(int error);
    void OnClose(int error);
    void Disconnect(const std::optional<std::string>& reason);
    void ReportReason(const std::string& reason, bool connecting);
    bool SendPending();
    ssize_t SendBytes(std::string_view bytes); // -1 on failure
    void Queue(std::string_view text);
    void UpdateWriteNotifier();
    void EnableNotifiers(bool read, bool write, bool exception);
    void EnableReading(bool on); // the read and the urgent-data reports
    void OnReadable();
    void OnWritable();
    void OnException();

    std::string m_pendingOutput;
    int m_sendState = 0; // 0 not ready, 1 ready, -1 sending
    bool m_holdSends = false;
    bool m_connected = false;
    unsigned m_port = 0;
    std::string m_host;
    CSocketListener* m_session = nullptr;

    CMessageSink& m_messages;
    int m_fd = -1;
    int m_family = 0;                      // address family of m_fd
    bool m_connecting = false;             // a connect is under way on m_fd
    bool m_resolving = false;              // the host is being looked up
    int m_lookupId = -1;                   // that look-up's id, when Qt gave one
    std::vector<QHostAddress> m_addresses; // what the host stands for, tried in order
    std::size_t m_nextAddress = 0;
    bool m_outputOverflowed = false; // the close for a server that stopped reading is due
    unsigned m_handleGeneration = 0; // changes with every new or closed handle
    int m_createError = 0;           // errno of the last failed handle creation
    int m_sendError = 0;             // a hard error met outside the read path, for the close
    double m_readNsPerByte = 0;      // the last read report's pace, to size the next one's reads
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    std::unique_ptr<QSocketNotifier> m_exceptionNotifier;
    bool m_useTls = false;
    CertificateDecider m_decideCertificate;
    std::unique_ptr<CTlsConnection> m_tls; // on m_fd, from the TCP connect to the close
    bool m_handshaking = false;            // TLS handshake (or its certificate question)
    std::string m_tlsFailure;              // the reason behind kTlsFailure
    QTimer m_handshakeTimer;
};
