// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/io/SafeFile.h"
#include "core/ledger/LedgerEntry.h"

#include <string>
#include <vector>

namespace quill {

// The scratch and template table files: a short text header naming the
// format, the twelve fields and the row count, then one fixed-size binary
// record per row (texts with their length byte, doubles bit for bit, CTG),
// little-endian.
IoResult writeSnapshot(const std::string& path, const std::vector<LedgerEntry>& rows);
// Reads a whole snapshot. A file that is not a complete snapshot is refused
// with "Invalid table file" and `rows` is left untouched.
IoResult readSnapshot(const std::string& path, std::vector<LedgerEntry>& rows);

// Writes a snapshot of a known number of rows one row at a time, so it can
// be written in the same pass as another file. As with writeSnapshot, the
// file is replaced only by a complete snapshot (commit refuses a count that
// differs from the announced one).
class SnapshotWriter {
public:
    SnapshotWriter(const std::string& path, std::size_t rows);
    IoResult open();
    IoResult add(const LedgerEntry& e);
    IoResult commit();

private:
    SafeFile file_;
    std::size_t expected_;
    std::size_t added_ = 0;
};

// The header of a table without rows, which is the whole template file.
std::string emptySnapshotHeader();

} // namespace quill
