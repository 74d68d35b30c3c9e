// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/Money.h"

#include <array>
#include <cstdint>
#include <string>

namespace quill {

class WorkingTable;

// Count and the six money sums of the visible rows, in ten-thousandths.
struct LedgerTotals {
    std::int64_t count = 0;
    std::array<WideTenths, 6> sums{};  // INMNY INVAT OTMNY OTVAT JSMNY JSVAT
};

// The seven texts of the totals bar (UTF-8).
struct TotalsTexts {
    std::array<std::string, 6> Bmxsm;  // Bmxsm1..Bmxsm6
    std::string CntLbe;
};

// Sums the rows that pass the table's filter. Walks the table with its
// notifications suspended and returns to the row that was current, so the
// views see exactly one notification. A closed table gives zero totals.
LedgerTotals SumVisibleRows(WorkingTable& table);

// Adds one entry to the totals, as SumVisibleRows adds a row (for sums
// taken while a file is streamed rather than held in a table).
void AddToTotals(LedgerTotals& totals, const LedgerEntry& e);

// The label texts: amounts right-aligned to 13 characters, VAT to 12, each
// followed by a blank; the count right-aligned to 5 followed by "건 ".
TotalsTexts FormatTotals(const LedgerTotals& totals);

// The texts New shows before anything is summed.
TotalsTexts ZeroTotalsTexts();

} // namespace quill
