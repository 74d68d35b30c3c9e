// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/LedgerFileStream.h"

#include "core/io/SafeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

LedgerFileStream::~LedgerFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

IoResult LedgerFileStream::open(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return IoResult::fromErrno(errno);
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        return IoResult::fromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return IoResult::fromErrno(EISDIR);
    // A pipe or a device holds no ledger: reading /dev/urandom as an empty
    // one would report a clean file, and a save would replace the node.
    if (!S_ISREG(st.st_mode))
        return NotRegularFile();
    regular_ = S_ISREG(st.st_mode);
    const std::size_t size = regular_ ? static_cast<std::size_t>(st.st_size) : 0;
    records_ = size / AutRecord::kSize;
    trailing_ = size % AutRecord::kSize;
    if (regular_)
        posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return IoResult::success();
}

IoResult LedgerFileStream::readBlock(std::size_t first, std::size_t count, std::size_t& got)
{
    const std::size_t want = count * AutRecord::kSize;
    block_.resize(want);
    std::size_t have = 0;
    got = 0;
    while (have < want) {
        ssize_t n = ::pread(fd_, block_.data() + have, want - have,
                            static_cast<off_t>(first * AutRecord::kSize + have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            got = have / AutRecord::kSize;
            return IoResult::fromErrno(errno);
        }
        if (n == 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    got = have / AutRecord::kSize;
    return IoResult::success();
}

IoResult LedgerFileStream::readRecord(std::size_t index, AutRecord& out) const
{
    if (index >= records_)
        return IoResult::fromErrno(EIO);
    std::size_t have = 0;
    while (have < AutRecord::kSize) {
        ssize_t n = ::pread(fd_, out.bytes.data() + have, AutRecord::kSize - have,
                            static_cast<off_t>(index * AutRecord::kSize + have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return IoResult::fromErrno(errno);
        if (n == 0)
            return IoResult::failure("the file became shorter while it was read", EIO);
        have += static_cast<std::size_t>(n);
    }
    return IoResult::success();
}

} // namespace quill
