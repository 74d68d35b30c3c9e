// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics sheet "통계": month, quarter, half-year and year totals of
// the ledger sheet as live formulas, each with its result stored beside it
// so that a viewer that does not recalculate still shows the totals.
#include "core/export/ExportWorkbook.h"
#include "core/export/SheetCanvas.h"

#include "core/ledger/Money.h"

#include <algorithm>
#include <array>
#include <string>

namespace quill {

using namespace xl;

namespace {

enum : int { A, B, C, D, E, F, G, H, I, J };

CellRange cellAt(int row, int col) { return {row, col, row, col}; }
CellRange span(int row, int firstCol, int lastCol) { return {row, firstCol, row, lastCol}; }

using Sums = std::array<WideTenths, 6>;  // columns D to I, as MonthSums holds them

double toDouble(WideTenths t) { return static_cast<double>(static_cast<long double>(t) / 10000.0L); }

// What SUMIF(장부!A, m, 장부!X) gives for each month: the amounts E to J of
// the data rows whose column A holds the number m.
void addRow(MonthSums& sums, CellKind monthKind, double month, const CellKind* amountKinds, const double* amounts)
{
    if (monthKind != CellKind::Number)
        return;
    for (int m = 1; m <= 12; ++m) {
        if (month != m)
            continue;
        for (int f = 0; f < 6; ++f)
            if (amountKinds[f] == CellKind::Number)
                sums[static_cast<std::size_t>(m)][static_cast<std::size_t>(f)] += toWideTenThousandths(amounts[f]);
    }
}

Sums add(const Sums& x, const Sums& y)
{
    Sums r{};
    for (std::size_t f = 0; f < r.size(); ++f)
        r[f] = x[f] + y[f];
    return r;
}

// The period a statistics sheet's page heading names: the year of its own
// block when there are several ("2023년", "연도 없음"), so that no printed
// page of one year says "전체 기간".
std::string StatisticsPeriod(const std::vector<YearBlock>& blocks, std::size_t index, const std::string& period)
{
    if (blocks.size() <= 1)
        return period;
    const std::string year = blocks[index].year.empty() ? "연도 없음" : blocks[index].year + "년";
    if (period.empty() || period.rfind("전체 기간", 0) == 0)
        return year + period.substr(std::min(period.size(), std::string("전체 기간").size()));
    return period.find(year) == std::string::npos ? period + " · " + year : period;
}

} // namespace

void AddToMonthSums(MonthSums& sums, const LedgerRowCells& row)
{
    addRow(sums, row.kind[A], row.number[A], &row.kind[E], &row.number[E]);
}

// The amount columns hold a thirteen-digit total with its sign in their
// 10-point bold figures; all nine still fit A4 across between the margins
// (802 of 810 points), so the sheet prints without being scaled: Gnumeric
// does not scale it to the page and cut the leading digits off narrower
// columns.
const double kStatisticsColumnWidths[9] = {5, 7, 5, 21.5, 21.5, 21.5, 21.5, 21.5, 21.5};
// Rows of this height bring 연 합계 onto the page (509 of the 515 points
// between the margins) without fit-to-page.
constexpr double kStatisticsRowHeight = 21;
constexpr double kStatisticsAmountPoints = 10;

void YearBlocks::add(const LedgerEntry& e, const LedgerRowCells& row)
{
    const std::string_view day = e.IDAY.view();
    std::string year;
    if (day.size() >= 4 && std::all_of(day.begin(), day.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
        year = std::string(day.substr(0, 4));
    if (blocks_.empty() || (!year.empty() && !blocks_.back().year.empty() && blocks_.back().year != year)) {
        YearBlock b;
        b.firstEntry = entries_;
        blocks_.push_back(b);
    }
    YearBlock& b = blocks_.back();
    if (b.year.empty())
        b.year = year;
    b.lastEntry = entries_++;
    AddToMonthSums(b.months, row);
    for (int f = 0; f < 6; ++f)
        if (row.kind[static_cast<std::size_t>(E + f)] == CellKind::Number)
            b.all[static_cast<std::size_t>(f)] += toWideTenThousandths(row.number[static_cast<std::size_t>(E + f)]);
}

std::string StatisticsSheetName(const std::vector<YearBlock>& blocks, std::size_t index)
{
    if (blocks.size() <= 1)
        return std::string(kStatisticsSheetName);
    return std::string(kStatisticsSheetName) + " " + (blocks[index].year.empty() ? "연도 없음" : blocks[index].year);
}

void AddStatisticsSheets(Workbook& book, const std::vector<YearBlock>& blocks, int entries, const ExportOptions& options)
{
    if (blocks.empty()) {
        const std::vector<YearBlock> none(1);
        book.sheets.push_back(BuildStatisticsSheet(book, none, 0, entries, options));
        return;
    }
    for (std::size_t k = 0; k < blocks.size(); ++k)
        book.sheets.push_back(BuildStatisticsSheet(book, blocks, k, entries, options));
}

Sheet BuildStatisticsSheet(Workbook& book, const std::vector<YearBlock>& blocks, std::size_t index, int entries,
                           const ExportOptions& options)
{
    const YearBlock& block = blocks[index];
    const MonthSums& months = block.months;
    // One sheet: the classic ranges (or to the last entry when there are
    // more rows). One of several: the rows of its year only.
    const int lastDataRow = kFirstDataRow - 1 + entries;
    int rangeFrom = kFirstDataRow, rangeEnd = std::max(kClassicLastRow, lastDataRow);
    if (blocks.size() > 1) {
        rangeFrom = kFirstDataRow + block.firstEntry;
        rangeEnd = kFirstDataRow + block.lastEntry;
    }
    const std::string from = std::to_string(rangeFrom), to = std::to_string(rangeEnd);

    // Row 25 and column J carry the far side of the lines of row 24 and column I.
    SheetCanvas s(book, StatisticsSheetName(blocks, index), 25, J + 1);
    // Top and bottom as the ledger sheet's, so that the page's heading and
    // foot have room; one page across and down.
    PageSetup page;
    page.landscape = true;
    // The ledger sheet's side margins: with the form's 75 points on the
    // left, Gnumeric dropped the page's heading by as much and pushed the
    // foot with the page number off the paper.
    page.leftMargin = 20;
    page.rightMargin = 12;
    page.topMargin = 50;
    page.bottomMargin = 30;
    page.fitWide = 1;
    page.fitTall = 1;
    ExportOptions headed = options;
    headed.period = StatisticsPeriod(blocks, index, options.period);
    page.header = PageHeader(headed);
    page.footer = PageFooter(options);
    s.pageSetup(page);
    // Row 25 keeps the far side of row 24's bottom line against the white
    // lines of the whole sheet; the printout ends at row 24 all the same.
    s.printArea({0, A, 23, I});

    s.sheetBorderColour(kWhite);
    s.sheetFontColour(kBlack);
    s.sheetVertical(VAlign::Center);
    s.sheetFontName("돋움");
    s.sheetFontSize(11);
    s.sheetColumnWidth(12.78);
    s.sheetRowHeight(kStatisticsRowHeight);

    s.bold(cellAt(0, A));
    s.text(0, A, "기간별 합계 금액");
    s.merge(span(0, A, I));
    s.rowHeight(0, 25.5);
    s.fontSize(cellAt(0, A), 20);
    s.horizontal(cellAt(0, A), HAlign::Center);

    s.bold(cellAt(1, A));
    s.formulaWithText(1, A, "=장부!A1", kLedgerTitle);
    s.merge(span(1, A, E));
    s.rowHeight(1, 22.5);
    s.fontSize(cellAt(1, A), 18);

    for (int col = A; col <= I; ++col)
        s.columnWidth(col, kStatisticsColumnWidths[col]);

    struct Head {
        int col;
        const char* text;
        int lastCol;
    };
    const Head row3[] = {{A, "①", C}, {D, "④수입", E}, {F, "⑤비용", G}, {H, "⑥고정자산증감", I}};
    for (const Head& h : row3) {
        s.bold(cellAt(2, h.col));
        s.text(2, h.col, h.text);
        s.merge(span(2, h.col, h.lastCol));
        if (h.col == A)
            s.rowHeight(2, 20.5);
        s.fontSize(cellAt(2, h.col), 12);
    }
    s.bold(cellAt(3, A));
    s.text(3, A, "기간");
    s.merge(span(3, A, C));
    s.rowHeight(3, 20.5);
    s.fontSize(cellAt(3, A), 12);
    const char* row4[] = {"금액", "부가세", "금액", "부가세", "금액", "부가세"};
    for (int col = D; col <= I; ++col) {
        s.bold(cellAt(3, col));
        s.text(3, col, row4[col - D]);
        s.fontSize(cellAt(3, col), 12);
    }
    s.horizontal(span(2, A, I), HAlign::Center);
    s.horizontal(span(3, A, I), HAlign::Center);
    s.fill({2, A, 3, I}, rgb(255, 255, 128));

    s.gridColour({2, A, 23, I}, kBlack);
    s.gridWeight({2, A, 23, I}, LineWeight::Hairline);
    s.edgeWeight(span(1, A, I), Edge::Bottom, LineWeight::Hairline);
    s.gridColour({4, A, 23, C}, kWhite);

    s.numberFormat({4, D, 23, I}, kAmountFormat);
    s.shrink({4, D, 23, I});
    s.fontSize({4, D, 23, I}, kStatisticsAmountPoints);

    const std::string ledgerA = "장부!$A$" + from + ":$A$" + to;
    std::array<Sums, 25> rowSums{};  // by 1-based row, for the totals above
    auto monthRow = [&](int row1, int m) {
        const int r = row1 - 1;
        s.bold(cellAt(r, C));
        s.text(r, C, std::to_string(m) + "월");
        s.horizontal(cellAt(r, C), HAlign::Center);
        rowSums[static_cast<std::size_t>(row1)] = months[static_cast<std::size_t>(m)];
        for (int col = D; col <= I; ++col) {
            const std::string sumColumn = columnName(col + 1);
            s.formula(r, col,
                      "=SUMIF(" + ledgerA + "," + std::to_string(m) + ",장부!$" + sumColumn + "$" + from + ":$"
                          + sumColumn + "$" + to + ")",
                      toDouble(rowSums[static_cast<std::size_t>(row1)][static_cast<std::size_t>(col - D)]));
        }
    };
    // Totals rows: label cell, fill start, formula shape and the rows it adds.
    auto totalRow = [&](int row1, int labelCol, const char* label, Colour colour, int x, int y, bool range) {
        const int r = row1 - 1;
        s.merge(span(r, labelCol, C));
        s.bold(cellAt(r, labelCol));
        s.text(r, labelCol, label);
        s.fill(span(r, labelCol, I), colour);
        s.bold(span(r, D, I));
        Sums sum{};
        if (range)
            for (int k = x; k <= y; ++k)
                sum = add(sum, rowSums[static_cast<std::size_t>(k)]);
        else
            sum = add(rowSums[static_cast<std::size_t>(x)], rowSums[static_cast<std::size_t>(y)]);
        rowSums[static_cast<std::size_t>(row1)] = sum;
        for (int col = D; col <= I; ++col) {
            const std::string c = columnName(col);
            const std::string f = range ? "=SUM(" + c + std::to_string(x) + ":" + c + std::to_string(y) + ")"
                                        : "=" + c + std::to_string(x) + "+" + c + std::to_string(y);
            s.formula(r, col, f, toDouble(sum[static_cast<std::size_t>(col - D)]));
        }
    };
    const Colour green = rgb(202, 247, 172), orange = rgb(253, 210, 172), pink = rgb(255, 128, 255);

    for (int m = 1; m <= 3; ++m)
        monthRow(4 + m, m);
    totalRow(8, B, " 1분기 합계", green, 5, 7, true);
    for (int m = 4; m <= 6; ++m)
        monthRow(5 + m, m);
    totalRow(12, B, " 2분기 합계", green, 9, 11, true);
    totalRow(13, A, " 상반기 합계", orange, 8, 12, false);
    for (int m = 7; m <= 9; ++m)
        monthRow(7 + m, m);
    totalRow(17, B, " 3분기 합계", green, 14, 16, true);
    for (int m = 10; m <= 12; ++m)
        monthRow(8 + m, m);
    totalRow(21, B, " 4분기 합계", green, 18, 20, true);
    totalRow(22, A, " 하반기 합계", orange, 17, 21, false);
    // Rows without a month of 1 to 12 are on the ledger sheet too: their
    // own row, so that the year total is the whole sheet's.
    {
        s.merge(span(22, A, C));
        s.bold(cellAt(22, A));
        s.text(22, A, "일자 없음");
        Sums undated{};
        for (std::size_t f = 0; f < undated.size(); ++f)
            undated[f] = block.all[f] - rowSums[13][f] - rowSums[22][f];
        rowSums[23] = undated;
        for (int col = D; col <= I; ++col) {
            const std::string c = columnName(col), sum = columnName(col + 1);
            s.formula(22, col,
                      "=SUM(장부!$" + sum + "$" + from + ":$" + sum + "$" + to + ")-" + c + "13-" + c + "22",
                      toDouble(undated[static_cast<std::size_t>(col - D)]));
        }
    }
    s.merge(span(23, A, C));
    s.bold(cellAt(23, A));
    s.text(23, A, "연 합계");
    s.fill(span(23, A, I), pink);
    s.bold(span(23, D, I));
    for (int col = D; col <= I; ++col) {
        const std::string c = columnName(col);
        const auto f = static_cast<std::size_t>(col - D);
        s.formula(23, col, "=" + c + "13+" + c + "22+" + c + "23",
                  toDouble(rowSums[13][f] + rowSums[22][f] + rowSums[23][f]));
    }

    for (int r = 4; r <= 23; ++r) {
        s.edgeWeight(span(r, A, C), Edge::Top, LineWeight::Hairline);
        s.edgeColour(span(r, A, C), Edge::Top, kBlack);
        s.edgeWeight(cellAt(r, A), Edge::Left, LineWeight::Hairline);
        s.edgeColour(cellAt(r, A), Edge::Left, kBlack);
    }
    s.edgeWeight(span(23, A, C), Edge::Bottom, LineWeight::Hairline);
    s.edgeColour(span(23, A, C), Edge::Bottom, kBlack);
    return s.finish();
}

} // namespace quill
