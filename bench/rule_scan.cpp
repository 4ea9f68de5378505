// What a heavy user's rules (HeavyHost.h: 100 triggers, 100 receive-script patterns and 100
// highlights) cost on the flood, each matcher alone as the receive path calls it: triggers on
// every 508-byte piece as it arrives (upper-cased through the map), script patterns and
// highlights on every line. Each runs with the automaton's skip at 16 and at 32 bytes a step
// (the second only where the processor has AVX2), in MB/s of stream.
//
//   rule_scan [benchmark flags]
//
// The figure to compare across machines is the ratio of the two widths for each matcher.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "HeavyHost.h"
#include "alerts/TriggerMatcher.h"
#include "alerts/TriggersDlg.h"
#include "base/ByteAutomaton.h"
#include "display/HighlightMatcher.h"
#include "script/WildcardSet.h"

namespace {

constexpr std::size_t kPiece = 508;

const std::string& Stream()
{
    static const std::string stream = HeavyHost::FloodBlock(4 * 1024 * 1024);
    return stream;
}

// The stream's lines as the scripts and highlights see them: without line ends and colour
// codes (the flood's only escape sequences are "ESC [ ... m").
const std::vector<std::string>& Lines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out(1);
        const std::string& stream = Stream();
        for (std::size_t i = 0; i < stream.size(); ++i) {
            if (stream[i] == '\x1b') {
                i = stream.find('m', i);
            } else if (stream[i] == '\r') {
                ++i; // the LF after it
                out.emplace_back();
            } else {
                out.back() += stream[i];
            }
        }
        return out;
    }();
    return lines;
}

// Sets the skip's width for one run; false when this processor cannot run it.
bool SetWidth(benchmark::State& state)
{
    const bool wide = state.range(0) == 32;
    if (CByteAutomaton::UseWideSkip(wide) != wide) {
        state.SkipWithError("this processor has no AVX2");
        return false;
    }
    return true;
}

void Report(benchmark::State& state, std::size_t found)
{
    benchmark::DoNotOptimize(found);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(Stream().size()));
    state.counters["found"] = benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
    CByteAutomaton::UseWideSkip(true);
}

void BM_Triggers(benchmark::State& state)
{
    if (!SetWidth(state))
        return;
    std::vector<std::string> triggers;
    for (int i = 0; i + 1 < 100; ++i)
        triggers.push_back("TRIGGERWORD" + std::to_string(i));
    triggers.push_back("CLOCKTOWER");
    CTriggerMatcher matcher;
    matcher.Build(triggers);
    std::array<unsigned char, 256> upper{};
    for (int b = 0; b < 256; ++b)
        upper[static_cast<std::size_t>(b)] = CTriggersDlg::UpperCase(static_cast<unsigned char>(b));
    const std::string_view stream = Stream();
    std::size_t found = 0;
    for (auto _ : state) {
        int carried = CTriggerMatcher::kStart;
        for (std::size_t at = 0; at < stream.size(); at += kPiece)
            found += matcher.Feed(stream.substr(at, kPiece), carried, upper.data()) ? 1 : 0;
    }
    Report(state, found);
}

void BM_ScriptPatterns(benchmark::State& state)
{
    if (!SetWidth(state))
        return;
    std::vector<std::string> patterns;
    for (int i = 0; i + 1 < 100; ++i)
        patterns.push_back("*word" + std::to_string(i) + "*");
    patterns.push_back("*clocktower*");
    CWildcardSet set;
    set.Build(std::vector<std::string_view>(patterns.begin(), patterns.end()));
    std::size_t found = 0;
    for (auto _ : state) {
        for (const std::string& line : Lines()) {
            set.Match(line);
            found += set.Matches().size();
        }
    }
    Report(state, found);
}

void BM_Highlights(benchmark::State& state)
{
    if (!SetWidth(state))
        return;
    std::vector<CHighlightMatcher::Rule> rules;
    for (int i = 0; i + 1 < 100; ++i)
        rules.push_back({"word" + std::to_string(i), i % 2 == 1});
    rules.push_back({"clocktower", true});
    const CHighlightMatcher matcher(rules);
    std::size_t found = 0;
    for (auto _ : state) {
        for (const std::string& line : Lines())
            found += matcher.Match(line) >= 0 ? 1 : 0;
    }
    Report(state, found);
}

} // namespace

BENCHMARK(BM_Triggers)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptPatterns)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Highlights)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
