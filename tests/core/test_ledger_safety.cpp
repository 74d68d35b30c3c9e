// SPDX-License-Identifier: GPL-3.0-or-later
// What keeps a ledger file from being lost between copies of the program
// and other writers: the lock on the open file and read-only opening, the
// check for a file changed on disk, the backups a save keeps, and the
// scratch table emptied when the program is done.
#include "TestFiles.h"

#include "core/config/IniFile.h"
#include "core/io/FileLock.h"
#include "core/io/SafeFile.h"
#include "core/io/SafeFileFaults.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/Backups.h"
#include "core/ledger/DiskStamp.h"
#include "core/ledger/FileCommands.h"
#include "core/ledger/SnapshotFile.h"
#include "core/ledger/UnsavedCopy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <fcntl.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quill;
namespace fs = std::filesystem;

namespace {

struct Safety : ::testing::Test {
    TempFolder dir;
    LedgerBook book;
    int minute = 0;  // each save one minute later, unless a test says otherwise

    void SetUp() override
    {
        fs::copy_file(QB_TEMPLATE_TABLE, dir.file(kTemplateTableFile));
        book.acquireScratchTable(dir.path() + "/");
        book.setBackupClock([this] { return BackupTime{2024, 12, 31, 18, minute++, 5}; });
        ASSERT_TRUE(NewLedger(book));
    }
    void TearDown() override { ReleaseScratchTableFile(book.scratchPath()); }

    std::string ledger(const std::string& name, const std::vector<const char*>& dates)
    {
        WorkingTable t;
        t.open();
        for (const char* d : dates)
            t.appendRaw(makeEntry(d, "기존", 1000, 100));
        const std::string path = dir.file(name);
        EXPECT_TRUE(WriteLedgerFile(path, t));
        return path;
    }
    void add(const char* date)
    {
        book.TAcunt.append() = makeEntry(date, "추가", 500, 50);
        book.TAcunt.post();
        book.setModified(true);
    }
    static std::vector<std::string> names(const std::vector<std::string>& paths)
    {
        std::vector<std::string> out;
        for (const std::string& p : paths)
            out.push_back(fs::path(p).filename().string());
        return out;
    }
};

// Runs `body` in a child process that holds the lock on `path` until the
// parent is done with `whileHeld`: a second running copy of the program.
template <class F>
void withLockInChild(const std::string& path, F whileHeld)
{
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileLock lock = FileLock::take(path);
        const char c = lock.held() ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        char wait;
        (void)!::read(done[0], &wait, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    whileHeld();
    (void)!::write(done[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
}

} // namespace

// --- the lock -----------------------------------------------------------------------

TEST_F(Safety, AnotherProcessHoldingTheLedgerIsSeen)
{
    const std::string path = ledger("가게장부.Aut", {"2024.01.02"});
    withLockInChild(path, [&] {
        EXPECT_EQ(FileLock::take(path).state(), FileLock::State::HeldElsewhere);
        const IoResult r = OpenLedger(book, path);
        EXPECT_TRUE(IsHeldElsewhere(r));
        EXPECT_EQ(r.message, "다른 창에서 이미 열려 있는 파일입니다.");
        EXPECT_TRUE(book.isUntitled());
    });
    // The other copy ended: the file is free.
    EXPECT_TRUE(OpenLedger(book, path));
    EXPECT_TRUE(book.fileLock().held());
    EXPECT_FALSE(book.isReadOnly());
}

TEST_F(Safety, OpenLockedForThisCopyAndFreedByNewAndByOpeningAnother)
{
    const std::string a = ledger("a.Aut", {"2024.01.02"});
    const std::string b = ledger("b.Aut", {"2024.02.02"});
    ASSERT_TRUE(OpenLedger(book, a));
    EXPECT_EQ(FileLock::take(a).state(), FileLock::State::HeldElsewhere);
    // Opening the same file again is no conflict with ourselves.
    ASSERT_TRUE(OpenLedger(book, a));
    EXPECT_TRUE(book.fileLock().covers(a));
    ASSERT_TRUE(OpenLedger(book, b));
    EXPECT_TRUE(FileLock::take(a).held());
    EXPECT_EQ(FileLock::take(b).state(), FileLock::State::HeldElsewhere);
    // A failed open keeps the lock of the ledger that stays open.
    EXPECT_FALSE(OpenLedger(book, dir.file("missing.Aut")));
    EXPECT_EQ(FileLock::take(b).state(), FileLock::State::HeldElsewhere);
    ASSERT_TRUE(NewLedger(book));
    EXPECT_TRUE(FileLock::take(b).held());
}

TEST_F(Safety, ReadOnlyLedgerIsSavedOnlyUnderANameNotHeldElsewhere)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    const std::string held = ledger("held.Aut", {"2024.03.03"});
    const std::string before = readAll(path);
    FileLock other = FileLock::take(path);  // the other copy
    FileLock third = FileLock::take(held);
    ASSERT_TRUE(other.held());
    EXPECT_TRUE(IsHeldElsewhere(OpenLedger(book, path)));
    ASSERT_TRUE(OpenLedger(book, path, {}, OpenAccess::ReadOnly));
    EXPECT_TRUE(book.isReadOnly());
    EXPECT_EQ(book.TAcunt.rowCount(), 1u);
    add("2024.01.05");
    EXPECT_FALSE(SaveLedger(book));
    EXPECT_TRUE(IsHeldElsewhere(SaveLedgerAs(book, path)));
    EXPECT_TRUE(IsHeldElsewhere(SaveLedgerAs(book, held)));
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(book.fileName(), path);
    EXPECT_TRUE(book.isModified());

    const std::string copy = dir.file("copy.Aut");
    ASSERT_TRUE(SaveLedgerAs(book, copy));
    EXPECT_FALSE(book.isReadOnly());
    EXPECT_EQ(book.fileName(), copy);
    EXPECT_EQ(FileLock::take(copy).state(), FileLock::State::HeldElsewhere);
    EXPECT_TRUE(SaveLedger(book));
    EXPECT_EQ(readAll(path), before);
}

TEST_F(Safety, TheLockFollowsTheFileASaveReplaces)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    ASSERT_TRUE(OpenLedger(book, path));
    add("2024.01.03");
    ASSERT_TRUE(SaveLedger(book));
    // Whether the save renamed a new file into place or wrote in place, the
    // file now at the name is the locked one.
    EXPECT_TRUE(book.fileLock().covers(path));
    EXPECT_EQ(FileLock::take(path).state(), FileLock::State::HeldElsewhere);
    ASSERT_TRUE(SaveLedgerAs(book, dir.file("other.Aut")));
    EXPECT_TRUE(FileLock::take(path).held());
}

// --- changed on disk ------------------------------------------------------------------

TEST_F(Safety, ChangesOnDiskAreToldByContentNotByTimeAlone)
{
    struct Case {
        const char* name;
        void (*change)(const std::string& path);
        DiskState expected;
    };
    const Case cases[] = {
        {"untouched", [](const std::string&) {}, DiskState::Same},
        {"touched only",
         [](const std::string& p) {
             const timespec later[2] = {{0, UTIME_NOW}, {2000000000, 0}};
             ::utimensat(AT_FDCWD, p.c_str(), later, 0);
         },
         DiskState::Same},
        {"one byte changed, same size and time",
         [](const std::string& p) {
             struct stat st;
             ::stat(p.c_str(), &st);
             std::string bytes = readAll(p);
             bytes[20] ^= 1;
             writeAll(p, bytes);
             const timespec same[2] = {st.st_atim, st.st_mtim};
             ::utimensat(AT_FDCWD, p.c_str(), same, 0);
         },
         DiskState::Changed},
        {"a record appended", [](const std::string& p) { writeAll(p, readAll(p) + readAll(p).substr(0, 168)); },
         DiskState::Changed},
        {"replaced by another file", [](const std::string& p) { fs::rename(p + ".other", p); }, DiskState::Changed},
        {"removed", [](const std::string& p) { fs::remove(p); }, DiskState::Missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = ledger("c.Aut", {"2024.01.02", "2024.01.03"});
        ledger("c.Aut.other", {"2024.05.05", "2024.05.06"});
        ASSERT_TRUE(OpenLedger(book, path));
        EXPECT_EQ(LedgerDiskState(book), DiskState::Same);
        c.change(path);
        EXPECT_EQ(LedgerDiskState(book), c.expected);
        ASSERT_TRUE(NewLedger(book));
        EXPECT_EQ(LedgerDiskState(book), DiskState::Unknown);
    }
}

TEST_F(Safety, OurOwnSaveIsTheNewReference)
{
    const std::string path = ledger("s.Aut", {"2024.01.02"});
    ASSERT_TRUE(OpenLedger(book, path));
    writeAll(path, readAll(path) + readAll(path));  // somebody else's save
    ASSERT_EQ(LedgerDiskState(book), DiskState::Changed);
    add("2024.02.02");
    ASSERT_TRUE(SaveLedger(book));  // the user chose to overwrite
    EXPECT_EQ(LedgerDiskState(book), DiskState::Same);
    ASSERT_TRUE(SaveLedgerAs(book, dir.file("t.Aut")));
    EXPECT_EQ(LedgerDiskState(book), DiskState::Same);
}

// --- backups ------------------------------------------------------------------------------

TEST_F(Safety, EachSaveKeepsTheVersionItReplaces)
{
    const std::string path = ledger("가게장부.Aut", {"2024.01.02"});
    const std::string first = readAll(path);
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(OpenLedger(book, path));
    add("2024.01.03");
    ASSERT_TRUE(SaveLedger(book));
    const std::string second = readAll(path);
    add("2024.01.04");
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_TRUE(book.backupProblem().empty());
    const std::vector<std::string> kept = ListBackups(path);
    EXPECT_EQ(names(kept),
              (std::vector<std::string>{"가게장부_20241231-1800.Aut", "가게장부_20241231-1801.Aut"}));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(fs::path(kept[0]).parent_path(), fs::path(dir.path()) / "백업");
    EXPECT_EQ(readAll(kept[0]), first);
    EXPECT_EQ(readAll(kept[1]), second);
    // A backup is as private as its ledger.
    struct stat st;
    ASSERT_EQ(::stat(kept[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Saving unchanged work again keeps no copy of a copy.
    ASSERT_TRUE(SaveLedger(book));
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_EQ(ListBackups(path).size(), 3u);
}

TEST_F(Safety, SavesInTheSameMinuteLoseNoBackup)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    book.setBackupClock([] { return BackupTime{2024, 12, 31, 18, 30, 15}; });
    ASSERT_TRUE(OpenLedger(book, path));
    std::vector<std::string> versions;
    for (const char* d : {"2024.01.03", "2024.01.04", "2024.01.05", "2024.01.06"}) {
        versions.push_back(readAll(path));
        add(d);
        ASSERT_TRUE(SaveLedger(book));
    }
    const std::vector<std::string> kept = ListBackups(path);
    EXPECT_EQ(names(kept), (std::vector<std::string>{"shop_20241231-1830.Aut", "shop_20241231-183015.Aut",
                                                     "shop_20241231-183015-2.Aut", "shop_20241231-183015-3.Aut"}));
    for (std::size_t i = 0; i < kept.size() && i < versions.size(); ++i)
        EXPECT_EQ(readAll(kept[i]), versions[i]) << i;
}

TEST_F(Safety, TheTenLatestOfEachLedgerAreKept)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    const std::string other = ledger("shop_2023.Aut", {"2023.01.02"});
    fs::create_directory(dir.file("백업"));
    writeAll(dir.file("백업/shop_2023_20200101-0000.Aut"), "x");  // another ledger's
    writeAll(dir.file("백업/shop_notes.txt"), "x");
    ASSERT_TRUE(OpenLedger(book, path));
    std::string newest;
    for (int i = 0; i < 13; ++i) {
        add("2024.02.01");
        newest = readAll(path);
        ASSERT_TRUE(SaveLedger(book));
    }
    const std::vector<std::string> kept = ListBackups(path);
    ASSERT_EQ(kept.size(), 10u);
    EXPECT_EQ(fs::path(kept.front()).filename(), "shop_20241231-1803.Aut");
    EXPECT_EQ(fs::path(kept.back()).filename(), "shop_20241231-1812.Aut");
    EXPECT_EQ(readAll(kept.back()), newest);
    EXPECT_TRUE(fs::exists(dir.file("백업/shop_2023_20200101-0000.Aut")));
    EXPECT_TRUE(fs::exists(dir.file("백업/shop_notes.txt")));
    EXPECT_EQ(ListBackups(other).size(), 1u);
}

TEST_F(Safety, ABackupThatCannotBeKeptNeverStopsTheSave)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    writeAll(dir.file("백업"), "a file where the folder would be");
    ASSERT_TRUE(OpenLedger(book, path));
    add("2024.01.03");
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_FALSE(book.isModified());
    EXPECT_EQ(book.backupProblem().rfind(dir.file("백업") + ": ", 0), 0u) << book.backupProblem();
    WorkingTable t;
    t.open();
    ASSERT_TRUE(ReadLedgerFile(path, t));
    EXPECT_EQ(t.rowCount(), 2u);
    // Once the folder can be made, the problem is gone.
    fs::remove(dir.file("백업"));
    add("2024.01.04");
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_TRUE(book.backupProblem().empty());
    EXPECT_EQ(ListBackups(path).size(), 1u);
}

TEST_F(Safety, AFailedSaveLeavesNoBackupAndCostsNoOlderOne)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    ASSERT_TRUE(OpenLedger(book, path));
    for (const char* d : {"2024.01.03", "2024.01.04"}) {
        add(d);
        ASSERT_TRUE(SaveLedger(book));
    }
    const std::vector<std::string> before = ListBackups(path);
    add("2024.01.05");
    SafeFile::failWriteAt(1, ENOSPC);
    EXPECT_FALSE(SaveLedger(book));
    SafeFile::failWriteAt(0, 0);
    EXPECT_EQ(ListBackups(path), before);
    // Nothing is kept of a ledger saved for the first time.
    ASSERT_TRUE(SaveLedgerAs(book, dir.file("new.Aut")));
    EXPECT_TRUE(ListBackups(dir.file("new.Aut")).empty());
}

TEST_F(Safety, ManySavesInOneSecondKeepTheNewestTenInTheOrderMade)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    book.setBackupClock([] { return BackupTime{2024, 12, 31, 18, 30, 15}; });
    ASSERT_TRUE(OpenLedger(book, path));
    std::vector<std::string> versions;
    for (int i = 0; i < 14; ++i) {
        versions.push_back(readAll(path));
        add("2024.01.03");
        ASSERT_TRUE(SaveLedger(book));
    }
    const std::vector<std::string> kept = ListBackups(path);
    ASSERT_EQ(kept.size(), 10u);
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_TRUE(readAll(kept[i]) == versions[versions.size() - 10 + i]) << i << " " << kept[i];
}

TEST_F(Safety, BackupsGoOnlyIntoARealFolderOfOursAndOnlyOursArePruned)
{
    struct Case {
        const char* name;
        std::function<void(const std::string& folder)> plant;
        bool refused;      // no backup made, and the user told
        bool rootOnly;
    };
    TempFolder elsewhere;
    const Case cases[] = {
        {"a link planted as the folder", [&](const std::string& f) { fs::create_directory_symlink(elsewhere.path(), f); },
         true, false},
        {"names dated in the future",
         [&](const std::string& f) {
             fs::create_directory(f);
             for (int i = 0; i < 10; ++i)
                 writeAll(f + "/shop_2099010" + std::to_string(i % 9 + 1) + "-000" + std::to_string(i % 10) + ".Aut", "x");
         },
         false, false},
        {"another user's folder",
         [&](const std::string& f) {
             fs::create_directory(f);
             ASSERT_EQ(::chown(f.c_str(), 65534, 65534), 0);
         },
         true, true},
        {"another user's file under our name",
         [&](const std::string& f) {
             fs::create_directory(f);
             writeAll(f + "/shop_20000101-0000.Aut", "theirs");
             ASSERT_EQ(::chown((f + "/shop_20000101-0000.Aut").c_str(), 65534, 65534), 0);
         },
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.rootOnly && ::geteuid() != 0)
            continue;
        TempFolder work;
        const std::string path = work.file("shop.Aut");
        fs::copy_file(ledger("seed.Aut", {"2024.01.02"}), path);
        const std::string folder = work.file("백업");
        c.plant(folder);
        std::set<std::string> before;
        for (const auto& e : fs::directory_iterator(fs::canonical(folder)))
            before.insert(e.path().filename().string());
        ASSERT_TRUE(OpenLedger(book, path));
        for (int i = 0; i < 12; ++i) {
            add("2024.01.03");
            ASSERT_TRUE(SaveLedger(book));  // the save itself never fails for its backup
        }
        EXPECT_EQ(book.backupProblem().empty(), !c.refused) << book.backupProblem();
        std::set<std::string> after;
        for (const auto& e : fs::directory_iterator(fs::canonical(folder)))
            after.insert(e.path().filename().string());
        // Nothing planted was removed, and nothing written where we may not.
        for (const std::string& name : before)
            EXPECT_TRUE(after.count(name)) << name;
        EXPECT_EQ(after.size() - before.size(), c.refused ? 0u : kBackupsKept);
        EXPECT_TRUE(fs::is_empty(elsewhere.path()));
        ASSERT_TRUE(NewLedger(book));
    }
}

TEST_F(Safety, AKillAtAnyStepOfASaveLeavesNoBackupCutShort)
{
    std::vector<const char*> dates(600, "2024.03.04");
    const std::string path = ledger("shop.Aut", dates);
    const std::string oldBytes = readAll(path);
    faults::setBufferSize(16384);
    ASSERT_TRUE(OpenLedger(book, path));
    add("2024.03.05");
    faults::arm(0, faults::Action::Kill);
    {
        // The steps of a whole save, on a copy.
        const std::string probe = dir.file("probe.Aut");
        fs::copy_file(path, probe);
        ASSERT_TRUE(SaveLedgerAs(book, probe));
        ASSERT_TRUE(OpenLedger(book, path));
        add("2024.03.05");
        faults::arm(0, faults::Action::Kill);
        ASSERT_TRUE(SaveLedger(book));
    }
    const std::size_t steps = faults::trace().size();
    faults::disarm();
    ASSERT_GT(steps, 20u);
    // The file size limit cuts the backup off half-way: the program ignores
    // the signal it sends, and the save is refused with no half backup.
    {
        fs::remove_all(dir.file("백업"));
        writeAll(path, oldBytes);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            IgnoreFileSizeSignal();
            struct rlimit limit {static_cast<rlim_t>(oldBytes.size() / 2), static_cast<rlim_t>(oldBytes.size() / 2)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const bool saved = bool(SaveLedger(book));
            _exit(!saved && !book.backupProblem().empty() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(ListBackups(path).empty());
        EXPECT_TRUE(readAll(path) == oldBytes);
    }
    for (std::size_t k = 1; k <= steps; ++k) {
        SCOPED_TRACE("kill at step " + std::to_string(k));
        fs::remove_all(dir.file("백업"));
        writeAll(path, oldBytes);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            faults::arm(static_cast<int>(k), faults::Action::Kill);
            _exit(SaveLedger(book) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        // Whatever stands under a backup's name is the whole old version.
        for (const std::string& b : ListBackups(path))
            EXPECT_TRUE(readAll(b) == oldBytes) << b;
    }
    faults::setBufferSize(0);
}

// --- the scratch table ----------------------------------------------------------------------

TEST_F(Safety, TheScratchTableIsEmptiedWhenGivenBack)
{
    const std::string path = ledger("shop.Aut", {"2024.01.02", "2024.01.03"});
    ASSERT_TRUE(OpenLedger(book, path));
    std::vector<LedgerEntry> rows;
    ASSERT_TRUE(readSnapshot(book.scratchPath(), rows));
    ASSERT_EQ(rows.size(), 2u);
    ReleaseScratchTableFile(book.scratchPath());
    ASSERT_TRUE(readSnapshot(book.scratchPath(), rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_NE(readAll(book.scratchPath()).find("QUILLBOOK TABLE"), std::string::npos);
}

TEST_F(Safety, TablesLeftByCopiesThatDidNotEndNormallyAreEmptied)
{
    ReleaseScratchTableFile(book.scratchPath());
    const std::string temp = dir.path() + "/Temp/";
    const std::vector<LedgerEntry> rows{makeEntry("2024.01.02", "남은 자료", 1000, 100)};
    ASSERT_TRUE(writeSnapshot(temp + "quillbook-3.cds", rows));  // its copy crashed
    ASSERT_TRUE(writeSnapshot(temp + "quillbook-4.cds", rows));  // its copy still runs
    writeAll(temp + "quillbook-3.cds.lock", "");
    writeAll(temp + "quillbook-4.cds.lock", "");
    withLockInChild(temp + "quillbook-4.cds.lock", [&] {
        book.acquireScratchTable(book.programFolder());
        EXPECT_EQ(book.scratchPath(), temp + "quillbook.cds");
        std::vector<LedgerEntry> read;
        ASSERT_TRUE(readSnapshot(temp + "quillbook-3.cds", read));
        EXPECT_TRUE(read.empty());
        ASSERT_TRUE(readSnapshot(temp + "quillbook-4.cds", read));
        EXPECT_EQ(read.size(), 1u);
    });
}

// --- the copy of an unsaved ledger ---------------------------------------------------------

// Kept only with unsaved changes; offered at the next start unless a running
// copy owns it; taken back under its own name while that file exists and no
// other copy holds it, else untitled; always with unsaved changes.
TEST_F(Safety, AnUnsavedLedgerIsKeptAndTakenBack)
{
    const std::string temp = dir.path() + "/Temp/";
    const std::string path = ledger("shop.Aut", {"2024.01.02"});
    ASSERT_TRUE(OpenLedger(book, path));
    KeepUnsavedCopy(book);
    EXPECT_FALSE(fs::exists(UnsavedCopyPath(book)));  // nothing unsaved
    add("2024.03.04");
    KeepUnsavedCopy(book);
    const std::string kept = UnsavedCopyPath(book);
    ASSERT_TRUE(fs::exists(kept));
    // The run ends without a normal close.
    book.releaseScratchTable();
    book.releaseFile();

    // Another copy's leftovers: one whose copy still runs is not ours, an
    // empty one is cleared away.
    const std::vector<LedgerEntry> rows{makeEntry("2024.05.06", "남의 것", 1000, 100)};
    ASSERT_TRUE(writeSnapshot(temp + "quillbook-4.cds.unsaved", rows));
    writeAll(temp + "quillbook-4.cds.lock", "");
    ASSERT_TRUE(writeSnapshot(temp + "quillbook-5.cds.unsaved", {}));
    withLockInChild(temp + "quillbook-4.cds.lock", [&] {
        struct Case {
            const char* name;
            bool fileThere, heldElsewhere;
            std::string restoredName;
        };
        const Case cases[] = {
            {"own name", true, false, path},
            {"file held by another copy", true, true, kUntitledName},
            {"file gone", false, false, kUntitledName},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            LedgerBook next;
            next.acquireScratchTable(book.programFolder());
            ASSERT_TRUE(NewLedger(next));
            std::optional<UnsavedCopy> copy = FindUnsavedCopy(next);
            ASSERT_TRUE(copy);
            EXPECT_EQ(copy->path, kept);
            EXPECT_EQ(copy->name, path);
            EXPECT_EQ(copy->rows.size(), 2u);
            if (!c.fileThere)
                fs::rename(path, path + ".away");
            auto restore = [&] { RestoreUnsavedCopy(next, std::move(*copy)); };
            if (c.heldElsewhere)
                withLockInChild(path, restore);
            else
                restore();
            EXPECT_EQ(next.fileName(), c.restoredName);
            EXPECT_EQ(next.fileLock().held(), c.restoredName == path);
            EXPECT_TRUE(next.isModified());
            EXPECT_EQ(next.TAcunt.rowCount(), 2u);
            if (!c.fileThere)
                fs::rename(path + ".away", path);
            next.releaseFile();
            next.releaseScratchTable();
        }
        DropUnsavedCopy(kept);
        LedgerBook next;
        next.acquireScratchTable(book.programFolder());
        EXPECT_FALSE(FindUnsavedCopy(next));
        EXPECT_FALSE(fs::exists(temp + "quillbook-5.cds.unsaved"));
        EXPECT_TRUE(fs::exists(temp + "quillbook-4.cds.unsaved"));
        next.releaseScratchTable();
    });
}

// --- odd files ------------------------------------------------------------------------------

// What a file that is no whole ledger opens as: a last record cut short is
// left out and said so; records that are only zeros beyond a size (a
// sparse file of gigabytes, zeros after the entries) are refused before
// memory is taken for them.
TEST_F(Safety, OddLedgerFilesAreToldOrRefused)
{
    std::vector<const char*> dates(7000, "2024.05.06");
    const std::string whole = readAll(ledger("whole.Aut", dates));  // over 1 MB
    struct Case {
        const char* name;
        std::string bytes;
        std::uint64_t sparseSize;  // grown to this without writing
        bool opens;
        std::size_t entries;
        std::string said;  // in the notice, or in the refusal
    };
    const Case cases[] = {
        {"whole", whole, 0, true, 7000, ""},
        {"last record cut short", whole.substr(0, whole.size() - 100), 0, true, 6999, "68바이트"},
        {"a sparse file of 2 GB", "", 2ull << 30, false, 0, "0으로만"},
        {"zeros after the entries", whole + std::string(2 << 20, '\0'), 0, false, 0, "끝의 1MB 넘게 0으로만"},
        {"a few empty records at the end", whole + std::string(168 * 10, '\0'), 0, true, 7010, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("odd.Aut");
        writeAll(path, c.bytes);
        if (c.sparseSize)
            ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(c.sparseSize)), 0);
        ASSERT_TRUE(NewLedger(book));
        const IoResult r = OpenLedger(book, path);
        EXPECT_EQ(bool(r), c.opens) << r.message;
        if (c.opens) {
            EXPECT_EQ(book.TAcunt.rowCount(), c.entries);
            EXPECT_EQ(book.openNotice().empty(), c.said.empty()) << book.openNotice();
            EXPECT_NE(book.openNotice().find(c.said), std::string::npos) << book.openNotice();
            if (!c.said.empty()) {
                EXPECT_NE(book.openNotice().find("백업"), std::string::npos) << book.openNotice();
            }
        } else {
            EXPECT_NE(r.message.find(c.said), std::string::npos) << r.message;
            EXPECT_TRUE(book.isUntitled());
        }
        book.setOpenNotice({});
    }
}

// A configuration file that is a named pipe (or any other non-regular file)
// is read as no configuration at once, not waited on.
TEST(OddConfiguration, ANamedPipeAsTheConfigurationIsNotWaitedOn)
{
    TempFolder dir;
    const std::string fifo = dir.file("quillcfg.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        const bool none = !ReadIniValue(fifo, "Setting", "wPath");
        ::_exit(none ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // Writing refuses it too, and it stays a pipe.
    EXPECT_FALSE(WriteIniValue(fifo, "Setting", "wPath", "x"));
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
