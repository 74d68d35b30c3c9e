// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/ledger/LedgerEntry.h"

#include <array>
#include <bit>
#include <cstring>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quill {

class WorkingTable;

// One 168-byte record of a ledger file ("*.Aut"). Integers little-endian;
// each text is a length byte followed by its capacity in bytes.
static_assert(std::endian::native == std::endian::little, "records are read in place");

struct AutRecord {
    static constexpr std::size_t kSize = 168;
    struct Slot {
        std::size_t offset;
        std::size_t capacity;
    };
    static constexpr Slot IDAY{0, 10};
    static constexpr Slot JKYU{11, 45};
    static constexpr Slot SANGHO{57, 35};
    static constexpr std::size_t kAmounts = 96;  // six int64: amount × 10000
    static constexpr Slot ETC{144, 15};
    static constexpr Slot TAG{160, 1};
    static constexpr std::size_t kCtg = 164;

    std::array<unsigned char, kSize> bytes{};  // zeros in every gap

    // Composes the record from an entry. Only the length bytes, the text
    // bytes, the amounts and CTG are written; the rest keeps what the buffer
    // held. Fails with "Invalid floating point operation" when an amount
    // does not fit the file's range; the buffer is then partly composed.
    IoResult compose(const LedgerEntry& e);

    // The entry a record holds: texts cut to their capacity (a damaged
    // length byte takes at most the capacity) and ended at the first zero
    // byte; amounts divided by 10000.
    LedgerEntry toEntry() const;

    // Raw accessors, for checking damaged files.
    unsigned lengthByte(Slot s) const { return bytes[s.offset]; }
    // The file's little-endian integers are the machine's own.
    std::int64_t storedAmount(int field) const
    {
        std::int64_t v;
        std::memcpy(&v, &bytes[kAmounts + 8 * static_cast<std::size_t>(field)], sizeof v);
        return v;
    }
    std::int32_t storedCtg() const
    {
        std::int32_t v;
        std::memcpy(&v, &bytes[kCtg], sizeof v);
        return v;
    }
    std::string_view storedText(Slot s) const;  // at most the capacity, not cut at zero

    // Stores an amount exactly as given, in ten-thousandths (the command
    // line's import keeps every digit of the text it reads).
    void setStoredAmount(int field, std::int64_t tenThousandths);
};

// Progress steps of the file loops. Writing: before record i of n. Reading:
// after each record.
using WriteStep = std::function<void(std::size_t i, std::size_t n)>;
using ReadStep = std::function<void()>;

// Calls onRecord for each complete record of the file, in file order, until
// it returns false. `trailing` receives the number of bytes after the last
// complete record. Needs read access only; never reads past the records the
// file held when opened, and stops early when the file shrinks meanwhile.
IoResult ScanLedgerFile(const std::string& path, const std::function<bool(const AutRecord&)>& onRecord,
                        std::size_t* trailing = nullptr);

// Writes every row of the table in IDAY order. The previous file stays
// untouched unless the whole new content is written and synced; on any
// failure nothing at the path changes.
IoResult WriteLedgerFile(const std::string& path, WorkingTable& table, const WriteStep& step = {});

// Writes `count` composed records, ordered by their IDAY text as
// WriteLedgerFile orders a table (records of the same date keep their
// order), with the same guarantee that the previous file survives any
// failure.
IoResult WriteLedgerRecords(const std::string& path, std::vector<AutRecord> records);

// Appends one row per complete record to the table (unordered; order it
// afterwards) and calls the step after each. Needs read access only. The
// bytes of an incomplete last record are ignored. On failure the rows read
// so far stay appended.
IoResult ReadLedgerFile(const std::string& path, WorkingTable& table, const ReadStep& step = {});

// What memory this process can still have (free memory and swap, within
// its limits), and whether a ledger of `records` entries fits beside the
// `held` ones: "Out of memory" (ENOMEM) when not. ReadLedgerFile asks it
// before reserving anything; it also turns a failed allocation into that
// failure.
std::uint64_t AvailableMemory();
IoResult CheckLedgerFitsInMemory(std::uint64_t records, std::uint64_t held = 0);
// A ledger file (open as `fd`, `size` bytes) whose records beyond its last
// non-zero byte - all of them in a sparse file of gigabytes - come to more
// than kZeroTailLimit bytes is no ledger the program wrote: a failure with
// a Korean message, before anything is reserved for it. Reads only the
// file's data from its end, so a real ledger costs one read.
IoResult CheckZeroTail(int fd, std::uint64_t size);
inline constexpr std::uint64_t kZeroTailLimit = 1 << 20;
// The Korean notice for a ledger whose last record is cut short
// (`trailing` bytes): it was left out; `backups`: the backup a save keeps
// still holds it.
std::string PartialRecordNotice(std::size_t trailing, bool backups);

} // namespace quill
