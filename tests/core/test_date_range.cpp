// SPDX-License-Identifier: GPL-3.0-or-later
// The table's date order and its date-range filter agree with the plain
// predicate and text comparison on awkward dates, before and after changes.
#include "TestFiles.h"

#include "core/ledger/LedgerDate.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace quill;

namespace {

// Dates a ledger may really hold: blanks, month 00, day 31 of short months,
// the filter's own bounds, and (when asked) texts that are no dates at all.
std::vector<std::string> awkwardDates(bool withOddTexts)
{
    std::vector<std::string> d = {"",           "2024.00.15", "2024.01.01", "2024.01.31", "2024.02.31",
                                  "2024.05.00", "2024.05.31", "2024.12.31", "2024.13.01", "2023.12.31",
                                  "2025.01.01", "0000.00.00", "9999.12.31", "2024.05.15"};
    if (withOddTexts) {
        d.insert(d.end(), {"2024", "2024.05", "2024.05.1", "2024/05/15", " 2024.05.15", "2024.05.15x",
                           "\xB0\xA1", "2024.05.\xB0\xA1"});
    }
    return d;
}

// Rows with those dates in random order; the description numbers them in
// arrival order so equal dates can be checked for stability.
void fillRandom(WorkingTable& t, bool withOddTexts, unsigned seed, int n)
{
    const std::vector<std::string> dates = awkwardDates(withOddTexts);
    std::mt19937 rng(seed);
    for (int i = 0; i < n; ++i) {
        const std::string& d = dates[rng() % dates.size()];
        const int kind = static_cast<int>(rng() % 4);
        const double a = static_cast<double>(rng() % 100000) / 100.0 - (kind == 3 ? 500 : 0);
        LedgerEntry e = makeEntry(d.c_str(), std::to_string(i).c_str(), kind == 0 ? a : 0, kind == 0 ? a / 10 : 0,
                                  kind == 1 ? a : 0, kind == 1 ? a / 10 : 0, kind >= 2 ? a : 0, 0);
        t.appendRaw(e);
    }
}

std::vector<LedgerFilter> filters()
{
    std::vector<LedgerFilter> out;
    out.push_back(LedgerFilter());
    const char* months[] = {"1년", "01", "02", "05", "12", "00", "13"};
    for (int category = 0; category <= 4; ++category)
        for (const char* year : {"2024", "2023", "0000", "", "20 24"})
            for (int m = 0; m < 7; ++m)
                out.push_back(LedgerFilter::fromControls(category, year, m == 0 ? 0 : m, months[m]));
    // A year CP949 cannot hold lets nothing pass.
    out.push_back(LedgerFilter::fromControls(0, "\xF0\x9F\x98\x80", 0, "1년"));
    return out;
}

// The rows the plain predicate passes, in table order, and their totals.
std::vector<std::string> referenceRows(const WorkingTable& t, const LedgerFilter& f, LedgerTotals& totals)
{
    std::vector<std::string> out;
    totals = LedgerTotals{};
    for (std::size_t i = 0; i < t.rowCount(); ++i) {
        const LedgerEntry& e = t.row(i);
        if (!f.passes(e))
            continue;
        out.push_back(e.JKYU.str());
        ++totals.count;
        for (int k = 0; k < kMoneyFieldCount; ++k)
            totals.sums[static_cast<std::size_t>(k)] += toWideTenThousandths(moneyValue(e, k));
    }
    return out;
}

void expectAgreesWithPredicate(WorkingTable& t)
{
    for (const LedgerFilter& f : filters()) {
        t.setFilter(f);
        t.setFiltered(true);
        LedgerTotals want;
        const std::vector<std::string> names = referenceRows(t, f, want);
        std::vector<std::string> got;
        for (int i = 0; i < t.recordCount(); ++i)
            got.push_back(t.visibleRow(i).JKYU.str());
        ASSERT_EQ(got, names) << f.expression();
        const LedgerTotals sums = SumVisibleRows(t);
        EXPECT_EQ(sums.count, want.count) << f.expression();
        for (std::size_t k = 0; k < 6; ++k)
            EXPECT_TRUE(sums.sums[k] == want.sums[k]) << f.expression() << " field " << k;
    }
}

void expectOrderedLikeText(const WorkingTable& t)
{
    for (std::size_t i = 1; i < t.rowCount(); ++i) {
        const LedgerEntry& a = t.row(i - 1);
        const LedgerEntry& b = t.row(i);
        ASSERT_LE(a.IDAY.view(), b.IDAY.view()) << "row " << i;
        if (a.IDAY.view() == b.IDAY.view()) {
            ASSERT_LT(std::stoi(a.JKYU.str()), std::stoi(b.JKYU.str())) << "equal dates out of arrival order";
        }
    }
}

} // namespace

class DateOrder : public ::testing::TestWithParam<bool> {};

// With dates only (the packed-key order) and with texts that are no dates
// (the text-comparison order): both give text order, equal dates stable.
TEST_P(DateOrder, SortsAsTextComparisonAndKeepsArrivalOrder)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        WorkingTable t;
        fillRandom(t, GetParam(), seed, 3000);
        t.orderBy("IDAY");
        t.open();
        ASSERT_EQ(t.rowCount(), 3000u);
        expectOrderedLikeText(t);
    }
}

TEST_P(DateOrder, FilterAndTotalsMatchThePredicate)
{
    WorkingTable t;
    fillRandom(t, GetParam(), 7, 800);
    t.orderBy("IDAY");
    t.open();
    expectAgreesWithPredicate(t);
}

// Appends, edits that move a row to another date, and deletes keep the
// ordered table and its filter in agreement with the predicate.
TEST_P(DateOrder, StaysInAgreementAfterChanges)
{
    WorkingTable t;
    fillRandom(t, GetParam(), 11, 400);
    t.orderBy("IDAY");
    t.open();
    const std::vector<std::string> dates = awkwardDates(GetParam());
    std::mt19937 rng(5);
    int next = 1000;
    for (int step = 0; step < 60; ++step) {
        t.setFilter(filters()[rng() % filters().size()]);
        t.setFiltered(rng() % 4 != 0);
        const int action = static_cast<int>(rng() % 3);
        if (action == 0) {
            LedgerEntry& e = t.append();
            e = makeEntry(dates[rng() % dates.size()].c_str(), std::to_string(next++).c_str(), 10, 1);
            t.post();
        } else if (action == 1 && !t.isEmpty()) {
            t.moveTo(static_cast<int>(rng() % static_cast<unsigned>(t.recordCount())));
            LedgerEntry& e = t.edit();
            const std::string was = e.IDAY.str();
            e.IDAY = dates[rng() % dates.size()];
            e.OTMNY = 7;
            // Rows moved to another date arrive last among its rows; a row
            // that keeps its date keeps its place.
            if (e.IDAY.str() != was)
                e.JKYU = std::to_string(next++);
            t.post();
        } else if (!t.isEmpty()) {
            t.moveTo(static_cast<int>(rng() % static_cast<unsigned>(t.recordCount())));
            t.deleteCurrent();
        }
    }
    expectOrderedLikeText(t);
    expectAgreesWithPredicate(t);
}

INSTANTIATE_TEST_SUITE_P(Dates, DateOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "WithOddTexts" : "DatesOnly"; });

// Rows appended out of order and shown without ordering are still filtered
// row by row, never by a search over unordered rows.
TEST(DateRange, UnorderedRowsAreFilteredByThePredicate)
{
    WorkingTable t;
    t.appendRaw(makeEntry("2024.05.02", "1", 5, 0));
    t.appendRaw(makeEntry("2023.01.01", "2", 5, 0));
    t.appendRaw(makeEntry("2024.05.01", "3", 5, 0));
    t.open();
    t.setFilter(LedgerFilter::fromControls(0, "2024", 5, "05"));
    t.setFiltered(true);
    ASSERT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.visibleRow(0).JKYU.str(), "1");
    EXPECT_EQ(t.visibleRow(1).JKYU.str(), "3");
}

// Rows handed over out of date order (by a replacement or a put-back at a
// wrong position) are filtered row by row rather than searched.
TEST(DateRange, RowsHandedOverOutOfOrderAreStillFilteredExactly)
{
    WorkingTable t;
    t.open();
    std::vector<LedgerEntry> rows = {makeEntry("2024.05.02", "1", 5, 0), makeEntry("2023.01.01", "2", 5, 0),
                                     makeEntry("2024.05.01", "3", 5, 0)};
    t.replaceRows(rows);
    t.setFilter(LedgerFilter::fromControls(0, "2024", 5, "05"));
    t.setFiltered(true);
    ASSERT_EQ(t.recordCount(), 2);

    WorkingTable u;
    u.appendRaw(makeEntry("2024.05.01", "a", 5, 0));
    u.appendRaw(makeEntry("2024.05.02", "b", 5, 0));
    u.orderBy("IDAY");
    u.open();
    u.insertRowAt(0, makeEntry("2024.06.01", "c", 5, 0));
    u.setFilter(LedgerFilter::fromControls(0, "2024", 5, "05"));
    u.setFiltered(true);
    EXPECT_EQ(u.recordCount(), 2);
    u.setFilter(LedgerFilter::fromControls(0, "2024", 6, "06"));
    EXPECT_EQ(u.recordCount(), 1);
}

// The one calendar check, for every year a ledger's date field can hold:
// the statement readers once stopped at 1900 and 2999, so a ledger's own
// entry of 1899 or 3000 had no day number.
TEST(LedgerDate, CalendarDatesOfEveryFourDigitYear)
{
    for (const char* good : {"2024.01.01", "2024.12.31", "2024.02.29", "2000.02.29", "0999.05.10", "0001.01.01",
                             "1899.12.31", "3000.01.01", "9999.12.31"})
        EXPECT_TRUE(IsCalendarDateText(good)) << good;
    for (const char* bad : {"2023.02.29", "1900.02.29", "2024.02.30", "2024.04.31", "2024.00.10", "2024.13.10",
                            "2024.05.00", "2024.05.32", "2024.5.10", "2024-05-10", "    .  .  ", "0000.01.01",
                            "2024.05.1a"})
        EXPECT_FALSE(IsCalendarDateText(bad)) << bad;
    EXPECT_FALSE(IsCalendarDate(10000, 1, 1));
}
