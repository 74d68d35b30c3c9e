// SPDX-License-Identifier: GPL-3.0-or-later
// The printed form of a year: laying it out and painting it into a PDF
// file, against the workbook export of the same entries. Target: a
// 20,000-entry year to PDF in under 2 s of CPU (1.3 s measured, 2.1 s
// before the painter stopped laying out each cell's text).
// Run: build/benchmarks/bench_print
#include "core/export/ExportWorkbook.h"
#include "core/ledger/WorkingTable.h"
#include "print/LedgerPrinter.h"

#include <QGuiApplication>
#include <QPrinter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace quill;

namespace {

std::string tempPath(const char* name) { return "/tmp/qb-bench-" + std::to_string(getpid()) + "-" + name; }

// A year of bookkeeping: Korean texts of varied length (some wrap), one
// category per entry.
void fill(WorkingTable& t, int n)
{
    t.reserve(static_cast<std::size_t>(n));
    char day[16], text[64];
    for (int i = 0; i < n; ++i) {
        LedgerEntry e;
        std::snprintf(day, sizeof day, "%04d.%02d.%02d", 2024, 1 + i % 12, 1 + i % 28);
        e.IDAY = day;
        // "가나다 <i> 물품 구입" and every seventh one longer
        std::snprintf(text, sizeof text, "\xB0\xA1\xB3\xAA\xB4\xD9 %d \xB9\xB0\xC7\xB0 \xB1\xB8\xC0\xD4%s", i,
                      i % 7 ? "" : " \xB4\xEB\xB1\xDD \xC1\xF6\xB1\xDE \xB0\xC7 \xC3\xDF\xB0\xA1 \xB3\xBB\xBF\xAA");
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

PrintWalk walkOf(const WorkingTable& t)
{
    return [&t](const std::function<bool(const LedgerEntry&)>& each) {
        for (int i = 0; i < t.recordCount(); ++i)
            if (!each(t.visibleRow(i)))
                break;
    };
}

void BM_PrintToPdf(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    const std::string path = tempPath("print.pdf");
    PrintHeading heading;
    heading.ledgerName = "bench.Aut";
    heading.period = "2024년";
    long long pages = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(path));
        SetDefaultLedgerPage(printer);
        const PrintedLedger layout = LayOutForPrinter(printer, walkOf(t), heading);
        pages = static_cast<long long>(layout.pages.size());
        if (!PaintLedger(printer, layout))
            state.SkipWithError("the PDF could not be written");
    }
    std::remove(path.c_str());
    state.counters["pages"] = static_cast<double>(pages);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PrintToPdf)->Arg(20000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// The layout alone (wrapping and pages), without painting.
void BM_LayOutOnly(benchmark::State& state)
{
    WorkingTable t;
    fill(t, static_cast<int>(state.range(0)));
    PrintHeading heading;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(tempPath("layout.pdf")));
    SetDefaultLedgerPage(printer);
    for (auto _ : state)
        benchmark::DoNotOptimize(LayOutForPrinter(printer, walkOf(t), heading).pages.size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LayOutOnly)->Arg(20000)->Unit(benchmark::kMillisecond);

// The workbook of the same entries, for comparison.
void BM_ExportSameEntries(benchmark::State& state)
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
BENCHMARK(BM_ExportSameEntries)->Arg(20000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

} // namespace

int main(int argc, char** argv)
{
    // Fonts and the PDF engine need a Qt application, not a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
