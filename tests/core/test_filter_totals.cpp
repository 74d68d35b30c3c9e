// SPDX-License-Identifier: GPL-3.0-or-later
// The period and category filter and the totals bar texts.
#include "TestFiles.h"

#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <gtest/gtest.h>

using namespace quill;

TEST(LedgerFilter, ExpressionTexts)
{
    EXPECT_EQ(LedgerFilter::fromControls(0, "2009", 3, "03").expression(),
              "IDAY >= '2009.03.01' and IDAY <= '2009.03.31'");
    EXPECT_EQ(LedgerFilter::fromControls(2, "2009", 3, "03").expression(),
              "(OTMNY <> 0 or OTVAT <> 0) and IDAY >= '2009.03.01' and IDAY <= '2009.03.31'");
    EXPECT_EQ(LedgerFilter::fromControls(0, "2009", 0, "1년").expression(),
              "IDAY >= '2009.01.01' and IDAY <= '2009.12.31'");
    EXPECT_EQ(LedgerFilter::fromControls(1, " 20 09 ", 0, "").expression(),
              "(INMNY <> 0 or INVAT <> 0) and IDAY >= '2009.01.01' and IDAY <= '2009.12.31'");
    EXPECT_EQ(LedgerFilter::fromControls(3, "2009", 12, " 1 2").expression(),
              "(JSMNY <> 0 or JSVAT <> 0) and IDAY >= '2009.12.01' and IDAY <= '2009.12.31'");
    EXPECT_EQ(LedgerFilter::fromControls(-1, "2009", 3, "03").expression(), "");
    EXPECT_EQ(LedgerFilter::fromControls(4, "2009", 3, "03").expression(), "");
}

struct FilterCase {
    const char* name;
    int category;
    const char* year;
    int monthIndex;
    const char* month;
    LedgerEntry entry;
    bool passes;
};

class FilterPredicate : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterPredicate, Decides)
{
    const FilterCase& c = GetParam();
    EXPECT_EQ(LedgerFilter::fromControls(c.category, c.year, c.monthIndex, c.month).passes(c.entry), c.passes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterPredicate,
    ::testing::Values(
        FilterCase{"feb30", 0, "2009", 2, "02", makeEntry("2009.02.30", "", 1, 0), true},
        FilterCase{"feb31", 0, "2009", 2, "02", makeEntry("2009.02.31", "", 1, 0), true},
        FilterCase{"apr31", 0, "2009", 4, "04", makeEntry("2009.04.31", "", 1, 0), true},
        FilterCase{"marchFirst", 0, "2009", 2, "02", makeEntry("2009.03.01", "", 1, 0), false},
        FilterCase{"month00", 0, "2009", 0, "1년", makeEntry("2009.00.15", "", 1, 0), false},
        FilterCase{"day00", 0, "2009", 3, "03", makeEntry("2009.03.00", "", 1, 0), false},
        FilterCase{"day00Year", 0, "2009", 0, "1년", makeEntry("2009.03.00", "", 1, 0), true},
        FilterCase{"blankDate", 0, "2009", 0, "1년", makeEntry("    .  .  ", "", 1, 0), false},
        FilterCase{"blankDateNoCategory", 7, "2009", 0, "1년", makeEntry("    .  .  ", "", 1, 0), true},
        FilterCase{"negativeIncome", 1, "2009", 0, "1년", makeEntry("2009.05.05", "", -100, 0), true},
        FilterCase{"negativeIncomeAll", 0, "2009", 0, "1년", makeEntry("2009.05.05", "", -100, 0), true},
        FilterCase{"incomeSumZero", 1, "2009", 0, "1년", makeEntry("2009.05.05", "", 100, -100), true},
        FilterCase{"expenseRefund", 2, "2009", 0, "1년", makeEntry("2009.05.05", "", 0, 0, -50000, -5000), true},
        FilterCase{"incomeRowUnderExpense", 2, "2009", 0, "1년", makeEntry("2009.05.05", "", 10, 1), false},
        FilterCase{"incomeVatOnly", 1, "2009", 0, "1년", makeEntry("2009.05.05", "", 0, 10), true},
        FilterCase{"allZeroUnderExpense", 2, "2009", 0, "1년", makeEntry("2009.05.05", "", 0, 0), false},
        FilterCase{"allZeroUnderAll", 0, "2009", 0, "1년", makeEntry("2009.05.05", "", 0, 0), true},
        FilterCase{"assetPair", 3, "2009", 0, "1년", makeEntry("2009.05.05", "", 0, 0, 0, 0, 5, 0), true},
        FilterCase{"yearWithBlank", 0, "20 09", 0, "1년", makeEntry("2009.05.05", "", 1, 0), true},
        FilterCase{"emptyYear", 0, "", 0, "1년", makeEntry("2009.05.05", "", 1, 0), false},
        FilterCase{"threeDigitYear", 0, "201", 0, "1년", makeEntry("2010.05.05", "", 1, 0), false},
        FilterCase{"monthWithoutZero", 0, "2009", 3, "3", makeEntry("2009.03.05", "", 1, 0), false},
        FilterCase{"otherYear", 0, "2009", 0, "1년", makeEntry("2010.01.01", "", 1, 0), false},
        FilterCase{"quoteInMonth", 0, "2009", 3, "0'", makeEntry("2009.03.05", "", 1, 0), false},
        FilterCase{"unencodableYear", 0, "20😀", 0, "1년", makeEntry("2009.03.05", "", 1, 0), false}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

namespace {

void fillLedger(WorkingTable& t)
{
    t.appendRaw(makeEntry("2024.01.10", "a", 1234567, 123456));
    t.appendRaw(makeEntry("2024.02.10", "b", 0, 0, 500, 50));
    t.appendRaw(makeEntry("2024.02.11", "c", 0, 0, -1500, -150));
    t.appendRaw(makeEntry("2023.02.11", "old", 0, 0, 999, 99));
    t.appendRaw(makeEntry("2024.03.01", "d", 0, 0, 0, 0, 0.5, 0.03125));
    t.orderBy("IDAY");
    t.open();
}

} // namespace

TEST(Totals, SumsOnlyTheVisibleRows)
{
    WorkingTable t;
    fillLedger(t);
    t.setFilter(LedgerFilter::fromControls(0, "2024", 0, "1년"));
    t.setFiltered(true);
    t.moveTo(2);
    int notes = 0;
    t.setDataChanged([&] { ++notes; });
    LedgerTotals s = SumVisibleRows(t);
    EXPECT_EQ(notes, 1);           // one notification for the whole walk
    EXPECT_EQ(t.recNo(), 2);       // back on the row that was current
    EXPECT_EQ(s.count, 4);
    EXPECT_EQ(s.sums[0], 12345670000);
    EXPECT_EQ(s.sums[1], 1234560000);
    EXPECT_EQ(s.sums[2], -10000000);
    EXPECT_EQ(s.sums[3], -1000000);
    EXPECT_EQ(s.sums[4], 5000);
    EXPECT_EQ(s.sums[5], 312);     // 312.5 ten-thousandths round to even
}

TEST(Totals, LabelTexts)
{
    WorkingTable t;
    fillLedger(t);
    t.setFilter(LedgerFilter::fromControls(0, "2024", 0, "1년"));
    t.setFiltered(true);
    TotalsTexts x = FormatTotals(SumVisibleRows(t));
    EXPECT_EQ(x.Bmxsm[0], "    1,234,567 ");
    EXPECT_EQ(x.Bmxsm[1], "     123,456 ");
    EXPECT_EQ(x.Bmxsm[2], "       -1,000 ");
    EXPECT_EQ(x.Bmxsm[3], "        -100 ");
    EXPECT_EQ(x.Bmxsm[4], "            1 ");  // half a won rounds away from zero
    EXPECT_EQ(x.Bmxsm[5], "           0 ");
    EXPECT_EQ(x.CntLbe, "    4건 ");
}

TEST(Totals, EmptyViewAndClosedTable)
{
    WorkingTable t;
    TotalsTexts closed = FormatTotals(SumVisibleRows(t));
    EXPECT_EQ(closed.Bmxsm[0], std::string(12, ' ') + "0 ");
    EXPECT_EQ(closed.Bmxsm[1], std::string(11, ' ') + "0 ");
    EXPECT_EQ(closed.CntLbe, "    0건 ");
    fillLedger(t);
    t.setFilter(LedgerFilter::fromControls(0, "1999", 0, "1년"));
    t.setFiltered(true);
    EXPECT_EQ(SumVisibleRows(t).count, 0);
    EXPECT_EQ(ZeroTotalsTexts().Bmxsm[3], "0 ");
    EXPECT_EQ(ZeroTotalsTexts().CntLbe, "0건 ");
}

TEST(Totals, LargeTotalsAreNeverShownWrongly)
{
    LedgerTotals s;
    s.count = 123456;
    s.sums[0] = static_cast<WideTenths>(10000000000) * 10000;   // 14 characters of plain text
    s.sums[1] = static_cast<WideTenths>(INT64_MAX) * 3;          // beyond 64 bits
    TotalsTexts x = FormatTotals(s);
    EXPECT_EQ(x.Bmxsm[0], "10,000,000,000 ");
    EXPECT_EQ(x.Bmxsm[1], "2,767,011,611,056,433 ");
    EXPECT_EQ(x.CntLbe, "123456건 ");

    WorkingTable t;
    for (int i = 0; i < 20; ++i)
        t.appendRaw(makeEntry("2024.01.01", "max", 9.2e14, 0));
    t.open();
    EXPECT_EQ(SumVisibleRows(t).sums[0], static_cast<WideTenths>(9200000000000000000ULL) * 20);
}

TEST(Totals, EachCategorysPairAddsUpToThatOfAllRows)
{
    // Refunds included: the totals under a category agree with those of all
    // rows, on short runs summed row by row and on long runs summed by blocks.
    for (int rows : {5, 1000}) {
        WorkingTable t;
        for (int i = 0; i < rows; ++i) {
            const double sign = i % 7 == 3 ? -1 : 1;
            if (i % 3 == 0)
                t.appendRaw(makeEntry("2024.05.10", "in", sign * 81000000, sign * 8100000));
            else if (i % 3 == 1)
                t.appendRaw(makeEntry("2024.05.10", "out", 0, 0, sign * 50000, sign * 5000));
            else
                t.appendRaw(makeEntry("2024.05.10", "asset", 0, 0, 0, 0, sign * 700, 0));
        }
        t.orderBy("IDAY");
        t.open();
        t.setFiltered(true);
        t.setFilter(LedgerFilter::fromControls(0, "2024", 5, "05"));
        const LedgerTotals all = SumVisibleRows(t);
        int count = 0;
        for (int category = 1; category <= 3; ++category) {
            t.setFilter(LedgerFilter::fromControls(category, "2024", 5, "05"));
            const LedgerTotals one = SumVisibleRows(t);
            count += one.count;
            const std::size_t pair = static_cast<std::size_t>(category - 1) * 2;
            EXPECT_EQ(one.sums[pair], all.sums[pair]) << rows << " rows, category " << category;
            EXPECT_EQ(one.sums[pair + 1], all.sums[pair + 1]) << rows << " rows, category " << category;
        }
        EXPECT_EQ(count, all.count) << rows;
    }
}
