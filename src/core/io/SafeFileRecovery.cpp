// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/SafeFileRecovery.h"
#include "core/io/SafeFileDetail.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <utility>
#include <sys/file.h>
#include <unistd.h>
#include <xxhash.h>

namespace quill {

using faults::Step;
using namespace detail;

namespace {

constexpr std::string_view kCopyPrefix = "quillbook-save-";
constexpr std::string_view kMagic = "QUILLBOOK-SAVE 2\n";
constexpr char kSlotMagic[4] = {'Q', 'B', 'J', '2'};
constexpr std::uint32_t kPiece = 0, kCut = 1;

// A record of the piece about to be written, in one of two slots after the
// old content: the newer valid one tells the state of the file.
struct Slot {
    char magic[4];
    std::uint32_t kind;
    std::uint64_t seq, start, end, hashBefore, check;
};
static_assert(sizeof(Slot) == 48);

std::uint64_t slotCheck(const Slot& s, const char* data, std::size_t size)
{
    XXH3_state_t* st = XXH3_createState();
    XXH3_64bits_reset(st);
    XXH3_64bits_update(st, &s, offsetof(Slot, check));
    XXH3_64bits_update(st, data, size);
    const std::uint64_t h = XXH3_64bits_digest(st);
    XXH3_freeState(st);
    return h;
}

std::mutex gNoticeMutex;
std::vector<RecoveryNotice> gNotices;

struct Header {
    unsigned long long dev = 0, ino = 0, size = 0, pid = 0, capacity = 0;
    std::string target;
    std::uint64_t length = 0;
};

// A copy an earlier version made ("QUILLBOOK-SAVE 1"): it records no state
// to check the file against, so its old content is only kept aside.
bool parseFirstHeader(int fd, Header& h)
{
    constexpr std::string_view magic = "QUILLBOOK-SAVE 1\n";
    std::string buf(magic.size() + 128 + PATH_MAX + 2, '\0');
    ssize_t got = pread(fd, buf.data(), buf.size(), 0);
    if (got <= 0)
        return false;
    buf.resize(static_cast<std::size_t>(got));
    const std::size_t line = buf.find('\n', magic.size());
    const std::size_t end = line == std::string::npos ? line : buf.find('\n', line + 1);
    if (buf.compare(0, magic.size(), magic) != 0 || end == std::string::npos
        || std::sscanf(buf.c_str() + magic.size(), "%llu %llu %llu", &h.dev, &h.ino, &h.size) != 3)
        return false;
    h.target = buf.substr(line + 1, end - line - 1);
    h.length = end + 1;
    h.pid = 0;
    return true;
}

bool parseHeader(int fd, Header& h)
{
    std::string buf(kMagic.size() + 128 + PATH_MAX + 2, '\0');
    ssize_t got = pread(fd, buf.data(), buf.size(), 0);
    if (got <= 0)
        return false;
    buf.resize(static_cast<std::size_t>(got));
    if (buf.compare(0, kMagic.size(), kMagic) != 0)
        return false;
    const std::size_t line = buf.find('\n', kMagic.size());
    const std::size_t end = line == std::string::npos ? line : buf.find('\n', line + 1);
    if (end == std::string::npos)
        return false;
    if (std::sscanf(buf.c_str() + kMagic.size(), "%llu %llu %llu %llu %llu", &h.dev, &h.ino, &h.size, &h.pid,
                    &h.capacity)
        != 5)
        return false;
    h.target = buf.substr(line + 1, end - line - 1);
    h.length = end + 1;
    return !h.target.empty() && h.target[0] == '/';
}

bool readSlot(int fd, const Header& h, int k, Slot& s, std::string& data)
{
    const off_t at = static_cast<off_t>(h.length + h.size + static_cast<std::uint64_t>(k) * (sizeof(Slot) + h.capacity));
    if (preadAll(fd, reinterpret_cast<char*>(&s), sizeof s, at) != 0 || std::memcmp(s.magic, kSlotMagic, 4) != 0
        || s.end < s.start || s.end - s.start > h.capacity)
        return false;
    data.resize(s.end - s.start);
    return preadAll(fd, data.data(), data.size(), at + static_cast<off_t>(sizeof s)) == 0
           && slotCheck(s, data.data(), data.size()) == s.check;
}

// Hash of the first `length` bytes of the file; false when it is shorter.
bool hashPrefix(int fd, std::uint64_t length, std::uint64_t& hash)
{
    XXH3_state_t* st = XXH3_createState();
    XXH3_64bits_reset(st);
    std::string buf(1 << 20, '\0');
    bool ok = true;
    for (std::uint64_t at = 0; at < length && ok;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), length - at));
        ok = preadAll(fd, buf.data(), want, static_cast<off_t>(at)) == 0;
        XXH3_64bits_update(st, buf.data(), want);
        at += want;
    }
    hash = XXH3_64bits_digest(st);
    XXH3_freeState(st);
    return ok;
}

// Whether the file's bytes [from, to) equal the old content's.
bool sameAsOld(int file, int copy, const Header& h, std::uint64_t from, std::uint64_t to)
{
    std::string a(1 << 16, '\0'), b(1 << 16, '\0');
    for (std::uint64_t at = from; at < to;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(a.size(), to - at));
        if (preadAll(file, a.data(), want, static_cast<off_t>(at)) != 0
            || preadAll(copy, b.data(), want, static_cast<off_t>(h.length + at)) != 0
            || std::memcmp(a.data(), b.data(), want) != 0)
            return false;
        at += want;
    }
    return true;
}

enum class State { Untouched, Interrupted, Different };

bool holdsInterruptedState(int file, int copy, const Header& h);

// What the file holds: its old content still (the write never began), what
// the cut-off write left, or anything else.
State stateOf(int file, int copy, const Header& h)
{
    struct stat st;
    if (fstat(file, &st) == 0 && static_cast<std::uint64_t>(st.st_size) == h.size
        && sameAsOld(file, copy, h, 0, h.size))
        return State::Untouched;
    return holdsInterruptedState(file, copy, h) ? State::Interrupted : State::Different;
}

// Whether the file holds exactly what the cut-off write can have left.
bool holdsInterruptedState(int file, int copy, const Header& h)
{
    struct stat st;
    if (fstat(file, &st) != 0)
        return false;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    Slot slots[2];
    std::string data[2];
    int newest = -1;
    for (int k = 0; k < 2; ++k)
        if (readSlot(copy, h, k, slots[k], data[k]) && (newest < 0 || slots[k].seq > slots[newest].seq))
            newest = k;
    if (newest < 0)  // nothing written yet: the file must be the old one
        return size == h.size && sameAsOld(file, copy, h, 0, size);
    const Slot& s = slots[newest];
    const std::string& piece = data[newest];
    std::uint64_t hash = 0;
    if (s.kind == kCut) {
        if (!hashPrefix(file, s.start, hash) || hash != s.hashBefore)
            return false;
        // Cut already, or all new content in and the old tail still behind it.
        return size == s.start || (size == std::max<std::uint64_t>(h.size, s.start)
                                   && sameAsOld(file, copy, h, s.start, size));
    }
    if (s.kind != kPiece || size < h.size || !hashPrefix(file, s.start, hash) || hash != s.hashBefore)
        return false;
    // The piece [start, end) may be written in part: new bytes first, then
    // the old ones (or nothing beyond the old length).
    const std::uint64_t seen = std::min<std::uint64_t>(s.end, size) - std::min<std::uint64_t>(s.start, size);
    std::string now(seen, '\0');
    if (preadAll(file, now.data(), now.size(), static_cast<off_t>(s.start)) != 0)
        return false;
    std::size_t same = 0;  // how far the file holds the new piece
    while (same < now.size() && now[same] == piece[same])
        ++same;
    if (size > h.size) {
        // Grown: exactly the new bytes up to the end of the file.
        if (size > s.end || size - s.start > same)
            return false;
        return true;
    }
    // Behind the new bytes the old ones: some point no further than where
    // the new piece stops matching must have only old bytes after it (a new
    // byte equal to the old one may sit on either side).
    std::string old(now.size(), '\0');
    if (preadAll(copy, old.data(), old.size(), static_cast<off_t>(h.length + s.start)) != 0)
        return false;
    std::size_t oldFrom = now.size();
    while (oldFrom > 0 && now[oldFrom - 1] == old[oldFrom - 1])
        --oldFrom;
    return oldFrom <= same && (s.end >= size || sameAsOld(file, copy, h, s.end, size));
}

int restoreFromCopy(int target, int copy, std::uint64_t header, std::uint64_t size, bool sync)
{
    if (int err = copyRange(copy, static_cast<off_t>(header), target, 0, size, Step::Write, false))
        return err;
    if (ftruncate(target, static_cast<off_t>(size)) != 0)
        return errno;
    if (sync && fsync(target) != 0)
        return errno;
    return 0;
}

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the old content to a ledger file of its own beside the copy.
// Returns its path, empty when that failed.
std::string keepAside(const std::string& folder, int copy, const Header& h)
{
    std::string name = baseName(h.target);
    std::string extension;
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) {
        extension = name.substr(dot);
        name.resize(dot);
    }
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    for (int k = 1; k < 100; ++k) {
        const std::string path = folder + "/복구_" + name + "_" + stamp + (k > 1 ? "-" + std::to_string(k) : "")
                                 + (extension.empty() ? ".Aut" : extension);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return {};
        const bool ok = copyRange(copy, static_cast<off_t>(h.length), fd, 0, h.size, Step::Write, false) == 0
                        && fsync(fd) == 0;
        if (::close(fd) != 0 || !ok) {
            unlink(path.c_str());
            return {};
        }
        return path;
    }
    return {};
}

bool processGone(unsigned long long pid)
{
    return pid == 0 || pid > static_cast<unsigned long long>(INT_MAX) || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

void recoverIn(const std::string& folder, const struct stat* only, const std::string& onlyPath,
               std::vector<RecoveryNotice>& out)
{
    for (const std::string& name : namesWithPrefix(folder, kCopyPrefix)) {
        const std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st;
        Header h;
        const bool ours = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
        bool parsed = ours && parseHeader(fd, h);
        const bool first = ours && !parsed && parseFirstHeader(fd, h);
        parsed = parsed || first;
        // A copy being written by a running process is its own.
        const int lock = ours ? tryLock(fd) : 0;
        if (!ours || lock == 0 || (lock < 0 && !(parsed && processGone(h.pid)))) {
            ::close(fd);
            continue;
        }
        if (only && !(parsed && ((h.dev == only->st_dev && h.ino == only->st_ino) || h.target == onlyPath))) {
            ::close(fd);
            continue;
        }
        // An incomplete copy means the write into the file never began: the
        // copy is synced before the first byte of the file changes.
        if (!parsed || static_cast<std::uint64_t>(st.st_size) < h.length + h.size) {
            unlink(path.c_str());
            ::close(fd);
            continue;
        }
        RecoveryNotice notice;
        notice.ledger = h.target;
        struct stat now;
        int target = -1;
        if (stat(h.target.c_str(), &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == h.dev && now.st_ino == h.ino)
            target = ::open(h.target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        bool done = false;
        const State state = target >= 0 && !first ? stateOf(target, fd, h) : State::Different;
        if (state == State::Interrupted) {
            done = restoreFromCopy(target, fd, h.length, h.size, true) == 0;
            notice.restored = done;
        }
        if (target >= 0)
            ::close(target);
        if (state == State::Untouched) {
            // Cut off before its first byte: nothing to tell.
            unlink(path.c_str());
            ::close(fd);
            continue;
        }
        if (!done) {
            // Changed since, replaced, gone or not writable: its present
            // content stays, and the old one is not lost either.
            notice.kept = keepAside(folder, fd, h);
            done = !notice.kept.empty();
            if (!done)
                notice.kept = path;  // the copy itself stays where it is
        }
        if (done)
            unlink(path.c_str());
        ::close(fd);
        out.push_back(std::move(notice));
    }
}

} // namespace

std::string RecoveryNoticeText(const RecoveryNotice& n)
{
    if (n.restored)
        return "저장 도중에 끊긴 장부를 저장하기 전의 내용으로 되돌렸습니다: " + n.ledger;
    return "저장 도중에 끊긴 장부의 이전 내용을 따로 보관했습니다: " + n.kept + "\n장부 파일 " + n.ledger
           + "은(는) 그 뒤에 바뀌었거나 찾을 수 없어 그대로 두었습니다. 보관한 파일을 열어 확인하세요.";
}

std::vector<RecoveryNotice> RecoverInterruptedWrites(const std::string& onlyLedger, const std::string& folder)
{
    std::vector<RecoveryNotice> out;
    struct stat only {};
    std::string onlyPath;
    if (!onlyLedger.empty()) {
        onlyPath = absolutePath(onlyLedger);
        if (stat(onlyLedger.c_str(), &only) != 0)
            only = {};
    }
    std::vector<std::string> folders = privateScratchFolders(folder);
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (std::find(folders.begin(), folders.begin() + static_cast<long>(i), folders[i]) == folders.begin() + static_cast<long>(i))
            recoverIn(folders[i], onlyLedger.empty() ? nullptr : &only, onlyPath, out);
    if (!out.empty()) {
        std::lock_guard guard(gNoticeMutex);
        gNotices.insert(gNotices.end(), out.begin(), out.end());
    }
    return out;
}

std::vector<RecoveryNotice> TakeRecoveryNotices()
{
    std::lock_guard guard(gNoticeMutex);
    return std::exchange(gNotices, {});
}

std::string TakeRecoveryNoticeText()
{
    std::string text;
    for (const RecoveryNotice& n : TakeRecoveryNotices())
        text += (text.empty() ? "" : "\n\n") + RecoveryNoticeText(n);
    return text;
}

// --- the journal ---------------------------------------------------------------------------

int InPlaceJournal::begin(const std::string& folder, int target, const struct stat& st, const std::string& path,
                          bool synced)
{
    close();
    synced_ = synced;
    oldSize_ = static_cast<std::uint64_t>(st.st_size);
    capacity_ = bufferSize();
    seq_ = 0;
    newLength_ = 0;
    int fd = createLocked(folder, kCopyPrefix, path_, Step::Backup);
    if (fd < 0)
        return -fd;
    fd_ = fd;
    const std::string header = std::string(kMagic) + std::to_string(st.st_dev) + ' ' + std::to_string(st.st_ino)
                               + ' ' + std::to_string(st.st_size) + ' ' + std::to_string(getpid()) + ' '
                               + std::to_string(capacity_) + '\n' + absolutePath(path) + '\n';
    header_ = header.size();
    auto fail = [&](int err) {
        drop();
        return err;
    };
    if (int err = writeAll(fd_, header.data(), header.size(), Step::Backup))
        return fail(err);
    if (int err = copyRange(target, 0, fd_, -1, oldSize_, Step::Backup, true))
        return fail(err);
    if (synced) {
        const int injected = faultAt(Step::Backup);
        if (injected || fsync(fd_) != 0)
            return fail(injected ? injected : errno);
    }
    if (synced)
        syncFolder(folder, false);
    auto* state = XXH3_createState();
    XXH3_64bits_reset(state);
    hash_ = state;
    return 0;
}

int InPlaceJournal::record(std::uint32_t kind, std::uint64_t start, const char* data, std::size_t size)
{
    Slot s{};
    std::memcpy(s.magic, kSlotMagic, 4);
    s.kind = kind;
    s.seq = ++seq_;
    s.start = start;
    s.end = start + size;
    s.hashBefore = XXH3_64bits_digest(static_cast<XXH3_state_t*>(hash_));
    s.check = slotCheck(s, data, size);
    const off_t at = static_cast<off_t>(header_ + oldSize_ + (s.seq % 2) * (sizeof(Slot) + capacity_));
    if (int err = pwriteAll(fd_, reinterpret_cast<const char*>(&s), sizeof s, at, Step::Backup))
        return err;
    if (size && pwriteAll(fd_, data, size, at + static_cast<off_t>(sizeof s), Step::Backup, false) != 0)
        return errno ? errno : EIO;
    if (synced_ && fdatasync(fd_) != 0)
        return errno;
    return 0;
}

int InPlaceJournal::beforeWrite(std::uint64_t at, const char* data, std::size_t size)
{
    if (fd_ < 0 || at != newLength_ || size > capacity_)
        return EINVAL;
    if (int err = record(kPiece, at, data, size))
        return err;
    XXH3_64bits_update(static_cast<XXH3_state_t*>(hash_), data, size);
    newLength_ += size;
    return 0;
}

int InPlaceJournal::beforeTruncate(std::uint64_t length)
{
    if (fd_ < 0 || length != newLength_)
        return EINVAL;
    return record(kCut, length, nullptr, 0);
}

int InPlaceJournal::restore(int target, bool synced) const
{
    if (fd_ < 0)
        return EBADF;
    return restoreFromCopy(target, fd_, header_, oldSize_, synced);
}

void InPlaceJournal::drop()
{
    if (!path_.empty())
        unlink(path_.c_str());
    close();
}

void InPlaceJournal::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    path_.clear();
    if (hash_)
        XXH3_freeState(static_cast<XXH3_state_t*>(hash_));
    hash_ = nullptr;
}

} // namespace quill
