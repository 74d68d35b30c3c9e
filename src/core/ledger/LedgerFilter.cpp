// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/LedgerFilter.h"

#include "core/text/Cp949.h"
#include "core/text/TextHelpers.h"

namespace quill {

LedgerFilter LedgerFilter::fromControls(int categoryIndex, std::string_view yearText, int monthIndex,
                                        std::string_view monthText)
{
    LedgerFilter f;
    if (categoryIndex < 0 || categoryIndex > 3)
        return f;

    const std::string y = StripBlanks(yearText);
    const bool wholeYear = monthIndex == 0;
    const std::string m = wholeYear ? std::string() : StripBlanks(monthText);
    const std::string lower = wholeYear ? y + ".01.01" : y + "." + m + ".01";
    const std::string upper = wholeYear ? y + ".12.31" : y + "." + m + ".31";

    // A category keeps every row whose pair is in use, refunds (negative
    // amounts) included, so that its totals add up to those of all rows.
    static const char* const prefixes[] = {"", "(INMNY <> 0 or INVAT <> 0) and ",
                                           "(OTMNY <> 0 or OTVAT <> 0) and ",
                                           "(JSMNY <> 0 or JSVAT <> 0) and "};
    if (categoryIndex == 0)
        f.expression_ = "IDAY >= '" + lower + "' and" + " IDAY <= '" + upper + "'";
    else
        f.expression_ = std::string(prefixes[categoryIndex]) + "IDAY >= '" + lower + "'"
            + " and IDAY <= '" + upper + "'";

    f.category_ = static_cast<Category>(categoryIndex == 0 ? 0 : categoryIndex);
    if (categoryIndex == 0)
        f.category_ = Category::None;
    f.hasPeriod_ = true;
    Cp949Encoding lo = encodeCp949(lower);
    Cp949Encoding up = encodeCp949(upper);
    if (lo.bytes && up.bytes) {
        f.lower_ = *lo.bytes;
        f.upper_ = *up.bytes;
    } else {
        f.impossible_ = true;
    }
    return f;
}

namespace {
bool pairInUse(double amount, double vat) { return amount != 0 || vat != 0; }
}

bool LedgerFilter::passesCategory(Category category, const LedgerEntry& e)
{
    switch (category) {
    case Category::Income:
        if (!pairInUse(e.INMNY, e.INVAT)) return false;
        break;
    case Category::Expense:
        if (!pairInUse(e.OTMNY, e.OTVAT)) return false;
        break;
    case Category::Asset:
        if (!pairInUse(e.JSMNY, e.JSVAT)) return false;
        break;
    case Category::None:
        break;
    }
    return true;
}

bool LedgerFilter::passes(const LedgerEntry& e) const
{
    if (impossible_ || !passesCategory(e))
        return false;
    if (hasPeriod_) {
        // Byte order is character-code order for these texts; a prefix sorts first.
        std::string_view d = e.IDAY.view();
        if (d < std::string_view(lower_) || d > std::string_view(upper_))
            return false;
    }
    return true;
}

} // namespace quill
