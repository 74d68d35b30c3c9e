// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/SafeFileRecovery.h"
#include "core/io/ErrorText.h"
#include "core/io/IoResult.h"
#include "core/io/SafeFileDetail.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
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
constexpr std::string_view kExportPrefix = "quillbook-export-";
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

// Runs a system call unless the crash tests fail it in its place.
template <class Call>
auto sys(Step step, Call&& call) -> decltype(call())
{
    if (int e = faultAt(step)) {
        errno = e;
        return -1;
    }
    return call();
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

// --- the write-back of the old content -----------------------------------------------------
//
// The write-back is an in-place write of its own and may be cut off too.
// So it is journalled in the copy, behind the slots of the save: first what
// the file held when the write-back began (its size, a hash of each piece
// the old content will cover, a hash of what lies beyond the old length),
// then, before each piece of old content goes in, the file's bytes it will
// cover. The copy is removed only once the file holds its old content again;
// a later recovery that finds the file in any state the write-back can have
// left finishes it, and keeps the old content aside otherwise.

constexpr char kRestoreMagic[4] = {'Q', 'B', 'R', '1'};
constexpr std::uint32_t kRestorePiece = 2;

struct RestoreHead {
    char magic[4];
    std::uint32_t reserved;
    std::uint64_t piece, fileSize, pieces, tailHash, check;
};
static_assert(sizeof(RestoreHead) == 48);

struct Restore {
    RestoreHead head{};
    std::vector<std::uint64_t> hashes;  // of the file's pieces when the write-back began
    std::uint64_t slots = 0;            // where its two slots begin in the copy
};

std::uint64_t restoreArea(const Header& h) { return h.length + h.size + 2 * (sizeof(Slot) + h.capacity); }

std::uint64_t restoreCheck(const RestoreHead& head, const std::vector<std::uint64_t>& hashes)
{
    XXH3_state_t* st = XXH3_createState();
    XXH3_64bits_reset(st);
    XXH3_64bits_update(st, &head, offsetof(RestoreHead, check));
    XXH3_64bits_update(st, hashes.data(), hashes.size() * sizeof(std::uint64_t));
    const std::uint64_t h = XXH3_64bits_digest(st);
    XXH3_freeState(st);
    return h;
}

std::uint64_t piecesOf(std::uint64_t size, std::uint64_t piece) { return piece ? (size + piece - 1) / piece : 0; }

// The write-back's record in the copy; false when it has none (not begun,
// or cut off while it was written).
bool readRestore(int copy, const Header& h, Restore& r)
{
    if (h.capacity == 0)
        return false;
    const std::uint64_t at = restoreArea(h);
    if (preadAll(copy, reinterpret_cast<char*>(&r.head), sizeof r.head, static_cast<off_t>(at)) != 0
        || std::memcmp(r.head.magic, kRestoreMagic, 4) != 0 || r.head.piece != h.capacity
        || r.head.pieces != piecesOf(h.size, h.capacity))
        return false;
    r.hashes.assign(r.head.pieces, 0);
    if (preadAll(copy, reinterpret_cast<char*>(r.hashes.data()), r.hashes.size() * sizeof(std::uint64_t),
                 static_cast<off_t>(at + sizeof r.head))
            != 0
        || restoreCheck(r.head, r.hashes) != r.head.check)
        return false;
    r.slots = at + sizeof r.head + r.hashes.size() * sizeof(std::uint64_t);
    return true;
}

// Hash of the file's bytes [from, to), as far as the file reaches.
bool hashRange(int fd, std::uint64_t from, std::uint64_t to, std::uint64_t& hash)
{
    XXH3_state_t* st = XXH3_createState();
    XXH3_64bits_reset(st);
    std::string buf(1 << 16, '\0');
    bool ok = true;
    while (from < to && ok) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), to - from));
        const ssize_t got = pread(fd, buf.data(), want, static_cast<off_t>(from));
        if (got < 0 && errno == EINTR)
            continue;
        ok = got >= 0;
        if (got <= 0)
            break;
        XXH3_64bits_update(st, buf.data(), static_cast<std::size_t>(got));
        from += static_cast<std::uint64_t>(got);
    }
    hash = XXH3_64bits_digest(st);
    XXH3_freeState(st);
    return ok;
}

// The newest valid slot of the write-back, or -1.
int newestRestoreSlot(int copy, const Header& h, const Restore& r, Slot slots[2], std::string data[2])
{
    int newest = -1;
    for (int k = 0; k < 2; ++k) {
        const off_t at = static_cast<off_t>(r.slots + static_cast<std::uint64_t>(k) * (sizeof(Slot) + h.capacity));
        Slot& s = slots[k];
        if (preadAll(copy, reinterpret_cast<char*>(&s), sizeof s, at) != 0 || std::memcmp(s.magic, kRestoreMagic, 4) != 0
            || s.end < s.start || s.end - s.start > h.capacity)
            continue;
        data[k].resize(s.end - s.start);
        if (preadAll(copy, data[k].data(), data[k].size(), at + static_cast<off_t>(sizeof s)) != 0
            || slotCheck(s, data[k].data(), data[k].size()) != s.check)
            continue;
        if (newest < 0 || s.seq > slots[newest].seq)
            newest = k;
    }
    return newest;
}

// Whether the file holds exactly what the write-back recorded in `r` can
// have left: the old content up to the piece being written, that piece in
// part, and beyond it what the file held when the write-back began.
bool holdsRestoreState(int file, int copy, const Header& h, const Restore& r)
{
    struct stat st;
    if (fstat(file, &st) != 0)
        return false;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size), piece = h.capacity;
    const std::uint64_t began = r.head.fileSize;
    Slot slots[2];
    std::string data[2];
    const int newest = newestRestoreSlot(copy, h, r, slots, data);
    std::uint64_t hash = 0;
    const bool grown = began > h.size;
    auto tailHolds = [&] {
        return !grown || (size == began && hashRange(file, h.size, began, hash) && hash == r.head.tailHash);
    };
    if (newest >= 0 && slots[newest].kind == kCut)
        return sameAsOld(file, copy, h, 0, h.size) && (size == h.size || (grown && tailHolds()));
    // The piece being written (none yet: all is as the write-back found it).
    const std::uint64_t k = newest >= 0 ? slots[newest].start / piece : 0;
    if (newest >= 0 && (slots[newest].kind != kRestorePiece || slots[newest].start % piece != 0 || k >= r.head.pieces))
        return false;
    const std::uint64_t from = k * piece, pieceEnd = std::min<std::uint64_t>(from + piece, h.size);
    if (size < std::min<std::uint64_t>(from, h.size) || !sameAsOld(file, copy, h, 0, from))
        return false;
    if (grown ? size != began : (size < began || size > std::max<std::uint64_t>(began, newest >= 0 ? pieceEnd : began)))
        return false;
    std::uint64_t first = k;
    if (newest >= 0) {
        // Old bytes first, then what the file held (a byte equal in both
        // may count as either).
        const std::string& was = data[newest];
        const std::uint64_t reach = std::min<std::uint64_t>(size, pieceEnd);
        std::string now(reach > from ? reach - from : 0, '\0'), old(pieceEnd - from, '\0');
        if (preadAll(file, now.data(), now.size(), static_cast<off_t>(from)) != 0
            || preadAll(copy, old.data(), old.size(), static_cast<off_t>(h.length + from)) != 0)
            return false;
        std::size_t same = 0;
        while (same < now.size() && now[same] == old[same])
            ++same;
        if (now.size() > was.size()) {
            // Grown by this piece: old bytes as far as the file reaches.
            if (same != now.size())
                return false;
        } else {
            if (now.size() != was.size())
                return false;
            std::size_t wasFrom = now.size();
            while (wasFrom > 0 && now[wasFrom - 1] == was[wasFrom - 1])
                --wasFrom;
            if (wasFrom > same)
                return false;
        }
        first = k + 1;
    }
    for (std::uint64_t i = first; i < r.head.pieces; ++i) {
        const std::uint64_t a = i * piece, b = std::min<std::uint64_t>(a + piece, h.size);
        if (!hashRange(file, a, std::min(b, size), hash) || hash != r.hashes[i])
            return false;
    }
    return tailHolds();
}

// The copy on disk before the step it records counts as done (0, or errno).
int syncCopy(int copy)
{
    if (int err = faultAt(Step::Backup))
        return err;
    return fdatasync(copy) != 0 ? errno : 0;
}

int recordRestore(int copy, const Header& h, const Restore& r, std::uint64_t seq, std::uint32_t kind,
                  std::uint64_t start, const std::string& data, bool sync)
{
    Slot s{};
    std::memcpy(s.magic, kRestoreMagic, 4);
    s.kind = kind;
    s.seq = seq;
    s.start = start;
    s.end = start + data.size();
    s.check = slotCheck(s, data.data(), data.size());
    const off_t at = static_cast<off_t>(r.slots + (seq % 2) * (sizeof(Slot) + h.capacity));
    if (int err = pwriteAll(copy, reinterpret_cast<const char*>(&s), sizeof s, at, Step::Backup))
        return err;
    if (!data.empty())
        if (int err = pwriteAll(copy, data.data(), data.size(), at + static_cast<off_t>(sizeof s), Step::Backup, false))
            return err;
    return sync ? syncCopy(copy) : 0;
}

// Records what the file holds before the write-back changes it.
int beginRestore(int target, int copy, const Header& h, Restore& r, bool sync)
{
    struct stat st;
    if (fstat(target, &st) != 0)
        return errno;
    r.head = {};
    std::memcpy(r.head.magic, kRestoreMagic, 4);
    r.head.piece = h.capacity;
    r.head.fileSize = static_cast<std::uint64_t>(st.st_size);
    r.head.pieces = piecesOf(h.size, h.capacity);
    r.hashes.assign(r.head.pieces, 0);
    for (std::uint64_t i = 0; i < r.head.pieces; ++i) {
        const std::uint64_t a = i * h.capacity, b = std::min<std::uint64_t>(a + h.capacity, h.size);
        if (!hashRange(target, a, std::min(b, r.head.fileSize), r.hashes[i]))
            return errno ? errno : EIO;
    }
    if (!hashRange(target, h.size, std::max<std::uint64_t>(h.size, r.head.fileSize), r.head.tailHash))
        return errno ? errno : EIO;
    r.head.check = restoreCheck(r.head, r.hashes);
    const std::uint64_t at = restoreArea(h);
    r.slots = at + sizeof r.head + r.hashes.size() * sizeof(std::uint64_t);
    // The slots first, so that no slot of an earlier write-back is taken
    // for one of this.
    const std::string blank(2 * sizeof(Slot), '\0');
    for (int k = 0; k < 2; ++k)
        if (int err = pwriteAll(copy, blank.data(), sizeof(Slot),
                                static_cast<off_t>(r.slots + static_cast<std::uint64_t>(k) * (sizeof(Slot) + h.capacity)),
                                Step::Backup, false))
            return err;
    std::string record(reinterpret_cast<const char*>(&r.head), sizeof r.head);
    record.append(reinterpret_cast<const char*>(r.hashes.data()), r.hashes.size() * sizeof(std::uint64_t));
    if (int err = pwriteAll(copy, record.data(), record.size(), static_cast<off_t>(at), Step::Backup))
        return err;
    return sync ? syncCopy(copy) : 0;
}

// Writes the old content back into `target` (opened for reading and
// writing), going on from where an earlier write-back was cut off. 0 or
// the errno; on failure the copy tells a later recovery where it stopped.
int writeBack(int target, int copy, const Header& h, bool sync)
{
    Restore r;
    std::uint64_t next = 0, seq = 0;
    bool pending = false;  // the slot of piece `next` is written already
    if (readRestore(copy, h, r)) {
        Slot slots[2];
        std::string data[2];
        const int newest = newestRestoreSlot(copy, h, r, slots, data);
        if (newest >= 0) {
            seq = slots[newest].seq;
            next = slots[newest].kind == kCut ? r.head.pieces : slots[newest].start / h.capacity;
            pending = slots[newest].kind != kCut;
        }
    } else if (h.capacity == 0 || beginRestore(target, copy, h, r, sync) != 0) {
        // No room to journal it (the scratch disk is full): the plain
        // write-back is still better than leaving the file as it is.
        if (int err = copyRange(copy, static_cast<off_t>(h.length), target, 0, h.size, Step::Write, true))
            return err;
        if (sys(Step::Truncate, [&] { return ftruncate(target, static_cast<off_t>(h.size)); }) != 0)
            return errno;
        return sync && sys(Step::Sync, [&] { return fsync(target); }) != 0 ? errno : 0;
    }
    for (std::uint64_t i = next; i < r.head.pieces; ++i) {
        const std::uint64_t a = i * h.capacity, b = std::min<std::uint64_t>(a + h.capacity, h.size);
        if (!(pending && i == next)) {
            // What the file holds there now, as far as it reaches.
            const std::uint64_t reach = std::min(b, r.head.fileSize);
            std::string was(reach > a ? reach - a : 0, '\0');
            if (int err = preadAll(target, was.data(), was.size(), static_cast<off_t>(a)))
                return err;
            if (int err = recordRestore(copy, h, r, ++seq, kRestorePiece, a, was, sync))
                return err;
        }
        if (int err = copyRange(copy, static_cast<off_t>(h.length + a), target, static_cast<off_t>(a), b - a,
                                Step::Write, true))
            return err;
    }
    if (int err = recordRestore(copy, h, r, ++seq, kCut, h.size, {}, sync))
        return err;
    if (sys(Step::Truncate, [&] { return ftruncate(target, static_cast<off_t>(h.size)); }) != 0)
        return errno;
    if (sync && sys(Step::Sync, [&] { return fsync(target); }) != 0)
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

// What the file holds: its old content (the write never began, or its
// write-back ended), what the cut-off write or write-back left, or anything
// else. `writingBack`: a write-back had begun.
State stateOf(int file, int copy, const Header& h, bool& writingBack)
{
    Restore r;
    writingBack = readRestore(copy, h, r);
    struct stat st;
    if (fstat(file, &st) == 0 && static_cast<std::uint64_t>(st.st_size) == h.size
        && sameAsOld(file, copy, h, 0, h.size))
        return State::Untouched;
    const bool known = writingBack ? holdsRestoreState(file, copy, h, r) : holdsInterruptedState(file, copy, h);
    return known ? State::Interrupted : State::Different;
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
        // Read and written: the write-back keeps its record in the copy.
        int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 && errno == EACCES)
            fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
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
        bool done = false, writingBack = false;
        const State state = target >= 0 && !first ? stateOf(target, fd, h, writingBack) : State::Different;
        if (state == State::Interrupted) {
            done = writeBack(target, fd, h, true) == 0;
            notice.restored = done;
        }
        if (target >= 0)
            ::close(target);
        if (state == State::Untouched) {
            // Cut off before its first byte (nothing to tell), or after the
            // write-back that the user never heard of.
            unlink(path.c_str());
            ::close(fd);
            if (writingBack) {
                notice.restored = true;
                out.push_back(std::move(notice));
            }
            continue;
        }
        if (state == State::Interrupted && !done) {
            // The write-back failed part way: the copy stays, and tells the
            // next start where it stopped.
            notice.kept = path;
            notice.retry = true;
            ::close(fd);
            out.push_back(std::move(notice));
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
    if (n.retry)
        return "저장 도중에 끊긴 장부를 저장하기 전의 내용으로 되돌리지 못했습니다: " + n.ledger
               + "\n이전 내용은 " + n.kept + "에 그대로 보관되어 있고, 다음에 프로그램을 시작할 때 다시 되돌립니다.";
    return "저장 도중에 끊긴 장부의 이전 내용을 따로 보관했습니다: " + n.kept + "\n장부 파일 " + n.ledger
           + "은(는) 그 뒤에 바뀌었거나 찾을 수 없어 그대로 두었습니다. 보관한 파일을 열어 확인하세요.";
}

IoResult UnrestoredSaveFailure(const IoResult& cause, const std::string& copy)
{
    IoResult r = cause;
    r.message = ErrorReportText(cause.message)
                + "\n저장하지 못했고, 장부를 원래 내용으로 되돌려 놓지도 못해 장부 파일은 지금 일부만 바뀐 상태입니다. "
                  "원래 내용은 "
                + copy + "에 따로 보관되어 있으며, 다음에 프로그램을 시작할 때 장부에 되돌려 놓습니다";
    return r;
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
        if (std::find(folders.begin(), folders.begin() + static_cast<long>(i), folders[i]) == folders.begin() + static_cast<long>(i)) {
            recoverIn(folders[i], onlyLedger.empty() ? nullptr : &only, onlyPath, out);
            if (onlyLedger.empty())
                RemoveStaleExportFolders(folders[i]);
        }
    if (!out.empty()) {
        std::lock_guard guard(gNoticeMutex);
        gNotices.insert(gNotices.end(), out.begin(), out.end());
    }
    return out;
}

std::string MakeExportFolder(const std::string& scratch)
{
    std::string folder = scratch + "/" + std::string(kExportPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(folder.data()))
        return {};
    return folder;
}

std::size_t RemoveStaleExportFolders(const std::string& folder)
{
    std::size_t removed = 0;
    const std::time_t now = std::time(nullptr);
    for (const std::string& name : namesWithPrefix(folder, kExportPrefix)) {
        const std::string path = folder + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
            continue;
        // "<pid>-XXXXXX"; an earlier version's "XXXXXX" names no process.
        const std::string rest = name.substr(kExportPrefix.size());
        const std::size_t dash = rest.find('-');
        unsigned long long pid = 0;
        const bool numbered = dash != std::string::npos && dash > 0
                              && rest.find_first_not_of("0123456789") == dash
                              && std::sscanf(rest.c_str(), "%llu", &pid) == 1;
        if (numbered ? !processGone(pid) : now - st.st_mtime < 24 * 60 * 60)
            continue;
        std::error_code ec;
        if (std::filesystem::remove_all(path, ec) != static_cast<std::uintmax_t>(-1) && !ec)
            ++removed;
    }
    return removed;
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
    Header h;
    h.length = header_;
    h.size = oldSize_;
    h.capacity = capacity_;
    return writeBack(target, fd_, h, synced);
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
