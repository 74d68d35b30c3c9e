#include "ledger/FileCommands.h"

#include "ledger/AutRecord.h"
#include "ledger/SnapshotFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/file.h>
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
IoResult probeReadable(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return IoResult::fromErrno(errno);
    ::close(fd);
    return IoResult::success();
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

std::map<std::string, int>& leases()
{
    static std::map<std::string, int> held;
    return held;
}

std::string scratchName(int k)
{
    if (k == 1)
        return kScratchTableFile;
    return "Temp/quillbook-" + std::to_string(k) + ".cds";
}

} // namespace

std::string AcquireScratchTableFile(const std::string& programFolder, const std::string& templateFolder)
{
    const std::string& source = templateFolder.empty() ? programFolder : templateFolder;
    std::error_code ec;
    std::filesystem::create_directories(programFolder + "Temp", ec);
    std::lock_guard guard(leaseMutex());
    for (int k = 1; k <= 99; ++k) {
        const std::string path = programFolder + scratchName(k);
        if (leases().count(path))
            continue;
        const std::string lockPath = path + ".lock";
        int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            break;  // the folder cannot be written: use the plain name
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            leases()[path] = fd;
            EnsureScratchTableFile(source, path);
            return path;
        }
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK)
            break;  // no locking on this file system
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
    ::close(it->second);
    leases().erase(it);
}

IoResult NewLedger(LedgerBook& book)
{
    QuietTable quiet(book.TAcunt);
    IoResult r = ResetWorkingTables(book.TAcunt, book.fAcunt, book.scratchPath);
    if (!r) {
        // The scratch table is our own copy and New empties it anyway: a
        // missing or damaged one is simply started afresh.
        if (!writeSnapshot(book.scratchPath, {}))
            return r;
        r = ResetWorkingTables(book.TAcunt, book.fAcunt, book.scratchPath);
        if (!r)
            return r;
    }
    book.CurrentFileName = kUntitledName;
    book.Modified = false;
    return r;
}

IoResult OpenLedger(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    if (IoResult r = probeReadable(path); !r)
        return r;
    QuietTable quiet(book.TAcunt);
    book.fAcunt.close();
    book.fAcunt.open();
    IoResult r = readIntoStaging(book, path, progress);
    if (r)
        r = book.fAcunt.saveSnapshot(book.scratchPath);
    book.fAcunt.close();
    if (!r)
        return r;  // the working ledger was not touched
    const bool wasFiltered = book.TAcunt.filtered();
    book.TAcunt.setFiltered(false);
    r = book.TAcunt.loadSnapshot(book.scratchPath);
    if (!r) {
        book.TAcunt.setFiltered(wasFiltered);
        return r;
    }
    book.CurrentFileName = path;
    book.Modified = false;
    return r;
}

IoResult SaveLedger(LedgerBook& book, const FileProgress& progress)
{
    if (book.isUntitled())
        return IoResult::failure("File name missing");
    if (progress.show)
        progress.show();
    if (book.TAcunt.isOpen()) {
        if (IoResult r = book.TAcunt.saveSnapshot(book.scratchPath); !r)
            return r;
    }
    if (IoResult r = book.fAcunt.loadSnapshot(book.scratchPath); !r)
        return r;
    IoResult r = WriteLedgerFile(book.CurrentFileName, book.fAcunt, [&](std::size_t i, std::size_t n) {
        if (progress.gauge)
            progress.gauge(WriteGaugePosition(i, n));
    });
    book.fAcunt.close();
    if (!r)
        return r;
    if (progress.gauge)
        progress.gauge(100);
    book.Modified = false;
    return r;
}

IoResult SaveLedgerAs(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    std::string previous = book.CurrentFileName;
    book.CurrentFileName = path;
    IoResult r = SaveLedger(book, progress);
    if (!r)
        book.CurrentFileName = std::move(previous);
    return r;
}

bool HasEntriesToSave(const LedgerBook& book)
{
    return book.TAcunt.isOpen() && book.TAcunt.rowCount() > 0;
}

IoResult AddLedgerFile(LedgerBook& book, const std::string& path, const FileProgress& progress)
{
    if (IoResult r = probeReadable(path); !r)
        return r;
    QuietTable quiet(book.TAcunt);
    // The scratch table catches up with the editor's changes first, so they
    // take part in the merge.
    if (book.TAcunt.isOpen()) {
        if (IoResult r = book.TAcunt.saveSnapshot(book.scratchPath); !r)
            return r;
    }
    if (IoResult r = book.fAcunt.loadSnapshot(book.scratchPath); !r)
        return r;
    IoResult r = readIntoStaging(book, path, progress);
    if (r)
        r = book.fAcunt.saveSnapshot(book.scratchPath);
    book.fAcunt.close();
    if (!r)
        return r;
    if (r = book.TAcunt.loadSnapshot(book.scratchPath); !r)
        return r;
    book.Modified = true;
    return r;
}

} // namespace quill
