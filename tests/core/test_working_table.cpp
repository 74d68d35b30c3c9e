// SPDX-License-Identifier: GPL-3.0-or-later
// The working table: order, filter, cursor, changes, notifications, snapshots.
#include "TestFiles.h"

#include "core/ledger/SnapshotFile.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/WorkingTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace quill;

namespace {

// A table with rows in scrambled date order; JKYU tells them apart.
void fill(WorkingTable& t)
{
    t.appendRaw(makeEntry("2024.03.01", "mar", 0, 0, 300, 30));
    t.appendRaw(makeEntry("2024.01.05", "jan-a", 100, 10));
    t.appendRaw(makeEntry("2023.12.31", "dec", 0, 0, 0, 0, 50, 5));
    t.appendRaw(makeEntry("2024.01.05", "jan-b", 200, 20));
    t.orderBy("IDAY");
    t.open();
}

std::vector<std::string> visibleNames(const WorkingTable& t)
{
    std::vector<std::string> out;
    for (int i = 0; i < t.recordCount(); ++i)
        out.push_back(t.visibleRow(i).JKYU.str());
    return out;
}

LedgerFilter year2024(int category = 0) { return LedgerFilter::fromControls(category, "2024", 0, "1년"); }

} // namespace

TEST(WorkingTable, OrdersByDateKeepingEqualDatesInArrivalOrder)
{
    WorkingTable t;
    fill(t);
    EXPECT_EQ(visibleNames(t), (std::vector<std::string>{"dec", "jan-a", "jan-b", "mar"}));
    EXPECT_EQ(t.recNo(), 0);
}

TEST(WorkingTable, CursorStopsAtTheEnds)
{
    WorkingTable t;
    fill(t);
    t.last();
    EXPECT_FALSE(t.eof());
    t.next();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.current().JKYU.view(), "mar");
    t.first();
    t.prior();
    EXPECT_EQ(t.recNo(), 0);
    EXPECT_FALSE(t.moveTo(4));
    EXPECT_TRUE(t.moveTo(2));
    EXPECT_EQ(t.current().JKYU.view(), "jan-b");
}

TEST(WorkingTable, FilterSurvivesCloseAndReload)
{
    TempFolder dir;
    WorkingTable t;
    fill(t);
    t.setFilter(year2024(1));
    t.setFiltered(true);
    EXPECT_EQ(visibleNames(t), (std::vector<std::string>{"jan-a", "jan-b"}));
    ASSERT_TRUE(t.saveSnapshot(dir.file("s.cds")));
    t.close();
    EXPECT_TRUE(t.isEmpty());
    ASSERT_TRUE(t.loadSnapshot(dir.file("s.cds")));
    EXPECT_TRUE(t.filtered());
    EXPECT_EQ(visibleNames(t), (std::vector<std::string>{"jan-a", "jan-b"}));
    EXPECT_EQ(t.rowCount(), 4u);  // the snapshot held every row, whatever the filter
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 4);
}

TEST(WorkingTable, PostPlacesByDateAndFollowsTheRow)
{
    WorkingTable t;
    fill(t);
    int hooks = 0;
    t.setNewRowHook([&](LedgerEntry& e) {
        ++hooks;
        e.TAG = "N";
        e.CTG = 0;
    });
    LedgerEntry& e = t.append();
    EXPECT_EQ(e.TAG.view(), "N");
    e.IDAY = "2024.02.10";
    e.JKYU = "feb";
    t.post();
    EXPECT_EQ(hooks, 1);
    EXPECT_EQ(visibleNames(t), (std::vector<std::string>{"dec", "jan-a", "jan-b", "feb", "mar"}));
    EXPECT_EQ(t.current().JKYU.view(), "feb");

    // Moving an entry's date moves the entry; the cursor stays on it.
    t.moveTo(0);
    t.edit().IDAY = "2025.01.01";
    t.post();
    EXPECT_EQ(visibleNames(t).back(), "dec");
    EXPECT_EQ(t.current().JKYU.view(), "dec");
}

TEST(WorkingTable, PostedRowOutsideTheFilterLeavesTheView)
{
    WorkingTable t;
    fill(t);
    t.setFilter(year2024());
    t.setFiltered(true);
    t.moveTo(1);  // jan-b
    t.edit().IDAY = "2022.01.01";
    t.post();
    EXPECT_EQ(visibleNames(t), (std::vector<std::string>{"jan-a", "mar"}));
    EXPECT_EQ(t.rowCount(), 4u);
    EXPECT_FALSE(t.isEmpty());
}

TEST(WorkingTable, DeleteMovesToNextOrPrevious)
{
    WorkingTable t;
    fill(t);
    t.moveTo(1);
    t.deleteCurrent();
    EXPECT_EQ(t.current().JKYU.view(), "jan-b");
    t.last();
    t.deleteCurrent();
    EXPECT_EQ(t.current().JKYU.view(), "jan-b");
    t.deleteCurrent();
    t.deleteCurrent();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.recNo(), -1);
    t.deleteCurrent();  // nothing left: no effect, no crash
    EXPECT_TRUE(t.eof());
}

TEST(WorkingTable, DeleteUnderFilterKeepsHiddenRows)
{
    WorkingTable t;
    fill(t);
    t.setFilter(year2024(2));  // expense: only "mar"
    t.setFiltered(true);
    ASSERT_EQ(t.recordCount(), 1);
    t.deleteCurrent();
    EXPECT_TRUE(t.isEmpty());
    t.setFiltered(false);
    EXPECT_EQ(visibleNames(t), (std::vector<std::string>{"dec", "jan-a", "jan-b"}));
}

TEST(WorkingTable, SuspendedNotificationsResumeWithOne)
{
    WorkingTable t;
    fill(t);
    int notes = 0;
    t.setDataChanged([&] { ++notes; });
    t.next();
    EXPECT_EQ(notes, 1);
    t.disableControls();
    t.first();
    t.next();
    t.next();
    EXPECT_EQ(notes, 1);
    t.enableControls();
    EXPECT_EQ(notes, 2);
    t.disableControls();
    t.enableControls();  // nothing moved: nothing sent
    EXPECT_EQ(notes, 2);
}

TEST(WorkingTable, BookmarkReturnsToTheRow)
{
    WorkingTable t;
    fill(t);
    t.moveTo(2);
    WorkingTable::Bookmark b = t.bookmark();
    t.first();
    t.gotoBookmark(b);
    EXPECT_EQ(t.current().JKYU.view(), "jan-b");
}

TEST(Snapshot, KeepsEveryFieldBitForBit)
{
    TempFolder dir;
    WorkingTable t;
    LedgerEntry odd = makeEntry("2024.01.01", "\xB0\xA1\x80\xFF", -0.0, 1e-300, 0.1, -123456.789, 0, 0);
    odd.JSMNY = std::nan("7");
    odd.CTG = INT32_MIN;
    odd.TAG = "";
    odd.ETC = std::string(15, '\xA1');
    t.appendRaw(odd);
    t.open();
    ASSERT_TRUE(t.saveSnapshot(dir.file("s.cds")));
    WorkingTable back;
    ASSERT_TRUE(back.loadSnapshot(dir.file("s.cds")));
    ASSERT_EQ(back.rowCount(), 1u);
    EXPECT_EQ(back.row(0), odd);
    EXPECT_TRUE(std::signbit(back.row(0).INMNY));
}

TEST(Snapshot, DamagedFilesAreRefusedAndTheTableKept)
{
    TempFolder dir;
    WorkingTable t;
    fill(t);
    ASSERT_TRUE(t.saveSnapshot(dir.file("s.cds")));
    const std::string good = readAll(dir.file("s.cds"));
    for (const std::string& bad : {good.substr(0, good.size() - 1), good + "x", std::string("garbage"),
                                   std::string(""), good.substr(0, 20)}) {
        writeAll(dir.file("bad.cds"), bad);
        EXPECT_FALSE(t.loadSnapshot(dir.file("bad.cds")));
        EXPECT_EQ(t.recordCount(), 4);
    }
    EXPECT_EQ(t.loadSnapshot(dir.file("none.cds")).message, "File not found");
}

TEST(Snapshot, TemplateIsAnEmptyTable)
{
    EXPECT_EQ(readAll(QB_TEMPLATE_TABLE), emptySnapshotHeader());
    WorkingTable t;
    ASSERT_TRUE(t.loadSnapshot(QB_TEMPLATE_TABLE));
    EXPECT_TRUE(t.isOpen());
    EXPECT_TRUE(t.isEmpty());
}

TEST(WorkingTables, ResetEmptiesBothTablesAndTheScratchFile)
{
    TempFolder dir;
    const std::string program = dir.path() + "/";
    std::filesystem::copy_file(QB_TEMPLATE_TABLE, dir.file("quillbook.str"));
    const std::string scratch = program + kScratchTableFile;
    EnsureScratchTableFile(program, scratch);
    ASSERT_TRUE(std::filesystem::exists(scratch));

    WorkingTable TAcunt, fAcunt;
    fill(TAcunt);
    ASSERT_TRUE(TAcunt.saveSnapshot(scratch));
    TAcunt.setFilter(year2024());
    TAcunt.setFiltered(true);
    ASSERT_TRUE(ResetWorkingTables(TAcunt, fAcunt, scratch));
    EXPECT_TRUE(TAcunt.isOpen());
    EXPECT_TRUE(TAcunt.isEmpty());
    EXPECT_FALSE(fAcunt.isOpen());
    EXPECT_TRUE(TAcunt.filtered());
    EXPECT_EQ(readAll(scratch), emptySnapshotHeader());
}

TEST(WorkingTables, MissingScratchFileFailsTheReset)
{
    TempFolder dir;
    WorkingTable TAcunt, fAcunt;
    EXPECT_EQ(ResetWorkingTables(TAcunt, fAcunt, dir.file("Temp/none.cds")).message, "File not found");
}
