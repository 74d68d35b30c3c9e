// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/export/Workbook.h"
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/Money.h"

#include <array>
#include <functional>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

class WorkingTable;

struct ExportOptions {
    // What heads and foots every printed page (UTF-8): the ledger's file
    // name and the period shown, and the day of the export ("yyyy.mm.dd").
    std::string ledgerName;
    std::string period;
    std::string exportDate;
    // Rows one worksheet holds; only tests make it smaller.
    int sheetRowLimit = xl::kMaxRows;
};

// Shows positives with digit groups, negatives with a minus, zero as a dash.
inline constexpr std::string_view kAmountFormat = "_-* #,##0_-;-* #,##0_-;_-* \"-\"_-;_-@_-";
inline constexpr std::string_view kTextFormat = "@";
inline constexpr std::string_view kLedgerSheetName = "장부";
inline constexpr std::string_view kStatisticsSheetName = "통계";
inline constexpr std::string_view kLedgerTitle = "간 편 장 부";
// Data rows of the ledger sheet start here (1-based, as in formulas).
inline constexpr int kFirstDataRow = 4;
// The month sums reach this row, or the last data row when there are more.
inline constexpr int kClassicLastRow = 65536;

// How many entries one export takes (the sheet's rows less the three
// header rows and the row of formats past the last entry), and the message
// that refuses more.
long long ExportEntryLimit(const ExportOptions& options = {});
std::string TooManyEntriesMessage(long long entries, const ExportOptions& options = {});

// The ledger sheet of `entries` entries given by position, in the sheet's
// order. Its block ends one row past its last entry (the row its formats
// reach); the statistics sheet reads the entries from that sheet, as its
// formulas do. The caller checks that the rows fit (ExportEntryLimit).
xl::Sheet BuildLedgerSheet(xl::Workbook& book, int entries, const std::function<const LedgerEntry&(int)>& entryAt,
                           const ExportOptions& options);

// The cells A to K of one entry's row on the ledger sheet, and the height
// its wrapped texts need (points, at least the sheet's row height).
struct LedgerRowCells {
    std::array<xl::CellKind, 11> kind{};
    std::array<double, 11> number{};
    std::array<std::string, 11> text;  // UTF-8
    double height = 0;
};
void LedgerRow(const LedgerEntry& e, LedgerRowCells& out);

// Widths of the ledger sheet's columns A to K and of the statistics
// sheet's A to I, in the unit of the workbook's default font (the sheet's
// own font, so that a reader without it scales widths and texts alike).
extern const double kLedgerColumnWidths[11];
extern const double kStatisticsColumnWidths[9];

// Characters an amount takes in the sheets' amount format: sign, digits,
// digit groups and the decimals it has (up to four).
std::size_t AmountTextLength(double value);
// The width of a ledger amount column that shows every character of the
// widest amount in it, with the format's padding on both sides: never
// narrower than the form's 16. A reader that does not shrink to fit
// (Gnumeric) would otherwise cut off the minus or the leading digits.
double LedgerAmountColumnWidth(std::size_t widestChars);
// The workbook's default font.
inline constexpr std::string_view kSheetFont = "돋움";
inline constexpr double kSheetFontSize = 10;
// Every ledger row is at least this high (points).
inline constexpr double kLedgerRowHeight = 35.25;

// What each month row's SUMIF gives, by month (1 to 12) and amount column
// (E to J): gathered row by row while the ledger sheet is written.
using MonthSums = std::array<std::array<WideTenths, 6>, 13>;
void AddToMonthSums(MonthSums& sums, const LedgerRowCells& row);

// The ledger rows of one year (entries are in date order, so they follow
// one another); rows without a year belong to the block they stand in.
// Each block gets a statistics sheet of its own when there are several.
struct YearBlock {
    std::string year;          // "2024"; empty when no row of it has a year
    int firstEntry = 0;        // 0-based entry positions, both included
    int lastEntry = -1;
    MonthSums months{};
    std::array<WideTenths, 6> all{};  // every row of the block, dated or not
};
class YearBlocks {
public:
    void add(const LedgerEntry& e, const LedgerRowCells& row);
    const std::vector<YearBlock>& blocks() const { return blocks_; }

private:
    std::vector<YearBlock> blocks_;
    int entries_ = 0;
};
// "통계" for one block, "통계 2024" for each of several.
std::string StatisticsSheetName(const std::vector<YearBlock>& blocks, std::size_t index);
// The statistics sheet of one block, for a ledger sheet of `entries` rows.
xl::Sheet BuildStatisticsSheet(xl::Workbook& book, const std::vector<YearBlock>& blocks, std::size_t index,
                               int entries, const ExportOptions& options);
// All of them, in the order of the years.
void AddStatisticsSheets(xl::Workbook& book, const std::vector<YearBlock>& blocks, int entries,
                         const ExportOptions& options);

// The page heading and foot both sheets print (spreadsheet codes).
std::string PageHeader(const ExportOptions& options);
std::string PageFooter(const ExportOptions& options);

// Writes the export workbook of `entries` entries, handed over one by one
// in the sheet's order by `walk` (which calls its argument for each and
// stops when it returns false), without holding the rows: the ledger
// sheet is written as the entries come, the statistics sheet after them.
// The file is the one ExportLedger writes for the same rows.
using EntryWalk = std::function<IoResult(const std::function<bool(const LedgerEntry&)>& each)>;
IoResult ExportLedgerRows(long long entries, const EntryWalk& walk, const std::string& path,
                          const ExportOptions& options = {});

// What a general-format cell makes of the two date characters typed into
// it: a number when they read as one (" 3", "03", "3."), else the text.
struct MonthDayValue {
    std::optional<double> number;
    std::string text;  // when not a number
};
MonthDayValue MonthDayCell(std::string_view twoCharacters);

// Writes the export workbook of the rows the table shows to `path`
// (through a temporary file in the same folder, so an existing file is
// replaced only by a complete one), streamed as ExportLedgerRows writes.
// Fails with the build's error or the writer's reason.
IoResult ExportLedger(const WorkingTable& table, const std::string& path, const ExportOptions& options = {});

} // namespace quill
