// Throughput of the receive path: 20 MB of generated MUD output (colour codes, CR LF line
// ends, prompts without a line end, tabs, room descriptions), cut into 508-byte reads as
// the socket delivers them.
//
//   ReceivePipeline/connected  CBrumbleDoc::OnReceiveText of a connected session with no
//                              views: filtering, the line buffer and its trim to 250 lines,
//                              including the per-read settings look-up of the limit.
//   ReceivePipeline/unconnected  the same without a host section (one settings read).
//   ReceiveFilter              the byte filter alone, trimmed to 250 lines like the session.
//
// The figure is MB/s (bytes_per_second). The goal is 500 MB/s for the filter path; the ratio
// ReceivePipeline/ReceiveFilter shows what the session adds on top of the filter on any
// machine.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "alerts/SoundPlayer.h"
#include "script/RandomGenerator.h"
#include "session/AppState.h"
#include "session/BrumbleDoc.h"
#include "session/MessageSink.h"
#include "session/ReceiveFilter.h"
#include "settings/SettingsStore.h"

namespace {

constexpr std::size_t kStreamSize = 20u * 1024 * 1024;
constexpr std::size_t kReadSize = 508;
constexpr int kLineLimit = 250;

// Reproducible: mt19937's raw output is fixed by the standard, and no distribution (whose
// results vary between library versions) is used.
class StreamGenerator {
public:
    std::string Make(std::size_t size)
    {
        std::string out;
        out.reserve(size + 512);
        while (out.size() < size)
            AppendBlock(out);
        out.resize(size);
        return out;
    }

private:
    std::uint32_t Pick(std::uint32_t n) { return m_random() % n; }

    const char* Colour()
    {
        static const char* const colours[] = {"\x1b[0m",    "\x1b[1;31m", "\x1b[0;32m",
                                              "\x1b[1;33m", "\x1b[0;34m", "\x1b[1;35m",
                                              "\x1b[0;36m", "\x1b[1;37m"};
        return colours[Pick(8)];
    }

    void Words(std::string& out, std::size_t length)
    {
        static const char* const words[] = {
            "the",    "a",     "dusty",   "road",   "winds",     "north",   "through",  "old",
            "forest", "where", "shadows", "gather", "beneath",   "ancient", "oaks",     "and",
            "you",    "see",   "stone",   "wall",   "crumbling", "torch",   "flickers", "gate"};
        const std::size_t start = out.size();
        while (out.size() - start < length) {
            if (out.size() > start)
                out += ' ';
            out += words[Pick(24)];
        }
    }

    void AppendBlock(std::string& out)
    {
        // A room: coloured title, a description of 40-120 characters per line, exits.
        out += Colour();
        out += "The Crossroads of ";
        Words(out, 8 + Pick(12));
        out += "\x1b[0m\r\n";
        const std::uint32_t lines = 2 + Pick(5);
        for (std::uint32_t i = 0; i < lines; ++i) {
            Words(out, 40 + Pick(81));
            out += "\r\n";
        }
        out += "\x1b[0;32m[Exits: north east south]\x1b[0m\r\n";
        // Some chatter and a table with tabs.
        const std::uint32_t chat = Pick(4);
        for (std::uint32_t i = 0; i < chat; ++i) {
            out += Colour();
            out += "Someone says, '";
            Words(out, 10 + Pick(50));
            out += "'\x1b[0m\r\n";
        }
        if (Pick(4) == 0)
            out += "Name:\tBrumble\tLevel:\t12\tGold:\t340\r\n";
        // A prompt with no line end; the next output starts on a fresh line.
        out += "\x1b[1;31m<" + std::to_string(Pick(500)) + "hp " + std::to_string(Pick(200)) +
               "m>\x1b[0m \r\n";
    }

    std::mt19937 m_random{20240607u};
};

const std::string& Stream()
{
    static const std::string stream = StreamGenerator().Make(kStreamSize);
    return stream;
}

class SilentMessages final : public CMessageSink {
public:
    Answer ShowMessage(const std::string&, Icon, Buttons) override { return Answer::Ok; }
};

class SilentSound final : public CSoundPlayer {
public:
    void PlaySystemSound(const std::string&) override {}
    void PlayFile(const std::string&) override {}
    void PlayEmbedded() override {}
};

struct Session {
    QTemporaryDir dir;
    CSettingsStore settings{(dir.path() + QStringLiteral("/settings.db")).toStdString()};
    SilentMessages messages;
    SilentSound sound;
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

void FeedDocument(benchmark::State& state, bool connected)
{
    const std::string& stream = Stream();
    Session session;
    session.settings.WriteInt("Display", "Lines", kLineLimit);
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

void BM_ReceiveFilter(benchmark::State& state)
{
    const std::string& stream = Stream();
    CReceiveFilter filter;
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
BENCHMARK(BM_ReceiveFilter)->Name("ReceiveFilter")->Unit(benchmark::kMillisecond);

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
