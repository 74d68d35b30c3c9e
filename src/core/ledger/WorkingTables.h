// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <string>

namespace quill {

class WorkingTable;

// Files of the program's own, under its folder (given with a trailing "/").
inline constexpr const char* kScratchTableFile = "Temp/quillbook.cds";
inline constexpr const char* kTemplateTableFile = "quillbook.str";
inline constexpr const char* kUntitledName = "이름없음.Aut";

// Creates "Temp" under the program folder and copies the template table to
// the scratch table file when that file is missing. Failures are ignored
// here: the first table operation reports them.
void EnsureScratchTableFile(const std::string& programFolder, const std::string& scratchPath);

// Empties the open ledger in both tables and in the scratch table file:
// leaves the working ledger open and empty and the staging table closed.
// Stops at the first failing table operation.
IoResult ResetWorkingTables(WorkingTable& TAcunt, WorkingTable& fAcunt, const std::string& scratchPath);

} // namespace quill
