// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/Backups.h"

#include "core/io/SafeFile.h"
#include "core/ledger/DiskStamp.h"

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

std::string stampName(const std::string& folder, const LedgerName& ledger, const BackupTime& t, bool seconds,
                      int number)
{
    char minute[32], second[8];
    std::snprintf(minute, sizeof minute, "%04d%02d%02d-%02d%02d", t.year % 10000, t.month % 100, t.day % 100,
                  t.hour % 100, t.minute % 100);
    std::snprintf(second, sizeof second, "%02d", t.second % 100);
    std::string name = folder + ledger.stem + "_" + minute;
    if (seconds)
        name += second;
    if (number > 1)
        name += "-" + std::to_string(number);
    return name + ledger.extension;
}

// A name not taken yet that sorts after every backup already there (a name
// freed by pruning must not come back as the oldest). When the clock went
// back, the newest name's own time goes on with a higher number.
std::string nextBackupName(const std::string& folder, const LedgerName& ledger, const BackupTime& t,
                           const BackupKey* newest)
{
    auto fits = [&](const std::string& path) {
        BackupKey key;
        const std::string name = path.substr(folder.size());
        return !exists(path) && backupKey(ledger, name, key) && (!newest || *newest < key);
    };
    std::string name = stampName(folder, ledger, t, false, 0);
    if (fits(name))
        return name;
    for (int k = 1; k < 1000; ++k) {
        name = stampName(folder, ledger, t, true, k);
        if (fits(name))
            return name;
    }
    if (!newest)
        return name;
    const std::string& m = std::get<0>(*newest);
    BackupTime last{std::stoi(m.substr(0, 4)), std::stoi(m.substr(4, 2)), std::stoi(m.substr(6, 2)),
                    std::stoi(m.substr(8, 2)), std::stoi(m.substr(10, 2)), std::max(0, std::get<1>(*newest) - 1)};
    for (int k = std::max(2, std::get<2>(*newest) + 1); k < 1000; ++k) {
        name = stampName(folder, ledger, last, true, k);
        if (fits(name))
            return name;
    }
    return name;
}

// The key of this moment plus a day: a backup named later than that was not
// made by us (a clock cannot have run ahead that far), and pruning by it
// would throw every real backup away.
BackupKey latestPlausibleKey()
{
    const std::time_t later = std::time(nullptr) + 24 * 3600;
    std::tm tm{};
    localtime_r(&later, &tm);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d", (tm.tm_year + 1900) % 10000, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min);
    return {stamp, 99, 999};
}

// Copies the bytes and the modification time (the version's own time);
// the copy gets the original's permissions. It is written as every file we
// keep: to a temporary file, synced, and given its name only when complete,
// so a kill never leaves a backup cut short under a backup's name.
// EEXIST when the name was taken meanwhile.
IoResult copyFile(const std::string& from, const std::string& to)
{
    Descriptor in{::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (in.fd < 0)
        return IoResult::fromErrno(errno);
    struct stat st;
    if (::fstat(in.fd, &st) != 0)
        return IoResult::fromErrno(errno);
    SafeFile::Options options;
    options.mode = static_cast<int>(st.st_mode & 0666);
    options.createOnly = true;
    options.times = {st.st_atim, st.st_mtim};
    SafeFile out(to, options);
    if (IoResult r = out.open(); !r)
        return r;
    std::string buf(1 << 16, '\0');
    for (;;) {
        ssize_t n = ::read(in.fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return IoResult::fromErrno(errno);
        if (n == 0)
            break;
        if (IoResult r = out.write(buf.data(), static_cast<std::size_t>(n)); !r)
            return r;
    }
    return out.commit();
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

namespace {

uid_t ledgerOwner(const std::string& ledgerPath)
{
    struct stat st;
    return ::stat(ledgerPath.c_str(), &st) == 0 ? st.st_uid : ::geteuid();
}

// "백업" receives backups only as a real folder (never a link someone
// planted) of the user's own, or of the ledger's owner when the user saves
// a colleague's ledger through the group's rights. Made when missing.
IoResult checkBackupFolder(const std::string& folder, uid_t owner, bool create)
{
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || !create)
            return IoResult::fromErrno(errno);
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
            return IoResult::fromErrno(errno);
        if (::lstat(folder.c_str(), &st) != 0)
            return IoResult::fromErrno(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return IoResult::failure("백업 폴더 자리에 폴더가 아닌 것(링크나 파일)이 있어 백업하지 않았습니다", ENOTDIR);
    if (st.st_uid != ::geteuid() && st.st_uid != owner)
        return IoResult::failure("다른 사용자의 폴더라서 백업하지 않았습니다", EPERM);
    return IoResult::success();
}

std::vector<std::pair<BackupKey, std::string>> listBackups(const std::string& ledgerPath)
{
    const LedgerName ledger = splitName(ledgerPath);
    const std::string folder = BackupFolderOf(ledgerPath);
    const uid_t owner = ledgerOwner(ledgerPath);
    std::vector<std::pair<BackupKey, std::string>> found;
    if (!checkBackupFolder(folder, owner, false))
        return found;
    const BackupKey latest = latestPlausibleKey();
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            BackupKey key;
            struct stat st;
            const std::string path = folder + "/" + e->d_name;
            // Only regular files of the user (or the ledger's owner) under
            // our own names, none dated after what any clock can say now.
            if (backupKey(ledger, e->d_name, key) && !(latest < key) && ::lstat(path.c_str(), &st) == 0
                && S_ISREG(st.st_mode) && (st.st_uid == ::geteuid() || st.st_uid == owner))
                found.emplace_back(key, path);
        }
        ::closedir(dir);
    }
    // Every name we give sorts after those before it: the order of the
    // names is the order in which the backups were made.
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

std::vector<std::string> ListBackups(const std::string& ledgerPath)
{
    std::vector<std::string> out;
    for (auto& f : listBackups(ledgerPath))
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
    if (IoResult r = checkBackupFolder(folder, st.st_uid, true); !r)
        return r;
    const auto backups = listBackups(ledgerPath);
    if (!backups.empty() && sameContent(ledgerPath, backups.back().second))
        return IoResult::success();
    IoResult r;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::string target =
            nextBackupName(folder + "/", splitName(ledgerPath), time, backups.empty() ? nullptr : &backups.back().first);
        r = copyFile(ledgerPath, target);
        if (r) {
            if (made)
                *made = target;
            return r;
        }
        if (r.code != EEXIST)
            break;  // not a name another copy took meanwhile
    }
    return r;
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
