// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <array>
#include <string>

namespace quill {

// Page sizes as Qt 6 numbers them (QPageSize::PageSizeId): Letter is 0,
// A4 is 7. Qt 5 numbered A4 0, which is where the confusion came from.
inline constexpr int kPaperLetter = 0;
inline constexpr int kPaperA4 = 7;

// The page the user last set up for the printed form, kept in the
// configuration file (section "인쇄") so that the next printout uses it.
struct PrintPageSetup {
    int paperId = kPaperA4;  // the page size as Qt 6 numbers them
    bool landscape = true;
    std::array<int, 4> marginsTenthMm{100, 100, 100, 100};  // left, top, right, bottom
    bool operator==(const PrintPageSetup&) const = default;
};

// The stored page setup; the default (A4 across, 10 mm margins) for any
// key that is missing or out of range. The size is kept as "PaperSize";
// the earlier key "Paper" is read only without it, and its 0 there, written
// while the program took 0 for A4 and the preview showed Letter unasked,
// stands for A4.
PrintPageSetup ReadPrintPageSetup(const std::string& configPath);
IoResult WritePrintPageSetup(const std::string& configPath, const PrintPageSetup& setup);

} // namespace quill
