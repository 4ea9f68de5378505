// Wildcard matching cost per received line, in ns per line, for the patterns users write
// and for the pathological one that makes the plain recursion exponential. The figure to
// compare across machines is the ratio "plain / bounded" on the same short pathological line,
// and that the bounded matcher's time on 300 a's stays in microseconds.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

#include "../tests/script/PlainWildcardRecursion.h"
#include "script/WildcardMatcher.h"

namespace {

// Lines as a MUD sends them, some matching the patterns below and most not.
const std::vector<std::string>& Lines()
{
    static const std::vector<std::string> lines = {
        "Gandalf tells you 'Meet me at the south gate at dawn.'",
        "You are standing at the north gate of the city. The walls rise high above you.",
        "Bilbo says, 'Has anyone seen my ring? I left it on the table.'",
        "A cold wind blows from the mountains.",
        "south gate",
        "Obvious exits: north, east, south, west, up.",
        "[OOC] Frodo: anyone up for a quest tonight?",
        "The guard says, 'Halt! Who goes there?'",
        "HP: 120/150  SP: 80/90  MV: 200/200",
        "You tell Gandalf 'on my way'",
    };
    return lines;
}

void MatchLines(benchmark::State& state, const std::string& pattern)
{
    const auto& lines = Lines();
    std::size_t matched = 0;
    for (auto _ : state) {
        for (const std::string& line : lines)
            matched += CWildcardMatcher::Match(line, pattern) ? 1 : 0;
    }
    benchmark::DoNotOptimize(matched);
    state.counters["per_line"] =
        benchmark::Counter(static_cast<double>(state.iterations() * lines.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TellsYou(benchmark::State& state)
{
    MatchLines(state, "*tells you*");
}
void BM_GateGroup(benchmark::State& state)
{
    MatchLines(state, "{north|south} gate");
}
void BM_SaysClass(benchmark::State& state)
{
    MatchLines(state, "[A-Z]* says, '*'");
}

constexpr const char* kPathological = "*a*a*a*a*a*a*b";

void Pathological(benchmark::State& state, bool plain)
{
    const std::string line(static_cast<std::size_t>(state.range(0)), 'a');
    const std::string pattern = kPathological;
    for (auto _ : state) {
        const bool matched = plain ? brumble::test::PlainWildcardMatch(line, pattern)
                                   : CWildcardMatcher::Match(line, pattern);
        benchmark::DoNotOptimize(matched);
    }
    state.counters["per_line"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PathologicalBounded(benchmark::State& state)
{
    Pathological(state, false);
}
void BM_PathologicalPlain(benchmark::State& state)
{
    Pathological(state, true);
}

} // namespace

BENCHMARK(BM_TellsYou);
BENCHMARK(BM_GateGroup);
BENCHMARK(BM_SaysClass);
BENCHMARK(BM_PathologicalBounded)->Arg(30)->Arg(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PathologicalPlain)->Arg(30)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
