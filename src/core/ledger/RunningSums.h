// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/Totals.h"

#include <array>
#include <cstddef>
#include <vector>

namespace quill {

// Count and money sums per block of rows, for each category condition, so
// the totals of a run of rows cost its length in blocks plus at most two
// partial blocks. Sums are exact integers of ten-thousandths, so adding
// block sums gives exactly what adding the rows one by one gives.
//
// Blocks are rebuilt lazily: a change at a row position invalidates the
// blocks from there on (positions after it shift), and the next total
// rebuilds only the blocks it needs. Rows past the last whole block are
// always summed one by one, so appending at the end invalidates nothing.
class RunningSums {
public:
    static constexpr std::size_t kBlockRows = 256;

    // Rows from position `row` on changed (inserted, removed, replaced, moved).
    void invalidateFrom(std::size_t row)
    {
        if (row / kBlockRows < valid_)
            valid_ = row / kBlockRows;
    }
    void clear()
    {
        blocks_.clear();
        blocks_.shrink_to_fit();
        valid_ = 0;
    }

    // Totals of rows[from, to) that pass `category` (None: every row).
    LedgerTotals sum(const std::vector<LedgerEntry>& rows, std::size_t from, std::size_t to, Category category);

    // Adds one row as the totals add it: zero amounts skipped, a value that
    // is no number adds nothing.
    static void addRow(LedgerTotals& totals, const LedgerEntry& e);

private:
    struct Block {
        std::array<LedgerTotals, 4> byCategory;  // indexed by Category
    };
    void ensure(const std::vector<LedgerEntry>& rows, std::size_t blocks);

    std::vector<Block> blocks_;
    std::size_t valid_ = 0;  // leading blocks known to match the rows
};

} // namespace quill
