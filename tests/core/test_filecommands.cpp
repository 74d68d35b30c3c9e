// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands on a ledger book: New, Open, Save, Save As, Add file,
// with their failures and the scratch table of each running copy.
#include "TestFiles.h"

#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/FileCommands.h"
#include "core/ledger/SnapshotFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <sys/stat.h>

using namespace quill;
namespace fs = std::filesystem;

namespace {

struct Ledger : ::testing::Test {
    TempFolder dir;
    LedgerBook book;
    std::string program;

    void SetUp() override
    {
        program = dir.path() + "/";
        fs::copy_file(QB_TEMPLATE_TABLE, program + kTemplateTableFile);
        setUpBook(book);
    }
    void TearDown() override
    {
        ReleaseScratchTableFile(book.scratchPath());
        SafeFile::failWriteAt(0, 0);
    }
    void setUpBook(LedgerBook& b)
    {
        b.acquireScratchTable(program);
        b.TAcunt.setNewRowHook([](LedgerEntry& e) {
            e.TAG = "N";
            e.CTG = 0;
        });
        ASSERT_TRUE(NewLedger(b));
    }
    static void add(LedgerBook& b, const LedgerEntry& e)
    {
        b.TAcunt.append() = e;
        b.TAcunt.post();
        b.setModified(true);
    }
    static std::vector<LedgerEntry> rows(const WorkingTable& t)
    {
        std::vector<LedgerEntry> out;
        for (std::size_t i = 0; i < t.rowCount(); ++i)
            out.push_back(t.row(i));
        return out;
    }
    // A ledger file with the given entries, written by the program itself.
    std::string fileWith(const std::string& name, const std::vector<LedgerEntry>& entries)
    {
        WorkingTable t;
        t.open();
        for (const LedgerEntry& e : entries)
            t.appendRaw(e);
        std::string path = dir.file(name);
        EXPECT_TRUE(WriteLedgerFile(path, t));
        return path;
    }
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind(".quillbook-", 0) == 0)
                out.push_back(e.path().string());
        return out;
    }
};

LedgerEntry entry(const char* iday, const char* jkyu, double out = 100)
{
    return makeEntry(iday, jkyu, 0, 0, out, out / 10);
}

} // namespace

TEST_F(Ledger, NewEmptiesTheLedgerAndStartsAfreshFromADamagedScratchTable)
{
    add(book, entry("2024.01.01", "a"));
    book.rename(dir.file("x.Aut"));
    writeAll(book.scratchPath(), "not a table");
    ASSERT_TRUE(NewLedger(book));
    EXPECT_TRUE(book.isUntitled());
    EXPECT_FALSE(book.isModified());
    EXPECT_TRUE(book.TAcunt.isOpen());
    EXPECT_EQ(book.TAcunt.rowCount(), 0u);
    EXPECT_FALSE(book.fAcunt.isOpen());
}

TEST_F(Ledger, SaveWritesEveryEntryAndOpenReadsThemBack)
{
    LedgerEntry odd = entry("2023.05.05", "kept marks");
    odd.TAG = "Z";
    odd.CTG = -42;
    odd.INMNY = 0.03125;  // stored as 312 ten-thousandths
    add(book, entry("2024.03.01", "mar"));
    add(book, odd);
    add(book, entry("2024.01.01", "jan"));
    book.TAcunt.setFilter(LedgerFilter::fromControls(0, "2024", 3, "03"));
    book.TAcunt.setFiltered(true);
    ASSERT_EQ(book.TAcunt.recordCount(), 1);  // the filter hides two

    const std::string path = dir.file("book.Aut");
    ASSERT_TRUE(SaveLedgerAs(book, path));
    EXPECT_EQ(book.fileName(), path);
    EXPECT_FALSE(book.isModified());
    EXPECT_EQ(fs::file_size(path), 3 * AutRecord::kSize);
    EXPECT_FALSE(book.fAcunt.isOpen());
    const std::vector<LedgerEntry> saved = rows(book.TAcunt);

    ASSERT_TRUE(NewLedger(book));
    ASSERT_TRUE(OpenLedger(book, path));
    EXPECT_EQ(book.fileName(), path);
    EXPECT_FALSE(book.TAcunt.filtered());  // Open switches the filter off
    EXPECT_EQ(book.TAcunt.recordCount(), 3);
    std::vector<LedgerEntry> read = rows(book.TAcunt);
    odd.INMNY = 0.0312;
    EXPECT_EQ(read[0], odd);
    EXPECT_EQ(read[1], saved[1]);
    EXPECT_EQ(read[2], saved[2]);
    EXPECT_FALSE(book.fAcunt.isOpen());
}

TEST_F(Ledger, EmptyLedgerSavesAsAnEmptyFileAndOpensEmpty)
{
    EXPECT_FALSE(HasEntriesToSave(book));
    const std::string path = dir.file("empty.Aut");
    book.rename(path);
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_EQ(fs::file_size(path), 0u);
    add(book, entry("2024.01.01", "a"));
    ASSERT_TRUE(OpenLedger(book, path));
    EXPECT_EQ(book.TAcunt.rowCount(), 0u);
    EXPECT_FALSE(book.isModified());
}

TEST_F(Ledger, SaveAsNeedsAnEntryButNotAVisibleOne)
{
    add(book, entry("2020.01.01", "hidden"));
    book.TAcunt.setFilter(LedgerFilter::fromControls(0, "2024", 0, "1년"));
    book.TAcunt.setFiltered(true);
    EXPECT_TRUE(book.TAcunt.isEmpty());
    EXPECT_TRUE(HasEntriesToSave(book));
}

TEST_F(Ledger, GaugeFollowsTheWritingAndReadingRules)
{
    for (int i = 0; i < 205; ++i)
        add(book, entry("2024.01.01", "x"));
    std::vector<int> gauge;
    int shows = 0;
    FileProgress p{[&] { ++shows; }, [&](int g) { gauge.push_back(g); }};
    const std::string path = dir.file("g.Aut");
    ASSERT_TRUE(SaveLedgerAs(book, path, p));
    ASSERT_EQ(gauge.size(), 206u);
    EXPECT_EQ(shows, 1);
    for (int i = 0; i < 205; ++i)
        EXPECT_EQ(gauge[static_cast<std::size_t>(i)], i * 100 / 205);
    EXPECT_EQ(gauge.back(), 100);

    gauge.clear();
    ASSERT_TRUE(OpenLedger(book, path, p));
    ASSERT_EQ(gauge.size(), 206u);
    EXPECT_EQ(shows, 2);
    for (int i = 0; i < 205; ++i)
        EXPECT_EQ(gauge[static_cast<std::size_t>(i)], i % 100);
    EXPECT_EQ(gauge.back(), 100);
}

TEST_F(Ledger, SaveFailingAtAnyWriteLeavesTheOldFileByteForByte)
{
    // Large enough for several buffered writes of both the scratch table and
    // the ledger file.
    for (int i = 0; i < 9000; ++i)
        add(book, entry(i % 2 ? "2024.02.02" : "2024.01.01", "old"));
    const std::string path = dir.file("keep.Aut");
    ASSERT_TRUE(SaveLedgerAs(book, path));
    const std::string before = readAll(path);
    add(book, entry("2024.03.03", "new"));
    ASSERT_TRUE(book.isModified());

    bool failedWhileWritingRecords = false;
    for (int k = 1;; ++k) {
        ASSERT_LT(k, 50);
        int lastGauge = -1;
        SafeFile::failWriteAt(k, ENOSPC);
        IoResult r = SaveLedger(book, {{}, [&](int g) { lastGauge = g; }});
        SafeFile::failWriteAt(0, 0);
        if (r)
            break;  // k went past the last write
        EXPECT_EQ(r.message, IoResult::fromErrno(ENOSPC).message);
        EXPECT_EQ(readAll(path), before) << "write " << k;
        EXPECT_TRUE(book.isModified());
        EXPECT_FALSE(book.fAcunt.isOpen());
        EXPECT_TRUE(leftovers().empty());
        failedWhileWritingRecords |= lastGauge > 50;
    }
    EXPECT_TRUE(failedWhileWritingRecords);
    EXPECT_EQ(fs::file_size(path), 9001 * AutRecord::kSize);
    EXPECT_FALSE(book.isModified());
}

TEST_F(Ledger, FailedSaveAsKeepsTheOldName)
{
    add(book, entry("2024.01.01", "a"));
    IoResult r = SaveLedgerAs(book, dir.file("no/such/folder/x.Aut"));
    EXPECT_FALSE(r);
    EXPECT_TRUE(book.isUntitled());
    EXPECT_TRUE(book.isModified());
}

TEST_F(Ledger, FailedOpenGivesThePreviousLedgerBack)
{
    add(book, entry("2024.01.01", "a"));
    add(book, entry("2023.01.01", "b"));
    const std::string name = dir.file("mine.Aut");
    book.rename(name);
    const LedgerFilter filter = LedgerFilter::fromControls(2, "2024", 0, "1년");
    book.TAcunt.setFilter(filter);
    book.TAcunt.setFiltered(true);
    const auto before = rows(book.TAcunt);

    fs::create_directory(dir.file("folder.Aut"));
    for (const std::string& bad : {dir.file("missing.Aut"), dir.file("folder.Aut")}) {
        int shows = 0;
        IoResult r = OpenLedger(book, bad, {[&] { ++shows; }, {}});
        EXPECT_FALSE(r) << bad;
        EXPECT_EQ(book.fileName(), name);
        EXPECT_TRUE(book.isModified());
        EXPECT_EQ(rows(book.TAcunt), before);
        EXPECT_TRUE(book.TAcunt.filtered());
        EXPECT_EQ(book.TAcunt.filter(), filter);
        EXPECT_EQ(book.TAcunt.recordCount(), 1);
        EXPECT_FALSE(book.fAcunt.isOpen());
        EXPECT_LE(shows, 1);
    }
    EXPECT_EQ(OpenLedger(book, dir.file("missing.Aut")).message, "File not found");
    // Saving afterwards writes the kept ledger, never an empty one.
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_EQ(fs::file_size(name), 2 * AutRecord::kSize);
}

TEST_F(Ledger, AddFileMergesTheUnsavedEditsKeepingTheFilter)
{
    const std::string a = fileWith("a.Aut", {entry("2024.01.01", "a1"), entry("2024.02.01", "a2")});
    const std::string b = fileWith("b.Aut", {entry("2024.01.15", "b1"), entry("2019.01.01", "b-old")});
    ASSERT_TRUE(OpenLedger(book, a));
    add(book, entry("2024.03.01", "typed"));  // only in the working ledger
    book.TAcunt.moveTo(0);
    book.TAcunt.deleteCurrent();              // a1 deleted, unsaved
    const LedgerFilter filter = LedgerFilter::fromControls(0, "2024", 0, "1년");
    book.TAcunt.setFilter(filter);
    book.TAcunt.setFiltered(true);
    book.setModified(false);

    ASSERT_TRUE(AddLedgerFile(book, b));
    std::string names;
    for (const LedgerEntry& e : rows(book.TAcunt))
        names += e.JKYU.str() + ";";
    EXPECT_EQ(names, "b-old;b1;a2;typed;");
    EXPECT_TRUE(book.isModified());
    EXPECT_EQ(book.fileName(), a);
    EXPECT_TRUE(book.TAcunt.filtered());
    EXPECT_EQ(book.TAcunt.recordCount(), 3);  // b-old stays hidden
    EXPECT_FALSE(book.fAcunt.isOpen());
}

TEST_F(Ledger, AddFileOfTheOpenFileDoublesEveryEntry)
{
    const std::string a = fileWith("a.Aut", {entry("2024.01.01", "a1"), entry("2024.02.01", "a2")});
    ASSERT_TRUE(OpenLedger(book, a));
    ASSERT_TRUE(AddLedgerFile(book, a));
    EXPECT_EQ(book.TAcunt.rowCount(), 4u);
}

TEST_F(Ledger, FailedAddFileChangesNothing)
{
    add(book, entry("2024.01.01", "a"));
    book.setModified(false);
    EXPECT_FALSE(AddLedgerFile(book, dir.file("missing.Aut")));
    EXPECT_EQ(book.TAcunt.rowCount(), 1u);
    EXPECT_FALSE(book.isModified());
    EXPECT_FALSE(book.fAcunt.isOpen());
}

TEST_F(Ledger, ANamedPipeWithoutWriterNeverHangsOpenOrAddFile)
{
    const std::string pipe = dir.file("pipe.Aut");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    // Run in a thread of its own, so that a hang fails the test instead of
    // stopping the run; a blocked thread is left behind on purpose.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([this, pipe, done] {
        OpenLedger(book, pipe);
        AddLedgerFile(book, pipe);
        done->set_value();
    }).detach();
    ASSERT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(book.TAcunt.rowCount(), 0u);
}

TEST_F(Ledger, ReadOnlyLedgerFilesOpenAndMerge)
{
    const std::string a = fileWith("ro.Aut", {entry("2024.01.01", "a1")});
    const std::string before = readAll(a);
    ASSERT_EQ(chmod(a.c_str(), 0444), 0);
    ASSERT_TRUE(OpenLedger(book, a));
    ASSERT_TRUE(AddLedgerFile(book, a));
    EXPECT_EQ(book.TAcunt.rowCount(), 2u);
    EXPECT_EQ(readAll(a), before);
    EXPECT_EQ(fs::status(a).permissions() & fs::perms::all, fs::perms(0444));
}

TEST_F(Ledger, NotificationsAreResumedOnEveryPath)
{
    int notes = 0;
    book.TAcunt.setDataChanged([&] { ++notes; });
    EXPECT_FALSE(OpenLedger(book, dir.file("folder")));  // fails before anything
    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(OpenLedger(book, dir.file("folder")));  // fails while reading
    EXPECT_FALSE(AddLedgerFile(book, dir.file("folder")));
    EXPECT_FALSE(book.TAcunt.controlsDisabled());
    const std::string a = fileWith("a.Aut", {entry("2024.01.01", "a1")});
    notes = 0;
    ASSERT_TRUE(OpenLedger(book, a));
    EXPECT_EQ(notes, 1);  // one change seen by the views
    EXPECT_FALSE(book.TAcunt.controlsDisabled());
}

TEST_F(Ledger, EachRunningCopyHasItsOwnScratchTable)
{
    LedgerBook second;
    setUpBook(second);
    EXPECT_NE(second.scratchPath(), book.scratchPath());
    EXPECT_EQ(book.scratchPath(), program + kScratchTableFile);

    const std::string a = fileWith("a.Aut", {entry("2024.01.01", "a1"), entry("2024.02.01", "a2")});
    ASSERT_TRUE(OpenLedger(book, a));
    add(book, entry("2024.03.01", "typed"));
    // The second copy starts a new ledger and merges another file meanwhile.
    ASSERT_TRUE(NewLedger(second));
    const std::string b = fileWith("b.Aut", {entry("2024.05.05", "b1")});
    ASSERT_TRUE(AddLedgerFile(second, b));
    ASSERT_TRUE(SaveLedger(book));
    EXPECT_EQ(fs::file_size(a), 3 * AutRecord::kSize);
    ASSERT_TRUE(AddLedgerFile(book, b));
    EXPECT_EQ(book.TAcunt.rowCount(), 4u);

    // A copy that ends gives its scratch table to the next one.
    const std::string freed = second.scratchPath();
    ReleaseScratchTableFile(freed);
    LedgerBook third;
    setUpBook(third);
    EXPECT_EQ(third.scratchPath(), freed);
    ReleaseScratchTableFile(third.scratchPath());
}

// Save writes the ledger file straight from the working ledger: the same
// bytes the scratch-table path gives (IDAY order, equal dates in table
// order), also for rows out of date order after a put-back, without moving
// the cursor or reordering the table; the scratch table holds the rows in
// the table's own order.
TEST_F(Ledger, SaveFromTheWorkingLedgerWritesWhatTheScratchPathWrote)
{
    for (bool putBackOutOfOrder : {false, true}) {
        SCOPED_TRACE(putBackOutOfOrder ? "out of order" : "in order");
        ASSERT_TRUE(NewLedger(book));
        for (int i = 0; i < 700; ++i)
            add(book, entry(i % 3 ? "2024.02.02" : (i % 2 ? "" : "2024.01.31"), std::to_string(i).c_str()));
        if (putBackOutOfOrder)
            book.TAcunt.insertRowAt(5, entry("2024.12.31", "late"));
        book.TAcunt.moveTo(17);
        const auto before = rows(book.TAcunt);
        const std::size_t cursorRow = static_cast<std::size_t>(book.TAcunt.bookmark().row);

        // What the scratch-table path writes: the rows through a snapshot,
        // ordered by the staging table.
        WorkingTable reference;
        reference.replaceRows(before);
        const std::string want = dir.file("want.Aut");
        ASSERT_TRUE(WriteLedgerFile(want, reference));

        const std::string path = dir.file("direct.Aut");
        ASSERT_TRUE(SaveLedgerAs(book, path));
        EXPECT_EQ(readAll(path), readAll(want));
        EXPECT_EQ(rows(book.TAcunt), before);
        EXPECT_EQ(static_cast<std::size_t>(book.TAcunt.bookmark().row), cursorRow);
        std::vector<LedgerEntry> scratch;
        ASSERT_TRUE(readSnapshot(book.scratchPath(), scratch));
        EXPECT_EQ(scratch, before);
        EXPECT_FALSE(book.fAcunt.isOpen());

        // Open takes the staging rows over: the file's entries in date order.
        ASSERT_TRUE(OpenLedger(book, path));
        EXPECT_EQ(rows(book.TAcunt), rows(reference));
        ASSERT_TRUE(readSnapshot(book.scratchPath(), scratch));
        EXPECT_EQ(scratch.size(), before.size());
        EXPECT_EQ(book.fAcunt.rowCount(), 0u);
    }
}

// Add file starts the merge from the working ledger itself rather than from
// the scratch table read back: the same merged rows (the working ledger's
// in date order, then the file's, ordered stably), also when the working
// ledger is out of date order after a put-back; the scratch table holds the
// merge.
TEST_F(Ledger, AddFileFromTheWorkingLedgerMergesAsTheScratchPathDid)
{
    const std::string other =
        fileWith("other.Aut", {entry("2024.01.31", "o1"), entry("", "o2"), entry("2024.01.31", "o3")});
    for (bool putBackOutOfOrder : {false, true}) {
        SCOPED_TRACE(putBackOutOfOrder ? "out of order" : "in order");
        ASSERT_TRUE(NewLedger(book));
        for (int i = 0; i < 300; ++i)
            add(book, entry(i % 2 ? "2024.01.31" : "2024.02.01", std::to_string(i).c_str()));
        if (putBackOutOfOrder)
            book.TAcunt.insertRowAt(3, entry("2025.01.01", "late"));

        WorkingTable reference;
        reference.replaceRows(rows(book.TAcunt));
        reference.orderBy("IDAY");
        ASSERT_TRUE(ReadLedgerFile(other, reference));
        const auto merged = rows(reference);  // the staging rows written to the scratch table
        reference.orderBy("IDAY");

        ASSERT_TRUE(AddLedgerFile(book, other));
        EXPECT_EQ(rows(book.TAcunt), rows(reference));
        std::vector<LedgerEntry> scratch;
        ASSERT_TRUE(readSnapshot(book.scratchPath(), scratch));
        EXPECT_EQ(scratch, merged);
        EXPECT_FALSE(book.fAcunt.isOpen());
    }
}

namespace {

// What is no ledger file is refused before anything is read or reserved,
// the open ledger stays, and the report keeps the failure's own text with a
// Korean line under it that names the file.
TEST_F(Ledger, WhatIsNoLedgerIsRefusedAndTheReportSaysWhyInKorean)
{
    struct Case {
        const char* name;
        std::string path;
        const char* first;   // the report's first line
        const char* korean;  // a part of the second
    };
    const std::string folder = dir.file("folder.Aut");
    fs::create_directory(folder);
    const std::string fifo = dir.file("fifo.Aut");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/null", dir.file("null.Aut"));
    // A terabyte that takes no room on disk: too big for any memory here.
    // Its last record holds data (all zeros would be refused as no ledger).
    const std::string sparse = dir.file("sparse.Aut");
    writeAll(sparse, "");
    ASSERT_EQ(::truncate(sparse.c_str(), off_t(1) << 40), 0);
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CLOEXEC);
        const std::string last(168, 'x');
        ASSERT_EQ(::pwrite(fd, last.data(), last.size(), (off_t(1) << 40) - 168), 168);
        ::close(fd);
    }
    const Case cases[] = {
        {"a folder", folder, "I/O error 21.", "폴더는 장부 파일로 열 수 없습니다: "},
        {"a named pipe", fifo, "a device or pipe, not a ledger file.", "장치나 파이프는"},
        {"a link to a device", dir.file("null.Aut"), "a device or pipe, not a ledger file.", "장치나 파이프는"},
        {"a device", "/dev/zero", "a device or pipe, not a ledger file.", "장치나 파이프는"},
        {"larger than the memory", sparse, "Out of memory.", "메모리"},
        {"missing", dir.file("missing.Aut"), "File not found.", "파일을 찾을 수 없습니다"},
    };
    const std::string kept = fileWith("kept.Aut", {entry("2024.01.01", "있던 것")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(OpenLedger(book, kept));
        for (bool add : {false, true}) {
            const IoResult r = add ? AddLedgerFile(book, c.path) : OpenLedger(book, c.path);
            ASSERT_FALSE(r);
            const std::string report = FileErrorReport(r, c.path, FileAction::Read);
            const std::size_t nl = report.find('\n');
            ASSERT_NE(nl, std::string::npos) << report;
            EXPECT_EQ(report.substr(0, nl), c.first);
            EXPECT_NE(report.find(c.korean, nl), std::string::npos) << report;
            EXPECT_NE(report.find(c.path, nl), std::string::npos) << report;
            EXPECT_EQ(book.fileName(), kept);
            EXPECT_EQ(book.TAcunt.rowCount(), 1u);
        }
    }
    // Nor is anything saved over a pipe or a device: the node stays.
    for (const std::string& node : {fifo, dir.file("null.Aut")}) {
        const IoResult r = SaveLedgerAs(book, node);
        EXPECT_FALSE(r);
        EXPECT_EQ(r.message, "a device or pipe, not a ledger file");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(dir.file("null.Aut")));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A library's own text never stands alone.
    const IoResult library = IoResult::failure(IoKind::Library, "std::bad_alloc", ENOMEM);
    EXPECT_EQ(FileErrorReport(library, kept, FileAction::Read).find("std::"), std::string::npos);
    const std::string save = FileErrorReport(IoResult::fromErrno(EIO), kept, FileAction::Save);
    EXPECT_EQ(save, "I/O error 5.\n디스크 입출력 오류로 저장하지 못했습니다. 원래 파일은 그대로입니다: " + kept);
}

} // namespace

namespace {

// A full private scratch folder is told as what it is: the folder named,
// what to do there, and for Open no word of saving.
TEST_F(Ledger, AFullScratchFolderIsNamedWhateverTheCommand)
{
    const std::string folder = fs::path(book.scratchPath()).parent_path().string();
    const std::string ledger = fileWith("full.Aut", {entry("2024.01.01", "있던 것")});
    struct Case {
        const char* name;
        FileAction action;
        std::function<IoResult()> run;
    };
    const Case cases[] = {
        {"open", FileAction::Read, [&] { return OpenLedger(book, ledger); }},
        {"add file", FileAction::Read, [&] { return AddLedgerFile(book, ledger); }},
        {"new over a damaged table", FileAction::Start,
         [&] {
             writeAll(book.scratchPath(), "not a table");
             return NewLedger(book);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(NewLedger(book));
        SafeFile::failWriteAt(1, ENOSPC);
        const IoResult r = c.run();
        SafeFile::failWriteAt(0, 0);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.kind, IoKind::NoSpace);
        EXPECT_EQ(r.path, folder);
        const std::string report = FileErrorReport(r, c.action == FileAction::Start ? book.scratchPath() : ledger, c.action);
        EXPECT_EQ(report.rfind("Disk full.\n", 0), 0u) << report;
        EXPECT_NE(report.find("꽉 찬 폴더: " + folder), std::string::npos) << report;
        EXPECT_NE(report.find("공간을 비운 뒤"), std::string::npos) << report;
        EXPECT_EQ(report.find("저장하지"), std::string::npos) << report;
    }
}

} // namespace
