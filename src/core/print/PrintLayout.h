// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/Money.h"
#include "core/print/TextWrap.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quill {

class LedgerFilter;

// The period a filter shows, as a page heading: "2024년", "2024년 3월",
// "전체 기간", with " · 비용" and the like for a category.
std::string PeriodLabel(const LedgerFilter* filter);

// The printed 간편장부 form laid out as plain data: which entries stand on
// which page, their texts wrapped to the columns, the page totals and what
// is carried to the next page. The painter only draws it.

using Sums6 = std::array<WideTenths, 6>;  // INMNY INVAT OTMNY OTVAT JSMNY JSVAT

// What the painter's fonts measure, in points; the layout knows no font.
struct PrintMetrics {
    double pageWidth = 0, pageHeight = 0;  // the printable area
    double lineHeight = 0;                 // of the body text
    CharWidth bodyWidth;                   // one character of the body text
    double titleHeight = 0;                // the title band
    double headingHeight = 0;              // the ledger's name and period
    double headRowHeight = 0;              // each of the two column header rows
    double footHeight = 0;                 // the page number band
    double cellPadding = 2;                // each side of a cell
};

// Columns ① to ⑦ as the form has them: month and day, description,
// counterparty, six amounts, remark.
enum PrintColumn : int { kMonthCol, kDayCol, kTextCol, kPartyCol, kAmountCol0, kRemarkCol = kAmountCol0 + 6, kPrintColumns };

// Month and day of an entry without a calendar date: a mark, not whatever
// characters stand in the date's places.
inline constexpr const char* kNoDateMark = "-";

struct PrintRow {
    int entry = 0;  // position among the entries handed over
    // "2023년" when a new year begins with this entry (after entries of
    // another year): a band across the table above it, part of its height.
    std::string year;
    std::string dateYear;    // "2023"; empty without a valid date
    std::string month, day;  // kNoDateMark for an entry without a valid date
    std::array<std::vector<std::string>, 3> lines;  // description, counterparty, remark
    std::array<std::string, 6> amounts;             // empty for zero
    double height = 0;
};

struct PrintPage {
    int number = 1;            // from 1
    bool carried = false;      // a "전면 이월" row heads the entries
    Sums6 carriedIn{};         // what the pages before add up to
    std::vector<PrintRow> rows;
    Sums6 pageSum{};           // "소계": this page's entries
    Sums6 carriedOut{};        // carriedIn + pageSum
    bool last = false;         // the total row ends this page
    std::string years;         // "2024년", "2022–2023년": its entries' years; empty when undated
};

// The page heading's period: the printout's period, followed by the
// page's years when the period does not already name them ("전체 기간 ·
// 2022–2023년").
std::string PageHeadingPeriod(const std::string& period, const PrintPage& page);

struct PrintedLedger {
    std::string title = "간 편 장 부";
    std::string ledgerName, period, printDate;  // UTF-8
    std::array<double, kPrintColumns> x{}, width{};  // column positions, points from the left
    double tableWidth = 0;
    std::vector<PrintPage> pages;
    Sums6 total{};
    long long entries = 0;
    std::string totalLabel = "합계";
};

struct PrintHeading {
    std::string ledgerName, period, printDate;
    std::string totalLabel = "합계";
};

// Lays out `entries` entries handed over in order by `walk` (as the
// export's walk: it calls its argument for each and stops on false).
using PrintWalk = std::function<void(const std::function<bool(const LedgerEntry&)>& each)>;
PrintedLedger LayOutLedger(const PrintWalk& walk, const PrintMetrics& metrics, const PrintHeading& heading);

// Amount text of the printout: digit groups, a minus, decimals only when
// there are any ("1,234,567", "-250.5"); empty for zero when `blankZero`.
std::string PrintAmount(WideTenths tenths, bool blankZero);

// "- 3 / 54 -"
std::string PageNumberText(int page, int pages);

} // namespace quill
