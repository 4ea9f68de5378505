#include "session/TlsConnection.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>

#include <climits>

#include "res/StringTable.h"

namespace {

constexpr int kStringFailed = 8440; // + the library's reason
constexpr int kStringNotTls = 8441; // the server answered with something else
constexpr int kStringClosed = 8442; // the server hung up during the handshake
constexpr int kStringChainTooLarge = 8443;

// A host typed as an address is checked against the certificate's IP entries and gets no
// SNI (RFC 6066 allows only names there).
bool IsAddress(const std::string& host)
{
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// The library's socket writes with write(2), which raises SIGPIPE (and ends the program) on a
// connection the server has reset. This method is its socket BIO with send(MSG_NOSIGNAL).
int WriteWithoutSignal(BIO* bio, const char* data, int size)
{
    int fd = -1;
    BIO_get_fd(bio, &fd);
    errno = 0;
    const auto n = static_cast<int>(::send(fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL));
    BIO_clear_retry_flags(bio);
    if (n <= 0 && BIO_sock_should_retry(n))
        BIO_set_retry_write(bio);
    return n;
}

BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        const BIO_METHOD* base = BIO_s_socket();
        BIO_METHOD* own = BIO_meth_new(BIO_TYPE_SOCKET, "socket without SIGPIPE");
        if (own) {
            BIO_meth_set_write(own, WriteWithoutSignal);
            BIO_meth_set_read(own, BIO_meth_get_read(base));
            BIO_meth_set_puts(own, BIO_meth_get_puts(base));
            BIO_meth_set_ctrl(own, BIO_meth_get_ctrl(base));
            BIO_meth_set_create(own, BIO_meth_get_create(base));
            BIO_meth_set_destroy(own, BIO_meth_get_destroy(base));
        }
        return own;
    }();
    return method;
}

std::string HostWithoutBrackets(const std::string& host)
{
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

// What the library's error queue says, in the user's terms where we know the case.
std::string ReasonFromQueue()
{
    const unsigned long code = ERR_peek_last_error();
    const int reason = ERR_GET_REASON(code);
    if (ERR_GET_LIB(code) == ERR_LIB_SSL) {
        switch (reason) {
        case SSL_R_WRONG_VERSION_NUMBER:
        case SSL_R_PACKET_LENGTH_TOO_LONG:
        case SSL_R_UNKNOWN_PROTOCOL:
        case SSL_R_HTTP_REQUEST:
        case SSL_R_HTTPS_PROXY_REQUEST:
        case SSL_R_RECORD_LENGTH_MISMATCH:
            return LoadString(kStringNotTls);
        case SSL_R_EXCESSIVE_MESSAGE_SIZE:
            return LoadString(kStringChainTooLarge);
        case SSL_R_UNEXPECTED_EOF_WHILE_READING:
            return LoadString(kStringClosed);
        default:
            break;
        }
    }
    char text[256] = "unknown error";
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    return LoadString(kStringFailed) + text;
}

} // namespace

std::unique_ptr<CTlsConnection> CTlsConnection::Create(int fd, const std::string& host,
                                                       std::string& error)
{
    ERR_clear_error();
    std::unique_ptr<CTlsConnection> tls(new CTlsConnection);
    tls->m_host = HostWithoutBrackets(host);
    tls->m_ctx = SSL_CTX_new(TLS_client_method());
    bool ok = tls->m_ctx != nullptr;
    if (ok) {
        SSL_CTX_set_min_proto_version(tls->m_ctx, TLS1_2_VERSION);
        // A server that asks to renegotiate is told no (TLS 1.2); it cannot keep us busy
        // with handshakes. An unannounced close is an ordinary close, as it is for telnet.
        SSL_CTX_set_options(tls->m_ctx, SSL_OP_NO_RENEGOTIATION | SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_max_cert_list(tls->m_ctx, kMaxCertificateList);
        // The send path keeps what the network did not take and offers it again from
        // another buffer, and takes partial writes as the plain socket does.
        SSL_CTX_set_mode(tls->m_ctx,
                         SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        // The certificate is checked, but the verdict is ours to act on after the handshake.
        SSL_CTX_set_verify(tls->m_ctx, SSL_VERIFY_NONE, nullptr);
        const char* caFile = std::getenv("BRUMBLE_CA_FILE");
        if (caFile && *caFile)
            ok = SSL_CTX_load_verify_locations(tls->m_ctx, caFile, nullptr) == 1;
        else
            ok = SSL_CTX_set_default_verify_paths(tls->m_ctx) == 1;
    }
    if (ok)
        ok = (tls->m_ssl = SSL_new(tls->m_ctx)) != nullptr;
    if (ok) {
        BIO* bio = SocketMethod() ? BIO_new(SocketMethod()) : nullptr;
        ok = bio != nullptr;
        if (ok) {
            BIO_set_fd(bio, fd, BIO_NOCLOSE);
            SSL_set_bio(tls->m_ssl, bio, bio);
        }
    }
    if (ok) {
        if (IsAddress(tls->m_host)) {
            ok =
                X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls->m_ssl), tls->m_host.c_str()) == 1;
        } else {
            ok = SSL_set_tlsext_host_name(tls->m_ssl, tls->m_host.c_str()) == 1 &&
                 SSL_set1_host(tls->m_ssl, tls->m_host.c_str()) == 1;
        }
    }
    if (!ok) {
        error = ReasonFromQueue();
        return nullptr;
    }
    SSL_set_connect_state(tls->m_ssl);
    return tls;
}

CTlsConnection::~CTlsConnection()
{
    SSL_free(m_ssl);
    SSL_CTX_free(m_ctx);
}

CTlsConnection::Step CTlsConnection::Handshake()
{
    ERR_clear_error();
    const int result = SSL_do_handshake(m_ssl);
    if (result == 1) {
        m_handshakeDone = true;
        return Step::Done;
    }
    switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_WANT_READ:
        return Step::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return Step::WantWrite;
    default:
        Fail(result);
        return Step::Failed;
    }
}

bool CTlsConnection::Verified() const
{
    return m_handshakeDone && SSL_get_verify_result(m_ssl) == X509_V_OK &&
           SSL_get0_peer_certificate(m_ssl) != nullptr;
}

CTlsCertificate CTlsConnection::Certificate() const
{
    CTlsCertificate info;
    info.host = m_host;
    X509* cert = SSL_get0_peer_certificate(m_ssl);
    if (!cert) {
        info.problem = "no certificate";
        return info;
    }
    info.problem = X509_verify_cert_error_string(SSL_get_verify_result(m_ssl));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), digest, &length) == 1) {
        for (unsigned int i = 0; i < length; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : ":%02X", digest[i]);
            info.fingerprint += hex;
        }
    }
    return info;
}

std::string CTlsConnection::Version() const
{
    return SSL_get_version(m_ssl);
}

ssize_t CTlsConnection::Read(char* buffer, std::size_t size)
{
    ERR_clear_error();
    std::size_t done = 0;
    const int result = SSL_read_ex(m_ssl, buffer, size, &done);
    if (result == 1)
        return static_cast<ssize_t>(done);
    if (SSL_get_error(m_ssl, result) == SSL_ERROR_ZERO_RETURN)
        return 0;
    return Fail(result);
}

ssize_t CTlsConnection::Write(const char* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    ERR_clear_error();
    std::size_t done = 0;
    const int result = SSL_write_ex(m_ssl, bytes, size, &done);
    if (result == 1)
        return static_cast<ssize_t>(done);
    return Fail(result);
}

ssize_t CTlsConnection::Fail(int result)
{
    const int error = SSL_get_error(m_ssl, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        errno = EAGAIN;
        return -1;
    }
    if (error == SSL_ERROR_SYSCALL && errno != 0 && ERR_peek_last_error() == 0) {
        // The network's own error (a reset): errno says it, as for a plain socket.
        m_failure.clear();
        return -1;
    }
    if (error == SSL_ERROR_SYSCALL || error == SSL_ERROR_ZERO_RETURN)
        m_failure = m_handshakeDone ? LoadString(kStringFailed) + "unexpected end of data"
                                    : LoadString(kStringClosed);
    else
        m_failure = ReasonFromQueue();
    errno = EPROTO;
    return -1;
}

bool CTlsConnection::HasPending() const
{
    return SSL_pending(m_ssl) > 0;
}

void CTlsConnection::Shutdown()
{
    if (m_handshakeDone) {
        ERR_clear_error();
        SSL_shutdown(m_ssl);
    }
}
