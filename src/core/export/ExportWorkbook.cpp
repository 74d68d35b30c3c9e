// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/export/ExportWorkbook.h"
#include "core/export/XlsxWriter.h"

#include "core/ledger/Money.h"

#include <algorithm>
#include <array>
#include "core/ledger/WorkingTable.h"

#include <algorithm>

namespace quill {

namespace {

void addThirdSheet(xl::Workbook& book)
{
    xl::Sheet third;
    third.name = "Sheet3";
    third.hidden = true;
    book.sheets.push_back(std::move(third));
}

} // namespace

long long ExportEntryLimit(const ExportOptions& options)
{
    return static_cast<long long>(std::min(options.sheetRowLimit, xl::kMaxRows)) - kFirstDataRow;
}

std::string TooManyEntriesMessage(long long entries, const ExportOptions& options)
{
    return "내보낼 자료가 " + groupedWon(static_cast<WideTenths>(entries) * 10000)
        + "건으로, 엑셀 시트 한 장에 담을 수 있는 " + groupedWon(static_cast<WideTenths>(ExportEntryLimit(options)) * 10000)
        + "건을 넘습니다. 기간이나 구분으로 범위를 줄여 나누어 전송하세요.";
}

IoResult ExportLedgerRows(long long n, const EntryWalk& walk, const std::string& path, const ExportOptions& options)
{
    if (n > ExportEntryLimit(options))
        return IoResult::failure(TooManyEntriesMessage(n, options));
    // The model is the sheet of at most three entries: its rows 4, 5 and 6
    // carry the formats of the first entry's row, of every row between and
    // of the last one (their borders differ), its next row those of the row
    // of formats past the last entry.
    const int k = static_cast<int>(std::min<long long>(n, 3));
    xl::Workbook book;
    const LedgerEntry placeholder;
    book.sheets.push_back(
        BuildLedgerSheet(book, k, [&](int) -> const LedgerEntry& { return placeholder; }, options));
    book.sheets.front().selected = true;
    book.sheets.front().active = true;

    const int firstData = kFirstDataRow - 1;
    xl::Sheet& ledgerSheet = book.sheets.front();
    std::array<std::size_t, 6> widest{};
    YearBlocks years;
    long long written = 0;
    StreamedSheet streamed;
    streamed.model = &book.sheets.front();
    streamed.headRows = firstData;
    streamed.tailFrom = firstData + k;
    streamed.rows = [&](const StreamedSheet::Emit& emit) -> IoResult {
        LedgerRowCells cells;
        StreamedCell out[12];
        bool tooMany = false, writeFailed = false;
        IoResult r = walk([&](const LedgerEntry& e) {
            if (written >= n) {
                tooMany = true;
                return false;
            }
            LedgerRow(e, cells);
            years.add(e, cells);
            for (std::size_t col = 0; col < cells.kind.size(); ++col) {
                out[col] = {cells.kind[col], cells.number[col], cells.text[col]};
                if (col >= 4 && col <= 9 && cells.kind[col] == xl::CellKind::Number)
                    widest[col - 4] = std::max(widest[col - 4], AmountTextLength(cells.number[col]));
            }
            const int modelRow = firstData + (written == 0 ? 0 : written == n - 1 ? k - 1 : 1);
            ++written;
            writeFailed = !emit(modelRow, out, cells.height > kLedgerRowHeight ? cells.height : 0);
            return !writeFailed;
        });
        if (!r || writeFailed)
            return r;  // the writer's own failure is reported after this
        if (tooMany || written != n)
            return IoResult::failure("장부의 자료가 전송 중에 바뀌었습니다.");
        // The widths go out after the rows: the widest amount is known now.
        for (int col = 4; col <= 9; ++col)
            ledgerSheet.columnWidths[col] = LedgerAmountColumnWidth(widest[static_cast<std::size_t>(col - 4)]);
        return IoResult::success();
    };
    return WriteStreamedWorkbookFile(
        book, streamed,
        [&](xl::Workbook& b) {
            AddStatisticsSheets(b, years.blocks(), static_cast<int>(n), options);
            addThirdSheet(b);
            return IoResult::success();
        },
        path);
}

IoResult ExportLedger(const WorkingTable& table, const std::string& path, const ExportOptions& options)
{
    const int n = table.recordCount();
    return ExportLedgerRows(
        n,
        [&](const std::function<bool(const LedgerEntry&)>& each) {
            for (int i = 0; i < n; ++i)
                if (!each(table.visibleRow(i)))
                    break;
            return IoResult::success();
        },
        path, options);
}

} // namespace quill
