// SPDX-License-Identifier: GPL-3.0-or-later
// The tables the filing window shows, copies and prints.
#include "TestFiles.h"

#include "app/Cp949.h"
#include "filing/FilingTables.h"

#include <gtest/gtest.h>

using namespace quill;

namespace {

std::string cp(const char* utf8) { return *encodeCp949(utf8).bytes; }

LedgerEntry entry(const char* day, const char* text, const char* etc, double in, double out, double outVat)
{
    LedgerEntry e = makeEntry(day, "", in, in / 10, out, outVat);
    e.JKYU = cp(text);
    e.SANGHO = cp("상회");
    e.ETC = cp(etc);
    return e;
}

std::vector<LedgerEntry> ledger()
{
    return {
        entry("2024.01.10", "매출", "세계", 500000, 0, 0),
        entry("2024.02.11", "식대\t회식", "영", 0, 40000, 4000),
        entry("2024.02.12", "소모품", "카드", 0, 20000, 2000),
        entry("2024.07.01", "반품", "세계", -100000, 0, 0),
        entry("2024.00.00", "날짜 없음", "", 0, 1000, 0),
    };
}

std::string cellText(const FilingCell& c) { return c.isAmount ? plainDecimal(c.amount) : c.text; }

} // namespace

TEST(FilingTables, GroupedAmountKeepsEveryDecimalPlace)
{
    const std::pair<long long, const char*> cases[] = {
        {0, "0"},           {9990000, "999"},          {10000000, "1,000"},
        {-1000000, "-100"}, {12345670000, "1,234,567"}, {-12345675000, "-1,234,567.5"},
        {312, "0.0312"},    {-312, "-0.0312"},          {10000000000000, "1,000,000,000"},
    };
    for (const auto& [tenths, text] : cases)
        EXPECT_EQ(groupedAmount(tenths), text) << tenths;
}

TEST(FilingTables, IncomeTableCopiesAsTabSeparatedNumbers)
{
    const FilingFigures f = ComputeFilingFigures(ledger(), 2024, TaxpayerType::General);
    EXPECT_EQ(TabSeparated(IncomeTable(f)),
              "종합소득세 2024년 (일반과세자) — 참고용\n"
              "구분\t금액\n"
              "총수입금액\t400000\n"
              "필요경비\t64000\n"  // 40,000 + 4,000 ("영") + 20,000
              "소득금액 (총수입금액 - 필요경비)\t336000\n"
              "고정자산 증감 (필요경비 아님)\t0\n");
}

TEST(FilingTables, VatTableFollowsTheTaxpayerType)
{
    const std::vector<LedgerEntry> rows = ledger();
    const FilingTable general = VatTable(ComputeFilingFigures(rows, 2024, TaxpayerType::General));
    ASSERT_EQ(general.columns.size(), 8u);
    ASSERT_EQ(general.rows.size(), 12u);
    EXPECT_EQ(general.rows[0][0].text, "매출 공급가액");
    EXPECT_EQ(cellText(general.rows[0][1]), "500000");   // q1
    EXPECT_EQ(cellText(general.rows[0][7]), "400000");   // year
    EXPECT_EQ(cellText(general.rows[11][1]), "48000");   // 50,000 - 2,000
    EXPECT_EQ(cellText(general.rows[11][3]), "-10000");  // q3: a refund

    const FilingTable simple = VatTable(ComputeFilingFigures(rows, 2024, TaxpayerType::Simplified));
    ASSERT_EQ(simple.rows.size(), 3u);
    EXPECT_EQ(cellText(simple.rows[0][1]), "550000");
    EXPECT_EQ(cellText(simple.rows[0][2]), "440000");
    EXPECT_EQ(cellText(simple.rows[1][2]), "22000");
    EXPECT_EQ(cellText(simple.rows[2][2]), "110");

    const FilingTable exempt = VatTable(ComputeFilingFigures(rows, 2024, TaxpayerType::Exempt));
    EXPECT_NE(exempt.title.find("사업장현황신고"), std::string::npos);
    EXPECT_EQ(cellText(exempt.rows[0][1]), "400000");
    // Every table says it is a reference and names the dates left out.
    for (const FilingTable* t : {&general, &simple, &exempt}) {
        EXPECT_NE(t->title.find("참고용"), std::string::npos);
        bool undated = false;
        for (const std::string& n : t->notes)
            undated = undated || n.find("1건은 위 수치에 들어 있지 않습니다") != std::string::npos;
        EXPECT_TRUE(undated);
    }
}

TEST(FilingTables, EvidenceTableShowsTheEntriesTexts)
{
    const std::vector<LedgerEntry> rows = ledger();
    const FilingFigures f = ComputeFilingFigures(rows, 2024, TaxpayerType::General);
    const FilingTable t = EvidenceTable(f, rows);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0][0].text, "2024.02.11");
    EXPECT_EQ(t.rows[0][1].text, "식대 회식");  // no tab to break the copied table
    EXPECT_EQ(t.rows[0][2].text, "상회");
    EXPECT_EQ(cellText(t.rows[0][3]), "44000");
    EXPECT_EQ(t.rows[0][4].text, "영");
    EXPECT_NE(t.notes[0].find("1건, 합계 44,000원"), std::string::npos);
}

TEST(FilingTables, MonthTableRunsToTheYearsIncome)
{
    const FilingFigures f = ComputeFilingFigures(ledger(), 2024, TaxpayerType::General);
    const FilingTable t = MonthTable(f);
    ASSERT_EQ(t.rows.size(), 12u);
    EXPECT_EQ(t.rows[1][0].text, "2월");
    EXPECT_EQ(cellText(t.rows[0][3]), "500000");
    EXPECT_EQ(cellText(t.rows[1][2]), "64000");
    EXPECT_EQ(cellText(t.rows[1][3]), "436000");
    EXPECT_EQ(cellText(t.rows[6][3]), "336000");
    EXPECT_EQ(t.rows[11][3].amount, f.income.profit());
}
