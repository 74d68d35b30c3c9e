// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/FixedText.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quill {

// One ledger row. Texts are CP949 bytes; widths are counted in bytes.
struct LedgerEntry {
    FixedText<10> IDAY;    // "yyyy.mm.dd"; text order is date order
    FixedText<45> JKYU;    // description
    FixedText<35> SANGHO;  // counterparty
    double INMNY = 0;      // income
    double INVAT = 0;
    double OTMNY = 0;      // expense
    double OTVAT = 0;
    double JSMNY = 0;      // fixed-asset change
    double JSVAT = 0;
    FixedText<15> ETC;     // remark on the evidence
    FixedText<1> TAG;      // carried unchanged, never interpreted
    std::int32_t CTG = 0;  // carried unchanged, never interpreted

    bool operator==(const LedgerEntry&) const;
};

// The six money fields, in file and grid order.
enum class MoneyField { INMNY, INVAT, OTMNY, OTVAT, JSMNY, JSVAT };
inline constexpr int kMoneyFieldCount = 6;
double moneyValue(const LedgerEntry& e, int field);
void setMoneyValue(LedgerEntry& e, int field, double value);
const char* moneyFieldName(int field);

// Categories own one pair of money fields each; 0 means none.
enum class Category { None = 0, Income = 1, Expense = 2, Asset = 3 };

// The categories in the order every list and choice shows them.
inline constexpr Category kCategories[3] = {Category::Income, Category::Expense, Category::Asset};
// "수입", "비용", "자산" (UTF-8). A statement row or rule without a
// category is booked as an expense, so None reads "비용" too.
const char* categoryName(Category c);
// The category a name stands for; nothing for any other text.
std::optional<Category> categoryFromName(std::string_view utf8);
// The filter's choice of all three, shown before them.
inline constexpr const char* kAllCategoriesName = "전체";

} // namespace quill
