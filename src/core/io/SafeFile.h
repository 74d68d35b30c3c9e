// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/io/SafeFileRecovery.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace quill {

// Writes a file so that the previous content survives any failure.
//
// Where the folder allows it the data goes to a temporary file in the same
// folder (an anonymous one where the file system offers it, else a hidden
// ".quillbook-XXXXXX"), which is synced and then put in place of the target
// in one rename; until commit() succeeds the target is not touched. The
// replacement keeps the old file's owner, group and permissions.
//
// Where that is not possible without changing the file's identity - a
// folder the user may not write though the file is writable, a file with
// several hard links, an owner or group the process may not give to a new
// file - the file is written in place: its old content is first copied to
// our own scratch folder and synced, and written back on any failure.
//
// A link to a file is followed; a link to nothing or a loop of links is
// refused (IoKind::BrokenLink) rather than replaced by a regular file.
//
// A SafeFile destroyed without commit leaves the target as it was.
// The failure for a path that names a device, a pipe or another kind of
// file that is no regular file (nor a link to one).
IoResult NotRegularFile();
// Past the file size limit the system ends a process without a word; each
// program calls this once at its start, so that such a write fails with
// EFBIG instead and the file it was to replace stays whole.
void IgnoreFileSizeSignal();
// Whether two names lead to one file (the same device and inode, links
// followed): an output must never replace the file it is made from. False
// when either does not exist.
bool IsSameFile(const std::string& a, const std::string& b);
// Why a file a library wrote by name came out incomplete, as far as can be
// told afterwards: the file size limit (EFBIG), a full disk (ENOSPC), else
// an I/O error.
IoResult IncompleteWrite(const std::string& path);
// The failure when no private scratch folder of this user can be had.
std::string NoScratchFolderText();

class SafeFile {
public:
    // A file that is only our own scratch copy need not wait for the disk.
    enum class Durability { Synced, Unsynced };
    struct Options {
        Durability durability = Durability::Synced;
        // Where the old content waits during an in-place write; empty: the
        // process-wide folder (see setScratchFolder).
        std::string scratchFolder;
        // The caller writes the temporary file itself through
        // temporaryPath() (a library that wants a file name): a named
        // temporary file is used and in-place writing is not offered.
        bool byPath = false;
        // The permissions of a new file (else 0666 less the umask).
        int mode = -1;
        // Makes a new file only: the target must not exist, and the commit
        // fails with EEXIST rather than replace one that appeared meanwhile.
        bool createOnly = false;
        // Access and modification time the new file gets when complete.
        std::optional<std::array<struct timespec, 2>> times;
    };
    // How the new content reaches the target.
    enum class Method { None, Anonymous, Named, InPlace };

    explicit SafeFile(std::string target, Durability durability = Durability::Synced);
    SafeFile(std::string target, Options options);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Prepares the write. Fails like creating or writing the target would.
    IoResult open();
    IoResult write(const void* data, std::size_t size);
    IoResult write(std::string_view s) { return write(s.data(), s.size()); }
    // Flushes, syncs and puts the new content in place. The first failure
    // is reported, and the target then holds its old content.
    IoResult commit();
    // Drops the new content; the target stays (or becomes again) as it was.
    void discard();

    // The named temporary file; empty for an anonymous one or in place.
    const std::string& temporaryPath() const { return temp_; }
    const std::string& target() const { return target_; }
    Method method() const { return method_; }

    // The folder for the old content of in-place writes when a SafeFile is
    // given none (tests set one of their own). Without one, the first
    // usable of $XDG_STATE_HOME/quillbook/Temp/ (or ~/.local/state/...) and
    // "<temp>/quillbook-<uid>", both private to the user and the same for
    // every copy of the program and the command line; empty when neither
    // can be had.
    static void setScratchFolder(std::string folder);
    static std::string scratchFolder();
    // Settles the in-place writes that were cut off (the process killed,
    // the machine down) and whose copy no running process holds, in every
    // private scratch folder (see RecoverInterruptedWrites). Returns the
    // files restored.
    static std::vector<std::string> recoverInterrupted(const std::string& scratchFolder = {});
    // Removes the hidden temporary files of ours in `folder` that no running
    // process holds (left by a kill during a save). Returns how many.
    static std::size_t removeStaleTemporaries(const std::string& folder);

    // Hook for tests: fail the k-th write (1-based) with the given errno
    // (writes of new files made with createOnly are not counted).
    static void failWriteAt(int k, int err);

private:
    IoResult flushBuffer();
    IoResult createTemporary(const std::string& folder, const struct stat* old);
    IoResult openInPlace();
    IoResult commitReplace();
    IoResult commitInPlace();
    IoResult restoreOld();
    // Discards after a failure; the failure then says so should the old
    // content not go back.
    IoResult failed(const IoResult& cause);
    void dropBackup();

    std::string target_;
    Options options_;
    Method method_ = Method::None;
    std::string temp_;
    int fd_ = -1;
    std::string buffer_;
    // In place: where the new content has reached, and the old content.
    std::uint64_t written_ = 0;
    bool touched_ = false;
    InPlaceJournal journal_;
    std::string keptAside_;  // the copy left for the next start
};

// A file opened for reading only (read access is all a reader needs),
// closed when it goes out of scope. Only a regular file (or a link to one)
// opens: a folder gives EISDIR, a pipe or a device NotRegularFile().
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    IoResult open(const std::string& path);
    bool isRegular() const { return regular_; }
    std::size_t size() const { return size_; }
    // Reads up to `want` bytes, fewer only at the end of the file.
    IoResult read(void* data, std::size_t want, std::size_t& have);

private:
    int fd_ = -1;
    bool regular_ = false;
    std::size_t size_ = 0;
};

} // namespace quill
