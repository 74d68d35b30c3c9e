// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace quill {

// What a ledger file looked like when the program last read or wrote it:
// enough to tell later whether somebody else has replaced it since.
struct DiskStamp {
    bool known = false;
    std::uint64_t size = 0;
    timespec mtime{};
    std::uint64_t hash = 0;  // xxHash (XXH3, 64 bits) of the whole content
};

// Reads the file once to take its stamp.
IoResult TakeDiskStamp(const std::string& path, DiskStamp& stamp);

enum class DiskState {
    Same,     // the content is what the stamp describes
    Changed,  // another content: overwriting it would lose somebody's work
    Missing,  // no file there any more (nothing to lose by writing it)
    Unknown,  // no stamp, or the file cannot be read
};

// Compares the file with its stamp. The content decides: a file that was
// only touched, or copied back unchanged, still counts as the same, since
// overwriting it loses nothing; a size or hash that differs is a change.
DiskState CompareWithDisk(const DiskStamp& stamp, const std::string& path);

} // namespace quill
