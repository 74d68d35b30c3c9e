// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/LedgerChange.h"

namespace quill {

LedgerChange LedgerChange::added(const WorkingTable& table, std::size_t row)
{
    LedgerChange c;
    c.kind_ = Kind::Added;
    c.in_.push_back(table.row(row));
    c.inRow_ = row;
    return c;
}

LedgerChange LedgerChange::changed(std::size_t oldRow, const LedgerEntry& before, const WorkingTable& table,
                                   std::size_t newRow)
{
    LedgerChange c;
    c.kind_ = Kind::Changed;
    c.out_.push_back(before);
    c.outRow_ = oldRow;
    c.in_.push_back(table.row(newRow));
    c.inRow_ = newRow;
    return c;
}

LedgerChange LedgerChange::deleted(const WorkingTable& table, std::size_t row)
{
    LedgerChange c;
    c.kind_ = Kind::Deleted;
    c.out_.push_back(table.row(row));
    c.outRow_ = row;
    return c;
}

LedgerChange LedgerChange::merged(const std::vector<LedgerEntry>& before, const WorkingTable& after)
{
    LedgerChange c;
    c.kind_ = Kind::Merged;
    c.mergedMask_.assign(after.rowCount(), true);
    // The old rows are a subsequence of the merged ones: match them in order.
    // Where an added row equals the old one it meets, either can be taken
    // for it, the rows being the same bytes.
    std::size_t j = 0;
    for (std::size_t i = 0; i < after.rowCount(); ++i) {
        if (j < before.size() && after.row(i) == before[j]) {
            c.mergedMask_[i] = false;
            ++j;
        } else {
            c.in_.push_back(after.row(i));
        }
    }
    if (j != before.size()) {
        // Not a merge of these rows after all: keep the whole before state.
        c.mergedMask_.clear();
        c.out_ = before;
        c.in_.clear();
        for (std::size_t i = 0; i < after.rowCount(); ++i)
            c.in_.push_back(after.row(i));
    }
    return c;
}

LedgerChange LedgerChange::mergedRows(std::vector<bool> added, const WorkingTable& after)
{
    LedgerChange c;
    c.kind_ = Kind::Merged;
    c.mergedMask_ = std::move(added);
    c.mergedMask_.resize(after.rowCount(), false);
    for (std::size_t i = 0; i < after.rowCount(); ++i)
        if (c.mergedMask_[i])
            c.in_.push_back(after.row(i));
    return c;
}

bool LedgerChange::undo(WorkingTable& table) const
{
    switch (kind_) {
    case Kind::Added:
        if (inRow_ >= table.rowCount() || !(table.row(inRow_) == in_[0]))
            return false;
        table.removeRowAt(inRow_);
        return true;
    case Kind::Changed:
        if (inRow_ >= table.rowCount() || !(table.row(inRow_) == in_[0]))
            return false;
        table.disableControls();
        table.removeRowAt(inRow_);
        table.insertRowAt(outRow_, out_[0]);
        table.enableControls();
        return true;
    case Kind::Deleted:
        if (outRow_ > table.rowCount())
            return false;
        table.insertRowAt(outRow_, out_[0]);
        return true;
    case Kind::Merged: {
        if (mergedMask_.empty()) {
            table.replaceRows(out_);
            return true;
        }
        if (table.rowCount() != mergedMask_.size())
            return false;
        std::vector<LedgerEntry> rows;
        rows.reserve(table.rowCount() - in_.size());
        for (std::size_t i = 0; i < mergedMask_.size(); ++i)
            if (!mergedMask_[i])
                rows.push_back(table.row(i));
        table.replaceRows(std::move(rows));
        return true;
    }
    }
    return false;
}

bool LedgerChange::redo(WorkingTable& table) const
{
    switch (kind_) {
    case Kind::Added:
        if (inRow_ > table.rowCount())
            return false;
        table.insertRowAt(inRow_, in_[0]);
        return true;
    case Kind::Changed:
        if (outRow_ >= table.rowCount() || !(table.row(outRow_) == out_[0]))
            return false;
        table.disableControls();
        table.removeRowAt(outRow_);
        table.insertRowAt(inRow_, in_[0]);
        table.enableControls();
        return true;
    case Kind::Deleted:
        if (outRow_ >= table.rowCount() || !(table.row(outRow_) == out_[0]))
            return false;
        table.removeRowAt(outRow_);
        return true;
    case Kind::Merged: {
        if (mergedMask_.empty()) {
            table.replaceRows(in_);
            return true;
        }
        if (table.rowCount() + in_.size() != mergedMask_.size())
            return false;
        std::vector<LedgerEntry> rows;
        rows.reserve(mergedMask_.size());
        std::size_t old = 0, added = 0;
        for (bool isAdded : mergedMask_)
            rows.push_back(isAdded ? in_[added++] : table.row(old++));
        table.replaceRows(std::move(rows));
        return true;
    }
    }
    return false;
}

} // namespace quill
