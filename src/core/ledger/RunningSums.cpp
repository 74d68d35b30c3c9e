// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/RunningSums.h"

#include "core/ledger/LedgerFilter.h"

#include <algorithm>

namespace quill {

namespace {

void addTotals(LedgerTotals& into, const LedgerTotals& part)
{
    into.count += part.count;
    for (std::size_t f = 0; f < into.sums.size(); ++f)
        into.sums[f] += part.sums[f];
}

} // namespace

void RunningSums::addRow(LedgerTotals& totals, const LedgerEntry& e)
{
    ++totals.count;
    for (int f = 0; f < kMoneyFieldCount; ++f)
        if (const double v = moneyValue(e, f); v != 0)
            totals.sums[static_cast<std::size_t>(f)] += toWideTenThousandths(v);
}

void RunningSums::ensure(const std::vector<LedgerEntry>& rows, std::size_t blocks)
{
    // Rows may have shrunk below blocks once valid.
    valid_ = std::min(valid_, rows.size() / kBlockRows);
    if (blocks <= valid_)
        return;
    if (blocks_.size() < blocks)
        blocks_.resize(std::max(blocks, rows.size() / kBlockRows));
    for (std::size_t b = valid_; b < blocks; ++b) {
        Block& block = blocks_[b];
        block.byCategory.fill(LedgerTotals{});
        const std::size_t end = (b + 1) * kBlockRows;
        for (std::size_t i = b * kBlockRows; i < end; ++i) {
            const LedgerEntry& e = rows[i];
            LedgerTotals one;
            addRow(one, e);
            addTotals(block.byCategory[0], one);
            for (Category c : kCategories)
                if (LedgerFilter::passesCategory(c, e))
                    addTotals(block.byCategory[static_cast<std::size_t>(c)], one);
        }
    }
    valid_ = blocks;
}

LedgerTotals RunningSums::sum(const std::vector<LedgerEntry>& rows, std::size_t from, std::size_t to,
                              Category category)
{
    LedgerTotals t;
    to = std::min(to, rows.size());
    if (from >= to)
        return t;
    auto rowByRow = [&](std::size_t a, std::size_t b) {
        for (std::size_t i = a; i < b; ++i)
            if (LedgerFilter::passesCategory(category, rows[i]))
                addRow(t, rows[i]);
    };
    const std::size_t firstBlock = (from + kBlockRows - 1) / kBlockRows;
    const std::size_t endBlock = to / kBlockRows;
    if (firstBlock >= endBlock) {
        rowByRow(from, to);
        return t;
    }
    ensure(rows, endBlock);
    rowByRow(from, firstBlock * kBlockRows);
    for (std::size_t b = firstBlock; b < endBlock; ++b)
        addTotals(t, blocks_[b].byCategory[static_cast<std::size_t>(category)]);
    rowByRow(endBlock * kBlockRows, to);
    return t;
}

} // namespace quill
