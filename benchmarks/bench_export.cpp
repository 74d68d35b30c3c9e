// SPDX-License-Identifier: GPL-3.0-or-later
// The spreadsheet export of large views: building the workbook and writing
// the file. Target: 100,000 entries in under 3 s and 300 MB peak (measure
// the peak with /usr/bin/time -v and --benchmark_filter=.../100000).
// Run: build/benchmarks/bench_export
#include "core/export/ExportWorkbook.h"
#include "core/export/XlsxWriter.h"
#include "core/ledger/WorkingTable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

using namespace quill;

namespace {

std::string tempPath(const char* name) { return "/tmp/qb-bench-" + std::to_string(getpid()) + "-" + name; }

// Entries as a year of bookkeeping looks: Korean texts of varied length,
// one category per entry, some zero VAT.
void fill(WorkingTable& t, int n)
{
    t.reserve(static_cast<std::size_t>(n));
    char day[16];
    char text[64];
    for (int i = 0; i < n; ++i) {
        LedgerEntry e;
        std::snprintf(day, sizeof day, "%04d.%02d.%02d", 2024, 1 + i % 12, 1 + i % 28);
        e.IDAY = day;
        std::snprintf(text, sizeof text, "\xB0\xA1\xB3\xAA\xB4\xD9 %d \xB9\xB0\xC7\xB0 \xB1\xB8\xC0\xD4", i);
        e.JKYU = text;
        std::snprintf(text, sizeof text, "(\xC1\xD6)\xC7\xD1\xBA\xFB\xBB\xF3\xC8\xB8 %d", i % 500);
        e.SANGHO = text;
        if (i % 3 == 0) { e.INMNY = i * 10.5; e.INVAT = i; }
        else if (i % 3 == 1) { e.OTMNY = i; e.OTVAT = i % 7 ? i / 10 : 0; }
        else { e.JSMNY = -i; }
        e.ETC = "\xBC\xBC\xB0\xE8";
        e.TAG = "N";
        t.appendRaw(e);
    }
    t.orderBy("IDAY");
    t.open();
}

// The whole export as the toolbar runs it: build, write, rename into place.
void BM_ExportToFile(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    const std::string path = tempPath("export.xlsx");
    for (auto _ : state) {
        IoResult r = ExportLedger(t, path);
        if (!r)
            state.SkipWithError(r.message.c_str());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExportToFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
