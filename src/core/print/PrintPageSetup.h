// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <array>
#include <string>

namespace quill {

// The page the user last set up for the printed form, kept in the
// configuration file (section "인쇄") so that the next printout uses it.
struct PrintPageSetup {
    int paperId = 0;      // the page size as Qt numbers them (0: A4)
    bool landscape = true;
    std::array<int, 4> marginsTenthMm{100, 100, 100, 100};  // left, top, right, bottom
    bool operator==(const PrintPageSetup&) const = default;
};

// The stored page setup; the default (A4 across, 10 mm margins) for any
// key that is missing or out of range.
PrintPageSetup ReadPrintPageSetup(const std::string& configPath);
IoResult WritePrintPageSetup(const std::string& configPath, const PrintPageSetup& setup);

} // namespace quill
