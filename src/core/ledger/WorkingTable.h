// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/RunningSums.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quill {

// The in-memory ledger table (the working ledger and the staging table are
// both of this kind). Rows are kept ordered by IDAY; the row filter narrows
// them to the visible rows, kept as a list of row positions so that a grid
// over a million rows only ever reads by position.
//
// Every move of the cursor and every change sends the data-changed
// notification, unless notifications are suspended; resuming sends one
// notification when anything moved or changed meanwhile.
class WorkingTable {
public:
    using NewRowHook = std::function<void(LedgerEntry&)>;
    using Notification = std::function<void()>;

    // Identifies a row for a later return; valid until the rows change.
    struct Bookmark {
        std::int64_t row = -1;
        std::uint64_t generation = 0;
    };

    WorkingTable() = default;
    WorkingTable(const WorkingTable&) = delete;
    WorkingTable& operator=(const WorkingTable&) = delete;

    // --- open state and snapshots ---------------------------------------
    bool isOpen() const { return open_; }
    void open();
    // Closing drops the rows; the filter stays with the table.
    void close();
    // Replaces the contents with the snapshot, orders by IDAY and opens the
    // table. On failure the table is left as it was.
    IoResult loadSnapshot(const std::string& path);
    // Replaces the contents with these rows as loadSnapshot does with the
    // rows it read: ordered by IDAY, table open. `inDateOrder` says the
    // rows are known to be ordered already (as a table's knownInDateOrder()
    // tells), which spares the check.
    void adoptRows(std::vector<LedgerEntry> rows, bool inDateOrder = false);
    // Hands every row over (in order) and leaves the table without rows.
    std::vector<LedgerEntry> takeRows();
    // Writes every row, whatever the filter. The file is replaced only when
    // the whole snapshot is written.
    IoResult saveSnapshot(const std::string& path) const;
    // Orders the rows by the named field ("IDAY" is the only order the
    // program uses); rows with the same date keep their relative order.
    void orderBy(const std::string& field);

    // --- filter -----------------------------------------------------------
    // Setting the filter or switching it on leaves an open table on its first
    // passing row.
    void setFilter(const LedgerFilter& filter);
    void setFiltered(bool on);
    const LedgerFilter& filter() const { return filter_; }
    bool filtered() const { return filtered_; }

    // --- visible rows and cursor ------------------------------------------
    int recordCount() const { return static_cast<int>(visible_.size()); }
    bool isEmpty() const { return visible_.empty(); }
    int recNo() const { return cursor_; }              // visible index, -1 when empty
    bool eof() const { return eof_; }
    void first();
    void last();
    void next();    // past the last row: stays there and sets eof
    void prior();
    bool moveTo(int visibleIndex);
    const LedgerEntry& current() const;                // precondition: !isEmpty()
    const LedgerEntry& visibleRow(int visibleIndex) const;

    // Whether the rows are known to be in IDAY order (false may still mean
    // ordered, after a put-back the table could not check).
    bool knownInDateOrder() const { return ordered_; }

    // All rows, whatever the filter, in order.
    std::size_t rowCount() const { return rows_.size(); }
    const LedgerEntry& row(std::size_t i) const { return rows_[i]; }

    // Count and money sums of the visible rows. On rows in date order the
    // period is one run of rows summed from block sums, so the cost follows
    // the rows shown (or less), not the rows held.
    LedgerTotals visibleTotals() const;

    Bookmark bookmark() const;
    void gotoBookmark(const Bookmark& b);

    // --- changes ------------------------------------------------------------
    // Starts a new row (the new-row hook runs on it) or an edit of the
    // current row; the caller fills buffer() and calls post() or cancel().
    LedgerEntry& append();
    LedgerEntry& edit();
    bool isEditing() const { return state_ != EditState::Browse; }
    LedgerEntry& buffer() { return buffer_; }
    // Stores the pending row in its date position. The posted row becomes
    // current when it passes the filter; otherwise the nearest visible row.
    void post();
    void cancel();
    // Deletes the current row; the next visible row becomes current, or the
    // one before when the last was deleted.
    void deleteCurrent();
    // Removes every row (the table stays open).
    void clear();

    // Row-level changes for the history: a row put back at exactly the
    // position it had, or taken out of it, whatever the filter shows. The
    // row becomes current when the filter shows it; otherwise the nearest
    // visible row does. The position must keep the rows ordered by IDAY.
    void insertRowAt(std::size_t row, const LedgerEntry& e);
    void removeRowAt(std::size_t row);
    // Replaces every row (already ordered by IDAY); the cursor goes to the
    // first visible row.
    void replaceRows(std::vector<LedgerEntry> rows);
    // Position among all rows of the row the last post() stored.
    std::size_t lastPostedRow() const { return lastPosted_; }

    // Bulk loading: appends at the end without ordering or notification;
    // call orderBy("IDAY") afterwards.
    void appendRaw(const LedgerEntry& e);
    void reserve(std::size_t n) { rows_.reserve(n); }

    // --- hooks and notifications ---------------------------------------------
    void setNewRowHook(NewRowHook hook) { newRowHook_ = std::move(hook); }
    void setDataChanged(Notification n) { dataChanged_ = std::move(n); }
    void disableControls() { ++suspended_; }
    void enableControls();
    bool controlsDisabled() const { return suspended_ > 0; }
    // Increases whenever the set or order of visible rows may have changed
    // (not on mere cursor moves); views reset themselves when it changes.
    std::uint64_t generation() const { return generation_; }

private:
    enum class EditState { Browse, Inserting, Editing };

    void rebuildVisible();
    // The run of rows the filter's period covers, for rows in date order;
    // false when no row can pass.
    bool periodRows(std::size_t& from, std::size_t& to) const;
    void rowsChangedFrom(std::size_t row) { sums_.invalidateFrom(row); }
    void sortByDate();
    void changed();             // rows or filter changed
    void moved();               // only the cursor moved
    void notify();
    std::size_t insertPosition(std::string_view iday) const;
    int visibleIndexOfRow(std::size_t row) const;   // -1 when hidden
    int nearestVisibleFromRow(std::size_t row) const;
    bool passes(const LedgerEntry& e) const { return !filtered_ || filter_.passes(e); }

    std::vector<LedgerEntry> rows_;
    bool ordered_ = true;       // rows_ in IDAY order: the filter may search by date
    std::vector<std::uint32_t> visible_;
    mutable RunningSums sums_;  // follows rows_; rebuilt on demand
    LedgerFilter filter_;
    bool filtered_ = false;
    bool open_ = false;
    int cursor_ = -1;
    bool eof_ = true;
    EditState state_ = EditState::Browse;
    LedgerEntry buffer_;
    NewRowHook newRowHook_;
    Notification dataChanged_;
    int suspended_ = 0;
    bool pending_ = false;
    std::uint64_t generation_ = 1;
    std::size_t lastPosted_ = 0;
};

} // namespace quill
