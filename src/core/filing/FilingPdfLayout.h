// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The filing figures' PDF as plain data, like the ledger's printout
// (core/print/PrintLayout.h): its texts, its tables in order, which of them
// start a page, and which slice of the laid-out document each page shows.
// The painter lays the tables out with its fonts, reports where each one
// begins and ends, and draws the pages as given here; the layout knows no
// font.
#include "core/filing/FilingTables.h"

#include <string>
#include <vector>

namespace quill {

struct FilingPdfPage {
    int number = 1;         // from 1
    double top = 0;         // where its slice of the document starts
    std::string foot;       // "1 / 3쪽"
};

struct FilingPdf {
    std::string documentTitle;  // the file's title: "신고자료 2024년 (참고용)"
    std::string heading;        // above the first table: "신고자료 2024년 (일반과세자) — 참고용"
    std::string pageHead;       // above every page: the ledger, the period, the type, 참고용
    std::vector<FilingTable> tables;
    std::vector<bool> breakBefore;  // the table starts on a new page
    std::vector<FilingPdfPage> pages;
};

// The texts and tables of the PDF of `figures`; `ledgerName` is the file
// name of the ledger, empty for one not yet saved.
FilingPdf StartFilingPdf(const FilingFigures& figures, std::vector<FilingTable> tables, const std::string& ledgerName);

// Where a laid-out table stands in the document, in the units of the body
// height (the painter's measure).
struct TableExtent {
    double top = 0, bottom = 0;
};

// A table of up to this many rows is never split over two pages.
inline constexpr std::size_t kWholeTableRows = 12;

// After a layout: a short table that would be split starts on a new page
// instead. True when one was moved and the document must be laid out
// again (at most once per table, so the passes end).
bool KeepShortTablesWhole(FilingPdf& pdf, const std::vector<TableExtent>& extents, double bodyHeight);

// The pages of the laid-out document, each showing the next `bodyHeight`
// of it; `pageCount` is the painter's count (at least one page).
void CutFilingPages(FilingPdf& pdf, int pageCount, double bodyHeight);

} // namespace quill
