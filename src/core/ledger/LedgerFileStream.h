// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/ledger/AutRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace quill {

// A ledger file read record by record in large blocks, never held whole:
// what the command line needs to walk a file of any size in bounded memory.
// The size is taken once at open, so a file that grows meanwhile is read as
// it was; one that shrinks ends the walk early.
class LedgerFileStream {
public:
    LedgerFileStream() = default;
    ~LedgerFileStream();
    LedgerFileStream(const LedgerFileStream&) = delete;
    LedgerFileStream& operator=(const LedgerFileStream&) = delete;

    // Needs read access only and never waits on a named pipe. A folder is
    // refused ("Is a directory" as the file errors say it), and so is a pipe
    // or a device (NotRegularFile()).
    IoResult open(const std::string& path);
    bool isRegular() const { return regular_; }
    std::size_t recordCount() const { return records_; }
    std::size_t trailingBytes() const { return trailing_; }

    // Calls onRecord(index, record) for every record in file order until
    // it returns false.
    template <class F>
    IoResult scan(F onRecord);

    // One record by its position (counting from 0).
    IoResult readRecord(std::size_t index, AutRecord& out) const;

private:
    IoResult readBlock(std::size_t first, std::size_t count, std::size_t& got);

    int fd_ = -1;
    bool regular_ = false;
    std::size_t records_ = 0;
    std::size_t trailing_ = 0;
    std::vector<unsigned char> block_;
};

template <class F>
IoResult LedgerFileStream::scan(F onRecord)
{
    constexpr std::size_t kBlockRecords = 390;  // about 64 KB a read, which stays in the cache
    AutRecord record;
    for (std::size_t done = 0; done < records_;) {
        std::size_t got = 0;
        IoResult r = readBlock(done, std::min(kBlockRecords, records_ - done), got);
        for (std::size_t k = 0; k < got; ++k, ++done) {
            std::memcpy(record.bytes.data(), block_.data() + k * AutRecord::kSize, AutRecord::kSize);
            if (!onRecord(done, static_cast<const AutRecord&>(record)))
                return IoResult::success();
        }
        if (!r || got == 0)
            return r;  // an error, or the file became shorter
    }
    return IoResult::success();
}

} // namespace quill
