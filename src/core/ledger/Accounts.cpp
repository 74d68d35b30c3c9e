// SPDX-License-Identifier: GPL-3.0-or-later
// The headings follow the 총수입금액 및 필요경비 명세서 (소득세법 시행규칙
// 별지 제40호서식(4)) and the 간편장부 layout of the 국세청's 간편장부 작성
// 요령: 매출, 기타; 상품·원재료 매입; 일반관리비 headings. The asset classes
// are those of 법인세법 시행규칙 별표 5 (건축물등의 기준내용연수), which the
// 소득세법 시행규칙 제32조 follows. Codes are ours and never change.
#include "core/ledger/Accounts.h"

#include <algorithm>

namespace quill {

namespace {

constexpr Account kAccounts[] = {
    {101, "sales", "매출", AccountKind::Income},
    {102, "other_income", "기타 사업수입", AccountKind::Income},
    {201, "purchases", "상품·원재료 매입", AccountKind::Expense},
    {202, "purchases_farm", "면세 농축수산물 매입 (의제매입)", AccountKind::Expense, true},
    {211, "wages", "급료·임금", AccountKind::Expense},
    {212, "taxes", "제세공과금", AccountKind::Expense},
    {213, "rent", "임차료", AccountKind::Expense},
    {214, "interest", "지급이자", AccountKind::Expense},
    {215, "entertainment", "기업업무추진비", AccountKind::Expense},
    {216, "donations", "기부금", AccountKind::Expense},
    {217, "vehicle", "차량유지비", AccountKind::Expense},
    {218, "fees", "지급수수료", AccountKind::Expense},
    {219, "supplies", "소모품비", AccountKind::Expense},
    {220, "welfare", "복리후생비", AccountKind::Expense},
    {221, "travel", "여비교통비", AccountKind::Expense},
    {222, "communication", "통신비", AccountKind::Expense},
    {223, "utilities", "수도광열비", AccountKind::Expense},
    {224, "insurance", "보험료", AccountKind::Expense},
    {225, "repairs", "수선비", AccountKind::Expense},
    {226, "advertising", "광고선전비", AccountKind::Expense},
    {227, "freight", "운반비", AccountKind::Expense},
    {228, "outsourcing", "외주가공비", AccountKind::Expense},
    {299, "other", "기타", AccountKind::Expense},
    {301, "vehicles", "차량운반구", AccountKind::Asset},
    {302, "fixtures", "비품", AccountKind::Asset},
    {303, "machinery", "기계장치", AccountKind::Asset},
    {304, "facilities", "시설장치", AccountKind::Asset},
    {305, "buildings", "건물", AccountKind::Asset},
    {306, "intangibles", "무형자산", AccountKind::Asset},
    {307, "land", "토지", AccountKind::Asset},
};

constexpr std::int32_t kNumberBase = 1000;
constexpr std::int32_t kMaxNumber = 2000000;

const Account* listed(std::int32_t code)
{
    for (const Account& a : kAccounts)
        if (a.code == code)
            return &a;
    return nullptr;
}

} // namespace

std::span<const Account> AccountTable() { return kAccounts; }

const Account* findAccount(std::int32_t ctg)
{
    if (ctg <= 0)
        return nullptr;
    if (ctg < kNumberBase)
        return listed(ctg);
    const Account* a = listed(ctg % kNumberBase);
    return a && a->kind == AccountKind::Asset ? a : nullptr;
}

const Account* findAccountByKey(std::string_view key)
{
    for (const Account& a : kAccounts)
        if (key == a.key)
            return &a;
    return nullptr;
}

std::int32_t assetNumber(std::int32_t ctg)
{
    const Account* a = findAccount(ctg);
    return a && a->kind == AccountKind::Asset ? ctg / kNumberBase : 0;
}

std::int32_t assetCtg(std::int32_t classCode, std::int32_t number)
{
    if (number <= 0 || number > kMaxNumber)
        return classCode;
    return number * kNumberBase + classCode;
}

std::int32_t NextAssetNumber(std::span<const LedgerEntry> rows)
{
    std::int32_t highest = 0;
    for (const LedgerEntry& e : rows)
        highest = std::max(highest, assetNumber(e.CTG));
    return highest + 1;
}

std::string accountLabel(std::int32_t ctg)
{
    if (ctg == 0)
        return {};
    if (const Account* a = findAccount(ctg))
        return a->name;
    return "알 수 없는 계정 (" + std::to_string(ctg) + ")";
}

AccountKind accountKindOf(Category category)
{
    switch (category) {
    case Category::Income: return AccountKind::Income;
    case Category::Asset: return AccountKind::Asset;
    default: return AccountKind::Expense;
    }
}

Category entryCategory(const LedgerEntry& e)
{
    if (e.JSMNY != 0 || e.JSVAT != 0)
        return Category::Asset;
    if (e.OTMNY != 0 || e.OTVAT != 0)
        return Category::Expense;
    if (e.INMNY != 0 || e.INVAT != 0)
        return Category::Income;
    return Category::None;
}

} // namespace quill
