#include "app/SafeFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
int gFailAt = 0;
int gFailErrno = 0;
int gWrites = 0;

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
}

// Writes through to the final file when the target is a link, so the link
// stays a link.
std::string resolvedTarget(const std::string& target)
{
    char buf[PATH_MAX];
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(target.c_str(), buf))
        return buf;
    return target;
}
} // namespace

void SafeFile::failWriteAt(int k, int err)
{
    gFailAt = k;
    gFailErrno = err;
    gWrites = 0;
}

SafeFile::SafeFile(std::string target, Durability durability)
    : target_(resolvedTarget(target)), durability_(durability)
{
}

SafeFile::~SafeFile() { discard(); }

IoResult SafeFile::open()
{
    discard();
    // Past the file size limit the system would kill the process without a
    // word; ignored, the write fails with EFBIG and the old file stays.
    std::signal(SIGXFSZ, SIG_IGN);
    struct stat st;
    if (stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return IoResult::fromErrno(EISDIR);
        // The new content replaces the file by renaming, which the folder
        // allows even where the file itself may not be written: a file the
        // user made read-only stays as it is. Without any write bit it counts
        // as read-only for everybody, the administrator included.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return IoResult::fromErrno(EACCES);
        if (access(target_.c_str(), W_OK) != 0)
            return IoResult::fromErrno(errno);
    }
    std::string pattern = folderOf(target_) + "/.quillbook-XXXXXX";
    fd_ = mkstemp(pattern.data());
    if (fd_ < 0)
        return IoResult::fromErrno(errno);
    temp_ = pattern;
    buffer_.reserve(kBufferSize);
    return IoResult::success();
}

IoResult SafeFile::flushBuffer()
{
    std::size_t done = 0;
    while (done < buffer_.size()) {
        ++gWrites;
        if (gFailAt && gWrites == gFailAt) {
            gFailAt = 0;
            return IoResult::fromErrno(gFailErrno);
        }
        ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoResult::fromErrno(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return IoResult::success();
}

IoResult SafeFile::write(const void* data, std::size_t size)
{
    if (fd_ < 0)
        return IoResult::fromErrno(EBADF);
    buffer_.append(static_cast<const char*>(data), size);
    if (buffer_.size() >= kBufferSize)
        return flushBuffer();
    return IoResult::success();
}

IoResult SafeFile::commit()
{
    if (fd_ < 0)
        return IoResult::fromErrno(EBADF);
    IoResult r = flushBuffer();
    if (!r) {
        discard();
        return r;
    }
    struct stat st;
    mode_t mode = 0666 & ~[] { mode_t m = umask(0); umask(m); return m; }();
    if (stat(target_.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    if (fchmod(fd_, mode) != 0 || (durability_ == Durability::Synced && fsync(fd_) != 0)) {
        int err = errno;
        discard();
        return IoResult::fromErrno(err);
    }
    if (::close(fd_) != 0) {
        int err = errno;
        fd_ = -1;
        discard();
        return IoResult::fromErrno(err);
    }
    fd_ = -1;
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        discard();
        return IoResult::fromErrno(err);
    }
    temp_.clear();
    // Make the rename itself durable.
    int dir = durability_ == Durability::Synced ? ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY) : -1;
    if (durability_ == Durability::Synced) {
        // The content is in place, but until the folder is on disk a power
        // loss may bring the old file back: the user must hear of it.
        if (dir < 0)
            return IoResult::fromErrno(errno);
        const int err = fsync(dir) == 0 ? 0 : errno;
        ::close(dir);
        if (err != 0 && err != EINVAL && err != EROFS)
            return IoResult::fromErrno(err);
    }
    return IoResult::success();
}

void SafeFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

IoResult ReadOnlyFile::open(const std::string& path)
{
    // Not blocking: a named pipe without a writer must not hang the reader.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return IoResult::fromErrno(errno);
    struct stat st;
    if (fstat(fd_, &st) != 0)
        return IoResult::fromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return IoResult::fromErrno(EISDIR);
    regular_ = S_ISREG(st.st_mode);
    size_ = regular_ ? static_cast<std::size_t>(st.st_size) : 0;
    return IoResult::success();
}

IoResult ReadOnlyFile::read(void* data, std::size_t want, std::size_t& have)
{
    have = 0;
    auto* out = static_cast<unsigned char*>(data);
    while (have < want) {
        ssize_t got = ::read(fd_, out + have, want - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return IoResult::fromErrno(errno);
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    return IoResult::success();
}

} // namespace quill
