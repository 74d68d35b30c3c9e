// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/FileLock.h"
#include "core/ledger/Backups.h"
#include "core/ledger/DiskStamp.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/WorkingTables.h"

#include <functional>
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

    // The open file is ours while this lock holds it; another running copy
    // opening it is told so. A ledger opened while another copy held it is
    // read-only here: it is saved only under another name.
    FileLock fileLock;
    bool readOnly = false;
    // The file as it was when opened or last saved, to notice a change made
    // by somebody else before a save overwrites it.
    DiskStamp stamp;
    // Backups of the versions that saves replace; the clock names them.
    bool keepBackups = true;
    std::function<BackupTime()> backupClock = LocalBackupTime;
    // Why the last save could not keep its backup (the save itself went on);
    // empty when it could. The user interface tells it once per run.
    std::string backupProblem;
    bool backupProblemTold = false;
    // What the last Open or Add file has to tell (a last record cut short);
    // the user interface shows it once and empties it.
    std::string openNotice;

    bool isUntitled() const { return CurrentFileName == kUntitledName; }
};

} // namespace quill
