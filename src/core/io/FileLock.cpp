// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quill {

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), state_(std::exchange(other.state_, State::None)), dev_(other.dev_),
      ino_(other.ino_)
{
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        state_ = std::exchange(other.state_, State::None);
        dev_ = other.dev_;
        ino_ = other.ino_;
    }
    return *this;
}

FileLock FileLock::take(const std::string& path, bool create)
{
    FileLock lock;
    // Read access first: opening for writing would tell file watchers (sync
    // tools) that the ledger was written when the lock ends. Write access
    // only where the file system asks for it (an exclusive lock over NFS).
    // O_NONBLOCK: a named pipe in place of a ledger must not hang us.
    const int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (create ? O_CREAT : 0);
    int fd = -1;
    int err = 0;
    for (int access : {O_RDONLY, O_RDWR}) {
        fd = ::open(path.c_str(), access | flags, 0600);
        if (fd < 0)
            return lock;
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return lock;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lock.fd_ = fd;
            lock.state_ = State::Held;
            lock.dev_ = st.st_dev;
            lock.ino_ = st.st_ino;
            return lock;
        }
        err = errno;
        ::close(fd);
        if (err != EBADF)
            break;
    }
    lock.state_ = err == EWOULDBLOCK ? State::HeldElsewhere : State::Unsupported;
    return lock;
}

bool FileLock::covers(const std::string& path) const
{
    struct stat st;
    return held() && ::stat(path.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_;
}

void FileLock::release()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    state_ = State::None;
}

} // namespace quill
