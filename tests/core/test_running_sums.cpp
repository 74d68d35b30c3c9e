// SPDX-License-Identifier: GPL-3.0-or-later
// Totals taken from block sums agree exactly with adding the rows the plain
// predicate passes one by one, on ledgers spanning many blocks, through
// appends, edits, deletes, undo/redo and unordered rows.
#include "TestFiles.h"

#include "core/ledger/LedgerChange.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace quill;

namespace {

const std::vector<std::string>& dates()
{
    static const std::vector<std::string> d = {"",           "2024.00.15", "2024.01.01", "2024.02.31", "2024.05.00",
                                               "2024.05.01", "2024.05.31", "2024.06.30", "2024.12.31", "2024.13.01",
                                               "2023.12.31", "2025.01.01", "0000.00.00", "9999.12.31"};
    return d;
}

// Amounts whose ten-thousandths need the extended path, round halves, are
// no numbers, or sit near the 64-bit edge.
double awkwardAmount(std::mt19937& rng)
{
    static const double odd[] = {0.00005, 0.00015, -0.00005, 1e15 + 0.5, 123456.78905, -0.0,
                                 std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                 9.2e14, -9.2e14, 562949953421312.0, 9.2e18};
    if (rng() % 8 == 0)
        return odd[rng() % std::size(odd)];
    return static_cast<double>(static_cast<int>(rng() % 2000001) - 1000000) / 100.0;
}

LedgerEntry randomEntry(std::mt19937& rng, int number)
{
    LedgerEntry e = makeEntry(dates()[rng() % dates().size()].c_str(), std::to_string(number).c_str(), 0, 0);
    // Any mix of the three pairs, so a row may pass several categories.
    for (int f = 0; f < kMoneyFieldCount; ++f)
        if (rng() % 3 == 0)
            setMoneyValue(e, f, awkwardAmount(rng));
    return e;
}

std::vector<LedgerFilter> someFilters()
{
    std::vector<LedgerFilter> out{LedgerFilter()};
    const char* months[] = {"1년", "01", "02", "05", "06", "12", "00", "13"};
    for (int category = 0; category <= 3; ++category)
        for (const char* year : {"2024", "0000", ""})
            for (int m : {0, 1, 3, 4, 6, 7})
                out.push_back(LedgerFilter::fromControls(category, year, m, months[m]));
    return out;
}

LedgerTotals referenceTotals(const WorkingTable& t)
{
    LedgerTotals want;
    for (std::size_t i = 0; i < t.rowCount(); ++i) {
        const LedgerEntry& e = t.row(i);
        if (t.filtered() && !t.filter().passes(e))
            continue;
        ++want.count;
        for (int k = 0; k < kMoneyFieldCount; ++k)
            want.sums[static_cast<std::size_t>(k)] += toWideTenThousandths(moneyValue(e, k));
    }
    return want;
}

void expectTotalsExact(WorkingTable& t, const std::string& when)
{
    auto check = [&](const std::string& what) {
        const LedgerTotals want = referenceTotals(t);
        const LedgerTotals got = SumVisibleRows(t);
        ASSERT_EQ(got.count, want.count) << when << ": " << what;
        ASSERT_EQ(got.count, t.recordCount()) << when << ": " << what;
        for (std::size_t k = 0; k < 6; ++k)
            ASSERT_TRUE(got.sums[k] == want.sums[k]) << when << ": " << what << " field " << k;
        // The bar shows the same texts.
        ASSERT_EQ(FormatTotals(got).Bmxsm, FormatTotals(want).Bmxsm) << when << ": " << what;
    };
    const LedgerFilter kept = t.filter();
    const bool keptOn = t.filtered();
    t.setFiltered(false);
    check("unfiltered");
    for (const LedgerFilter& f : someFilters()) {
        t.setFilter(f);
        t.setFiltered(true);
        check(f.expression());
    }
    t.setFilter(kept);
    t.setFiltered(keptOn);
}

WorkingTable& filledTable(WorkingTable& t, unsigned seed, int n)
{
    std::mt19937 rng(seed);
    for (int i = 0; i < n; ++i)
        t.appendRaw(randomEntry(rng, i));
    t.orderBy("IDAY");
    t.open();
    return t;
}

} // namespace

TEST(RunningSums, ManyBlocksMatchRowByRow)
{
    // Sizes around block edges: less than a block, exactly blocks, a tail.
    for (int n : {0, 1, 255, 256, 257, 512, 3001}) {
        WorkingTable t;
        filledTable(t, static_cast<unsigned>(n) + 3, n);
        expectTotalsExact(t, "rows " + std::to_string(n));
    }
}

TEST(RunningSums, FollowAppendsEditsDeletesAndUndo)
{
    WorkingTable t;
    filledTable(t, 21, 2500);
    std::mt19937 rng(9);
    const std::vector<LedgerFilter> filters = someFilters();
    std::vector<LedgerChange> done;
    int next = 100000;
    for (int step = 0; step < 80; ++step) {
        t.setFilter(filters[rng() % filters.size()]);
        t.setFiltered(rng() % 4 != 0);
        const int action = static_cast<int>(rng() % 5);
        if (action == 0) {
            t.append() = randomEntry(rng, next++);
            t.post();
            done.push_back(LedgerChange::added(t, t.lastPostedRow()));
        } else if (action == 1 && !t.isEmpty()) {
            t.moveTo(static_cast<int>(rng() % static_cast<unsigned>(t.recordCount())));
            const LedgerEntry before = t.current();
            const std::size_t oldRow = static_cast<std::size_t>(t.bookmark().row);
            LedgerEntry& e = t.edit();
            e = randomEntry(rng, next++);
            t.post();
            done.push_back(LedgerChange::changed(oldRow, before, t, t.lastPostedRow()));
        } else if (action == 2 && !t.isEmpty()) {
            t.moveTo(static_cast<int>(rng() % static_cast<unsigned>(t.recordCount())));
            done.push_back(LedgerChange::deleted(t, static_cast<std::size_t>(t.bookmark().row)));
            t.deleteCurrent();
        } else if (action == 3 && !done.empty()) {
            ASSERT_TRUE(done.back().undo(t)) << "step " << step;
            done.pop_back();
        } else if (t.rowCount() > 0) {
            // Edit the first rows: every block after them shifts.
            t.first();
            t.edit().OTMNY = 0.00005;
            t.post();
            done.clear();
        }
        expectTotalsExact(t, "step " + std::to_string(step));
    }
}

TEST(RunningSums, RowsOutOfDateOrderAreSummedExactly)
{
    WorkingTable t;
    filledTable(t, 4, 1200);
    std::mt19937 rng(17);
    // A row put back where its date does not belong leaves the table
    // unordered; a replacement restores order.
    t.insertRowAt(300, makeEntry("9999.12.31", "x", 12.5, 1.25));
    expectTotalsExact(t, "unordered");
    std::vector<LedgerEntry> rows;
    for (std::size_t i = 0; i < t.rowCount(); ++i)
        if (i != 300)
            rows.push_back(t.row(i));
    t.replaceRows(rows);
    expectTotalsExact(t, "replaced");
    t.removeRowAt(0);
    t.removeRowAt(t.rowCount() - 1);
    expectTotalsExact(t, "removed at both ends");
    t.clear();
    expectTotalsExact(t, "cleared");
    for (int i = 0; i < 700; ++i)
        t.insertRowAt(t.rowCount(), makeEntry("2024.05.15", std::to_string(i).c_str(), i * 0.0001, 0));
    expectTotalsExact(t, "appended after clear");
    t.close();
    EXPECT_EQ(SumVisibleRows(t).count, 0);
}
