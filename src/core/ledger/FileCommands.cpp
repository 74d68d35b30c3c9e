// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/FileCommands.h"

#include "core/io/FileLock.h"
#include "core/io/ProgramFolders.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/SnapshotFile.h"

#include "core/io/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

// Holds the working ledger's notifications until the command is over, so the
// views see one change instead of every step; resumes them on every path.
class QuietTable {
public:
    explicit QuietTable(WorkingTable& t) : t_(t) { t_.disableControls(); }
    ~QuietTable() { t_.enableControls(); }
    QuietTable(const QuietTable&) = delete;
    QuietTable& operator=(const QuietTable&) = delete;

private:
    WorkingTable& t_;
};

// Checks that the file can be opened for reading before the wait window
// appears, so a missing or unreadable file is reported at once.
IoResult probeReadable(const std::string& path, std::size_t held)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return IoResult::fromErrno(errno);
    struct stat st;
    const int err = ::fstat(fd, &st) != 0 ? errno : 0;
    // A sparse file of gigabytes would take as much memory to show nothing.
    const IoResult zeros = err == 0 && S_ISREG(st.st_mode)
                               ? CheckZeroTail(fd, static_cast<std::uint64_t>(st.st_size))
                               : IoResult::success();
    ::close(fd);
    if (err)
        return IoResult::fromErrno(err);
    // A pipe or a device would show as an empty ledger, which Save would
    // then put in the node's place.
    if (S_ISDIR(st.st_mode))
        return IoResult::fromErrno(EISDIR);
    if (!S_ISREG(st.st_mode))
        return NotRegularFile();
    if (!zeros)
        return zeros;
    // Before its stamp is taken (which reads it all) or room reserved.
    return CheckLedgerFitsInMemory(static_cast<std::uint64_t>(st.st_size) / AutRecord::kSize, held);
}

// Reads the file into the (open) staging table with the reading gauge:
// 0, 1, ..., 99, 0, ... after each entry.
IoResult readIntoStaging(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    if (progress.show)
        progress.show();
    int counter = 0;
    IoResult r = ReadLedgerFile(path, book.fAcunt, [&] {
        if (progress.gauge)
            progress.gauge(counter);
        counter = (counter + 1) % 100;
    });
    if (r && progress.gauge)
        progress.gauge(100);
    return r;
}

std::mutex& leaseMutex()
{
    static std::mutex m;
    return m;
}

std::map<std::string, FileLock>& leases()
{
    static std::map<std::string, FileLock> held;
    return held;
}

// The notice for a ledger whose last record is cut short; empty when whole.
std::string partialRecordNotice(const std::string& path, bool backups)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size % AutRecord::kSize == 0)
        return {};
    return PartialRecordNotice(static_cast<std::size_t>(st.st_size % AutRecord::kSize), backups);
}

IoResult heldElsewhere() { return IoResult::failure(IoKind::HeldElsewhere, kHeldElsewhereText, EWOULDBLOCK); }

// A failure of the scratch table concerns its folder, not the ledger: the
// report names the folder that is full or closed.
IoResult inScratch(IoResult r, const std::string& scratchPath)
{
    if (!r && r.path.empty() && r.kind != IoKind::Damaged)
        r.path = std::filesystem::path(scratchPath).parent_path().string();
    return r;
}

std::string scratchName(int k)
{
    if (k == 1)
        return kScratchTableFile;
    return "Temp/quillbook-" + std::to_string(k) + ".cds";
}

// A copy of the program that did not end normally leaves its last ledger
// in its scratch table. Empties every such table that no running copy
// holds (their locks are free), so the entries do not stay behind until
// another copy happens to take that table. Called with the leases locked.
void emptyAbandonedScratchTables(const std::string& programFolder)
{
    const std::size_t emptySize = emptySnapshotHeader().size();
    for (int k = 1; k <= 99; ++k) {
        const std::string path = programFolder + scratchName(k);
        struct stat st;
        if (leases().count(path) || ::stat(path.c_str(), &st) != 0 || st.st_size == static_cast<off_t>(emptySize))
            continue;
        FileLock lock = FileLock::take(path + ".lock");
        if (lock.held())
            writeSnapshot(path, {});
    }
}

} // namespace

std::string AcquireScratchTableFile(const std::string& programFolder, const std::string& templateFolder)
{
    const std::string& source = templateFolder.empty() ? programFolder : templateFolder;
    MakePrivateFolders(programFolder + "Temp");
    PrivateToUser(programFolder + "Temp", 0700);
    std::lock_guard guard(leaseMutex());
    for (int k = 1; k <= 99; ++k) {
        const std::string path = programFolder + scratchName(k);
        if (leases().count(path))
            continue;
        FileLock lock = FileLock::take(path + ".lock", true);
        if (lock.held()) {
            leases()[path] = std::move(lock);
            EnsureScratchTableFile(source, path);
            emptyAbandonedScratchTables(programFolder);
            return path;
        }
        if (lock.state() != FileLock::State::HeldElsewhere)
            break;  // the folder cannot be written, or no locking there: use the plain name
    }
    const std::string path = programFolder + kScratchTableFile;
    EnsureScratchTableFile(source, path);
    return path;
}

void ReleaseScratchTableFile(const std::string& scratchPath)
{
    std::lock_guard guard(leaseMutex());
    auto it = leases().find(scratchPath);
    if (it == leases().end())
        return;
    // The table held the last ledger's entries: no financial data stays
    // behind once the program is done with it.
    writeSnapshot(scratchPath, {});
    leases().erase(it);
}

IoResult NewLedger(LedgerBook& book)
{
    QuietTable quiet(book.TAcunt);
    IoResult r = ResetWorkingTables(book.TAcunt, book.fAcunt, book.scratchPath());
    if (!r) {
        // The scratch table is our own copy and New empties it anyway: a
        // missing or damaged one is simply started afresh.
        // A table that cannot be written is the failure to tell (a full
        // folder), not the damage it left.
        if (IoResult w = writeSnapshot(book.scratchPath(), {}); !w)
            return inScratch(w, book.scratchPath());
        r = ResetWorkingTables(book.TAcunt, book.fAcunt, book.scratchPath());
        if (!r)
            return inScratch(r, book.scratchPath());
    }
    book.makeUntitled();
    book.setModified(false);
    return r;
}

bool IsHeldElsewhere(const IoResult& r)
{
    return !r && r.kind == IoKind::HeldElsewhere;
}

IoResult OpenLedger(LedgerBook& book, const std::string& path, const FileProgress& progress, OpenAccess access)
{
    // A save into this file that was cut off is settled before it is read.
    RecoverInterruptedWrites(path);
    if (IoResult r = probeReadable(path, 0); !r)
        return r;
    // Opening our own file again needs no second lock (it would conflict
    // with the first).
    const bool ours = book.fileLock().covers(path);
    FileLock lock;
    if (!ours && access == OpenAccess::Exclusive) {
        lock = FileLock::take(path);
        if (lock.state() == FileLock::State::HeldElsewhere)
            return heldElsewhere();
    }
    // Taken before reading: a change made meanwhile shows as a change later
    // rather than slipping by.
    DiskStamp stamp;
    TakeDiskStamp(path, stamp);
    QuietTable quiet(book.TAcunt);
    book.fAcunt.close();
    book.fAcunt.open();
    IoResult r = readIntoStaging(book, path, progress);
    if (r)
        r = inScratch(book.fAcunt.saveSnapshot(book.scratchPath()), book.scratchPath());
    if (!r) {
        book.fAcunt.close();
        return r;  // the working ledger was not touched
    }
    // The working ledger takes the staging rows over instead of reading the
    // scratch table back (a snapshot gives the rows back exactly): one copy
    // of the ledger in memory, and no second pass over the file.
    const bool inDateOrder = book.fAcunt.knownInDateOrder();
    std::vector<LedgerEntry> rows = book.fAcunt.takeRows();
    book.fAcunt.close();
    book.TAcunt.setFiltered(false);
    book.TAcunt.adoptRows(std::move(rows), inDateOrder);
    // Without a lock of its own the file keeps ours; a new one frees the previous file.
    book.openFile(path, ours ? std::nullopt : std::optional<FileLock>(std::move(lock)),
                  !ours && access == OpenAccess::ReadOnly, stamp);
    book.setModified(false);
    book.setOpenNotice(partialRecordNotice(path, book.keepsBackups()));
    return r;
}

DiskState LedgerDiskState(const LedgerBook& book)
{
    if (book.isUntitled())
        return DiskState::Unknown;
    return CompareWithDisk(book.stamp(), book.fileName());
}

namespace {

// Writes the working ledger to `path`, keeping the version it replaces as
// a backup first.
// Writes the working ledger's rows to the ledger file in IDAY order (as the
// staging table, loaded from the scratch table and ordered, would give them)
// and, in the same pass, to the scratch table in their own order. The
// gauge follows the ledger file from its first entry. The scratch table is
// complete before the ledger file replaces the old one; a failure of either
// leaves the ledger file untouched.
IoResult writeRowsAndScratch(const LedgerBook& book, const std::string& path, const WriteStep& step)
{
    const WorkingTable& t = book.TAcunt;
    const std::size_t n = t.rowCount();
    auto byDate = [&](std::uint32_t a, std::uint32_t b) { return t.row(a).IDAY.view() < t.row(b).IDAY.view(); };
    std::vector<std::uint32_t> order;
    bool inOrder = t.knownInDateOrder();
    if (!inOrder) {
        inOrder = true;
        for (std::size_t i = 1; i < n && inOrder; ++i)
            inOrder = !byDate(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i - 1));
    }
    if (!inOrder) {
        order.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            order[i] = static_cast<std::uint32_t>(i);
        std::stable_sort(order.begin(), order.end(), byDate);
    }
    SnapshotWriter scratch(book.scratchPath(), n);
    if (IoResult r = scratch.open(); !r)
        return inScratch(r, book.scratchPath());
    SafeFile file(path);
    if (IoResult r = file.open(); !r)
        return r;
    AutRecord record;
    for (std::size_t i = 0; i < n; ++i) {
        if (IoResult r = scratch.add(t.row(i)); !r)
            return inScratch(r, book.scratchPath());
        if (IoResult r = record.compose(t.row(order.empty() ? i : order[i])); !r)
            return r;
        if (step)
            step(i, n);
        if (IoResult r = file.write(record.bytes.data(), AutRecord::kSize); !r)
            return r;
    }
    if (IoResult r = scratch.commit(); !r)
        return inScratch(r, book.scratchPath());
    return file.commit();
}

IoResult writeLedgerTo(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    if (progress.show)
        progress.show();
    // Without a working ledger the scratch table is what gets saved.
    if (!book.TAcunt.isOpen()) {
        if (IoResult r = inScratch(book.fAcunt.loadSnapshot(book.scratchPath()), book.scratchPath()); !r)
            return r;
    }
    // Before the backup, which would otherwise keep the remains of a save
    // that was cut off.
    RecoverInterruptedWrites(path);
    IoResult kept;
    std::string backup;
    if (book.keepsBackups())
        kept = KeepBackup(path, book.backupTime(), &backup);
    if (!kept)
        book.setBackupProblem(BackupFolderOf(path) + ": " + kept.message);  // also when the save fails then
    const WriteStep step = [&](std::size_t i, std::size_t n) {
        if (progress.gauge)
            progress.gauge(WriteGaugePosition(i, n));
    };
    IoResult r = book.TAcunt.isOpen() ? writeRowsAndScratch(book, path, step)
                                      : WriteLedgerFile(path, book.fAcunt, step);
    book.fAcunt.close();
    if (!r) {
        DropBackup(backup);
        return r;
    }
    if (book.keepsBackups()) {
        if (kept)
            kept = PruneBackups(path);
        book.setBackupProblem(kept ? std::string() : BackupFolderOf(path) + ": " + kept.message);
    }
    if (progress.gauge)
        progress.gauge(100);
    book.setModified(false);
    book.restamp(path);
    return r;
}

} // namespace

IoResult SaveLedger(LedgerBook& book, const FileProgress& progress)
{
    if (book.isUntitled())
        return IoResult::failure("File name missing");
    if (book.isReadOnly())
        return IoResult::failure("File is open read-only", EROFS);
    IoResult r = writeLedgerTo(book, book.fileName(), progress);
    if (r)
        book.lockFile(book.fileName());
    return r;
}

IoResult SaveLedgerAs(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    FileLock target;
    if (!book.fileLock().covers(path)) {
        target = FileLock::take(path);
        if (target.state() == FileLock::State::HeldElsewhere)
            return heldElsewhere();
    }
    IoResult r = writeLedgerTo(book, path, progress);
    if (!r)
        return r;
    book.rename(path);
    book.lockFile(path, &target);
    return r;
}

bool HasEntriesToSave(const LedgerBook& book)
{
    return book.TAcunt.isOpen() && book.TAcunt.rowCount() > 0;
}

IoResult AddLedgerFile(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    RecoverInterruptedWrites(path);
    if (IoResult r = probeReadable(path, book.TAcunt.isOpen() ? book.TAcunt.rowCount() : 0); !r)
        return r;
    QuietTable quiet(book.TAcunt);
    // The staging table starts from the working ledger with the editor's
    // changes, ordered as loading them from the scratch table would order
    // them (a snapshot gives rows back exactly), so they take part in the
    // merge; without a working ledger, from the scratch table itself.
    if (book.TAcunt.isOpen()) {
        std::vector<LedgerEntry> current;
        current.reserve(book.TAcunt.rowCount());
        for (std::size_t i = 0; i < book.TAcunt.rowCount(); ++i)
            current.push_back(book.TAcunt.row(i));
        book.fAcunt.adoptRows(std::move(current), book.TAcunt.knownInDateOrder());
    } else if (IoResult r = inScratch(book.fAcunt.loadSnapshot(book.scratchPath()), book.scratchPath()); !r) {
        return r;
    }
    IoResult r = readIntoStaging(book, path, progress);
    if (r)
        r = inScratch(book.fAcunt.saveSnapshot(book.scratchPath()), book.scratchPath());
    if (!r) {
        book.fAcunt.close();
        return r;
    }
    // As Open: the working ledger takes the merged rows over.
    const bool inDateOrder = book.fAcunt.knownInDateOrder();
    std::vector<LedgerEntry> rows = book.fAcunt.takeRows();
    book.fAcunt.close();
    book.TAcunt.adoptRows(std::move(rows), inDateOrder);
    book.setModified(true);
    book.setOpenNotice(partialRecordNotice(path, false));
    return r;
}

int OpeningYear(const WorkingTable& table, int fallbackYear)
{
    for (int i = 0; i < table.recordCount(); ++i) {
        const std::string date = table.visibleRow(i).IDAY.str();
        if (date.size() < 4 || date[0] < '0' || date[0] > '9')
            continue;
        // Four digits, or fewer followed by blanks (the number as read).
        int year = 0;
        const auto [end, ec] = std::from_chars(date.data(), date.data() + 4, year);
        if (ec == std::errc() && std::all_of(end, date.data() + 4, [](char c) { return c == ' '; }))
            return year > 0 ? year : fallbackYear;
    }
    return fallbackYear;
}

} // namespace quill
