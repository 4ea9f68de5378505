#pragma once
// TLS (OpenSSL) over the connection socket's own non-blocking descriptor. The socket keeps
// its notifiers and its read and send paths; when a host wants a secure connection it
// drives the handshake through this class and then reads and writes through it instead of
// recv and send, so that everything above the socket sees the same decrypted bytes.
//
// TLS 1.2 and 1.3 only; the server name goes out as SNI; the certificate is checked against
// the system's trust store (or the file named by BRUMBLE_CA_FILE) and the host name. The
// handshake itself never fails for an unverified certificate: the socket asks the user,
// and nothing is sent before the answer.

#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>

struct ssl_st;
struct ssl_ctx_st;

// What the user is shown about a certificate that did not verify.
struct CTlsCertificate {
    std::string host;
    std::string problem;     // the verifier's reason ("self-signed certificate", ...)
    std::string fingerprint; // SHA-256 of the server's certificate, "AB:CD:..."
};

class CTlsConnection final {
public:
    enum class Step { Done, WantRead, WantWrite, Failed };

    // The largest certificate chain (and any other handshake message) accepted.
    static constexpr long kMaxCertificateList = 100 * 1024;

    // A connection over fd (connected, non-blocking) to host; null when the library cannot
    // be set up (FailureReason of a failed Create is then given through error).
    static std::unique_ptr<CTlsConnection> Create(int fd, const std::string& host,
                                                  std::string& error);
    ~CTlsConnection();
    CTlsConnection(const CTlsConnection&) = delete;
    CTlsConnection& operator=(const CTlsConnection&) = delete;

    // Drives the handshake; call again when the descriptor is ready as asked.
    Step Handshake();
    // After the handshake: whether the certificate verified, and what to ask when not.
    bool Verified() const;
    CTlsCertificate Certificate() const;
    std::string Version() const; // "TLSv1.3"

    // Like recv and send: > 0 bytes, 0 for the peer's close, -1 with errno EAGAIN (try
    // again when the descriptor is ready) or EPROTO (the connection failed: FailureReason).
    ssize_t Read(char* buffer, std::size_t size);
    ssize_t Write(const char* bytes, std::size_t size);
    // Decrypted bytes that wait inside the library, not in the descriptor.
    bool HasPending() const;
    // Says goodbye (close_notify) as far as the descriptor takes it without waiting.
    void Shutdown();

    // The reason of the last failure, for the user.
    const std::string& FailureReason() const { return m_failure; }

private:
    CTlsConnection() = default;
    // Maps an OpenSSL result to errno (and the failure text); returns -1.
    ssize_t Fail(int result);

    ssl_ctx_st* m_ctx = nullptr;
    ssl_st* m_ssl = nullptr;
    std::string m_host;
    std::string m_failure;
    bool m_handshakeDone = false;
};
