// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the writer and its recovery share: the system calls that the crash
// tests can fail or cut off, and the small file helpers both use. Not for
// use outside these two units.
#include "core/io/SafeFileFaults.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace quill::detail {

// 0, or the errno the test hook puts in place of the call (or kills).
int faultAt(faults::Step step);
std::size_t bufferSize();

// 0 or the errno of the failing write; `counted` writes are fault steps.
int writeAll(int fd, const char* data, std::size_t size, faults::Step step, bool counted = true);
int pwriteAll(int fd, const char* data, std::size_t size, off_t at, faults::Step step, bool counted = true);
// Copies `size` bytes from `from` at `fromOffset` to `to` at `toOffset`
// (to the file position of `to` when toOffset < 0). 0 or the errno.
int copyRange(int from, off_t fromOffset, int to, off_t toOffset, std::uint64_t size, faults::Step step,
              bool counted);
// Reads exactly `size` bytes at `at`: 0, EIO when the file is shorter, or the errno.
int preadAll(int fd, char* data, std::size_t size, off_t at);
int syncFolder(const std::string& folder, bool counted);

// A new file "<folder>/<prefix>XXXXXX" of ours (mode 0600), locked for as
// long as this process holds it where the file system keeps locks. Returns
// the descriptor or -errno; nothing is left behind on failure.
int createLocked(const std::string& folder, std::string_view prefix, std::string& path, faults::Step step);
// Takes the lock a cleaner needs before it removes a file of ours: 1 taken,
// 0 held by a running process, -1 the file system keeps no locks.
int tryLock(int fd);

std::vector<std::string> namesWithPrefix(const std::string& folder, std::string_view prefix);
std::string folderOf(const std::string& path);
// The path made absolute (the folder resolved, the name kept).
std::string absolutePath(const std::string& path);

// The user's private folders for the old content of in-place writes, the
// first one usable first: the folder set by the program (if any), the state
// folder, and "<temp>/quillbook-<uid>". Every copy of the program and the
// command line looks in all of them.
std::vector<std::string> privateScratchFolders(const std::string& preferred);
// The first of them we can write, created (0700) when missing; empty when none.
std::string usableScratchFolder(const std::string& preferred);
// Makes `folder` (0700) when missing and tells whether it is a real folder
// of this user's that we may write.
bool ownPrivateFolder(const std::string& folder);

} // namespace quill::detail
