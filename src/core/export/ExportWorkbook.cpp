#include "export/ExportWorkbook.h"
#include "export/XlsxWriter.h"

#include "ledger/Money.h"
#include "ledger/WorkingTable.h"

#include <algorithm>

namespace quill {

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

ExportBuild BuildExportWorkbook(const WorkingTable& table, const ExportOptions& options)
{
    ExportBuild out;
    if (table.recordCount() > ExportEntryLimit(options)) {
        out.error = TooManyEntriesMessage(table.recordCount(), options);
        return out;
    }
    xl::Workbook book;
    book.sheets.push_back(BuildLedgerSheet(book, table, options));
    book.sheets.push_back(BuildStatisticsSheet(book, book.sheets.front(), options));
    xl::Sheet third;
    third.name = "Sheet3";
    third.hidden = true;
    book.sheets.push_back(std::move(third));
    book.sheets.front().selected = true;
    book.sheets.front().active = true;
    out.workbook = std::move(book);
    return out;
}

IoResult ExportLedger(const WorkingTable& table, const std::string& path, const ExportOptions& options)
{
    ExportBuild build = BuildExportWorkbook(table, options);
    if (!build.workbook)
        return IoResult::failure(build.error);
    return WriteWorkbookFile(*build.workbook, path);
}

} // namespace quill
