// SPDX-License-Identifier: GPL-3.0-or-later
// The tables the filing window shows, copies and prints.
#include "TestFiles.h"

#include "core/text/Cp949.h"
#include "core/filing/FilingTables.h"

#include <gtest/gtest.h>

#include <algorithm>

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

FilingSettings typed(TaxpayerType t)
{
    FilingSettings s;
    s.type = t;
    return s;
}

TEST(FilingTables, IncomeTableCopiesAsTabSeparatedNumbers)
{
    const FilingFigures f = ComputeFilingFigures(ledger(), 2024, typed(TaxpayerType::General));
    EXPECT_EQ(TabSeparated(IncomeTable(f)),
              "종합소득세 2024년 (일반과세자) — 참고용\n"
              "구분\t금액\n"
              "총수입금액\t400000\n"
              "필요경비\t64000\n"  // 40,000 + 4,000 ("영") + 20,000
              "소득금액 (총수입금액 - 필요경비)\t336000\n"
              "고정자산 증감 (필요경비 아님)\t0\n");
}

// The return's lines in the return's order, with its line names.
TEST(FilingTables, VatTableFollowsTheReturnOfTheTaxpayerType)
{
    const std::vector<LedgerEntry> rows = ledger();
    const FilingTable general = VatTable(ComputeFilingFigures(rows, 2024, typed(TaxpayerType::General)));
    EXPECT_EQ(general.columns, (std::vector<std::string>{"구분", "1기 확정 (1~6월)", "2기 확정 (7~12월)", "연간", "1~3월",
                                                         "4~6월", "7~9월", "10~12월"}));
    std::vector<std::string> names;
    for (const auto& row : general.rows)
        names.push_back(row[0].text);
    const std::vector<std::string> order = {"과세 세금계산서 발급분 금액", "과세 신용카드·현금영수증 발행분 금액",
                                            "과세표준 합계", "매출세액 합계", "세금계산서 수취분 일반매입 금액",
                                            "세금계산서 수취분 고정자산 매입 금액",
                                            "신용카드매출전표등 수령분 일반매입 금액", "의제매입세액", "매입세액 합계",
                                            "공제받지 못할 매입세액", "납부(환급)세액 (매출세액 - 매입세액)",
                                            "신용카드매출전표등 발행세액공제 (1.3%)", "예정고지세액",
                                            "차가감 납부할 세액 (음수는 환급받을 세액)"};
    std::size_t at = 0;
    for (const std::string& want : order) {
        auto found = std::find(names.begin() + static_cast<long>(at), names.end(), want);
        ASSERT_NE(found, names.end()) << want << " missing or out of order";
        at = static_cast<std::size_t>(found - names.begin());
    }
    auto rowNamed = [](const FilingTable& t, const std::string& name) -> const std::vector<FilingCell>& {
        for (const auto& row : t.rows)
            if (row[0].text == name)
                return row;
        return t.rows.front();
    };
    EXPECT_EQ(cellText(rowNamed(general, "과세 세금계산서 발급분 금액")[1]), "500000");  // 1기
    EXPECT_EQ(cellText(rowNamed(general, "과세 세금계산서 발급분 금액")[3]), "400000");  // year
    const auto& payable = rowNamed(general, "차가감 납부할 세액 (음수는 환급받을 세액)");
    EXPECT_EQ(cellText(payable[1]), "38000");   // 50,000 - 2,000 - 전자신고세액공제 10,000
    EXPECT_EQ(cellText(payable[2]), "-20000");  // 2기: a refund, the 전자신고세액공제 added
    EXPECT_EQ(rowNamed(general, "예정고지세액")[1].suffix, "추정");

    const FilingTable simple = VatTable(ComputeFilingFigures(rows, 2024, typed(TaxpayerType::Simplified)));
    EXPECT_EQ(simple.columns, (std::vector<std::string>{"구분", "예정부과기간 (1~6월)", "연간 (확정신고)"}));
    EXPECT_EQ(cellText(rowNamed(simple, "공급대가 합계 (과세표준)")[1]), "550000");
    EXPECT_EQ(cellText(rowNamed(simple, "공급대가 합계 (과세표준)")[2]), "440000");
    EXPECT_EQ(rowNamed(simple, "납부세액 (공급대가 × 업종별 부가가치율 × 10%)")[2].text, "");  // no 업종 chosen

    const FilingTable exempt = VatTable(ComputeFilingFigures(rows, 2024, typed(TaxpayerType::Exempt)));
    EXPECT_NE(exempt.title.find("사업장현황신고"), std::string::npos);
    EXPECT_EQ(cellText(rowNamed(exempt, "수입금액 합계")[1]), "440000");  // with its VAT
    // Every table says it is a reference and names the dates left out.
    for (const FilingTable* t : {&general, &simple, &exempt}) {
        EXPECT_NE(t->title.find("참고용"), std::string::npos);
        bool undated = false;
        for (const std::string& n : t->notes)
            undated = undated || n.find("1건은 위 수치에 들어 있지 않습니다") != std::string::npos;
        EXPECT_TRUE(undated);
    }
}

TEST(FilingTables, EvidenceTableShowsTheEntriesTextsAndWhereToGo)
{
    const std::vector<LedgerEntry> rows = ledger();
    const FilingFigures f = ComputeFilingFigures(rows, 2024, typed(TaxpayerType::General));
    const FilingTable t = EvidenceTable(f, rows);
    ASSERT_EQ(t.rows.size(), 6u);
    EXPECT_EQ(t.entryOfRow, (std::vector<long long>{-1, 1, -1, 4, -1, -1}));
    EXPECT_TRUE(t.headingRow[0] && t.headingRow[2] && t.headingRow[4]);
    EXPECT_EQ(t.rows[1][0].text, "2024.02.11");
    EXPECT_EQ(t.rows[1][1].text, "식대 회식");  // no tab to break the copied table
    EXPECT_EQ(t.rows[1][2].text, "상회");
    EXPECT_EQ(cellText(t.rows[1][3]), "44000");
    EXPECT_EQ(t.rows[1][4].text, "영");
    EXPECT_EQ(t.rows[3][0].text, "2024.00.00");  // not a calendar date: reached from here
    EXPECT_EQ(t.rows[5][1].text, "이 비고의 자료 1건");  // the remark "영" was not recognised
    EXPECT_EQ(t.rows[5][4].text, "영");
    EXPECT_EQ(t.notes[0], "적격증빙 없는 3만원 초과 지출 건수: 1건");
    EXPECT_EQ(t.notes[2], "증빙불비 가산세 (2%): 880원");
}

// A rate that differs by column stands beside each column's figure, never
// in the line's name for both.
TEST(FilingTables, DeemedRateShownPerColumn)
{
    FilingSettings s = typed(TaxpayerType::General);
    s.industry = "음식점";
    const std::vector<LedgerEntry> rows = {entry("2024.01.05", "매출", "세계", 100000000, 0, 0),
                                           entry("2024.02.02", "채소", "계산서", 0, 1090000, 0),
                                           entry("2024.07.05", "매출", "세계", 250000000, 0, 0),
                                           entry("2024.08.02", "채소", "계산서", 0, 1080000, 0)};
    const FilingTable t = VatTable(ComputeFilingFigures(rows, 2024, s));
    const auto row = std::find_if(t.rows.begin(), t.rows.end(),
                                  [](const std::vector<FilingCell>& r) { return r[0].text == "의제매입세액"; });
    ASSERT_NE(row, t.rows.end());
    EXPECT_EQ(cellText((*row)[1]), "90000");
    EXPECT_EQ((*row)[1].suffix, "(9/109)");
    EXPECT_EQ(cellText((*row)[2]), "80000");
    EXPECT_EQ((*row)[2].suffix, "(8/108)");
    EXPECT_EQ((*row)[3].suffix, "");  // the year used both
}

TEST(FilingTables, MonthTableRunsToTheYearsIncome)
{
    const FilingFigures f = ComputeFilingFigures(ledger(), 2024, typed(TaxpayerType::General));
    const FilingTable t = MonthTable(f);
    ASSERT_EQ(t.rows.size(), 12u);
    EXPECT_EQ(t.rows[1][0].text, "2월");
    EXPECT_EQ(cellText(t.rows[0][3]), "500000");
    EXPECT_EQ(cellText(t.rows[1][2]), "64000");
    EXPECT_EQ(cellText(t.rows[1][3]), "436000");
    EXPECT_EQ(cellText(t.rows[6][3]), "336000");
    EXPECT_EQ(t.rows[11][3].amount, f.yearSums().income - f.yearSums().expenses);
}
