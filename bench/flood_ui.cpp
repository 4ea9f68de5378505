// A server floods a connection window with MUD output: the whole path from the socket through
// the session's filter and line buffer to the view's rows and its (gathered) repaints, with a
// real CTelnetSocket, CBrumbleDoc and CBrumbleView on the offscreen platform.
//
//   flood_ui [--flood_mb=N] [--line_buffer=L] [benchmark flags]
//            (N defaults to 10; L, the host's line buffer, to 250)
//
// A thread on 127.0.0.1 sends N MB of generated output (colour codes, CR LF line ends,
// prompts without a line end, tabs, room descriptions) as fast as the client takes it. The
// time runs from the first byte sent to the last line standing in the view's rows.
// Figures: MB/s (goal >= 100) and the peak resident memory (VmHWM). Run 10 and 100 MB in
// separate processes: their peak difference (goal <= 20 MB) shows whether memory grows with
// the amount received, whatever the machine. With --line_buffer=100000 against the default,
// the difference is what keeping many lines costs.
//
//   Flood/bare    a host with no per-host rules
//   Flood/rules   the same flood for a host carrying the rules a heavy user might have
//                 (LoadedHost: 100 highlights and 100 triggers, of which one of each matches
//                 every 50th line)
//   Flood/tls     the bare flood over TLS (the server thread encrypts with a certificate made
//                 at start; the host trusts it always, so nothing is asked)
//   Flood/scripts the rules and 100 receive scripts besides (HeavyHost.h). With a slow
//                 line, a read report must still end after about 8 ms: this variant prints
//                 the paints per second (goal >= 30) and the longest gap between paints.
//                 Run it alone with --benchmark_filter=scripts --flood_mb=2 when the
//                 scripts are slow.
//   Flood/stair   1 MB of "x\n" for a host whose line feeds keep the column (as sent): every
//                 line is padded to the column of the one before, up to the longest line.
//                 Goal: under a second, no gap between paints above 100 ms.
// All run in one process; the ratio of their MB/s, printed at the end, is what the rules
// (or TLS) cost on any machine (best of each with --benchmark_repetitions=N
// --benchmark_enable_random_interleaving=true).
#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "HeavyHost.h"
#include "MudStream.h"
#include "SilentServices.h"
#include "alerts/SoundPlayer.h"
#include "alerts/TriggersDlg.h"
#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/MessageSink.h"
#include "base/RandomGenerator.h"
#include "display/ColouredTextDlg.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

namespace {

using Clock = std::chrono::steady_clock;

int g_floodMb = 10;
int g_lineBuffer = 0; // the host's "Line Buffer"; 0 leaves the default (250)
const char* const kLastLine = "*** end of the flood ***";
// The best MB/s, and the least CPU time of the client's thread, of each variant that ran.
std::map<std::string, double> g_results;
std::map<std::string, double> g_cpuSeconds;

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The rules of a heavy user, written before the window connects (the session loads them
// when it opens): 100 highlights and 100 triggers, and with scripts 100 receive scripts.
void LoadedHost(CAppServices& services, const std::string& host)
{
    HeavyHost::WriteAll(services, host, false);
}
void ScriptedHost(CAppServices& services, const std::string& host)
{
    HeavyHost::WriteAll(services, host, true);
}

// Line feeds keep the column: a bare "\n" makes a staircase.
void StairHost(CAppServices& services, const std::string& host)
{
    services.settings.WriteInt(host, "Line Ends", 1);
}

using HostSetup = void (*)(CAppServices& services, const std::string& host);

// The flood server's TLS side: a key and a self-signed certificate made once, in memory.
struct CServerTls {
    SSL_CTX* ctx = nullptr;
    std::string fingerprint; // as the client shows and stores it
    CServerTls()
    {
        EVP_PKEY* key = EVP_EC_gen("P-256");
        X509* cert = X509_new();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), 0);
        X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        X509_sign(cert, key, EVP_sha256());
        ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(ctx, cert);
        SSL_CTX_use_PrivateKey(ctx, key);
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        X509_digest(cert, EVP_sha256(), digest, &length);
        for (unsigned int i = 0; i < length; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : ":%02X", digest[i]);
            fingerprint += hex;
        }
        X509_free(cert);
        EVP_PKEY_free(key);
    }
    ~CServerTls() { SSL_CTX_free(ctx); }
};

CServerTls& ServerTls()
{
    static CServerTls tls;
    return tls;
}

// A host that connects with TLS and trusts the flood server's certificate.
void TlsHost(CAppServices& services, const std::string& host)
{
    services.settings.WriteInt(host, "TLS", 1);
    services.settings.WriteString(host, "TLS Certificate", ServerTls().fingerprint);
}

// Counts the window's paints during the flood and the longest time without one: the window
// must stay live (30 paints a second) however much each line costs.
class CPaintWatch final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const Clock::time_point now = Clock::now();
            if (m_paints > 0)
                m_longestGap = std::max(m_longestGap, now - m_last);
            m_last = now;
            ++m_paints;
        }
        return QObject::eventFilter(watched, event);
    }
    int Paints() const { return m_paints; }
    double LongestGapMs() const
    {
        return std::chrono::duration<double, std::milli>(m_longestGap).count();
    }

private:
    int m_paints = 0;
    Clock::time_point m_last;
    Clock::duration m_longestGap{};
};

// The flooding server: one client, blocking sends of a repeated block, then the last line;
// it keeps the connection open until told to stop, so that no disconnect message is shown.
class CFloodServer {
public:
    CFloodServer(std::size_t megabytes, bool tls, std::string block)
        : m_bytes(megabytes * 1024 * 1024), m_block(std::move(block))
    {
        if (tls)
            m_ssl = SSL_new(ServerTls().ctx);
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~CFloodServer()
    {
        m_stop = true;
        if (m_client >= 0)
            ::shutdown(m_client, SHUT_RDWR);
        if (m_listener >= 0)
            ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        if (m_client >= 0)
            ::close(m_client);
        if (m_listener >= 0)
            ::close(m_listener);
        SSL_free(m_ssl);
    }

    unsigned Port() const { return m_port; }
    bool Started() const { return m_started; }
    Clock::time_point FirstByte() const { return m_firstByte; }
    std::size_t Sent() const { return m_sent; }

private:
    void Run()
    {
        m_client = ::accept(m_listener, nullptr, nullptr);
        if (m_client < 0)
            return;
        if (m_ssl && (SSL_set_fd(m_ssl, m_client) != 1 || SSL_accept(m_ssl) != 1))
            return;
        const std::string& block = m_block;
        m_firstByte = Clock::now();
        m_started = true;
        std::size_t left = m_bytes;
        while (left > 0 && !m_stop) {
            const std::size_t piece = std::min(left, block.size());
            if (!SendAll(block.data(), piece))
                return;
            left -= piece;
        }
        const std::string last = std::string("\r\n") + kLastLine + "\r\n";
        SendAll(last.data(), last.size());
        char byte;
        while (!m_stop && (m_ssl ? SSL_read(m_ssl, &byte, 1) : ::recv(m_client, &byte, 1, 0)) > 0) {
        }
    }

    bool SendAll(const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = m_ssl ? SSL_write(m_ssl, data, static_cast<int>(size))
                                    : ::send(m_client, data, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
            m_sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::size_t m_bytes;
    std::string m_block;
    SSL* m_ssl = nullptr;
    int m_listener = -1;
    int m_client = -1;
    unsigned m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_started{false};
    std::atomic<std::size_t> m_sent{0};
    Clock::time_point m_firstByte;
};

long PeakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

void BM_Flood(benchmark::State& state, HostSetup setup)
{
    for (auto _ : state) {
        QTemporaryDir dir;
        CSettingsStore settings((dir.path() + QStringLiteral("/settings.db")).toStdString());
        CSilentMessages messages;
        CSilentSound sound;
        CRandomGenerator random;
        CAppState app;
        CAppServices services{settings, messages, sound, random, app};
        auto doc = std::make_unique<CBrumbleDoc>(services);
        auto view = std::make_unique<CBrumbleView>(*doc, services, nullptr);
        view->resize(800, 600);
        view->show();

        const bool stair = setup == &StairHost;
        CFloodServer server(stair ? 1 : static_cast<std::size_t>(g_floodMb), setup == &TlsHost,
                            stair ? [] {
                                std::string block;
                                for (int i = 0; i < 512 * 1024; ++i)
                                    block += "x\n";
                                return block;
                            }()
                                  : HeavyHost::FloodBlock());
        if (setup != nullptr)
            setup(services, "127.0.0.1");
        if (g_lineBuffer > 0)
            settings.WriteInt("127.0.0.1", "Line Buffer", g_lineBuffer);
        if (server.Port() == 0 || !doc->OpenSession("127.0.0.1", server.Port())) {
            state.SkipWithError("cannot connect to the flood server on 127.0.0.1");
            return;
        }
        // The end: the last line is among the last rows (the view has caught up with the
        // flood; a script's echoed answer may follow it when both came in one piece).
        const CRowModel& model = view->Model();
        const auto done = [&] {
            const auto& rows = model.Rows();
            return std::find_if(rows.rbegin(),
                                rows.rbegin() + std::min<std::ptrdiff_t>(
                                                    4, static_cast<std::ptrdiff_t>(rows.size())),
                                [&](const CRowModel::Row& row) {
                                    return model.RowText(row) == kLastLine;
                                }) !=
                   rows.rbegin() +
                       std::min<std::ptrdiff_t>(4, static_cast<std::ptrdiff_t>(rows.size()));
        };
        CPaintWatch paints;
        view->viewport()->installEventFilter(&paints); // the rows are painted there
        const double cpuStart = ThreadCpuSeconds();
        const Clock::time_point deadline = Clock::now() + std::chrono::minutes(5);
        while (!done() && Clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const Clock::time_point end = Clock::now();
        const double cpu = ThreadCpuSeconds() - cpuStart;
        if (!done()) {
            state.SkipWithError("the last line never reached the view");
            return;
        }
        const double seconds = std::chrono::duration<double>(end - server.FirstByte()).count();
        state.SetIterationTime(seconds);
        const double megabytes = static_cast<double>(server.Sent()) / (1024.0 * 1024.0);
        state.counters["MB_per_s"] = megabytes / seconds;
        state.counters["peak_RSS_MB"] = static_cast<double>(PeakResidentKb()) / 1024.0;
        state.counters["rows"] = model.RowCount();
        state.counters["paints_per_s"] = paints.Paints() / seconds;
        state.counters["longest_paint_gap_ms"] = paints.LongestGapMs();
        const char* variant = setup == nullptr       ? "bare"
                              : setup == &TlsHost    ? "tls"
                              : setup == &LoadedHost ? "rules"
                              : stair                ? "stair"
                                                     : "scripts";
        std::printf("flood_ui %s: %.1f MB in %.3f s (client CPU %.3f s) = %.1f MB/s, peak "
                    "resident %.1f MB, %.1f paints/s, longest gap between paints %.0f ms\n",
                    variant, megabytes, seconds, cpu, megabytes / seconds,
                    static_cast<double>(PeakResidentKb()) / 1024.0, paints.Paints() / seconds,
                    paints.LongestGapMs());
        // With --benchmark_repetitions the best run of each counts: on a shared machine the
        // slower runs measure the neighbours.
        g_results[variant] = std::max(g_results[variant], megabytes / seconds);
        const auto known = g_cpuSeconds.find(variant);
        g_cpuSeconds[variant] = known == g_cpuSeconds.end() ? cpu : std::min(known->second, cpu);
        state.counters["client_CPU_ms"] = cpu * 1000.0;
        view.reset();
        doc.reset();
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_Flood, bare, nullptr)
    ->Name("Flood/bare")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flood, rules, &LoadedHost)
    ->Name("Flood/rules")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flood, tls, &TlsHost)
    ->Name("Flood/tls")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flood, scripts, &ScriptedHost)
    ->Name("Flood/scripts")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Flood, stair, &StairHost)
    ->Name("Flood/stair")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Our own argument first; the rest belongs to the benchmark library.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--flood_mb=", 11) == 0)
            g_floodMb = std::max(1, std::atoi(argv[i] + 11));
        else if (std::strncmp(argv[i], "--line_buffer=", 14) == 0)
            g_lineBuffer = std::max(1, std::atoi(argv[i] + 14));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_results.count("bare") != 0 && g_results.count("rules") != 0) {
        std::printf("flood_ui: bare %.1f MB/s, with rules %.1f MB/s, bare/rules = %.2f\n",
                    g_results["bare"], g_results["rules"], g_results["bare"] / g_results["rules"]);
        // Wall time counts the neighbours' load too; the client thread's CPU time does not.
        std::printf("flood_ui: client CPU bare %.0f ms, with rules %.0f ms, rules/bare = %.2f\n",
                    g_cpuSeconds["bare"] * 1000.0, g_cpuSeconds["rules"] * 1000.0,
                    g_cpuSeconds["rules"] / g_cpuSeconds["bare"]);
    }
    if (g_results.count("bare") != 0 && g_results.count("tls") != 0) {
        std::printf("flood_ui: plain %.1f MB/s, over TLS %.1f MB/s, plain/tls = %.2f\n",
                    g_results["bare"], g_results["tls"], g_results["bare"] / g_results["tls"]);
        std::printf("flood_ui: client CPU plain %.0f ms, over TLS %.0f ms, tls/plain = %.2f\n",
                    g_cpuSeconds["bare"] * 1000.0, g_cpuSeconds["tls"] * 1000.0,
                    g_cpuSeconds["tls"] / g_cpuSeconds["bare"]);
    }
    if (g_results.count("bare") != 0 && g_results.count("scripts") != 0)
        std::printf(
            "flood_ui: client CPU bare %.0f ms, with scripts %.0f ms, scripts/bare = %.2f\n",
            g_cpuSeconds["bare"] * 1000.0, g_cpuSeconds["scripts"] * 1000.0,
            g_cpuSeconds["scripts"] / g_cpuSeconds["bare"]);
    return 0;
}
