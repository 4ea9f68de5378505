// The cost of looking up a line's highlight colour, which the view does for every line it
// renders and, on every resize or option change, for every line it keeps.
//
//   HighlightMatch/N       CColouredTextDlg::MatchLine with N rules ("word<i>" texts that
//                          MUD output never holds, alternately "starts with" and "contains",
//                          then one "contains" rule that hits some lines) over MUD lines.
//   HighlightListScan/N    the same answers from going through the rules in order, the
//                          obvious way, for comparison.
//   HighlightLoad/N        building the store of N rules from the settings (a session's
//                          open, a reconnect).
//
// Figures are ns per line (items_per_second for lines/s). The machine-independent measure is
// the ratio HighlightListScan/N : HighlightMatch/N, and that HighlightMatch barely grows
// with N.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <string>
#include <string_view>
#include <vector>

#include "MudStream.h"
#include "SilentServices.h"
#include "base/AppServices.h"
#include "base/AppState.h"
#include "display/ColouredTextDlg.h"
#include "base/RandomGenerator.h"
#include "settings/SettingsStore.h"

namespace {

// The lines of 1 MB of MUD output, escape sequences left in (they cost the same).
const std::vector<std::string>& Lines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        const std::string stream = MudStream::MakeWholeLines(1024 * 1024);
        std::size_t start = 0;
        for (std::size_t end; (end = stream.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            out.push_back(stream.substr(start, end - start));
        return out;
    }();
    return lines;
}

CColouredTextDlg::EntryList Rules(int count)
{
    CColouredTextDlg::EntryList rules;
    for (int i = 0; i + 1 < count; ++i)
        rules.push_back({"word" + std::to_string(i),
                         CColouredTextDlg::MakeValue(i % 2 == 0 ? CColouredTextDlg::kStartsWith
                                                                : CColouredTextDlg::kContains,
                                                     0x0000FF)});
    rules.push_back(
        {"Someone says", CColouredTextDlg::MakeValue(CColouredTextDlg::kContains, 0x00FF00)});
    return rules;
}

struct Services {
    QTemporaryDir dir;
    CSettingsStore settings{(dir.path() + QStringLiteral("/settings.db")).toStdString()};
    CSilentMessages messages;
    CSilentSound sound;
    CRandomGenerator random;
    CAppState app;
    CAppServices services{settings, messages, sound, random, app};
};

void BM_HighlightMatch(benchmark::State& state)
{
    Services s;
    CColouredTextDlg highlights(s.services, "mud");
    highlights.SetEntries(Rules(static_cast<int>(state.range(0))));
    const auto& lines = Lines();
    std::size_t hits = 0;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            std::uint32_t colour = 0;
            hits += highlights.MatchLine(line, colour) ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines.size()));
}

void BM_HighlightListScan(benchmark::State& state)
{
    const CColouredTextDlg::EntryList rules = Rules(static_cast<int>(state.range(0)));
    const auto& lines = Lines();
    std::size_t hits = 0;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            for (const auto& rule : rules) {
                const bool hit = CColouredTextDlg::Mode(rule.value) == CColouredTextDlg::kStartsWith
                                     ? std::string_view(line).starts_with(rule.text)
                                     : line.find(rule.text) != std::string::npos;
                if (hit) {
                    ++hits;
                    break;
                }
            }
        }
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines.size()));
}

void BM_HighlightLoad(benchmark::State& state)
{
    Services s;
    {
        CColouredTextDlg setup(s.services, "mud");
        setup.SetEntries(Rules(static_cast<int>(state.range(0))));
        setup.Save();
    }
    for (auto _ : state) {
        CColouredTextDlg highlights(s.services, "mud");
        benchmark::DoNotOptimize(highlights.Entries().size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
}

} // namespace

BENCHMARK(BM_HighlightMatch)->Name("HighlightMatch")->Arg(10)->Arg(100)->Arg(1000)->Arg(5000);
BENCHMARK(BM_HighlightListScan)->Name("HighlightListScan")->Arg(10)->Arg(100)->Arg(1000)->Arg(5000);
BENCHMARK(BM_HighlightLoad)
    ->Name("HighlightLoad")
    ->Arg(100)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
