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
//   ReceiveRows/latin1, ReceiveRows/utf8-auto
//                              the connected session with a view's row model attached
//                              (word wrap of every line at 640 pixels), fed the same stream
//                              with accented and CJK words in UTF-8: read as Latin-1 bytes
//                              (the bare path), and under Auto (UTF-8 decoded where it is
//                              measured). Their CPU-time ratio is what reading UTF-8 costs.
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

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "MudStream.h"
#include "SilentServices.h"
#include "alerts/SoundPlayer.h"
#include "base/AppState.h"
#include "base/MessageSink.h"
#include "base/RandomGenerator.h"
#include "base/SessionView.h"
#include "display/RowModel.h"
#include "display/RowSource.h"
#include "session/BrumbleDoc.h"
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

// The same MUD output with some of its words in UTF-8: accents, a dash, a snowman, CJK.
const std::string& Utf8Stream()
{
    static const std::string stream = [] {
        std::string text = MudStream::Make(kStreamSize);
        const std::pair<std::string, std::string> words[] = {{"dusty", "d\xC3\xBAsty"},
                                                             {"forest", "for\xC3\xAAt"},
                                                             {"ancient", "anc\xC3\xAF"
                                                                         "ent"},
                                                             {"torch", "torch \xE2\x98\x83"},
                                                             {"gate", "\xE9\x96\x80"},
                                                             {"winds", "winds \xE2\x80\x93"}};
        // One pass: replacing in place would move the rest of 20 MB for every word.
        std::string out;
        out.reserve(text.size() + text.size() / 8);
        for (std::size_t at = 0; at < text.size();) {
            bool replaced = false;
            for (const auto& [from, to] : words) {
                if (text.compare(at, from.size(), from) == 0) {
                    out += to;
                    at += from.size();
                    replaced = true;
                    break;
                }
            }
            if (!replaced)
                out += text[at++];
        }
        return out;
    }();
    return stream;
}

// A view that keeps rows as the window does (wrap, open line, trim), without painting.
class CRowView final : public CSessionView, public CRowSource {
public:
    CRowView(CBrumbleDoc& doc, CTextEncoding::Kind encoding) : m_doc(doc), m_model(*this)
    {
        std::array<int, 256> widths{};
        widths.fill(8);
        m_model.SetWidthTable(widths, 12);
        m_model.SetEncoding(encoding);
        m_model.SetWideCharWidth([](char32_t code) { return code >= 0x2E80 ? 16 : 8; });
        m_model.SetClientWidth(640);
        m_model.RewrapAll(40);
    }
    const CRowModel& Model() const { return m_model; }

    void AddText(int newCount, bool lastComplete) override
    {
        m_model.AddText(newCount, lastComplete, {});
    }
    void RemoveLines(int count) override { m_model.RemoveLines(count); }
    void OnConnectionChanged(bool) override {}
    void SetTimedTextTimer(int) override {}
    void CreateDisplayFont(bool) override {}
    void SetWindowTimer(int, int) override {}
    void KillWindowTimer(int) override {}

    const CLineStore& Lines() const override { return m_doc.GetLines(); }
    std::optional<std::uint32_t> Highlight(std::string_view) override { return std::nullopt; }
    std::string ReceiveScript(std::string_view, std::optional<std::uint32_t>&) override
    {
        return {};
    }
    void DetectImageUrls(std::string_view) override {}

private:
    CBrumbleDoc& m_doc;
    CRowModel m_model;
};

void FeedRows(benchmark::State& state, CTextEncoding::Kind encoding)
{
    const std::string& stream = Utf8Stream();
    Session session;
    session.settings.WriteInt("Display", "Lines", kLineLimit);
    if (!session.Connect()) {
        state.SkipWithError("cannot connect to a listener on 127.0.0.1");
        return;
    }
    session.settings.WriteInt("127.0.0.1", "Encoding", static_cast<int>(encoding));
    CRowView view(session.doc, encoding);
    session.doc.AddView(&view);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kReadSize)
            session.doc.OnReceiveText(std::string_view(stream).substr(at, kReadSize));
        benchmark::DoNotOptimize(view.Model().RowCount());
    }
    session.doc.RemoveView(&view);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(stream.size()));
}

void BM_ReceiveRowsLatin1(benchmark::State& state)
{
    FeedRows(state, CTextEncoding::Kind::Latin1);
}
void BM_ReceiveRowsUtf8Auto(benchmark::State& state)
{
    FeedRows(state, CTextEncoding::Kind::Auto);
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
BENCHMARK(BM_ReceiveRowsLatin1)->Name("ReceiveRows/latin1")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceiveRowsUtf8Auto)->Name("ReceiveRows/utf8-auto")->Unit(benchmark::kMillisecond);

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
