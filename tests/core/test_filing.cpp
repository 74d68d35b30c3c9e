// SPDX-License-Identifier: GPL-3.0-or-later
// Filing figures of a year, worked out by hand: each row of the tables below
// is a small ledger with the rule it checks and the return lines it must
// give, read by their keys as the window, the PDF and the command line read
// them.
#include "TestFiles.h"

#include "core/text/Cp949.h"
#include "core/config/IniFile.h"
#include "core/filing/FilingFigures.h"
#include "core/ledger/WorkingTable.h"

#include <gtest/gtest.h>

#include <map>

using namespace quill;

namespace {

std::string cp(const char* utf8) { return *encodeCp949(utf8).bytes; }

WideTenths won(long long w) { return static_cast<WideTenths>(w) * 10000; }

LedgerEntry entry(const char* day, const char* etc, double in, double inVat, double out, double outVat,
                  double js = 0, double jsVat = 0, const char* what = "")
{
    LedgerEntry e = makeEntry(day, "", in, inVat, out, outVat, js, jsVat);
    e.JKYU = cp(what);
    e.ETC = cp(etc);
    return e;
}

// Every figure by its key, in won (counts as they are). Since the
// 전자신고세액공제 came in, every 확정신고 with sales or purchases is
// 10,000 won lower unless an accountant files.
std::map<std::string, WideTenths> keyed(const FilingFigures& f)
{
    std::map<std::string, WideTenths> out;
    for (const FilingReturn& r : FilingReturns(f))
        for (const FilingLine& l : r.lines)
            for (std::size_t c = 0; c < l.values.size(); ++c)
                if (l.values[c].amount) {
                    out[figureKey(r, c, l)] = *l.values[c].amount;
                    if (l.key == "prepaid")
                        out[figureKey(r, c, l) + ".estimated"] = l.values[c].estimated ? won(1) : 0;
                }
    return out;
}

FilingSettings settingsOf(TaxpayerType type, const char* industry = "")
{
    FilingSettings s;
    s.type = type;
    s.industry = industry;
    return s;
}

struct FigureCase {
    const char* rule;
    std::vector<LedgerEntry> rows;
    FilingSettings settings;
    std::vector<std::pair<const char*, long long>> expect;  // key, whole won (or count)
};

void PrintTo(const FigureCase& c, std::ostream* os) { *os << c.rule; }

FilingSettings withPrepaid(FilingSettings s, std::int64_t h1)
{
    s.prepaidWon[0] = h1;
    return s;
}
FilingSettings withRate(FilingSettings s, Rate r)
{
    s.deemedRate = r;
    return s;
}
FilingSettings large(FilingSettings s)
{
    s.largeLastYear = true;
    return s;
}

const FilingSettings kGeneral = settingsOf(TaxpayerType::General);

std::vector<FigureCase> figureCases()
{
    return {
        // An individual's 확정신고 covers six months and deducts the 예정고지세액.
        {"1기 확정 over 1~6월 minus 예정고지",
         {entry("2024.02.10", "세계", 1000000, 100000, 0, 0), entry("2024.05.20", "세계", 2000000, 200000, 0, 0),
          entry("2024.03.05", "세계", 0, 0, 500000, 50000), entry("2024.07.01", "세계", 400000, 40000, 0, 0)},
         withPrepaid(kGeneral, 120000),
         {{"vat.h1.sales.invoice.amount", 3000000}, {"vat.h1.sales.invoice.vat", 300000},
          {"vat.h1.purchase.invoice.vat", 50000}, {"vat.h1.before_credits", 250000}, {"vat.h1.prepaid", 120000},
          {"vat.h1.prepaid.estimated", 0}, {"vat.h1.payable", 120000}, {"vat.h2.before_credits", 40000},
          {"vat.h2.prepaid", 0}, {"vat.year.payable", 150000}, {"vat.q1.before_credits", 50000},
          {"vat.q2.before_credits", 200000}, {"vat.q2.payable", 200000}}},
        // Estimate: half of the previous 과세기간, cut to 1,000 won; 500,000 exactly is notified.
        {"예정고지 estimated at 500,000",
         {entry("2023.08.01", "세계", 10000000, 1000000, 0, 0), entry("2024.03.01", "세계", 12000000, 1200000, 0, 0)},
         kGeneral,
         {{"vat.h1.prepaid", 500000}, {"vat.h1.prepaid.estimated", 1}, {"vat.h1.payable", 690000},
          {"vat.h2.prepaid", 600000}, {"vat.h2.payable", -600000}}},
        {"예정고지 under 500,000 is not notified",
         {entry("2023.12.01", "세계", 9999900, 999990, 0, 0)},  // half 499,995 -> 499,000
         kGeneral,
         {{"vat.h1.prepaid", 0}, {"vat.h1.prepaid.estimated", 1}}},
        // Sales by evidence; the card credit is 1.3 % of 공급대가 of card sales.
        {"sales lines and the card credit",
         {entry("2024.01.05", "세계", 1000000, 100000, 0, 0), entry("2024.01.06", "카드", 1000000, 100000, 0, 0),
          entry("2024.01.07", "현금영수증", 100000, 10000, 0, 0), entry("2024.01.08", "", 500000, 50000, 0, 0)},
         kGeneral,
         {{"vat.h1.sales.card.amount", 1100000}, {"vat.h1.sales.card.vat", 110000},
          {"vat.h1.sales.other.amount", 500000}, {"vat.h1.sales.total.amount", 2600000},
          {"vat.h1.sales.total.vat", 260000}, {"vat.h1.credit.card_issue.base", 1210000},
          {"vat.h1.credit.card_issue", 15730}, {"vat.h1.payable", 234270}}},
        // Purchases: invoice and card, general and fixed assets; 불공제 subtracted.
        {"purchase lines and 불공제",
         {entry("2024.04.01", "세계", 0, 0, 300000, 30000), entry("2024.04.02", "세금계산서", 0, 0, 0, 0, 2000000, 200000),
          entry("2024.04.03", "체크카드", 0, 0, 40000, 4000), entry("2024.04.04", "사업용카드", 0, 0, 0, 0, 900000, 90000),
          entry("2024.04.05", "세계 불공", 0, 0, 200000, 20000), entry("2024.04.06", "영수증", 0, 0, 10000, 1000),
          entry("2024.04.07", "세계", 5000000, 500000, 0, 0)},
         kGeneral,
         {{"vat.h1.purchase.invoice.amount", 500000}, {"vat.h1.purchase.invoice.vat", 50000},
          {"vat.h1.purchase.invoice_assets.amount", 2000000}, {"vat.h1.purchase.invoice_assets.vat", 200000},
          {"vat.h1.purchase.card.vat", 4000}, {"vat.h1.purchase.card_assets.vat", 90000},
          {"vat.h1.purchase.total.vat", 344000}, {"vat.h1.purchase.nondeductible.vat", 20000},
          {"vat.h1.purchase.deductible.vat", 324000}, {"vat.h1.before_credits", 176000},
          {"vat.h1.purchase.other.vat", 1000}, {"income.expenses", 571000}, {"income.assets", 2900000}}},
        // A used business car sold with a tax invoice is a taxable supply.
        {"asset sale goes to sales",
         {entry("2024.09.10", "세계", 0, 0, 0, 0, -5000000, -500000)},
         kGeneral,
         {{"vat.h2.sales.invoice.amount", 5000000}, {"vat.h2.sales.invoice.vat", 500000},
          {"vat.h2.purchase.invoice_assets.amount", 0}, {"vat.h2.purchase.total.vat", 0},
          {"vat.h2.before_credits", 500000}, {"income.assets", -5000000}}},
        // 음식점: 9/109 while the 과세기간's 과세표준 is at most 2억, else 8/108.
        {"의제매입 음식점 small",
         {entry("2024.01.10", "계산서", 0, 0, 1090000, 0), entry("2024.01.11", "카드", 200000000, 20000000, 0, 0)},
         settingsOf(TaxpayerType::General, "음식점"),
         {{"vat.h1.purchase.deemed.base", 1090000}, {"vat.h1.purchase.deemed.vat", 90000}}},
        {"의제매입 음식점 above 2억",
         {entry("2024.01.10", "전자계산서", 0, 0, 1080000, 0), entry("2024.01.11", "카드", 200000001, 0, 0, 0)},
         settingsOf(TaxpayerType::General, "음식점"),
         {{"vat.h1.purchase.deemed.vat", 80000}}},
        {"의제매입 제조 4/104",
         {entry("2024.08.01", "세계", 10000000, 1000000, 0, 0), entry("2024.08.10", "계", 0, 0, 1040000, 0)},
         settingsOf(TaxpayerType::General, "제조"),
         {{"vat.h2.purchase.deemed.vat", 40000}}},
        {"의제매입 rate the user set",
         {entry("2024.08.01", "세계", 10000000, 1000000, 0, 0), entry("2024.08.10", "계산서", 0, 0, 1020000, 0)},
         withRate(settingsOf(TaxpayerType::General, "제조"), Rate{2, 102}),
         {{"vat.h2.purchase.deemed.vat", 20000}}},
        {"의제매입 without an 업종", {entry("2024.08.10", "계산서", 0, 0, 1020000, 0)}, kGeneral,
         {{"vat.h2.purchase.deemed.base", 1020000}, {"vat.h2.purchase.deemed.vat", 0}}},
        // The card credit: capped at 10,000,000 a year, never above the tax, none above 10억.
        {"card credit yearly cap",
         {entry("2024.02.01", "카드", 727272728, 72727272, 0, 0), entry("2024.08.01", "카드", 100000000, 10000000, 0, 0)},
         kGeneral,
         {{"vat.h1.credit.card_issue", 10000000}, {"vat.h2.credit.card_issue", 0},
          {"vat.year.credit.card_issue", 10000000}}},
        {"card credit not above the tax",
         {entry("2024.02.01", "카드", 1000000, 100000, 0, 0), entry("2024.02.02", "세계", 0, 0, 0, 95000)},
         kGeneral,
         {{"vat.h1.before_credits", 5000}, {"vat.h1.credit.card_issue", 5000}, {"vat.h1.payable", -10000}}},
        {"no card credit above 10억", {entry("2024.02.01", "카드", 1000000, 100000, 0, 0)}, large(kGeneral),
         {{"vat.h1.credit.card_issue", 0}, {"vat.h1.payable", 90000}}},
        // 간이: 공급대가 × 부가가치율 × 10 %; credits capped at the tax.
        {"간이 소매 credits capped",
         {entry("2024.03.01", "카드", 45454545, 4545455, 0, 0), entry("2024.03.02", "세계", 0, 0, 20000000, 2000000)},
         settingsOf(TaxpayerType::Simplified, "소매"),
         {{"simple.year.supply", 50000000}, {"simple.year.tax", 750000}, {"simple.year.purchase.qualifying", 22000000},
          {"simple.year.credit.purchase", 110000}, {"simple.year.credit.card_issue", 640000},
          {"simple.year.exemption", 0}, {"simple.year.payable", 0}, {"simple.h1.tax", 750000},
          {"income.revenue", 50000000}}},
        {"간이 48,000,000 exactly owes tax",
         {entry("2024.01.01", "", 48000000, 0, 0, 0), entry("2024.03.02", "세계 불공", 0, 0, 1000000, 100000)},
         settingsOf(TaxpayerType::Simplified, "음식점"),
         {{"simple.year.tax", 720000}, {"simple.year.purchase.qualifying", 0}, {"simple.year.exemption", 0},
          {"simple.year.payable", 710000}}},
        {"간이 under 48,000,000 is exempt from paying",
         {entry("2023.03.01", "", 1000, 0, 0, 0), entry("2024.03.01", "", 47999999, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "제조"),
         {{"simple.year.tax", 959999}, {"simple.year.exemption", 959999}, {"simple.year.payable", 0}}},
        {"간이 part year scaled to twelve months",
         {entry("2024.07.01", "", 24000000, 0, 0, 0)},  // six months: 48,000,000 a year
         settingsOf(TaxpayerType::Simplified, "숙박"),
         {{"simple.year.supply.annualised", 48000000}, {"simple.year.tax", 600000}, {"simple.year.exemption", 0}}},
        {"간이 업종 rates",
         {entry("2024.05.01", "", 100000000, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "부동산임대"),
         {{"simple.year.tax", 4000000}, {"simple.h1.tax", 4000000}}},
        {"간이 서비스 30 %", {entry("2024.05.01", "", 100000000, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "서비스"), {{"simple.year.tax", 3000000}}},
        {"간이 예정부과 estimated from last year",
         {entry("2023.05.01", "", 100000000, 0, 0, 0), entry("2024.05.01", "", 100000000, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "소매"),
         {{"simple.year.prepaid", 750000}, {"simple.year.prepaid.estimated", 1}, {"simple.year.payable", 740000}}},
        // 간이 and 면세 write the VAT-inclusive 공급대가 as revenue; asset VAT is cost.
        {"간이 revenue with VAT",
         {entry("2024.03.01", "카드", 20000000, 2000000, 0, 0), entry("2024.04.01", "세계", 0, 0, 0, 0, 1000000, 100000)},
         settingsOf(TaxpayerType::Simplified),
         {{"income.revenue", 22000000}, {"income.assets", 1100000}}},
        {"일반 revenue without VAT",
         {entry("2024.03.01", "카드", 20000000, 2000000, 0, 0), entry("2024.04.01", "세계", 0, 0, 0, 0, 1000000, 100000)},
         kGeneral, {{"income.revenue", 20000000}, {"income.assets", 1000000}}},
        // 면세사업자 사업장현황신고: revenue and purchases by evidence.
        {"면세 lines",
         {entry("2024.01.02", "계산서", 1000000, 0, 0, 0), entry("2024.01.03", "카드", 2000000, 0, 0, 0),
          entry("2024.01.04", "현영", 300000, 0, 0, 0), entry("2024.01.05", "", 400000, 0, 0, 0),
          entry("2024.02.01", "세계", 0, 0, 100000, 10000), entry("2024.02.02", "계산서", 0, 0, 50000, 0),
          entry("2024.02.03", "카드결제", 0, 0, 30000, 3000), entry("2024.02.04", "", 0, 0, 20000, 0)},
         settingsOf(TaxpayerType::Exempt),
         {{"exempt.year.revenue.invoice", 1000000}, {"exempt.year.revenue.card", 2000000},
          {"exempt.year.revenue.cash", 300000}, {"exempt.year.revenue.other", 400000},
          {"exempt.year.revenue", 3700000}, {"exempt.year.purchase.invoice", 110000},
          {"exempt.year.purchase.exempt_invoice", 50000}, {"exempt.year.purchase.card", 33000},
          {"exempt.year.purchase.other", 20000}, {"exempt.year.purchase", 213000}}},
        // Evidence check: above 30,000 without evidence, 2 % penalty; wages apart.
        {"evidence boundary, penalty and wages",
         {entry("2024.09.09", "", 0, 0, 30000, 0), entry("2024.11.11", "영", 0, 0, 27273, 2728),
          entry("2024.11.12", "", 0, 0, 1000000, 0, 0, 0, "3월 급여"), entry("2024.11.13", "", 0, 0, 0, 0, 500000, 0)},
         kGeneral,
         {{"evidence.count", 2}, {"evidence.sum", 530001}, {"evidence.penalty", 10600},
          {"evidence.wages.count", 1}, {"evidence.wages.sum", 1000000}}},
        // Dates that are not calendar dates are left out and counted apart.
        {"bad dates left out",
         {entry("2024.02.30", "세계", 1000000, 100000, 0, 0), entry("2024.04.31", "세계", 1000000, 100000, 0, 0),
          entry("2024.13.01", "세계", 1000000, 100000, 0, 0), entry("2024.02.29", "세계", 7000, 700, 0, 0),
          entry("2023.02.29", "세계", 1000000, 100000, 0, 0), entry("    .  .  ", "", 0, 0, 5, 0)},
         kGeneral,
         {{"evidence.undated.count", 4}, {"vat.year.sales.total.amount", 7000}, {"income.revenue", 7000},
          {"vat.h1.before_credits", 700}}},
    };
}

class ReturnLines : public ::testing::TestWithParam<FigureCase> {};

TEST_P(ReturnLines, ComputedByHand)
{
    const FigureCase& c = GetParam();
    const auto got = keyed(ComputeFilingFigures(c.rows, 2024, c.settings));
    for (const auto& [key, value] : c.expect) {
        ASSERT_TRUE(got.count(key)) << key;
        EXPECT_EQ(plainDecimal(got.at(key)), plainDecimal(won(value))) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Filing, ReturnLines, ::testing::ValuesIn(figureCases()));

// --- the lines a tax accountant files, worked by hand -----------------------
//
// Each group below is one table: a ledger, its settings, and the lines it
// must give (whole won, counts as they are), the rates each column used and
// the remarks left unrecognised.

struct LineCase {
    const char* rule;
    std::vector<LedgerEntry> rows;
    FilingSettings settings;
    std::vector<std::pair<const char*, long long>> expect;
    std::vector<std::pair<const char*, const char*>> rates = {};       // key of the value, its rate
    std::vector<std::pair<const char*, long long>> remarks = {};      // unrecognised remark, count
    int deemedRows = -1;                                              // rows listed as 의제매입
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.rule; }

FilingSettings with(FilingSettings s, void (*change)(FilingSettings&))
{
    change(s);
    return s;
}

void checkLines(const LineCase& c)
{
    const FilingFigures f = ComputeFilingFigures(c.rows, 2024, c.settings);
    const auto got = keyed(f);
    for (const auto& [key, value] : c.expect) {
        ASSERT_TRUE(got.count(key)) << key;
        EXPECT_EQ(plainDecimal(got.at(key)), plainDecimal(won(value))) << key;
    }
    std::map<std::string, std::string> rates;
    for (const FilingReturn& r : FilingReturns(f))
        for (const FilingLine& l : r.lines)
            for (std::size_t col = 0; col < l.values.size(); ++col)
                rates[figureKey(r, col, l)] = l.values[col].rate;
    for (const auto& [key, rate] : c.rates) {
        ASSERT_TRUE(rates.count(key)) << key;
        EXPECT_EQ(rates.at(key), rate) << key;
    }
    for (const auto& [remark, count] : c.remarks) {
        const auto it = f.otherRemarks.find(remark);
        EXPECT_EQ(it == f.otherRemarks.end() ? 0 : it->second, count) << remark;
    }
    if (c.deemedRows >= 0) {
        EXPECT_EQ(f.deemed.size(), static_cast<std::size_t>(c.deemedRows));
    }
    // Streamed without rows, the figures are the same.
    FilingAccumulator acc(2024, c.settings, false);
    for (std::size_t i = 0; i < c.rows.size(); ++i)
        acc.add(i, c.rows[i]);
    EXPECT_EQ(keyed(acc.finish()), got);
}

const FilingSettings kRestaurant = settingsOf(TaxpayerType::General, "음식점");

// 의제매입세액: produce by card enters the base, the 한도 caps it, the rate
// is the column's own.
std::vector<LineCase> deemedCases()
{
    return {
        {"produce by card is 의제매입, not a card purchase with VAT",
         {entry("2024.01.05", "카드", 10000000, 1000000, 0, 0),
          entry("2024.02.01", "카드", 0, 0, 1090000, 0, 0, 0, "농산물 구입"),
          entry("2024.02.02", "계산서", 0, 0, 545000, 0, 0, 0, "쌀"),
          entry("2024.02.03", "카드", 0, 0, 100000, 10000, 0, 0, "주방세제")},
         kRestaurant,
         {{"vat.h1.purchase.card.amount", 100000}, {"vat.h1.purchase.card.vat", 10000},
          {"vat.h1.purchase.deemed.base.card", 1090000}, {"vat.h1.purchase.deemed.base.invoice", 545000},
          {"vat.h1.purchase.deemed.base", 1635000}, {"vat.h1.purchase.deemed.limit_base", 7500000},
          {"vat.h1.purchase.deemed.vat", 135000}, {"vat.h1.purchase.total.vat", 145000}},
         {{"vat.h1.purchase.deemed.vat", "9/109"}, {"vat.h1.purchase.deemed.limit_base", "75%"}},
         {},
         2},
        {"a card purchase without VAT and without a produce word is no 의제매입 and deducts nothing",
         {entry("2024.03.01", "카드", 0, 0, 50000, 0, 0, 0, "도서")},
         kRestaurant,
         {{"vat.h1.purchase.card.amount", 0}, {"vat.h1.purchase.card_no_vat.amount", 50000},
          {"vat.h1.purchase.deemed.base", 0}},
         {},
         {},
         0},
        {"한도 75 % of a 과세표준 up to 1억",
         {entry("2024.01.05", "카드", 10000000, 1000000, 0, 0), entry("2024.02.02", "계산서", 0, 0, 10900000, 0)},
         kRestaurant,
         {{"vat.h1.purchase.deemed.base", 10900000}, {"vat.h1.purchase.deemed.limit_base", 7500000},
          {"vat.h1.purchase.deemed.allowed_base", 7500000}, {"vat.h1.purchase.deemed.vat", 619266}}},
        {"한도 70 % up to 2억",
         {entry("2024.01.05", "세계", 150000000, 15000000, 0, 0), entry("2024.02.02", "계산서", 0, 0, 109000000, 0)},
         kRestaurant,
         {{"vat.h1.purchase.deemed.limit_base", 105000000}, {"vat.h1.purchase.deemed.vat", 8669724}},
         {{"vat.h1.purchase.deemed.limit_base", "70%"}}},
        {"한도 60 % above 2억, at 8/108",
         {entry("2024.08.05", "세계", 300000000, 30000000, 0, 0), entry("2024.09.02", "계산서", 0, 0, 216000000, 0)},
         kRestaurant,
         {{"vat.h2.purchase.deemed.limit_base", 180000000}, {"vat.h2.purchase.deemed.vat", 13333333}},
         {{"vat.h2.purchase.deemed.vat", "8/108"}}},
        {"제조 한도 65 %",
         {entry("2024.08.05", "세계", 100000000, 10000000, 0, 0), entry("2024.09.02", "계산서", 0, 0, 104000000, 0)},
         settingsOf(TaxpayerType::General, "제조"),
         {{"vat.h2.purchase.deemed.limit_base", 65000000}, {"vat.h2.purchase.deemed.vat", 2500000}}},
        {"each column names its own rate",
         {entry("2024.01.05", "세계", 100000000, 10000000, 0, 0), entry("2024.02.02", "계산서", 0, 0, 1090000, 0),
          entry("2024.07.05", "세계", 250000000, 25000000, 0, 0), entry("2024.08.02", "계산서", 0, 0, 1080000, 0)},
         kRestaurant,
         {{"vat.h1.purchase.deemed.vat", 90000}, {"vat.h2.purchase.deemed.vat", 80000},
          {"vat.year.purchase.deemed.vat", 170000}},
         {{"vat.h1.purchase.deemed.vat", "9/109"}, {"vat.h2.purchase.deemed.vat", "8/108"},
          {"vat.year.purchase.deemed.vat", ""}, {"vat.q1.purchase.deemed.vat", "9/109"}}},
    };
}

class DeemedLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(DeemedLines, WorkedByHand) { checkLines(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Filing, DeemedLines, ::testing::ValuesIn(deemedCases()));

// Remarks read as evidence: "계" only as a word of its own; 직불 and
// 지출증빙 are card slips and cash receipts; transfers are no evidence.
std::vector<LineCase> remarkCases()
{
    return {
        {"계좌이체 is a transfer: no 의제매입, lacking evidence, not asked about",
         {entry("2024.02.01", "계좌이체", 0, 0, 50000, 0, 0, 0, "채소")},
         kRestaurant,
         {{"vat.h1.purchase.deemed.base", 0}, {"evidence.count", 1}, {"evidence.sum", 50000}},
         {},
         {{"계좌이체", 0}},
         0},
        {"계약금 is no 계산서",
         {entry("2024.06.10", "계약금", 0, 0, 1000000, 0)},
         kRestaurant,
         {{"vat.h1.purchase.deemed.base", 0}, {"evidence.count", 1}},
         {},
         {{"계약금", 1}}},
        {"계좌 송금 is a transfer",
         {entry("2024.06.11", "계좌 송금", 0, 0, 40000, 0)},
         kRestaurant,
         {{"vat.h1.purchase.deemed.base", 0}, {"evidence.count", 1}},
         {},
         {{"계좌송금", 0}}},
        {"직불 is a card slip",
         {entry("2024.03.01", "직불", 0, 0, 100000, 10000)},
         kGeneral,
         {{"vat.h1.purchase.card.vat", 10000}, {"evidence.count", 0}},
         {},
         {{"직불", 0}}},
        {"지출증빙 is a cash receipt",
         {entry("2024.03.01", "지출증빙", 0, 0, 100000, 10000), entry("2024.03.02", "현금영수증(지출증빙)", 0, 0, 200000, 20000)},
         kGeneral,
         {{"vat.h1.purchase.card.vat", 30000}, {"evidence.count", 0}},
         {},
         {{"지출증빙", 0}}},
        {"easy payments are listed with their counts",
         {entry("2024.03.01", "카카오페이", 0, 0, 10000, 1000), entry("2024.03.02", "카카오 페이", 0, 0, 10000, 1000),
          entry("2024.03.03", "제로페이", 0, 0, 10000, 1000), entry("2024.03.04", "계좌이체", 0, 0, 10000, 0)},
         kGeneral,
         {{"vat.h1.purchase.other.vat", 3000}},
         {},
         {{"카카오페이", 2}, {"제로페이", 1}, {"계좌이체", 0}}},
    };
}

class RemarkLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(RemarkLines, WorkedByHand) { checkLines(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Filing, RemarkLines, ::testing::ValuesIn(remarkCases()));

// A year before that is not small, so the 가산세 is owed where it is due.
LedgerEntry lastYearRevenue(double amount) { return entry("2023.06.01", "", amount, 0, 0, 0); }

// 증빙불비가산세: what needs no 적격증빙, who owes none, and 접대비.
std::vector<LineCase> penaltyCases()
{
    const FilingSettings exempt = settingsOf(TaxpayerType::Exempt);
    return {
        {"학원: only the 교재 without evidence is charged",
         {lastYearRevenue(100000000), entry("2024.03.10", "3.3%", 0, 0, 10000000, 0, 0, 0, "강사료"),
          entry("2024.03.25", "계좌이체", 0, 0, 12000000, 0, 0, 0, "3월 월세"),
          entry("2024.03.26", "", 0, 0, 2000000, 0, 0, 0, "국민연금"),
          entry("2024.03.27", "이체", 0, 0, 1000000, 0, 0, 0, "대출 이자"),
          entry("2024.04.01", "", 0, 0, 300000, 0, 0, 0, "자동차세"),
          entry("2024.04.02", "영수증", 0, 0, 88000, 0, 0, 0, "교재")},
         exempt,
         {{"evidence.count", 1}, {"evidence.sum", 88000}, {"evidence.penalty", 1760}, {"evidence.wages.count", 1},
          {"evidence.wages.sum", 2000000}, {"evidence.exempt.count", 4}, {"evidence.exempt.sum", 23300000}}},
        {"소규모사업자 by the ledger's year before",
         {lastYearRevenue(30000000), entry("2024.04.02", "", 0, 0, 100000, 0, 0, 0, "소모품")},
         settingsOf(TaxpayerType::Simplified, "음식점"),
         {{"evidence.sum", 100000}, {"evidence.small_business", 1}, {"evidence.penalty", 0}}},
        {"신규 by the 개업일",
         {entry("2024.04.02", "", 0, 0, 100000, 0, 0, 0, "소모품")},
         with(settingsOf(TaxpayerType::Simplified, "음식점"), [](FilingSettings& s) { s.openingDay = "2024.03.02"; }),
         {{"evidence.small_business", 1}, {"evidence.penalty", 0}}},
        {"소규모사업자 by the setting when the ledger has no year before",
         {entry("2024.04.02", "", 0, 0, 100000, 0, 0, 0, "소모품")},
         with(settingsOf(TaxpayerType::Simplified, "음식점"), [](FilingSettings& s) { s.lastYearRevenueWon = 47999999; }),
         {{"evidence.small_business", 1}, {"evidence.penalty", 0}}},
        {"the ledger's year before outweighs the setting",
         {lastYearRevenue(48000000), entry("2024.04.02", "", 0, 0, 100000, 0, 0, 0, "소모품")},
         with(kGeneral, [](FilingSettings& s) { s.lastYearRevenueWon = 1000; }),
         {{"evidence.small_business", 0}, {"evidence.penalty", 2000}}},
        {"접대비 without evidence is its own line, no 가산세",
         {lastYearRevenue(100000000), entry("2024.05.02", "", 0, 0, 100000, 0, 0, 0, "거래처 접대"),
          entry("2024.05.03", "간이영수증", 0, 0, 250000, 0, 0, 0, "기업업무추진비")},
         kGeneral,
         {{"evidence.count", 0}, {"evidence.penalty", 0}, {"evidence.entertainment.count", 2},
          {"evidence.entertainment.sum", 350000}}},
    };
}

class PenaltyLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(PenaltyLines, WorkedByHand) { checkLines(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Filing, PenaltyLines, ::testing::ValuesIn(penaltyCases()));

// Conditions taken from the ledger.
std::vector<LineCase> conditionCases()
{
    const FilingSettings retail = settingsOf(TaxpayerType::General, "소매");
    const FilingSettings cafe = settingsOf(TaxpayerType::Simplified, "음식점");
    return {
        {"10억 last year in the ledger: no card credit",
         {entry("2023.03.01", "세계", 1140000000, 114000000, 0, 0), entry("2024.02.01", "카드", 100000000, 10000000, 0, 0)},
         retail,
         {{"vat.h1.credit.card_issue", 0}}},
        {"10억: the setting overrides the ledger",
         {entry("2023.03.01", "세계", 1140000000, 114000000, 0, 0), entry("2024.02.01", "카드", 100000000, 10000000, 0, 0)},
         with(retail, [](FilingSettings& s) { s.largeLastYear = false; }),
         {{"vat.h1.credit.card_issue", 1430000}, {"vat.h1.credit.e_filing", 10000}}},
        {"10억: the 예정고지 estimate follows",
         {entry("2023.03.01", "세계", 1140000000, 114000000, 0, 0), entry("2023.08.01", "카드", 100000000, 10000000, 0, 0)},
         retail,
         {{"vat.h1.prepaid", 5000000}, {"vat.h1.prepaid.estimated", 1}}},
        {"개업일 in July: a June 계약금 does not stretch the year",
         {entry("2024.06.10", "계좌이체", 0, 0, 1000000, 0, 0, 0, "계약금"), entry("2024.07.15", "카드", 27000000, 0, 0, 0)},
         with(cafe, [](FilingSettings& s) { s.openingDay = "2024.07.01"; }),
         {{"simple.year.supply.annualised", 54000000}, {"simple.year.tax", 405000}, {"simple.year.exemption", 0},
          {"simple.year.credit.card_issue", 351000}, {"simple.year.credit.e_filing", 10000}, {"simple.year.payable", 44000}}},
        {"12개월 환산 in whole won",
         {entry("2024.08.15", "", 10000001, 0, 0, 0)},
         with(cafe, [](FilingSettings& s) { s.openingDay = "2024.08.01"; }),
         {{"simple.year.supply.annualised", 24000002}}},
        {"간이 with 세금계산서 in 1~6월 deducts its 예정신고",
         {entry("2024.03.10", "세계", 39781818, 3978182, 0, 0), entry("2024.09.10", "", 43760000, 0, 0, 0)},
         with(settingsOf(TaxpayerType::Simplified, "소매"), [](FilingSettings& s) { s.accountantFiles = true; }),
         {{"simple.h1.payable", 656400}, {"simple.year.tax", 1312800}, {"simple.year.preliminary_return", 656400},
          {"simple.year.payable", 656400}}},
        {"간이 0.5 % on taxable purchases only",
         {entry("2024.01.10", "", 60000000, 0, 0, 0), entry("2024.02.01", "카드", 0, 0, 1000000, 0, 0, 0, "우유"),
          entry("2024.02.02", "카드", 0, 0, 1000000, 100000, 0, 0, "식용유"),
          entry("2024.02.03", "세계 불공", 0, 0, 500000, 50000)},
         cafe,
         {{"simple.year.purchase.qualifying", 1100000}, {"simple.year.credit.purchase", 5500}}},
    };
}

class ConditionLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(ConditionLines, WorkedByHand) { checkLines(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Filing, ConditionLines, ::testing::ValuesIn(conditionCases()));

// Lines that were missing.
std::vector<LineCase> missingLineCases()
{
    const FilingSettings exempt = settingsOf(TaxpayerType::Exempt);
    return {
        {"전자신고세액공제 per 확정신고, none without sales or purchases",
         {entry("2024.03.01", "세계", 1000000, 100000, 0, 0)},
         kGeneral,
         {{"vat.h1.credit.e_filing", 10000}, {"vat.h2.credit.e_filing", 0}, {"vat.year.credit.e_filing", 10000},
          {"vat.h1.payable", 90000}, {"vat.year.payable", 90000}}},
        {"전자신고세액공제 adds to a refund",
         {entry("2024.08.01", "세계", 0, 0, 500000, 50000)},
         kGeneral,
         {{"vat.h2.credit.e_filing", 10000}, {"vat.h2.payable", -60000}}},
        {"no 전자신고세액공제 where an accountant files",
         {entry("2024.03.01", "세계", 1000000, 100000, 0, 0)},
         with(kGeneral, [](FilingSettings& s) { s.accountantFiles = true; }),
         {{"vat.h1.credit.e_filing", 0}, {"vat.h1.payable", 100000}}},
        {"간이: 전자신고세액공제 only up to the tax left",
         {entry("2024.03.01", "", 50000000, 0, 0, 0), entry("2024.03.02", "세계", 0, 0, 139000000, 0)},
         settingsOf(TaxpayerType::Simplified, "소매"),
         {{"simple.year.tax", 750000}, {"simple.year.credit.purchase", 695000}, {"simple.year.credit.e_filing", 10000},
          {"simple.year.payable", 45000}}},
        {"간이: none where the tax is 면제",
         {entry("2023.03.01", "", 1000, 0, 0, 0), entry("2024.03.01", "", 40000000, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "소매"),
         {{"simple.year.exemption", 600000}, {"simple.year.credit.e_filing", 0}, {"simple.year.payable", 0}}},
        {"사업장현황신고 기본경비; wages leave 매입 기타",
         {entry("2024.01.10", "카드", 50000000, 0, 0, 0),
          entry("2024.01.25", "계좌이체", 0, 0, 12000000, 0, 0, 0, "1월 월세"),
          entry("2024.01.26", "", 0, 0, 20000000, 0, 0, 0, "강사 급여"),
          entry("2024.01.27", "세계", 0, 0, 3000000, 300000, 0, 0, "교재 매입"),
          entry("2024.01.28", "카드", 0, 0, 454545, 45455, 0, 0, "전기요금")},
         exempt,
         {{"exempt.year.basic.rent", 12000000}, {"exempt.year.basic.goods", 3300000},
          {"exempt.year.basic.wage", 20000000}, {"exempt.year.basic.other", 500000},
          {"exempt.year.purchase.other", 12000000}, {"exempt.year.purchase.exempt_invoice", 0}}},
        {"간이 reaching 1억400만원",
         {entry("2024.01.10", "카드", 104000000, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "음식점"),
         {{"warn.simple_ceiling", 1}, {"warn.simple_invoice_duty", 0}}},
        {"간이 reaching 4,800만원",
         {entry("2024.01.10", "카드", 48000000, 0, 0, 0)},
         settingsOf(TaxpayerType::Simplified, "음식점"),
         {{"warn.simple_ceiling", 0}, {"warn.simple_invoice_duty", 1}}},
        {"card credit outside the 영수증 발급 대상 업종",
         {entry("2024.01.10", "카드", 1000000, 100000, 0, 0)},
         settingsOf(TaxpayerType::General, "제조"),
         {{"warn.card_credit_industry", 1}}},
        {"불공제 candidates: gifts, and a 승용차's fuel once a 승용차 is an asset",
         {entry("2024.02.01", "카드", 0, 0, 100000, 10000, 0, 0, "거래처 선물"),
          entry("2024.02.02", "카드", 0, 0, 50000, 5000, 0, 0, "승용차 주유"),
          entry("2024.02.03", "카드 불공", 0, 0, 100000, 10000, 0, 0, "접대"),
          entry("2024.05.01", "세계", 0, 0, 0, 0, 20000000, 2000000, "승용차 구입")},
         kGeneral,
         {{"evidence.nondeductible_candidates.count", 3}, {"evidence.nondeductible_candidates.vat", 2015000},
          {"vat.h1.purchase.nondeductible.vat", 10000}}},
        {"불공제 candidates: no 승용차, no fuel",
         {entry("2024.02.02", "카드", 0, 0, 50000, 5000, 0, 0, "트럭 주유")},
         kGeneral,
         {{"evidence.nondeductible_candidates.count", 0}}},
    };
}

class MissingLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(MissingLines, WorkedByHand) { checkLines(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Filing, MissingLines, ::testing::ValuesIn(missingLineCases()));

struct SpellingCase {
    const char* remark;
    Evidence evidence;
    bool nondeductible = false;
};

class EvidenceSpelling : public ::testing::TestWithParam<SpellingCase> {};

TEST_P(EvidenceSpelling, RecognisedByWhatTheRemarkContains)
{
    const SpellingCase& c = GetParam();
    FilingSettings own;
    own.words[static_cast<int>(EvidenceWordKind::Card)] = {"체크", "card"};
    own.words[static_cast<int>(EvidenceWordKind::Nondeductible)] = {"접대"};
    // Built-in words alone: the user's words are not recognised.
    const bool usersWord = std::string_view(c.remark) == "체크" || std::string_view(c.remark) == "CARD"
                        || std::string_view(c.remark) == "카드 접대";
    const RemarkClass plain = EvidenceClassifier().classify(cp(c.remark));
    const RemarkClass withOwn = EvidenceClassifier(own).classify(cp(c.remark));
    EXPECT_EQ(withOwn.evidence, c.evidence) << c.remark;
    EXPECT_EQ(withOwn.nondeductible, c.nondeductible) << c.remark;
    if (!usersWord) {
        EXPECT_EQ(plain.evidence, c.evidence) << c.remark;
    } else {
        EXPECT_TRUE(plain.evidence == Evidence::Other || plain.nondeductible != c.nondeductible) << c.remark;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Filing, EvidenceSpelling,
    ::testing::Values(SpellingCase{"세금계산서", Evidence::Invoice}, SpellingCase{"전자세금계산서", Evidence::Invoice},
                      SpellingCase{" 세 계 ", Evidence::Invoice}, SpellingCase{"전자세계", Evidence::Invoice},
                      SpellingCase{"세\xE3\x80\x80계", Evidence::Invoice},  // full-width blank
                      SpellingCase{"계산서", Evidence::ExemptInvoice}, SpellingCase{"전자계산서", Evidence::ExemptInvoice},
                      SpellingCase{" 계", Evidence::ExemptInvoice}, SpellingCase{"카드", Evidence::Card},
                      SpellingCase{"신용카드", Evidence::Card}, SpellingCase{"체크카드", Evidence::Card},
                      SpellingCase{"직불카드", Evidence::Card}, SpellingCase{"선불카드", Evidence::Card},
                      SpellingCase{"사업용카드", Evidence::Card}, SpellingCase{"법인 카드", Evidence::Card},
                      SpellingCase{"카드결제", Evidence::Card}, SpellingCase{"현금영수증", Evidence::CashReceipt},
                      SpellingCase{"현금 영수", Evidence::CashReceipt}, SpellingCase{"현영", Evidence::CashReceipt},
                      SpellingCase{"영", Evidence::Other}, SpellingCase{"영수증", Evidence::Other},
                      SpellingCase{"간이영수증", Evidence::Other}, SpellingCase{"", Evidence::Other},
                      SpellingCase{"   ", Evidence::Other}, SpellingCase{"세계 불공", Evidence::Invoice, true},
                      SpellingCase{"체크", Evidence::Card}, SpellingCase{"CARD", Evidence::Card},
                      SpellingCase{"카드 접대", Evidence::Card, true}));

TEST(FilingFigures, EvidenceTabListsWhatWasNotRecognised)
{
    const std::vector<LedgerEntry> rows = {entry("2024.01.01", "체크", 0, 0, 1000, 0),
                                           entry("2024.01.02", " 체 크", 0, 0, 1000, 0),
                                           entry("2024.01.03", "CARD", 0, 0, 1000, 0),
                                           entry("2024.01.04", "", 0, 0, 1000, 0),
                                           entry("2024.01.05", "카드", 0, 0, 1000, 0)};
    const FilingFigures f = ComputeFilingFigures(rows, 2024, kGeneral);
    const std::map<std::string, std::int64_t> want = {{"체크", 2}, {"CARD", 1}, {"", 1}};
    EXPECT_EQ(f.otherRemarks, want);
}

TEST(FilingFigures, StreamingWithoutRowsGivesTheSameFigures)
{
    const std::vector<FigureCase> cases = figureCases();
    for (const FigureCase& c : cases) {
        FilingAccumulator acc(2024, c.settings, false);
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            acc.add(i, c.rows[i]);
        const FilingFigures streamed = acc.finish();
        EXPECT_TRUE(streamed.evidence.empty() && streamed.undated.empty()) << c.rule;
        EXPECT_EQ(keyed(streamed), keyed(ComputeFilingFigures(c.rows, 2024, c.settings))) << c.rule;
    }
}

TEST(FilingFigures, SumsDoNotWrapAndKeepFractions)
{
    std::vector<LedgerEntry> rows(4, entry("2024.07.01", "", 9.0e14, 0.5, 0, 0));
    rows.push_back(entry("2024.07.02", "", 0.0312, 0, 0, 0));
    const FilingFigures f = ComputeFilingFigures(rows, 2024, kGeneral);
    EXPECT_EQ(plainDecimal(f.yearSums().income), "3600000000000000.0312");
    EXPECT_EQ(plainDecimal(f.sum(7, 9).sales().vat), "2");
}

TEST(FilingFigures, TableOverloadSeesEveryRowWhateverTheFilter)
{
    WorkingTable t;
    for (const LedgerEntry& e : {entry("2024.01.01", "", 700000, 0, 0, 0), entry("2023.01.01", "", 5, 0, 0, 0)})
        t.appendRaw(e);
    t.open();
    t.setFilter(LedgerFilter::fromControls(1, "2023", 0, "1년"));
    t.setFiltered(true);
    EXPECT_EQ(ComputeFilingFigures(t, 2024, kGeneral).yearSums().income, won(700000));
    WorkingTable empty;
    EXPECT_EQ(ComputeFilingFigures(empty, 2024, kGeneral).entries, 0);
}

TEST(FilingFigures, MonthOfYear)
{
    EXPECT_EQ(monthOfYear("2024.12.31", 2024), 12);
    EXPECT_EQ(monthOfYear("2024.12.31", 2023), 0);
}

TEST(FilingRates, KeptByYear)
{
    EXPECT_EQ(rateText(RatesOf(2024).cardCredit), "1.3%");
    EXPECT_EQ(RatesOf(2026).cardCreditCapWon, 10000000);
    EXPECT_EQ(rateText(RatesOf(2027).cardCredit), "1%");
    const std::pair<const char*, int> valueAdded[] = {{"소매", 15}, {"음식점", 15}, {"제조", 20}, {"숙박", 25},
                                                      {"건설", 30}, {"운수", 30},   {"정보통신", 30}, {"금융", 40},
                                                      {"전문서비스", 40}, {"부동산임대", 40}, {"서비스", 30}};
    for (const auto& [key, percent] : valueAdded) {
        const Industry* i = findIndustry(2024, key);
        ASSERT_NE(i, nullptr) << key;
        EXPECT_EQ(i->valueAdded.num * 100 / i->valueAdded.den, percent) << key;
    }
    EXPECT_EQ(findIndustry(2024, "영세"), nullptr);
    for (const char* text : {"8/108", "9/109", "1.3%", "15%", "2/102"})
        EXPECT_EQ(rateText(*parseRate(text)), text);
    for (const char* bad : {"", "0/5", "5/5", "abc", "100%", "1.25%", "/3"})
        EXPECT_FALSE(parseRate(bad)) << bad;
}

TEST(FilingSettingsStore, PerLedgerSectionCarriedBySaveAs)
{
    TempFolder dir;
    const std::string ini = dir.file("quillcfg.ini");
    const std::string shop = dir.file("가게.Aut"), cafe = dir.file("카페.Aut"), copy = dir.file("사본.Aut");
    // Without a section of its own a ledger takes the program-wide type.
    ASSERT_TRUE(WriteTaxpayerType(ini, TaxpayerType::Exempt));
    EXPECT_EQ(ReadFilingSettings(ini, shop).type, TaxpayerType::Exempt);
    FilingSettings s;
    s.type = TaxpayerType::Simplified;
    s.industry = "음식점";
    s.prepaidWon[1] = 345000;
    s.words[static_cast<int>(EvidenceWordKind::Card)] = {"체크", "CARD"};
    s.words[static_cast<int>(EvidenceWordKind::Nondeductible)] = {"접대"};
    s.largeLastYear = true;
    s.deemedRate = Rate{9, 109};
    ASSERT_TRUE(WriteFilingSettings(ini, shop, s));
    auto same = [](const FilingSettings& a, const FilingSettings& b) {
        bool eq = a.type == b.type && a.industry == b.industry && a.prepaidWon[0] == b.prepaidWon[0]
               && a.prepaidWon[1] == b.prepaidWon[1] && a.largeLastYear == b.largeLastYear
               && a.deemedRate.has_value() == b.deemedRate.has_value();
        for (int k = 0; k < kEvidenceWordKinds; ++k)
            eq = eq && a.words[k] == b.words[k];
        return eq;
    };
    EXPECT_TRUE(same(ReadFilingSettings(ini, shop), s));
    EXPECT_EQ(ReadFilingSettings(ini, cafe).type, TaxpayerType::Exempt);  // the other business
    EXPECT_TRUE(ReadIniValue(ini, cp("간편장부"), cp("과세유형")).has_value());  // default kept
    ASSERT_TRUE(CopyFilingSettings(ini, shop, copy));
    EXPECT_TRUE(same(ReadFilingSettings(ini, copy), s));
    ASSERT_TRUE(CopyFilingSettings(ini, cafe, dir.file("또.Aut")));  // nothing of its own to carry
    EXPECT_EQ(ReadFilingSettings(ini, dir.file("또.Aut")).type, TaxpayerType::Exempt);
    // Section names are full paths: a relative name finds the same section.
    EXPECT_EQ(ReadFilingSettings(ini, dir.file("./가게.Aut")).industry, "음식점");
    // A ledger whose path CP949 cannot hold keeps a section of its own: two
    // such ledgers once shared the one with the empty name.
    ASSERT_TRUE(WriteFilingSettings(ini, dir.file("가게😀.Aut"), s));
    EXPECT_TRUE(same(ReadFilingSettings(ini, dir.file("가게😀.Aut")), s));
    EXPECT_EQ(ReadFilingSettings(ini, dir.file("카페😀.Aut")).type, TaxpayerType::Exempt);
}

TEST(FilingSettingsStore, ProgramWideTypeAndNames)
{
    TempFolder dir;
    const std::string ini = dir.file("quillcfg.ini");
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::General);  // no file
    writeAll(ini, cp("[간편장부]\r\n과세유형=영세\r\n"));
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::General);  // unknown value
    ASSERT_TRUE(WriteTaxpayerType(ini, TaxpayerType::Simplified));
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::Simplified);
    for (TaxpayerType t : {TaxpayerType::General, TaxpayerType::Simplified, TaxpayerType::Exempt})
        EXPECT_EQ(parseTaxpayerType(taxpayerTypeName(t)), t);
    EXPECT_EQ(parseTaxpayerType("간이"), TaxpayerType::Simplified);
    EXPECT_FALSE(parseTaxpayerType("영세"));
}

} // namespace
