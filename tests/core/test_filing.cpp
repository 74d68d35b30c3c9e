// SPDX-License-Identifier: GPL-3.0-or-later
// Filing figures of a year, worked out by hand on a small ledger that has an
// entry in every quarter, returns, every evidence spelling, the 30,000-won
// boundary and dates that name no month.
#include "TestFiles.h"

#include "app/Cp949.h"
#include "app/IniFile.h"
#include "filing/FilingFigures.h"
#include "ledger/WorkingTable.h"

#include <gtest/gtest.h>

using namespace quill;

namespace {

std::string cp(const char* utf8) { return *encodeCp949(utf8).bytes; }

WideTenths won(long long w) { return static_cast<WideTenths>(w) * 10000; }

LedgerEntry entry(const char* day, const char* etc, double in, double inVat, double out, double outVat,
                  double js = 0, double jsVat = 0)
{
    LedgerEntry e = makeEntry(day, "", in, inVat, out, outVat, js, jsVat);
    e.ETC = cp(etc);
    return e;
}

// Row positions matter for the evidence and undated lists.
std::vector<LedgerEntry> sampleLedger()
{
    return {
        entry("2024.02.10", "세계", 1000000, 100000, 0, 0),           // 0 q1 sales
        entry("2024.03.05", " 세계 ", 0, 0, 200000, 20000),           // 1 q1 invoice
        entry("2024.05.20", "카드 ", 0, 0, 50000, 5000),              // 2 q2 card
        entry("2024.06.30", " 세금계산서", 0, 0, 0, 0, 1000000, 100000),  // 3 q2 invoice, asset
        entry("2024.08.01", "세계", -300000, -30000, 0, 0),          // 4 q3 sales return
        entry("2024.09.09", "", 0, 0, 30000, 0),                     // 5 q3 other, on the limit
        entry("2024.11.11", "영", 0, 0, 27273, 2728),                // 6 q4 other, one won above
        entry("2024.12.31", "현 영", 0, 0, 10000, 1000),             // 7 q4 card
        entry("2024.00.15", "", 0, 0, 99999, 0),                     // 8 month 00
        entry("    .  .  ", "", 0, 0, 70000, 0),                     // 9 no date
        entry("2023.05.05", "", 5000, 500, 0, 0),                    // 10 another year
        entry("2024.10.02", "신용카드", 0, 0, -40000, -4000),         // 11 q4 card refund
        entry("2024.07.07", "  현금영수증", 0, 0, 80000, 8000),       // 12 q3 card
        entry("2024.04.04", "계산서", 0, 0, 44000, 0),               // 13 q2 other, qualifying
        entry("2024.01.31", " 계 ", 0, 0, 33000, 3300),              // 14 q1 other, qualifying
        entry("2024.13.01", "", 1, 0, 0, 0),                         // 15 month 13
        entry("2024.03.00", "", 1, 0, 0, 0),                         // 16 day 00
        entry("2024.06.15", "영수증", 0, 0, 0, 0, 500000, 50000),    // 17 q2 other asset, listed
        entry("2023.00.01", "", 0, 0, 1, 0),                         // 18 another year's fault
    };
}

struct PeriodCase {
    FilingPeriod period;
    long long sales, salesVat;
    long long invoice, invoiceVat, invoiceAssets;
    long long card, cardVat;
    long long other, otherVat;
    long long deductible, payable;
};

} // namespace

class VatPeriods : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(VatPeriods, GeneralTaxpayer)
{
    const PeriodCase& c = GetParam();
    const std::vector<LedgerEntry> rows = sampleLedger();
    const FilingFigures f = ComputeFilingFigures(rows, 2024, TaxpayerType::General);
    const VatFigures& v = f.period(c.period);
    EXPECT_EQ(v.salesAmount, won(c.sales));
    EXPECT_EQ(v.salesVat, won(c.salesVat));
    EXPECT_EQ(v.invoice.amount, won(c.invoice));
    EXPECT_EQ(v.invoice.vat, won(c.invoiceVat));
    EXPECT_EQ(v.invoice.assets, won(c.invoiceAssets));
    EXPECT_EQ(v.card.amount, won(c.card));
    EXPECT_EQ(v.card.vat, won(c.cardVat));
    EXPECT_EQ(v.card.assets, 0);
    EXPECT_EQ(v.other.amount, won(c.other));
    EXPECT_EQ(v.other.vat, won(c.otherVat));
    EXPECT_EQ(v.deductible(), won(c.deductible));
    EXPECT_EQ(v.payable(), won(c.payable));
}

INSTANTIATE_TEST_SUITE_P(
    Filing, VatPeriods,
    ::testing::Values(
        PeriodCase{FilingPeriod::Q1, 1000000, 100000, 200000, 20000, 0, 0, 0, 33000, 3300, 20000, 80000},
        PeriodCase{FilingPeriod::Q2, 0, 0, 1000000, 100000, 1000000, 50000, 5000, 544000, 50000, 105000, -105000},
        PeriodCase{FilingPeriod::Q3, -300000, -30000, 0, 0, 0, 80000, 8000, 30000, 0, 8000, -38000},
        PeriodCase{FilingPeriod::Q4, 0, 0, 0, 0, 0, -30000, -3000, 27273, 2728, -3000, 3000},
        PeriodCase{FilingPeriod::H1, 1000000, 100000, 1200000, 120000, 1000000, 50000, 5000, 577000, 53300, 125000,
                   -25000},
        PeriodCase{FilingPeriod::H2, -300000, -30000, 0, 0, 0, 50000, 5000, 57273, 2728, 5000, -35000},
        PeriodCase{FilingPeriod::Year, 700000, 70000, 1200000, 120000, 1000000, 100000, 10000, 634273, 56028,
                   130000, -60000}));

TEST(FilingFigures, OtherGroupKeepsItsAssetPart)
{
    const FilingFigures f = ComputeFilingFigures(sampleLedger(), 2024, TaxpayerType::General);
    EXPECT_EQ(f.period(FilingPeriod::Q2).other.assets, won(500000));
    EXPECT_EQ(f.period(FilingPeriod::Year).other.assets, won(500000));
}

TEST(FilingFigures, IncomeTaxFiguresByTaxpayerType)
{
    const std::vector<LedgerEntry> rows = sampleLedger();
    // General: only the VAT of the "other" group is a cost (2,728 + 3,300).
    const FilingFigures g = ComputeFilingFigures(rows, 2024, TaxpayerType::General);
    EXPECT_EQ(g.income.revenue, won(700000));
    EXPECT_EQ(g.income.expenses, won(434273 + 6028));
    EXPECT_EQ(g.income.assets, won(1500000));
    EXPECT_EQ(g.income.profit(), won(700000 - 440301));
    // Simplified and exempt: every expense VAT is a cost.
    for (TaxpayerType t : {TaxpayerType::Simplified, TaxpayerType::Exempt}) {
        const FilingFigures f = ComputeFilingFigures(rows, 2024, t);
        EXPECT_EQ(f.income.revenue, won(700000));
        EXPECT_EQ(f.income.expenses, won(434273 + 36028));
        EXPECT_EQ(f.income.assets, won(1500000));
        EXPECT_EQ(f.income.profit(), won(229699));
    }
}

TEST(FilingFigures, SimplifiedTaxpayerSupplyAndDeduction)
{
    const FilingFigures f = ComputeFilingFigures(sampleLedger(), 2024, TaxpayerType::Simplified);
    EXPECT_EQ(f.period(FilingPeriod::H1).simpleSupply(), won(1100000));
    EXPECT_EQ(f.period(FilingPeriod::Year).simpleSupply(), won(770000));
    // Tax invoice 1,320,000 and card 110,000, both with VAT.
    EXPECT_EQ(f.period(FilingPeriod::Year).simplePurchases(), won(1430000));
    EXPECT_EQ(f.period(FilingPeriod::Year).simpleDeduction(), won(7150));
}

TEST(FilingFigures, DeductionDropsWhatIsBelowAWon)
{
    const std::vector<LedgerEntry> plus = {entry("2024.01.01", "세계", 0, 0, 1234567, 0)};
    EXPECT_EQ(ComputeFilingFigures(plus, 2024, TaxpayerType::Simplified).period(FilingPeriod::Year).simpleDeduction(),
              won(6172));  // 6,172.835
    const std::vector<LedgerEntry> minus = {entry("2024.01.01", "카드", 0, 0, -1234567, 0)};
    EXPECT_EQ(ComputeFilingFigures(minus, 2024, TaxpayerType::Simplified).period(FilingPeriod::Year).simpleDeduction(),
              won(-6172));
}

TEST(FilingFigures, EvidenceCheckListsPurchasesAboveTheLimit)
{
    const FilingFigures f = ComputeFilingFigures(sampleLedger(), 2024, TaxpayerType::General);
    ASSERT_EQ(f.evidence.size(), 2u);
    EXPECT_EQ(f.evidence[0].row, 6u);  // 30,001 with "영"; 30,000 exactly is not listed
    EXPECT_EQ(f.evidence[0].total, won(30001));
    EXPECT_EQ(f.evidence[1].row, 17u);
    EXPECT_EQ(f.evidence[1].total, won(550000));
    EXPECT_EQ(f.evidenceSum, won(580001));
}

TEST(FilingFigures, DatesWithoutAMonthAreCountedApart)
{
    const FilingFigures f = ComputeFilingFigures(sampleLedger(), 2024, TaxpayerType::General);
    EXPECT_EQ(f.undated, (std::vector<std::size_t>{8, 9, 15, 16}));
    EXPECT_EQ(f.entries, 13);
    // The other year sees the blank date, its own month 00, not 2024's.
    const FilingFigures other = ComputeFilingFigures(sampleLedger(), 2023, TaxpayerType::General);
    EXPECT_EQ(other.undated, (std::vector<std::size_t>{9, 18}));
    EXPECT_EQ(other.income.revenue, won(5000));
    EXPECT_EQ(other.period(FilingPeriod::Q2).salesVat, won(500));
}

TEST(FilingFigures, MonthsAddUpToTheYear)
{
    const FilingFigures f = ComputeFilingFigures(sampleLedger(), 2024, TaxpayerType::General);
    EXPECT_EQ(f.months[1].income, won(1000000));
    EXPECT_EQ(f.months[7].income, won(-300000));
    EXPECT_EQ(f.months[10].expenses, won(30001));  // "영": amount and VAT
    EXPECT_EQ(f.months[2].expenses, won(200000));  // tax invoice: the VAT is deducted
    WideTenths income = 0, expenses = 0;
    for (const MonthFigures& m : f.months) {
        income += m.income;
        expenses += m.expenses;
    }
    EXPECT_EQ(income, f.income.revenue);
    EXPECT_EQ(expenses, f.income.expenses);
}

TEST(FilingFigures, SumsDoNotWrapAndKeepFractions)
{
    std::vector<LedgerEntry> rows(4, entry("2024.07.01", "세계", 9.0e14, 0.5, 0, 0));
    rows.push_back(entry("2024.07.02", "세계", 0.0312, 0, 0, 0));
    const FilingFigures f = ComputeFilingFigures(rows, 2024, TaxpayerType::General);
    EXPECT_EQ(plainDecimal(f.income.revenue), "3600000000000000.0312");
    EXPECT_EQ(plainDecimal(f.period(FilingPeriod::Q3).salesVat), "2");
}

TEST(FilingFigures, TableOverloadSeesEveryRowWhateverTheFilter)
{
    WorkingTable t;
    for (const LedgerEntry& e : sampleLedger())
        t.appendRaw(e);
    t.open();
    t.setFilter(LedgerFilter::fromControls(1, "2023", 0, "1년"));
    t.setFiltered(true);
    const FilingFigures f = ComputeFilingFigures(t, 2024, TaxpayerType::General);
    EXPECT_EQ(f.income.revenue, won(700000));
    EXPECT_EQ(f.evidence.size(), 2u);
    WorkingTable empty;
    EXPECT_EQ(ComputeFilingFigures(empty, 2024, TaxpayerType::General).entries, 0);
}

struct EvidenceCase {
    const char* remark;
    EvidenceGroup group;
    bool qualifying;
};

class EvidenceSpelling : public ::testing::TestWithParam<EvidenceCase> {};

TEST_P(EvidenceSpelling, Group)
{
    const EvidenceCase& c = GetParam();
    EXPECT_EQ(evidenceGroupOf(cp(c.remark)), c.group) << c.remark;
    EXPECT_EQ(isQualifyingEvidence(cp(c.remark)), c.qualifying) << c.remark;
}

INSTANTIATE_TEST_SUITE_P(
    Filing, EvidenceSpelling,
    ::testing::Values(EvidenceCase{" 세계 ", EvidenceGroup::Invoice, true},
                      EvidenceCase{"세 금 계 산 서", EvidenceGroup::Invoice, true},
                      EvidenceCase{"  카드", EvidenceGroup::Card, true},
                      EvidenceCase{"신용카드  ", EvidenceGroup::Card, true},
                      EvidenceCase{" 현금영수증 ", EvidenceGroup::Card, true},
                      EvidenceCase{"현 영", EvidenceGroup::Card, true},
                      EvidenceCase{" 계", EvidenceGroup::Other, true},
                      EvidenceCase{"계산서 ", EvidenceGroup::Other, true},
                      EvidenceCase{"영", EvidenceGroup::Other, false},
                      EvidenceCase{"", EvidenceGroup::Other, false},
                      EvidenceCase{"   ", EvidenceGroup::Other, false},
                      EvidenceCase{"세계산서", EvidenceGroup::Other, false},
                      EvidenceCase{"카드영수증", EvidenceGroup::Other, false},
                      EvidenceCase{"간이영수증", EvidenceGroup::Other, false}));

TEST(FilingFigures, MonthOfYear)
{
    EXPECT_EQ(monthOfYear("2024.01.01", 2024), 1);
    EXPECT_EQ(monthOfYear("2024.12.31", 2024), 12);
    EXPECT_EQ(monthOfYear("2024.02.31", 2024), 2);  // as the month filter shows it
    EXPECT_EQ(monthOfYear("2024.12.31", 2023), 0);
    EXPECT_EQ(monthOfYear("2024.00.10", 2024), 0);
    EXPECT_EQ(monthOfYear("2024.13.10", 2024), 0);
    EXPECT_EQ(monthOfYear("2024.05.00", 2024), 0);
    EXPECT_EQ(monthOfYear("2024.05.32", 2024), 0);
    EXPECT_EQ(monthOfYear("2024.5.10", 2024), 0);
    EXPECT_EQ(monthOfYear("2024-05-10", 2024), 0);
    EXPECT_EQ(monthOfYear("0999.05.10", 999), 5);
}

TEST(TaxpayerTypeSetting, KeptInTheConfigurationFile)
{
    TempFolder dir;
    const std::string ini = dir.file("quillcfg.ini");
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::General);  // no file
    writeAll(ini, cp("[간편장부]\r\nfTop=10\r\n"));
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::General);  // no key
    ASSERT_TRUE(WriteTaxpayerType(ini, TaxpayerType::Simplified));
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::Simplified);
    EXPECT_EQ(ReadIniValue(ini, cp("간편장부"), "fTop"), "10");
    EXPECT_EQ(ReadIniValue(ini, cp("간편장부"), cp("과세유형")), cp("간이과세자"));
    ASSERT_TRUE(WriteTaxpayerType(ini, TaxpayerType::Exempt));
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::Exempt);
    writeAll(ini, cp("[간편장부]\r\n과세유형=영세\r\n"));
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::General);  // unknown value
    writeAll(ini, "[" + cp("간편장부") + "]\r\n" + cp("과세유형") + "=\xFF\xFF\r\n");
    EXPECT_EQ(ReadTaxpayerType(ini), TaxpayerType::General);  // no CP949 text
}

TEST(TaxpayerTypeSetting, Names)
{
    for (TaxpayerType t : {TaxpayerType::General, TaxpayerType::Simplified, TaxpayerType::Exempt})
        EXPECT_EQ(parseTaxpayerType(taxpayerTypeName(t)), t);
    EXPECT_EQ(parseTaxpayerType("간이"), TaxpayerType::Simplified);
    EXPECT_EQ(parseTaxpayerType("면세"), TaxpayerType::Exempt);
    EXPECT_EQ(parseTaxpayerType("일반"), TaxpayerType::General);
    EXPECT_FALSE(parseTaxpayerType("영세"));
    EXPECT_FALSE(parseTaxpayerType(""));
}
