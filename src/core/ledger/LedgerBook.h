#pragma once
#include "ledger/WorkingTable.h"
#include "ledger/WorkingTables.h"

#include <string>

namespace quill {

// The open ledger and its shared state, owned by the main window for the
// whole run: the working ledger, the staging table, the open file's name and
// the unsaved-changes flag.
struct LedgerBook {
    WorkingTable TAcunt;   // every entry of the open ledger, ordered by IDAY
    WorkingTable fAcunt;   // staging table, open only inside the file commands
    std::string CurrentFileName = kUntitledName;  // UTF-8 path or the untitled name
    bool Modified = false;
    std::string programFolder;  // with a trailing "/"
    std::string scratchPath;    // the scratch table file this run uses

    bool isUntitled() const { return CurrentFileName == kUntitledName; }
};

} // namespace quill
