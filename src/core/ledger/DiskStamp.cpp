// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/DiskStamp.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <xxhash.h>

namespace quill {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct HashState {
    XXH3_state_t* s = XXH3_createState();
    ~HashState() { XXH3_freeState(s); }
};

} // namespace

IoResult TakeDiskStamp(const std::string& path, DiskStamp& stamp)
{
    stamp = DiskStamp{};
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    const int fd = file.fd;
    if (fd < 0)
        return IoResult::fromErrno(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return IoResult::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return IoResult::failure("Not a file");
    HashState hash;
    if (!hash.s || XXH3_64bits_reset(hash.s) == XXH_ERROR)
        return IoResult::failure("Out of memory");
    std::vector<char> buf(1 << 20);
    std::uint64_t total = 0;
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoResult::fromErrno(errno);
        }
        if (n == 0)
            break;
        XXH3_64bits_update(hash.s, buf.data(), static_cast<std::size_t>(n));
        total += static_cast<std::uint64_t>(n);
    }
    stamp.known = true;
    stamp.size = total;
    stamp.mtime = st.st_mtim;
    stamp.hash = XXH3_64bits_digest(hash.s);
    return IoResult::success();
}

DiskState CompareWithDisk(const DiskStamp& stamp, const std::string& path)
{
    if (!stamp.known)
        return DiskState::Unknown;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? DiskState::Missing : DiskState::Unknown;
    if (static_cast<std::uint64_t>(st.st_size) != stamp.size)
        return DiskState::Changed;
    DiskStamp now;
    if (!TakeDiskStamp(path, now))
        return DiskState::Unknown;
    return now.size == stamp.size && now.hash == stamp.hash ? DiskState::Same : DiskState::Changed;
}

} // namespace quill
