// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string_view>

namespace quill {

// The one calendar check. Years run over what a ledger's date field
// "yyyy.mm.dd" can hold, 0001 to 9999: stored files, the filing year and
// the CLI all take any four-digit year, so a statement or a check must not
// refuse one of them either. Leap years are the Gregorian ones.
inline constexpr int kFirstLedgerYear = 1;
inline constexpr int kLastLedgerYear = 9999;

bool IsCalendarDate(int year, int month, int day);

// True for a calendar date written "yyyy.mm.dd", as a ledger entry's date.
bool IsCalendarDateText(std::string_view text);

} // namespace quill
