// SPDX-License-Identifier: GPL-3.0-or-later
// What the filing window shows and writes, without its widgets: the
// settings as its fields show and take them, and its PDF's pages.
#include "core/filing/FilingPdfLayout.h"
#include "core/filing/FilingSettingTexts.h"

#include <gtest/gtest.h>

using namespace quill;

TEST(FilingSettingTexts, TypedTextsGiveTheSettings)
{
    struct Case {
        const char* name;
        std::string prepaid;                  // typed for 1기
        std::optional<std::int64_t> won;
        std::string words;                    // typed for the first kind
        std::vector<std::string> read;
        std::string deemed;
        bool rateRead;
        bool unreadable;
        std::string opening;                  // typed 개업일
        std::string openingRead;
        bool openingUnreadable;
        std::string lastRevenue;              // typed 직전 연도 수입금액
        std::optional<std::int64_t> lastRevenueWon;
    };
    const Case cases[] = {
        {"empty", "", std::nullopt, "", {}, "", false, false, "", "", false, "", std::nullopt},
        {"plain", "120000", 120000, "세금,카드", {"세금", "카드"}, "8/108", true, false, "2024.07.01", "2024.07.01",
         false, "90000000", 90000000},
        {"blanks and empty words", "007", 7, " 세금 , ,\xE3\x80\x80카드\xE3\x80\x80,", {"세금", "카드"}, "  ", false, false,
         " 2024.02.29 ", "2024.02.29", false, " 5 ", 5},
        {"not a number", "12a", std::nullopt, ",,", {}, "여덟", false, true, "2023.02.29", "", true, "1억", std::nullopt},
    };
    FilingSettings base;
    base.type = TaxpayerType::Simplified;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilingSettingTexts t;
        t.industry = "552101";
        t.prepaid[0] = c.prepaid;
        t.words[0] = c.words;
        t.deemedRate = c.deemed;
        t.largeLastYear = true;
        t.openingDay = c.opening;
        t.lastYearRevenue = c.lastRevenue;
        t.accountantFiles = true;
        const ReadSettingTexts r = ReadFilingSettingTexts(t, base);
        EXPECT_EQ(r.settings.type, TaxpayerType::Simplified);
        EXPECT_EQ(r.settings.industry, "552101");
        EXPECT_EQ(r.settings.prepaidWon[0], c.won);
        EXPECT_FALSE(r.settings.prepaidWon[1]);
        EXPECT_EQ(r.settings.words[0], c.read);
        EXPECT_EQ(r.settings.largeLastYear, std::optional<bool>(true));
        EXPECT_EQ(r.settings.openingDay, c.openingRead);
        EXPECT_EQ(r.openingDayUnreadable, c.openingUnreadable);
        EXPECT_EQ(r.settings.lastYearRevenueWon, c.lastRevenueWon);
        EXPECT_TRUE(r.settings.accountantFiles);
        EXPECT_EQ(bool(r.settings.deemedRate), c.rateRead);
        EXPECT_EQ(r.deemedRateUnreadable, c.unreadable);
        // Shown again, the settings read back the same.
        const ReadSettingTexts again = ReadFilingSettingTexts(FilingSettingsToTexts(r.settings), base);
        EXPECT_EQ(again.settings.prepaidWon[0], c.won);
        EXPECT_EQ(again.settings.words[0], c.read);
        EXPECT_EQ(bool(again.settings.deemedRate), c.rateRead);
        EXPECT_EQ(again.settings.largeLastYear, std::optional<bool>(true));
        EXPECT_EQ(again.settings.openingDay, c.openingRead);
        EXPECT_EQ(again.settings.lastYearRevenueWon, c.lastRevenueWon);
        EXPECT_TRUE(again.settings.accountantFiles);
    }
}

// A table of up to twelve rows that would be split starts a new page, once;
// a longer one runs on; every page carries the ledger and its number.
TEST(FilingPdf, ShortTablesStartANewPageRatherThanSplit)
{
    FilingFigures figures;
    figures.year = 2024;
    auto table = [](std::size_t rows) {
        FilingTable t;
        t.rows.resize(rows);
        return t;
    };
    FilingPdf pdf = StartFilingPdf(figures, {table(12), table(13), table(3), table(5)}, "가게.Aut");
    EXPECT_EQ(pdf.pageHead, "장부: 가게.Aut   기간: 2024년 1월~12월   일반과세자   참고용");
    EXPECT_EQ(pdf.documentTitle, "신고자료 2024년 (참고용)");
    EXPECT_EQ(StartFilingPdf(figures, {}, "").pageHead.rfind("장부: (저장하지 않은 장부)", 0), 0u);
    // Body height 100: the first and the second table cross a page end,
    // the third ends exactly on one, the fourth fits.
    const std::vector<TableExtent> first{{50, 150}, {160, 420}, {440, 500}, {510, 560}};
    EXPECT_TRUE(KeepShortTablesWhole(pdf, first, 100));
    EXPECT_EQ(pdf.breakBefore, (std::vector<bool>{true, false, false, false}));
    // Moved once, a table stays where it is, even if it still does not fit.
    const std::vector<TableExtent> second{{100, 250}, {260, 520}, {540, 600}, {610, 660}};
    EXPECT_FALSE(KeepShortTablesWhole(pdf, second, 100));
    CutFilingPages(pdf, 7, 100);
    ASSERT_EQ(pdf.pages.size(), 7u);
    EXPECT_EQ(pdf.pages[2].top, 200);
    EXPECT_EQ(pdf.pages[6].foot, "7 / 7쪽");
    CutFilingPages(pdf, 0, 100);
    ASSERT_EQ(pdf.pages.size(), 1u);
    EXPECT_EQ(pdf.pages[0].foot, "1 / 1쪽");
}
