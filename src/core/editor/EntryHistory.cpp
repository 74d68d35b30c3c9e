// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/editor/EntryHistory.h"

namespace quill {

std::optional<LedgerChange> StoreEntryRecorded(WorkingTable& table, EditorMode mode, const EditTarget& target,
                                               const EntryInput& input)
{
    if (mode == EditorMode::Adding) {
        if (!StoreEntryInput(table, mode, target, input))
            return std::nullopt;
        return LedgerChange::added(table, table.lastPostedRow());
    }
    if (!ReturnToEditTarget(table, target))
        return std::nullopt;
    const std::size_t oldRow = static_cast<std::size_t>(table.bookmark().row);
    const LedgerEntry before = table.current();
    if (!StoreEntryInput(table, mode, target, input))
        return std::nullopt;
    return LedgerChange::changed(oldRow, before, table, table.lastPostedRow());
}

std::optional<LedgerChange> DeleteCurrentRecorded(WorkingTable& table)
{
    if (!table.isOpen() || table.isEmpty() || table.recNo() < 0)
        return std::nullopt;
    const std::size_t row = static_cast<std::size_t>(table.bookmark().row);
    LedgerChange change = LedgerChange::deleted(table, row);
    table.deleteCurrent();
    return change;
}

} // namespace quill
