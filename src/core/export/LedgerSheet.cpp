// SPDX-License-Identifier: GPL-3.0-or-later
// The ledger sheet "장부": the official form's title and two header rows,
// then one row per shown entry from row 4.
#include "core/export/ExportWorkbook.h"
#include "core/export/SheetCanvas.h"

#include "core/text/Cp949.h"
#include "core/text/Utf8.h"
#include "core/ledger/LedgerEntry.h"
#include "core/print/TextWrap.h"

#include <algorithm>
#include <cmath>

namespace quill {

using namespace xl;

namespace {

// Columns, from 0.
enum : int { A, B, C, D, E, F, G, H, I, J, K, L };

CellRange cellAt(int row, int col) { return {row, col, row, col}; }
CellRange span(int row, int firstCol, int lastCol) { return {row, firstCol, row, lastCol}; }

// Every row is at least this high; a row whose texts wrap to more lines
// grows by a line's height for each.
constexpr double kRowHeight = kLedgerRowHeight;
constexpr double kLineHeight = 13.5;  // 10-point text with the face's leading
constexpr double kRowPadding = 5;

// Points one width unit covers at the least: the default font's digit is
// half an em of its 10 points in the narrowest face a reader may pick.
constexpr double kPointsPerUnit = 5;

int wrappedLines(std::string_view text, double widthUnits)
{
    if (text.empty())
        return 0;
    const double usable = widthUnits * kPointsPerUnit;
    return static_cast<int>(
        WrapText(text, usable, [](std::string_view c) { return EstimatedWidthEm(c) * kSheetFontSize; }).size());
}

} // namespace

const double kLedgerColumnWidths[11] = {2.33, 2.33, 20, 15, 16, 16, 16, 16, 16, 16, 11};

std::size_t AmountTextLength(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double magnitude = std::fabs(value);
    std::size_t digits = 1;
    for (double p = 10; p <= magnitude && digits < 40; p *= 10)
        ++digits;
    std::size_t chars = digits + (digits - 1) / 3 + (value < 0 ? 1 : 0);
    // Decimals as the file keeps them (ten-thousandths), trailing zeros dropped.
    long long fraction = std::llround((magnitude - std::floor(magnitude)) * 10000) % 10000;
    if (fraction != 0) {
        std::size_t places = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --places;
        }
        chars += 1 + places;
    }
    return chars;
}

double LedgerAmountColumnWidth(std::size_t widestChars)
{
    return std::max(kLedgerColumnWidths[4], static_cast<double>(widestChars) + 2);
}

std::string PageHeader(const ExportOptions& o)
{
    auto escaped = [](std::string_view text) {
        std::string out;
        std::size_t chars = 0;
        for (std::size_t i = 0; i < text.size() && chars < 80; ++chars) {
            const std::size_t n = Utf8Step(text, i);
            out.append(text.substr(i, n));
            if (text[i] == '&')
                out += '&';
            i += n;
        }
        return out;
    };
    std::string h;
    if (!o.ledgerName.empty())
        h += "&L" + escaped(o.ledgerName);
    if (!o.period.empty())
        h += "&R" + escaped(o.period);
    return h;
}

std::string PageFooter(const ExportOptions& o)
{
    std::string f = "&C- &P / &N -";
    if (!o.exportDate.empty())
        f += "&R" + o.exportDate;
    return f;
}

MonthDayValue MonthDayCell(std::string_view s)
{
    MonthDayValue v;
    std::string_view t = s;
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    double whole = 0, fraction = 0, scale = 1;
    int digits = 0, points = 0;
    for (char c : t) {
        if (c == '.') {
            ++points;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (points)
                fraction += (c - '0') * (scale /= 10);
            else
                whole = whole * 10 + (c - '0');
        } else {
            digits = 0;
            break;
        }
    }
    if (digits > 0 && points <= 1)
        v.number = whole + fraction == 0 ? 0.0 : (negative ? -1 : 1) * (whole + fraction);
    else
        v.text = std::string(s);
    return v;
}

void LedgerRow(const LedgerEntry& e, LedgerRowCells& out)
{
    auto setText = [&](int col, std::string text) {
        out.kind[static_cast<std::size_t>(col)] = text.empty() ? CellKind::Empty : CellKind::Text;
        out.text[static_cast<std::size_t>(col)] = std::move(text);
    };
    const std::string day = decodeCp949(e.IDAY.view());
    for (int col : {A, B}) {
        MonthDayValue v = MonthDayCell(Utf8Characters(day, col == A ? 5 : 8, 2));
        if (v.number) {
            out.kind[static_cast<std::size_t>(col)] = CellKind::Number;
            out.number[static_cast<std::size_t>(col)] = *v.number;
            out.text[static_cast<std::size_t>(col)].clear();
        } else {
            setText(col, v.text);
        }
    }
    setText(C, decodeCp949(e.JKYU.view()));
    setText(D, decodeCp949(e.SANGHO.view()));
    for (int f = 0; f < kMoneyFieldCount; ++f) {
        const auto col = static_cast<std::size_t>(E + f);
        const double amount = moneyValue(e, f);
        // A value the file format cannot hold is not a number a workbook can hold either.
        const bool shown = amount != 0 && std::isfinite(amount);
        out.kind[col] = shown ? CellKind::Number : CellKind::Empty;
        out.number[col] = shown ? amount : 0;
        out.text[col].clear();
    }
    setText(K, decodeCp949(e.ETC.view()));
    int lines = 0;
    for (int col : {C, D, K})
        lines = std::max(lines, wrappedLines(out.text[static_cast<std::size_t>(col)], kLedgerColumnWidths[col]));
    out.height = std::max(kRowHeight, lines * kLineHeight + kRowPadding);
}

Sheet BuildLedgerSheet(Workbook& book, int n, const std::function<const LedgerEntry&(int)>& entryAt,
                       const ExportOptions& options)
{
    const int lastData = n + 2;      // 0-based row of the last entry
    const int formatRow = n + 3;     // formats reach one row past it
    // Column L and nothing below the format row: they carry the far side of
    // the lines of K and of the last rows.
    book.defaultFontName = std::string(kSheetFont);
    book.defaultFontSize = kSheetFontSize;
    SheetCanvas s(book, std::string(kLedgerSheetName), formatRow + 1, L + 1);
    s.dropFarSideLines();
    // The page travels with the file: A4 across, as wide as one page.
    PageSetup page;
    page.landscape = true;
    page.leftMargin = 20;
    page.rightMargin = 12;
    page.topMargin = 50;
    page.bottomMargin = 30;
    page.fitWide = 1;
    page.header = PageHeader(options);
    page.footer = PageFooter(options);
    s.pageSetup(page);
    // The title and the two header rows head every printed page.
    s.repeatRows(0, 2);

    s.sheetFontColour(kBlack);
    s.sheetVertical(VAlign::Center);
    s.sheetFontName("돋움");
    s.sheetFontSize(10);
    s.sheetColumnWidth(8.11);
    s.sheetRowHeight(kLedgerRowHeight);

    // Title.
    s.rowHeight(0, 42);
    s.bold(cellAt(0, A));
    s.text(0, A, kLedgerTitle);
    s.fontSize(cellAt(0, A), 18);
    s.horizontal(cellAt(0, A), HAlign::Center);
    s.merge(span(0, A, K));

    // Header rows 2 and 3.
    s.rowHeight(1, 21);
    s.rowHeight(2, 21);
    for (int col = A; col <= K; ++col)
        s.columnWidth(col, kLedgerColumnWidths[col]);
    s.merge(span(1, A, B));
    s.merge(span(1, E, F));
    s.merge(span(1, G, H));
    s.merge(span(1, I, J));
    s.fontSize(span(1, A, K), 12);
    s.text(1, A, "①");
    s.text(1, C, "②");
    s.text(1, D, "③");
    s.text(1, E, "④수입");
    s.text(1, G, "⑤비용");
    s.text(1, I, "⑥고정자산증감");
    s.text(1, K, "⑦비고");
    s.merge(span(2, A, B));
    s.merge({1, K, 2, K});
    s.fontSize(span(2, A, K), 12);
    s.text(2, A, "날짜");
    s.text(2, C, "거래내용");
    s.text(2, D, "거래처");
    const char* amountHeads[] = {"금액", "부가세", "금액", "부가세", "금액", "부가세"};
    for (int col = E; col <= J; ++col)
        s.text(2, col, amountHeads[col - E]);
    s.horizontal(span(1, A, K), HAlign::Center);
    s.horizontal(span(2, A, K), HAlign::Center);
    s.fill({1, A, 2, K}, rgb(255, 255, 128));

    for (int col : {A, B, C, D, E, G, I, K})
        s.edgeWeight(cellAt(1, col), Edge::Left, LineWeight::Thin);
    s.edgeWeight(cellAt(1, K), Edge::Right, LineWeight::Thin);
    for (int col = A; col <= K; ++col)
        s.edgeWeight(cellAt(2, col), Edge::Left, LineWeight::Thin);
    s.edgeWeight(cellAt(2, K), Edge::Right, LineWeight::Thin);
    s.edgeWeight(span(0, A, K), Edge::Bottom, LineWeight::Medium);
    s.edgeWeight(span(1, E, J), Edge::Bottom, LineWeight::Thin);
    s.edgeWeight(span(2, A, K), Edge::Bottom, LineWeight::Thick);

    // One row per shown entry.
    LedgerRowCells cells;
    std::array<std::size_t, 6> widest{};
    for (int i = 0; i < n; ++i) {
        LedgerRow(entryAt(i), cells);
        const int row = i + 3;
        if (cells.height > kRowHeight)
            s.rowHeight(row, cells.height);
        for (int col = A; col <= K; ++col) {
            const auto k = static_cast<std::size_t>(col);
            if (cells.kind[k] == CellKind::Number)
                s.number(row, col, cells.number[k]);
            else if (cells.kind[k] == CellKind::Text)
                s.text(row, col, cells.text[k]);
            if (col >= E && col <= J && cells.kind[k] == CellKind::Number)
                widest[static_cast<std::size_t>(col - E)] =
                    std::max(widest[static_cast<std::size_t>(col - E)], AmountTextLength(cells.number[k]));
        }
    }
    for (int col = E; col <= J; ++col)
        s.columnWidth(col, LedgerAmountColumnWidth(widest[static_cast<std::size_t>(col - E)]));

    // Formats of the data area, one row past the last entry.
    s.numberFormat({3, C, formatRow, D}, kTextFormat);
    s.wrap({3, C, formatRow, D});
    s.numberFormat({3, K, formatRow, K}, kTextFormat);
    s.wrap({3, K, formatRow, K});
    s.numberFormat({3, E, formatRow, J}, kAmountFormat);
    s.shrink({3, E, formatRow, J});

    if (n > 0) {
        const CellRange grid{3, C, lastData, K};
        s.gridContinuous(grid);
        s.gridColour(grid, kBlack);
        s.gridWeight(grid, LineWeight::Thin);
        for (int row = 3; row <= lastData; ++row) {
            s.edgeWeight(span(row + 1, A, B), Edge::Top, LineWeight::Thin);
            s.edgeWeight(span(row, A, B), Edge::Bottom, LineWeight::Thin);
            s.edgeWeight(cellAt(row, A), Edge::Left, LineWeight::Thin);
            s.edgeColour(cellAt(row, A), Edge::Left, kBlack);
            s.edgeWeight(cellAt(row, B), Edge::Left, LineWeight::Hairline);
            s.edgeColour(cellAt(row, B), Edge::Left, kBlack);
        }
    }
    return s.finish();
}

} // namespace quill
