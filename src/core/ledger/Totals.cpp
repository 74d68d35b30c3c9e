// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/Totals.h"

#include "core/text/TextHelpers.h"
#include "core/ledger/WorkingTable.h"

namespace quill {

LedgerTotals SumVisibleRows(WorkingTable& table)
{
    LedgerTotals t;
    if (!table.isOpen())
        return t;
    const WorkingTable::Bookmark mark = table.bookmark();
    table.disableControls();
    table.first();
    t = table.visibleTotals();
    table.gotoBookmark(mark);
    table.enableControls();
    return t;
}

void AddToTotals(LedgerTotals& totals, const LedgerEntry& e)
{
    ++totals.count;
    for (int f = 0; f < kMoneyFieldCount; ++f)
        totals.sums[static_cast<std::size_t>(f)] += toWideTenThousandths(moneyValue(e, f));
}

TotalsTexts FormatTotals(const LedgerTotals& totals)
{
    TotalsTexts texts;
    for (std::size_t f = 0; f < 6; ++f)
        texts.Bmxsm[f] = CurrencyToText(f % 2 == 0 ? 13 : 12, totals.sums[f]) + " ";
    texts.CntLbe = PadLeftText(' ', std::to_string(totals.count), 5) + "건 ";
    return texts;
}

TotalsTexts ZeroTotalsTexts()
{
    TotalsTexts texts;
    texts.Bmxsm.fill("0 ");
    texts.CntLbe = "0건 ";
    return texts;
}

} // namespace quill
