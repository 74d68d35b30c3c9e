// Huge ledgers: a million entries through the file, the scratch table, the
// filter and the totals. Run: build/benchmarks/bench_ledger
#include "ledger/AutRecord.h"
#include "ledger/WorkingTable.h"
#include "view/LedgerFilter.h"
#include "view/Totals.h"

#include <benchmark/benchmark.h>

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
