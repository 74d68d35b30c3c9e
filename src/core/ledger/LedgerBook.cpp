// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/LedgerBook.h"

#include "core/ledger/FileCommands.h"

namespace quill {

void LedgerBook::acquireScratchTable(const std::string& programFolder, const std::string& templateFolder)
{
    releaseScratchTable();
    programFolder_ = programFolder;
    scratchPath_ = AcquireScratchTableFile(programFolder, templateFolder);
}

void LedgerBook::releaseScratchTable()
{
    if (scratchPath_.empty())
        return;
    ReleaseScratchTableFile(scratchPath_);
    scratchPath_.clear();
}

void LedgerBook::makeUntitled()
{
    fileName_ = kUntitledName;
    fileLock_.release();
    readOnly_ = false;
    stamp_ = {};
}

void LedgerBook::openFile(const std::string& path, std::optional<FileLock> lock, bool readOnly, const DiskStamp& stamp)
{
    fileName_ = path;
    if (lock)
        fileLock_ = std::move(*lock);
    readOnly_ = readOnly;
    stamp_ = stamp;
}

void LedgerBook::rename(const std::string& path)
{
    fileName_ = path;
    readOnly_ = false;
}

void LedgerBook::lockFile(const std::string& path, FileLock* pending)
{
    // After a save the name may stand for a new file (the old one was
    // replaced by a rename): the lock moves to it.
    if (fileLock_.covers(path))
        return;
    if (pending && pending->covers(path)) {
        fileLock_ = std::move(*pending);
        return;
    }
    fileLock_ = FileLock::take(path);
}

void LedgerBook::restamp(const std::string& path)
{
    if (!TakeDiskStamp(path, stamp_))
        stamp_ = {};
}

std::string LedgerBook::backupProblemToTell()
{
    if (backupProblem_.empty() || backupProblemTold_)
        return {};
    backupProblemTold_ = true;
    return backupProblem_;
}

} // namespace quill
