// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <sys/types.h>

namespace quill {

// An advisory lock on one file, held for as long as this object lives, so
// that two running copies of the program can tell each other's files. The
// lock belongs to the open file, not to the process: a second lock taken on
// the same file from this process conflicts as another copy's would.
// Locking never waits.
class FileLock {
public:
    enum class State {
        None,           // not tried, released, or the file could not be opened
        Held,           // ours
        HeldElsewhere,  // another running copy holds it
        Unsupported,    // the file system keeps no locks: go on without one
    };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks an existing file (read access suffices). With `create` the file
    // is made first when missing (a lock file of our own).
    static FileLock take(const std::string& path, bool create = false);

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    // True when `path` names the very file this lock is on (also under
    // another name, through a link).
    bool covers(const std::string& path) const;
    void release();

private:
    int fd_ = -1;
    State state_ = State::None;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

} // namespace quill
