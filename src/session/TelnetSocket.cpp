#include "session/TelnetSocket.h"

#include <QHostInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "session/TlsConnection.h"

namespace {

// Windows Sockets codes, which the messages (and the people who read them) know.
constexpr int kWouldBlock = 10035;
constexpr int kInvalidArgument = 10022;
constexpr int kFamilyNotSupported = 10047;
constexpr int kAddressNotAvailable = 10049;
constexpr int kAlreadyConnected = 10056;
constexpr int kInProgress = 10036;
// The reason shown when a TLS handshake does not finish in time.
constexpr int kStringHandshakeTimeout = 8444;

// Kernel reads are larger than the pieces handed on: one system call per piece would cap
// the throughput for no gain. A whole number of pieces, so that a flood is handed on in
// full pieces.
constexpr std::size_t kReadBlock = 129 * CTelnetSocket::kReadPiece;
// Work per read report. A server flooding faster than we take the text must not keep us in
// one report: the event loop has to get through between them (30 times a second at least)
// to paint and to scroll, however long each line takes.
constexpr std::chrono::nanoseconds kReportBudget = std::chrono::milliseconds(8);
// The first read of a connection, before its pace is known.
constexpr std::size_t kFirstRead = 8 * CTelnetSocket::kReadPiece;

// How much to read next so that the report ends close to its budget, given the time per
// byte handed on so far (0 when unknown).
std::size_t NextReadSize(double nsPerByte, std::chrono::nanoseconds left)
{
    if (nsPerByte <= 0)
        return kFirstRead;
    const double bytes = static_cast<double>(left.count()) / nsPerByte;
    if (bytes >= static_cast<double>(kReadBlock))
        return kReadBlock;
    const auto pieces = static_cast<std::size_t>(bytes) / CTelnetSocket::kReadPiece;
    return std::max<std::size_t>(pieces, 1) * CTelnetSocket::kReadPiece;
}

struct Reason {
    int code;
    const char* text;
};

constexpr std::array<Reason, 18> kReasons{{
    {10014, "Invalid Host address name."},
    {10022, "Brumble was unable to initialise the connection successfully.\nPlease make sure you "
            "are connected to a network or the internet."},
    {10024, "No more file descriptors are available."},
    {10036, "A blocking Windows Sockets call is in progress."},
    {10038, "The descriptor is not a socket."},
    {10039, "A valid destination address is required."},
    {10047, "Addresses in the specified family cannot be used with Brumble."},
    {10048, "The specified address is already in use."},
    {10049, "The specified address is not available from the local machine."},
    {10050, "The network subsystem has failed."},
    {10051, "The network cannot be reached from this host at this time."},
    {10053, "The connection was aborted due to timeout or other failure."},
    {10054, "The connection was reset by the remote side."},
    {10055, "No buffer space is available. The socket cannot be connected."},
    {10056, "The socket is already connected."},
    {10060, "Attempt to connect timed out without establishing a connection."},
    {10061, "The attempt to connect was rejected."},
    {10093, "The socket was not initialised properly.\nPlease shutdown Brumble and restart."},
}};

bool WouldBlock(int err)
{
    return err == EAGAIN || err == EWOULDBLOCK;
}

// A host typed as an address needs no look-up. IPv6 may come in the brackets of a URL
// ("[::1]"); the brackets are not part of the address.
std::optional<QHostAddress> LiteralAddress(const std::string& host)
{
    std::string text = host;
    if (text.size() > 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    QHostAddress address;
    if (!address.setAddress(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))))
        return std::nullopt;
    return address;
}

// The system's form of an address and port; false for a family we cannot connect to.
bool ToSocketAddress(const QHostAddress& address, unsigned port, sockaddr_storage& storage,
                     socklen_t& length)
{
    storage = {};
    const auto netPort = htons(static_cast<std::uint16_t>(port));
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = netPort;
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
        return true;
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = netPort;
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
        // A link-local address needs its interface, given by name or by number.
        const QByteArray scope = address.scopeId().toLatin1();
        if (!scope.isEmpty()) {
            in6->sin6_scope_id = ::if_nametoindex(scope.constData());
            if (in6->sin6_scope_id == 0)
                in6->sin6_scope_id = scope.toUInt();
        }
        length = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

// Disables a notifier and lets the event loop delete it: it may be the very notifier whose
// activation we are handling.
void Retire(std::unique_ptr<QSocketNotifier>& notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->disconnect();
    notifier.release()->deleteLater();
}

} // namespace

CTelnetSocket::CTelnetSocket(CMessageSink& messages, QObject* parent)
    : QObject(parent), m_messages(messages)
{
    m_handshakeTimer.setSingleShot(true);
    m_handshakeTimer.setInterval(kHandshakeTimeoutMs);
    connect(&m_handshakeTimer, &QTimer::timeout, this,
            [this] { FailTls(LoadString(kStringHandshakeTimeout)); });
}

CTelnetSocket::~CTelnetSocket()
{
    // No message and no notification: the owner is going away.
    CloseHandle();
}

bool CTelnetSocket::SetDocument(CSocketListener* session)
{
    m_session = session;
    CloseHandle();
    return CreateHandle(AF_INET);
}

bool CTelnetSocket::CreateHandle(int family)
{
    ++m_handleGeneration;
    m_family = family;
    m_fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        m_createError = errno;
        return false;
    }
    // The notifiers stay off until a connect is under way: an unconnected socket polls as
    // hung up and would wake the event loop without end.
    m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    m_exceptionNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Exception);
    for (QSocketNotifier* n :
         {m_readNotifier.get(), m_writeNotifier.get(), m_exceptionNotifier.get()})
        n->setEnabled(false);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &CTelnetSocket::OnReadable);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &CTelnetSocket::OnWritable);
    connect(m_exceptionNotifier.get(), &QSocketNotifier::activated, this,
            &CTelnetSocket::OnException);
    return true;
}

void CTelnetSocket::CloseHandle()
{
    // A look-up still running belongs to the connect this ends; its answer must not start
    // a connection nobody asked for any more.
    if (m_lookupId >= 0)
        QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
    m_resolving = false;
    // The notifiers must let go of the descriptor before it is closed and its number reused.
    Retire(m_readNotifier);
    Retire(m_writeNotifier);
    Retire(m_exceptionNotifier);
    m_handshakeTimer.stop();
    m_handshaking = false;
    if (m_tls) {
        m_tls->Shutdown();
        m_tls.reset();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_connecting = false;
    ++m_handleGeneration;
}

void CTelnetSocket::EnableNotifiers(bool read, bool write, bool exception)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(read);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(write);
    if (m_exceptionNotifier)
        m_exceptionNotifier->setEnabled(exception);
}

bool CTelnetSocket::Connect(const std::string& host, unsigned port)
{
    if (!BeginConnect(host, port))
        return false;
    // A NUL inside the name would silently look up a different, shorter name.
    if (host.empty() || host.find('\0') != std::string::npos)
        return FailConnect(kInvalidArgument);
    if (const std::optional<QHostAddress> literal = LiteralAddress(host))
        return WalkAddresses({*literal});

    // A name is looked up on Qt's worker threads, so that a name server that does not answer
    // freezes no window; the answer comes back on this thread. The generation tells a late
    // answer for a connect that was closed meanwhile.
    const unsigned generation = m_handleGeneration;
    m_resolving = true;
    m_lookupId = QHostInfo::lookupHost(
        QString::fromLatin1(host.data(), static_cast<qsizetype>(host.size())), this,
        [this, generation](const QHostInfo& info) { OnLookedUp(info, generation); });
    return true;
}

bool CTelnetSocket::ConnectToAddresses(const std::string& host, unsigned port,
                                       const std::vector<QHostAddress>& addresses)
{
    return BeginConnect(host, port) && WalkAddresses(addresses);
}

bool CTelnetSocket::BeginConnect(const std::string& host, unsigned port)
{
    // A second connect on a live or starting connection must not take over its host name.
    if (m_connected || m_connecting || m_resolving || m_handshaking) {
        ReportError(m_connected ? kAlreadyConnected : kInProgress, true);
        return false;
    }
    m_host = host;
    m_port = port;
    m_addresses.clear();
    m_nextAddress = 0;
    // The handle SetDocument could not create makes the connect fail with its reason.
    if (m_fd < 0 && !CreateHandle(m_family == 0 ? AF_INET : m_family))
        return FailConnect(ErrorCodeFromErrno(m_createError));
    if (port > 65535) // cut to 16 bits it would silently become another port
        return FailConnect(kAddressNotAvailable);
    return true;
}

bool CTelnetSocket::FailConnect(int code)
{
    // A socket whose connect failed cannot be used again: start over with a fresh one.
    CloseHandle();
    CreateHandle(m_family);
    ReportError(code, true);
    return false;
}

bool CTelnetSocket::WalkAddresses(const std::vector<QHostAddress>& addresses)
{
    m_addresses = addresses;
    m_nextAddress = 0;
    const int code = TryNextAddresses(kInvalidArgument);
    return code == 0 || FailConnect(code);
}

int CTelnetSocket::TryNextAddresses(int lastError)
{
    // A host may stand for several addresses (IPv6 and IPv4, or several servers): one that
    // refuses or cannot be reached is no reason to give up while others are left.
    while (m_nextAddress < m_addresses.size()) {
        lastError = StartAttempt(m_addresses[m_nextAddress++]);
        if (lastError == 0)
            return 0;
    }
    return lastError;
}

int CTelnetSocket::StartAttempt(const QHostAddress& address)
{
    sockaddr_storage storage;
    socklen_t length = 0;
    if (!ToSocketAddress(address, m_port, storage, length))
        return kFamilyNotSupported;
    // The handle must be of the address's family; the one made in advance is IPv4.
    if (m_fd < 0 || m_family != storage.ss_family) {
        CloseHandle();
        if (!CreateHandle(storage.ss_family))
            return ErrorCodeFromErrno(m_createError);
    }

    const int rc = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&storage), length);
    const int err = rc < 0 ? errno : 0;
    if (rc == 0) {
        // Done at once (it happens on the loopback): the report still comes from the event
        // loop, so that the caller finishes setting up before it hears of the connection.
        m_connecting = true;
        const unsigned generation = m_handleGeneration;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation != m_handleGeneration || !m_connecting)
                return;
            m_connecting = false;
            OnConnect(0);
        });
        return 0;
    }
    // EINTR leaves the connect running in the background, just like a connect that would block.
    if (err == EINPROGRESS || err == EINTR || WouldBlock(err)) {
        m_connecting = true;
        EnableNotifiers(false, true, false); // writable (or failed) = the connect is done
        return 0;
    }
    // A socket whose connect failed cannot be used again.
    CloseHandle();
    return ErrorCodeFromErrno(err);
}

void CTelnetSocket::OnLookedUp(const QHostInfo& info, unsigned generation)
{
    if (generation != m_handleGeneration || !m_resolving)
        return; // closed meanwhile
    m_resolving = false;
    m_lookupId = -1;
    const QList<QHostAddress> found = info.addresses();
    m_addresses.assign(found.begin(), found.end());
    m_nextAddress = 0;
    // A name that does not resolve fails like any other connect that cannot be made.
    if (const int code = TryNextAddresses(kInvalidArgument); code != 0)
        OnConnect(code);
}

void CTelnetSocket::OnConnect(int error)
{
    if (error == 0 && m_useTls && !m_tls) {
        BeginHandshake();
        return;
    }
    if (error == 0) {
        ReportConnected();
        return;
    }
    // Quiet the failed handle before the message: a message box runs an event loop.
    QPointer<CTelnetSocket> alive(this);
    CloseHandle();
    CreateHandle(m_family);
    ReportError(error, true);
    if (alive && m_session)
        m_session->OnConnectionChanged(false);
}

void CTelnetSocket::ReportConnected()
{
    {
        m_connected = true;
        m_sendState = 0;
        m_pendingOutput.clear();
        m_sendError = 0;
        m_outputOverflowed = false;
        // The write notifier stays on for the first writable report, which makes us ready.
        // Urgent data means nothing inside TLS records.
        EnableNotifiers(true, true, !m_tls);
        if (m_session)
            m_session->OnConnectionChanged(true);
    }
}

void CTelnetSocket::UseTls(bool on, CertificateDecider decide)
{
    m_useTls = on;
    m_decideCertificate = std::move(decide);
}

std::string CTelnetSocket::TlsVersion() const
{
    return IsSecure() ? m_tls->Version() : std::string();
}

void CTelnetSocket::BeginHandshake()
{
    std::string error;
    m_tls = CTlsConnection::Create(m_fd, m_host, error);
    if (!m_tls) {
        FailTls(error);
        return;
    }
    m_handshaking = true;
    m_handshakeTimer.start();
    ContinueHandshake();
}

void CTelnetSocket::ContinueHandshake()
{
    switch (m_tls->Handshake()) {
    case CTlsConnection::Step::WantRead:
        EnableNotifiers(true, false, false);
        return;
    case CTlsConnection::Step::WantWrite:
        EnableNotifiers(false, true, false);
        return;
    case CTlsConnection::Step::Failed: {
        const std::string& reason = m_tls->FailureReason();
        FailTls(reason.empty() ? ErrorReason(ErrorCodeFromErrno(errno)) : reason);
        return;
    }
    case CTlsConnection::Step::Done:
        break;
    }
    m_handshakeTimer.stop();
    EnableNotifiers(false, false, false);
    if (!m_tls->Verified()) {
        // The session does not know of the connection yet, so nothing is sent while the
        // user decides; the question may run an event loop, in which anything may happen.
        QPointer<CTelnetSocket> alive(this);
        const unsigned generation = m_handleGeneration;
        const bool go = m_decideCertificate && m_decideCertificate(m_tls->Certificate());
        if (!alive || generation != m_handleGeneration)
            return;
        if (!go) {
            CloseHandle();
            CreateHandle(m_family);
            if (m_session)
                m_session->OnConnectionChanged(false);
            return;
        }
    }
    m_handshaking = false;
    ReportConnected();
}

void CTelnetSocket::FailTls(const std::string& reason)
{
    QPointer<CTelnetSocket> alive(this);
    CloseHandle();
    CreateHandle(m_family);
    ReportReason(reason, true);
    if (alive && m_session)
        m_session->OnConnectionChanged(false);
}

void CTelnetSocket::OnReadable()
{
    if (m_handshaking)
        ContinueHandshake();
    // Only the write notifier is on while connecting; a read report then is stale.
    else if (m_connected)
        OnReceive(0);
}

void CTelnetSocket::OnWritable()
{
    if (m_connecting) {
        int err = 0;
        socklen_t length = sizeof err;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &length) < 0)
            err = errno;
        if (err == EINPROGRESS || err == EALREADY)
            return; // not finished after all; the notifier reports again
        m_connecting = false;
        if (err == 0) {
            OnConnect(0);
            return;
        }
        // This address failed; the next one, if any, gets a handle of its own.
        CloseHandle();
        if (const int code = TryNextAddresses(ErrorCodeFromErrno(err)); code != 0)
            OnConnect(code);
        return;
    }
    if (m_handshaking) {
        ContinueHandshake();
        return;
    }
    if (!m_connected) {
        EnableNotifiers(false, false, false);
        return;
    }
    OnSend(0);
}

void CTelnetSocket::OnException()
{
    if (m_connected)
        OnOutOfBandData(0);
}

void CTelnetSocket::OnReceive(int error)
{
    if (error != 0) {
        OnClose(error);
        return;
    }
    if (m_fd < 0)
        return;

    QPointer<CTelnetSocket> alive(this);
    const unsigned generation = m_handleGeneration;
    // No new read report while pieces of this one are handed on: a listener that runs an
    // event loop (a message box) would otherwise read newer bytes ahead of older ones. The
    // urgent-data report reads the same stream, so it waits too.
    EnableReading(false);
    auto stillOurs = [&] { return alive && generation == m_handleGeneration && m_connected; };
    std::vector<char> block(kReadBlock);
    if (m_session)
        m_session->BeginReadReport();
    int closeCode = -1; // -1: the connection goes on
    // The report ends once its budget is spent. Each read is sized by the pace so far (at
    // first the last report's), so that a slow listener does not overrun it by much.
    const auto start = std::chrono::steady_clock::now();
    std::chrono::nanoseconds spent{0};
    std::size_t handedOn = 0;
    while (spent < kReportBudget) {
        // The pace of the last whole report counts the views' update at its end, which
        // this one's pieces have not reached yet.
        const double pace =
            handedOn > 0 ? static_cast<double>(spent.count()) / static_cast<double>(handedOn) : 0;
        const std::size_t want =
            NextReadSize(std::max(pace, m_readNsPerByte), kReportBudget - spent);
        const ssize_t n = ReadSome(block.data(), want);
        if (n < 0) {
            const int err = errno;
            if (err == EINTR)
                continue;
            if (!WouldBlock(err))
                closeCode = ErrorCodeFromErrno(err);
            break;
        }
        if (n == 0) {
            // The peer closed. If a send or an urgent-data read already met the reset, say
            // so rather than nothing.
            closeCode = std::exchange(m_sendError, 0);
            break;
        }
        for (ssize_t offset = 0; offset < n; offset += kReadPiece) {
            const auto size = static_cast<std::size_t>(std::min<ssize_t>(kReadPiece, n - offset));
            if (m_session)
                m_session->OnReceiveText(std::string_view(block.data() + offset, size));
            if (!stillOurs())
                return; // deleted, closed or reconnected by the listener: leave it be
        }
        handedOn += static_cast<std::size_t>(n);
        spent = std::chrono::steady_clock::now() - start;
    }
    if (m_session)
        m_session->EndReadReport();
    if (!stillOurs())
        return;
    spent = std::chrono::steady_clock::now() - start;
    if (handedOn > 0)
        m_readNsPerByte = static_cast<double>(spent.count()) / static_cast<double>(handedOn);
    if (closeCode >= 0) {
        OnClose(closeCode);
        return;
    }
    EnableReading(true);
}

ssize_t CTelnetSocket::ReadSome(char* buffer, std::size_t size)
{
    if (!m_tls)
        return ::recv(m_fd, buffer, size, 0);
    const ssize_t n = m_tls->Read(buffer, size);
    if (n < 0 && errno == EPROTO)
        m_tlsFailure = m_tls->FailureReason();
    return n;
}

void CTelnetSocket::EnableReading(bool on)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(on);
    if (m_exceptionNotifier)
        m_exceptionNotifier->setEnabled(on && !m_tls);
    // Bytes the TLS layer already took from the descriptor wake no notifier.
    if (on && m_tls && m_tls->HasPending()) {
        const unsigned generation = m_handleGeneration;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_handleGeneration && m_connected && m_readNotifier &&
                m_readNotifier->isEnabled())
                OnReceive(0);
        });
    }
}

void CTelnetSocket::OnOutOfBandData(int error)
{
    if (error != 0 || m_fd < 0 || m_tls)
        return;
    // An ordinary read: the urgent byte itself stays out of the stream. The one protocol
    // here that sends urgent data is telnet, whose urgent byte is the Data Mark command;
    // shown, it would be a stray character. Reading past it ends the urgent reports.
    std::array<char, kOobPiece + 4> buffer{};
    ssize_t n;
    do {
        n = ::recv(m_fd, buffer.data(), kOobPiece, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && !WouldBlock(errno) && m_sendError == 0)
        m_sendError = ErrorCodeFromErrno(errno); // the reset is told by the coming close
    if (n > 0 && m_session)
        m_session->OnReceiveText(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
}

bool CTelnetSocket::SendText(std::string_view text)
{
    if (m_outputOverflowed)
        return false; // the connection is about to close; nothing more is kept for it
    if (m_sendState != 1) {
        Queue(text);
        return false;
    }
    if (m_holdSends) {
        Queue(text);
        return true;
    }
    if (m_pendingOutput.empty() && text.empty())
        return false;
    m_sendState = -1;
    bool sent = true;
    if (!m_pendingOutput.empty()) {
        // What waits goes first. When the text would not fit behind it, the network gets the
        // chance to make room before the text counts as too much.
        if (m_pendingOutput.size() + text.size() <= kMaxPendingOutput) {
            m_pendingOutput.append(text);
            text = {};
        }
        sent = SendPending();
    }
    if (!text.empty() && m_pendingOutput.empty() && sent) {
        // Nothing waits: send from the caller's bytes, and keep only what the network left.
        const ssize_t n = SendBytes(text);
        sent = n >= 0;
        text.remove_prefix(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    Queue(text);
    m_sendState = 1;
    UpdateWriteNotifier();
    return sent;
}

void CTelnetSocket::HoldSends(bool hold)
{
    m_holdSends = hold;
    if (!hold && m_connected && m_sendState == 1 && !m_pendingOutput.empty())
        SendText({});
}

void CTelnetSocket::Queue(std::string_view text)
{
    if (m_pendingOutput.size() + text.size() <= kMaxPendingOutput) {
        m_pendingOutput.append(text);
        return;
    }
    // Not connected, the text would be thrown away at the next connect anyway.
    if (!m_connected)
        return;
    // A server that floods us with requests and never reads the answers would otherwise
    // take all memory. The close waits for the event loop: we may be deep inside the
    // receive path (telnet answers are sent while filtering), whose caller must not find
    // the connection gone under it.
    if (m_outputOverflowed)
        return;
    m_outputOverflowed = true;
    const unsigned generation = m_handleGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == m_handleGeneration && m_connected && m_outputOverflowed)
            Disconnect(LoadString(kStringStoppedReading));
    });
}

void CTelnetSocket::OnSend(int error)
{
    if (error != 0) {
        OnClose(error);
        return;
    }
    // One thread: a send in progress cannot be interrupted by this report, so there is
    // nothing to wait for here.
    m_sendState = -1;
    if (!m_pendingOutput.empty())
        SendPending();
    m_sendState = 1;
    UpdateWriteNotifier();
}

bool CTelnetSocket::SendPending()
{
    const ssize_t n = SendBytes(m_pendingOutput);
    if (n < 0)
        return false;
    m_pendingOutput.erase(0, static_cast<std::size_t>(n));
    return true;
}

ssize_t CTelnetSocket::SendBytes(std::string_view bytes)
{
    if (m_fd < 0)
        return -1;
    ssize_t n;
    do {
        n = m_tls ? m_tls->Write(bytes.data(), bytes.size())
                  : ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno == EPROTO && m_tls)
        m_tlsFailure = m_tls->FailureReason();
    if (n < 0) {
        const int err = errno;
        // A hard error (the peer reset us) is kept for the close that the read side is about
        // to see: the kernel hands the reset to whichever call asks first.
        if (!WouldBlock(err) && m_sendError == 0)
            m_sendError = ErrorCodeFromErrno(err);
    }
    return n;
}

void CTelnetSocket::UpdateWriteNotifier()
{
    // Writable is the normal state of a connected socket: listen only while there is
    // something to write, and not after a hard error, or the event loop would spin.
    if (m_writeNotifier && m_connected && m_sendState == 1)
        m_writeNotifier->setEnabled(!m_pendingOutput.empty() && m_sendError == 0);
}

void CTelnetSocket::Close()
{
    OnClose(0);
}

void CTelnetSocket::OnClose(int error)
{
    if (error == kTlsFailure)
        Disconnect(m_tlsFailure);
    else
        Disconnect(error != 0 ? std::optional<std::string>(ErrorReason(error)) : std::nullopt);
}

void CTelnetSocket::Disconnect(const std::optional<std::string>& reason)
{
    m_connected = false;
    m_sendState = 0;
    m_pendingOutput.clear();
    m_sendError = 0;
    m_outputOverflowed = false;
    // A fresh handle at once, so that this object can connect again; the old one is
    // silenced before any message box gets to run an event loop.
    CloseHandle();
    CreateHandle(m_family);
    QPointer<CTelnetSocket> alive(this);
    if (reason)
        ReportReason(*reason, false);
    if (alive && m_session)
        m_session->OnConnectionChanged(false);
}

void CTelnetSocket::ReportError(int code, bool connecting)
{
    ReportReason(ErrorReason(code), connecting);
}

void CTelnetSocket::ReportReason(const std::string& reason, bool connecting)
{
    std::string text = LoadString(connecting ? 8003 : 8004);
    text += m_host;
    text += ".\n";
    text += reason;
    m_messages.ShowMessage(text, CMessageSink::Icon::None, CMessageSink::Buttons::Ok);
}

int CTelnetSocket::ErrorCodeFromErrno(int err)
{
    switch (err) {
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
    case ENFILE:
        return 10024;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return kWouldBlock;
    case EINPROGRESS:
    case EALREADY:
        return 10036;
    case EBADF:
    case ENOTSOCK:
        return 10038;
    case EDESTADDRREQ:
        return 10039;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return 10051;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
    case EPIPE:
        return 10054;
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    case EISCONN:
        return 10056;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case EPROTO: // only the TLS layer reports it
        return kTlsFailure;
    default:
        return err;
    }
}

std::string CTelnetSocket::ErrorReason(int code)
{
    for (const Reason& r : kReasons) {
        if (r.code == code)
            return r.text;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Unknown error occured: %d", code);
    return text;
}
