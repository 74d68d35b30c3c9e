// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recovery of in-place writes that were cut off (the process killed, the
// machine down).
//
// Before an in-place write changes the first byte of a file, the file's old
// content is copied to a private scratch folder with the file's absolute
// path, device, inode and size, and synced. Before each piece of new
// content goes into the file, the copy records where the piece goes, the
// piece itself and a hash of all new content before it. So the state that
// a cut-off write left is known exactly, and recovery writes the old
// content back only when the file still holds exactly that state. A file
// changed since (another copy of the program saved it), replaced, or not to
// be found keeps what it holds; the old content is then kept aside as a
// ledger file of its own in the scratch folder and the user is told where.
//
// The write-back is journalled in the copy as well, so that one cut off in
// turn is finished by the next recovery; the copy goes only once the file
// holds its old content again.
#include "core/io/IoResult.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quill {

struct RecoveryNotice {
    bool restored = false;  // the ledger holds its old content again
    std::string ledger;     // the ledger's absolute path, as recorded
    std::string kept;       // where the old content was kept aside (not restored)
    bool retry = false;     // putting it back failed part way: the next start tries again
};
// The Korean text that tells the user what happened.
std::string RecoveryNoticeText(const RecoveryNotice& notice);

// Looks through every private scratch folder of this user (those every
// copy of the program and the command line use, and `folder` when given)
// for copies of cut-off writes that no running process holds, and restores
// or keeps them aside. With `onlyLedger`, only copies of that file; without,
// stale export folders go too.
std::vector<RecoveryNotice> RecoverInterruptedWrites(const std::string& onlyLedger = {},
                                                     const std::string& folder = {});
// A private folder in `scratch` for the files of a command that must have
// some for a while (the workbook written to standard output):
// "quillbook-export-<pid>-XXXXXX", 0700. Empty, with errno set, on failure.
// What a process killed meanwhile leaves is removed by the sweep of
// RecoverInterruptedWrites() at the next start or command.
std::string MakeExportFolder(const std::string& scratch);
// Removes the export folders in `folder` of processes no longer running
// (those of an earlier version, which carry no process number, once they
// are a day old). Returns how many.
std::size_t RemoveStaleExportFolders(const std::string& folder);

// The notices of every recovery since the last call, for the user
// interface to show.
std::vector<RecoveryNotice> TakeRecoveryNotices();
// Their texts, one paragraph each; empty when there were none.
std::string TakeRecoveryNoticeText();
// The failure of an in-place save whose old content could not be put back
// at once (`cause` says why the save failed): the file is mixed until the
// next start puts back the old content kept in `copy`.
IoResult UnrestoredSaveFailure(const IoResult& cause, const std::string& copy);

// The copy of the old content of one in-place write, and its record of the
// new content.
class InPlaceJournal {
public:
    InPlaceJournal() = default;
    ~InPlaceJournal() { close(); }
    InPlaceJournal(const InPlaceJournal&) = delete;
    InPlaceJournal& operator=(const InPlaceJournal&) = delete;

    // Copies the old content of `target` (opened for reading and writing,
    // `st` its state) into `folder`; synced when `synced`. 0 or the errno.
    int begin(const std::string& folder, int target, const struct stat& st, const std::string& path, bool synced);
    // Records the next piece of new content (at most pieceCapacity() bytes,
    // following the previous one) before it is written. 0 or the errno.
    int beforeWrite(std::uint64_t at, const char* data, std::size_t size);
    // Records that the new content is complete and the file is to be cut
    // to its length.
    int beforeTruncate(std::uint64_t length);
    std::size_t pieceCapacity() const { return capacity_; }
    // Writes the old content back into `target`. 0 or the errno.
    int restore(int target, bool synced) const;
    // Removes the copy (the write ended, either way).
    void drop();
    // Closes the copy and leaves it for a later recovery.
    void close();
    bool active() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    int record(std::uint32_t kind, std::uint64_t start, const char* data, std::size_t size);

    int fd_ = -1;
    std::string path_;
    bool synced_ = true;
    std::uint64_t header_ = 0, oldSize_ = 0, capacity_ = 0;
    std::uint64_t seq_ = 0, newLength_ = 0;
    void* hash_ = nullptr;  // running hash of the new content
};

} // namespace quill
