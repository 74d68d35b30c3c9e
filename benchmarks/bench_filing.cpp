// SPDX-License-Identifier: GPL-3.0-or-later
// Filing figures of a year over a million entries (target: under 100 ms).
// Run: build/benchmarks/bench_filing
#include "core/filing/FilingFigures.h"
#include "core/ledger/LedgerEntry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

using namespace quill;

namespace {

std::vector<LedgerEntry> ledger(int n)
{
    // One year's entries with every evidence spelling and category in turn.
    static const char* const remarks[] = {"\xBC\xBC\xB0\xE8", "\xC4\xAB\xB5\xE5", "\xBF\xB5", "", " \xB0\xE8 ",
                                          "\xC7\xF6\xBF\xB5"};
    std::vector<LedgerEntry> rows(static_cast<std::size_t>(n));
    char day[16];
    for (int i = 0; i < n; ++i) {
        LedgerEntry& e = rows[static_cast<std::size_t>(i)];
        std::snprintf(day, sizeof day, "2024.%02d.%02d", 1 + i % 12, 1 + i % 28);
        e.IDAY = day;
        e.ETC = remarks[i % 6];
        if (i % 3 == 0) { e.INMNY = i; e.INVAT = i / 10; }
        else if (i % 3 == 1) { e.OTMNY = i % 100000; e.OTVAT = (i % 100000) / 10; }
        else { e.JSMNY = i % 70000; e.JSVAT = (i % 70000) / 10; }
    }
    return rows;
}

void BM_FilingFigures(benchmark::State& state)
{
    const std::vector<LedgerEntry> rows = ledger(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(FilingReturns(ComputeFilingFigures(rows, 2024, FilingSettings{})));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FilingFigures)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What quillbook-cli tax does per record: no row lists kept.
void BM_FilingFiguresStreamed(benchmark::State& state)
{
    const std::vector<LedgerEntry> rows = ledger(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        FilingAccumulator acc(2024, FilingSettings{}, false);
        for (std::size_t i = 0; i < rows.size(); ++i)
            acc.add(i, rows[i]);
        benchmark::DoNotOptimize(FilingReturns(acc.finish()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FilingFiguresStreamed)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
