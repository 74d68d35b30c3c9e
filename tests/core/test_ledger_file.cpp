// SPDX-License-Identifier: GPL-3.0-or-later
// The "*.Aut" ledger file: exact records, damaged files, safe writing.
#include "TestFiles.h"

#include "core/io/SafeFile.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/Money.h"
#include "core/ledger/WorkingTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quill;

namespace {

std::vector<LedgerEntry> readEntries(const std::string& path, IoResult* result = nullptr)
{
    WorkingTable t;
    IoResult r = ReadLedgerFile(path, t);
    if (result)
        *result = r;
    std::vector<LedgerEntry> out;
    for (std::size_t i = 0; i < t.rowCount(); ++i)
        out.push_back(t.row(i));
    return out;
}

IoResult writeEntries(const std::string& path, const std::vector<LedgerEntry>& rows)
{
    WorkingTable t;
    for (const LedgerEntry& e : rows)
        t.appendRaw(e);
    t.open();
    return WriteLedgerFile(path, t);
}

LedgerEntry fullWidthEntry()
{
    LedgerEntry e = makeEntry("2024.03.15", "", 1234.5, 123.4567, -1, 0, 0.0312, 0.0938);
    e.JKYU = std::string(45, 'J');
    e.SANGHO = std::string(34, 'S') + "Z";
    e.ETC = std::string(15, 'E');
    e.TAG = "X";
    e.CTG = -123456789;
    return e;
}

} // namespace

TEST(AutRecord, LayoutOfOneRecord)
{
    AutRecord rec;
    ASSERT_TRUE(rec.compose(fullWidthEntry()));
    const auto& b = rec.bytes;
    EXPECT_EQ(b[0], 10);
    EXPECT_EQ(std::memcmp(&b[1], "2024.03.15", 10), 0);
    EXPECT_EQ(b[11], 45);
    EXPECT_EQ(b[57], 35);
    EXPECT_EQ(b[144], 15);
    EXPECT_EQ(b[160], 1);
    EXPECT_EQ(b[161], 'X');
    EXPECT_EQ(rec.storedAmount(0), 12345000);
    EXPECT_EQ(rec.storedAmount(1), 1234567);
    EXPECT_EQ(rec.storedAmount(2), -10000);
    EXPECT_EQ(rec.storedAmount(4), 312);
    EXPECT_EQ(rec.storedAmount(5), 938);
    // Exact halves of a ten-thousandth go to the even neighbour.
    LedgerEntry halves = makeEntry("2024.03.15", "", 0.03125, 0.09375);
    ASSERT_TRUE(rec.compose(halves));
    EXPECT_EQ(rec.storedAmount(0), 312);
    EXPECT_EQ(rec.storedAmount(1), 938);
    ASSERT_TRUE(rec.compose(fullWidthEntry()));
    // -1 as little-endian 64-bit
    EXPECT_EQ(b[112], 0xF0);
    EXPECT_EQ(b[119], 0xFF);
    EXPECT_EQ(rec.storedCtg(), -123456789);
    EXPECT_EQ(rec.toEntry(), fullWidthEntry());
}

TEST(AutRecord, DamagedLengthsTakeAtMostTheCapacity)
{
    AutRecord rec;
    ASSERT_TRUE(rec.compose(fullWidthEntry()));
    rec.bytes[0] = 200;    // IDAY length byte damaged
    rec.bytes[160] = 255;  // TAG
    LedgerEntry e = rec.toEntry();
    EXPECT_EQ(e.IDAY.view(), "2024.03.15");
    EXPECT_EQ(e.TAG.view(), "X");
}

TEST(AutRecord, TextEndsAtFirstZeroByte)
{
    AutRecord rec;
    ASSERT_TRUE(rec.compose(fullWidthEntry()));
    rec.bytes[12 + 3] = 0;
    EXPECT_EQ(rec.toEntry().JKYU.view(), "JJJ");
}

TEST(AutRecord, MeaninglessBytesAreIgnored)
{
    AutRecord a, b;
    LedgerEntry e = makeEntry("2024.01.02", "커피", 0, 0, 5000, 500);
    ASSERT_TRUE(a.compose(e));
    b.bytes.fill(0xA5);  // garbage in every gap and behind every text
    ASSERT_TRUE(b.compose(e));
    EXPECT_NE(a.bytes, b.bytes);
    EXPECT_EQ(a.toEntry(), b.toEntry());
}

TEST(AutRecord, DecodesAnyBytesAsTheTableStoresTexts)
{
    // Random records, damaged length bytes and zero bytes inside texts
    // included: every text as FixedText::assign keeps it (cut at the
    // capacity and at the first zero, zeros behind), every amount divided.
    std::uint64_t x = 0x9E3779B97F4A7C15ULL;
    auto next = [&] { return x ^= x << 13, x ^= x >> 7, x ^= x << 17; };
    for (int k = 0; k < 5000; ++k) {
        AutRecord rec;
        for (auto& b : rec.bytes)
            b = static_cast<unsigned char>(next() % 4 == 0 ? 0 : next());
        LedgerEntry want;
        want.IDAY.assign(rec.storedText(AutRecord::IDAY));
        want.JKYU.assign(rec.storedText(AutRecord::JKYU));
        want.SANGHO.assign(rec.storedText(AutRecord::SANGHO));
        want.ETC.assign(rec.storedText(AutRecord::ETC));
        want.TAG.assign(rec.storedText(AutRecord::TAG));
        for (int f = 0; f < kMoneyFieldCount; ++f)
            setMoneyValue(want, f, fromTenThousandthsExtended(rec.storedAmount(f)));
        want.CTG = rec.storedCtg();
        const LedgerEntry got = rec.toEntry();
        ASSERT_EQ(got, want) << k;
        ASSERT_EQ(std::memcmp(got.JKYU.data, want.JKYU.data, sizeof want.JKYU.data), 0) << k;
        ASSERT_EQ(std::memcmp(got.IDAY.data, want.IDAY.data, sizeof want.IDAY.data), 0) << k;
    }
}

TEST(LedgerFile, RoundTripIsExact)
{
    TempFolder dir;
    std::vector<LedgerEntry> rows = {fullWidthEntry(), makeEntry("2023.12.31", "\xB0\xA1", 0, 0, 500, 50),
                                     makeEntry("    .  .  ", "blank date", -7, 0)};
    ASSERT_TRUE(writeEntries(dir.file("a.Aut"), rows));
    EXPECT_EQ(readAll(dir.file("a.Aut")).size(), 3 * 168u);
    std::vector<LedgerEntry> back = readEntries(dir.file("a.Aut"));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], rows[2]);  // written in date order: blanks sort first
    EXPECT_EQ(back[1], rows[1]);
    EXPECT_EQ(back[2], rows[0]);
}

TEST(LedgerFile, SizesThatAreNotWholeRecords)
{
    TempFolder dir;
    ASSERT_TRUE(writeEntries(dir.file("two.Aut"), {makeEntry("2024.01.01", "a", 1, 0), makeEntry("2024.01.02", "b", 2, 0)}));
    const std::string two = readAll(dir.file("two.Aut"));
    for (std::size_t extra : {0u, 1u, 100u, 167u}) {
        writeAll(dir.file("t.Aut"), two + std::string(extra, '\x7F'));
        IoResult r;
        EXPECT_EQ(readEntries(dir.file("t.Aut"), &r).size(), 2u) << extra;
        EXPECT_TRUE(r) << r.message;
    }
    writeAll(dir.file("short.Aut"), two.substr(0, 167));
    EXPECT_EQ(readEntries(dir.file("short.Aut")).size(), 0u);
    writeAll(dir.file("zero.Aut"), "");
    IoResult r;
    EXPECT_TRUE(readEntries(dir.file("zero.Aut"), &r).empty());
    EXPECT_TRUE(r);
}

TEST(LedgerFile, EmptyLedgerWritesZeroBytes)
{
    TempFolder dir;
    writeAll(dir.file("old.Aut"), "previous content");
    ASSERT_TRUE(writeEntries(dir.file("old.Aut"), {}));
    EXPECT_EQ(readAll(dir.file("old.Aut")), "");
}

TEST(LedgerFile, FailuresCarryTheirTexts)
{
    TempFolder dir;
    IoResult r;
    readEntries(dir.file("missing.Aut"), &r);
    EXPECT_EQ(r.message, "File not found");
    readEntries(dir.path(), &r);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message.rfind("I/O error ", 0), 0u) << r.message;
    EXPECT_EQ(writeEntries(dir.file("no/such/folder.Aut"), {}).message, "File not found");
}

TEST(LedgerFile, ReadOnlyFileOpensNormally)
{
    TempFolder dir;
    ASSERT_TRUE(writeEntries(dir.file("ro.Aut"), {makeEntry("2024.01.01", "a", 1, 0)}));
    chmod(dir.file("ro.Aut").c_str(), 0444);
    IoResult r;
    EXPECT_EQ(readEntries(dir.file("ro.Aut"), &r).size(), 1u);
    EXPECT_TRUE(r) << r.message;
}

TEST(LedgerFile, OutOfRangeAmountLeavesTheFileAsItWas)
{
    TempFolder dir;
    writeAll(dir.file("keep.Aut"), "old bytes");
    LedgerEntry bad = makeEntry("2024.01.01", "too big", 9.3e14, 0);
    IoResult r = writeEntries(dir.file("keep.Aut"), {makeEntry("2023.01.01", "ok", 1, 0), bad});
    EXPECT_EQ(r.message, "Invalid floating point operation");
    EXPECT_EQ(readAll(dir.file("keep.Aut")), "old bytes");
    EXPECT_FALSE(writeEntries(dir.file("new.Aut"), {bad}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.Aut")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
}

TEST(LedgerFile, WriteFailurePartWayKeepsThePreviousFile)
{
    TempFolder dir;
    std::vector<LedgerEntry> many;
    for (int i = 0; i < 20000; ++i)  // several buffers' worth
        many.push_back(makeEntry("2024.05.05", "row", i, 0));
    ASSERT_TRUE(writeEntries(dir.file("big.Aut"), many));
    const std::string before = readAll(dir.file("big.Aut"));
    for (int err : {ENOSPC, EIO}) {
        SafeFile::failWriteAt(2, err);
        many.push_back(makeEntry("2024.06.06", "new", 1, 0));
        IoResult r = writeEntries(dir.file("big.Aut"), many);
        EXPECT_EQ(r.message, err == ENOSPC ? "Disk full" : "I/O error " + std::to_string(EIO));
        EXPECT_EQ(readAll(dir.file("big.Aut")), before);
    }
    SafeFile::failWriteAt(0, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(LedgerFile, FileSizeLimitIsReportedAndKeepsThePreviousFile)
{
    TempFolder dir;
    const std::string path = dir.file("limit.Aut");
    ASSERT_TRUE(writeEntries(path, {makeEntry("2024.01.01", "old", 1, 0)}));
    const std::string before = readAll(path);
    std::vector<LedgerEntry> many;
    for (int i = 0; i < 20000; ++i)
        many.push_back(makeEntry("2024.05.05", "row", i, 0));
    // In a child: the limit would otherwise kill the test program itself.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        IgnoreFileSizeSignal();  // as every program does at its start
        struct rlimit lim{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        IoResult r = writeEntries(path, many);
        _exit(!r && r.message == "File too large" ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
}

TEST(LedgerFile, ReplacingKeepsPermissions)
{
    TempFolder dir;
    writeAll(dir.file("p.Aut"), "");
    chmod(dir.file("p.Aut").c_str(), 0640);
    ASSERT_TRUE(writeEntries(dir.file("p.Aut"), {makeEntry("2024.01.01", "a", 1, 0)}));
    struct stat st;
    ASSERT_EQ(stat(dir.file("p.Aut").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(LedgerFile, ProgressStepsFollowTheLoops)
{
    TempFolder dir;
    WorkingTable t;
    for (int i = 0; i < 4; ++i)
        t.appendRaw(makeEntry("2024.01.01", "a", i, 0));
    t.open();
    std::vector<std::pair<std::size_t, std::size_t>> steps;
    ASSERT_TRUE(WriteLedgerFile(dir.file("s.Aut"), t, [&](std::size_t i, std::size_t n) { steps.emplace_back(i, n); }));
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps.front(), std::make_pair(std::size_t(0), std::size_t(4)));
    EXPECT_EQ(steps.back(), std::make_pair(std::size_t(3), std::size_t(4)));
    WorkingTable back;
    int reads = 0;
    ASSERT_TRUE(ReadLedgerFile(dir.file("s.Aut"), back, [&] { ++reads; }));
    EXPECT_EQ(reads, 4);
}
