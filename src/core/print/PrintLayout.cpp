// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/PrintLayout.h"

#include "core/text/Cp949.h"
#include "core/text/Utf8.h"
#include "core/ledger/LedgerFilter.h"

#include <algorithm>

namespace quill {

namespace {

std::string stripZero(std::string s)
{
    if (s.size() == 2 && s[0] == '0' && s[1] >= '0' && s[1] <= '9')
        s.erase(0, 1);
    return s;
}

double textWidth(std::string_view s, const CharWidth& measure)
{
    double w = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8Step(s, i);
        w += measure(s.substr(i, n));
        i += n;
    }
    return w;
}

// The year (4 digits) of a "yyyy.mm.dd" date with a month of 1 to 12 and
// a day of 1 to 31; empty for anything else.
std::string yearOf(std::string_view day)
{
    if (day.size() < 10 || day[4] != '.' || day[7] != '.')
        return {};
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (day[i] < '0' || day[i] > '9')
            return {};
    const int month = (day[5] - '0') * 10 + (day[6] - '0'), date = (day[8] - '0') * 10 + (day[9] - '0');
    if (month < 1 || month > 12 || date < 1 || date > 31)
        return {};
    return std::string(day.substr(0, 4));
}

// "2024년" or "2022–2024년" for the first and last year of a page.
std::string yearsText(const std::string& first, const std::string& last)
{
    if (first.empty())
        return {};
    return first == last ? first + "년" : first + "–" + last + "년";
}

} // namespace

std::string PageHeadingPeriod(const std::string& period, const PrintPage& page)
{
    if (page.years.empty() || period.find(page.years) != std::string::npos)
        return period;
    return period.empty() ? page.years : period + " · " + page.years;
}

std::string PeriodLabel(const LedgerFilter* filter)
{
    if (!filter || filter->isEmpty())
        return "전체 기간";
    std::string label;
    if (filter->dateRange() == LedgerFilter::DateRange::Between) {
        const std::string lo = decodeCp949(filter->lowerBound()), up = decodeCp949(filter->upperBound());
        const std::string year = lo.substr(0, std::min<std::size_t>(lo.find('.'), lo.size()));
        const std::string month = lo.size() >= year.size() + 3 ? lo.substr(year.size() + 1, lo.size() - year.size() - 4) : "";
        const bool wholeYear = lo == year + ".01.01" && up == year + ".12.31";
        label = year + "년";
        if (!wholeYear && !month.empty())
            label += " " + stripZero(month) + "월";
    } else {
        label = "전체 기간";
    }
    switch (filter->category()) {
    case Category::Income: label += " · 수입"; break;
    case Category::Expense: label += " · 비용"; break;
    case Category::Asset: label += " · 자산"; break;
    default: break;
    }
    return label;
}

std::string PrintAmount(WideTenths t, bool blankZero)
{
    if (t == 0)
        return blankZero ? std::string() : std::string("0");
    return groupedAmount(t);
}

std::string PageNumberText(int page, int pages)
{
    return "- " + std::to_string(page) + " / " + std::to_string(pages) + " -";
}

PrintedLedger LayOutLedger(const PrintWalk& walk, const PrintMetrics& m, const PrintHeading& heading)
{
    PrintedLedger out;
    out.ledgerName = heading.ledgerName;
    out.period = heading.period;
    out.printDate = heading.printDate;
    out.totalLabel = heading.totalLabel;

    // Columns: dates and amounts as wide as their widest text (twelve
    // digits with groups and a sign), the three texts share the rest.
    const double pad = 2 * m.cellPadding;
    const double dateW = textWidth("00", m.bodyWidth) + pad;
    double amountW = textWidth("-999,999,999,999", m.bodyWidth) + pad;
    double rest = m.pageWidth - 2 * dateW - 6 * amountW;
    // A narrow page: the texts keep a third, the amounts are drawn smaller.
    if (rest < m.pageWidth / 3) {
        rest = m.pageWidth / 3;
        amountW = (m.pageWidth - rest - 2 * dateW) / 6;
    }
    out.width[kMonthCol] = out.width[kDayCol] = dateW;
    out.width[kTextCol] = rest * 0.46;
    out.width[kPartyCol] = rest * 0.31;
    out.width[kRemarkCol] = rest - out.width[kTextCol] - out.width[kPartyCol];
    for (int f = 0; f < 6; ++f)
        out.width[static_cast<std::size_t>(kAmountCol0 + f)] = amountW;
    double x = 0;
    for (int c = 0; c < kPrintColumns; ++c) {
        out.x[static_cast<std::size_t>(c)] = x;
        x += out.width[static_cast<std::size_t>(c)];
    }
    out.tableWidth = x;

    const double sumRow = m.lineHeight + pad;
    const double body = m.pageHeight - m.titleHeight - m.headingHeight - 2 * m.headRowHeight - m.footHeight;

    PrintPage page;
    double used = 0;
    std::string lastYear;  // of the last dated entry
    auto capacity = [&](const PrintPage& p) { return body - sumRow - (p.carried ? sumRow : 0); };
    auto closePage = [&]() {
        for (std::size_t f = 0; f < 6; ++f)
            page.carriedOut[f] = page.carriedIn[f] + page.pageSum[f];
        out.pages.push_back(page);
        PrintPage next;
        next.number = page.number + 1;
        next.carried = true;
        next.carriedIn = page.carriedOut;
        page = next;
        used = 0;
    };
    auto addRow = [&](PrintRow row, const Sums6& sums) {
        if (!page.rows.empty() && used + row.height > capacity(page))
            closePage();
        used += row.height;
        page.rows.push_back(std::move(row));
        for (std::size_t f = 0; f < 6; ++f)
            page.pageSum[f] += sums[f];
    };

    std::vector<Sums6> rowSums;  // of the current page's rows, to move one on
    walk([&](const LedgerEntry& e) {
        PrintRow row;
        row.entry = static_cast<int>(out.entries++);
        const std::string day = decodeCp949(e.IDAY.view());
        const std::string year = yearOf(day);
        row.dateYear = year;
        if (year.empty()) {
            row.month = row.day = kNoDateMark;
        } else {
            row.month = stripZero(Utf8Characters(day, 5, 2));
            row.day = stripZero(Utf8Characters(day, 8, 2));
            if (!lastYear.empty() && year != lastYear)
                row.year = year + "년";
            lastYear = year;
        }
        const std::string texts[3] = {decodeCp949(e.JKYU.view()), decodeCp949(e.SANGHO.view()),
                                      decodeCp949(e.ETC.view())};
        const int cols[3] = {kTextCol, kPartyCol, kRemarkCol};
        std::size_t lines = 1;
        for (int k = 0; k < 3; ++k) {
            row.lines[static_cast<std::size_t>(k)]
                = WrapText(texts[k], out.width[static_cast<std::size_t>(cols[k])] - pad, m.bodyWidth);
            lines = std::max(lines, row.lines[static_cast<std::size_t>(k)].size());
        }
        Sums6 sums{};
        for (int f = 0; f < kMoneyFieldCount; ++f) {
            sums[static_cast<std::size_t>(f)] = toWideTenThousandths(moneyValue(e, f));
            row.amounts[static_cast<std::size_t>(f)] = PrintAmount(sums[static_cast<std::size_t>(f)], true);
            out.total[static_cast<std::size_t>(f)] += sums[static_cast<std::size_t>(f)];
        }
        row.height = static_cast<double>(lines) * m.lineHeight + pad + (row.year.empty() ? 0 : sumRow);
        const int before = page.number;
        addRow(std::move(row), sums);
        if (page.number != before)
            rowSums.clear();
        rowSums.push_back(sums);
        return true;
    });
    // The total row ends the last page; when it does not fit, the page's
    // last entry goes over with it.
    if (used + sumRow > capacity(page) && page.rows.size() > 1) {
        PrintRow moved = std::move(page.rows.back());
        page.rows.pop_back();
        used -= moved.height;
        const Sums6 sums = rowSums.back();
        for (std::size_t f = 0; f < 6; ++f)
            page.pageSum[f] -= sums[f];
        closePage();
        addRow(std::move(moved), sums);
    }
    page.last = true;
    for (std::size_t f = 0; f < 6; ++f)
        page.carriedOut[f] = page.carriedIn[f] + page.pageSum[f];
    out.pages.push_back(std::move(page));
    for (PrintPage& p : out.pages) {
        std::string first, last;
        for (const PrintRow& r : p.rows) {
            if (r.dateYear.empty())
                continue;
            if (first.empty())
                first = r.dateYear;
            last = r.dateYear;
        }
        p.years = yearsText(first, last);
    }
    return out;
}

} // namespace quill
