// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/WorkingTable.h"

#include "core/ledger/SnapshotFile.h"

#include <algorithm>
#include <cassert>
#include <optional>

namespace quill {

void WorkingTable::open()
{
    if (open_)
        return;
    open_ = true;
    rebuildVisible();
    cursor_ = visible_.empty() ? -1 : 0;
    eof_ = visible_.empty();
    changed();
}

void WorkingTable::close()
{
    rows_.clear();
    rows_.shrink_to_fit();
    sums_.clear();
    ordered_ = true;
    visible_.clear();
    visible_.shrink_to_fit();
    open_ = false;
    state_ = EditState::Browse;
    cursor_ = -1;
    eof_ = true;
    changed();
}

IoResult WorkingTable::loadSnapshot(const std::string& path)
{
    std::vector<LedgerEntry> loaded;
    IoResult r = readSnapshot(path, loaded);
    if (!r)
        return r;
    adoptRows(std::move(loaded));
    return r;
}

void WorkingTable::adoptRows(std::vector<LedgerEntry> rows, bool inDateOrder)
{
    rows_ = std::move(rows);
    rowsChangedFrom(0);
    state_ = EditState::Browse;
    open_ = false;
    if (inDateOrder) {
        ordered_ = true;
        rebuildVisible();
        cursor_ = visible_.empty() ? -1 : 0;
        eof_ = visible_.empty();
        changed();
    } else {
        ordered_ = false;
        orderBy("IDAY");
    }
    open();
}

std::vector<LedgerEntry> WorkingTable::takeRows()
{
    std::vector<LedgerEntry> out = std::move(rows_);
    rows_.clear();
    rowsChangedFrom(0);
    ordered_ = true;
    state_ = EditState::Browse;
    rebuildVisible();
    cursor_ = visible_.empty() ? -1 : 0;
    eof_ = visible_.empty();
    changed();
    return out;
}

IoResult WorkingTable::saveSnapshot(const std::string& path) const
{
    return writeSnapshot(path, rows_);
}

namespace {

// A date "yyyy.mm.dd" of digits packed as yyyymmdd + 1, and 0 for a blank
// date: for such texts the number orders exactly as the bytes do. Anything
// else gives nothing and the rows are ordered by comparing texts.
std::optional<std::uint32_t> packedDateKey(std::string_view d)
{
    if (d.empty())
        return 0u;
    if (d.size() != 10 || d[4] != '.' || d[7] != '.')
        return std::nullopt;
    std::uint32_t key = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        if (i == 4 || i == 7)
            continue;
        if (d[i] < '0' || d[i] > '9')
            return std::nullopt;
        key = key * 10 + static_cast<std::uint32_t>(d[i] - '0');
    }
    return key + 1;
}

// Stable order of positions by key: two counting passes of 14 bits each
// cover every key (99991231 + 1 < 2^28).
std::vector<std::uint32_t> radixOrder(const std::vector<std::uint32_t>& keys)
{
    constexpr std::uint32_t kBits = 14, kBuckets = 1u << kBits;
    const std::size_t n = keys.size();
    std::vector<std::uint32_t> order(n), spare(n);
    for (std::size_t i = 0; i < n; ++i)
        spare[i] = static_cast<std::uint32_t>(i);
    std::vector<std::uint32_t> count(kBuckets);
    for (std::uint32_t shift : {0u, kBits}) {
        std::fill(count.begin(), count.end(), 0);
        for (std::uint32_t i : spare)
            ++count[(keys[i] >> shift) & (kBuckets - 1)];
        std::uint32_t sum = 0;
        for (std::uint32_t& c : count) {
            const std::uint32_t here = c;
            c = sum;
            sum += here;
        }
        for (std::uint32_t i : spare)
            order[count[(keys[i] >> shift) & (kBuckets - 1)]++] = i;
        std::swap(order, spare);
    }
    return spare;
}

// Moves the rows so that position k holds the row that was at order[k],
// following the permutation's cycles instead of copying the table.
void permute(std::vector<LedgerEntry>& rows, std::vector<std::uint32_t>& order)
{
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == i)
            continue;
        LedgerEntry held = rows[i];
        std::size_t j = i;
        while (order[j] != i) {
            const std::size_t from = order[j];
            rows[j] = rows[from];
            order[j] = static_cast<std::uint32_t>(j);
            j = from;
        }
        rows[j] = held;
        order[j] = static_cast<std::uint32_t>(j);
    }
}

} // namespace

void WorkingTable::sortByDate()
{
    auto byDate = [](const LedgerEntry& a, const LedgerEntry& b) { return a.IDAY.view() < b.IDAY.view(); };
    // Snapshots come back already ordered.
    if (std::is_sorted(rows_.begin(), rows_.end(), byDate)) {
        ordered_ = true;
        return;
    }
    std::vector<std::uint32_t> order;
    {
        std::vector<std::uint32_t> keys(rows_.size());
        bool packed = true;
        for (std::size_t i = 0; i < rows_.size() && packed; ++i) {
            const std::optional<std::uint32_t> k = packedDateKey(rows_[i].IDAY.view());
            packed = k.has_value();
            keys[i] = k.value_or(0);
        }
        if (packed) {
            order = radixOrder(keys);
        } else {
            order.resize(rows_.size());
            for (std::size_t i = 0; i < order.size(); ++i)
                order[i] = static_cast<std::uint32_t>(i);
            std::stable_sort(order.begin(), order.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return byDate(rows_[a], rows_[b]); });
        }
    }
    permute(rows_, order);
    rowsChangedFrom(0);
    ordered_ = true;
}

void WorkingTable::orderBy(const std::string& field)
{
    if (field != "IDAY")
        return;
    sortByDate();
    rebuildVisible();
    cursor_ = visible_.empty() ? -1 : 0;
    eof_ = visible_.empty();
    changed();
}

void WorkingTable::setFilter(const LedgerFilter& filter)
{
    filter_ = filter;
    if (open_) {
        if (isEditing())
            post();
        rebuildVisible();
        cursor_ = visible_.empty() ? -1 : 0;
        eof_ = visible_.empty();
    }
    changed();
}

void WorkingTable::setFiltered(bool on)
{
    filtered_ = on;
    if (open_) {
        if (isEditing())
            post();
        rebuildVisible();
        cursor_ = visible_.empty() ? -1 : 0;
        eof_ = visible_.empty();
    }
    changed();
}

void WorkingTable::rebuildVisible()
{
    visible_.clear();
    if (!open_)
        return;
    if (!filtered_ || !ordered_) {
        visible_.reserve(filtered_ ? rows_.size() / 4 : rows_.size());
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (passes(rows_[i]))
                visible_.push_back(static_cast<std::uint32_t>(i));
        return;
    }
    // Rows are in date order: the period is one run of rows, found by
    // binary search, so a filter change costs the rows shown, not the rows held.
    std::size_t from = 0, to = 0;
    if (!periodRows(from, to))
        return;
    if (filter_.category() == Category::None) {
        visible_.resize(to - from);
        for (std::size_t i = from; i < to; ++i)
            visible_[i - from] = static_cast<std::uint32_t>(i);
        return;
    }
    visible_.reserve((to - from) / 2);
    for (std::size_t i = from; i < to; ++i)
        if (filter_.passesCategory(rows_[i]))
            visible_.push_back(static_cast<std::uint32_t>(i));
}

bool WorkingTable::periodRows(std::size_t& from, std::size_t& to) const
{
    from = 0;
    to = rows_.size();
    switch (filter_.dateRange()) {
    case LedgerFilter::DateRange::None:
        return false;
    case LedgerFilter::DateRange::All:
        return true;
    case LedgerFilter::DateRange::Between:
        break;
    }
    const std::string_view lo = filter_.lowerBound(), hi = filter_.upperBound();
    if (hi < lo)
        return false;
    from = static_cast<std::size_t>(
        std::lower_bound(rows_.begin(), rows_.end(), lo,
                         [](const LedgerEntry& e, std::string_view d) { return e.IDAY.view() < d; })
        - rows_.begin());
    to = static_cast<std::size_t>(
        std::upper_bound(rows_.begin() + static_cast<std::ptrdiff_t>(from), rows_.end(), hi,
                         [](std::string_view d, const LedgerEntry& e) { return d < e.IDAY.view(); })
        - rows_.begin());
    return true;
}

LedgerTotals WorkingTable::visibleTotals() const
{
    LedgerTotals t;
    if (!open_)
        return t;
    if (!filtered_)
        return sums_.sum(rows_, 0, rows_.size(), Category::None);
    if (!ordered_) {
        for (std::uint32_t i : visible_)
            RunningSums::addRow(t, rows_[i]);
        return t;
    }
    std::size_t from = 0, to = 0;
    if (periodRows(from, to))
        t = sums_.sum(rows_, from, to, filter_.category());
    assert(t.count == static_cast<std::int64_t>(visible_.size()));
    return t;
}

void WorkingTable::first()
{
    cursor_ = visible_.empty() ? -1 : 0;
    eof_ = visible_.empty();
    moved();
}

void WorkingTable::last()
{
    cursor_ = static_cast<int>(visible_.size()) - 1;
    eof_ = visible_.empty();
    moved();
}

void WorkingTable::next()
{
    if (visible_.empty()) {
        eof_ = true;
        return;
    }
    if (cursor_ + 1 < static_cast<int>(visible_.size())) {
        ++cursor_;
        eof_ = false;
        moved();
    } else {
        eof_ = true;
    }
}

void WorkingTable::prior()
{
    if (cursor_ > 0) {
        --cursor_;
        eof_ = false;
        moved();
    }
}

bool WorkingTable::moveTo(int visibleIndex)
{
    if (visibleIndex < 0 || visibleIndex >= static_cast<int>(visible_.size()))
        return false;
    if (visibleIndex != cursor_ || eof_) {
        cursor_ = visibleIndex;
        eof_ = false;
        moved();
    }
    return true;
}

const LedgerEntry& WorkingTable::current() const
{
    assert(cursor_ >= 0 && cursor_ < static_cast<int>(visible_.size()));
    return rows_[visible_[static_cast<std::size_t>(cursor_)]];
}

const LedgerEntry& WorkingTable::visibleRow(int visibleIndex) const
{
    return rows_[visible_[static_cast<std::size_t>(visibleIndex)]];
}

WorkingTable::Bookmark WorkingTable::bookmark() const
{
    Bookmark b;
    b.generation = generation_;
    b.row = cursor_ >= 0 ? static_cast<std::int64_t>(visible_[static_cast<std::size_t>(cursor_)]) : -1;
    return b;
}

void WorkingTable::gotoBookmark(const Bookmark& b)
{
    int target = -1;
    if (b.generation == generation_ && b.row >= 0)
        target = visibleIndexOfRow(static_cast<std::size_t>(b.row));
    if (target < 0)
        target = visible_.empty() ? -1 : 0;
    if (target != cursor_ || eof_) {
        cursor_ = target;
        eof_ = visible_.empty();
        moved();
    }
}

int WorkingTable::visibleIndexOfRow(std::size_t row) const
{
    auto it = std::lower_bound(visible_.begin(), visible_.end(), static_cast<std::uint32_t>(row));
    if (it == visible_.end() || *it != row)
        return -1;
    return static_cast<int>(it - visible_.begin());
}

int WorkingTable::nearestVisibleFromRow(std::size_t row) const
{
    if (visible_.empty())
        return -1;
    auto it = std::lower_bound(visible_.begin(), visible_.end(), static_cast<std::uint32_t>(row));
    if (it == visible_.end())
        return static_cast<int>(visible_.size()) - 1;
    return static_cast<int>(it - visible_.begin());
}

std::size_t WorkingTable::insertPosition(std::string_view iday) const
{
    auto it = std::upper_bound(rows_.begin(), rows_.end(), iday,
                               [](std::string_view d, const LedgerEntry& e) { return d < e.IDAY.view(); });
    return static_cast<std::size_t>(it - rows_.begin());
}

LedgerEntry& WorkingTable::append()
{
    if (isEditing())
        cancel();
    buffer_ = LedgerEntry{};
    state_ = EditState::Inserting;
    if (newRowHook_)
        newRowHook_(buffer_);
    return buffer_;
}

LedgerEntry& WorkingTable::edit()
{
    if (state_ == EditState::Editing)
        return buffer_;
    if (state_ == EditState::Inserting || isEmpty()) {
        // Nothing to edit: behave like a new row, as a grid with no rows does.
        return append();
    }
    buffer_ = current();
    state_ = EditState::Editing;
    return buffer_;
}

void WorkingTable::post()
{
    if (!open_ || state_ == EditState::Browse)
        return;
    // Adjust the visible positions instead of testing every row again: a
    // million-row ledger stays quick to edit.
    // An edited row that keeps its date keeps its place among the rows of
    // that day; one whose date changed goes after the rows of its new day.
    std::optional<std::size_t> keep;
    if (state_ == EditState::Editing) {
        const std::uint32_t old = visible_[static_cast<std::size_t>(cursor_)];
        if (rows_[old].IDAY.view() == buffer_.IDAY.view())
            keep = old;
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(old));
        rowsChangedFrom(old);
        visible_.erase(visible_.begin() + cursor_);
        for (std::size_t i = static_cast<std::size_t>(cursor_); i < visible_.size(); ++i)
            --visible_[i];
    }
    state_ = EditState::Browse;
    const std::size_t pos = keep ? *keep : insertPosition(buffer_.IDAY.view());
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(pos), buffer_);
    rowsChangedFrom(pos);
    auto it = std::lower_bound(visible_.begin(), visible_.end(), static_cast<std::uint32_t>(pos));
    for (auto k = it; k != visible_.end(); ++k)
        ++*k;
    if (passes(buffer_))
        visible_.insert(it, static_cast<std::uint32_t>(pos));
    cursor_ = nearestVisibleFromRow(pos);
    eof_ = visible_.empty();
    lastPosted_ = pos;
    changed();
}

void WorkingTable::insertRowAt(std::size_t row, const LedgerEntry& e)
{
    if (!open_)
        return;
    if (isEditing())
        state_ = EditState::Browse;
    if (row > rows_.size())
        row = rows_.size();
    // A position out of date order would mislead the date search.
    if ((row > 0 && e.IDAY.view() < rows_[row - 1].IDAY.view())
        || (row < rows_.size() && rows_[row].IDAY.view() < e.IDAY.view()))
        ordered_ = false;
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row), e);
    rowsChangedFrom(row);
    auto it = std::lower_bound(visible_.begin(), visible_.end(), static_cast<std::uint32_t>(row));
    for (auto k = it; k != visible_.end(); ++k)
        ++*k;
    if (passes(e))
        visible_.insert(it, static_cast<std::uint32_t>(row));
    cursor_ = nearestVisibleFromRow(row);
    eof_ = visible_.empty();
    changed();
}

void WorkingTable::removeRowAt(std::size_t row)
{
    if (!open_ || row >= rows_.size())
        return;
    if (isEditing())
        state_ = EditState::Browse;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    rowsChangedFrom(row);
    auto it = std::lower_bound(visible_.begin(), visible_.end(), static_cast<std::uint32_t>(row));
    if (it != visible_.end() && *it == row)
        it = visible_.erase(it);
    for (auto k = it; k != visible_.end(); ++k)
        --*k;
    cursor_ = nearestVisibleFromRow(row);
    eof_ = visible_.empty();
    changed();
}

void WorkingTable::replaceRows(std::vector<LedgerEntry> rows)
{
    rows_ = std::move(rows);
    rowsChangedFrom(0);
    ordered_ = std::is_sorted(rows_.begin(), rows_.end(), [](const LedgerEntry& a, const LedgerEntry& b) {
        return a.IDAY.view() < b.IDAY.view();
    });
    state_ = EditState::Browse;
    rebuildVisible();
    cursor_ = visible_.empty() ? -1 : 0;
    eof_ = visible_.empty();
    changed();
}

void WorkingTable::cancel()
{
    if (state_ == EditState::Browse)
        return;
    state_ = EditState::Browse;
    moved();
}

void WorkingTable::deleteCurrent()
{
    if (!open_ || isEmpty() || cursor_ < 0)
        return;
    if (isEditing())
        state_ = EditState::Browse;
    std::size_t victim = visible_[static_cast<std::size_t>(cursor_)];
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(victim));
    rowsChangedFrom(victim);
    visible_.erase(visible_.begin() + cursor_);
    for (std::size_t i = static_cast<std::size_t>(cursor_); i < visible_.size(); ++i)
        --visible_[i];
    if (cursor_ >= static_cast<int>(visible_.size()))
        cursor_ = static_cast<int>(visible_.size()) - 1;
    eof_ = visible_.empty();
    changed();
}

void WorkingTable::clear()
{
    rows_.clear();
    rowsChangedFrom(0);
    ordered_ = true;
    visible_.clear();
    state_ = EditState::Browse;
    cursor_ = -1;
    eof_ = true;
    changed();
}

void WorkingTable::appendRaw(const LedgerEntry& e)
{
    if (ordered_ && !rows_.empty() && e.IDAY.view() < rows_.back().IDAY.view())
        ordered_ = false;
    rows_.push_back(e);
    rowsChangedFrom(rows_.size() - 1);
}

void WorkingTable::enableControls()
{
    if (suspended_ > 0 && --suspended_ == 0 && pending_)
        notify();
}

void WorkingTable::changed()
{
    ++generation_;
    notify();
}

void WorkingTable::moved() { notify(); }

void WorkingTable::notify()
{
    if (suspended_ > 0) {
        pending_ = true;
        return;
    }
    pending_ = false;
    if (dataChanged_)
        dataChanged_();
}

} // namespace quill
