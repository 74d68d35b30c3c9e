// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/SnapshotFile.h"

#include "core/io/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

constexpr char kMagic[] = "QUILLBOOK TABLE 1\n";
constexpr char kFields[] = "IDAY JKYU SANGHO INMNY INVAT OTMNY OTVAT JSMNY JSVAT ETC TAG CTG\n";
constexpr std::size_t kRecordSize = 11 + 46 + 36 + 48 + 16 + 2 + 4;

std::string header(std::size_t count)
{
    return std::string(kMagic) + kFields + "ROWS " + std::to_string(count) + "\n";
}

template <std::size_t N>
char* putText(char* p, const FixedText<N>& t)
{
    *p++ = static_cast<char>(t.len);
    std::memcpy(p, t.data, N);
    return p + N;
}

template <std::size_t N>
const char* getText(const char* p, FixedText<N>& t)
{
    std::size_t n = static_cast<unsigned char>(*p++);
    t.assign(std::string_view(p, n < N ? n : N));
    return p + N;
}

char* putDouble(char* p, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        *p++ = static_cast<char>(bits >> (8 * i));
    return p;
}

const char* getDouble(const char* p, double& v)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    std::memcpy(&v, &bits, 8);
    return p + 8;
}

void encode(const LedgerEntry& e, char* p)
{
    p = putText(p, e.IDAY);
    p = putText(p, e.JKYU);
    p = putText(p, e.SANGHO);
    for (int f = 0; f < kMoneyFieldCount; ++f)
        p = putDouble(p, moneyValue(e, f));
    p = putText(p, e.ETC);
    p = putText(p, e.TAG);
    auto ctg = static_cast<std::uint32_t>(e.CTG);
    for (int i = 0; i < 4; ++i)
        *p++ = static_cast<char>(ctg >> (8 * i));
}

void decode(const char* p, LedgerEntry& e)
{
    p = getText(p, e.IDAY);
    p = getText(p, e.JKYU);
    p = getText(p, e.SANGHO);
    for (int f = 0; f < kMoneyFieldCount; ++f) {
        double v;
        p = getDouble(p, v);
        setMoneyValue(e, f, v);
    }
    p = getText(p, e.ETC);
    p = getText(p, e.TAG);
    std::uint32_t ctg = 0;
    for (int i = 0; i < 4; ++i)
        ctg |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    e.CTG = static_cast<std::int32_t>(ctg);
}

} // namespace

std::string emptySnapshotHeader() { return header(0); }

SnapshotWriter::SnapshotWriter(const std::string& path, std::size_t rows)
    : file_(path, SafeFile::Durability::Unsynced), expected_(rows)
{
}

IoResult SnapshotWriter::open()
{
    if (IoResult r = file_.open(); !r)
        return r;
    return file_.write(header(expected_));
}

IoResult SnapshotWriter::add(const LedgerEntry& e)
{
    char rec[kRecordSize];
    encode(e, rec);
    ++added_;
    return file_.write(rec, kRecordSize);
}

IoResult SnapshotWriter::commit()
{
    if (added_ != expected_) {
        file_.discard();
        return IoResult::failure(IoKind::Damaged, "Invalid table file: " + file_.target());
    }
    return file_.commit();
}

IoResult writeSnapshot(const std::string& path, const std::vector<LedgerEntry>& rows)
{
    SnapshotWriter writer(path, rows.size());
    if (IoResult r = writer.open(); !r)
        return r;
    for (const LedgerEntry& e : rows)
        if (IoResult r = writer.add(e); !r)
            return r;
    return writer.commit();
}

IoResult readSnapshot(const std::string& path, std::vector<LedgerEntry>& rows)
{
    ReadOnlyFile file;
    if (IoResult r = file.open(path); !r)
        return r;
    if (!file.isRegular())
        return IoResult::fromErrno(EINVAL);
    // The header first, then the records block by block: the file is never
    // held whole beside the rows decoded from it.
    const IoResult invalid = IoResult::failure(IoKind::Damaged, "Invalid table file: " + path);
    const std::string prefix = std::string(kMagic) + kFields + "ROWS ";
    std::string head(std::min<std::size_t>(file.size(), prefix.size() + 13), '\0');
    std::size_t have = 0;
    if (IoResult r = file.read(head.data(), head.size(), have); !r)
        return r;
    if (have != head.size())
        return IoResult::fromErrno(EIO);
    if (head.compare(0, prefix.size(), prefix) != 0)
        return invalid;
    std::size_t eol = head.find('\n', prefix.size());
    if (eol == std::string::npos || eol == prefix.size() || eol - prefix.size() > 12)
        return invalid;
    std::size_t count = 0;
    for (std::size_t i = prefix.size(); i < eol; ++i) {
        if (head[i] < '0' || head[i] > '9')
            return invalid;
        count = count * 10 + static_cast<std::size_t>(head[i] - '0');
    }
    const std::size_t body = eol + 1;
    if ((file.size() - body) / kRecordSize != count || (file.size() - body) % kRecordSize != 0)
        return invalid;
    std::vector<LedgerEntry> loaded(count);
    constexpr std::size_t kBlock = 8192;
    // At least what the header read carried past the header line.
    std::vector<char> block(std::max<std::size_t>(std::min(kBlock, count) * kRecordSize, head.size()));
    // What the header read took past the header line starts the records.
    std::size_t carried = head.size() - body;
    std::memcpy(block.data(), head.data() + body, carried);
    for (std::size_t done = 0; done < count;) {
        const std::size_t want = std::min(kBlock, count - done) * kRecordSize;
        if (carried < want) {
            std::size_t got = 0;
            if (IoResult r = file.read(block.data() + carried, want - carried, got); !r)
                return r;
            if (got != want - carried)
                return IoResult::fromErrno(EIO);
        }
        for (std::size_t k = 0; k < want; k += kRecordSize)
            decode(block.data() + k, loaded[done++]);
        carried = 0;
    }
    rows = std::move(loaded);
    return IoResult::success();
}

} // namespace quill
