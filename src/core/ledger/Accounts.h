// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quill {

// The headings of the 총수입금액 및 필요경비 명세서 an entry can be booked
// to (its 계정), stored in the entry's CTG field: 0 means none. A code this
// table does not list is kept as it is and shown as "알 수 없는 계정 (N)".
//
// An asset class may carry the number of one asset above it: CTG =
// number × 1000 + class code (5302 is asset 5, 비품). The number ties an
// asset's details (내용연수, method, claimed amounts) and its sale to the
// acquisition whatever else of the entry is edited later.
enum class AccountKind { Income, Expense, Asset };

struct Account {
    std::int32_t code;
    const char* key;   // stable ASCII: "rent", "wages", "entertainment"
    const char* name;  // the form's heading, UTF-8
    AccountKind kind;
    bool deemed = false;  // 면세 농축수산물: the 의제매입세액's base
};

// In the form's order: income, expenses, asset classes.
std::span<const Account> AccountTable();
// The account of a CTG value (an asset number is looked through); null for
// 0, a negative value or a code not listed.
const Account* findAccount(std::int32_t ctg);
const Account* findAccountByKey(std::string_view key);
// The asset number a CTG value carries (0: none).
std::int32_t assetNumber(std::int32_t ctg);
// An asset class code with an asset number; the class alone for number 0.
// Numbers above 2,000,000 do not fit and give the class alone.
std::int32_t assetCtg(std::int32_t classCode, std::int32_t number);
// The number a newly booked asset gets: one above the highest the rows
// carry (1 for none).
std::int32_t NextAssetNumber(std::span<const LedgerEntry> rows);
// UTF-8: "" for 0, the account's name, or "알 수 없는 계정 (N)".
std::string accountLabel(std::int32_t ctg);
// The kind of account an entry of the category takes (expense for none).
AccountKind accountKindOf(Category category);
// The category an entry shows: the last money pair in use, as the entry
// panel reads it (none when no pair is).
Category entryCategory(const LedgerEntry& e);

inline constexpr std::int32_t kSalesAccount = 101;
inline constexpr std::int32_t kTaxesAccount = 212;
inline constexpr std::int32_t kEntertainmentAccount = 215;

} // namespace quill
