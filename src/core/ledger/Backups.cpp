// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledger/Backups.h"

#include "ledger/DiskStamp.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace quill {

namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Folder (with its separator, or empty), name without the last extension,
// and that extension with its dot.
struct LedgerName {
    std::string folder, stem, extension;
};

LedgerName splitName(const std::string& path)
{
    LedgerName n;
    const std::size_t slash = path.rfind('/');
    n.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        n.extension = base.substr(dot);
        base.resize(dot);
    }
    n.stem = std::move(base);
    return n;
}

bool digits(const std::string& s, std::size_t from, std::size_t count)
{
    if (from + count > s.size())
        return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// Order of the backups of one ledger: minute, then the seconds (a name
// without them came first in its minute), then the number.
using BackupKey = std::tuple<std::string, int, int>;

// The key of a backup's name, when it is one of this ledger's.
bool backupKey(const LedgerName& ledger, const std::string& name, BackupKey& key)
{
    const std::string prefix = ledger.stem + "_";
    if (name.size() < prefix.size() + 13 + ledger.extension.size() || name.compare(0, prefix.size(), prefix) != 0
        || name.compare(name.size() - ledger.extension.size(), ledger.extension.size(), ledger.extension) != 0)
        return false;
    const std::string stamp = name.substr(prefix.size(), name.size() - prefix.size() - ledger.extension.size());
    if (!digits(stamp, 0, 8) || stamp[8] != '-' || !digits(stamp, 9, 4))
        return false;
    std::size_t at = 13;
    int seconds = 0, number = 0;
    if (digits(stamp, at, 2)) {
        seconds = 1 + (stamp[at] - '0') * 10 + (stamp[at + 1] - '0');
        at += 2;
        if (at < stamp.size()) {
            if (stamp[at] != '-' || stamp.size() - at - 1 < 1 || stamp.size() - at - 1 > 3
                || !digits(stamp, at + 1, stamp.size() - at - 1))
                return false;
            number = std::stoi(stamp.substr(at + 1));
            at = stamp.size();
        }
    }
    if (at != stamp.size())
        return false;
    key = {stamp.substr(0, 8) + stamp.substr(9, 4), seconds, number};
    return true;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// A name in the backup folder that is not taken yet.
std::string freeBackupName(const std::string& folder, const LedgerName& ledger, const BackupTime& t)
{
    char minute[32], second[8];
    std::snprintf(minute, sizeof minute, "%04d%02d%02d-%02d%02d", t.year % 10000, t.month % 100, t.day % 100,
                  t.hour % 100, t.minute % 100);
    std::snprintf(second, sizeof second, "%02d", t.second % 100);
    const std::string base = folder + ledger.stem + "_" + minute;
    std::string name = base + ledger.extension;
    if (!exists(name))
        return name;
    name = base + second + ledger.extension;
    for (int k = 2; exists(name) && k < 1000; ++k)
        name = base + second + "-" + std::to_string(k) + ledger.extension;
    return name;
}

// Copies the bytes and the modification time (the version's own time);
// the copy gets the original's permissions. A failed copy is removed.
IoResult copyFile(const std::string& from, const std::string& to)
{
    Descriptor in{::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (in.fd < 0)
        return IoResult::fromErrno(errno);
    struct stat st;
    if (::fstat(in.fd, &st) != 0)
        return IoResult::fromErrno(errno);
    Descriptor out{::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0666)};
    if (out.fd < 0)
        return IoResult::fromErrno(errno);
    auto fail = [&](int err) {
        ::unlink(to.c_str());
        return IoResult::fromErrno(err);
    };
    bool plain = false;
    for (;;) {
        ssize_t n = plain ? 0 : ::copy_file_range(in.fd, nullptr, out.fd, nullptr, 1 << 30, 0);
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            plain = true;  // not between these file systems: copy through a buffer
            continue;
        }
        if (plain) {
            char buf[1 << 16];
            n = ::read(in.fd, buf, sizeof buf);
            for (ssize_t done = 0; n > 0 && done < n;) {
                ssize_t w = ::write(out.fd, buf + done, static_cast<std::size_t>(n - done));
                if (w < 0 && errno != EINTR)
                    return fail(errno);
                done += w > 0 ? w : 0;
            }
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        if (n == 0)
            break;
    }
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.fd, times);
    const int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0)
        return fail(errno);
    return IoResult::success();
}

bool sameContent(const std::string& a, const std::string& b)
{
    // Most saves change the size: no need to read either file then.
    struct stat st1, st2;
    if (::stat(a.c_str(), &st1) != 0 || ::stat(b.c_str(), &st2) != 0 || st1.st_size != st2.st_size)
        return false;
    DiskStamp sa, sb;
    return TakeDiskStamp(a, sa) && TakeDiskStamp(b, sb) && sa.size == sb.size && sa.hash == sb.hash;
}

} // namespace

BackupTime LocalBackupTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string BackupFolderOf(const std::string& ledgerPath)
{
    return splitName(ledgerPath).folder + kBackupFolderName;
}

std::vector<std::string> ListBackups(const std::string& ledgerPath)
{
    const LedgerName ledger = splitName(ledgerPath);
    const std::string folder = BackupFolderOf(ledgerPath);
    std::vector<std::pair<BackupKey, std::string>> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            BackupKey key;
            if (backupKey(ledger, e->d_name, key))
                found.emplace_back(key, folder + "/" + e->d_name);
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    out.reserve(found.size());
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

IoResult KeepBackup(const std::string& ledgerPath, const BackupTime& time, std::string* made)
{
    if (made)
        made->clear();
    struct stat st;
    if (::stat(ledgerPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return IoResult::success();  // no earlier version to keep
    const std::string folder = BackupFolderOf(ledgerPath);
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        return IoResult::fromErrno(errno);
    const std::vector<std::string> backups = ListBackups(ledgerPath);
    if (!backups.empty() && sameContent(ledgerPath, backups.back()))
        return IoResult::success();
    const std::string target = freeBackupName(folder + "/", splitName(ledgerPath), time);
    if (IoResult r = copyFile(ledgerPath, target); !r)
        return r;
    if (made)
        *made = target;
    return IoResult::success();
}

IoResult PruneBackups(const std::string& ledgerPath, std::size_t keep)
{
    const std::vector<std::string> backups = ListBackups(ledgerPath);
    IoResult result;
    for (std::size_t i = 0; i + keep < backups.size(); ++i)
        if (::unlink(backups[i].c_str()) != 0 && result)
            result = IoResult::fromErrno(errno);
    return result;
}

void DropBackup(const std::string& backupPath)
{
    if (backupPath.empty())
        return;
    ::unlink(backupPath.c_str());
    const std::size_t slash = backupPath.rfind('/');
    if (slash != std::string::npos)
        ::rmdir(backupPath.substr(0, slash).c_str());  // only when empty
}

} // namespace quill
