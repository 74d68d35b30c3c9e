// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/FileLock.h"
#include "core/ledger/Backups.h"
#include "core/ledger/DiskStamp.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/WorkingTables.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace quill {

// The open ledger and its shared state, owned by the main window for the
// whole run: the working ledger, the staging table, the open file (name,
// lock, stamp, read-only) and the unsaved-changes flag. The file commands
// (FileCommands.h) move it from one state to the next; what belongs
// together changes together here, so no caller can leave a lock of one
// file under the name of another.
class LedgerBook {
public:
    // The two tables keep their own rules (rows, cursor, filter); the grid,
    // the editor and the totals work on them directly.
    WorkingTable TAcunt;   // every entry of the open ledger, ordered by IDAY
    WorkingTable fAcunt;   // staging table, open only inside the file commands

    // --- the scratch table of this run -----------------------------------
    // Takes the scratch table file of this run under `programFolder` (with a
    // trailing "/"); an earlier one of this book is given back first.
    // See AcquireScratchTableFile.
    void acquireScratchTable(const std::string& programFolder, const std::string& templateFolder = {});
    // Gives it back, emptied (ReleaseScratchTableFile); nothing when none is held.
    void releaseScratchTable();
    const std::string& programFolder() const { return programFolder_; }
    const std::string& scratchPath() const { return scratchPath_; }

    // --- the open file ------------------------------------------------------
    const std::string& fileName() const { return fileName_; }  // UTF-8 path or the untitled name
    bool isUntitled() const { return fileName_ == kUntitledName; }
    // Opened while another copy held it: saved only under another name.
    bool isReadOnly() const { return readOnly_; }
    // The file is ours while this lock holds it; another copy opening it is told so.
    const FileLock& fileLock() const { return fileLock_; }
    // The file as it was when opened or last saved, to notice a change made
    // by somebody else before a save overwrites it.
    const DiskStamp& stamp() const { return stamp_; }

    // Untitled: no name, no lock, no stamp, not read-only.
    void makeUntitled();
    // The ledger now stands for the file at `path`, as it was at `stamp`.
    // `lock` replaces the lock held (the previous file is free again);
    // without one the current lock stays (the same file opened again).
    void openFile(const std::string& path, std::optional<FileLock> lock, bool readOnly, const DiskStamp& stamp);
    // Saved under a name of its own: that name, no longer read-only. The
    // lock follows with lockFile().
    void rename(const std::string& path);
    // Holds `lock` from now on, unless the lock held already covers `path`.
    void lockFile(const std::string& path, FileLock* pending = nullptr);
    // The stamp of the file at `path` as it is on disk now (after a save to it).
    void restamp(const std::string& path);
    // The program ends: the file is free for another copy.
    void releaseFile() { fileLock_.release(); }

    // --- unsaved changes ----------------------------------------------------
    // The file commands set and clear it; the window keeps it in step with
    // its history (set exactly when the history is away from the state last
    // opened or saved).
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // --- backups of the versions that saves replace ------------------------
    bool keepsBackups() const { return keepBackups_; }
    void setKeepBackups(bool keep) { keepBackups_ = keep; }
    BackupTime backupTime() const { return backupClock_ ? backupClock_() : LocalBackupTime(); }
    void setBackupClock(std::function<BackupTime()> clock) { backupClock_ = std::move(clock); }
    // Why the last save could not keep its backup (the save itself went on);
    // empty when it could.
    const std::string& backupProblem() const { return backupProblem_; }
    void setBackupProblem(std::string problem) { backupProblem_ = std::move(problem); }
    // The problem for the user, once per run: empty when there is none or it
    // was told before.
    std::string backupProblemToTell();

    // --- what the last Open or Add file has to tell (a last record cut short)
    const std::string& openNotice() const { return openNotice_; }
    void setOpenNotice(std::string notice) { openNotice_ = std::move(notice); }
    // The notice for the user, once: it is emptied as it is taken.
    std::string takeOpenNotice() { return std::exchange(openNotice_, {}); }

private:
    std::string programFolder_;  // with a trailing "/"
    std::string scratchPath_;    // the scratch table file this run uses
    std::string fileName_ = kUntitledName;
    bool modified_ = false;
    FileLock fileLock_;
    bool readOnly_ = false;
    DiskStamp stamp_;
    bool keepBackups_ = true;
    std::function<BackupTime()> backupClock_ = LocalBackupTime;
    std::string backupProblem_;
    bool backupProblemTold_ = false;
    std::string openNotice_;
};

} // namespace quill
