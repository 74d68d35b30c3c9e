// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/WorkingTable.h"

#include <cstddef>
#include <vector>

namespace quill {

// One change of the working ledger as the history keeps it: what it takes
// to undo it and do it again, every field byte for byte and every row back at
// its old position. Changes are undone in the reverse order they were made;
// the table must be in the state the change left it (redo: the state before).
class LedgerChange {
public:
    enum class Kind { Added, Changed, Deleted, Merged };

    // Recorded after post() stored a new row at `row`.
    static LedgerChange added(const WorkingTable& table, std::size_t row);
    // Recorded after an edit: the row was `before` at `oldRow` and is now at
    // `newRow`.
    static LedgerChange changed(std::size_t oldRow, const LedgerEntry& before, const WorkingTable& table,
                                std::size_t newRow);
    // Recorded before the row at `row` is deleted.
    static LedgerChange deleted(const WorkingTable& table, std::size_t row);
    // Recorded after a merge: `before` holds every row the table had before,
    // in order. The rows of `before` keep their order in the merged table.
    static LedgerChange merged(const std::vector<LedgerEntry>& before, const WorkingTable& after);
    // The same for rows added among the old ones when it is known which
    // they are: `added` tells for every row of `after` whether it is new
    // (spares a copy of the old rows).
    static LedgerChange mergedRows(std::vector<bool> added, const WorkingTable& after);

    Kind kind() const { return kind_; }
    // False (and the table untouched) when the table is not in the state
    // the step expects.
    bool undo(WorkingTable& table) const;
    bool redo(WorkingTable& table) const;

    // The entries redo brings into the table and those it takes out (undo:
    // the other way round), for indexes kept beside the table.
    const std::vector<LedgerEntry>& entering() const { return in_; }
    const std::vector<LedgerEntry>& leaving() const { return out_; }
    // Where the row stands after redo (Added, Changed) or before it (Deleted).
    std::size_t row() const { return kind_ == Kind::Deleted ? outRow_ : inRow_; }

private:
    Kind kind_ = Kind::Added;
    std::vector<LedgerEntry> in_;
    std::vector<LedgerEntry> out_;
    std::size_t inRow_ = 0;
    std::size_t outRow_ = 0;
    std::vector<bool> mergedMask_;   // per row after the merge: true for an added one
};

} // namespace quill
