// SPDX-License-Identifier: GPL-3.0-or-later
// The printed form's layout as plain data (with a font of fixed widths),
// its texts and the page setup kept in the configuration.
#include "core/text/Cp949.h"
#include "core/export/ExportWorkbook.h"
#include "core/print/PrintLayout.h"
#include "core/print/PrintPageSetup.h"
#include "core/print/TextWrap.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quill;

namespace {

// Hangul one unit wide, everything else half a unit.
double fixedWidth(std::string_view c) { return EstimatedWidthEm(c) == 1.0 ? 1.0 : 0.5; }

LedgerEntry printEntry(int k, std::string_view jkyu)
{
    LedgerEntry e;
    char day[16];
    std::snprintf(day, sizeof day, "2024.%02d.%02d", k % 12 + 1, k % 28 + 1);
    e.IDAY = day;
    e.JKYU = *encodeCp949(jkyu).bytes;
    e.SANGHO = *encodeCp949("상대").bytes;
    if (k % 3 == 0) {
        e.INMNY = 1000.5 * k;
        e.INVAT = k;
    } else if (k % 3 == 1) {
        e.OTMNY = -7 * k;
        e.OTVAT = 0.25;
    } else {
        e.JSMNY = 999999999999.0;
    }
    return e;
}

} // namespace

TEST(PrintLayout, TextsWrapWhole)
{
    struct Row {
        const char* text;
        double width;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"", 5, {}},
        {"가나다", 5, {"가나다"}},
        {"가나다라마", 2, {"가나", "다라", "마"}},
        {"ab cd ef", 2, {"ab", "cd", "ef"}},        // at the blanks, the blank dropped
        {"abcdefgh", 2, {"abcd", "efgh"}},             // a word longer than the line is broken
        {"가 나다라", 3, {"가", "나다라"}},
        {"가\n나", 5, {"가", "나"}},
        {"가나다라마바사아자차카타파하가나다라마바사아!", 7,
         {"가나다라마바사", "아자차카타파하", "가나다라마바사", "아!"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const auto lines = WrapText(r.text, r.width, fixedWidth);
        EXPECT_EQ(lines, r.lines);
        std::string joined;
        for (const auto& l : lines)
            joined += l;
        std::string printable;
        for (char c : std::string(r.text))  // every character but blanks is printed
            if (c != ' ' && c != '\n')
                printable += c;
        EXPECT_EQ(joined, printable);
    }
}

TEST(PrintLayout, PagesCarryTheirTotalsAndTheLastEndsWithTheTotal)
{
    struct Case {
        int entries;
        double pageHeight;  // room for a few rows of 2-line texts
        int pages;
    };
    const Case cases[] = {{0, 300, 1}, {1, 300, 1}, {68, 300, 0}, {68, 2000, 1}, {1000, 500, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries");
        std::vector<LedgerEntry> rows;
        LedgerTotals totals;
        for (int k = 0; k < c.entries; ++k) {
            rows.push_back(printEntry(k, k % 5 == 0 ? "가나다라마바사아자차카타파하 가나다라마바사아자" : "짧은 내용"));
            AddToTotals(totals, rows.back());
        }
        PrintMetrics m;
        m.pageWidth = 800;
        m.pageHeight = c.pageHeight;
        m.lineHeight = 10;
        m.bodyWidth = [](std::string_view ch) { return fixedWidth(ch) * 8; };
        m.titleHeight = 20;
        m.headingHeight = 12;
        m.headRowHeight = 12;
        m.footHeight = 12;
        PrintHeading h;
        h.ledgerName = "장부.Aut";
        const PrintedLedger l = LayOutLedger(
            [&](const std::function<bool(const LedgerEntry&)>& each) {
                for (const auto& e : rows)
                    if (!each(e))
                        break;
            },
            m, h);
        if (c.pages) {
            EXPECT_EQ(static_cast<int>(l.pages.size()), c.pages);
        } else {
            EXPECT_GT(l.pages.size(), 2u);
        }
        EXPECT_EQ(l.total, totals.sums);
        EXPECT_EQ(l.entries, c.entries);
        // Amounts of twelve digits fit their columns; the columns fit the page.
        EXPECT_LE(l.tableWidth, m.pageWidth + 1e-9);
        EXPECT_GE(l.width[kAmountCol0], 16 * 4 + 4.0);
        Sums6 carried{};
        int next = 0;
        const double body = m.pageHeight - m.titleHeight - m.headingHeight - 2 * m.headRowHeight - m.footHeight;
        for (std::size_t p = 0; p < l.pages.size(); ++p) {
            const PrintPage& pg = l.pages[p];
            EXPECT_EQ(pg.number, static_cast<int>(p) + 1);
            EXPECT_EQ(pg.carried, p > 0);
            EXPECT_EQ(pg.carriedIn, carried);
            EXPECT_EQ(pg.last, p + 1 == l.pages.size());
            Sums6 sum{};
            double used = (pg.carried ? 14 : 0) + 14 + (pg.last ? 14 : 0);
            for (const PrintRow& r : pg.rows) {
                EXPECT_EQ(r.entry, next++);  // every entry once, in order
                for (std::size_t f = 0; f < 6; ++f)
                    sum[f] += toWideTenThousandths(moneyValue(rows[static_cast<std::size_t>(r.entry)], static_cast<int>(f)));
                used += r.height;
                EXPECT_EQ(r.height, static_cast<double>(std::max<std::size_t>(
                                        1, std::max({r.lines[0].size(), r.lines[1].size(), r.lines[2].size()})))
                                            * m.lineHeight + 4);
            }
            EXPECT_EQ(pg.pageSum, sum);
            EXPECT_LE(used, body + 1e-9);  // nothing runs into the foot
            if (!pg.last) {
                EXPECT_FALSE(pg.rows.empty());
            }
            for (std::size_t f = 0; f < 6; ++f)
                carried[f] += sum[f];
            EXPECT_EQ(pg.carriedOut, carried);
        }
        EXPECT_EQ(next, c.entries);
        EXPECT_EQ(carried, totals.sums);
    }
}

TEST(PrintLayout, TheYearIsPrintedWhereItChangesAndDatelessRowsAreMarked)
{
    // Entries of several years, some pages long, with rows whose date is
    // no date at all: each page names its years, a band names the year
    // where it changes, and month and day of a dateless row are a mark.
    struct Entry {
        const char* day;
        const char* month;  // printed
        const char* date;
        const char* band;   // the year band above it
    };
    const Entry entries[] = {
        {"    .  .  ", "-", "-", ""},      {"fgij.kl.mn", "-", "-", ""},   {"2022.13.01", "-", "-", ""},
        {"2022.03.05", "3", "5", ""},      {"2022.12.31", "12", "31", ""}, {"2023.01.02", "1", "2", "2023년"},
        {"2023.07.10", "7", "10", ""},     {"2025.02.01", "2", "1", "2025년"},
    };
    std::vector<LedgerEntry> rows;
    for (const Entry& e : entries) {
        LedgerEntry r;
        r.IDAY = e.day;
        r.JKYU = *encodeCp949("판매").bytes;
        r.INMNY = 1000;
        rows.push_back(r);
    }
    PrintMetrics m;
    m.pageWidth = 800;
    m.pageHeight = 20 + 12 + 24 + 12 + 14 * 8;  // eight rows of one line, sums included
    m.lineHeight = 10;
    m.bodyWidth = [](std::string_view ch) { return fixedWidth(ch) * 8; };
    m.titleHeight = 20;
    m.headingHeight = 12;
    m.headRowHeight = 12;
    m.footHeight = 12;
    PrintHeading h;
    h.period = "전체 기간";
    const PrintedLedger l = LayOutLedger(
        [&](const std::function<bool(const LedgerEntry&)>& each) {
            for (const auto& e : rows)
                if (!each(e))
                    break;
        },
        m, h);
    std::vector<const PrintRow*> printed;
    std::vector<std::string> headings;
    for (const PrintPage& p : l.pages) {
        headings.push_back(PageHeadingPeriod(l.period, p));
        for (const PrintRow& r : p.rows)
            printed.push_back(&r);
    }
    ASSERT_EQ(printed.size(), std::size(entries));
    for (std::size_t k = 0; k < printed.size(); ++k) {
        SCOPED_TRACE(entries[k].day);
        EXPECT_EQ(printed[k]->month, entries[k].month);
        EXPECT_EQ(printed[k]->day, entries[k].date);
        EXPECT_EQ(printed[k]->year, entries[k].band);
        EXPECT_EQ(printed[k]->height, *entries[k].band ? 28.0 : 14.0);  // the band is one sum row high
    }
    // Every page names the years of its entries.
    EXPECT_EQ(headings, (std::vector<std::string>{"전체 기간 · 2022–2023년", "전체 기간 · 2023–2025년"}));
    // A period that names the year already is not repeated.
    PrintPage one;
    one.years = "2024년";
    EXPECT_EQ(PageHeadingPeriod("2024년 3월", one), "2024년 3월");
    EXPECT_EQ(PageHeadingPeriod("전체 기간 · 수입", one), "전체 기간 · 수입 · 2024년");
}

TEST(PrintLayout, TextsOfTheForm)
{
    struct Amount {
        WideTenths tenths;
        const char* text;
    };
    for (const Amount& a : {Amount{0, ""}, Amount{10000, "1"}, Amount{12345670000, "1,234,567"},
                            Amount{-12345670000, "-1,234,567"}, Amount{102500000, "10,250"},
                            Amount{9999999999990000, "999,999,999,999"}, Amount{-2505000, "-250.5"},
                            Amount{1, "0.0001"}})
        EXPECT_EQ(PrintAmount(a.tenths, true), a.text);
    EXPECT_EQ(PrintAmount(0, false), "0");
    EXPECT_EQ(PageNumberText(3, 54), "- 3 / 54 -");

    struct Period {
        LedgerFilter filter;
        const char* text;
    };
    const Period periods[] = {
        {LedgerFilter(), "전체 기간"},
        {LedgerFilter::fromControls(0, "2024", 0, "1년"), "2024년"},
        {LedgerFilter::fromControls(0, "2024", 3, "03"), "2024년 3월"},
        {LedgerFilter::fromControls(2, "2024", 12, "12"), "2024년 12월 · 비용"},
        {LedgerFilter::fromControls(1, "2023", 0, "1년"), "2023년 · 수입"},
    };
    for (const Period& p : periods)
        EXPECT_EQ(PeriodLabel(&p.filter), p.text);
    EXPECT_EQ(PeriodLabel(nullptr), "전체 기간");
}

TEST(PrintPageSetup, KeptInTheConfiguration)
{
    const std::string dir = (std::filesystem::temp_directory_path() / ("qb-print-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    const std::string ini = dir + "/quillcfg.ini";
    EXPECT_EQ(ReadPrintPageSetup(ini), PrintPageSetup{});  // no file: A4 across
    EXPECT_EQ(PrintPageSetup{}.paperId, 7);                  // QPageSize::A4, not 0 (Letter)
    EXPECT_TRUE(PrintPageSetup{}.landscape);
    PrintPageSetup s;
    s.paperId = 3;
    s.landscape = false;
    s.marginsTenthMm = {150, 200, 50, 0};
    ASSERT_TRUE(WritePrintPageSetup(ini, s));
    EXPECT_EQ(ReadPrintPageSetup(ini), s);
    // Values out of range fall back one by one.
    { std::ofstream(ini) << "[" << *encodeCp949("인쇄").bytes << "]\nPaper=999\nLandscape=0\nMarginLeft=-5\nMarginTop=x\n"; }
    PrintPageSetup back = ReadPrintPageSetup(ini);
    EXPECT_EQ(back.paperId, kPaperA4);
    EXPECT_FALSE(back.landscape);
    EXPECT_EQ(back.marginsTenthMm, (std::array<int, 4>{100, 100, 100, 100}));
    // The earlier key: its 0 was meant as A4; a later key wins over it.
    struct Stored {
        const char* lines;
        int paper;
    };
    const Stored stored[] = {{"Paper=0\n", kPaperA4},
                             {"Paper=3\n", 3},
                             {"Paper=0\nPaperSize=0\n", kPaperLetter},
                             {"PaperSize=7\nPaper=2\n", kPaperA4}};
    for (const Stored& st : stored) {
        { std::ofstream(ini) << "[" << *encodeCp949("인쇄").bytes << "]\n" << st.lines; }
        EXPECT_EQ(ReadPrintPageSetup(ini).paperId, st.paper) << st.lines;
    }
    std::filesystem::remove_all(dir);
}

TEST(LedgerSheet, RowsGrowForTheirWrappedTexts)
{
    struct Case {
        const char* jkyu;
        const char* etc;
        bool taller;
    };
    for (const Case& c : {Case{"", "", false}, Case{"짧은 내용", "카드", false},
                          Case{"가나다라마바사아자차카타파하가나다라마바사아!", "", true},
                          Case{"", "다다다다다다다!", false}}) {  // the whole remark field in two lines
        SCOPED_TRACE(c.jkyu);
        LedgerEntry e;
        e.IDAY = "2024.01.02";
        e.JKYU = *encodeCp949(c.jkyu).bytes;
        e.ETC = *encodeCp949(c.etc).bytes;
        LedgerRowCells cells;
        LedgerRow(e, cells);
        if (c.taller)
            EXPECT_GT(cells.height, kLedgerRowHeight);
        else
            EXPECT_EQ(cells.height, kLedgerRowHeight);
    }
}
