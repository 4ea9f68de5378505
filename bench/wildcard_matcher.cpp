// Wildcard matching cost per received line, in ns per line, for the patterns users write
// and for the pathological one that makes the plain recursion exponential. The figure to
// compare across machines is the ratio "plain / bounded" on the same short pathological line,
// and that the bounded matcher's time on 300 a's stays in microseconds.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "script/WildcardMatcher.h"

namespace {

// The plain recursion, step for step (the same yardstick the tests compare against).
bool PlainMatch(const std::string& text, std::size_t t, const std::string& pattern)
{
    const std::size_t n = pattern.size();
    const std::size_t end = text.size();
    std::size_t p = 0;
    bool r = true;
    for (;;) {
        if (p >= n)
            return t == end;
        const char c = pattern[p];
        std::size_t next = p + 1;
        if (c == '*') {
            while (p + 1 < n && pattern[p + 1] == '*')
                ++p;
            if (t == end && p + 1 == n)
                return true;
            const std::string rest = pattern.substr(p + 1);
            for (std::size_t u = t; u <= end; ++u) {
                if (PlainMatch(text, u, rest))
                    return true;
            }
            return false;
        }
        if (c == '{') {
            std::size_t open = p + 1;
            const bool negated = open < n && pattern[open] == '^';
            if (negated)
                ++open;
            std::size_t close = open + 1;
            while (close < n && !(pattern[close] == '}' && pattern[close - 1] != '\\'))
                ++close;
            close = close < n ? close : n;
            const std::string rest = close < n ? pattern.substr(close + 1) : std::string();
            std::vector<std::string> alternatives(1);
            for (std::size_t i = open; i < close; ++i) {
                const bool escaped = pattern[i] == '\\' && i + 1 < close &&
                                     (pattern[i + 1] == '|' || pattern[i + 1] == '}');
                if (escaped)
                    alternatives.back() += pattern[++i];
                else if (pattern[i] == '|' || pattern[i] == '}')
                    alternatives.emplace_back();
                else
                    alternatives.back() += pattern[i];
            }
            bool any = false;
            for (const std::string& alternative : alternatives) {
                if (PlainMatch(text, t, alternative + rest)) {
                    any = true;
                    break;
                }
            }
            return negated ? !any : any;
        }
        if (c == '?') {
            r = t < end;
        } else if (c == '[') {
            std::size_t first = p + 1;
            const bool negated = first < n && pattern[first] == '^';
            if (negated)
                ++first;
            std::size_t close = first;
            while (close < n &&
                   !(pattern[close] == ']' && (close == first || pattern[close - 1] != '\\')))
                ++close;
            next = close < n ? close + 1 : n;
            if (close > first) {
                std::vector<std::pair<int, int>> items;
                for (std::size_t i = first; i < close;) {
                    auto item = [&](std::size_t& at) {
                        if (pattern[at] == '\\' && at + 1 < close &&
                            (pattern[at + 1] == ']' || pattern[at + 1] == '-')) {
                            at += 2;
                            return static_cast<int>(static_cast<signed char>(pattern[at - 1]));
                        }
                        ++at;
                        return static_cast<int>(static_cast<signed char>(pattern[at - 1]));
                    };
                    const int x = item(i);
                    if (i + 1 < close && pattern[i] == '-') {
                        ++i;
                        const int y = item(i);
                        items.emplace_back(x < y ? x : y, x < y ? y : x);
                    } else {
                        items.emplace_back(x, x);
                    }
                }
                bool hit = false;
                if (t < end) {
                    const int ch = static_cast<signed char>(text[t]);
                    for (const auto& [low, high] : items)
                        hit = hit || (ch >= low && ch <= high);
                }
                r = t < end && hit != negated;
            }
        } else if (c == '\\') {
            if (p + 1 < n &&
                std::string_view("*?[\\{").find(pattern[p + 1]) != std::string_view::npos) {
                r = t < end && text[t] == pattern[p + 1];
                next = p + 2;
            } else {
                r = t < end && text[t] == '\\';
            }
        } else {
            r = t < end && text[t] == c;
        }
        if (t == end)
            return r;
        if (!r)
            return false;
        p = next;
        ++t;
    }
}

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
        const bool matched =
            plain ? PlainMatch(line, 0, pattern) : CWildcardMatcher::Match(line, pattern);
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
