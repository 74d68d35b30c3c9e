// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/filing/FilingFigures.h"

#include <span>
#include <string>
#include <vector>

namespace quill {

// The filing figures laid out as the tables the window shows, copies and
// prints: one for each of VAT, income tax, the evidence check and the
// months. Texts are UTF-8.

struct FilingCell {
    std::string text;        // a label or a text of an entry
    bool isAmount = false;
    WideTenths amount = 0;
    std::string suffix;      // after an amount: "추정"
};

struct FilingTable {
    std::string title;                // names the year and says 참고용
    std::vector<std::string> columns;
    std::vector<std::vector<FilingCell>> rows;
    std::vector<std::string> notes;
    // For each row, the ledger row it shows (-1: none), so a view can go
    // to that entry.
    std::vector<long long> entryOfRow;
    // Rows that head a group of rows below them (shown bold).
    std::vector<bool> headingRow;
};

// A return's lines: the line names down, the columns across.
FilingTable ReturnTable(const FilingReturn& r);
// `rows` are the rows the figures were computed over (the evidence list
// shows their texts).
FilingTable VatTable(const FilingFigures& f);
FilingTable IncomeTable(const FilingFigures& f);
// The same from an income return worked out elsewhere (with the ledger's accounts).
FilingTable IncomeTable(const FilingFigures& f, const FilingReturn& income);
FilingTable EvidenceTable(const FilingFigures& f, std::span<const LedgerEntry> rows);
FilingTable MonthTable(const FilingFigures& f);

// Running income (소득금액) at the end of each month.
std::array<WideTenths, 12> RunningIncome(const FilingFigures& f);

// For a spreadsheet: the title, the column titles and the rows, cells
// separated by tabs, lines by "\n"; amounts as plain decimal numbers.
std::string TabSeparated(const FilingTable& table);

} // namespace quill
