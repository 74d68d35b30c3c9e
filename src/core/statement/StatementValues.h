// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The values of a statement's cells as the ledger takes them: dates in the
// forms banks, card companies and the tax office write them, amounts with
// their signs, groupings and currency marks, and texts fitted to the
// ledger's CP949 fields.
#include "core/statement/StatementBook.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// "yyyy.mm.dd" of a cell: "2024-03-05", "2024.03.05", "2024/03/05 14:22:11",
// "20240305", "24.03.05", "2024년 3월 5일", or a spreadsheet day number (a
// Date or Number cell, or a Text cell holding only such a number). Nothing
// for anything else or a day the calendar does not have.
std::optional<std::string> ParseStatementDate(const StatementCell& cell);
std::optional<std::string> ParseStatementDateText(std::string_view utf8);

// Whole days since 1970-01-01 of a "yyyy.mm.dd" text (for the three-day
// window of the matcher); nothing when it is no date.
std::optional<int> DayNumber(std::string_view iday);

// The won of a cell: "1,234,000", "1234000원", "-5,000", "(5,000)",
// "△5,000", "₩5,000", "USD 5.50" is refused, full-width digits and signs,
// blanks around. A blank cell gives nothing; so does anything that is not
// an amount (`bad` is then set, so that the row can be marked).
std::optional<double> ParseStatementAmount(const StatementCell& cell, bool* bad = nullptr);
std::optional<double> ParseStatementAmountText(std::string_view utf8, bool* bad = nullptr);

// A text fitted to a CP949 field of `maxBytes` bytes. Characters CP949
// lacks become their nearest form it holds (a full-width or plain one) or
// "?"; what still does not fit is cut at a character boundary. Line breaks
// and tabs become blanks, blanks at the ends go.
struct FittedText {
    std::string utf8;          // what the field will hold
    std::string cp949;
    bool cut = false;
    bool replaced = false;
    std::string firstReplaced; // the first character replaced (UTF-8)
};
FittedText FitLedgerText(std::string_view utf8, std::size_t maxBytes);

// Text in any full-width form made plain (digits, Latin letters, signs),
// blanks at both ends removed: how header words and amounts are compared.
std::string NormalizeStatementText(std::string_view utf8);

} // namespace quill
