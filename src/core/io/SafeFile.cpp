// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/SafeFile.h"
#include "core/io/ProgramFolders.h"
#include "core/io/SafeFileDetail.h"
#include "core/io/SafeFileFaults.h"
#include "core/io/SafeFileRecovery.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quill {

using faults::Step;

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
// Our hidden temporary files beside a target.
constexpr std::string_view kTempPrefix = ".quillbook-";
int gFailAt = 0;
int gFailErrno = 0;
int gWrites = 0;
std::string gScratch;

#ifdef QB_FAULT_INJECTION
struct FaultPlan {
    int k = 0;
    faults::Action action = faults::Action::Fail;
    int err = EIO;
    std::vector<Step> trace;
    std::size_t bufferSize = kBufferSize;
    bool anonymous = true;
} gFaults;
bool anonymousAllowed() { return gFaults.anonymous; }
#else
constexpr bool anonymousAllowed() { return true; }
#endif

// Runs a system call unless the test hook fails it in its place.
template <class Call>
auto sys(Step step, Call&& call) -> decltype(call())
{
    if (int e = detail::faultAt(step)) {
        errno = e;
        return -1;
    }
    return call();
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

mode_t currentUmask()
{
    mode_t m = umask(0);
    umask(m);
    return m;
}

std::string randomSuffix()
{
    static std::mt19937_64 gen(std::random_device{}() ^ (static_cast<std::uint64_t>(getpid()) << 32));
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(6, 'x');
    for (char& c : s)
        c = kChars[gen() % (sizeof kChars - 1)];
    return s;
}

bool lockUnsupported(int err) { return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL; }

} // namespace

namespace detail {

#ifdef QB_FAULT_INJECTION
int faultAt(Step step)
{
    gFaults.trace.push_back(step);
    if (gFaults.k <= 0 || static_cast<int>(gFaults.trace.size()) != gFaults.k)
        return 0;
    if (gFaults.action == faults::Action::Kill)
        raise(SIGKILL);
    return gFaults.err;
}
std::size_t bufferSize() { return gFaults.bufferSize; }
#else
int faultAt(Step) { return 0; }
std::size_t bufferSize() { return kBufferSize; }
#endif

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string absolutePath(const std::string& path)
{
    if (path.empty())
        return path;
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char buf[PATH_MAX];
    if (!realpath(folder.c_str(), buf))
        return path[0] == '/' ? path : std::filesystem::absolute(path).lexically_normal().string();
    const std::string base = buf;
    return base == "/" ? "/" + name : base + "/" + name;
}

int writeAll(int fd, const char* data, std::size_t size, Step step, bool counted)
{
    while (size > 0) {
        ssize_t n = counted ? sys(step, [&] { return ::write(fd, data, size); }) : ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int pwriteAll(int fd, const char* data, std::size_t size, off_t at, Step step, bool counted)
{
    while (size > 0) {
        ssize_t n = counted ? sys(step, [&] { return ::pwrite(fd, data, size, at); }) : ::pwrite(fd, data, size, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int preadAll(int fd, char* data, std::size_t size, off_t at)
{
    while (size > 0) {
        ssize_t n = ::pread(fd, data, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data += n;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int copyRange(int from, off_t fromOffset, int to, off_t toOffset, std::uint64_t size, Step step, bool counted)
{
    std::string buf(std::min<std::uint64_t>(size, kBufferSize), '\0');
    while (size > 0) {
        const std::size_t want = std::min<std::uint64_t>(size, buf.size());
        ssize_t got = pread(from, buf.data(), want, fromOffset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return EIO;  // the source is shorter than it said
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            auto put = [&] {
                return toOffset < 0 ? ::write(to, buf.data() + done, got - done)
                                    : pwrite(to, buf.data() + done, got - done, toOffset + done);
            };
            ssize_t n = counted ? sys(step, put) : put();
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            done += static_cast<std::size_t>(n);
        }
        fromOffset += got;
        if (toOffset >= 0)
            toOffset += got;
        size -= static_cast<std::uint64_t>(got);
    }
    return 0;
}

int tryLock(int fd)
{
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return 1;
    return lockUnsupported(errno) ? -1 : 0;
}

int createLocked(const std::string& folder, std::string_view prefix, std::string& path, Step step)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "/" + std::string(prefix) + "XXXXXX";
        int fd = sys(step, [&] { return mkostemp(path.data(), O_CLOEXEC); });
        if (fd < 0) {
            const int err = errno;
            path.clear();
            return -err;
        }
        struct stat mine, named;
        // Between creating and locking, a cleaner may have taken the file
        // for a stale one: then it is gone or locked, and we try another.
        // Where the file system keeps no locks we go on without one.
        const int lock = tryLock(fd);
        const bool still = fstat(fd, &mine) == 0 && lstat(path.c_str(), &named) == 0 && mine.st_ino == named.st_ino
                           && mine.st_dev == named.st_dev;
        if (lock != 0 && still)
            return fd;
        if (still)
            unlink(path.c_str());  // ours, and nobody else's to clean
        ::close(fd);
    }
    path.clear();
    return -EEXIST;
}

int syncFolder(const std::string& folder, bool counted)
{
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    const int rc = counted ? sys(Step::SyncFolder, [&] { return fsync(dir); }) : fsync(dir);
    const int err = rc == 0 ? 0 : errno;
    ::close(dir);
    return err == EINVAL || err == EROFS ? 0 : err;
}

std::vector<std::string> namesWithPrefix(const std::string& folder, std::string_view prefix)
{
    std::vector<std::string> out;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return out;
    while (dirent* e = readdir(dir)) {
        std::string_view name = e->d_name;
        if (name.substr(0, prefix.size()) == prefix)
            out.emplace_back(name);
    }
    closedir(dir);
    return out;
}

bool ownPrivateFolder(const std::string& folder)
{
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0) {
        if (!MakePrivateFolders(folder) || lstat(folder.c_str(), &st) != 0)
            return false;
    }
    // Another user's folder (or a link planted under our name), or one in a
    // folder others may write, would let them read the ledger or swap the copy.
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && access(folder.c_str(), W_OK | X_OK) == 0
           && WritableByOthers(folder).empty();
}

std::vector<std::string> privateScratchFolders(const std::string& preferred)
{
    std::vector<std::string> out;
    if (!preferred.empty())
        out.push_back(preferred);
    if (!gScratch.empty())
        out.push_back(gScratch);
    const char* state = getenv("XDG_STATE_HOME");
    const char* home = getenv("HOME");
    if (state && state[0] == '/')
        out.push_back(std::string(state) + "/quillbook/Temp");
    else if (home && home[0] == '/')
        out.push_back(std::string(home) + "/.local/state/quillbook/Temp");
    const char* tmp = getenv("TMPDIR");
    out.push_back(std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/quillbook-" + std::to_string(geteuid()));
    return out;
}

std::string usableScratchFolder(const std::string& preferred)
{
    // The folder given, as long as it is there.
    if (!preferred.empty() && access(preferred.c_str(), W_OK | X_OK) == 0)
        return preferred;
    for (const std::string& c : privateScratchFolders({}))
        if (c != preferred && ownPrivateFolder(c))
            return c;
    return {};
}

} // namespace detail

using namespace detail;

namespace {

// The extended attributes of the old file (an access list naming a
// colleague, the user's own tags) go to the new one. The kernel labels a
// new file itself, and trusted ones belong to the system. 0, or EPERM when
// the access list could not be kept.
int copyExtendedAttributes(const std::string& from, int to)
{
    ssize_t len = listxattr(from.c_str(), nullptr, 0);
    if (len <= 0)
        return 0;
    std::string names(static_cast<std::size_t>(len), '\0');
    len = listxattr(from.c_str(), names.data(), names.size());
    if (len <= 0)
        return 0;
    names.resize(static_cast<std::size_t>(len));
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        const std::string_view n = name;
        if (n.empty() || n.rfind("security.", 0) == 0 || n.rfind("trusted.", 0) == 0)
            continue;
        std::string value(256, '\0');
        ssize_t size = getxattr(from.c_str(), name, value.data(), value.size());
        if (size < 0 && errno == ERANGE) {
            size = getxattr(from.c_str(), name, nullptr, 0);
            value.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
            size = getxattr(from.c_str(), name, value.data(), value.size());
        }
        if (size < 0)
            continue;
        if (fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0) != 0
            && n.rfind("system.posix_acl", 0) == 0)
            return EPERM;
    }
    return 0;
}

} // namespace

#ifdef QB_FAULT_INJECTION
namespace faults {
const char* stepName(Step step)
{
    static constexpr const char* kNames[] = {"create", "attributes", "backup", "write", "truncate",
                                             "sync",   "close",      "link",   "rename", "sync folder"};
    return kNames[static_cast<int>(step)];
}
void arm(int k, Action action, int err)
{
    gFaults.k = k;
    gFaults.action = action;
    gFaults.err = err;
    gFaults.trace.clear();
}
void disarm() { arm(0, Action::Fail, EIO); }
const std::vector<Step>& trace() { return gFaults.trace; }
void setBufferSize(std::size_t bytes) { gFaults.bufferSize = bytes ? bytes : kBufferSize; }
void setAnonymousAllowed(bool allowed) { gFaults.anonymous = allowed; }
} // namespace faults
#endif

IoResult NotRegularFile() { return IoResult::failure("a device or pipe, not a ledger file", ENODEV); }

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

IoResult IncompleteWrite(const std::string& path)
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return IoResult::fromErrno(EFBIG);
    struct statvfs fs;
    if (::statvfs(folderOf(path).c_str(), &fs) == 0 && fs.f_bavail == 0)
        return IoResult::fromErrno(ENOSPC);
    return IoResult::fromErrno(EIO);
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string NoScratchFolderText()
{
    return "저장에 쓸 개인 임시 폴더를 찾지 못했습니다. 살펴본 곳:\n" + UnusableFoldersText(privateScratchFolders({}))
           + "\n홈 폴더에 쓸 수 있는지 확인하거나, 임시 폴더의 그 폴더를 관리자에게 지워 달라고 하세요.";
}

void SafeFile::failWriteAt(int k, int err)
{
    gFailAt = k;
    gFailErrno = err;
    gWrites = 0;
}

void SafeFile::setScratchFolder(std::string folder) { gScratch = std::move(folder); }

std::string SafeFile::scratchFolder() { return usableScratchFolder(gScratch); }

std::vector<std::string> SafeFile::recoverInterrupted(const std::string& folder)
{
    std::vector<std::string> restored;
    for (const RecoveryNotice& n : RecoverInterruptedWrites({}, folder))
        if (n.restored)
            restored.push_back(n.ledger);
    return restored;
}

std::size_t SafeFile::removeStaleTemporaries(const std::string& folder)
{
    std::size_t removed = 0;
    for (const std::string& name : namesWithPrefix(folder, kTempPrefix)) {
        if (name.size() != kTempPrefix.size() + 6)
            continue;
        const std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat mine, named;
        // Only a file of ours that no running copy holds locked, and still
        // the one under that name.
        // Where the file system keeps no locks, nobody can tell a running
        // save's file from a stale one: it stays.
        if (fstat(fd, &mine) == 0 && S_ISREG(mine.st_mode) && mine.st_uid == geteuid()
            && tryLock(fd) == 1 && lstat(path.c_str(), &named) == 0 && named.st_ino == mine.st_ino
            && named.st_dev == mine.st_dev && unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

SafeFile::SafeFile(std::string target, Durability durability)
    : SafeFile(std::move(target), [durability] {
          Options o;
          o.durability = durability;
          return o;
      }())
{
}

SafeFile::SafeFile(std::string target, Options options)
    : target_(resolvedTarget(target)), options_(std::move(options))
{
}

SafeFile::~SafeFile() { discard(); }

IoResult SafeFile::open()
{
    discard();
    struct stat st;
    // A link that leads nowhere (or into a loop) would be replaced by a
    // regular file, and the link the user made would be gone: refused.
    if (lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && stat(target_.c_str(), &st) != 0) {
        const int err = errno;
        return IoResult::failure(IoKind::BrokenLink, IoResult::fromErrno(err).message, err);
    }
    const bool exists = stat(target_.c_str(), &st) == 0;
    if (exists && options_.createOnly)
        return IoResult::fromErrno(EEXIST);
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return IoResult::fromErrno(EISDIR);
        // A device or a pipe would be replaced by a regular file (or, in
        // place, written into): neither is a ledger or a workbook.
        if (!S_ISREG(st.st_mode))
            return NotRegularFile();
        // A file the user made read-only stays as it is, although the folder
        // would allow replacing it. Without any write bit it counts as
        // read-only for everybody, the administrator included.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return IoResult::fromErrno(EACCES);
        if (access(target_.c_str(), W_OK) != 0)
            return IoResult::fromErrno(errno);
    }
    const std::string folder = folderOf(target_);
    removeStaleTemporaries(folder);
    // A rename would give each hard link of the file its own content.
    const bool regular = exists && S_ISREG(st.st_mode);
    if (!(regular && st.st_nlink > 1 && !options_.byPath)) {
        IoResult r = createTemporary(folder, exists ? &st : nullptr);
        if (r || !regular || options_.byPath || (r.code != EACCES && r.code != EPERM))
            return r;
        // The folder refuses a new file, or the new file could not get the
        // old one's owner or group: the file itself may be written.
    }
    return openInPlace();
}

IoResult SafeFile::createTemporary(const std::string& folder, const struct stat* old)
{
    int fd = -1;
#ifdef O_TMPFILE
    if (!options_.byPath && anonymousAllowed()) {
        fd = sys(Step::Create, [&] { return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); });
        if (fd >= 0) {
            // It gets its name through /proc when complete.
            if (access(("/proc/self/fd/" + std::to_string(fd)).c_str(), F_OK) == 0 && tryLock(fd) != 0) {
                method_ = Method::Anonymous;
            } else {
                ::close(fd);
                fd = -1;
            }
        } else if (errno != EISDIR && errno != EOPNOTSUPP && errno != EINVAL) {
            // Not a file system without anonymous files: a real refusal.
            return IoResult::fromErrno(errno);
        }
    }
#endif
    if (fd < 0) {
        fd = createLocked(folder, kTempPrefix, temp_, Step::Create);
        if (fd < 0)
            return IoResult::fromErrno(-fd);
        method_ = Method::Named;
    }
    fd_ = fd;
    mode_t mode = options_.mode >= 0 ? static_cast<mode_t>(options_.mode) : 0666 & ~currentUmask();
    if (old) {
        mode = old->st_mode & 07777;
        struct stat now;
        if (fstat(fd_, &now) != 0 || now.st_uid != old->st_uid || now.st_gid != old->st_gid) {
            if (sys(Step::Attributes, [&] { return fchown(fd_, old->st_uid, old->st_gid); }) != 0) {
                const int err = errno;
                discard();
                return IoResult::fromErrno(err);
            }
        }
    }
    // After the owner: a change of owner clears the set-id bits.
    if (sys(Step::Attributes, [&] { return fchmod(fd_, mode); }) != 0) {
        const int err = errno;
        discard();
        return IoResult::fromErrno(err);
    }
    // After the mode, which would change an access list's mask.
    if (old) {
        if (int err = copyExtendedAttributes(target_, fd_)) {
            discard();
            return IoResult::fromErrno(err);
        }
    }
    buffer_.reserve(bufferSize());
    return IoResult::success();
}

IoResult SafeFile::openInPlace()
{
    int fd = sys(Step::Create, [&] { return ::open(target_.c_str(), O_RDWR | O_CLOEXEC); });
    if (fd < 0)
        return IoResult::fromErrno(errno);
    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return IoResult::fromErrno(err);
    }
    const std::string scratch = usableScratchFolder(options_.scratchFolder);
    if (scratch.empty()) {
        ::close(fd);
        return IoResult::failure(IoKind::NoScratchFolder, NoScratchFolderText(), EACCES);
    }
    // A write into this file that was cut off earlier: its old content goes
    // back first, so a failure now restores that rather than the remains.
    if (!RecoverInterruptedWrites(target_, options_.scratchFolder).empty() && fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return IoResult::fromErrno(err);
    }
    fd_ = fd;
    method_ = Method::InPlace;
    written_ = 0;
    touched_ = false;
    if (int err = journal_.begin(scratch, fd_, st, target_, options_.durability == Durability::Synced)) {
        ::close(fd_);
        fd_ = -1;
        method_ = Method::None;
        return IoResult::fromErrno(err);
    }
    buffer_.reserve(bufferSize());
    return IoResult::success();
}

IoResult SafeFile::flushBuffer()
{
    std::size_t done = 0;
    while (done < buffer_.size()) {
        // The test hook counts the writes of the files a save replaces or
        // updates, not those of the backups it makes on the way.
        if (!options_.createOnly)
            ++gWrites;
        if (gFailAt && gWrites == gFailAt && !options_.createOnly) {
            gFailAt = 0;
            return IoResult::fromErrno(gFailErrno);
        }
        const char* p = buffer_.data() + done;
        std::size_t left = buffer_.size() - done;
        if (method_ == Method::InPlace) {
            // The piece is recorded before it goes in, so that recovery can
            // tell what the file holds should we be cut off now.
            left = std::min<std::size_t>(left, journal_.pieceCapacity());
            if (int err = journal_.beforeWrite(written_, p, left))
                return IoResult::fromErrno(err);
            touched_ = true;
            if (int err = pwriteAll(fd_, p, left, static_cast<off_t>(written_), Step::Write))
                return IoResult::fromErrno(err);
            done += left;
            written_ += left;
            continue;
        }
        ssize_t n = sys(Step::Write, [&] { return ::write(fd_, p, left); });
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return IoResult::fromErrno(errno);
        }
        done += static_cast<std::size_t>(n);
        written_ += static_cast<std::uint64_t>(n);
    }
    buffer_.clear();
    return IoResult::success();
}

IoResult SafeFile::write(const void* data, std::size_t size)
{
    if (fd_ < 0)
        return IoResult::fromErrno(EBADF);
    buffer_.append(static_cast<const char*>(data), size);
    if (buffer_.size() >= bufferSize()) {
        IoResult r = flushBuffer();
        if (!r)
            return failed(r);
        return r;
    }
    return IoResult::success();
}

IoResult SafeFile::commit()
{
    if (fd_ < 0)
        return IoResult::fromErrno(EBADF);
    return method_ == Method::InPlace ? commitInPlace() : commitReplace();
}

IoResult SafeFile::commitReplace()
{
    const bool synced = options_.durability == Durability::Synced;
    IoResult r = flushBuffer();
    if (!r) {
        discard();
        return r;
    }
    if (options_.times)
        futimens(fd_, options_.times->data());
    if (synced && sys(Step::Sync, [&] { return fsync(fd_); }) != 0) {
        const int err = errno;
        discard();
        return IoResult::fromErrno(err);
    }
    // A second descriptor keeps our lock (and the anonymous file) until the
    // file is in place, while closing the first reports late write errors.
    int held = dup(fd_);
    auto fail = [&](int err) {
        if (!temp_.empty())
            unlink(temp_.c_str());
        temp_.clear();
        if (held >= 0)
            ::close(held);
        method_ = Method::None;
        return IoResult::fromErrno(err);
    };
    const int closeFault = faultAt(Step::Close);
    const int closed = ::close(fd_) == 0 && closeFault == 0 ? 0 : (closeFault ? closeFault : errno);
    fd_ = -1;
    if (held < 0)
        return fail(errno ? errno : EMFILE);
    if (closed != 0)
        return fail(closed);
    const std::string folder = folderOf(target_);
    bool inPlace = false;
    if (method_ == Method::Anonymous) {
        const std::string proc = "/proc/self/fd/" + std::to_string(held);
        auto link = [&](const std::string& name) {
            return sys(Step::Link, [&] { return linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW); });
        };
        struct stat st;
        // A new file gets its name directly; an existing one is replaced
        // through a hidden name, as a link never replaces a file.
        if (lstat(target_.c_str(), &st) != 0 && errno == ENOENT) {
            if (link(target_) == 0)
                inPlace = true;
            else if (errno != EEXIST || options_.createOnly)
                return fail(errno);
        } else if (options_.createOnly) {
            return fail(EEXIST);
        }
        while (!inPlace) {
            temp_ = folder + "/" + std::string(kTempPrefix) + randomSuffix();
            if (link(temp_) == 0)
                break;
            const int err = errno;
            temp_.clear();
            if (err != EEXIST)
                return fail(err);
        }
    }
    // A new file only: a link never replaces what appeared meanwhile.
    if (!inPlace && options_.createOnly) {
        if (sys(Step::Rename, [&] { return ::link(temp_.c_str(), target_.c_str()); }) != 0)
            return fail(errno);
        unlink(temp_.c_str());
        inPlace = true;
    }
    if (!inPlace && sys(Step::Rename, [&] { return rename(temp_.c_str(), target_.c_str()); }) != 0)
        return fail(errno);
    temp_.clear();
    ::close(held);
    method_ = Method::None;
    // The content is in place, but until the folder is on disk a power loss
    // may bring the old file back: the user must hear of it.
    if (synced)
        if (int err = syncFolder(folder, true))
            return IoResult::fromErrno(err);
    return IoResult::success();
}

IoResult SafeFile::commitInPlace()
{
    IoResult r = flushBuffer();
    auto fail = [&](IoResult failure) { return failed(failure); };
    if (!r)
        return fail(r);
    touched_ = true;
    if (int err = journal_.beforeTruncate(written_))
        return fail(IoResult::fromErrno(err));
    if (sys(Step::Truncate, [&] { return ftruncate(fd_, static_cast<off_t>(written_)); }) != 0)
        return fail(IoResult::fromErrno(errno));
    if (options_.durability == Durability::Synced && sys(Step::Sync, [&] { return fsync(fd_); }) != 0)
        return fail(IoResult::fromErrno(errno));
    const int closeFault = faultAt(Step::Close);
    if (closeFault != 0)
        return fail(IoResult::fromErrno(closeFault));
    const int closed = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (closed != 0)
        return fail(IoResult::fromErrno(closed));
    dropBackup();
    method_ = Method::None;
    return IoResult::success();
}

IoResult SafeFile::restoreOld()
{
    // Read too: the write-back records what it covers before it writes.
    int fd = fd_ >= 0 ? fd_ : ::open(target_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return IoResult::fromErrno(errno);
    const int err = journal_.restore(fd, options_.durability == Durability::Synced);
    if (fd != fd_)
        ::close(fd);
    return err == 0 ? IoResult::success() : IoResult::fromErrno(err);
}

void SafeFile::dropBackup() { journal_.drop(); }

IoResult SafeFile::failed(const IoResult& cause)
{
    keptAside_.clear();
    discard();
    return keptAside_.empty() ? cause : UnrestoredSaveFailure(cause, keptAside_);
}

void SafeFile::discard()
{
    if (method_ == Method::InPlace) {
        // The file goes back to its old content; should even that fail, the
        // copy stays for recoverInterrupted().
        if (!touched_ || restoreOld()) {
            dropBackup();
        } else {
            keptAside_ = journal_.path();
            journal_.close();
        }
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
    method_ = Method::None;
    written_ = 0;
    touched_ = false;
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
    if (!S_ISREG(st.st_mode))
        return NotRegularFile();
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
