// SPDX-License-Identifier: GPL-3.0-or-later
// Huge ledgers: a million entries through the file, the scratch table, the
// filter and the totals. Run: build/benchmarks/bench_ledger
#include "core/ledger/AutRecord.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

using namespace quill;

namespace {

std::string tempPath(const char* name) { return "/tmp/qb-bench-" + std::to_string(getpid()) + "-" + name; }

void fill(WorkingTable& t, int n)
{
    t.reserve(static_cast<std::size_t>(n));
    char day[16];
    for (int i = 0; i < n; ++i) {
        LedgerEntry e;
        std::snprintf(day, sizeof day, "%04d.%02d.%02d", 2000 + i % 25, 1 + i % 12, 1 + i % 28);
        e.IDAY = day;
        e.JKYU = "\xB0\xA1\xB0\xA1 description of the entry";
        e.SANGHO = "counterparty";
        if (i % 3 == 0) { e.INMNY = i; e.INVAT = i / 10; }
        else if (i % 3 == 1) { e.OTMNY = i; e.OTVAT = i / 10; }
        else { e.JSMNY = -i; }
        e.ETC = "\xBC\xBC\xB0\xE8";
        e.TAG = "N";
        t.appendRaw(e);
    }
    t.orderBy("IDAY");
    t.open();
}

void BM_FilterAndTotals(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    int month = 0;
    for (auto _ : state) {
        t.setFilter(LedgerFilter::fromControls(month % 4, "2010", month % 13, month % 13 ? "05" : "1년"));
        t.setFiltered(true);
        benchmark::DoNotOptimize(SumVisibleRows(t));
        ++month;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FilterAndTotals)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A busy shop's year: every entry in 2024, in date order, as the program
// holds it after Open.
void fillOneYear(WorkingTable& t, int n)
{
    t.reserve(static_cast<std::size_t>(n));
    char day[16];
    for (int i = 0; i < n; ++i) {
        const int d = static_cast<int>(static_cast<long long>(i) * 366 / n);
        LedgerEntry e;
        std::snprintf(day, sizeof day, "2024.%02d.%02d", std::min(12, d / 31 + 1), d % 28 + 1);
        e.IDAY = day;
        e.JKYU = "\xB0\xA1\xB0\xA1 description";
        const double won = 1 + (i * 7919) % 9999999;
        if (i % 3 == 0) { e.INMNY = won; e.INVAT = std::floor(won / 10); }
        else if (i % 3 == 1) { e.OTMNY = won; e.OTVAT = std::floor(won / 10); }
        else { e.JSMNY = won; e.JSVAT = std::floor(won / 10); }
        t.appendRaw(e);
    }
    t.orderBy("IDAY");
    t.open();
}

// The month list changed on a year of a million entries, then the totals
// bar: what CmGbnChange asks of the core.
void BM_MonthFilterAndTotals(benchmark::State& state)
{
    WorkingTable t;
    fillOneYear(t, static_cast<int>(state.range(0)));
    static const char* const months[] = {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"};
    int k = 0;
    for (auto _ : state) {
        const int m = k % 12;
        t.disableControls();
        t.setFilter(LedgerFilter::fromControls(k / 12 % 4, "2024", m + 1, months[m]));
        t.setFiltered(true);
        t.enableControls();
        benchmark::DoNotOptimize(FormatTotals(SumVisibleRows(t)));
        ++k;
    }
    state.SetLabel("month filter + totals, target <= 5 ms");
}
BENCHMARK(BM_MonthFilterAndTotals)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The year box between the year of a million entries and an empty one; the
// totals come from block sums, the visible list costs the rows shown.
void BM_YearSwitchAndTotals(benchmark::State& state)
{
    WorkingTable t;
    fillOneYear(t, static_cast<int>(state.range(0)));
    bool full = false;
    for (auto _ : state) {
        full = !full;
        t.disableControls();
        t.setFilter(LedgerFilter::fromControls(0, full ? "2024" : "2023", 0, "1년"));
        t.setFiltered(true);
        t.enableControls();
        benchmark::DoNotOptimize(FormatTotals(SumVisibleRows(t)));
    }
    state.SetLabel("core part of one year change (program figure: bench_program)");
}
BENCHMARK(BM_YearSwitchAndTotals)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_WriteAndReadLedgerFile(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    const std::string path = tempPath("ledger.Aut");
    for (auto _ : state) {
        if (!WriteLedgerFile(path, t))
            state.SkipWithError("write failed");
        WorkingTable back;
        if (!ReadLedgerFile(path, back))
            state.SkipWithError("read failed");
        back.orderBy("IDAY");
        back.open();
        benchmark::DoNotOptimize(back.recordCount());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteAndReadLedgerFile)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ScratchTableRoundTrip(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    const std::string path = tempPath("scratch.cds");
    for (auto _ : state) {
        if (!t.saveSnapshot(path) || !t.loadSnapshot(path))
            state.SkipWithError("snapshot failed");
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScratchTableRoundTrip)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_AppendOneEntry(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    t.setFilter(LedgerFilter::fromControls(0, "2010", 0, "1년"));
    t.setFiltered(true);
    for (auto _ : state) {
        LedgerEntry& e = t.append();
        e.IDAY = "2010.06.15";
        e.OTMNY = 500;
        t.post();
    }
}
BENCHMARK(BM_AppendOneEntry)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
