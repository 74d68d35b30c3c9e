// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filing/FilingPdfLayout.h"

#include <algorithm>

namespace quill {

FilingPdf StartFilingPdf(const FilingFigures& figures, std::vector<FilingTable> tables, const std::string& ledgerName)
{
    FilingPdf pdf;
    const std::string year = std::to_string(figures.year);
    const std::string type = taxpayerTypeName(figures.settings.type);
    pdf.documentTitle = "신고자료 " + year + "년 (참고용)";
    pdf.heading = "신고자료 " + year + "년 (" + type + ") — 참고용";
    // Every page names the ledger and the period above its content.
    pdf.pageHead = "장부: " + (ledgerName.empty() ? std::string("(저장하지 않은 장부)") : ledgerName) + "   기간: " + year
                   + "년 1월~12월   " + type + "   참고용";
    pdf.breakBefore.assign(tables.size(), false);
    pdf.tables = std::move(tables);
    return pdf;
}

bool KeepShortTablesWhole(FilingPdf& pdf, const std::vector<TableExtent>& extents, double bodyHeight)
{
    if (bodyHeight <= 0)
        return false;
    bool moved = false;
    const std::size_t n = std::min(extents.size(), pdf.tables.size());
    for (std::size_t t = 0; t < n; ++t) {
        const int first = static_cast<int>(extents[t].top / bodyHeight);
        const int last = static_cast<int>((extents[t].bottom - 1) / bodyHeight);
        if (first != last && pdf.tables[t].rows.size() <= kWholeTableRows && !pdf.breakBefore[t]) {
            pdf.breakBefore[t] = true;
            moved = true;
        }
    }
    return moved;
}

void CutFilingPages(FilingPdf& pdf, int pageCount, double bodyHeight)
{
    const int pages = std::max(1, pageCount);
    pdf.pages.clear();
    for (int page = 0; page < pages; ++page)
        pdf.pages.push_back({page + 1, page * bodyHeight, std::to_string(page + 1) + " / " + std::to_string(pages) + "쪽"});
}

} // namespace quill
