// SPDX-License-Identifier: GPL-3.0-or-later
// Reading downloaded statements: a 100,000-row card list as xlsx (written
// by libxlsxwriter, with dates, Korean texts and amounts) and as a bank's
// HTML table. Reading is the first part of the 2 s an import of that size
// may take; the peak memory (with /usr/bin/time -v) belongs under 300 MB.
// Run: build/benchmarks/bench_statement_read
#include "core/statement/StatementBook.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string tempPath(const char* name) { return "/tmp/qb-bench-" + std::to_string(getpid()) + "-" + name; }

const char* const kHeader[] = {"거래일시", "가맹점", "이용금액", "부가세", "승인번호", "카드번호", "비고"};

std::string makeXlsx(int rows)
{
    const std::string path = tempPath("statement.xlsx");
    lxw_workbook* wb = workbook_new(path.c_str());
    lxw_worksheet* ws = workbook_add_worksheet(wb, "이용내역");
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy-mm-dd hh:mm:ss");
    for (int c = 0; c < 7; ++c)
        worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), kHeader[c], nullptr);
    char text[64];
    for (int r = 1; r <= rows; ++r) {
        lxw_datetime when = {2024, 1 + r % 12, 1 + r % 28, r % 24, r % 60, static_cast<double>(r % 60)};
        worksheet_write_datetime(ws, static_cast<lxw_row_t>(r), 0, &when, date);
        std::snprintf(text, sizeof text, "(주)한빛상회 %d호점", r % 3000);
        worksheet_write_string(ws, static_cast<lxw_row_t>(r), 1, text, nullptr);
        worksheet_write_number(ws, static_cast<lxw_row_t>(r), 2, (r * 37) % 1000000, nullptr);
        worksheet_write_number(ws, static_cast<lxw_row_t>(r), 3, (r * 37) % 1000000 / 11, nullptr);
        std::snprintf(text, sizeof text, "%08d", r);
        worksheet_write_string(ws, static_cast<lxw_row_t>(r), 4, text, nullptr);
        worksheet_write_string(ws, static_cast<lxw_row_t>(r), 5, "1234-****-****-5678", nullptr);
    }
    workbook_close(wb);
    return path;
}

std::string makeHtml(int rows)
{
    const std::string path = tempPath("statement.html");
    std::ofstream out(path);
    out << "<html><head><meta charset=\"utf-8\"></head><body><table><tr>";
    for (const char* h : kHeader)
        out << "<th>" << h << "</th>";
    out << "</tr>\n";
    for (int r = 1; r <= rows; ++r)
        out << "<tr><td>2024-03-05 14:22:11</td><td>(주)한빛상회 " << r % 3000 << "호점</td><td>" << (r * 37) % 1000000
            << "</td><td>" << (r * 37) % 1000000 / 11 << "</td><td>" << r << "</td><td>1234-****-****-5678</td><td></td></tr>\n";
    out << "</table></body></html>\n";
    return path;
}

void check(benchmark::State& state, const quill::StatementReadResult& r, int rows)
{
    if (r.error || r.book.sheets.empty() || r.book.sheets[0].rows.size() != static_cast<std::size_t>(rows) + 1)
        state.SkipWithError(r.error ? r.error.message.c_str() : "rows missing");
}

void BM_ReadXlsx(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string path = makeXlsx(rows);
    for (auto _ : state) {
        quill::StatementReadResult r = quill::ReadStatementFile(path);
        check(state, r, rows);
        benchmark::DoNotOptimize(r);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadXlsx)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadHtml(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string path = makeHtml(rows);
    for (auto _ : state) {
        quill::StatementReadResult r = quill::ReadStatementFile(path);
        check(state, r, rows);
        benchmark::DoNotOptimize(r);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadHtml)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
