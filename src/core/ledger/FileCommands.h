// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/ledger/LedgerBook.h"

#include <functional>
#include <string>

namespace quill {

// What the file commands tell the user interface while they run: when the
// wait window is to appear and where its gauge stands. Closing the window is
// the caller's, on every path.
struct FileProgress {
    std::function<void()> show;         // the wait window appears
    std::function<void(int)> gauge;     // 0..100
};

// The gauge while writing: before the entry at position i of n.
inline int WriteGaugePosition(std::size_t i, std::size_t n)
{
    return n == 0 ? 0 : static_cast<int>(i * 100 / n);
}

// The scratch table file of this run. The first running copy of the program
// uses "Temp/quillbook.cds", a further copy "Temp/quillbook-2.cds" and so on:
// each holds a lock on its file's ".lock" companion for as long as it runs,
// so two copies never write into each other's tables. Creates the folder and
// the file (a copy of the template table, or an empty table when the
// template is missing). Failures fall back to the plain name; the first
// table operation then reports them.
// `templateFolder` holds "quillbook.str" when it is not `programFolder`
// (an installed copy keeps its scratch tables in the user's own folder).
std::string AcquireScratchTableFile(const std::string& programFolder, const std::string& templateFolder = {});
// Gives the scratch table file back, emptied first, so that no entries stay
// behind after the program ends (the lock also ends with the process).
void ReleaseScratchTableFile(const std::string& scratchPath);

// New: an empty untitled ledger, the scratch table file emptied as well.
IoResult NewLedger(LedgerBook& book);

// A ledger file that another running copy holds open.
inline constexpr const char* kHeldElsewhereText = "다른 창에서 이미 열려 있는 파일입니다.";
bool IsHeldElsewhere(const IoResult& r);
// Said at open where the file system keeps no locks (some network folders).
inline constexpr const char* kNoLockText =
    "이 파일이 있는 곳은 파일 잠금을 지원하지 않아, 다른 창이나 다른 컴퓨터에서 같은 파일을 열어 고쳐도 "
    "알 수 없습니다. 같은 장부를 한 곳에서만 열어 쓰세요. 저장할 때 디스크의 파일이 바뀌어 있으면 묻습니다.";

enum class OpenAccess {
    Exclusive,  // ours alone: refused with kHeldElsewhereText while another copy holds it
    ReadOnly,   // whoever holds it: read-only here, saved only under another name
};

// Open: reads the file into the staging table first and replaces the working
// ledger only when the whole file was read, so a failure leaves the open
// ledger (entries, name, filter, Modified) as it was. On success the name is
// the path, the working ledger holds the file's entries ordered by date with
// its filter switched off, and Modified is cleared.
// The file is locked for this copy (Exclusive) and its stamp taken.
IoResult OpenLedger(LedgerBook& book, const std::string& path, const FileProgress& progress = {},
                    OpenAccess access = OpenAccess::Exclusive);

// Whether the open file is still the one that was opened or last saved.
DiskState LedgerDiskState(const LedgerBook& book);

// Save to the open name. Writes every entry of the working ledger, whatever
// the filter shows. The old file is replaced only after the new content is
// completely on disk. Clears Modified on success only. The version it
// replaces is kept as a backup first (when that fails the save goes on and
// `backupProblem` says why). A read-only ledger is refused.
IoResult SaveLedger(LedgerBook& book, const FileProgress& progress = {});

// Save As: saves under the path, which becomes the open name on success; on
// failure the name stays what it was. A file that another running copy
// holds is refused with kHeldElsewhereText. A read-only ledger saved under
// a name of its own is no longer read-only.
IoResult SaveLedgerAs(LedgerBook& book, const std::string& path, const FileProgress& progress = {});

// Save As (and Save of an untitled ledger) needs at least one entry; a
// filter that hides every row does not count.
bool HasEntriesToSave(const LedgerBook& book);

// Add file: merges the entries of another ledger file into the working
// ledger, keeping its filter, and sets Modified. The working ledger with its
// unsaved changes goes into the merge. A failure leaves the working ledger
// as it was. The added file is only read.
IoResult AddLedgerFile(LedgerBook& book, const std::string& path, const FileProgress& progress = {});

// The year a ledger just opened (or taken back) starts with: that of its
// earliest entry with a real date (an entry without a date sorts first but
// names no year); `fallbackYear` when none has one.
int OpeningYear(const WorkingTable& table, int fallbackYear);

} // namespace quill
