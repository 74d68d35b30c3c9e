// SPDX-License-Identifier: GPL-3.0-or-later
// 종합소득세 figures worked out by hand: a restaurant (일반과세자) and a café
// (간이과세자) of a whole year with accounts, inventory, 접대비 and two assets
// (one bought mid-year, one sold), each line a row; a depreciation schedule
// over three years; the accounts, the proposals and the settings.
#include "TestFiles.h"

#include "cli/DumpLine.h"
#include "core/filing/IncomeFigures.h"
#include "core/ledger/AccountProposals.h"
#include "core/ledger/SnapshotFile.h"
#include "core/text/Cp949.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace quill;

namespace {

std::string cp(const char* utf8) { return *encodeCp949(utf8).bytes; }
WideTenths won(long long w) { return static_cast<WideTenths>(w) * 10000; }

LedgerEntry row(const char* day, const char* what, const char* etc, std::int32_t ctg, double in, double inVat,
                double out = 0, double outVat = 0, double js = 0, double jsVat = 0, const char* who = "")
{
    LedgerEntry e = makeEntry(day, "", in, inVat, out, outVat, js, jsVat);
    e.JKYU = cp(what);
    e.SANGHO = cp(who);
    e.ETC = cp(etc);
    e.CTG = ctg;
    return e;
}

std::map<std::string, WideTenths> incomeLines(std::span<const LedgerEntry> rows, int year, const FilingSettings& fs,
                                              const IncomeSettings& is)
{
    const FilingFigures f = ComputeFilingFigures(rows, year, fs);
    const IncomeFigures inc = ComputeIncomeFigures(rows, year, fs, is);
    std::map<std::string, WideTenths> out;
    for (const FilingReturn& r : FilingReturnsWithIncome(f, inc))
        if (r.key == "income")
            for (const FilingLine& l : r.lines)
                out["income." + l.key] = *l.values.at(0).amount;
    return out;
}

// A 일반과세 restaurant of 2024 that was open all of 2023.
std::vector<LedgerEntry> restaurant()
{
    return {
        row("2023.12.20", "12월 매출", "카드", 101, 50000000, 5000000),
        row("2022.03.10", "배달 오토바이", "", assetCtg(301, 2), 0, 0, 0, 0, 3000000, 0),
        row("2024.03.31", "3월 카드매출", "카드", 101, 30000000, 3000000),
        row("2024.09.30", "9월 카드매출", "카드", 101, 40000000, 4000000),
        row("2024.06.30", "현금매출", "", 101, 10000000, 1000000),
        row("2024.05.10", "보험금 수령", "", 102, 500000, 0),
        row("2024.07.01", "단체 도시락", "세금계산서", 0, 2000000, 200000),
        row("2024.02.15", "식자재 매입", "세금계산서", 201, 0, 0, 5000000, 500000, 0, 0, "한우마트"),
        row("2024.08.15", "농산물 매입", "계산서", 202, 0, 0, 10900000, 0, 0, 0, "농협"),
        row("2024.01.25", "1월 급여", "", 211, 0, 0, 12000000, 0),
        row("2024.12.25", "임차료", "세금계산서", 213, 0, 0, 6000000, 600000),
        row("2024.04.10", "거래처 접대", "카드 불공제", 215, 0, 0, 2000000, 200000),
        row("2024.05.20", "접대 식사", "", 215, 0, 0, 40000, 0),
        row("2024.06.05", "주차위반 과태료", "", 212, 0, 0, 100000, 0),
        row("2024.03.05", "자동차세", "", 212, 0, 0, 300000, 0),
        row("2024.11.11", "전기요금", "카드", 223, 0, 0, 400000, 40000),
        row("2024.10.10", "소모품", "", 0, 0, 0, 20000, 0),
        row("2024.07.15", "냉장고", "세금계산서", assetCtg(302, 1), 0, 0, 0, 0, 6000000, 600000),
        row("2024.05.01", "오토바이 양도", "", assetCtg(301, 2), 0, 0, 0, 0, -1000000, 0),
    };
}

// A 간이과세 café of 2024: 공급대가 is revenue and VAT paid on purchases is cost.
std::vector<LedgerEntry> cafe()
{
    return {
        row("2023.11.30", "11월 매출", "카드", 101, 20000000, 0),
        row("2023.01.10", "인테리어", "", 304, 0, 0, 0, 0, 10000000, 0),
        row("2024.06.30", "상반기 카드매출", "카드", 101, 25000000, 2500000),
        row("2024.12.31", "하반기 현금매출", "", 101, 10000000, 1000000),
        row("2024.04.01", "원두 매입", "세금계산서", 201, 0, 0, 8000000, 800000),
        row("2024.05.01", "우유 매입", "계산서", 202, 0, 0, 2000000, 0),
        row("2024.01.31", "알바 급여", "", 211, 0, 0, 6000000, 0),
        row("2024.07.25", "부가세 납부", "", 212, 0, 0, 300000, 0),
        row("2024.02.01", "상가 임차료", "세금계산서", 213, 0, 0, 3000000, 300000),
        row("2024.09.09", "종합소득세 중간예납", "", 212, 0, 0, 500000, 0),
        row("2024.03.03", "거래처 선물", "카드", 215, 0, 0, 50000, 5000),
        row("2024.08.08", "손님 접대", "", 215, 0, 0, 33000, 0),
        row("2024.10.10", "카드수수료", "", 218, 0, 0, 200000, 0),
        row("2024.11.05", "광고", "카드", 226, 0, 0, 100000, 10000),
        row("2024.12.20", "잡비", "", 0, 0, 0, 15000, 0),
        row("2024.12.21", "기타수입", "", 999, 100000, 0),
        row("2024.04.20", "커피머신", "세금계산서", assetCtg(303, 1), 0, 0, 0, 0, 5000000, 500000),
        row("2024.12.01", "인테리어 양도", "", 304, 0, 0, 0, 0, -2000000, 0),
    };
}

// A business opened in December: the 접대비 limit is one month's.
std::vector<LedgerEntry> newShop()
{
    return {
        row("2024.12.01", "개업 매출", "카드", 101, 10000000, 1000000),
        row("2024.12.15", "접대", "카드 불공제", 215, 0, 0, 3500000, 0),
    };
}

FilingSettings filing(TaxpayerType t, const char* industry)
{
    FilingSettings s;
    s.type = t;
    s.industry = industry;
    return s;
}

} // namespace

TEST(IncomeFigures, RestaurantCafeAndNewShopWorkedByHand)
{
    IncomeSettings rs;
    rs.openingStockWon[2024] = 2000000;
    rs.closingStockWon[2024] = 3000000;
    rs.simpleRate = *parseRate("89.7%");
    rs.standardRate = *parseRate("19.1%");
    rs.eFilingCreditWon = 20000;
    IncomeSettings cs;
    cs.closingStockWon[2023] = 500000;  // the opening stock of 2024
    cs.closingStockWon[2024] = 800000;
    cs.simpleRate = *parseRate("87.8%");
    cs.standardRate = *parseRate("11.8%");
    cs.assets["1"].life = 6;
    cs.assets["1"].method = DepreciationMethod::StraightLine;
    cs.assets["1"].claimedWon[2024] = 500000;

    const std::vector<LedgerEntry> r = restaurant(), c = cafe(), n = newShop();
    const auto R = incomeLines(r, 2024, filing(TaxpayerType::General, "음식점"), rs);
    const auto C = incomeLines(c, 2024, filing(TaxpayerType::Simplified, "음식점"), cs);
    const auto N = incomeLines(n, 2024, filing(TaxpayerType::General, "서비스"), {});
    const std::map<std::string, WideTenths>* ledgers[] = {&R, &C, &N};

    struct Row {
        int ledger;  // 0 restaurant, 1 café, 2 new shop
        const char* key;
        long long won;
        const char* why;
    };
    const Row rows[] = {
        // 6. 총수입금액
        {0, "income.revenue.sales", 80000000, "공급가액 of the 매출 account"},
        {0, "income.revenue.other_income", 500000, "기타 사업수입"},
        {0, "income.revenue.unassigned", 2000000, "no account: counted by its category"},
        {0, "income.revenue.card_credit", 1001000, "33,000,000 × 1.3 % + 44,000,000 × 1.3 %"},
        {0, "income.revenue.e_filing_credit", 20000, "typed"},
        {0, "income.revenue", 83521000, "the asset sale stays out"},
        {1, "income.revenue.sales", 38500000, "공급대가"},
        {1, "income.revenue.unassigned", 100000, "an unknown code counts as none"},
        {1, "income.revenue.card_credit", 0, "not for a 간이과세자"},
        {1, "income.revenue", 38600000, ""},
        // 7. 매출원가
        {0, "income.cost_of_sales.purchases", 15900000, "VAT deducted is no cost"},
        {0, "income.cost_of_sales.deemed_vat", 900000, "10,900,000 × 9/109"},
        {0, "income.cost_of_sales", 14000000, "2,000,000 + 15,900,000 - 900,000 - 3,000,000"},
        {1, "income.cost_of_sales.opening_stock", 500000, "the year before's 기말"},
        {1, "income.cost_of_sales", 10500000, "500,000 + 8,800,000 + 2,000,000 - 800,000"},
        // 8. 필요경비 by account, depreciation, 소득금액
        {0, "income.expenses.wages", 12000000, ""},
        {0, "income.expenses.taxes", 400000, ""},
        {0, "income.expenses.rent", 6000000, ""},
        {0, "income.expenses.entertainment", 2240000, "불공제 VAT is cost"},
        {0, "income.expenses.utilities", 400000, ""},
        {0, "income.expenses.unassigned", 20000, ""},
        {0, "income.depreciation", 1353000, "6,000,000 × 0.451 × 6/12; the sold one has none"},
        {0, "income.expenses", 36413000, ""},
        {0, "income.profit", 47108000, ""},
        {1, "income.expenses.rent", 3300000, "간이: VAT in the cost"},
        {1, "income.expenses.taxes", 800000, "VAT paid as 제세공과금"},
        {1, "income.expenses.entertainment", 88000, ""},
        {1, "income.expenses.fees", 200000, ""},
        {1, "income.expenses.advertising", 110000, ""},
        {1, "income.depreciation", 500000, "claimed below the range 684,750"},
        {1, "income.expenses", 21513000, ""},
        {1, "income.profit", 17087000, ""},
        {1, "income.unassigned.count", 2, ""},
        // 9. 세무조정
        {0, "income.entertainment.limit", 36247500, "36,000,000 + 82,500,000 × 0.3 %"},
        {0, "income.adjust.entertainment_no_evidence", 40000, ""},
        {0, "income.adjust.entertainment_limit", 0, ""},
        {0, "income.adjust.penalties", 100000, "과태료"},
        {0, "income.adjusted_profit", 47248000, ""},
        {1, "income.adjust.entertainment_no_evidence", 33000, ""},
        {1, "income.adjust.penalties", 500000, "소득세"},
        {1, "income.adjusted_profit", 17620000, ""},
        {2, "income.entertainment.limit", 3030000, "one month: 3,000,000 + 10,000,000 × 0.3 %"},
        {2, "income.adjust.entertainment_limit", 470000, ""},
        // 10. 추계
        {0, "income.estimate.simple", 8497500, "82,500,000 × (1 - 89.7 %)"},
        {0, "income.estimate.major_expenses", 33900000, ""},
        {0, "income.estimate.standard.cap", 23793000, "× 2.8"},
        {0, "income.estimate.standard", 23793000, "32,842,500 capped"},
        {0, "income.estimate.simple_allowed", 0, "2023: 50,000,000 ≥ 36,000,000"},
        {1, "income.estimate.simple", 4709200, ""},
        {1, "income.estimate.standard", 13185760, "13,945,200 capped at 4,709,200 × 2.8"},
        {1, "income.estimate.simple_allowed", 1, ""},
        // 11. 기장 의무, 12. 예상 세액
        {0, "income.bookkeeping.double_entry_line", 150000000, ""},
        {0, "income.bookkeeping.double_entry_next_year", 0, ""},
        {0, "income.tax.base", 45748000, ""},
        {0, "income.tax.computed", 5602200, "45,748,000 × 15 % - 1,260,000"},
        {0, "income.tax.local", 560220, ""},
        {1, "income.tax.computed", 1158000, "16,120,000 × 15 % - 1,260,000"},
    };
    for (const Row& x : rows) {
        const auto& lines = *ledgers[x.ledger];
        const auto it = lines.find(x.key);
        ASSERT_NE(it, lines.end()) << x.key;
        EXPECT_EQ(plainDecimal(it->second), plainDecimal(won(x.won))) << x.ledger << " " << x.key << ": " << x.why;
    }
}

TEST(IncomeFigures, DepreciationScheduleYearByYear)
{
    const std::vector<LedgerEntry> rows = {
        row("2022.05.10", "진열장", "", assetCtg(302, 1), 0, 0, 0, 0, 6000000, 0),
        row("2022.01.03", "승합차", "", assetCtg(301, 2), 0, 0, 0, 0, 20000000, 0),
        row("2021.01.04", "포스기", "", assetCtg(302, 3), 0, 0, 0, 0, 20000000, 0),
        row("2021.02.01", "토지", "", 307, 0, 0, 0, 0, 90000000, 0),
    };
    std::map<std::string, AssetDetails> details;
    details["1"].claimedWon[2024] = 1000000;
    details["2"].method = DepreciationMethod::StraightLine;
    details["3"].method = DepreciationMethod::StraightLine;
    details["3"].life = 4;
    AssetCollector collector(filing(TaxpayerType::General, ""));
    for (std::size_t i = 0; i < rows.size(); ++i)
        collector.add(i, rows[i]);
    const AssetList list = collector.finish(details);
    ASSERT_EQ(list.assets.size(), 4u);
    std::map<std::string, AssetSchedule> byKey;
    for (const Asset& a : list.assets)
        byKey[a.key] = DepreciationSchedule(a, details[a.key], 2025);

    struct Row {
        const char* asset;
        int year;
        long long opening, range, claimed, closing;
    };
    const Row want[] = {
        {"1", 2022, 6000000, 1804000, 1804000, 4196000},  // 정률 0.451, 8 months
        {"1", 2023, 4196000, 1892396, 1892396, 2303604},
        {"1", 2024, 2303604, 1038925, 1000000, 1303604},  // claimed less than the range
        {"1", 2025, 1303604, 587925, 587925, 715679},
        {"2", 2022, 20000000, 4000000, 4000000, 16000000},  // 정액 0.200
        {"2", 2023, 16000000, 4000000, 4000000, 12000000},
        {"2", 2024, 12000000, 4000000, 4000000, 8000000},
        {"3", 2024, 5000000, 4999000, 4999000, 1000},  // 비망가액 1,000 won stays
        {"3", 2025, 1000, 0, 0, 1000},
        {"2021.02.01@90000000", 2024, 90000000, 0, 0, 90000000},  // 토지
    };
    for (const Row& w : want) {
        const DepreciationRow* r = byKey.at(w.asset).of(w.year);
        ASSERT_NE(r, nullptr) << w.asset << " " << w.year;
        EXPECT_EQ(plainDecimal(r->opening), plainDecimal(won(w.opening))) << w.asset << " " << w.year;
        EXPECT_EQ(plainDecimal(r->range), plainDecimal(won(w.range))) << w.asset << " " << w.year;
        EXPECT_EQ(plainDecimal(r->claimed), plainDecimal(won(w.claimed))) << w.asset << " " << w.year;
        EXPECT_EQ(plainDecimal(r->closing), plainDecimal(won(w.closing))) << w.asset << " " << w.year;
    }
    EXPECT_EQ(byKey.at("1").asset.method, DepreciationMethod::DecliningBalance);  // unreported: 정률법
}

TEST(IncomeFigures, StatuteRatesAndBands)
{
    // 상각률표 (법인세법 시행규칙 별표 4), 내용연수 2~20: 정액법, 정률법.
    const int table[][3] = {{2, 500, 777},  {3, 333, 632},  {4, 250, 528},  {5, 200, 451},  {6, 166, 394},
                            {7, 142, 349},  {8, 125, 313},  {9, 111, 284},  {10, 100, 259}, {11, 90, 239},
                            {12, 83, 221},  {13, 76, 206},  {14, 71, 193},  {15, 66, 182},  {16, 62, 171},
                            {17, 58, 162},  {18, 55, 154},  {19, 52, 146},  {20, 50, 140}};
    for (const auto& t : table) {
        EXPECT_EQ(depreciationRate(2024, DepreciationMethod::StraightLine, t[0]), t[1]) << t[0];
        EXPECT_EQ(depreciationRate(2024, DepreciationMethod::DecliningBalance, t[0]), t[2]) << t[0];
    }
    EXPECT_EQ(depreciationRate(2024, DepreciationMethod::StraightLine, 1), 0);
    // 세율표: the band edges of 2022 and 2024.
    const struct {
        int year;
        long long base, tax;
    } bands[] = {{2024, 14000000, 840000},  {2024, 50000000, 6240000}, {2024, 0, 0},
                 {2022, 12000000, 720000},  {2022, 46000000, 5820000}, {2024, 1200000000, 474060000}};
    for (const auto& b : bands)
        EXPECT_EQ(plainDecimal(IncomeTaxOf(b.year, won(b.base))), plainDecimal(won(b.tax))) << b.year << " " << b.base;
}

TEST(Accounts, TableLabelsAndEveryPathKeepsTheCode)
{
    std::set<std::int32_t> codes;
    std::set<std::string> keys;
    for (const Account& a : AccountTable()) {
        EXPECT_TRUE(codes.insert(a.code).second) << a.code;
        EXPECT_TRUE(keys.insert(a.key).second) << a.key;
        for (const char* k = a.key; *k; ++k)
            EXPECT_TRUE((*k >= 'a' && *k <= 'z') || *k == '_') << a.key;
        EXPECT_EQ(findAccountByKey(a.key), &a);
    }
    for (const char* key : {"rent", "wages", "entertainment", "sales", "purchases_farm", "vehicles", "land"})
        EXPECT_NE(findAccountByKey(key), nullptr) << key;
    const struct {
        std::int32_t ctg;
        const char* label;
        std::int32_t number;
    } labels[] = {{0, "", 0},     {213, "임차료", 0},          {5302, "비품", 5},
                  {302, "비품", 0}, {5213, "알 수 없는 계정 (5213)", 0}, {999, "알 수 없는 계정 (999)", 0},
                  {-7, "알 수 없는 계정 (-7)", 0}};
    for (const auto& l : labels) {
        EXPECT_EQ(accountLabel(l.ctg), l.label) << l.ctg;
        EXPECT_EQ(assetNumber(l.ctg), l.number) << l.ctg;
    }
    EXPECT_EQ(assetCtg(302, 5), 5302);
    const std::vector<LedgerEntry> booked = {row("2024.01.01", "a", "", 5302, 0, 0), row("2024.01.02", "b", "", 9213, 0, 0),
                                             row("2024.01.03", "c", "", 2301, 0, 0)};
    EXPECT_EQ(NextAssetNumber(booked), 6);  // 9213 is no asset
    EXPECT_EQ(NextAssetNumber({}), 1);

    // The code rides along the file, the dump line, the snapshot (undo) and an edit.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quill-accounts";
    std::filesystem::create_directories(dir);
    for (std::int32_t ctg : {213, 5302, 999, -7, INT32_MAX}) {
        LedgerEntry e = row("2024.01.02", "임차료", "", ctg, 0, 0, 100, 10);
        AutRecord rec;
        ASSERT_TRUE(rec.compose(e));
        EXPECT_EQ(rec.toEntry().CTG, ctg);
        std::string line;
        appendDumpLine(rec, line);
        line.pop_back();
        AutRecord back;
        ASSERT_FALSE(parseDumpLine(line, back)) << line;
        EXPECT_EQ(back.toEntry().CTG, ctg);
        const std::string snap = (dir / "snap").string();
        ASSERT_TRUE(writeSnapshot(snap, {e}));
        std::vector<LedgerEntry> rows;
        ASSERT_TRUE(readSnapshot(snap, rows));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].CTG, ctg);
    }
    std::filesystem::remove_all(dir);
}

TEST(AccountProposals, RulesHistoryAndWordsWithTheirReasons)
{
    AccountProposer p({{AccountRule::Field::Counterparty, "주유", 217}});
    const std::vector<LedgerEntry> history = {
        row("2024.01.05", "점심 식대", "", 220, 0, 0, 9000, 0, 0, 0, "김밥천국"),
        row("2024.01.06", "점심 식대", "", 220, 0, 0, 9000, 0, 0, 0, "김밥천국"),
        row("2024.01.07", "거래처 저녁", "", 215, 0, 0, 90000, 0, 0, 0, "김밥천국"),
        row("2024.01.10", "1월 월세", "", 213, 0, 0, 500000, 0, 0, 0, "건물주"),
        row("2024.02.10", "2월 월세", "", 213, 0, 0, 500000, 0, 0, 0, "건물주"),
        row("2024.01.11", "인터넷 요금", "", 222, 0, 0, 30000, 0, 0, 0, "KT"),
        row("2024.01.12", "매출", "", 101, 100000, 0, 0, 0, 0, 0, "KT"),
        row("2024.01.13", "복사용지", "", 219, 0, 0, 20000, 0, 0, 0, "오피스마트"),
        row("2024.01.14", "기타", "", 0, 0, 0, 20000, 0, 0, 0, "미분류"),
    };
    p.learn(history);
    EXPECT_EQ(p.learned(), 8u);
    const struct {
        const char* what;
        const char* who;
        Category category;
        std::int32_t want;
        const char* reasonHas;
    } cases[] = {
        {"경유", "SK주유소", Category::Expense, 217, "규칙"},
        {"경유", "SK주유소", Category::Income, 0, ""},  // the rule's account is no income account
        {"점심 식대", "김밥천국", Category::Expense, 220, "같은 거래내용·거래처"},
        {"회식", "김밥천국", Category::Expense, 220, "거래처 '김밥천국'"},
        {"3월 월세", "새 건물주", Category::Expense, 213, "월세"},
        {"인터넷요금", "LG", Category::Expense, 222, "요금"},
        {"인터넷 요금", "KT", Category::Income, 101, "거래처 'kt'"},
        {"전혀 새로운 것", "누구", Category::Expense, 0, ""},
    };
    for (const auto& c : cases) {
        const AccountProposal got = p.propose(cp(c.what), cp(c.who), c.category);
        EXPECT_EQ(got.code, c.want) << c.what << " / " << c.who;
        EXPECT_NE(got.reason.find(c.reasonHas), std::string::npos) << c.what << ": " << got.reason;
    }
}

TEST(IncomeSettings, KeptWithTheLedgersSettings)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quill-income-settings";
    std::filesystem::create_directories(dir);
    const std::string config = (dir / "quillcfg.ini").string(), ledger = (dir / "장부.Aut").string();
    IncomeSettings s;
    s.openingStockWon[2024] = 100;
    s.closingStockWon[2024] = 200;
    s.closingStockWon[2023] = 300;
    s.simpleRate = *parseRate("89.7%");
    s.standardRate = *parseRate("9%");
    s.deductionsWon = 3000000;
    s.assets["5"].life = 6;
    s.assets["5"].method = DepreciationMethod::StraightLine;
    s.assets["5"].claimedWon = {{2024, 0}, {2025, 12345}};
    s.assets["2024.07.01@1000000#2"].claimedWon[2024] = 7;
    s.accountRules = {{AccountRule::Field::Counterparty, "건물주", 213}, {AccountRule::Field::Either, "주유:세차", 217}};
    ASSERT_TRUE(WriteIncomeSettings(config, ledger, s));
    const IncomeSettings back = ReadIncomeSettings(config, ledger);
    EXPECT_EQ(back.openingStockWon, s.openingStockWon);
    EXPECT_EQ(back.closingStockWon, s.closingStockWon);
    EXPECT_EQ(rateText(*back.simpleRate), "89.7%");
    EXPECT_EQ(rateText(*back.standardRate), "9%");
    EXPECT_EQ(back.deductionsWon, 3000000);
    EXPECT_FALSE(back.eFilingCreditWon);
    ASSERT_EQ(back.assets.size(), 2u);
    EXPECT_EQ(assetDetailsText(back.assets.at("5")), "6;정액법;2024:0,2025:12345");
    EXPECT_EQ(back.assets.at("2024.07.01@1000000#2").claimedWon.at(2024), 7);
    ASSERT_EQ(back.accountRules.size(), 2u);
    EXPECT_EQ(back.accountRules[0].label(), "거래처에 '건물주' 포함 → 임차료");
    EXPECT_EQ(back.accountRules[1].contains, "주유:세차");
    EXPECT_EQ(back.accountRules[1].field, AccountRule::Field::Either);
    IncomeSettings bad = s;
    bad.accountRules.push_back({AccountRule::Field::Either, "a|b", 217});
    EXPECT_FALSE(WriteIncomeSettings(config, ledger, bad));
    // Damaged details are dropped, not misread.
    for (const char* bad : {"", "x;;", "5;정률;2024", "5;반반;", "5;;2024:-1"})
        EXPECT_FALSE(parseAssetDetails(bad)) << bad;
    std::filesystem::remove_all(dir);
}
