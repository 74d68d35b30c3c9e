// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One record as a dump line and back: the text `dump` prints and `import`
// reads, shared with the fuzz target that checks the round trip.
#include "core/ledger/AutRecord.h"

#include <optional>
#include <string>
#include <string_view>

// Appends the record's twelve tab-separated columns and a "\n".
void appendDumpLine(const quill::AutRecord& record, std::string& out);

// Parses one line (without its "\n") into a record; gives the reason when
// the line is no ledger line. Amounts go from the decimal text straight to
// ten-thousandths, never through a double, so every amount the file can
// hold comes back exactly.
std::optional<std::string> parseDumpLine(std::string_view line, quill::AutRecord& record);
