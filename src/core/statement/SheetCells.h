// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the spreadsheet and HTML readers share: placing cells by position
// within the read limits, repeating merged cells, and the messages for
// refused files. Internal to the statement readers.
#include "core/statement/StatementBook.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill::statement {

// The largest sheet a spreadsheet program makes: a cell beyond it is
// damage, not data.
constexpr std::size_t kMaxRows = 1'048'576;
constexpr std::size_t kMaxColumns = 16'384;

// Counts what a read holds in memory against the options' limits. The
// first limit hit is kept as the error; every later call then fails too.
class CellBudget {
public:
    explicit CellBudget(const StatementReadOptions& options) : mOptions(options) {}
    bool spendCells(std::uint64_t n);
    bool spendText(std::uint64_t bytes);
    bool failed() const { return static_cast<bool>(mError); }
    const StatementReadError& error() const { return mError; }
    void fail(StatementReadError::Kind kind, std::string message);

private:
    const StatementReadOptions& mOptions;
    std::uint64_t mCells = 0;
    std::uint64_t mText = 0;
    StatementReadError mError;
};

// Puts cell at (row, column), padding the row with Empty cells up to it.
// Returns false (and leaves the sheet as it was) when a limit is hit.
bool PutCell(StatementSheet& sheet, std::size_t row, std::size_t column, StatementCell cell, CellBudget& budget);

// Repeats the value at (top, left) into the empty cells of the range up to
// (bottom, right), marking them spanned. The range is clipped to the rows
// the sheet has and to width (its widest row), so a merge over a million
// empty cells costs nothing. Each covered position counts as a cell.
bool FillMerged(StatementSheet& sheet, std::size_t width, std::size_t top, std::size_t left, std::size_t bottom,
                std::size_t right, CellBudget& budget);
std::size_t SheetWidth(const StatementSheet& sheet);

// "AB12" -> column 27, row 11 (both from 0). False when not a reference
// inside the largest sheet; a reference without digits gives only a column.
bool ParseCellReference(const char* text, std::size_t& column, std::size_t& row, bool& hasRow);

// Whether a number format shows a date or time: a y, m, d, h or s outside
// quoted text, [brackets] and escaped characters, in its first section.
bool IsDateFormatCode(std::string_view code);
// The built-in format ids that are dates or times (in a Korean Excel).
bool IsBuiltInDateFormat(int id);

// Whether bytes are an OLE2 compound file holding an encrypted Office
// document (the "EncryptedPackage" stream a password-protected xlsx is
// wrapped in).
bool IsEncryptedOfficeFile(const std::string& bytes);

// Message texts shared by the readers (the file name is added by
// ReadStatementFile).
std::string DamagedMessage(const std::string& detail);
std::string EncryptedMessage();

} // namespace quill::statement
