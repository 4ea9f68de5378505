// The receive path under a heavy user's rules, fed straight into a connected session whose
// window (a real CBrumbleView on the offscreen platform) wraps, colours and runs the scripts:
// what a flood costs once it is past the socket, and whether every change to that path keeps
// what the user sees, hears, logs and sends exactly as it was.
//
//   receive_load_ui [--load_mb=N] [benchmark flags]     (N defaults to 8)
//
//   Load/bare     a host with no per-host rules
//   Load/scripts  100 receive scripts ("*word<N>*", none of which matches, then one that
//                 matches every 50th line, recolours it and answers), 100 highlights and 100
//                 triggers (HeavyHost.h)
//
// The stream (generated MUD output with colour codes, prompts and tabs, every 50th line the
// one the last rule of each kind matches) is handed to CBrumbleDoc::OnReceiveText in 508-byte
// pieces, 256 KiB to a read report as the socket gives them in a flood; the event loop runs
// after each report, so the window paints now and then and the session's answers reach the
// listener that stands in for the server.
//
// Figures: MB/s (wall) and MB per CPU-second of this thread, the best of the repetitions;
// the machine-independent ratio is scripts/bare (goal: at least 0.5).
//
// Identity: before the timed runs each variant runs once with the text log on, and prints a
// hash of the final lines and rows (text and colour), the bytes the listener received, the
// log file, and the sounds and flashes. Every timed run must give the same hash of the parts
// it has (all but the log); a change to the receive path must leave every hash as it was.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "HeavyHost.h"
#include "SilentServices.h"
#include "alerts/SoundPlayer.h"
#include "base/AppServices.h"
#include "base/AppState.h"
#include "base/RandomGenerator.h"
#include "display/RowModel.h"
#include "display/ui/BrumbleView.h"
#include "session/BrumbleDoc.h"
#include "settings/SettingsStore.h"

namespace {

int g_loadMb = 8;
constexpr std::size_t kPiece = 508;
constexpr std::size_t kEventsEvery = 256 * 1024;

// FNV-1a, 64 bits: enough to tell two outcomes apart, and the same on every machine.
class CHash {
public:
    void Add(std::string_view bytes)
    {
        for (const char c : bytes) {
            m_value ^= static_cast<unsigned char>(c);
            m_value *= 0x100000001b3ull;
        }
    }
    void Add(std::uint64_t number)
    {
        Add(std::string_view(reinterpret_cast<const char*>(&number), 8));
    }
    std::uint64_t Value() const { return m_value; }

private:
    std::uint64_t m_value = 0xcbf29ce484222325ull;
};

// Records what the user would hear.
class CRecordingSound final : public CSoundPlayer {
public:
    void PlaySystemSound(const std::string& name) override { m_played += "S" + name + "\n"; }
    void PlayFile(const std::string& path) override { m_played += "F" + path + "\n"; }
    void PlayEmbedded() override { m_played += "E\n"; }
    void PlayAboutSound() override { m_played += "A\n"; }
    const std::string& Played() const { return m_played; }

private:
    std::string m_played;
};

const std::string& Stream()
{
    static const std::string stream = [] {
        const std::string block = HeavyHost::FloodBlock();
        std::string out;
        while (out.size() < static_cast<std::size_t>(g_loadMb) * 1024 * 1024)
            out += block;
        return out;
    }();
    return stream;
}

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double WallSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Outcome {
    bool ok = false;
    double wall = 0;
    double cpu = 0;
    std::uint64_t shown = 0; // lines and rows with their colours
    std::uint64_t sent = 0;
    std::uint64_t heard = 0; // sounds and flashes
    std::uint64_t logged = 0;
    std::size_t sentBytes = 0;
    std::size_t rows = 0;
};

Outcome RunOnce(bool scripts, bool log)
{
    Outcome outcome;
    QTemporaryDir dir;
    CSettingsStore settings((dir.path() + QStringLiteral("/settings.db")).toStdString());
    CSilentMessages messages;
    CRecordingSound sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
    const std::string host = "127.0.0.1";
    if (scripts)
        HeavyHost::WriteAll(services, host, true);

    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return outcome;
    auto doc = std::make_unique<CBrumbleDoc>(services);
    auto view = std::make_unique<CBrumbleView>(*doc, services, nullptr);
    view->resize(800, 600);
    view->show();
    int flashes = 0;
    doc->onFlash = [&flashes] { ++flashes; };
    if (!doc->OpenSession(host, server.serverPort()))
        return outcome;
    std::unique_ptr<QTcpSocket> peer;
    for (int i = 0; i < 500 && (!doc->IsConnected() || !peer); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!peer && server.hasPendingConnections())
            peer.reset(server.nextPendingConnection());
        QThread::msleep(1);
    }
    if (!doc->IsConnected() || !peer)
        return outcome;
    std::string received;
    QObject::connect(peer.get(), &QTcpSocket::readyRead,
                     [&] { received += peer->readAll().toStdString(); });
    const QString logPath = dir.path() + QStringLiteral("/session.log");
    if (log && !doc->SetLogFile(logPath.toStdString()))
        return outcome;

    const std::string& stream = Stream();
    const double wallStart = WallSeconds();
    const double cpuStart = ThreadCpuSeconds();
    std::size_t sinceEvents = 0;
    doc->BeginReadReport();
    for (std::size_t at = 0; at < stream.size(); at += kPiece) {
        doc->OnReceiveText(std::string_view(stream).substr(at, kPiece));
        sinceEvents += kPiece;
        if (sinceEvents >= kEventsEvery) {
            sinceEvents = 0;
            doc->EndReadReport();
            QCoreApplication::processEvents();
            doc->BeginReadReport();
        }
    }
    doc->EndReadReport();
    QCoreApplication::processEvents();
    outcome.cpu = ThreadCpuSeconds() - cpuStart;
    outcome.wall = WallSeconds() - wallStart;

    // Everything the session sent, until the line has been quiet for a while.
    for (int quiet = 0; quiet < 20;) {
        const std::size_t before = received.size();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        peer->waitForReadyRead(5);
        quiet = received.size() == before ? quiet + 1 : 0;
    }
    if (log)
        doc->SetLogFile(std::nullopt);

    CHash shown;
    for (const std::string_view line : doc->GetLines()) {
        shown.Add(line);
        shown.Add(std::string_view("\n"));
    }
    for (const CRowModel::Row& row : view->Model().Rows()) {
        shown.Add(view->Model().RowText(row));
        shown.Add(static_cast<std::uint64_t>(row.colour));
    }
    CHash sent;
    sent.Add(received);
    CHash heard;
    heard.Add(sound.Played());
    heard.Add(static_cast<std::uint64_t>(flashes));
    CHash logged;
    if (log) {
        QFile file(logPath);
        if (!file.open(QIODevice::ReadOnly))
            return outcome;
        logged.Add(file.readAll().toStdString());
    }
    outcome.shown = shown.Value();
    outcome.sent = sent.Value();
    outcome.heard = heard.Value();
    outcome.logged = logged.Value();
    outcome.sentBytes = received.size();
    outcome.rows = view->Model().RowCount();
    outcome.ok = true;
    view.reset();
    doc.reset();
    return outcome;
}

std::map<std::string, Outcome> g_identity;
std::map<std::string, double> g_bestMbPerS;
std::map<std::string, double> g_bestMbPerCpuS;

void BM_Load(benchmark::State& state, bool scripts)
{
    const std::string variant = scripts ? "scripts" : "bare";
    if (g_identity.count(variant) == 0) {
        const Outcome identity = RunOnce(scripts, true);
        if (!identity.ok) {
            state.SkipWithError("the session could not be set up");
            return;
        }
        g_identity[variant] = identity;
        std::printf("receive_load_ui %s identity: shown %016" PRIx64 " sent %016" PRIx64
                    " (%zu bytes) heard %016" PRIx64 " logged %016" PRIx64 "\n",
                    variant.c_str(), identity.shown, identity.sent, identity.sentBytes,
                    identity.heard, identity.logged);
    }
    const Outcome& identity = g_identity[variant];
    const double megabytes = static_cast<double>(Stream().size()) / (1024.0 * 1024.0);
    for (auto _ : state) {
        const Outcome run = RunOnce(scripts, false);
        if (!run.ok) {
            state.SkipWithError("the session could not be set up");
            return;
        }
        if (run.shown != identity.shown || run.sent != identity.sent ||
            run.heard != identity.heard) {
            state.SkipWithError("a timed run differs from the identity run");
            return;
        }
        state.SetIterationTime(run.wall);
        state.counters["MB_per_s"] = megabytes / run.wall;
        state.counters["MB_per_cpu_s"] = megabytes / run.cpu;
        state.counters["rows"] = static_cast<double>(run.rows);
        g_bestMbPerS[variant] = std::max(g_bestMbPerS[variant], megabytes / run.wall);
        g_bestMbPerCpuS[variant] = std::max(g_bestMbPerCpuS[variant], megabytes / run.cpu);
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_Load, bare, false)
    ->Name("Load/bare")
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, scripts, true)
    ->Name("Load/scripts")
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--load_mb=", 10) == 0)
            g_loadMb = std::max(1, std::atoi(argv[i] + 10));
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
    for (const auto& [variant, best] : g_bestMbPerS)
        std::printf("receive_load_ui %s: best %.1f MB/s, %.1f MB per CPU-second\n", variant.c_str(),
                    best, g_bestMbPerCpuS[variant]);
    if (g_bestMbPerCpuS.count("bare") != 0 && g_bestMbPerCpuS.count("scripts") != 0)
        std::printf("receive_load_ui: scripts/bare = %.3f (per CPU-second; goal >= 0.5)\n",
                    g_bestMbPerCpuS["scripts"] / g_bestMbPerCpuS["bare"]);
    return 0;
}
