// SPDX-License-Identifier: GPL-3.0-or-later
// The history's changes: undo puts every row back byte for byte, redo does
// the change again, whatever the filter shows.
#include "TestFiles.h"

#include "core/editor/EntryHistory.h"
#include "core/ledger/LedgerChange.h"
#include "core/ledger/WorkingTable.h"

#include <gtest/gtest.h>

using namespace quill;

namespace {

std::vector<LedgerEntry> rowsOf(const WorkingTable& t)
{
    std::vector<LedgerEntry> out;
    for (std::size_t i = 0; i < t.rowCount(); ++i)
        out.push_back(t.row(i));
    return out;
}

void fill(WorkingTable& t)
{
    // Two rows share a date: their order must survive every undo.
    t.appendRaw(makeEntry("2024.01.05", "jan-a", 100, 10));
    t.appendRaw(makeEntry("2024.01.05", "jan-b", 200, 20));
    t.appendRaw(makeEntry("2024.02.01", "feb", 0, 0, 300, 30));
    LedgerEntry odd = makeEntry("2024.03.01", "mar", 0, 0, 0, 0, 1.5, 0.25);
    odd.TAG = "X";
    odd.CTG = 77;
    odd.ETC = "\xbf\xb5";  // "영"
    t.appendRaw(odd);
    t.orderBy("IDAY");
    t.open();
}

EntryInput inputOf(const char* date, const char* jkyu, double amount)
{
    EntryInput in;
    in.IDAY = date;
    in.JKYU = jkyu;
    in.category = Category::Expense;
    in.amount = amount;
    return in;
}

} // namespace

TEST(LedgerChange, AddUndoRedoRestoresRowsAndCursor)
{
    WorkingTable t;
    fill(t);
    const auto before = rowsOf(t);
    auto change = StoreEntryRecorded(t, EditorMode::Adding, {}, inputOf("2024.01.05", "new", 5));
    ASSERT_TRUE(change);
    const auto after = rowsOf(t);
    EXPECT_EQ(t.row(change->row()).JKYU.str(), "new");
    EXPECT_EQ(change->row(), 2u);  // after both rows of its date
    ASSERT_TRUE(change->undo(t));
    EXPECT_EQ(rowsOf(t), before);
    ASSERT_TRUE(change->redo(t));
    EXPECT_EQ(rowsOf(t), after);
    EXPECT_EQ(t.current().JKYU.str(), "new");
}

TEST(LedgerChange, EditMovingTheDateUndoesToTheOldPlace)
{
    WorkingTable t;
    fill(t);
    const auto before = rowsOf(t);
    t.moveTo(0);  // jan-a
    EditTarget target = MarkEditTarget(t);
    auto change = StoreEntryRecorded(t, EditorMode::Editing, target, inputOf("2024.12.31", "moved", 9));
    ASSERT_TRUE(change);
    EXPECT_EQ(change->kind(), LedgerChange::Kind::Changed);
    EXPECT_EQ(t.row(3).JKYU.str(), "moved");
    const auto after = rowsOf(t);
    ASSERT_TRUE(change->undo(t));
    EXPECT_EQ(rowsOf(t), before);
    EXPECT_EQ(t.current().JKYU.str(), "jan-a");
    ASSERT_TRUE(change->redo(t));
    EXPECT_EQ(rowsOf(t), after);
    ASSERT_EQ(change->leaving().size(), 1u);
    EXPECT_EQ(change->leaving()[0], before[0]);
}

TEST(LedgerChange, DeleteUndoesEveryByteEvenUnderAFilterHidingTheRow)
{
    WorkingTable t;
    fill(t);
    const auto before = rowsOf(t);
    t.last();  // mar, with TAG, CTG and a remark
    auto change = DeleteCurrentRecorded(t);
    ASSERT_TRUE(change);
    t.setFilter(LedgerFilter::fromControls(0, "2024", 1, "01"));
    t.setFiltered(true);
    ASSERT_TRUE(change->undo(t));
    EXPECT_EQ(rowsOf(t), before);
    EXPECT_EQ(t.row(3).CTG, 77);
    EXPECT_EQ(t.recordCount(), 2);  // the restored row stays hidden
    ASSERT_TRUE(change->redo(t));
    EXPECT_EQ(t.rowCount(), 3u);
}

TEST(LedgerChange, MergeUndoesAsOneStep)
{
    WorkingTable t;
    fill(t);
    const auto before = rowsOf(t);
    // A merge: the added rows fall between the old ones by date, one equal
    // to an old row.
    std::vector<LedgerEntry> merged = before;
    merged.insert(merged.begin() + 2, makeEntry("2024.01.05", "jan-a", 100, 10));
    merged.insert(merged.begin(), makeEntry("2023.01.01", "old", 1, 0));
    WorkingTable after;
    after.open();
    after.replaceRows(merged);
    t.replaceRows(merged);
    auto change = LedgerChange::merged(before, t);
    EXPECT_EQ(change.entering().size(), 2u);
    ASSERT_TRUE(change.undo(t));
    EXPECT_EQ(rowsOf(t), before);
    ASSERT_TRUE(change.redo(t));
    EXPECT_EQ(rowsOf(t), merged);
}

TEST(LedgerChange, RefusesATableInAnotherState)
{
    WorkingTable t;
    fill(t);
    auto change = StoreEntryRecorded(t, EditorMode::Adding, {}, inputOf("2024.01.05", "new", 5));
    ASSERT_TRUE(change);
    t.moveTo(static_cast<int>(change->row()));
    t.deleteCurrent();  // a change the history never saw
    const auto now = rowsOf(t);
    EXPECT_FALSE(change->undo(t));
    EXPECT_EQ(rowsOf(t), now);
}
