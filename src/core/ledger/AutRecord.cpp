// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/AutRecord.h"

#include <cstdint>
#include <fstream>
#include <new>
#include <sys/resource.h>

#include "core/io/SafeFile.h"
#include "core/ledger/Money.h"
#include "core/ledger/WorkingTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quill {

namespace {

void putLe(unsigned char* p, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}


template <std::size_t N>
void putText(std::array<unsigned char, AutRecord::kSize>& b, AutRecord::Slot s, const FixedText<N>& t)
{
    std::size_t n = t.len < s.capacity ? t.len : s.capacity;
    b[s.offset] = static_cast<unsigned char>(n);
    std::memcpy(&b[s.offset + 1], t.data, n);
}

} // namespace

IoResult AutRecord::compose(const LedgerEntry& e)
{
    putText(bytes, IDAY, e.IDAY);
    putText(bytes, JKYU, e.JKYU);
    putText(bytes, SANGHO, e.SANGHO);
    putText(bytes, ETC, e.ETC);
    putText(bytes, TAG, e.TAG);
    for (int f = 0; f < kMoneyFieldCount; ++f) {
        std::optional<std::int64_t> v = toTenThousandths(moneyValue(e, f));
        if (!v)
            return IoResult::failure("Invalid floating point operation");
        putLe(&bytes[kAmounts + 8 * static_cast<std::size_t>(f)], static_cast<std::uint64_t>(*v), 8);
    }
    putLe(&bytes[kCtg], static_cast<std::uint32_t>(e.CTG), 4);
    return IoResult::success();
}

std::string_view AutRecord::storedText(Slot s) const
{
    std::size_t n = bytes[s.offset];
    if (n > s.capacity)
        n = s.capacity;
    return {reinterpret_cast<const char*>(&bytes[s.offset + 1]), n};
}

void AutRecord::setStoredAmount(int field, std::int64_t tenThousandths)
{
    putLe(&bytes[kAmounts + 8 * static_cast<std::size_t>(field)], static_cast<std::uint64_t>(tenThousandths), 8);
}

namespace {

// FixedText::assign for a slot whose capacity is the field's size: the
// same result without a library call per field (a million records are
// decoded for one totals or export of the command line).
template <std::size_t N>
void takeSlot(FixedText<N>& t, const unsigned char* slot)
{
    std::size_t n = slot[0] < N ? slot[0] : N;
    std::memcpy(t.data, slot + 1, N);
    std::size_t len = 0;
    while (len < n && t.data[len] != 0)
        ++len;
    for (std::size_t k = len; k < N; ++k)
        t.data[k] = 0;
    t.len = static_cast<std::uint8_t>(len);
}

} // namespace

LedgerEntry AutRecord::toEntry() const
{
    static_assert(decltype(LedgerEntry::IDAY)::capacity == IDAY.capacity
                  && decltype(LedgerEntry::JKYU)::capacity == JKYU.capacity
                  && decltype(LedgerEntry::SANGHO)::capacity == SANGHO.capacity
                  && decltype(LedgerEntry::ETC)::capacity == ETC.capacity
                  && decltype(LedgerEntry::TAG)::capacity == TAG.capacity);
    LedgerEntry e;
    takeSlot(e.IDAY, &bytes[IDAY.offset]);
    takeSlot(e.JKYU, &bytes[JKYU.offset]);
    takeSlot(e.SANGHO, &bytes[SANGHO.offset]);
    e.INMNY = fromTenThousandths(storedAmount(0));
    e.INVAT = fromTenThousandths(storedAmount(1));
    e.OTMNY = fromTenThousandths(storedAmount(2));
    e.OTVAT = fromTenThousandths(storedAmount(3));
    e.JSMNY = fromTenThousandths(storedAmount(4));
    e.JSVAT = fromTenThousandths(storedAmount(5));
    takeSlot(e.ETC, &bytes[ETC.offset]);
    takeSlot(e.TAG, &bytes[TAG.offset]);
    e.CTG = storedCtg();
    return e;
}

IoResult WriteLedgerFile(const std::string& path, WorkingTable& table, const WriteStep& step)
{
    table.orderBy("IDAY");
    SafeFile file(path);
    if (IoResult r = file.open(); !r)
        return r;
    AutRecord record;
    const std::size_t n = table.rowCount();
    for (std::size_t i = 0; i < n; ++i) {
        if (IoResult r = record.compose(table.row(i)); !r)
            return r;
        if (step)
            step(i, n);
        if (IoResult r = file.write(record.bytes.data(), AutRecord::kSize); !r)
            return r;
    }
    return file.commit();
}

IoResult WriteLedgerRecords(const std::string& path, std::vector<AutRecord> records)
{
    // The table's date is the stored text ended at its first zero byte.
    auto day = [](const AutRecord& r) {
        std::string_view d = r.storedText(AutRecord::IDAY);
        return d.substr(0, d.find('\0'));
    };
    std::stable_sort(records.begin(), records.end(),
                     [&](const AutRecord& a, const AutRecord& b) { return day(a) < day(b); });
    SafeFile file(path);
    if (IoResult r = file.open(); !r)
        return r;
    for (const AutRecord& record : records)
        if (IoResult r = file.write(record.bytes.data(), AutRecord::kSize); !r)
            return r;
    return file.commit();
}

IoResult ScanLedgerFile(const std::string& path, const std::function<bool(const AutRecord&)>& onRecord,
                        std::size_t* trailing)
{
    if (trailing)
        *trailing = 0;
    ReadOnlyFile file;
    if (IoResult r = file.open(path); !r)
        return r;
    // Only complete records of a regular file count; a pipe or a device is
    // an empty ledger rather than a read that never ends.
    const std::size_t size = file.size();
    const std::size_t records = size / AutRecord::kSize;
    if (trailing)
        *trailing = size % AutRecord::kSize;
    constexpr std::size_t kChunk = 4096;
    // A small file needs no more than its own size.
    std::vector<unsigned char> buf(std::min(kChunk, records) * AutRecord::kSize);
    AutRecord record;
    std::size_t done = 0;
    IoResult result;
    bool more = true;
    while (more && done < records) {
        std::size_t want = std::min(kChunk, records - done) * AutRecord::kSize;
        std::size_t have = 0;
        result = file.read(buf.data(), want, have);
        for (std::size_t k = 0; more && k + AutRecord::kSize <= have; k += AutRecord::kSize) {
            std::memcpy(record.bytes.data(), buf.data() + k, AutRecord::kSize);
            ++done;
            more = onRecord(record);
        }
        if (!result || have < want)
            break;  // an error, or the file became shorter while reading
    }
    return result;
}

std::uint64_t AvailableMemory()
{
    std::uint64_t available = UINT64_MAX;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb >> unit)
        if (key == "MemAvailable:" || key == "SwapFree:")
            available = (available == UINT64_MAX ? 0 : available) + kb * 1024;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit limit;
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            available = std::min<std::uint64_t>(available, limit.rlim_cur);
    }
    return available;
}

IoResult CheckZeroTail(int fd, std::uint64_t size)
{
    if (size <= kZeroTailLimit)
        return IoResult::success();
    // The file's data, as the file system keeps it (a hole reads as zeros).
    std::vector<std::pair<std::uint64_t, std::uint64_t>> data;
    for (off_t at = 0; static_cast<std::uint64_t>(at) < size;) {
        const off_t from = ::lseek(fd, at, SEEK_DATA);
        if (from < 0) {
            if (errno != ENXIO)
                data = {{0, size}};  // no holes known here: all may be data
            break;
        }
        off_t to = ::lseek(fd, from, SEEK_HOLE);
        if (to < 0)
            to = static_cast<off_t>(size);
        data.emplace_back(static_cast<std::uint64_t>(from), std::min<std::uint64_t>(static_cast<std::uint64_t>(to), size));
        at = to;
    }
    // The last non-zero byte, looked for from the end.
    std::uint64_t end = 0;
    std::vector<char> buf(1 << 16);
    for (auto extent = data.rbegin(); extent != data.rend() && end == 0; ++extent) {
        if (size - extent->second > kZeroTailLimit)
            break;  // zeros enough already
        for (std::uint64_t to = extent->second; to > extent->first && end == 0;) {
            const std::uint64_t from = to - std::min<std::uint64_t>(buf.size(), to - extent->first);
            const ssize_t got = ::pread(fd, buf.data(), static_cast<std::size_t>(to - from), static_cast<off_t>(from));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return IoResult::success();  // reading tells; not for this check to say
            for (std::uint64_t k = static_cast<std::uint64_t>(got); k > 0 && end == 0; --k)
                if (buf[k - 1] != 0)
                    end = from + k;
            if (size - from > kZeroTailLimit)
                break;
            to = from;
        }
    }
    if (size - end <= kZeroTailLimit)
        return IoResult::success();
    const std::string zeros = end ? std::to_string(size - end) + "바이트가" : "1MB 넘게";
    return IoResult::failure("이 파일은 크기가 " + std::to_string(size) + "바이트인데 끝의 " + zeros
                                 + " 0으로만 채워져 있어 장부 파일로 볼 수 없습니다 (망가졌거나 장부가 아닌 "
                                   "파일입니다). 열지 않았습니다",
                             EINVAL);
}

std::string PartialRecordNotice(std::size_t trailing, bool backups)
{
    return "장부 파일의 마지막 거래가 잘려 있어(" + std::to_string(trailing)
           + "바이트) 빼고 열었습니다. 나머지 거래는 모두 읽었습니다."
           + (backups ? " 저장하면 잘린 조각은 없어지지만, 저장하기 전의 파일은 백업에 그대로 남습니다."
                      : " 저장하면 잘린 조각은 없어집니다. 필요하면 저장하기 전에 파일을 따로 복사해 두세요.");
}

IoResult CheckLedgerFitsInMemory(std::uint64_t records, std::uint64_t held)
{
    // The rows, and for a while a second copy of them (the staging table
    // and the working ledger, the state before a merge for undo).
    const std::uint64_t need = (records + held) * sizeof(LedgerEntry) * 2;
    if (records > SIZE_MAX / sizeof(LedgerEntry) / 4 || need > AvailableMemory())
        return IoResult::failure("Out of memory", ENOMEM);
    return IoResult::success();
}

IoResult ReadLedgerFile(const std::string& path, WorkingTable& table, const ReadStep& step)
{
    // One allocation for the whole file instead of doubling as it grows,
    // and a file larger than the memory (a sparse one of gigabytes) refused
    // before anything is reserved for it.
    struct stat st;
    try {
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            const std::uint64_t records = static_cast<std::uint64_t>(st.st_size) / AutRecord::kSize;
            if (IoResult fits = CheckLedgerFitsInMemory(records, table.rowCount()); !fits)
                return fits;
            table.reserve(table.rowCount() + static_cast<std::size_t>(records));
        }
        return ScanLedgerFile(path, [&](const AutRecord& record) {
            table.appendRaw(record.toEntry());
            if (step)
                step();
            return true;
        });
    } catch (const std::bad_alloc&) {
        return IoResult::failure("Out of memory", ENOMEM);
    }
}

} // namespace quill
