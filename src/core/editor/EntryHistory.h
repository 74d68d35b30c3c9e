// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/editor/EntryEditor.h"
#include "core/ledger/LedgerChange.h"

#include <optional>

namespace quill {

// The entry editor's changes, made and recorded for the history in one go.

// Stores the panel's values as StoreEntryInput does; nothing when the edit
// target is gone (and nothing stored).
std::optional<LedgerChange> StoreEntryRecorded(WorkingTable& table, EditorMode mode, const EditTarget& target,
                                               const EntryInput& input);
// Deletes the current row; nothing when there is none.
std::optional<LedgerChange> DeleteCurrentRecorded(WorkingTable& table);

} // namespace quill
