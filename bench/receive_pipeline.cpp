// Throughput of the receive path: 20 MB of generated MUD output (colour codes, CR LF line
// ends, prompts without a line end, tabs, room descriptions), cut into 508-byte reads as
// the socket delivers them.
//
//   ReceivePipeline/connected  CBrumbleDoc::OnReceiveText of a connected session with no
//                              views: filtering, the line buffer and its trim to 250 lines,
//                              including the per-read settings look-up of the limit.
//   ReceivePipeline/unconnected  the same without a host section (one settings read).
//   ReceiveFilter              the byte filter alone, trimmed to 250 lines like the session.
//   .../colour                 the same with "Show ANSI colours" on: SGR sequences parsed and
//                              every line's colour runs recorded.
//
// The figure is MB/s (bytes_per_second). The goal is 500 MB/s for the filter path; the ratio
// ReceivePipeline/ReceiveFilter shows what the session adds on top of the filter on any
// machine, and the ratio of each /colour figure to its plain one what colour costs (the goal
// is at most 20% more CPU time).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MudStream.h"
#include "SilentServices.h"
#include "alerts/SoundPlayer.h"
#include "base/RandomGenerator.h"
#include "base/AppState.h"
#include "session/BrumbleDoc.h"
#include "base/MessageSink.h"
#include "session/ReceiveFilter.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::size_t kStreamSize = 20u * 1024 * 1024;
constexpr std::size_t kReadSize = 508;
constexpr int kLineLimit = 250;

const std::string& Stream()
{
    static const std::string stream = MudStream::Make(kStreamSize);
    return stream;
}

struct Session {
    QTemporaryDir dir;
    CSettingsStore settings{(dir.path() + QStringLiteral("/settings.db")).toStdString()};
    CSilentMessages messages;
    CSilentSound sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
    CBrumbleDoc doc{services};
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;

    // Connects to a listener on 127.0.0.1, so that the limit is read from a host section.
    bool Connect()
    {
        if (!server.listen(QHostAddress::LocalHost, 0))
            return false;
        if (!doc.OpenSession("127.0.0.1", server.serverPort()))
            return false;
        for (int i = 0; i < 500 && !doc.IsConnected(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        if (server.waitForNewConnection(1000))
            peer.reset(server.nextPendingConnection());
        return doc.IsConnected();
    }
};

void FeedDocument(benchmark::State& state, bool connected, bool colour = false)
{
    const std::string& stream = Stream();
    Session session;
    session.settings.WriteInt("Display", "Lines", kLineLimit);
    session.settings.WriteInt("127.0.0.1", "ANSI Colour", colour ? 1 : 0);
    if (connected && !session.Connect()) {
        state.SkipWithError("cannot connect to a listener on 127.0.0.1");
        return;
    }
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kReadSize)
            session.doc.OnReceiveText(std::string_view(stream).substr(at, kReadSize));
        benchmark::DoNotOptimize(session.doc.GetLines().size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(stream.size()));
}

void BM_ReceivePipelineConnected(benchmark::State& state)
{
    FeedDocument(state, true);
}
void BM_ReceivePipelineUnconnected(benchmark::State& state)
{
    FeedDocument(state, false);
}
void BM_ReceivePipelineColour(benchmark::State& state)
{
    FeedDocument(state, true, true);
}

void BM_ReceiveFilter(benchmark::State& state)
{
    const std::string& stream = Stream();
    CReceiveFilter filter;
    filter.SetColour(state.range(0) != 0);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kReadSize) {
            filter.Filter(std::string_view(stream).substr(at, kReadSize));
            const auto excess = static_cast<long long>(filter.Lines().size()) - kLineLimit;
            if (excess > 0)
                filter.DropFrontLines(static_cast<int>(excess));
        }
        benchmark::DoNotOptimize(filter.Lines().size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(stream.size()));
}

} // namespace

BENCHMARK(BM_ReceivePipelineConnected)
    ->Name("ReceivePipeline/connected")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceivePipelineUnconnected)
    ->Name("ReceivePipeline/unconnected")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceivePipelineColour)
    ->Name("ReceivePipeline/connected/colour")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceiveFilter)->Name("ReceiveFilter")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceiveFilter)->Name("ReceiveFilter/colour")->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The session's socket needs an event loop; settings go to a private temporary folder.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
