#pragma once
#include "app/IoResult.h"
#include "ledger/LedgerEntry.h"

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

// The header of a table without rows, which is the whole template file.
std::string emptySnapshotHeader();

} // namespace quill
