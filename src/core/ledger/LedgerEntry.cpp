// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/LedgerEntry.h"

#include <cstring>

namespace quill {

namespace {
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}

bool LedgerEntry::operator==(const LedgerEntry& o) const
{
    return IDAY == o.IDAY && JKYU == o.JKYU && SANGHO == o.SANGHO && sameBits(INMNY, o.INMNY)
        && sameBits(INVAT, o.INVAT) && sameBits(OTMNY, o.OTMNY) && sameBits(OTVAT, o.OTVAT)
        && sameBits(JSMNY, o.JSMNY) && sameBits(JSVAT, o.JSVAT) && ETC == o.ETC && TAG == o.TAG
        && CTG == o.CTG;
}

double moneyValue(const LedgerEntry& e, int field)
{
    switch (field) {
    case 0: return e.INMNY;
    case 1: return e.INVAT;
    case 2: return e.OTMNY;
    case 3: return e.OTVAT;
    case 4: return e.JSMNY;
    case 5: return e.JSVAT;
    }
    return 0;
}

void setMoneyValue(LedgerEntry& e, int field, double value)
{
    switch (field) {
    case 0: e.INMNY = value; break;
    case 1: e.INVAT = value; break;
    case 2: e.OTMNY = value; break;
    case 3: e.OTVAT = value; break;
    case 4: e.JSMNY = value; break;
    case 5: e.JSVAT = value; break;
    }
}

const char* moneyFieldName(int field)
{
    static const char* const names[] = {"INMNY", "INVAT", "OTMNY", "OTVAT", "JSMNY", "JSVAT"};
    return field >= 0 && field < kMoneyFieldCount ? names[field] : "";
}

const char* categoryName(Category c)
{
    switch (c) {
    case Category::Income: return "수입";
    case Category::Asset: return "자산";
    default: return "비용";
    }
}

std::optional<Category> categoryFromName(std::string_view utf8)
{
    for (Category c : kCategories)
        if (utf8 == categoryName(c))
            return c;
    return std::nullopt;
}

} // namespace quill
